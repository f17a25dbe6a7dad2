#include "cli/scan_command.h"

#include <iostream>

#include "cli/scan_options.h"
#include "cli/scan_report.h"
#include "cli/site_search.h"
#include "cli/terminal_text.h"
#include "core/review/results.h"
#include "core/search/search_pass.h"
#include "platform/code_page.h"

namespace quillorn::cli {

int runScanCommand(const std::vector<std::string>& args) {
  const ParseResult parsed = parseScanOptions(args);
  if (parsed.options.help) {
    std::cout << scanHelpText();
    return kExitClean;
  }
  if (!parsed.ok) {
    std::cerr << "quillorn-cli scan: " << terminalText(parsed.error) << " (see 'quillorn-cli scan --help')\n";
    return kExitUsage;
  }
  const ScanOptions& options = parsed.options;
  SiteSearch site;
  if (const std::optional<int> status = searchSite("scan", options, options.json ? nullptr : &std::cout, site)) {
    return *status;
  }
  const SearchOutcome& outcome = site.outcome;
  UrlTable& urls = site.urls;

  // Internet URLs that nobody tried are listed apart and are no finding.
  const Settings& settings = options.settings;
  UrlTable findings = withoutNotChecked(settings, urls);
  const std::vector<std::string> notCheckedList = notCheckedLines(settings, urls);
  if (options.json) {
    std::cout << printedJson(scanReport(settings, site, notCheckedList));
  } else {
    const ResultsFill results = fillResults(findings, false, false, [] { return false; });
    std::cout << outcome.statusText << '\n';
    for (const ResultLine& line : results.lines) std::cout << terminalText(platform::toDisplayUtf8(line.text)) << '\n';
    for (const std::string& line : notCheckedList) std::cout << terminalText(platform::toDisplayUtf8(line)) << '\n';
    for (const std::string& line : unverifiedLines(site.internet)) {
      std::cout << terminalText(platform::toDisplayUtf8(line)) << '\n';
    }
  }
  std::cout.flush();

  if (outcome.state == SearchState::Stopped) return kExitStopped;
  return findings.count() > 0 ? kExitFindings : kExitClean;
}

}  // namespace quillorn::cli
