#include "cli/scan_report.h"

#include "core/review/decisions.h"
#include "platform/code_page.h"
#include "platform/host_path.h"

namespace quillorn::cli {
namespace {

// How the report names why a URL was not reachable.
std::string_view failureName(platform::InternetFailure failure) {
  using platform::InternetFailure;
  switch (failure) {
    case InternetFailure::None: return "";
    case InternetFailure::NotOpen: return "no connection";
    case InternetFailure::OtherService: return "other service";
    case InternetFailure::NameNotFound: return "name not found";
    case InternetFailure::NoConnection: return "no connection";
    case InternetFailure::TimedOut: return "time-out";
    case InternetFailure::NoAnswer: return "no answer";
    case InternetFailure::NotFound: return "404";
    case InternetFailure::Gone: return "410";
    case InternetFailure::RedirectLoop: return "redirect loop";
    case InternetFailure::TooManyRedirects: return "too many redirects";
    case InternetFailure::Certificate: return "certificate";
    case InternetFailure::FtpRefused: return "ftp refused";
    case InternetFailure::GopherError: return "gopher error";
    case InternetFailure::Stopped: return "stopped";
  }
  return "";
}

}  // namespace

ReportJson filesJson(const FileList& files) {
  ReportJson list = ReportJson::array();
  for (const std::string& path : files.paths()) list.push_back(platform::toDisplayUtf8(platform::displayPath(path)));
  return list;
}

ReportJson entriesJson(const Settings& settings, const UrlTable& urls, const std::vector<std::string>& names,
                       const std::vector<FindingPlace>& places) {
  ReportJson list = ReportJson::array();
  for (std::size_t i = 0; i < urls.count(); ++i) {
    const UrlEntry& entry = urls.entry(i);
    ReportJson item = {
        {"url", platform::toDisplayUtf8(entry.url)},
        {"replacement", platform::toDisplayUtf8(entry.replacement)},
        {"quoteKind", static_cast<std::int64_t>(entry.quoteKind)},
        {"spanLength", entry.spanLength},
        {"valuePos", entry.valuePos},
        {"tagPos", entry.tagPos},
        {"fileIndex", static_cast<std::int64_t>(entry.fileIndex)},
        {"action", urlActionName(decisionOf(entry).action)},
    };
    if (static_cast<std::size_t>(entry.fileIndex) < names.size()) {
      item["file"] = names[static_cast<std::size_t>(entry.fileIndex)];
    }
    if (i < places.size() && places[i].line > 0) {
      item["line"] = places[i].line;
      item["column"] = places[i].column;
    }
    if (notChecked(settings, entry)) item["notChecked"] = true;
    list.push_back(std::move(item));
  }
  return list;
}

ReportJson resultsJson(const ResultsFill& fill, const std::vector<ShownLine>& shown) {
  ReportJson list = ReportJson::array();
  for (std::size_t i = 0; i < fill.lines.size(); ++i) {
    ReportJson item = {
        {"line", platform::toDisplayUtf8(fill.lines[i].text)},
        {"value", platform::toDisplayUtf8(shown[i].decision.value)},
        {"relativePath", shown[i].decision.relativePath},
    };
    if (shown[i].notChecked) item["notChecked"] = true;
    list.push_back(std::move(item));
  }
  return list;
}

ReportJson internetChecksJson(const InternetSession& internet) {
  ReportJson list = ReportJson::array();
  for (const CheckedUrl& checked : internet.checkedUrls()) {
    ReportJson item = {
        {"url", platform::toDisplayUtf8(checked.url)},
        {"occurrences", static_cast<std::int64_t>(checked.occurrences)},
        {"reachable", checked.outcome.reachable},
    };
    if (checked.outcome.status != 0) item["status"] = checked.outcome.status;
    if (!checked.outcome.reachable) item["reason"] = failureName(checked.outcome.failure);
    if (unverified(checked)) item["unverified"] = true;
    list.push_back(std::move(item));
  }
  return list;
}

ReportJson scanReport(Repair& repair, const SearchOutcome& outcome, const std::vector<std::string>& statusLines,
                      const std::vector<std::string>& notCheckedList, const std::vector<std::string>& names,
                      const std::vector<FindingPlace>& places) {
  const Settings& settings = repair.settings();
  ReportJson status = ReportJson::array();
  for (const std::string& line : statusLines) status.push_back(platform::toDisplayUtf8(line));
  ReportJson notCheckedJson = ReportJson::array();
  for (const std::string& line : notCheckedList) notCheckedJson.push_back(platform::toDisplayUtf8(line));
  ReportJson unverifiedJson = ReportJson::array();
  for (const std::string& line : unverifiedLines(repair.internet()))
    unverifiedJson.push_back(platform::toDisplayUtf8(line));
  // Every line of the results page, not-checked Internet URLs included: a
  // decisions file for `fix` is this report with some of them edited.
  const ResultsFill fill = repair.group(false, false, [] { return false; });
  const std::vector<ShownLine> shown = shownLines(settings, repair.urls(), fill.lines.size());
  return {
      {"files", filesJson(repair.files())},
      {"status", std::move(status)},
      {"summary", outcome.statusText},
      {"droppedFindings", static_cast<std::int64_t>(outcome.droppedFindings)},
      {"entries", entriesJson(settings, repair.urls(), names, places)},
      {"results", resultsJson(fill, shown)},
      {"notChecked", std::move(notCheckedJson)},
      {"internetChecks", internetChecksJson(repair.internet())},
      {"unverified", std::move(unverifiedJson)},
  };
}

std::string printedJson(const ReportJson& report) {
  return report.dump(2, ' ', false, ReportJson::error_handler_t::replace) + '\n';
}

nlohmann::json asPrinted(const ReportJson& part) { return nlohmann::json::parse(printedJson(part)); }

}  // namespace quillorn::cli
