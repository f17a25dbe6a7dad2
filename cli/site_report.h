#pragma once
// The reports of `scan --format`: what a search found, once, in the forms a
// person or a CI service reads. Every form names every occurrence of a
// finding with its file, line and column; the text and JSON forms are the
// command's own (scan_report.h holds the JSON).
//
// Known limits: the HTML, Markdown and JUnit forms are in English and in
// UTF-8; a file that changed after the search is named without its line.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/finding_places.h"
#include "cli/site_search.h"
#include "core/model/url_table.h"
#include "core/repair/repair.h"
#include "core/review/results.h"

namespace quillorn::cli {

// One occurrence of a finding. Text is UTF-8 as a person reads it.
struct ReportFinding {
  std::size_t file = 0;  // index in the file list
  std::size_t line = 0;  // its line of `SiteReport::lines`
  std::string url;       // the link's value as read (and decoded)
  FindingPlace place;
};

// A line of the results: the findings of one url and one proposal.
struct ReportLine {
  std::string text;  // "DELETE (3 URL(s)): \"images/logo.gif\"" and the like
  std::string url;
  UrlAction action = UrlAction::Delete;
  std::string proposal;               // the value it would be replaced with; empty unless a replacement
  std::vector<std::size_t> findings;  // indices into SiteReport::findings, in table order
};

// How a page of the list fared in the search.
enum class PageState { NotSearched, Searched, LeftUnread };

struct SiteReport {
  std::string version;                  // of this program
  std::string siteUri;                  // file:// URI of the first PATH's folder, "/" at the end
  std::vector<std::string> names;       // per file of the list: relative to its PATH's folder
  std::vector<PageState> pages;         // per file of the list
  std::vector<ReportFinding> findings;  // in table order
  std::vector<ReportLine> lines;        // in results order
  std::string statusText;               // the search's "Done (...)"
  std::string summary;                  // the command's count of what it searched and found
  std::vector<std::string> notChecked;  // the NOT CHECKED lines
  std::vector<std::string> unverified;  // the UNVERIFIED lines
  std::vector<EndNotice> notices;
};

// The report of a search of `repair` whose findings, without the Internet
// URLs not checked, are `findings`, grouped into the results lines `fill`
// (fillResults), at `places` (one per entry of `findings`).
SiteReport siteReport(const Repair& repair, const UrlTable& findings, const ResultsFill& fill,
                      const std::vector<FindingPlace>& places, const std::vector<std::string>& paths,
                      const SearchOutcome& outcome, std::string summary, std::vector<EndNotice> notices,
                      std::string version);

// The lines scan prints: the status, the summary, each results line followed by its
// occurrences ("    sub/page.html:12:9"), then the NOT CHECKED and
// UNVERIFIED lines. Safe for a terminal.
std::string textReport(const SiteReport& report);

// SARIF 2.1.0: one result per occurrence, its rule the proposed action.
std::string sarifReport(const SiteReport& report);

// JUnit XML: one test case per page the search reads, failed by its findings.
std::string junitReport(const SiteReport& report);

// Markdown for a pull request: the findings page by page, in tables.
std::string markdownReport(const SiteReport& report);

// One self-contained HTML page (no script, nothing fetched): the findings
// grouped by page and by URL, each occurrence's line with the link marked,
// the proposal beside it.
std::string htmlReport(const SiteReport& report);

}  // namespace quillorn::cli
