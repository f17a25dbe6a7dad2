#include "core/wording/backup_texts.h"

#include <algorithm>

#include "core/wording/site_busy.h"
#include "platform/code_page.h"
#include "platform/file_access.h"
#include "platform/host_path.h"

namespace quillorn {

std::string backupFailureText(const BackupFailure& failure) {
  switch (failure.code) {
    case BackupError::NoExtension:
      return "The backup extension is empty: give the extension of the backup files, such as bak.";
    case BackupError::NoFolder: return "No folder is given: give the folder whose backups are to be processed.";
    case BackupError::MissingFolder:
      return "The folder \"" + platform::displayPath(failure.folder) + "\" does not exist.";
    case BackupError::SiteBusy:
      return siteRefusalText(failure.folder, failure.error) + std::string(kNothingChangedText);
    case BackupError::ListingBroken:
      return "There was a serious error during processing! Please check Your disk for errors!";
  }
  return {};
}

std::string backupDoneText(std::int64_t processed) {
  return std::to_string(processed) + " backup file(s) processed successfully";
}

std::string leftBackupText(const LeftBackup& left) {
  std::string text = "\"" + platform::toDisplayUtf8(left.path) + "\": ";
  switch (left.reason) {
    case LeftReason::OutsideTree:
      return text + "it lies outside the folder given (reached through a folder link that leads out of it)";
    case LeftReason::NotRegularFile: return text + "it is not a regular file (a link, a pipe or a device)";
    case LeftReason::NoTargetName: return text + "its name is nothing but the extension, so it names no file";
    case LeftReason::TargetNotFile:
      return text + "the file it was made from is now a folder or something else that is not a file";
    case LeftReason::TargetUnreadable: return text + "the file it was made from cannot be opened for reading";
    case LeftReason::MoveFailed: return text + "it could not be moved back (" + platform::errorText(left.error) + ")";
    case LeftReason::DeleteFailed: return text + "it could not be deleted (" + platform::errorText(left.error) + ")";
  }
  return text;
}

std::string backupReportText(const BackupOutcome& outcome, std::size_t namedAtMost) {
  std::string text = backupDoneText(outcome.processed);
  if (outcome.left.empty()) return text;
  text += "\n\n" + std::to_string(outcome.left.size()) + " backup file(s) left as they were:";
  const std::size_t named = std::min(namedAtMost, outcome.left.size());
  for (std::size_t i = 0; i < named; ++i) text += "\n" + leftBackupText(outcome.left[i]);
  if (named < outcome.left.size()) text += "\nand " + std::to_string(outcome.left.size() - named) + " more.";
  return text;
}

}  // namespace quillorn
