#pragma once
// What the rewriting pass would do with one file of the list: leave it alone,
// write it anew (and what it would write), or skip it and why. The pass, its
// preview (quillorn-cli fix --dry-run) and the wizard's processing page all
// work from this one plan, so a preview never shows what the pass would not do.
//
// A file of a searched type that the search left unread (too large, or no
// regular file) is skipped with that reason: nobody knows what would change.
//
// A file is only ever written when it still holds what the search read (its
// size, time and content hash), when something in it changes, and when the
// new file can take its place without losing anything: the file is no link,
// lies in the folders given, has no backup yet (an existing backup is never
// replaced), and its folder takes new files. A link is skipped as a link
// even when what it leads to no longer holds what the search read: that file
// may have been rewritten under its own name earlier in the same pass.
//
// Known limits: the checks describe the disk when the plan is made; the pass
// checks the file once more just before it replaces it, and a failure after
// that is reported by the pass.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "core/files/file_list.h"
#include "core/files/site_lock.h"
#include "core/model/url_table.h"
#include "core/settings/settings.h"
#include "core/text/document_buffer.h"

namespace quillorn {

enum class SkipReason {
  ChangedSinceSearch,     // its size, time or content differ from what the search read, or it is gone
  IsLink,                 // a link to a file, which is rewritten under its own name if it is in the list
  OutsideFolders,         // reached through a folder link that leads out of the folders given
  BackupExists,           // its backup name is a file already: a backup of an earlier repair, or the user's
  BackupNameTaken,        // its backup name is taken by a folder or something else that is no file
  ReadOnly,               // backups are off and the file is read-only (as it could not be deleted)
  FolderNotWritable,      // no new file can be made in its folder
  WriteFailed,            // writing it failed for a reason of its own; `error` holds the errno value
  NotSearchedTooLarge,    // the search left it unread: it holds more than platform::kMaxReadBytes
  NotSearchedNotRegular,  // the search left it unread: it was no regular file (a named pipe, a device)
  AccessNotKept,          // its owner, group, access list or extended attributes cannot be given to a new
                          // file (`error`); a file of other access would take its place
};

struct FilePlan {
  enum class Action {
    Leave,      // not a page, style sheet or script (never opened), or an empty file
    Unchanged,  // nothing in it changes (or nothing was found in it): not touched
    Rewrite,    // `newText` is to replace it
    Skip,       // something would change, but `reason` keeps it from being written
  };
  Action action = Action::Leave;
  SkipReason reason = SkipReason::ChangedSinceSearch;
  std::size_t occurrences = 0;   // table entries of the file, whatever is done with them
  std::size_t links = 0;         // the values they stand for (valueCount): the links of the file
  std::size_t changedLinks = 0;  // of them, those the new content changes (RewriteResult::changedValues)

  std::filesystem::path target;  // host paths
  std::filesystem::path backup;
  DocumentBuffer document;  // the file as read now (UTF-16 in little-endian order)
  std::string newText;      // the new content, in the same order as `document`

  // The new content as it goes to the disk: big-endian again where the file was.
  std::string fileBytes() const;
};

// What a rewrite did with the list's files and the links of the table's
// entries, file by file as each plan went; every link of a planned file is
// counted once, in one of the link counts.
struct RewriteTally {
  std::size_t filesRewritten = 0;
  std::size_t linksChanged = 0;         // in the files rewritten
  std::size_t linksKept = 0;            // output as they stood, in files rewritten or left unchanged
  std::size_t linksInSkippedFiles = 0;  // every entry of a file that would change but was not written

  // Counts the file of `plan`; `written` says whether it was rewritten (a
  // plan to rewrite may still fail when the file is written).
  void add(const FilePlan& plan, bool written);
};

struct RewritePlanInput {
  const Settings& settings;
  const FileList& files;
  const UrlTable& urls;
  const SiteLock& lock;  // the folders the run may change
  // The table's entries of each file (entriesByFile).
  const std::vector<std::vector<std::size_t>>& entries;
};

// The plan for file-list entry `index`. Reads the file when it holds entries.
FilePlan planFile(const RewritePlanInput& input, std::size_t index);

// The permission bits a rewritten file takes from the old one: the same
// readers (a private page stays private), no set-id bits, writable by its
// owner as a file made anew would be.
std::uint32_t rewrittenFileMode(std::uint32_t oldMode);

}  // namespace quillorn
