#include "core/wording/backup_texts.h"

#include "core/wording/site_busy.h"
#include "platform/host_path.h"

namespace quillorn {

std::string backupFailureText(const BackupFailure& failure) {
  switch (failure.code) {
    case BackupError::NoExtension:
      return "The backup extension is empty: give the extension of the backup files, such as bak.";
    case BackupError::NoFolder: return "No folder is given: give the folder whose backups are to be processed.";
    case BackupError::MissingFolder:
      return "The folder \"" + platform::displayPath(failure.folder) + "\" does not exist.";
    case BackupError::SiteBusy: return anotherRunText(failure.folder) + std::string(kNothingChangedText);
    case BackupError::ListingBroken:
      return "There was a serious error during processing! Please check Your disk for errors!";
  }
  return {};
}

std::string backupDoneText(std::int64_t processed) {
  return std::to_string(processed) + " backup file(s) processed successfully";
}

}  // namespace quillorn
