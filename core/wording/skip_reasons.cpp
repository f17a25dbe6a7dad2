#include "core/wording/skip_reasons.h"

#include "core/model/file_kind.h"
#include "platform/file_access.h"
#include "platform/host_path.h"

namespace quillorn {

std::string skipReasonText(SkipReason reason, int error, std::string_view path) {
  switch (reason) {
    case SkipReason::ChangedSinceSearch:
      return "it changed after it was searched (edited, replaced or removed): run fix again to repair it as it is "
             "now";
    case SkipReason::IsLink: return "it is a link to another file, which is repaired under its own name";
    case SkipReason::OutsideFolders:
      return "it lies outside the folders given (reached through a folder link that leads out of them)";
    case SkipReason::BackupExists: return "its backup \"" + platform::displayPath(backupPath(path)) + "\" exists";
    case SkipReason::BackupNameTaken:
      return "\"" + platform::displayPath(backupPath(path)) + "\", which is not a file, takes its backup name";
    case SkipReason::ReadOnly: return "it is read-only, and without backups it cannot be replaced";
    case SkipReason::FolderNotWritable: return "no new file can be made in its folder";
    case SkipReason::WriteFailed: return "it could not be written (" + platform::errorText(error) + ")";
  }
  return {};
}

}  // namespace quillorn
