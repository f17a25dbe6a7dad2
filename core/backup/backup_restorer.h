#pragma once
// Restores or deletes the backups of a folder tree: every file whose last
// extension matches is either moved back over the file it was made from (its
// name without that extension) or deleted. Files of a folder are handled
// before its subfolders, and each subfolder tree is finished before the next.

#include <cstdint>
#include <string>
#include <string_view>

namespace quillorn {

struct BackupRun {
  std::string folder;     // path text
  std::string extension;  // without the dot, e.g. "bak"
  bool subfolders = true;
  bool deleteBackups = false;  // false: restore
};

struct BackupOutcome {
  bool ok = true;
  std::int64_t processed = 0;  // matching files found, whether or not their move or delete succeeded
  std::string message;         // "12 backup file(s) processed successfully", or why the run failed
};

// Checks the run (an empty extension, an empty folder text and a folder that
// does not exist are refused, with a message saying so) and processes the
// folder tree.
BackupOutcome runBackupRestore(const BackupRun& run);

// One folder (path text) and, with `subfolders`, its tree; adds every file
// whose last extension equals `extension` (ignoring ASCII case) to
// `processed`, whether or not its move or delete succeeded. Restoring moves
// "x.htm.bak" over "x.htm" (only when "x.htm" is absent or a readable file);
// deleting removes it. Every folder is entered once, so linked loops end. A
// folder that cannot be listed counts as empty. False only when a listing
// breaks off part way (a disk fault): the files already listed are handled,
// the remaining subfolders are not. Failed moves and deletes are not failures.
bool processBackupFolder(std::string_view folder, std::string_view extension, bool subfolders, bool deleteBackups,
                         std::int64_t& processed);

}  // namespace quillorn
