#pragma once
// The search: an optional first pass that collects the "saved from url"
// comments of the HTML files, then the broken-link pass that hands every HTML,
// style-sheet and script file of the list to its scanner. With the Internet
// check on, the broken-link pass first scans the files once without a word to
// the panel, so that the Internet session knows every request its checks will
// need and has them under way before the first check waits.
//
// Without the Internet check, and with more than one thread allowed
// (Settings::searchThreads), the files are read and scanned on a pool of
// threads, each read once for both passes, and their findings and status
// lines are added in list order: the tables and lines are those of one
// thread. A stop then ends the search between two files.
//
// The search begins by naming what the file list left out (no regular file,
// or a link that leads to no file).
// A file it would search that holds more than platform::kMaxReadBytes, or is
// no regular file when it is opened, is named with the reason and recorded in
// the table as unsearched; nothing is ever opened in a way that could wait.
//
// Known limits: a file is judged by its extension (model/file_kind.h); a file
// that cannot be read is passed over without a line; at most kMaxSearchFiles
// files and UrlTable::kCapacity findings per search; on one thread, with the
// saved-from pass or the Internet check on, each file is read twice (three
// times with both).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/model/file_kind.h"
#include "core/model/progress_panel.h"
#include "core/search/search_context.h"
#include "core/text/document_buffer.h"
#include "platform/outcome.h"

namespace quillorn {

// The most files one search takes.
inline constexpr std::size_t kMaxSearchFiles = 65535;

inline constexpr std::string_view kTooManyFilesMessage =
    "The number of files added for processing exceeds the maximum allowed!\n"
    "Please return and remove some files from the list and then try again.";

// The refusal with the numbers below it: "(65536 files are in the list; one
// search takes at most 65535)".
inline std::string tooManyFilesText(std::size_t count) {
  return std::string(kTooManyFilesMessage) + "\n(" + std::to_string(count) +
         " files are in the list; one search takes at most " + std::to_string(kMaxSearchFiles) + ")";
}

struct SearchOutcome {
  PassEnd end = PassEnd::Done;      // Stopped: the user stopped one of the passes
  std::int64_t brokenTotal = 0;     // entries recorded (up to the stop, when stopped)
  std::string statusText;           // the panel's final status text
  std::size_t droppedFindings = 0;  // findings refused by a full found-URL table
};

enum class SearchError {
  TooManyFiles,  // more than kMaxSearchFiles files: nothing was searched
};

// The threads a search with these options reads the files on: one per core
// unless Settings::searchThreads says.
unsigned searchThreads(const Settings& settings);

// Empties both tables, opens the Internet session when the option asks for it,
// sets the panel running (its owner empties the status list when the page is
// shown). False when the list holds too many files (the caller shows
// kTooManyFilesMessage); nothing is searched then.
bool beginSearch(SearchContext& context);

// Runs the passes and ends the Internet session, finished or stopped.
SearchOutcome runSearch(SearchContext& context);

// beginSearch, then runSearch when it was not refused.
Outcome<SearchOutcome, SearchError> search(SearchContext& context);

// The "saved from url" pass: Done when every HTML file was handled.
PassEnd runSavedFromPass(SearchContext& context);

// What the "saved from url" pass makes of one loaded HTML file: its status
// line, and the address it was saved from when a comment names one.
struct SavedFromFinding {
  std::string line;
  std::optional<std::string> address;
};
SavedFromFinding savedFromOf(const SearchContext& context, const DocumentBuffer& buffer, std::int32_t fileIndex);

// The pass's header line.
void beginSavedFromPass(ProgressPanel& panel);

// The broken-link pass: the number of entries recorded, and whether the user
// stopped it.
PassCount runBrokenLinkPass(SearchContext& context);

}  // namespace quillorn
