#include "core/wording/skip_reasons.h"

#include "core/model/file_kind.h"
#include "platform/file_access.h"
#include "platform/host_path.h"

namespace quillorn {

std::string skipReasonText(SkipReason reason, int error, std::string_view path, std::string_view again) {
  // Built by appending: GCC 12 warns about `"..." + std::string` here (-Wrestrict).
  std::string text;
  switch (reason) {
    case SkipReason::ChangedSinceSearch:
      text.append("it changed after it was searched (edited, replaced or removed): ")
          .append(again)
          .append(" to repair it as it is now");
      break;
    case SkipReason::IsLink: text = "it is a link to another file, which is repaired under its own name"; break;
    case SkipReason::OutsideFolders:
      text = "it lies outside the folders given (reached through a folder link that leads out of them)";
      break;
    case SkipReason::BackupExists:
      text.append("its backup \"").append(platform::displayPath(backupPath(path))).append("\" exists");
      break;
    case SkipReason::BackupNameTaken:
      text.append("\"")
          .append(platform::displayPath(backupPath(path)))
          .append("\", which is not a file, takes its backup name");
      break;
    case SkipReason::ReadOnly: text = "it is read-only, and without backups it cannot be replaced"; break;
    case SkipReason::FolderNotWritable: text = "no new file can be made in its folder"; break;
    case SkipReason::WriteFailed:
      text.append("it could not be written (").append(platform::errorText(error)).append(")");
      break;
    case SkipReason::AccessNotKept:
      text.append("its owner, group, access list or extended attributes cannot be given to a new file (")
          .append(platform::errorText(error))
          .append("); run as its owner, or as root");
      break;
    case SkipReason::NotSearchedTooLarge:
      text.append("it was not searched, as it is larger than ")
          .append(std::to_string(platform::kMaxReadBytes >> 20))
          .append(" MiB");
      break;
    case SkipReason::NotSearchedNotRegular:
      text = "it was not searched, as it was not a regular file (a named pipe, socket or device)";
      break;
  }
  return text;
}

}  // namespace quillorn
