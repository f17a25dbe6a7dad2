#include "cli/scan_report.h"

#include <ostream>
#include <string_view>

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

ReportJson entryJson(const Settings& settings, const UrlTable& urls, std::size_t i,
                     const std::vector<std::string>& names, const std::vector<FindingPlace>& places) {
  const UrlEntry& entry = urls.entry(i);
  ReportJson item = ReportJson::object();
  item["url"] = platform::toDisplayUtf8(entry.url);
  item["replacement"] = platform::toDisplayUtf8(entry.replacement);
  item["quoteKind"] = static_cast<std::int64_t>(entry.quoteKind);
  item["spanLength"] = entry.spanLength;
  item["valuePos"] = entry.valuePos;
  item["tagPos"] = entry.tagPos;
  item["fileIndex"] = static_cast<std::int64_t>(entry.fileIndex);
  item["action"] = urlActionName(decisionOf(entry).action);
  if (static_cast<std::size_t>(entry.fileIndex) < names.size()) {
    item["file"] = names[static_cast<std::size_t>(entry.fileIndex)];
  }
  if (i < places.size() && places[i].line > 0) {
    item["line"] = places[i].line;
    item["column"] = places[i].column;
  }
  if (notChecked(settings, entry)) item["notChecked"] = true;
  return item;
}

ReportJson resultJson(const ResultsFill& fill, const std::vector<ShownLine>& shown, std::size_t i) {
  ReportJson item = ReportJson::object();
  item["line"] = platform::toDisplayUtf8(fill.lines[i].text);
  item["value"] = platform::toDisplayUtf8(shown[i].decision.value);
  item["relativePath"] = shown[i].decision.relativePath;
  if (shown[i].notChecked) item["notChecked"] = true;
  return item;
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
  for (std::size_t i = 0; i < urls.count(); ++i) list.push_back(entryJson(settings, urls, i, names, places));
  return list;
}

ReportJson resultsJson(const ResultsFill& fill, const std::vector<ShownLine>& shown) {
  ReportJson list = ReportJson::array();
  for (std::size_t i = 0; i < fill.lines.size(); ++i) list.push_back(resultJson(fill, shown, i));
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

namespace {

constexpr int kIndent = 2;

std::string dumped(const ReportJson& value) {
  return value.dump(kIndent, ' ', false, ReportJson::error_handler_t::replace);
}

// A JSON object written member by member, and an array member element by
// element, in the very bytes printedJson gives for the object whole.
class StreamedObject {
 public:
  explicit StreamedObject(std::ostream& out) : out_(out) { out_ << '{'; }

  void member(std::string_view key, const ReportJson& value) {
    open(key);
    writeIndented(dumped(value), kIndent);
  }

  // An array of `count` elements, element i made by item(i).
  template <typename Item>
  void array(std::string_view key, std::size_t count, Item item) {
    open(key);
    if (count == 0) {
      out_ << "[]";
      return;
    }
    out_ << "[\n";
    for (std::size_t i = 0; i < count; ++i) {
      if (i > 0) out_ << ",\n";
      out_ << std::string(2 * kIndent, ' ');
      writeIndented(dumped(item(i)), 2 * kIndent);
    }
    out_ << '\n' << std::string(kIndent, ' ') << ']';
  }

  void close() { out_ << (empty_ ? "}\n" : "\n}\n"); }

 private:
  void open(std::string_view key) {
    out_ << (empty_ ? "\n" : ",\n") << std::string(kIndent, ' ') << dumped(ReportJson(key)) << ": ";
    empty_ = false;
  }
  // `text`, its lines after the first indented by `indent` more.
  void writeIndented(std::string_view text, int indent) {
    const std::string margin = '\n' + std::string(static_cast<std::size_t>(indent), ' ');
    for (std::size_t start = 0;;) {
      const std::size_t end = text.find('\n', start);
      out_ << text.substr(start, end - start);
      if (end == std::string_view::npos) break;
      out_ << margin;
      start = end + 1;
    }
  }

  std::ostream& out_;
  bool empty_ = true;
};

// The lines as UTF-8 strings.
ReportJson linesJson(const std::vector<std::string>& lines) {
  ReportJson list = ReportJson::array();
  for (const std::string& line : lines) list.push_back(platform::toDisplayUtf8(line));
  return list;
}

}  // namespace

void writeScanReport(std::ostream& out, Repair& repair, const SearchOutcome& outcome,
                     const std::vector<std::string>& statusLines, const std::vector<std::string>& notCheckedList,
                     const std::vector<std::string>& names, const std::vector<FindingPlace>& places,
                     const ReportJson& notices) {
  const Settings& settings = repair.settings();
  // Every line of the results page, not-checked Internet URLs included: a
  // decisions file for `fix` is this report with some of them edited.
  const ResultsFill fill = repair.group(false, false, [] { return false; });
  const std::vector<ShownLine> shown = shownLines(settings, repair.urls(), fill.lines.size());
  const FileList& files = repair.files();
  const UrlTable& urls = repair.urls();
  StreamedObject report(out);
  report.array("files", files.count(), [&](std::size_t i) {
    return ReportJson(platform::toDisplayUtf8(platform::displayPath(files.path(i))));
  });
  report.array("status", statusLines.size(),
               [&](std::size_t i) { return ReportJson(platform::toDisplayUtf8(statusLines[i])); });
  report.member("summary", outcome.statusText);
  report.member("droppedFindings", static_cast<std::int64_t>(outcome.droppedFindings));
  report.array("entries", urls.count(), [&](std::size_t i) { return entryJson(settings, urls, i, names, places); });
  report.array("results", fill.lines.size(), [&](std::size_t i) { return resultJson(fill, shown, i); });
  report.member("notChecked", linesJson(notCheckedList));
  report.member("internetChecks", internetChecksJson(repair.internet()));
  report.member("unverified", linesJson(unverifiedLines(repair.internet())));
  report.member("notices", notices);
  report.close();
}

std::string printedJson(const ReportJson& report) {
  return report.dump(2, ' ', false, ReportJson::error_handler_t::replace) + '\n';
}

nlohmann::json asPrinted(const ReportJson& part) { return nlohmann::json::parse(printedJson(part)); }

}  // namespace quillorn::cli
