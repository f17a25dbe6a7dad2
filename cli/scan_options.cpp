#include "cli/scan_options.h"

#include <cstdint>
#include <string_view>

namespace quillorn::cli {
namespace {

struct Switch {
  std::string_view name;
  std::uint32_t Settings::*field;
};

// Named after the wizard's search options, in the order of the help text.
constexpr Switch kSwitches[] = {
    {"saved-from-url", &Settings::useSavedFromUrl},
    {"find-replacements", &Settings::findReplacements},
    {"script-protocol-strings", &Settings::scriptProtocolStrings},
    {"script-tag-strings", &Settings::scriptTagStrings},
    {"check-internet", &Settings::checkInternetUrls},
    {"ignore-script-links", &Settings::ignoreScriptLinks},
    {"relative-paths", &Settings::useRelativePaths},
    {"http-prefix", &Settings::addHttpPrefix},
    {"mailto-prefix", &Settings::addMailtoPrefix},
    {"decode-urls", &Settings::convertCodedChars},
    {"subfolders", &Settings::includeSubfolders},
};

}  // namespace

ParseResult parseScanOptions(const std::vector<std::string>& args) {
  ParseResult result;
  bool optionsEnded = false;
  for (const std::string& arg : args) {
    if (optionsEnded || arg.size() < 2 || arg.compare(0, 1, "-") != 0) {
      result.options.paths.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (arg == "--help" || arg == "-h") {
      result.options.help = true;
      continue;
    }
    if (arg == "--json") {
      result.options.json = true;
      continue;
    }
    if (arg == "--offline") {
      result.options.settings.checkInternetUrls = 0;
      continue;
    }
    // "--NAME" turns a search option on, "--no-NAME" off.
    const std::string_view text = arg;
    const bool off = text.substr(0, 5) == "--no-";
    const std::string_view name = text.substr(off ? 5 : 2);
    bool known = false;
    for (const Switch& s : kSwitches) {
      if (text.substr(0, 2) == "--" && name == s.name) {
        result.options.settings.*s.field = off ? 0 : 1;
        known = true;
        break;
      }
    }
    if (!known) {
      result.ok = false;
      result.error = "unknown option '" + arg + "'";
      return result;
    }
  }
  if (!result.options.help && result.options.paths.empty()) {
    result.ok = false;
    result.error = "no PATH given: name the site's folder or files to scan";
  }
  return result;
}

const char* scanHelpText() {
  return R"HELP(Usage: quillorn-cli scan [options] PATH...

Finds the broken and questionable links of a web site kept on disk. Each PATH
is added to the file list: a folder with all its files (and its subfolders
unless --no-subfolders), a file on its own. Every HTML, style-sheet and script
file of the list is searched; a local link is good when the file it names is
in the list. Prints the progress lines, the summary and one line per group of
findings with the proposed change.

Search options (each has a --no- form; the default is shown):
  --saved-from-url          use the "saved from url" comment that browsers put
                            into saved pages, so links to the page's original
                            address can point at the local copy (on)
  --find-replacements       propose a file of the same name elsewhere in the
                            site for a link that names no listed file (on)
  --script-protocol-strings treat strings in scripts that begin with http://,
                            https://, ftp://, gopher:// or file:// as links
                            (on)
  --script-tag-strings      treat tags written inside script strings as real
                            tags (off)
  --check-internet          try to reach http, https, ftp and gopher addresses
                            (and //host/ ones, as https) before reporting them
                            (on; --offline turns it off: they are then listed
                            apart as not checked)
  --ignore-script-links     leave javascript:, vbscript: and about: links alone
                            (on)
  --relative-paths          prefer relative links: propose relative forms for
                            absolute file:// links to listed files (on; off
                            proposes absolute file:// links instead)
  --http-prefix             propose "http://" for addresses that begin with
                            "www." (on)
  --mailto-prefix           propose "mailto:" for bare e-mail addresses (on)
  --decode-urls             decode %xx escapes and character entities in URLs
                            before judging them (on)
  --subfolders              add the subfolders of a folder PATH too (on)
  --offline                 the same as --no-check-internet

Output:
  --json                    print one JSON object instead of lines: files,
                            status, summary, entries (the findings with their
                            positions and proposed replacements; Internet URLs
                            not checked are marked "notChecked"), results (each
                            line with the value and relativePath that fix
                            --decisions reads) and notChecked (their lines)
  -h, --help                show this text

Exit status: 0 when nothing needs attention, 1 when findings were recorded
(Internet URLs not checked are none), 2 for a usage error or a PATH that does
not exist or cannot be read, 130 when the search was stopped with Ctrl-C (the
findings so far are still printed).
)HELP";
}

}  // namespace quillorn::cli
