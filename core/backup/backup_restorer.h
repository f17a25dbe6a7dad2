#pragma once
// Restores or deletes the backups of a folder tree: every file whose last
// extension matches is either moved back over the file it was made from (its
// name without that extension) or deleted. Files of a folder are handled
// before its subfolders, and each subfolder tree is finished before the next.
//
// Known limits: a backup is told by its name alone, so any file with that
// last extension is taken for one; backups reached through a folder link that
// leads out of the folder are named and left alone.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/outcome.h"

namespace quillorn {

struct BackupRun {
  std::string folder;     // path text
  std::string extension;  // without the dot, e.g. "bak"
  bool subfolders = true;
  bool deleteBackups = false;  // false: restore
};

struct BackupOutcome {
  std::int64_t processed = 0;  // matching files found, whether or not their move or delete succeeded
  // Matching files reached through a folder link that leads out of the tree:
  // left alone (host paths).
  std::vector<std::string> leftOutside;
};

enum class BackupError {
  NoExtension,    // the extension is empty
  NoFolder,       // the folder text is empty
  MissingFolder,  // the folder does not exist; `folder` names it (path text)
  SiteBusy,       // another run holds an overlapping tree; `folder` names where (host path)
  ListingBroken,  // a folder listing broke off part way (a disk fault)
};

struct BackupFailure {
  BackupError code = BackupError::NoExtension;
  std::string folder;
};

// Checks the run (an empty extension, an empty folder text and a folder that
// does not exist are refused), takes the lock on the tree (a run on an
// overlapping tree refuses this one) and processes it. The words for either
// end are in core/wording/backup_texts.h.
Outcome<BackupOutcome, BackupFailure> runBackupRestore(const BackupRun& run);

// One folder (path text) and, with `subfolders`, its tree; adds every file
// whose last extension equals `extension` (ignoring ASCII case) to
// `processed`, whether or not its move or delete succeeded. Restoring moves
// "x.htm.bak" over "x.htm" (only when "x.htm" is absent or a readable file);
// deleting removes it. Every folder is entered once, so linked loops end. A
// folder that cannot be listed counts as empty. Before a folder's backups, what
// a killed rewrite left in it is cleared up. A matching file in a folder that
// lies outside the tree (reached through a folder link) is not counted and
// left alone; `leftOutside` (optional) receives its host path. False only when
// a listing breaks off part way (a disk fault): the files already listed are
// handled, the remaining subfolders are not. Failed moves and deletes are not
// failures.
bool processBackupFolder(std::string_view folder, std::string_view extension, bool subfolders, bool deleteBackups,
                         std::int64_t& processed, std::vector<std::string>* leftOutside = nullptr);

}  // namespace quillorn
