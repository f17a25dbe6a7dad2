#pragma once
// The part that `scan` and `fix` share: the repair of the PATHs given, its
// file list built as the wizard's page 2 would, and its search; and what the
// command line lists apart from the findings.
//
// Known limits: at most kMaxSearchFiles files; a PATH that cannot be read
// ends the command before anything is searched.

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

#include "cli/scan_options.h"
#include "cli/terminal_panel.h"
#include "core/model/url_table.h"
#include "core/repair/repair.h"
#include "core/review/decisions.h"
#include "core/search/internet_check.h"
#include "platform/outcome.h"

namespace quillorn::cli {

// What ends a command early: the exit status (the message is on stderr).
struct ExitStatus {
  int code = 0;
};

// What limits or weakens a search's result, said once at the end of the
// report (on standard error) and in the JSON report: `kind` names it for
// programs ("droppedFindings", "unsearchedFiles", "networkDown"), `count` is
// how many it concerns, `text` says it for a person.
struct EndNotice {
  std::string kind;
  std::int64_t count = 0;
  std::string text;
};

// The notices of a search that ended with `outcome`: findings the table had
// no room for; Internet checks of which not one reached a server (no name
// resolved, no connection made or none in time: the network is likely down);
// files of a searched type that the search could not read (too large, no
// regular file, or, once the search has run to its end, not opened or gone),
// whose links nobody knows.
std::vector<EndNotice> endNotices(const Repair& repair, const SearchOutcome& outcome);

// How many files of the list the search read (each has its source stamp).
std::size_t searchedFileCount(const Repair& repair);

// How many entries of `urls` are findings: all but the not-checked ones.
std::size_t findingCount(const Settings& settings, const UrlTable& urls);

// Whether `entry` is an Internet URL that was recorded without being tried
// (the Internet check was off) and for which the site holds no page (no
// saved copy, no page of the site's own servers). The command line lists such
// entries apart: they are no finding, and `fix` leaves them alone unless an
// edited line of a decisions file decides about them. One with a page is
// local knowledge, and `fix` applies its proposal as the wizard does.
bool notChecked(const Settings& settings, const UrlEntry& entry);

// `urls` without its not-checked entries, in table order, with every source
// stamp of the search (the rewrite checks each file against its stamp); the
// entries of a group that one of `decided` names stay.
UrlTable withoutNotChecked(const Settings& settings, const UrlTable& urls,
                           const std::vector<GroupDecision>& decided = {});

// What a decisions file shows for each result line of the grouped `urls`
// (groups 0 .. lineCount-1): the results page's value text and "Use relative
// path", except that a line of not-checked Internet URLs shows its own URL:
// `fix` leaves such links alone unless that line is edited.
struct ShownLine {
  LineDecision decision;
  bool notChecked = false;
};
std::vector<ShownLine> shownLines(const Settings& settings, const UrlTable& urls, std::size_t lineCount);

// One line per not-checked URL (letter case ignored), in table order:
// NOT CHECKED (2 URL(s)): "https://example.com/".
std::vector<std::string> notCheckedLines(const Settings& settings, const UrlTable& urls);

// Whether a checked URL was reached with an answer that does not vouch for the
// page (401, 403, 429, 5xx and every other status outside 2xx): it counts as
// reachable and is no finding, but the command line lists it apart.
bool unverified(const CheckedUrl& checked);

// One line per unverified URL and status, in the order first checked:
// UNVERIFIED (3 URL(s), 403): "https://example.com/".
std::vector<std::string> unverifiedLines(const InternetSession& internet);

// The folder a PATH of the command line stands for, as typed: itself, or the
// folder of a file.
std::filesystem::path folderOf(const std::string& arg);

// The folders of the command line's PATHs as the file list writes paths
// (absolute, "/" at the end), for nameInFolders.
std::vector<std::string> pathFolders(const std::vector<std::string>& paths);

// `name` (a display path) relative to the deepest of `folders` that holds it
// ("sub/page.html"), as reports name a file; a file under none keeps its
// whole path.
std::string nameInFolders(const std::string& name, const std::vector<std::string>& folders);

// A repair of the PATHs of `options`: their options, and each PATH as a root
// (absolute, without "." or ".." segments, so two spellings of one file are
// one entry). Nothing is read yet.
void prepareRepair(const ScanOptions& options, Repair& repair);

// Checks that each PATH can be read and builds the repair's file list from
// them as the wizard's page 2 would (a stop key ends the walk early). A PATH
// that cannot be read ends the command.
Outcome<Done, ExitStatus> collectSite(const char* command, const ScanOptions& options, Repair& repair);

// The repair's search, status lines to `panel` as they come (unless a stop
// came while the list was built), its progress line counting the findings
// so far; each file whose leftovers of a killed run were cleared up first is
// named on standard output. Too many files end the command, with the count
// and the limit on standard error (and, with `json`, as a JSON object on
// standard output).
Outcome<SearchOutcome, ExitStatus> searchSite(const char* command, Repair& repair, TerminalPanel& panel,
                                              bool json = false);

}  // namespace quillorn::cli
