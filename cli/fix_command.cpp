#include "cli/fix_command.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <optional>

#include "cli/decisions_file.h"
#include "cli/option_table.h"
#include "cli/run_summary.h"
#include "cli/scan_command.h"
#include "cli/scan_options.h"
#include "cli/site_search.h"
#include "cli/terminal_text.h"
#include "cli/unified_diff.h"
#include "core/backup/backup_restorer.h"
#include "core/repair/repair.h"
#include "core/rewrite/rewrite_plan.h"
#include "core/rewrite/rewriting_pass.h"
#include "core/search/search_pass.h"
#include "core/text/document_buffer.h"
#include "core/wording/backup_texts.h"
#include "core/wording/rewriting_texts.h"
#include "core/wording/site_busy.h"
#include "core/wording/skip_reasons.h"
#include "platform/code_page.h"
#include "platform/host_path.h"

namespace quillorn::cli {
namespace {

constexpr int kExitNotRewritten = 1;  // a file was left as it was, or a disk error ended the run
constexpr int kExitBusy = 3;          // another run works on an overlapping folder tree

constexpr std::size_t kHelpColumn = 23;

// What deleting a link means, for findings whose decision is to delete them.
constexpr OptionRow kDeletionOptions[] = {
    {"--text-links", OptionKind::Choice, "keep|convert|empty",
     "links (A): leave them (keep, the default), turn them\n"
     "into plain text (convert), or point them at \"#\" (empty);\n"
     "convert also removes script, applet, embed, iframe\n"
     "and bgsound elements whose address is deleted"},
    {"--images", OptionKind::Choice, "keep|empty|replace", "IMG addresses: leave, empty, or replace with --image-url"},
    {"--image-url", OptionKind::Value, "URL", "the address that replaces deleted image addresses"},
    {"--backgrounds", OptionKind::Choice, "keep|empty|replace",
     "BODY, TABLE, TD, TR and INPUT addresses: leave, empty,\n"
     "or replace with --background-url"},
    {"--background-url", OptionKind::Value, "URL", "the address that replaces deleted background addresses"},
    {"--no-relative-replacements", OptionKind::Switch, "",
     "write --image-url and --background-url as given instead\n"
     "of making file:// URLs and drive paths relative to\n"
     "each page"},
    {"--no-backups", OptionKind::Switch, "",
     "do not keep the old versions (each file is still\n"
     "replaced whole, never left half written)"},
};

constexpr OptionRow kDecisionOptions[] = {
    {"--decisions", OptionKind::Value, "FILE",
     "take the decisions from FILE: the JSON that\n"
     "'quillorn-cli scan --json' printed for the same PATHs and\n"
     "options, with the \"value\" and \"relativePath\" of lines\n"
     "under \"results\" edited, as on the results page of the\n"
     "wizard (see README.md); an edited value is written as\n"
     "typed into every link of its line, and a line left as\n"
     "it is changes nothing that fix without FILE leaves\n"
     "alone. The site is searched again; if the findings no\n"
     "longer match the file, nothing is written"},
    {"--dry-run", OptionKind::Switch, "",
     "write nothing; print a unified diff of what fix would\n"
     "write, name the files it would leave as they are,\n"
     "and count what it would change.\n"
     "Its file names are relative to the PATH that holds\n"
     "them: 'patch -p1' applies it from that folder"},
};

constexpr OptionRow kRestoreOptions[] = {
    {"--extension", OptionKind::Value, "EXT", "the backup extension, without the dot (default: bak)"},
    {"--no-subfolders", OptionKind::Pair, "", "leave the subfolders alone"},
    {"--delete", OptionKind::Switch, "", "delete the backups instead of restoring them"},
};

std::string fixHelpText() {
  return R"HELP(Usage: quillorn-cli fix [search options] [policy options] PATH...

Repairs the links of a web site kept on disk. Searches the PATHs exactly as
'quillorn-cli scan' does (same search options), takes every proposed change as
the decision, and rewrites every HTML, style-sheet and script file of the list
in which something changes, in its own encoding. Internet URLs that were not
checked (--offline) are left as they are unless a line of --decisions FILE that
holds them is edited, except those that a saved page or a page of the site's
own servers (--site-url) answers for: they are pointed at that page. Each file's old version is kept beside it with ".bak"
appended to its name; 'quillorn-cli restore' puts the old versions back. Prints
one line per rewritten file, one line per file that is left as it was although
it would change or was not searched (with the reason), and "Done (x of y URL(s)
processed successfully)", with ", n file(s) skipped" before the closing
parenthesis when files were left as they were; then one line that counts the
files searched and changed and the links changed and left as they were, each
reason with its count: kept by a policy (a deletion that a policy below keeps,
or a decision not to change), not checked (--offline), in files not
rewritten. What weakened the search (files it could not read, findings the
list had no room for, an Internet check that reached no server) is said once
at the end, on standard error. When the search finds nothing and leaves no
file unsearched, no file is touched.

A file is only rewritten when it still holds what the search read, when it is
no link and lies in the folders given (not behind a folder link that leads
out of them), and when its backup name is free: an existing NAME.bak is never
replaced. A file of more than 256 MiB is not searched, so it is left as it was. One run at a time works on a folder tree: a fix or restore on a tree
that overlaps one another run is working on is refused. What a killed run left
unfinished is cleared up by the next fix or restore in that folder.

Search options: see 'quillorn-cli scan --help'.

What deleting a link means (for findings whose decision is to delete them):
)HELP" + optionHelp({kDeletionOptions}, kHelpColumn) +
         R"HELP(A deletion never changes FRAME addresses, script strings or style-sheet url( )
addresses, whatever these options say; the wizard offers no choice for them
either (its "Make empty or delete" of " Other URLs and Links " is off).

Decisions and previews:
)HELP" + optionHelp({kDecisionOptions, helpOptions()}, kHelpColumn) +
         R"HELP(
Exit status: 0 when every file that changes was rewritten (or would be, with
--dry-run), 1 when a file was left as it was (each is named with the reason)
or a disk error ended the run ("Step7: Disk writing error!": the file named
keeps its old content), 2 for a usage error, a PATH or decisions file that
cannot be read or that no longer matches, 3 when another run is working on an
overlapping folder tree (nothing was changed), 4 when none of these happened
but the search's result is weakened (each reason said at the end), 130 when
stopped with Ctrl-C.
)HELP";
}

std::string restoreHelpText() {
  return R"HELP(Usage: quillorn-cli restore [options] FOLDER

Puts back the old versions that 'quillorn-cli fix' kept: every file in FOLDER
(and its subfolders) whose last extension is the backup extension replaces the
file it was made from (index.html.bak becomes index.html again). With
--delete the backups are deleted instead, which keeps the repair. Prints
"N backup file(s) processed successfully", N counting the backups put back or
deleted. Every backup left as it was is named on standard error with the
reason: reached through a folder link that leads out of FOLDER, not a regular
file, its move or delete failed, or the file it was made from is now a folder
or cannot be read. What a killed fix left unfinished is cleared up first.

Options:
)HELP" + optionHelp({kRestoreOptions, helpOptions()}, kHelpColumn) +
         R"HELP(
Exit status: 0 when every backup was put back or deleted, 1 when a backup was
left as it was, 2 for a usage error, a missing folder or an empty extension,
3 when another run is working on an overlapping folder tree or whether one is
cannot be told (nothing was changed).
)HELP";
}

struct FixOptions {
  ScanOptions scan;
  std::optional<std::string> decisionsFile;
  bool dryRun = false;
};

// The deletion choice that a word of kDeletionOptions names.
DeletionChoice deletionChoice(const std::string& word) {
  if (word == "convert") return DeletionChoice::ConvertToText;
  if (word == "empty") return DeletionChoice::MakeEmpty;
  if (word == "replace") return DeletionChoice::ReplaceWithUrl;
  return DeletionChoice::Keep;
}

// Scan's options, the deletion policies and fix's own.
bool parseFixOptions(const std::vector<std::string>& args, FixOptions& options, std::string& error) {
  const ParseResult parsed = parseSearchOptions(args, {kDeletionOptions, kDecisionOptions});
  if (!parsed.ok) {
    error = parsed.error;
    return false;
  }
  // The report's options: fix prints what it writes.
  const ParsedOptions& values = parsed.values;
  const char* reportOption = values.on("--json")        ? "--json"
                             : values.value("--format") ? "--format"
                             : values.value("--output") ? "--output"
                                                        : nullptr;
  if (reportOption != nullptr) {
    error = std::string(reportOption) + " belongs to 'scan'";
    return false;
  }
  options.scan = parsed.options;
  Settings& settings = options.scan.settings;
  if (const auto& word = values.value("--text-links")) settings.textLinkAction = deletionChoice(*word);
  if (const auto& word = values.value("--images")) settings.imageUrlAction = deletionChoice(*word);
  if (const auto& word = values.value("--backgrounds")) settings.backgroundUrlAction = deletionChoice(*word);
  if (const auto& url = values.value("--image-url")) settings.imageReplacementUrl = platform::fromDisplayUtf8(*url);
  if (const auto& url = values.value("--background-url")) {
    settings.backgroundReplacementUrl = platform::fromDisplayUtf8(*url);
  }
  settings.deletionRelativePaths = !values.on("--no-relative-replacements");
  settings.makeBackups = !values.on("--no-backups");
  options.decisionsFile = values.value("--decisions");
  options.dryRun = values.on("--dry-run");
  return true;
}

// A document's text for a person, read as `document` is read (so the new
// content of a page shows in the charset of the page it replaces).
std::string displayText(const std::string& bytes, const DocumentBuffer& document) {
  const TextView text(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), document.encoding,
                      document.charset);
  return platform::toDisplayUtf8(asHostText(text));
}

void printSkip(const char* verb, const FileSkip& skip, const FileList& files) {
  const std::string& path = files.path(skip.index);
  std::cout << verb << " \"" << terminalText(platform::toDisplayUtf8(platform::displayPath(path))) << "\": "
            << terminalText(platform::toDisplayUtf8(skipReasonText(skip.reason, skip.error, path, "run fix again")))
            << '\n';
}

// After skips: how many, and how to clear existing backups out of the way.
void printSkipSummary(const std::vector<FileSkip>& skipped, const std::vector<std::string>& paths, const char* verb) {
  if (skipped.empty()) return;
  std::cout << skipped.size() << " file(s) " << verb << ".\n";
  const bool backups = std::any_of(skipped.begin(), skipped.end(),
                                   [](const FileSkip& skip) { return skip.reason == SkipReason::BackupExists; });
  if (!backups) return;
  std::string folders;
  for (const std::string& arg : paths) {
    const std::filesystem::path folder = folderOf(arg);
    folders += " \"" + terminalText(folder.empty() ? std::string(".") : folder.string()) + "\"";
  }
  std::cout << "Backups of an earlier repair are in the way; an existing backup is never replaced.\n"
            << "To keep that repair, delete its backups:  quillorn-cli restore --delete" << folders << '\n'
            << "To undo it, put them back:                quillorn-cli restore" << folders << '\n'
            << "Then run fix again.\n";
}

// The name a diff gives the file at `name` (its display path): relative to
// the deepest of `folders` (pathFolders) that holds it, so that `patch -p1`
// applies the diff from there; a file under none keeps its whole path.
std::string diffName(const std::string& name, const std::vector<std::string>& folders) {
  const std::string inSite = nameInFolders(name, folders);
  return inSite.empty() || inSite[0] != '/' ? "/" + inSite : inSite;
}

// What fix would write, as a unified diff, which files it would leave as
// they are, and the summary of `counts` with what the plans would do; writes
// nothing. From the same plans the rewriting pass follows.
int previewRewrite(const FixOptions& options, const Repair& repair, FixCounts counts) {
  const FileList& files = repair.files();
  const std::vector<std::string> folders = pathFolders(options.scan.paths);
  std::vector<FileSkip> skipped;
  repair.plan([&](std::size_t i, const FilePlan& plan) {
    counts.tally.add(plan, plan.action == FilePlan::Action::Rewrite);
    if (plan.action == FilePlan::Action::Skip) {
      skipped.push_back({i, plan.reason, 0});
      printSkip("Would not be rewritten:", skipped.back(), files);
      return;
    }
    if (plan.action != FilePlan::Action::Rewrite) return;
    const std::string before(reinterpret_cast<const char*>(plan.document.bytes.data()), plan.document.size());
    const std::string name = platform::toDisplayUtf8(platform::displayPath(files.path(i)));
    const std::string shownName = terminalText(diffName(name, folders));
    std::cout << unifiedDiff(displayText(before, plan.document), displayText(plan.newText, plan.document),
                             "a" + shownName, "b" + shownName);
  });
  std::cout << fixSummary(counts, true) << '\n';
  printSkipSummary(skipped, options.scan.paths, "would not be rewritten");
  return skipped.empty() ? kExitClean : kExitNotRewritten;
}

bool askToCancel() {
  if (isatty(STDIN_FILENO) != 1) return true;
  std::cerr << kCancelQuestion << " [y/N] " << std::flush;
  std::string answer;
  std::getline(std::cin, answer);
  return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
}

}  // namespace

int runFixCommand(const std::vector<std::string>& args) {
  FixOptions options;
  std::string error;
  if (!parseFixOptions(args, options, error)) {
    std::cerr << "quillorn-cli fix: " << terminalText(error) << " (see 'quillorn-cli fix --help')\n";
    return kExitUsage;
  }
  if (options.scan.help) {
    std::cout << fixHelpText();
    return kExitClean;
  }
  // A decisions file that cannot be read is said before the search, not after it.
  std::string decisionsText;
  if (options.decisionsFile) {
    Outcome<std::string, std::string> read = readDecisionsFile(*options.decisionsFile);
    if (!read.ok()) {
      std::cerr << "quillorn-cli fix: " << terminalText(read.error()) << '\n';
      return kExitUsage;
    }
    decisionsText = std::move(read.value());
  }

  // One run at a time on these folders, from the search to the last file.
  Repair repair;
  prepareRepair(options.scan, repair);
  if (const RepairOutcome<Done> begun =
          repair.begin(options.dryRun ? Repair::Intent::Preview : Repair::Intent::Rewrite);
      !begun.ok()) {
    std::cerr << "quillorn-cli fix: " << terminalText(siteRefusalText(begun.error().path, begun.error().error))
              << kNothingChangedText << '\n';
    return kExitBusy;
  }
  if (const Outcome<Done, ExitStatus> collected = collectSite("fix", options.scan, repair); !collected.ok()) {
    return collected.error().code;
  }
  const auto fileName = [&repair](std::int64_t index) {
    return platform::displayPath(repair.files().path(static_cast<std::size_t>(index)));
  };
  TerminalPanel panel(&std::cout, fileName);
  panel.setProgressCount(static_cast<std::int64_t>(repair.files().count()),
                         {"file(s) rewritten", [&panel] { return static_cast<std::int64_t>(panel.lines().size()); }});
  // Silent while it searches: fix names what it writes, not what it reads.
  TerminalPanel searchPanel(nullptr, fileName);
  const Outcome<SearchOutcome, ExitStatus> searched = searchSite("fix", repair, searchPanel);
  if (!searched.ok()) return searched.error().code;
  const SearchOutcome& outcome = searched.value();
  // What weakened the search is said once, last, on standard error; it makes
  // a run that did everything else end with kExitIncomplete.
  const std::vector<EndNotice> notices = endNotices(repair, outcome);
  const auto finish = [&notices](int status) {
    std::cout.flush();
    for (const EndNotice& notice : notices) std::cerr << "quillorn-cli fix: " << notice.text << '\n';
    return status == kExitClean && !notices.empty() ? kExitIncomplete : status;
  };
  if (outcome.end == PassEnd::Stopped) {
    std::cout << kStoppedText << '\n';
    return finish(kExitStopped);
  }
  const auto nothingFound = [&repair] { return repair.urls().count() == 0 && repair.urls().unsearchedFiles().empty(); };
  // The decisions file describes every finding, not-checked ones included.
  std::vector<GroupDecision> decisions;
  if (options.decisionsFile && !nothingFound()) {
    Outcome<std::vector<GroupDecision>, std::string> read =
        readDecisions(decisionsText, *options.decisionsFile, repair.settings(), repair.files(), repair.urls());
    if (!read.ok()) {
      std::cerr << "quillorn-cli fix: " << terminalText(read.error()) << '\n';
      return kExitUsage;
    }
    decisions = std::move(read.value());
  }
  // Internet URLs that nobody tried are no finding: only a decision changes them.
  UrlTable findings = withoutNotChecked(repair.settings(), repair.urls(), decisions);
  FixCounts counts;
  counts.filesSearched = searchedFileCount(repair);
  counts.notChecked = linksApart(repair.urls(), findings);
  // Counted as links, as the summary counts them: a value that another
  // finding changes is not left as it is.
  if (counts.notChecked > 0) {
    std::cerr << "quillorn-cli fix: " << counts.notChecked
              << " Internet URL(s) not checked (the Internet check is off) left as they are\n";
  }
  repair.urls() = std::move(findings);
  if (nothingFound()) {
    // The wizard offers no way on to the rewriting when the search found
    // nothing, so no file is touched here either. A file the search left
    // unread goes on to the pass, which touches nothing but names and counts it.
    std::cout << outcome.statusText << '\n'
              << fixSummary(counts, options.dryRun) << '\n'
              << "Nothing needs attention: no file was rewritten.\n";
    return finish(kExitClean);
  }
  repair.decide(decisions);
  if (options.dryRun) return finish(previewRewrite(options, repair, counts));

  const RepairOutcome<RewritePassOutcome> rewritten = repair.rewrite(panel, askToCancel, [&](const FileSkip& skip) {
    panel.clearBar();
    printSkip("Not rewritten:", skip, repair.files());
  });
  panel.clearBar();
  if (!rewritten.ok()) {
    std::cout.flush();
    std::cerr << "quillorn-cli fix: " << kDiskWritingError << " \""
              << terminalText(platform::toDisplayUtf8(rewritten.error().path)) << "\" keeps its old content ("
              << platform::errorText(rewritten.error().error)
              << "); the files before it were rewritten, the files after it were left as they were.\n";
    return finish(kExitNotRewritten);
  }
  const RewritePassOutcome& pass = rewritten.value();
  std::cout << pass.statusText << '\n';
  counts.tally = pass.tally;
  if (pass.end == PassEnd::Stopped) {
    const RewriteTally& tally = pass.tally;
    counts.notReached = linkCount(repair.urls()) - (tally.linksChanged + tally.linksKept + tally.linksInSkippedFiles);
  }
  std::cout << fixSummary(counts, false) << '\n';
  printSkipSummary(pass.skipped, options.scan.paths, "were not rewritten");
  if (pass.end == PassEnd::Stopped) return finish(kExitStopped);
  return finish(pass.skipped.empty() ? kExitClean : kExitNotRewritten);
}

int runRestoreCommand(const std::vector<std::string>& args) {
  const ParsedOptions parsed = parseOptions({kRestoreOptions, helpOptions()}, args);
  if (parsed.on("--help")) {
    std::cout << restoreHelpText();
    return kExitClean;
  }
  if (!parsed.error.empty()) {
    std::cerr << "quillorn-cli restore: " << terminalText(parsed.error) << " (see 'quillorn-cli restore --help')\n";
    return kExitUsage;
  }
  BackupRun run;
  run.extension = parsed.value("--extension").value_or("bak");
  run.subfolders = parsed.on("--subfolders", run.subfolders);
  run.deleteBackups = parsed.on("--delete");
  const std::vector<std::string>& folders = parsed.operands;
  if (folders.size() != 1) {
    std::cerr << "quillorn-cli restore: name exactly one FOLDER (see 'quillorn-cli restore --help')\n";
    return kExitUsage;
  }
  std::error_code ignored;
  if (!std::filesystem::is_directory(folders.front(), ignored)) {
    std::cerr << "quillorn-cli restore: " << terminalText(folders.front()) << ": no such folder\n";
    return kExitUsage;
  }
  run.folder = platform::toPathText(folders.front());
  const Outcome<BackupOutcome, BackupFailure> restored = runBackupRestore(run);
  if (!restored.ok()) {
    std::cerr << "quillorn-cli restore: " << terminalText(backupFailureText(restored.error())) << '\n';
    return restored.error().code == BackupError::SiteBusy ? kExitBusy : kExitUsage;
  }
  const BackupOutcome& outcome = restored.value();
  for (const LeftBackup& left : outcome.left) {
    std::cerr << "quillorn-cli restore: left as it was: " << terminalText(leftBackupText(left)) << '\n';
  }
  std::cout << backupDoneText(outcome.processed) << '\n';
  return outcome.left.empty() ? kExitClean : kExitNotRewritten;
}

}  // namespace quillorn::cli
