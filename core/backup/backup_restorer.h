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

// Why a matching file was left as it was.
enum class LeftReason {
  OutsideTree,       // reached through a folder link that leads out of the tree
  NotRegularFile,    // the backup is a link, a pipe, a socket or a device
  NoTargetName,      // its name is nothing but the extension: it names no file
  TargetNotFile,     // the file it was made from is now a folder or other non-file
  TargetUnreadable,  // the file it was made from cannot be opened for reading
  MoveFailed,        // the rename over the file it was made from failed (`error`)
  DeleteFailed,      // the delete failed (`error`)
};

struct LeftBackup {
  std::string path;  // host path
  LeftReason reason = LeftReason::OutsideTree;
  int error = 0;  // errno of MoveFailed and DeleteFailed
};

struct BackupOutcome {
  std::int64_t processed = 0;    // backups put back or deleted
  std::vector<LeftBackup> left;  // matching files left as they were, in the order met
};

enum class BackupError {
  NoExtension,    // the extension is empty
  NoFolder,       // the folder text is empty
  MissingFolder,  // the folder does not exist; `folder` names it (path text)
  SiteBusy,       // another run holds an overlapping tree, or (`error` set) whether one does cannot be
                  // told; `folder` names where (host path)
  ListingBroken,  // a folder listing broke off part way (a disk fault)
};

struct BackupFailure {
  BackupError code = BackupError::NoExtension;
  std::string folder;
  int error = 0;  // SiteBusy: why the folder could not be locked (0: it is busy)
};

// Checks the run (an empty extension, an empty folder text and a folder that
// does not exist are refused), takes the lock on the tree (a run on an
// overlapping tree refuses this one) and processes it. The words for either
// end are in core/wording/backup_texts.h.
Outcome<BackupOutcome, BackupFailure> runBackupRestore(const BackupRun& run);

// One folder (path text) and, with `subfolders`, its tree; every file whose
// last extension equals `extension` (ignoring ASCII case) is processed.
// Restoring moves "x.htm.bak" over "x.htm" (only when "x.htm" is absent or a
// readable file); deleting removes it. Only what was put back or deleted is
// counted in `outcome.processed`; every other matching file is added to
// `outcome.left` with its reason, and so is a backup that is not a regular
// file (a link, a pipe), which is never moved or deleted. Every folder is
// entered once, so linked loops end. A folder that cannot be listed counts as
// empty. Before a folder's backups, what a killed rewrite left in it is
// cleared up. False only when a listing breaks off part way (a disk fault):
// the files already listed are handled, the remaining subfolders are not.
bool processBackupFolder(std::string_view folder, std::string_view extension, bool subfolders, bool deleteBackups,
                         BackupOutcome& outcome);

}  // namespace quillorn
