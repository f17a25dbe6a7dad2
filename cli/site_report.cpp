#include "cli/site_report.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <unordered_map>
#include <utility>

#include "cli/scan_report.h"
#include "cli/terminal_text.h"
#include "core/text/url_transforms.h"
#include "platform/code_page.h"
#include "platform/host_path.h"

namespace quillorn::cli {
namespace {

// `text` with every byte outside the unreserved characters of a URI (and
// `keep`) written as a "%" escape.
std::string uriEscaped(std::string_view text, std::string_view keep = "/") {
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9') ||
        std::string_view("-._~").find(c) != std::string_view::npos || keep.find(c) != std::string_view::npos) {
      out += c;
    } else {
      appendPercentEscape(byte, out);
    }
  }
  return out;
}

// `text` for XML and HTML: control characters and bytes that are no UTF-8
// made visible (neither may stand in XML), markup characters as references.
std::string markupText(std::string_view text) {
  std::string out;
  for (const char c : terminalText(text)) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
  return out;
}

// `text` as Markdown shows it literally: every ASCII punctuation character
// that Markdown might read as markup is escaped with a backslash.
std::string markdownText(std::string_view text) {
  std::string out;
  for (const char c : terminalText(text)) {
    if (std::string_view("\\`*_[]<>#|~&$").find(c) != std::string_view::npos) out += '\\';
    out += c;
  }
  return out;
}

std::string lineColumn(const FindingPlace& place) {
  if (place.line <= 0) return {};
  return std::to_string(place.line) + ":" + std::to_string(place.column);
}

// What a line proposes, in a few words.
std::string proposalText(const ReportLine& line) {
  switch (line.action) {
    case UrlAction::DoNotChange: return "leave it as it is";
    case UrlAction::Delete: return "delete the link";
    case UrlAction::ReplaceRelative: return "replace with \"" + line.proposal + "\" (relative path)";
    case UrlAction::Replace: return "replace with \"" + line.proposal + "\"";
  }
  return {};
}

// The rule of SARIF results, one per proposed action.
struct Rule {
  UrlAction action;
  const char* id;
  const char* level;
  const char* description;
};
constexpr Rule kRules[] = {
    {UrlAction::Delete, "link-to-nothing", "error",
     "A link that names no file of the site and no reachable address; the proposal is to delete it"},
    {UrlAction::Replace, "link-to-replace", "warning",
     "A link that names no file of the site, or names it in a form that breaks elsewhere; a replacement is "
     "proposed"},
    {UrlAction::ReplaceRelative, "link-to-replace-relative", "warning",
     "A link for which a replacement is proposed, written as a path relative to the page"},
    {UrlAction::DoNotChange, "link-kept", "note", "A link that was found but is to be left as it is"},
};

std::size_t ruleIndex(UrlAction action) {
  for (std::size_t i = 0; i < std::size(kRules); ++i) {
    if (kRules[i].action == action) return i;
  }
  return 0;
}

// The findings of the list's files, file by file in list order, each file's
// in the order of its text (a file changed since the search last), as
// indices into report.findings.
std::map<std::size_t, std::vector<std::size_t>> findingsByFile(const SiteReport& report) {
  std::map<std::size_t, std::vector<std::size_t>> byFile;
  for (std::size_t i = 0; i < report.findings.size(); ++i) byFile[report.findings[i].file].push_back(i);
  for (auto& [file, findings] : byFile) {
    std::stable_sort(findings.begin(), findings.end(), [&report](std::size_t a, std::size_t b) {
      const FindingPlace& x = report.findings[a].place;
      const FindingPlace& y = report.findings[b].place;
      const auto key = [](const FindingPlace& place) {
        return std::pair(place.line > 0 ? place.line : INT64_MAX, place.column);
      };
      return key(x) < key(y);
    });
  }
  return byFile;
}

}  // namespace

SiteReport siteReport(const Repair& repair, const UrlTable& findings, const ResultsFill& fill,
                      const std::vector<FindingPlace>& places, const std::vector<std::string>& paths,
                      const SearchOutcome& outcome, std::string summary, std::vector<EndNotice> notices,
                      std::string version) {
  SiteReport report;
  report.version = std::move(version);
  const std::vector<std::string> folders = pathFolders(paths);
  if (!folders.empty()) report.siteUri = "file://" + uriEscaped(platform::toDisplayUtf8(folders.front()));
  const FileList& files = repair.files();
  const UrlTable& searched = repair.urls();
  for (std::size_t i = 0; i < files.count(); ++i) {
    report.names.push_back(nameInFolders(platform::toDisplayUtf8(platform::displayPath(files.path(i))), folders));
    report.pages.push_back(searched.source(i) != nullptr       ? PageState::Searched
                           : searched.unsearched(i) != nullptr ? PageState::LeftUnread
                                                               : PageState::NotSearched);
  }
  std::unordered_map<std::int32_t, std::size_t> lineOfGroup;
  for (const ResultLine& line : fill.lines) {
    lineOfGroup.emplace(line.group, report.lines.size());
    report.lines.push_back({platform::toDisplayUtf8(line.text), {}, UrlAction::Delete, {}, {}});
  }
  for (std::size_t i = 0; i < findings.count(); ++i) {
    const UrlEntry& entry = findings.entry(i);
    const auto found = lineOfGroup.find(entry.groupIndex);
    if (found == lineOfGroup.end()) continue;
    ReportLine& line = report.lines[found->second];
    if (line.findings.empty()) {
      const Decision decision = decisionOf(entry);
      line.url = platform::toDisplayUtf8(entry.url);
      line.action = decision.action;
      if (decision.action == UrlAction::Replace || decision.action == UrlAction::ReplaceRelative) {
        line.proposal = platform::toDisplayUtf8(decision.value);
      }
    }
    line.findings.push_back(report.findings.size());
    report.findings.push_back({static_cast<std::size_t>(entry.fileIndex), found->second,
                               platform::toDisplayUtf8(entry.url), i < places.size() ? places[i] : FindingPlace{}});
  }
  report.statusText = outcome.statusText;
  report.summary = std::move(summary);
  const Settings& settings = repair.settings();
  for (const std::string& line : notCheckedLines(settings, searched)) {
    report.notChecked.push_back(platform::toDisplayUtf8(line));
  }
  for (const std::string& line : unverifiedLines(repair.internet())) {
    report.unverified.push_back(platform::toDisplayUtf8(line));
  }
  report.notices = std::move(notices);
  return report;
}

std::string textReport(const SiteReport& report) {
  std::string out = report.statusText + '\n' + report.summary + '\n';
  for (const ReportLine& line : report.lines) {
    out += terminalText(line.text) + '\n';
    for (const std::size_t i : line.findings) {
      const ReportFinding& finding = report.findings[i];
      const std::string at = lineColumn(finding.place);
      out += "    " + terminalText(report.names[finding.file]) + (at.empty() ? "" : ":" + at) + '\n';
    }
  }
  for (const std::string& line : report.notChecked) out += terminalText(line) + '\n';
  for (const std::string& line : report.unverified) out += terminalText(line) + '\n';
  return out;
}

std::string sarifReport(const SiteReport& report) {
  ReportJson rules = ReportJson::array();
  for (const Rule& rule : kRules) {
    rules.push_back({{"id", rule.id},
                     {"shortDescription", {{"text", rule.description}}},
                     {"defaultConfiguration", {{"level", rule.level}}}});
  }
  ReportJson results = ReportJson::array();
  for (const ReportFinding& finding : report.findings) {
    const ReportLine& line = report.lines[finding.line];
    const std::size_t rule = ruleIndex(line.action);
    ReportJson physical = {{"artifactLocation", {{"uri", uriEscaped(report.names[finding.file])}}}};
    if (!report.siteUri.empty() && !report.names[finding.file].starts_with('/')) {
      physical["artifactLocation"]["uriBaseId"] = "SITE";
    }
    if (finding.place.line > 0) {
      ReportJson region = {{"startLine", finding.place.line}, {"startColumn", finding.place.column}};
      region["endColumn"] = finding.place.endColumn;
      region["snippet"] = {{"text", finding.place.value}};
      physical["region"] = std::move(region);
    }
    results.push_back({
        {"ruleId", kRules[rule].id},
        {"ruleIndex", rule},
        {"level", kRules[rule].level},
        {"message", {{"text", "\"" + finding.url + "\": " + proposalText(line)}}},
        {"locations", ReportJson::array({{{"physicalLocation", std::move(physical)}}})},
    });
  }
  ReportJson notifications = ReportJson::array();
  for (const EndNotice& notice : report.notices) {
    notifications.push_back(
        {{"message", {{"text", notice.text}}}, {"level", "warning"}, {"descriptor", {{"id", notice.kind}}}});
  }
  ReportJson run = {
      {"tool", {{"driver", {{"name", "quillorn-cli"}, {"version", report.version}, {"rules", std::move(rules)}}}}},
      {"invocations",
       ReportJson::array({{{"executionSuccessful", true}, {"toolExecutionNotifications", std::move(notifications)}}})},
  };
  if (!report.siteUri.empty()) run["originalUriBaseIds"] = {{"SITE", {{"uri", report.siteUri}}}};
  run["columnKind"] = "unicodeCodePoints";
  run["results"] = std::move(results);
  const ReportJson log = {
      {"$schema", "https://json.schemastore.org/sarif-2.1.0.json"},
      {"version", "2.1.0"},
      {"runs", ReportJson::array({std::move(run)})},
  };
  return printedJson(log);
}

std::string junitReport(const SiteReport& report) {
  const std::map<std::size_t, std::vector<std::size_t>> byFile = findingsByFile(report);
  std::size_t tests = 0;
  std::size_t skipped = 0;
  for (const PageState page : report.pages) {
    tests += page == PageState::NotSearched ? 0 : 1;
    skipped += page == PageState::LeftUnread ? 1 : 0;
  }
  const std::string counts = "tests=\"" + std::to_string(tests) + "\" failures=\"" + std::to_string(byFile.size()) +
                             "\" errors=\"0\" skipped=\"" + std::to_string(skipped) + "\"";
  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites name=\"quillorn-cli scan\" " + counts +
                    ">\n  <testsuite name=\"links\" " + counts + ">\n";
  for (std::size_t file = 0; file < report.pages.size(); ++file) {
    if (report.pages[file] == PageState::NotSearched) continue;
    out += "    <testcase classname=\"links\" name=\"" + markupText(report.names[file]) + "\"";
    const auto found = byFile.find(file);
    if (report.pages[file] == PageState::LeftUnread) {
      out += ">\n      <skipped message=\"not searched: the file could not be read\"/>\n    </testcase>\n";
    } else if (found == byFile.end()) {
      out += "/>\n";
    } else {
      out += ">\n      <failure type=\"links\" message=\"" + std::to_string(found->second.size()) + " finding(s)\">";
      for (const std::size_t i : found->second) {
        const ReportFinding& finding = report.findings[i];
        const std::string at = lineColumn(finding.place);
        out += markupText(report.names[file] + (at.empty() ? "" : ":" + at) + ": \"" + finding.url +
                          "\": " + proposalText(report.lines[finding.line])) +
               '\n';
      }
      out += "</failure>\n    </testcase>\n";
    }
  }
  if (!report.notices.empty()) {
    out += "    <system-err>";
    for (const EndNotice& notice : report.notices) out += markupText(notice.text) + '\n';
    out += "</system-err>\n";
  }
  out += "  </testsuite>\n</testsuites>\n";
  return out;
}

std::string markdownReport(const SiteReport& report) {
  std::string out =
      "## Link report\n\n" + markdownText(report.statusText) + "\\\n" + markdownText(report.summary) + "\n";
  if (!report.notices.empty()) {
    out += '\n';
    for (const EndNotice& notice : report.notices) out += "> **Note:** " + markdownText(notice.text) + "\n>\n";
    out.resize(out.size() - 2);
  }
  for (const auto& [file, findings] : findingsByFile(report)) {
    out += "\n### " + markdownText(report.names[file]) +
           "\n\n| Line | Column | Link | Proposal |\n| ---: | ---: | --- | --- |\n";
    for (const std::size_t i : findings) {
      const ReportFinding& finding = report.findings[i];
      const bool placed = finding.place.line > 0;
      out += "| " + (placed ? std::to_string(finding.place.line) : std::string()) + " | " +
             (placed ? std::to_string(finding.place.column) : std::string()) + " | " + markdownText(finding.url) +
             " | " + markdownText(proposalText(report.lines[finding.line])) + " |\n";
    }
  }
  if (!report.notChecked.empty() || !report.unverified.empty()) {
    out += "\n### Not checked or unverified\n\n";
    for (const std::string& line : report.notChecked) out += "- " + markdownText(line) + '\n';
    for (const std::string& line : report.unverified) out += "- " + markdownText(line) + '\n';
  }
  return out;
}

std::string htmlReport(const SiteReport& report) {
  std::string out = R"HTML(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Link report</title>
<style>
body { font: 15px/1.45 "DejaVu Sans", system-ui, sans-serif; margin: 2em auto; max-width: 70em; padding: 0 1em; color: #1c1c1c; background: #fff; }
h1 { font-size: 1.6em; margin-bottom: .2em; }
h2 { font-size: 1.2em; margin: 1.8em 0 .4em; padding-bottom: .2em; border-bottom: 1px solid #ccc; }
h3 { font-size: 1em; font-weight: normal; margin: .9em 0 .3em; }
code, .line { font-family: "DejaVu Sans Mono", monospace; font-size: .92em; }
.status { color: #444; }
.notice { background: #fff4d6; border-left: 4px solid #d99a00; padding: .4em .8em; }
.proposal { display: inline-block; margin-left: .6em; padding: 0 .5em; border-radius: 3px; font-size: .9em; }
.delete { background: #fde2e1; color: #8a1410; }
.replace { background: #e0f0e3; color: #1d5b2a; }
.keep { background: #eceff3; color: #333; }
ol { list-style: none; padding-left: 0; margin: .2em 0 .6em; }
li { display: flex; gap: .8em; padding: .15em .4em; border-bottom: 1px solid #f0f0f0; }
.at { min-width: 5.5em; text-align: right; color: #666; font-family: "DejaVu Sans Mono", monospace; font-size: .92em; }
.line { white-space: pre-wrap; word-break: break-all; }
mark { background: #ffe066; padding: 0 .1em; }
nav ul { columns: 2; padding-left: 1.2em; }
</style>
</head>
<body>
<h1>Link report</h1>
)HTML";
  out += "<p class=\"status\">" + markupText(report.statusText) + "<br>\n" + markupText(report.summary) + "</p>\n";
  for (const EndNotice& notice : report.notices) out += "<p class=\"notice\">" + markupText(notice.text) + "</p>\n";
  const std::map<std::size_t, std::vector<std::size_t>> byFile = findingsByFile(report);
  if (!byFile.empty()) {
    out += "<nav>\n<h2>Pages</h2>\n<ul>\n";
    for (const auto& [file, findings] : byFile) {
      out += "<li><a href=\"#page-" + std::to_string(file) + "\">" + markupText(report.names[file]) + "</a> (" +
             std::to_string(findings.size()) + ")</li>\n";
    }
    out += "</ul>\n</nav>\n";
  }
  for (const auto& [file, findings] : byFile) {
    out += "<section id=\"page-" + std::to_string(file) + "\">\n<h2>" + markupText(report.names[file]) + "</h2>\n";
    // The page's findings by URL: each results line once, where it first occurs.
    std::vector<std::size_t> lineOrder;
    std::map<std::size_t, std::vector<std::size_t>> ofLine;
    for (const std::size_t i : findings) {
      std::vector<std::size_t>& occurrences = ofLine[report.findings[i].line];
      if (occurrences.empty()) lineOrder.push_back(report.findings[i].line);
      occurrences.push_back(i);
    }
    for (const std::size_t l : lineOrder) {
      const ReportLine& line = report.lines[l];
      const char* kind = line.action == UrlAction::Delete        ? "delete"
                         : line.action == UrlAction::DoNotChange ? "keep"
                                                                 : "replace";
      out += "<h3><code>" + markupText(line.url) + "</code><span class=\"proposal " + kind + "\">" +
             markupText(proposalText(line)) + "</span></h3>\n<ol>\n";
      for (const std::size_t i : ofLine[l]) {
        const FindingPlace& place = report.findings[i].place;
        if (place.line <= 0) {
          out += "<li><span class=\"at\"></span><span>(the file changed after the search)</span></li>\n";
          continue;
        }
        out += "<li><span class=\"at\">" + markupText(lineColumn(place)) + "</span><span class=\"line\">" +
               markupText(place.before) + "<mark>" + markupText(place.value) + "</mark>" + markupText(place.after) +
               "</span></li>\n";
      }
      out += "</ol>\n";
    }
    out += "</section>\n";
  }
  if (!report.notChecked.empty() || !report.unverified.empty()) {
    out += "<section>\n<h2>Not checked or unverified</h2>\n<ul>\n";
    for (const std::string& line : report.notChecked) out += "<li>" + markupText(line) + "</li>\n";
    for (const std::string& line : report.unverified) out += "<li>" + markupText(line) + "</li>\n";
    out += "</ul>\n</section>\n";
  }
  out += "</body>\n</html>\n";
  return out;
}

}  // namespace quillorn::cli
