#include "cli/scan_command.h"

#include <iostream>

#include "cli/json_writer.h"
#include "cli/scan_options.h"
#include "cli/site_search.h"
#include "cli/terminal_panel.h"
#include "core/files/file_list.h"
#include "core/review/decisions.h"
#include "core/review/results.h"
#include "core/search/search_pass.h"
#include "platform/code_page.h"
#include "platform/host_path.h"

namespace quillorn::cli {
namespace {

void writeJson(std::ostream& out, const Settings& settings, const FileList& files, const TerminalPanel& panel,
               const SearchOutcome& outcome, UrlTable& urls, const std::vector<std::string>& notCheckedList) {
  JsonWriter json(out);
  json.beginObject();
  json.key("files");
  json.beginArray();
  for (const std::string& path : files.paths()) json.value(platform::toDisplayUtf8(platform::displayPath(path)));
  json.endArray();
  json.key("status");
  json.beginArray();
  for (const std::string& line : panel.lines()) json.value(platform::toDisplayUtf8(line));
  json.endArray();
  json.key("summary");
  json.value(outcome.statusText);
  json.key("droppedFindings");
  json.value(static_cast<std::int64_t>(outcome.droppedFindings));
  json.key("entries");
  json.beginArray();
  for (const UrlEntry& entry : urls.entries()) {
    json.beginObject();
    json.key("url");
    json.value(platform::toDisplayUtf8(entry.url));
    json.key("replacement");
    json.value(platform::toDisplayUtf8(entry.replacement));
    json.key("quoteKind");
    json.value(static_cast<std::int64_t>(entry.quoteKind));
    json.key("spanLength");
    json.value(entry.spanLength);
    json.key("valuePos");
    json.value(entry.valuePos);
    json.key("tagPos");
    json.value(entry.tagPos);
    json.key("fileIndex");
    json.value(static_cast<std::int64_t>(entry.fileIndex));
    json.key("action");
    json.value(urlActionName(urlAction(entry)));
    if (notChecked(settings, entry)) {
      json.key("notChecked");
      json.boolean(true);
    }
    json.endObject();
  }
  json.endArray();
  // Every line of the results page (not-checked Internet URLs included), with
  // what its edit box holds and whether "Use relative path" is checked when it
  // is selected. A decisions file for `fix` is this report with those two edited.
  json.key("results");
  json.beginArray();
  const ResultsFill results = fillResults(urls, false, false, [] { return false; });
  const std::vector<ShownLine> shown = shownLines(settings, urls, results.lines.size());
  for (std::size_t i = 0; i < results.lines.size(); ++i) {
    json.beginObject();
    json.key("line");
    json.value(platform::toDisplayUtf8(results.lines[i].text));
    json.key("value");
    json.value(platform::toDisplayUtf8(shown[i].decision.value));
    json.key("relativePath");
    json.boolean(shown[i].decision.relativePath);
    if (shown[i].notChecked) {
      json.key("notChecked");
      json.boolean(true);
    }
    json.endObject();
  }
  json.endArray();
  json.key("notChecked");
  json.beginArray();
  for (const std::string& line : notCheckedList) json.value(platform::toDisplayUtf8(line));
  json.endArray();
  json.endObject();
}

}  // namespace

int runScanCommand(const std::vector<std::string>& args) {
  const ParseResult parsed = parseScanOptions(args);
  if (parsed.options.help) {
    std::cout << scanHelpText();
    return kExitClean;
  }
  if (!parsed.ok) {
    std::cerr << "quillorn-cli scan: " << parsed.error << " (see 'quillorn-cli scan --help')\n";
    return kExitUsage;
  }
  const ScanOptions& options = parsed.options;
  SiteSearch site;
  if (const std::optional<int> status = searchSite("scan", options, options.json ? nullptr : &std::cout, site)) {
    return *status;
  }
  const SearchOutcome& outcome = site.outcome;
  const FileList& files = site.files;
  UrlTable& urls = site.urls;
  const TerminalPanel& panel = *site.panel;

  // Internet URLs that nobody tried are listed apart and are no finding.
  const Settings& settings = options.settings;
  UrlTable findings = withoutNotChecked(settings, urls);
  const std::vector<std::string> notCheckedList = notCheckedLines(settings, urls);
  if (options.json) {
    writeJson(std::cout, settings, files, panel, outcome, urls, notCheckedList);
  } else {
    const ResultsFill results = fillResults(findings, false, false, [] { return false; });
    std::cout << outcome.statusText << '\n';
    for (const ResultLine& line : results.lines) std::cout << platform::toDisplayUtf8(line.text) << '\n';
    for (const std::string& line : notCheckedList) std::cout << platform::toDisplayUtf8(line) << '\n';
  }
  std::cout.flush();

  if (outcome.state == SearchState::Stopped) return kExitStopped;
  return findings.count() > 0 ? kExitFindings : kExitClean;
}

}  // namespace quillorn::cli
