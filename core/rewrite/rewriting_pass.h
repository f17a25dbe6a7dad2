#pragma once
// The rewriting pass: every HTML, style-sheet and script file of the list in
// which something changes is rewritten with the decisions held in the
// found-URL table, in its own encoding and byte order, keeping the old file
// under its backup name. Each file follows its plan (rewrite_plan.h).
//
// No file is ever lost: the new content goes to a temporary file beside the
// target and is flushed; the old file itself becomes the backup (keeping its
// times and attributes), and the new file then takes the target's name by one
// rename (platform/file_access.h). A run killed at any moment leaves every
// file with its old or its new content, whole, and the new content only where
// the backup holds the old; recoverInterruptedRewrites() clears up after it.
//
// Known limits: a file is written only as its plan decided; a failure that
// would hit every file (a full disk) ends the pass instead of skipping file
// after file, and the files before it stay rewritten.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/files/file_list.h"
#include "core/files/site_lock.h"
#include "core/model/progress_panel.h"
#include "core/model/url_table.h"
#include "core/rewrite/rewrite_plan.h"
#include "core/settings/settings.h"
#include "platform/outcome.h"

namespace quillorn {

// A file that would have changed but was not written.
struct FileSkip {
  std::size_t index = 0;  // in the file list
  SkipReason reason = SkipReason::ChangedSinceSearch;
  int error = 0;  // errno value, for SkipReason::WriteFailed
};

// How the pass went through the list (some files may have been skipped).
struct RewritePassOutcome {
  PassEnd end = PassEnd::Done;      // Stopped: the user confirmed a stop
  std::int64_t processedTotal = 0;  // entries processed (up to the stop)
  std::string statusText;           // "Done (x of y URL(s) processed successfully[, n file(s) skipped])" or "Stopped"
  std::vector<FileSkip> skipped;    // in list order
  RewriteTally tally;               // the files and entries of the list, up to the stop
};

// A failure that would hit every file (disk or quota full, file-size limit):
// the pass ended there.
struct DiskFailure {
  std::string file;                 // the file (host path) that kept its old content
  int error = 0;                    // the errno value
  std::int64_t processedTotal = 0;  // entries processed before it
};

struct RewritePassContext {
  const Settings& settings;
  const FileList& files;
  const UrlTable& urls;
  // Held by the caller for the list's folders; the pass writes only in them.
  const SiteLock& lock;
  ProgressPanel& panel;
  // Asked when the panel reports a stop request: true means "yes, cancel".
  std::function<bool()> confirmStop;
  // Told of each skipped file as it happens (optional).
  std::function<void(const FileSkip&)> reportSkip = {};
};

// Walks the file list in order and rewrites every file whose plan says so;
// reports one status line per rewritten file, each skipped file, the overall
// progress after every entry, and the final status on the panel. A stop is
// asked for (confirmStop; none given means yes) after every entry. A file
// that cannot be written for a reason of its own is skipped and the pass goes
// on; a failure that would hit every file ends the pass, leaving that file
// whole with its old content and the files before it rewritten.
// `processedTotal` counts the entries of the files rewritten or left
// unchanged because nothing in them changes.
Outcome<RewritePassOutcome, DiskFailure> runRewritingPass(RewritePassContext& context);

// Removes the temporary files that a killed run left in `folder` (host path,
// links resolved), none of which holds the only copy of anything, and the
// backups that run made of files it then left unchanged. Returns the files
// (host paths) whose leftovers were removed.
std::vector<std::filesystem::path> recoverInterruptedRewritesIn(const std::filesystem::path& folder);

// The same in every folder of the list that `lock` covers.
std::vector<std::filesystem::path> recoverInterruptedRewrites(const FileList& files, const SiteLock& lock);

}  // namespace quillorn
