#include "cli/fix_command.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>

#include "cli/json_reader.h"
#include "cli/scan_command.h"
#include "cli/scan_options.h"
#include "cli/site_search.h"
#include "cli/unified_diff.h"
#include "core/backup/backup_restorer.h"
#include "core/files/site_lock.h"
#include "core/review/decisions.h"
#include "core/review/results.h"
#include "core/rewrite/rewrite_plan.h"
#include "core/rewrite/rewriting_pass.h"
#include "core/rewrite/tag_rewriter.h"
#include "core/search/search_pass.h"
#include "core/text/document_buffer.h"
#include "platform/code_page.h"
#include "platform/host_path.h"

namespace quillorn::cli {
namespace {

constexpr int kExitNotRewritten = 1;  // a file was left as it was, or a disk error ended the run
constexpr int kExitBusy = 3;          // another run works on an overlapping folder tree

const char* fixHelpText() {
  return R"HELP(Usage: quillorn-cli fix [search options] [policy options] PATH...

Repairs the links of a web site kept on disk. Searches the PATHs exactly as
'quillorn-cli scan' does (same search options), takes every proposed change as
the decision, and rewrites every HTML, style-sheet and script file of the list
in which something changes, in its own encoding. Internet URLs that were not
checked (--offline) are left as they are unless --decisions decides about
them. Each file's old version is kept beside it with ".bak" appended to its name; 'quillorn-cli restore' puts
the old versions back. Prints one line per rewritten file, one line per file
that is left as it was although it would change (with the reason), and
"Done (x of y URL(s) processed successfully)". When the search finds nothing,
no file is touched.

A file is only rewritten when it still holds what the search read, when it is
no link and lies in the folders given (not behind a folder link that leads
out of them), and when its backup name is free: an existing NAME.bak is never
replaced. One run at a time works on a folder tree: a fix or restore on a tree
that overlaps one another run is working on is refused. What a killed run left
unfinished is cleared up by the next fix or restore in that folder.

Search options: see 'quillorn-cli scan --help'.

What deleting a link means (for findings whose decision is to delete them):
  --text-links keep|convert|empty
                       links (A): leave them (keep, the default), turn them
                       into plain text (convert), or point them at "#" (empty);
                       convert also removes script, applet, embed, iframe,
                       bgsound and style elements whose address is deleted
  --images keep|empty|replace
                       IMG addresses: leave, empty, or replace with --image-url
  --image-url URL      the address that replaces deleted image addresses
  --backgrounds keep|empty|replace
                       BODY, TABLE, TD, TR and INPUT addresses: leave, empty,
                       or replace with --background-url
  --background-url URL the address that replaces deleted background addresses
  --no-relative-replacements
                       write --image-url and --background-url as given instead
                       of making file:// URLs and drive paths relative to
                       each page
  --no-backups         do not keep the old versions (each file is still
                       replaced whole, never left half written)
A deletion never changes FRAME addresses, script strings or style-sheet url( )
addresses, whatever these options say; the wizard offers no choice for them
either (its "Make empty or delete" of " Other URLs and Links " is off).

Decisions and previews:
  --decisions FILE     take the decisions from FILE: the JSON that
                       'quillorn-cli scan --json' printed for the same PATHs and
                       options, with the "value" and "relativePath" of lines
                       under "results" edited, as on the results page of the
                       wizard (see README.md). The site is searched again; if
                       the findings no longer match the file, nothing is
                       written
  --dry-run            write nothing; print a unified diff of what fix would
                       write and name the files it would leave as they are
  -h, --help           show this text

Exit status: 0 when every file that changes was rewritten (or would be, with
--dry-run), 1 when a file was left as it was (each is named with the reason)
or a disk error ended the run ("Step7: Disk writing error!": the file named
keeps its old content), 2 for a usage error, a PATH or decisions file that
cannot be read or that no longer matches, 3 when another run is working on an
overlapping folder tree (nothing was changed), 130 when stopped with Ctrl-C.
)HELP";
}

const char* restoreHelpText() {
  return R"HELP(Usage: quillorn-cli restore [options] FOLDER

Puts back the old versions that 'quillorn-cli fix' kept: every file in FOLDER
(and its subfolders) whose last extension is the backup extension replaces the
file it was made from (index.html.bak becomes index.html again). With
--delete the backups are deleted instead, which keeps the repair. Prints
"N backup file(s) processed successfully". Backups reached through a folder
link that leads out of FOLDER are named and left alone. What a killed fix left
unfinished is cleared up first.

Options:
  --extension EXT      the backup extension, without the dot (default: bak)
  --no-subfolders      leave the subfolders alone
  --delete             delete the backups instead of restoring them
  -h, --help           show this text

Exit status: 0 when the folder was processed, 1 when backups outside FOLDER
were left alone, 2 for a usage error, a missing folder or an empty extension,
3 when another run is working on an overlapping folder tree (nothing was
changed).
)HELP";
}

struct FixOptions {
  ScanOptions scan;
  std::optional<std::string> decisionsFile;
  bool dryRun = false;
};

// Takes "--name VALUE" or "--name=VALUE" at args[i]; advances i past the value.
std::optional<std::string> takeValue(const std::vector<std::string>& args, std::size_t& i, const std::string& name,
                                     std::string& error) {
  const std::string& arg = args[i];
  if (arg.compare(0, name.size() + 1, name + "=") == 0) return arg.substr(name.size() + 1);
  if (arg != name) return std::nullopt;
  if (i + 1 >= args.size()) {
    error = name + " needs a value";
    return std::nullopt;
  }
  return args[++i];
}

bool parseChoice(const std::string& option, const std::string& value, bool allowConvert, DeletionChoice& out,
                 std::string& error) {
  if (value == "keep") {
    out = DeletionChoice::Keep;
  } else if (value == "empty") {
    out = DeletionChoice::MakeEmpty;
  } else if (value == "convert" && allowConvert) {
    out = DeletionChoice::ConvertToText;
  } else if (value == "replace" && !allowConvert) {
    out = DeletionChoice::ReplaceWithUrl;
  } else {
    error = option + " takes " + (allowConvert ? "keep, convert or empty" : "keep, empty or replace") + ", not '" +
            value + "'";
    return false;
  }
  return true;
}

// Splits the policy options from the search options; the rest goes to the scan parser.
bool parseFixOptions(const std::vector<std::string>& args, FixOptions& options, std::string& error) {
  std::vector<std::string> rest;
  Settings policy;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      rest.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      rest.push_back(arg);
      continue;
    }
    if (arg == "--json") {
      error = "--json belongs to 'scan'";
      return false;
    }
    if (arg == "--dry-run") {
      options.dryRun = true;
      continue;
    }
    if (arg == "--no-backups") {
      policy.makeBackups = 0;
      continue;
    }
    if (arg == "--no-relative-replacements") {
      policy.deletionRelativePaths = 0;
      continue;
    }
    bool taken = false;
    for (const char* name :
         {"--text-links", "--images", "--backgrounds", "--image-url", "--background-url", "--decisions"}) {
      const std::optional<std::string> value = takeValue(args, i, name, error);
      if (!error.empty()) return false;
      if (!value) continue;
      taken = true;
      const std::string option = name;
      if (option == "--text-links") {
        if (!parseChoice(option, *value, true, policy.textLinkAction, error)) return false;
      } else if (option == "--images") {
        if (!parseChoice(option, *value, false, policy.imageUrlAction, error)) return false;
      } else if (option == "--backgrounds") {
        if (!parseChoice(option, *value, false, policy.backgroundUrlAction, error)) return false;
      } else if (option == "--image-url") {
        policy.imageReplacementUrl = platform::fromDisplayUtf8(*value);
      } else if (option == "--background-url") {
        policy.backgroundReplacementUrl = platform::fromDisplayUtf8(*value);
      } else {
        options.decisionsFile = *value;
      }
      break;
    }
    if (!taken) rest.push_back(arg);
  }
  const ParseResult parsed = parseScanOptions(rest);
  if (!parsed.ok) {
    error = parsed.error;
    return false;
  }
  options.scan = parsed.options;
  Settings& settings = options.scan.settings;
  settings.textLinkAction = policy.textLinkAction;
  settings.imageUrlAction = policy.imageUrlAction;
  settings.backgroundUrlAction = policy.backgroundUrlAction;
  settings.imageReplacementUrl = policy.imageReplacementUrl;
  settings.backgroundReplacementUrl = policy.backgroundReplacementUrl;
  settings.deletionRelativePaths = policy.deletionRelativePaths;
  settings.makeBackups = policy.makeBackups;
  return true;
}

std::string readWholeFile(const std::string& path, bool& ok) {
  std::ifstream in(path, std::ios::binary);
  ok = static_cast<bool>(in);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Applies the decisions of a decisions file, after checking that it describes
// the same findings: each line under "results" whose "value" or "relativePath"
// differs from what the results page would show is decided as the page
// decides an edit. Empty on success, else why not.
std::string applyDecisionsFile(const std::string& path, const Settings& settings, SiteSearch& site) {
  bool readable = false;
  const std::string text = readWholeFile(path, readable);
  if (!readable) return path + ": cannot be read";
  const JsonParse parsed = parseJson(text);
  if (!parsed.ok) return path + ": not a report of 'quillorn-cli scan --json' (" + parsed.error + ")";
  const JsonValue* files = parsed.value.find("files");
  const JsonValue* entries = parsed.value.find("entries");
  const JsonValue* results = parsed.value.find("results");
  if (files == nullptr || entries == nullptr || results == nullptr || files->kind != JsonValue::Kind::Array ||
      entries->kind != JsonValue::Kind::Array || results->kind != JsonValue::Kind::Array) {
    return path + ": not a report of 'quillorn-cli scan --json' (no \"files\", \"entries\" and \"results\")";
  }
  const std::string stale = "the site has changed since " + path +
                            " was written, or other options were given: scan again and edit the new report";
  if (files->items.size() != site.files.count()) return stale + " (the number of files differs)";
  for (std::size_t i = 0; i < files->items.size(); ++i) {
    const std::string expected = platform::toDisplayUtf8(platform::displayPath(site.files.path(i)));
    if (files->items[i].text != expected) return stale + " (file " + std::to_string(i) + " differs)";
  }
  if (entries->items.size() != site.urls.count()) return stale + " (the number of findings differs)";
  for (std::size_t i = 0; i < entries->items.size(); ++i) {
    const JsonValue& item = entries->items[i];
    const UrlEntry& entry = site.urls.entry(i);
    auto number = [&item](const char* name) -> std::optional<std::int64_t> {
      const JsonValue* v = item.find(name);
      if (v == nullptr || v->kind != JsonValue::Kind::Number) return std::nullopt;
      return v->number;
    };
    auto textOf = [&item](const char* name) -> std::optional<std::string> {
      const JsonValue* v = item.find(name);
      if (v == nullptr || v->kind != JsonValue::Kind::String) return std::nullopt;
      return v->text;
    };
    const bool same = textOf("url") == platform::toDisplayUtf8(entry.url) && number("valuePos") == entry.valuePos &&
                      number("tagPos") == entry.tagPos && number("spanLength") == entry.spanLength &&
                      number("quoteKind") == static_cast<std::int64_t>(entry.quoteKind) &&
                      number("fileIndex") == static_cast<std::int64_t>(entry.fileIndex);
    if (!same) return stale + " (finding " + std::to_string(i) + " differs)";
    if (textOf("replacement") != platform::toDisplayUtf8(entry.replacement)) {
      return path + ": the \"replacement\" of finding " + std::to_string(i) +
             " was edited; decisions are made per line: edit the \"value\" and \"relativePath\" of the lines under "
             "\"results\" instead";
    }
  }

  const ResultsFill fill = fillResults(site.urls, false, false, [] { return false; });
  if (results->items.size() != fill.lines.size()) return stale + " (the number of result lines differs)";
  const std::vector<ShownLine> shown = shownLines(settings, site.urls, fill.lines.size());
  struct Edit {
    std::int32_t group;
    std::string value;
    bool relativePath;
  };
  std::vector<Edit> edits;
  for (std::size_t i = 0; i < results->items.size(); ++i) {
    const JsonValue& item = results->items[i];
    const JsonValue* line = item.find("line");
    const JsonValue* value = item.find("value");
    const JsonValue* relative = item.find("relativePath");
    if (line == nullptr || line->kind != JsonValue::Kind::String ||
        line->text != platform::toDisplayUtf8(fill.lines[i].text)) {
      return stale + " (result line " + std::to_string(i) + " differs)";
    }
    if (value == nullptr || value->kind != JsonValue::Kind::String || relative == nullptr ||
        relative->kind != JsonValue::Kind::Bool) {
      return path + ": result line " + std::to_string(i) +
             " needs a \"value\" text and a \"relativePath\" of true or false";
    }
    const LineDecision& offered = shown[i].decision;
    const bool valueKept = value->text == platform::toDisplayUtf8(offered.value);
    // An untouched line keeps its proposal, but a line of not-checked Internet
    // URLs offers its own URL: left as it is, the line keeps its links.
    if (valueKept && relative->boolean == offered.relativePath && !shown[i].notChecked) continue;
    // An untouched text keeps its exact bytes; an edited one is taken back to
    // the single-byte code page where it can be.
    std::string decided = valueKept ? offered.value : platform::fromDisplayUtf8(value->text);
    if (decided.starts_with(RelativeMarker)) {
      return path + ": result line " + std::to_string(i) + ": a value cannot begin with \"" +
             std::string(RelativeMarker) + "\"; set \"relativePath\" to true for a path relative to each page";
    }
    edits.push_back({fill.lines[i].group, std::move(decided), relative->boolean});
  }
  for (const Edit& edit : edits) applyDecision(site.urls, edit.group, edit.value, edit.relativePath);
  return {};
}

// The document's text for a person: UTF-16 narrowed character by character.
std::string displayText(const std::string& bytes, Encoding encoding) {
  if (encoding == Encoding::SingleByte) return platform::toDisplayUtf8(bytes);
  std::string narrow;
  narrow.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    narrow.push_back(narrowChar(reinterpret_cast<const std::uint8_t*>(bytes.data() + i)));
  }
  return platform::toDisplayUtf8(narrow);
}

void printSkip(const char* verb, const FileSkip& skip, const FileList& files) {
  const std::string& path = files.path(skip.index);
  std::cout << verb << " \"" << platform::toDisplayUtf8(platform::displayPath(path))
            << "\": " << platform::toDisplayUtf8(skipReasonText(skip.reason, skip.error, path, "run fix again")) << '\n';
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
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::is_directory(arg, error)
                                             ? std::filesystem::path(arg)
                                             : std::filesystem::path(arg).parent_path();
    folders += " \"" + (folder.empty() ? std::string(".") : folder.string()) + "\"";
  }
  std::cout << "Backups of an earlier repair are in the way; an existing backup is never replaced.\n"
            << "To keep that repair, delete its backups:  quillorn-cli restore --delete" << folders << '\n'
            << "To undo it, put them back:                quillorn-cli restore" << folders << '\n'
            << "Then run fix again.\n";
}

// What fix would write, as a unified diff, and which files it would leave as
// they are; writes nothing. From the same plans the rewriting pass follows.
int previewRewrite(const FixOptions& options, SiteSearch& site, const SiteLock& lock) {
  const std::vector<std::vector<std::size_t>> byFile = entriesByFile(site.urls, site.files.count());
  const RewritePlanInput input{options.scan.settings, site.files, site.urls, lock, byFile};
  std::vector<FileSkip> skipped;
  for (std::size_t i = 0; i < site.files.count(); ++i) {
    const FilePlan plan = planFile(input, i);
    if (plan.action == FilePlan::Action::Skip) {
      skipped.push_back({i, plan.reason, 0});
      printSkip("Would not be rewritten:", skipped.back(), site.files);
      continue;
    }
    if (plan.action != FilePlan::Action::Rewrite) continue;
    const std::string before(reinterpret_cast<const char*>(plan.document.bytes.data()), plan.document.size());
    const std::string name = platform::toDisplayUtf8(platform::displayPath(site.files.path(i)));
    const std::string shownName = name.empty() || name[0] != '/' ? "/" + name : name;
    std::cout << unifiedDiff(displayText(before, plan.document.encoding),
                             displayText(plan.newText, plan.document.encoding), "a" + shownName, "b" + shownName);
  }
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
    std::cerr << "quillorn-cli fix: " << error << " (see 'quillorn-cli fix --help')\n";
    return kExitUsage;
  }
  if (options.scan.help) {
    std::cout << fixHelpText();
    return kExitClean;
  }

  // One run at a time on these folders, from the search to the last file.
  SiteLock lock;
  std::vector<std::string> roots;
  for (const std::string& arg : options.scan.paths) roots.push_back(platform::toPathText(arg));
  if (lock.acquire(roots, options.scan.settings.includeSubfolders != 0) == SiteLock::Status::Busy) {
    std::cerr << "quillorn-cli fix: another run is working on \"" << lock.busyFolder()
              << "\" or a folder in it: nothing was changed. Try again when it has finished.\n";
    return kExitBusy;
  }

  auto site = std::make_unique<SiteSearch>();
  if (const std::optional<int> status = searchSite("fix", options.scan, nullptr, *site)) return *status;
  if (!options.dryRun && site->outcome.state != SearchState::Stopped) {
    // A killed run's leftovers go before anything is written; the search is
    // made again when they changed what it read.
    const std::vector<std::filesystem::path> recovered = recoverInterruptedRewrites(site->files, lock);
    for (const std::filesystem::path& target : recovered) {
      std::cout << "Removed what an interrupted run left beside \"" << platform::toDisplayUtf8(target.string())
                << "\"\n";
    }
    if (!recovered.empty()) {
      site = std::make_unique<SiteSearch>();
      if (const std::optional<int> status = searchSite("fix", options.scan, nullptr, *site)) return *status;
    }
  }
  if (site->outcome.state == SearchState::Stopped) {
    std::cout << kStoppedText << '\n';
    return kExitStopped;
  }
  if (!options.decisionsFile) {
    // Internet URLs that nobody tried are no finding: only a decision changes them.
    UrlTable findings = withoutNotChecked(options.scan.settings, site->urls);
    if (const std::size_t left = site->urls.count() - findings.count(); left > 0) {
      std::cerr << "quillorn-cli fix: " << left
                << " Internet URL(s) not checked (the Internet check is off) left as they are\n";
    }
    site->urls = std::move(findings);
  }
  if (site->urls.count() == 0) {
    // The wizard offers no way on to the rewriting when the search found
    // nothing, so no file is touched here either.
    std::cout << site->outcome.statusText << '\n' << "Nothing needs attention: no file was rewritten.\n";
    return kExitClean;
  }
  if (options.decisionsFile) {
    const std::string problem = applyDecisionsFile(*options.decisionsFile, options.scan.settings, *site);
    if (!problem.empty()) {
      std::cerr << "quillorn-cli fix: " << problem << '\n';
      return kExitUsage;
    }
  }
  if (options.dryRun) return previewRewrite(options, *site, lock);

  TerminalPanel panel(&std::cout, [&site](std::int64_t index) {
    return platform::displayPath(site->files.path(static_cast<std::size_t>(index)));
  });
  RewritePassContext context{
      options.scan.settings, site->files, site->urls, lock, panel, askToCancel, [&](const FileSkip& skip) {
        panel.clearBar();
        printSkip("Not rewritten:", skip, site->files);
      }};
  const RewritePassOutcome outcome = runRewritingPass(context);
  panel.clearBar();
  if (outcome.state == RewriteState::DiskError) {
    std::cout.flush();
    std::cerr << "quillorn-cli fix: " << outcome.errorMessage << " \"" << platform::toDisplayUtf8(outcome.failedFile)
              << "\" keeps its old content (" << platform::errorText(outcome.error)
              << "); the files before it were rewritten, the files after it were left as they were.\n";
    return kExitNotRewritten;
  }
  std::cout << outcome.statusText << '\n';
  printSkipSummary(outcome.skipped, options.scan.paths, "were not rewritten");
  if (outcome.state == RewriteState::Stopped) return kExitStopped;
  return outcome.skipped.empty() ? kExitClean : kExitNotRewritten;
}

int runRestoreCommand(const std::vector<std::string>& args) {
  BackupRun run;
  run.extension = "bak";
  std::vector<std::string> folders;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      folders.push_back(arg);
    } else if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "--help" || arg == "-h") {
      std::cout << restoreHelpText();
      return kExitClean;
    } else if (arg == "--no-subfolders") {
      run.subfolders = false;
    } else if (arg == "--subfolders") {
      run.subfolders = true;
    } else if (arg == "--delete") {
      run.deleteBackups = true;
    } else {
      std::string error;
      const std::optional<std::string> value = takeValue(args, i, "--extension", error);
      if (!error.empty() || !value) {
        std::cerr << "quillorn-cli restore: " << (error.empty() ? "unknown option '" + arg + "'" : error)
                  << " (see 'quillorn-cli restore --help')\n";
        return kExitUsage;
      }
      run.extension = *value;
    }
  }
  if (folders.size() != 1) {
    std::cerr << "quillorn-cli restore: name exactly one FOLDER (see 'quillorn-cli restore --help')\n";
    return kExitUsage;
  }
  std::error_code ignored;
  if (!std::filesystem::is_directory(folders.front(), ignored)) {
    std::cerr << "quillorn-cli restore: " << folders.front() << ": no such folder\n";
    return kExitUsage;
  }
  run.folder = platform::toPathText(folders.front());
  const BackupOutcome outcome = runBackupRestore(run);
  if (!outcome.ok) {
    std::cerr << "quillorn-cli restore: " << outcome.message << '\n';
    return outcome.busy ? kExitBusy : kExitUsage;
  }
  for (const std::string& path : outcome.leftOutside) {
    std::cout << "Left as it was: \"" << platform::toDisplayUtf8(path)
              << "\": it lies outside the folder given (reached through a folder link that leads out of it)\n";
  }
  std::cout << outcome.message << '\n';
  return outcome.leftOutside.empty() ? kExitClean : kExitNotRewritten;
}

}  // namespace quillorn::cli
