#pragma once
// The JSON report of `scan --json`, and the parts of it that `fix --decisions`
// checks a decisions file against. Text in it is UTF-8.
//
// Known limits: text that is no valid UTF-8 is written with replacement
// characters, so such a name does not read back exactly.

#include <iosfwd>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/finding_places.h"
#include "cli/site_search.h"
#include "core/files/file_list.h"
#include "core/model/url_table.h"
#include "core/review/results.h"

namespace quillorn::cli {

using ReportJson = nlohmann::ordered_json;  // members in the order they are written

// "files": the list's paths as a person reads them.
ReportJson filesJson(const FileList& files);

// "entries": every finding with its position, proposed replacement and action;
// Internet URLs recorded without being tried are marked "notChecked". With
// `names` (per file of the list) and `places` (per entry), each also names
// its file and, when known, its line and column.
ReportJson entriesJson(const Settings& settings, const UrlTable& urls, const std::vector<std::string>& names = {},
                       const std::vector<FindingPlace>& places = {});

// "results": each line of the results page, with the text its edit box holds
// and whether "Use relative path" is checked when it is selected (`shown`, one
// per line); a line of not-checked Internet URLs is marked "notChecked".
ReportJson resultsJson(const ResultsFill& fill, const std::vector<ShownLine>& shown);

// "internetChecks": every URL the search checked, in the order first checked,
// with its occurrences, whether it was reachable, the last HTTP status and,
// when it was not reachable, why; unverified ones are marked.
ReportJson internetChecksJson(const InternetSession& internet);

// Writes the whole report of the repair's search to `out`: files, status
// (`statusLines`), summary, droppedFindings, entries (with `names` and
// `places`, see entriesJson), results, notChecked (`notCheckedList`, its
// lines), internetChecks, unverified (its lines) and `notices`, as
// printedJson prints such an object. Groups the table as the results page
// does. An element at a time is made and written, never the whole report.
void writeScanReport(std::ostream& out, Repair& repair, const SearchOutcome& outcome,
                     const std::vector<std::string>& statusLines, const std::vector<std::string>& notCheckedList,
                     const std::vector<std::string>& names, const std::vector<FindingPlace>& places,
                     const ReportJson& notices);

// `report` as it is printed: indented by two spaces, with a line feed at the
// end; a byte that is not part of UTF-8 text is written as U+FFFD.
std::string printedJson(const ReportJson& report);

// `part` as a reader of the printed report reads it back.
nlohmann::json asPrinted(const ReportJson& part);

}  // namespace quillorn::cli
