#pragma once
// Advisory locks between programs: a shared or exclusive lock on a folder or a
// file, held until the object goes or the process ends (a killed process holds
// none, so a lock never outlives its run). Programs that do not ask are not
// stopped.
//
// Known limits: a file system that cannot lock (some network file systems)
// reports Unavailable; POSIX only. Stand-ins keep apart the runs of one
// machine only, and a stand-in that another user made unreadable is
// Unavailable.

#include <filesystem>

namespace quillorn::platform {

enum class LockMode { Shared, Exclusive };

enum class LockStatus {
  Taken,
  Busy,         // another holder's lock conflicts (only when not waiting)
  Unavailable,  // the path cannot be opened, or its file system does not lock
};

class AdvisoryLock {
 public:
  AdvisoryLock() = default;
  AdvisoryLock(const AdvisoryLock&) = delete;
  AdvisoryLock& operator=(const AdvisoryLock&) = delete;
  AdvisoryLock(AdvisoryLock&& other) noexcept;
  AdvisoryLock& operator=(AdvisoryLock&& other) noexcept;
  ~AdvisoryLock();

  // Locks the folder or file at `path`; with `create`, a missing file is made
  // first (empty, 0600). With `wait`, waits for a conflicting lock to go;
  // otherwise a conflict is Busy at once. Any lock held before is released.
  LockStatus take(const std::filesystem::path& path, LockMode mode, bool wait, bool create = false);

  // Locks the stand-in of the folder `folder` instead: a file in the system's
  // lock folder named after the folder's device and inode, which every user
  // can open, so that runs of users who cannot open the folder itself (a
  // parent at mode 0711) still meet there. Never waits.
  LockStatus takeStandIn(const std::filesystem::path& folder, LockMode mode);

  // The errno value of the last take that was Unavailable.
  int unavailableError() const { return error_; }

  bool held() const { return fd_ >= 0; }
  void release();

 private:
  LockStatus lockOpened(int fd, LockMode mode, bool wait);

  int fd_ = -1;
  int error_ = 0;
};

}  // namespace quillorn::platform
