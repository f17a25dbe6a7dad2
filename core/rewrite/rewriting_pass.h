#pragma once
// The rewriting pass: every HTML, style-sheet and script file of the list is
// rewritten with the decisions held in the found-URL table, in its own
// encoding and byte order, keeping the old file under its backup name.
//
// No file is ever lost: the new content goes to a temporary file beside the
// target and is flushed; the old file itself becomes the backup (keeping its
// times and attributes); the new file then replaces the target by a rename, so
// the target's name always holds the old content or the new, whole.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "core/files/file_list.h"
#include "core/search/progress_panel.h"
#include "core/search/url_table.h"
#include "core/settings/settings.h"

namespace quillorn {

inline constexpr std::string_view kDiskWritingError = "Step7: Disk writing error!";
inline constexpr std::string_view kCancelQuestion =
    "There are still some files to be processed, are you sure you want to cancel?";

// A file's backup name: its full path with ".bak" appended.
std::string backupPath(std::string_view path);

enum class RewriteState {
  Done,       // every entry of the list was handled
  Stopped,    // the user confirmed a stop
  DiskError,  // new content could not be written; the file keeps its old content
};

struct RewritePassOutcome {
  RewriteState state = RewriteState::Done;
  std::int64_t processedTotal = 0;  // -1 when stopped or failed
  std::string statusText;           // "Done (x of y URL(s) processed successfully)", "Stopped", ...
  std::string errorMessage;         // kDiskWritingError, for DiskError; empty otherwise
  std::string failedFile;           // for DiskError: the file (host path) that kept its old content
};

struct RewritePassContext {
  const Settings& settings;
  const FileList& files;
  const UrlTable& urls;
  ProgressPanel& panel;
  // Asked when the panel reports a stop request: true means "yes, cancel".
  std::function<bool()> confirmStop;
};

// Walks the file list in order and rewrites every HTML, style-sheet and script
// file that is not empty; reports one status line per rewritten file, the
// overall progress after every entry, and the final status on the panel. A
// stop is asked for (confirmStop; none given means yes) after every entry.
// The pass ends at the first file whose new content cannot be written: that
// file and its backup stay as they were, the files before it stay rewritten.
RewritePassOutcome runRewritingPass(RewritePassContext& context);

}  // namespace quillorn
