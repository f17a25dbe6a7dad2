#include "cli/scan_options.h"

#include <array>
#include <iterator>

#include "platform/code_page.h"

namespace quillorn::cli {
namespace {

constexpr std::size_t kHelpColumn = 28;

// A search option and, for a switch, the setting it sets.
struct SearchOption {
  OptionRow row;
  bool Settings::*field = nullptr;
};

// Named after the wizard's search options, in the order of the help text.
constexpr SearchOption kSearchOptions[] = {
    {{"--saved-from-url", OptionKind::Pair, "",
      "use the \"saved from url\" comment that browsers put\n"
      "into saved pages, so links to the page's original\n"
      "address can point at the local copy (on)"},
     &Settings::useSavedFromUrl},
    {{"--find-replacements", OptionKind::Pair, "",
      "propose a file of the same name elsewhere in the\n"
      "site for a link that names no listed file: of\n"
      "several, the one whose folders end as the link's\n"
      "do, then the one nearest the page; for Internet\n"
      "URLs only on the site's own servers (--site-url)\n"
      "(on)"},
     &Settings::findReplacements},
    {{"--script-protocol-strings", OptionKind::Pair, "",
      "treat strings in scripts that begin with http://,\n"
      "https://, ftp://, gopher:// or file:// as links\n"
      "(on)"},
     &Settings::scriptProtocolStrings},
    {{"--script-tag-strings", OptionKind::Pair, "",
      "treat tags written inside script strings as real\n"
      "tags (off)"},
     &Settings::scriptTagStrings},
    {{"--check-internet", OptionKind::Pair, "",
      "try to reach http, https, ftp and gopher addresses\n"
      "(and //host/ ones, as https) before reporting them\n"
      "(on; --offline turns it off: they are then listed\n"
      "apart as not checked). A server's 404 or 410\n"
      "answer, after up to 10 redirects, is a broken\n"
      "link; other errors (401, 403, 429, 5xx ...) count\n"
      "as reachable and are listed apart as UNVERIFIED"},
     &Settings::checkInternetUrls},
    {{"--check-anchors", OptionKind::Pair, "",
      "judge a link to a part of a listed page\n"
      "(page.html#part, #part) by that page's anchors\n"
      "(the id of an element, the name of an <a>): one\n"
      "that names none is a finding, proposed the one\n"
      "anchor that differs only in letter case and in\n"
      "-, _ and blanks. # and #top need none (off)"},
     &Settings::checkAnchors},
    {{"--match-case", OptionKind::Pair, "",
      "a local link must name its file in the file's own\n"
      "letter case, as Linux and most web servers match\n"
      "names: About.HTML for about.html is a finding,\n"
      "proposed the exact spelling (on; --ignore-case\n"
      "matches names as Windows does)"},
     &Settings::matchCase},
    {{"--internet-connections", OptionKind::Number, "N",
      "how many Internet requests may be under way at\n"
      "one time, at most 6 of them to one server (64; 1\n"
      "checks one URL after another); each distinct\n"
      "request is made once per search",
      1, kMaxInternetConnections}},
    {{"--jobs", OptionKind::Number, "N",
      "read and search N files at a time, on N threads\n"
      "(one per core; 1 searches one file after another).\n"
      "The findings, their order and the lines shown are\n"
      "the same for any N. A search that checks Internet\n"
      "URLs reads the files on one thread",
      1, kMaxSearchThreads}},
    {{"--ignore-script-links", OptionKind::Pair, "",
      "leave javascript:, vbscript: and about: links alone\n"
      "(on)"},
     &Settings::ignoreScriptLinks},
    {{"--relative-paths", OptionKind::Pair, "",
      "prefer relative links: propose relative forms for\n"
      "absolute file:// links to listed files (on; off\n"
      "proposes absolute file:// links instead)"},
     &Settings::useRelativePaths},
    {{"--http-prefix", OptionKind::Pair, "",
      "propose \"http://\" for addresses that begin with\n"
      "\"www.\" (on)"},
     &Settings::addHttpPrefix},
    {{"--mailto-prefix", OptionKind::Pair, "", "propose \"mailto:\" for bare e-mail addresses (on)"},
     &Settings::addMailtoPrefix},
    {{"--decode-urls", OptionKind::Pair, "",
      "decode %xx escapes and character entities in URLs\n"
      "before judging them (on)"},
     &Settings::convertCodedChars},
    {{"--site-url", OptionKind::List, "URL",
      "an address the site is published at, such as\n"
      "https://example.org/docs/ for the first folder\n"
      "PATH (may be given more than once). A link to a\n"
      "page under it that is not confirmed reachable is\n"
      "proposed the file it names in the site; servers of\n"
      "the pages' <link rel=\"canonical\"> and \"saved from\n"
      "url\" addresses count as the site's too. A broken\n"
      "link to any other server gets no same-name proposal"}},
    {{"--subfolders", OptionKind::Pair, "", "add the subfolders of a folder PATH too (on)"},
     &Settings::includeSubfolders},
    {{"--offline", OptionKind::Alias, "--no-check-internet", "the same as --no-check-internet"}},
    {{"--ignore-case", OptionKind::Alias, "--no-match-case", "the same as --no-match-case"}},
};

constexpr auto kSearchRows = [] {
  std::array<OptionRow, std::size(kSearchOptions)> rows{};
  for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = kSearchOptions[i].row;
  return rows;
}();

constexpr OptionRow kOutputOptions[] = {
    {"--format", OptionKind::Choice, "text|json|sarif|junit|markdown|html",
     "the report's form: text (the default: the summary,\n"
     "one line per group of findings with the proposed\n"
     "change and, under it, the file:line:column of each\n"
     "occurrence), json (see --json), sarif (SARIF\n"
     "2.1.0 for code-scanning services: one result per\n"
     "occurrence), junit (JUnit XML: one test case per\n"
     "page searched, failed by its findings), markdown\n"
     "(the findings page by page, for a pull request) or\n"
     "html (one self-contained page: the findings by page\n"
     "and by URL, each occurrence's line with the link\n"
     "marked, the proposal beside it). Lines are counted\n"
     "from 1, columns in characters from 1"},
    {"--output", OptionKind::Value, "FILE",
     "write the report to FILE (replaced whole, never a\n"
     "file of the site) and keep the progress lines and\n"
     "the summary on standard output"},
    {"--json", OptionKind::Switch, "",
     "the same as --format json: one JSON object: files,\n"
     "status, summary, droppedFindings, entries (the\n"
     "findings with their positions, file, line and\n"
     "column and proposed replacements; Internet URLs\n"
     "not checked are marked \"notChecked\"), results (each\n"
     "line with the value and relativePath that fix\n"
     "--decisions reads), notChecked (their lines),\n"
     "internetChecks (every URL checked, with\n"
     "reachable, status and reason), unverified (the\n"
     "UNVERIFIED lines) and notices"},
};

constexpr OptionRow kHelpOptions[] = {
    {"-h", OptionKind::Alias, "--help", ""},
    {"--help", OptionKind::Switch, "", "show this text"},
};

}  // namespace

std::span<const OptionRow> helpOptions() { return kHelpOptions; }

std::optional<ReportFormat> reportFormatNamed(std::string_view word) {
  if (word == "text") return ReportFormat::Text;
  if (word == "json") return ReportFormat::Json;
  if (word == "sarif") return ReportFormat::Sarif;
  if (word == "junit") return ReportFormat::Junit;
  if (word == "markdown") return ReportFormat::Markdown;
  if (word == "html") return ReportFormat::Html;
  return std::nullopt;
}

ParseResult parseSearchOptions(const std::vector<std::string>& args, OptionTables added) {
  ParseResult result;
  added.insert(added.begin(), {kSearchRows, kOutputOptions, kHelpOptions});
  result.values = parseOptions(added, args);
  const ParsedOptions& values = result.values;
  ScanOptions& options = result.options;
  for (const SearchOption& option : kSearchOptions) {
    if (option.field != nullptr) {
      options.settings.*option.field = values.on(option.row.name, options.settings.*option.field);
    }
  }
  if (const std::optional<std::uint32_t> connections = values.number("--internet-connections")) {
    options.settings.internetConnections = *connections;
  }
  if (const std::optional<std::uint32_t> jobs = values.number("--jobs")) options.settings.searchThreads = *jobs;
  for (const std::string& url : values.values("--site-url")) {
    options.settings.siteAddresses.push_back(platform::fromDisplayUtf8(url));
  }
  options.format = values.on("--json") ? ReportFormat::Json : ReportFormat::Text;
  const std::optional<std::string>& word = values.value("--format");
  if (const std::optional<ReportFormat> format = word ? reportFormatNamed(*word) : std::nullopt) {
    options.format = *format;
    if (values.on("--json") && options.format != ReportFormat::Json) {
      result.error = "--json and --format " + *word + " ask for two forms: give one";
    }
  }
  options.output = values.value("--output");
  if (options.output && options.output->empty()) result.error = "--output takes a file name";
  options.help = values.on("--help");
  options.paths = values.operands;
  if (!values.error.empty()) result.error = values.error;
  if (result.error.empty() && !options.help && options.paths.empty()) {
    result.error = "no PATH given: name the site's folder or files to scan";
  }
  result.ok = result.error.empty();
  return result;
}

ParseResult parseScanOptions(const std::vector<std::string>& args) { return parseSearchOptions(args, {}); }

std::string scanHelpText() {
  return R"HELP(Usage: quillorn-cli scan [options] PATH...

Finds the broken and questionable links of a web site kept on disk. Each PATH
is added to the file list: a folder with all its files (and its subfolders
unless --no-subfolders), a file on its own; named pipes, sockets, devices and
links that lead to no file are left out, each named in the progress lines.
Every HTML, style-sheet and script file of the list is searched, except one of
more than 256 MiB, which is named instead; a local link is good when the file
it names is in the list.
Prints the progress lines, the summary, one line that counts the files searched,
the findings and the files with findings, and one line per group of findings
with the proposed change and the file:line:column of each occurrence under it
(or the report that --format names).

Search options (each switch has a --no- form; the default is shown):
)HELP" + optionHelp({kSearchRows}, kHelpColumn) +
         "\nOutput:\n" + optionHelp({kOutputOptions, kHelpOptions}, kHelpColumn) + R"HELP(
Exit status: 0 when nothing needs attention, 1 when findings were recorded
(Internet URLs not checked or unverified are none), 2 for a usage error or a PATH that does
not exist or cannot be read, 4 when the result is incomplete or weakened (more
findings than the list holds, a file of the list that could not be searched,
or not one Internet URL reached its server: the network is likely down; each
is said once at the end, on standard error, and under "notices" in the JSON
report), 130 when the search was stopped with
Ctrl-C (the findings so far are still printed).
)HELP";
}

}  // namespace quillorn::cli
