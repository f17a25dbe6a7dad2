#pragma once
// How a restore or delete of backups ended, in the words Ravelet and
// `quillorn-cli restore` both show.
//
// Known limits: English only.

#include <cstdint>
#include <string>

#include "core/backup/backup_restorer.h"

namespace quillorn {

// Why the run did nothing (or broke off): "The folder "/srv/site" does not exist."
std::string backupFailureText(const BackupFailure& failure);

// "12 backup file(s) processed successfully"
std::string backupDoneText(std::int64_t processed);

}  // namespace quillorn
