#include "cli/scan_options.h"

#include <CLI/CLI.hpp>
#include <array>
#include <charconv>
#include <cstdint>
#include <string_view>

namespace quillorn::cli {
namespace {

struct Switch {
  std::string_view name;
  bool Settings::*field;
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

// Whether `name` (with its dashes) names an option of `app` that takes a value.
bool takesValue(const CLI::App& app, const std::string& name) {
  const CLI::Option* option = app.get_option_no_throw(name);
  return option != nullptr && option->get_type_size_min() > 0;
}

}  // namespace

std::string parseArguments(CLI::App& app, std::vector<std::string> args) {
  std::size_t optionsEnd = args.size();
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--") {
      optionsEnd = i;
      break;
    }
    // CLI11 takes the next argument as the value of "--name=": the value is empty.
    const std::string& arg = args[i];
    if (arg.size() > 3 && arg.starts_with("--") && arg.back() == '=' &&
        takesValue(app, arg.substr(0, arg.size() - 1))) {
      args[i].pop_back();
      args.insert(args.begin() + static_cast<std::ptrdiff_t>(i) + 1, std::string());
      ++i;
      ++optionsEnd;
    }
  }
  std::vector<std::string> reversed(args.rbegin(), args.rend());  // CLI11 takes them from the back
  try {
    app.parse(reversed);
  } catch (const CLI::ArgumentMismatch& error) {
    // CLI11 words its two mismatches without the argument as it was typed: a
    // value missing at the end, or a value given to a switch.
    if (optionsEnd > 0 && takesValue(app, args[optionsEnd - 1])) return args[optionsEnd - 1] + " needs a value";
    for (std::size_t i = 0; i < optionsEnd; ++i) {
      const std::string name = args[i].substr(0, args[i].find('='));
      if (name.size() < args[i].size() && name.starts_with("--") && app.get_option_no_throw(name) != nullptr &&
          !takesValue(app, name)) {
        return name + " takes no value: '" + args[i] + "'";
      }
    }
    return error.what();
  } catch (const CLI::ParseError& error) {
    return error.what();
  }
  for (const std::string& extra : app.remaining()) {
    if (extra != "--") return "unknown option '" + extra + "'";
  }
  return {};
}

ParseResult parseSearchOptions(const std::vector<std::string>& args, const std::function<void(CLI::App&)>& addOptions) {
  ParseResult result;
  ScanOptions& options = result.options;
  CLI::App app;
  app.set_help_flag();  // the commands print their own help
  app.allow_extras();   // collected, to be named as unknown options
  // Each pair is one option, so the later of --X and --no-X wins.
  std::array<bool, std::size(kSwitches)> on{};
  for (std::size_t i = 0; i < on.size(); ++i) {
    const Switch& s = kSwitches[i];
    on[i] = options.settings.*s.field;
    std::string names = "--" + std::string(s.name) + ",!--no-" + std::string(s.name);
    if (s.field == &Settings::checkInternetUrls) names += ",!--offline";
    app.add_flag(names, on[i])->disable_flag_override();
  }
  std::string connections;
  const CLI::Option* connectionsOption = app.add_option("--internet-connections", connections);
  app.add_flag("--json", options.json)->disable_flag_override();
  app.add_flag("-h,--help", options.help)->disable_flag_override();
  app.add_option("PATH", options.paths);
  if (addOptions) addOptions(app);

  result.error = parseArguments(app, args);
  if (!result.error.empty()) {
    result.ok = false;
    return result;
  }
  for (std::size_t i = 0; i < on.size(); ++i) options.settings.*kSwitches[i].field = on[i];
  if (connectionsOption->count() > 0) {
    unsigned count = 0;
    const auto [end, error] = std::from_chars(connections.data(), connections.data() + connections.size(), count);
    if (error != std::errc() || end != connections.data() + connections.size() || count < 1 ||
        count > kMaxInternetConnections) {
      result.ok = false;
      result.error = "--internet-connections takes a number from 1 to " + std::to_string(kMaxInternetConnections) +
                     ": '" + connections + "'";
      return result;
    }
    options.settings.internetConnections = count;
  }
  if (!options.help && options.paths.empty()) {
    result.ok = false;
    result.error = "no PATH given: name the site's folder or files to scan";
  }
  return result;
}

ParseResult parseScanOptions(const std::vector<std::string>& args) { return parseSearchOptions(args, {}); }

const char* scanHelpText() {
  return R"HELP(Usage: quillorn-cli scan [options] PATH...

Finds the broken and questionable links of a web site kept on disk. Each PATH
is added to the file list: a folder with all its files (and its subfolders
unless --no-subfolders), a file on its own. Every HTML, style-sheet and script
file of the list is searched; a local link is good when the file it names is
in the list. Prints the progress lines, the summary and one line per group of
findings with the proposed change.

Search options (each switch has a --no- form; the default is shown):
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
                            apart as not checked). A server's 404 or 410
                            answer, after up to 10 redirects, is a broken
                            link; other errors (401, 403, 429, 5xx ...) count
                            as reachable and are listed apart as UNVERIFIED
  --internet-connections N  how many Internet requests may be under way at
                            one time, at most 6 of them to one server (64; 1
                            checks one URL after another); each distinct
                            request is made once per search
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
                            --decisions reads), notChecked (their lines),
                            internetChecks (every URL checked, with
                            reachable, status and reason) and unverified
                            (the UNVERIFIED lines)
  -h, --help                show this text

Exit status: 0 when nothing needs attention, 1 when findings were recorded
(Internet URLs not checked or unverified are none), 2 for a usage error or a PATH that does
not exist or cannot be read, 130 when the search was stopped with Ctrl-C (the
findings so far are still printed).
)HELP";
}

}  // namespace quillorn::cli
