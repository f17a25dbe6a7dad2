#include "cli/fix_command.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>

#include "cli/json_reader.h"
#include "cli/scan_command.h"
#include "cli/scan_options.h"
#include "cli/site_search.h"
#include "cli/unified_diff.h"
#include "core/backup/backup_restorer.h"
#include "core/search/search_pass.h"
#include "core/rewrite/rewriting_pass.h"
#include "core/rewrite/tag_rewriter.h"
#include "core/text/document_buffer.h"
#include "platform/code_page.h"
#include "platform/host_path.h"

namespace quillorn::cli {
namespace {

constexpr int kExitRewriteFailed = 1;

const char* fixHelpText() {
  return R"HELP(Usage: quillorn-cli fix [search options] [policy options] PATH...

Repairs the links of a web site kept on disk. Searches the PATHs exactly as
'quillorn-cli scan' does (same search options), takes every proposed change as
the decision, and rewrites every HTML, style-sheet and script file of the list
in its own encoding. Internet URLs that were not checked (--offline) are left
as they are unless --decisions decides about them. Each file's old version is
kept beside it with ".bak" appended to its name; 'quillorn-cli restore' puts
the old versions back. Prints one line per rewritten file and "Done (x of y
URL(s) processed successfully)". When the search finds nothing, no file is
touched.

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

Decisions and previews:
  --decisions FILE     take the decisions from FILE: the JSON that
                       'quillorn-cli scan --json' printed for the same PATHs and
                       options, with "replacement" texts edited ("" deletes,
                       the url itself keeps, a "???" prefix makes a file:// URL
                       or drive path relative to each page). The site is
                       searched again; if the findings no longer match the
                       file, nothing is written
  --dry-run            write nothing; print a unified diff of what would change
  -h, --help           show this text

Exit status: 0 when the files were rewritten (or previewed), 1 when a file
could not be written ("Step7: Disk writing error!"; that file keeps its old
content), 2 for a usage error, a PATH or decisions file that cannot be read or
that no longer matches, 130 when stopped with Ctrl-C.
)HELP";
}

const char* restoreHelpText() {
  return R"HELP(Usage: quillorn-cli restore [options] FOLDER

Puts back the old versions that 'quillorn-cli fix' kept: every file in FOLDER
(and its subfolders) whose last extension is the backup extension replaces the
file it was made from (index.html.bak becomes index.html again). With
--delete the backups are deleted instead. Prints "N backup file(s) processed
successfully".

Options:
  --extension EXT      the backup extension, without the dot (default: bak)
  --no-subfolders      leave the subfolders alone
  --delete             delete the backups instead of restoring them
  -h, --help           show this text

Exit status: 0 when the folder was processed, 2 for a usage error, a missing
folder or an empty extension.
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
    error = option + " takes " + (allowConvert ? "keep, convert or empty" : "keep, empty or replace") +
            ", not '" + value + "'";
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
    for (const char* name : {"--text-links", "--images", "--backgrounds", "--image-url", "--background-url",
                             "--decisions"}) {
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

// Takes the edited replacements of a decisions file into the table, after
// checking that it describes the same findings. Empty on success, else why not.
std::string applyDecisionsFile(const std::string& path, SiteSearch& site) {
  bool readable = false;
  const std::string text = readWholeFile(path, readable);
  if (!readable) return path + ": cannot be read";
  const JsonParse parsed = parseJson(text);
  if (!parsed.ok) return path + ": not a report of 'quillorn-cli scan --json' (" + parsed.error + ")";
  const JsonValue* files = parsed.value.find("files");
  const JsonValue* entries = parsed.value.find("entries");
  if (files == nullptr || entries == nullptr || files->kind != JsonValue::Kind::Array ||
      entries->kind != JsonValue::Kind::Array) {
    return path + ": not a report of 'quillorn-cli scan --json' (no \"files\" and \"entries\")";
  }
  const std::string stale = "the site has changed since " + path +
                            " was written, or other options were given: scan again and edit the new report";
  if (files->items.size() != site.files.count()) return stale + " (the number of files differs)";
  for (std::size_t i = 0; i < files->items.size(); ++i) {
    const std::string expected = platform::toDisplayUtf8(platform::displayPath(site.files.path(i)));
    if (files->items[i].text != expected) return stale + " (file " + std::to_string(i) + " differs)";
  }
  if (entries->items.size() != site.urls.count()) return stale + " (the number of findings differs)";

  std::vector<std::string> replacements;
  replacements.reserve(entries->items.size());
  for (std::size_t i = 0; i < entries->items.size(); ++i) {
    const JsonValue& item = entries->items[i];
    const UrlEntry& entry = site.urls.entry(i);
    auto number = [&item](const char* name) -> std::optional<std::int64_t> {
      const JsonValue* v = item.find(name);
      if (v == nullptr || v->kind != JsonValue::Kind::Number) return std::nullopt;
      return v->number;
    };
    const JsonValue* url = item.find("url");
    const JsonValue* replacement = item.find("replacement");
    const bool same = url != nullptr && url->kind == JsonValue::Kind::String &&
                      url->text == platform::toDisplayUtf8(entry.url) && number("valuePos") == entry.valuePos &&
                      number("tagPos") == entry.tagPos && number("spanLength") == entry.spanLength &&
                      number("quoteKind") == static_cast<std::int64_t>(entry.quoteKind) &&
                      number("fileIndex") == static_cast<std::int64_t>(entry.fileIndex);
    if (!same) return stale + " (finding " + std::to_string(i) + " differs)";
    if (replacement == nullptr || replacement->kind != JsonValue::Kind::String) {
      return path + ": finding " + std::to_string(i) + " has no \"replacement\" text";
    }
    // An untouched text keeps its exact bytes; an edited one is taken back to
    // the single-byte code page where it can be.
    replacements.push_back(replacement->text == platform::toDisplayUtf8(entry.replacement)
                               ? entry.replacement
                               : platform::fromDisplayUtf8(replacement->text));
  }
  for (std::size_t i = 0; i < replacements.size(); ++i) site.urls.setReplacement(i, std::move(replacements[i]));
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

// What the rewrite would make of every file, as a unified diff; writes nothing.
int previewRewrite(const Settings& settings, SiteSearch& site) {
  const std::vector<std::vector<std::size_t>> byFile = entriesByFile(site.urls, site.files.count());
  for (std::size_t i = 0; i < site.files.count(); ++i) {
    const std::string& path = site.files.path(i);
    if (fileKind(path) == FileKind::Other) continue;
    std::optional<DocumentBuffer> buffer = loadDocument(path);
    if (!buffer || buffer->size() == 0) continue;
    const std::string before(reinterpret_cast<const char*>(buffer->bytes.data()), buffer->size());
    detectEncoding(*buffer);
    StringSink sink;
    rewriteDocument(buffer->view(), site.urls, byFile[i], site.files, settings, static_cast<std::int32_t>(i), sink);
    std::string after = std::move(sink.text);
    std::string shownBefore = before;
    if (buffer->storedBigEndian) {
      // Compare in memory order; the file itself would stay big-endian.
      swapBytePairs(reinterpret_cast<std::uint8_t*>(shownBefore.data()), shownBefore.size());
    }
    if (shownBefore == after) continue;
    const std::string name = platform::toDisplayUtf8(platform::displayPath(path));
    std::cout << unifiedDiff(displayText(shownBefore, buffer->encoding), displayText(after, buffer->encoding),
                             "a" + (name.empty() || name[0] != '/' ? "/" + name : name),
                             "b" + (name.empty() || name[0] != '/' ? "/" + name : name));
  }
  return kExitClean;
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

  SiteSearch site;
  if (const std::optional<int> status = searchSite("fix", options.scan, nullptr, site)) return *status;
  if (site.outcome.state == SearchState::Stopped) {
    std::cout << kStoppedText << '\n';
    return kExitStopped;
  }
  if (!options.decisionsFile) {
    // Internet URLs that nobody tried are no finding: only a decision changes them.
    UrlTable findings = withoutNotChecked(options.scan.settings, site.urls);
    if (const std::size_t left = site.urls.count() - findings.count(); left > 0) {
      std::cerr << "quillorn-cli fix: " << left
                << " Internet URL(s) not checked (the Internet check is off) left as they are\n";
    }
    site.urls = std::move(findings);
  }
  if (site.urls.count() == 0) {
    // The wizard offers no way on to the rewriting when the search found
    // nothing, so no file is touched here either.
    std::cout << site.outcome.statusText << '\n' << "Nothing needs attention: no file was rewritten.\n";
    return kExitClean;
  }
  if (options.decisionsFile) {
    const std::string problem = applyDecisionsFile(*options.decisionsFile, site);
    if (!problem.empty()) {
      std::cerr << "quillorn-cli fix: " << problem << '\n';
      return kExitUsage;
    }
  }
  if (options.dryRun) return previewRewrite(options.scan.settings, site);

  TerminalPanel panel(&std::cout, [&site](std::int64_t index) {
    return platform::displayPath(site.files.path(static_cast<std::size_t>(index)));
  });
  RewritePassContext context{options.scan.settings, site.files, site.urls, panel, askToCancel};
  const RewritePassOutcome outcome = runRewritingPass(context);
  panel.clearBar();
  if (outcome.state == RewriteState::DiskError) {
    std::cerr << "quillorn-cli fix: " << outcome.errorMessage << '\n';
    return kExitRewriteFailed;
  }
  std::cout << outcome.statusText << '\n';
  return outcome.state == RewriteState::Stopped ? kExitStopped : kExitClean;
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
    return kExitUsage;
  }
  std::cout << outcome.message << '\n';
  return kExitClean;
}

}  // namespace quillorn::cli
