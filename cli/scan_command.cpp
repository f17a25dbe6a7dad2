#include "cli/scan_command.h"

#include <iostream>

#include "cli/run_summary.h"
#include "cli/scan_options.h"
#include "cli/scan_report.h"
#include "cli/site_search.h"
#include "cli/terminal_text.h"
#include "core/review/results.h"
#include "core/search/search_pass.h"
#include "platform/code_page.h"
#include "platform/host_path.h"

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
  Repair repair;
  prepareRepair(options, repair);
  if (const Outcome<Done, ExitStatus> collected = collectSite("scan", options, repair); !collected.ok()) {
    return collected.error().code;
  }
  TerminalPanel panel(options.json ? nullptr : &std::cout, [&repair](std::int64_t index) {
    return platform::displayPath(repair.files().path(static_cast<std::size_t>(index)));
  });
  const Outcome<SearchOutcome, ExitStatus> searched = searchSite("scan", repair, panel, options.json);
  if (!searched.ok()) return searched.error().code;
  const SearchOutcome& outcome = searched.value();
  // Internet URLs that nobody tried are listed apart and are no finding.
  const Settings& settings = repair.settings();
  UrlTable findings = withoutNotChecked(settings, repair.urls());
  const std::vector<std::string> notCheckedList = notCheckedLines(settings, repair.urls());
  const std::vector<EndNotice> notices = endNotices(repair, outcome);
  if (options.json) {
    ReportJson report = scanReport(repair, outcome, panel.lines(), notCheckedList);
    ReportJson noticesJson = ReportJson::array();
    for (const EndNotice& notice : notices) {
      noticesJson.push_back({{"kind", notice.kind}, {"count", notice.count}, {"text", notice.text}});
    }
    report["notices"] = std::move(noticesJson);
    std::cout << printedJson(report);
  } else {
    const ResultsFill results = fillResults(findings, false, false, [] { return false; });
    std::cout << outcome.statusText << '\n';
    std::cout << scanSummaryLine(repair, findings) << '\n';
    for (const ResultLine& line : results.lines) std::cout << terminalText(platform::toDisplayUtf8(line.text)) << '\n';
    for (const std::string& line : notCheckedList) std::cout << terminalText(platform::toDisplayUtf8(line)) << '\n';
    for (const std::string& line : unverifiedLines(repair.internet())) {
      std::cout << terminalText(platform::toDisplayUtf8(line)) << '\n';
    }
  }
  std::cout.flush();
  // Last, so that they are not lost above a long report.
  for (const EndNotice& notice : notices) std::cerr << "quillorn-cli scan: " << notice.text << '\n';

  if (outcome.end == PassEnd::Stopped) return kExitStopped;
  if (!notices.empty()) return kExitIncomplete;
  return findings.count() > 0 ? kExitFindings : kExitClean;
}

}  // namespace quillorn::cli
