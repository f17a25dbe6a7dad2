#pragma once
// How a restore or delete of backups ended, in the words Ravelet and
// `quillorn-cli restore` both show.
//
// Known limits: English only.

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/backup/backup_restorer.h"

namespace quillorn {

// Why the run did nothing (or broke off): "The folder "/srv/site" does not exist."
std::string backupFailureText(const BackupFailure& failure);

// "12 backup file(s) processed successfully"
std::string backupDoneText(std::int64_t processed);

// One backup left as it was: "\"/srv/site/a.htm.bak\": the file it was made
// from is now a folder or something else that is not a file".
std::string leftBackupText(const LeftBackup& left);

// The count line, then, when backups were left, how many and each of them
// (the first `namedAtMost`, then how many more), one a line.
std::string backupReportText(const BackupOutcome& outcome, std::size_t namedAtMost);

}  // namespace quillorn
