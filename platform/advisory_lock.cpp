#include "platform/advisory_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <utility>

namespace quillorn::platform {

AdvisoryLock::AdvisoryLock(AdvisoryLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

AdvisoryLock& AdvisoryLock::operator=(AdvisoryLock&& other) noexcept {
  if (this != &other) {
    release();
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

AdvisoryLock::~AdvisoryLock() { release(); }

void AdvisoryLock::release() {
  // Closing the descriptor releases the lock.
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

LockStatus AdvisoryLock::take(const std::filesystem::path& path, LockMode mode, bool wait, bool create) {
  release();
  // flock locks an open file, which for a folder needs only read access.
  const int flags = create ? (O_RDWR | O_CREAT | O_CLOEXEC) : (O_RDONLY | O_CLOEXEC);
  const int fd = ::open(path.c_str(), flags | O_NONBLOCK, 0600);
  if (fd < 0) {
    error_ = errno;
    return LockStatus::Unavailable;
  }
  return lockOpened(fd, mode, wait);
}

namespace {

// A folder where every user may make files and no user may remove another's:
// the system's lock folder, else the temporary folder.
const std::filesystem::path& standInFolder() {
  static const std::filesystem::path folder = [] {
    for (const char* candidate : {"/run/lock", "/var/lock", "/tmp"}) {
      struct stat info {};
      if (::stat(candidate, &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == 0 &&
          (info.st_mode & (S_ISVTX | S_IWOTH)) == (S_ISVTX | S_IWOTH)) {
        return std::filesystem::path(candidate);
      }
    }
    return std::filesystem::path();
  }();
  return folder;
}

}  // namespace

LockStatus AdvisoryLock::takeStandIn(const std::filesystem::path& folder, LockMode mode) {
  release();
  struct stat info {};
  if (::stat(folder.c_str(), &info) != 0) {
    error_ = errno;
    return LockStatus::Unavailable;
  }
  if (standInFolder().empty()) {
    error_ = ENOENT;
    return LockStatus::Unavailable;
  }
  char name[80];
  std::snprintf(name, sizeof name, "quillorn-folder-%llx-%llx.lock", static_cast<unsigned long long>(info.st_dev),
                static_cast<unsigned long long>(info.st_ino));
  const std::filesystem::path path = standInFolder() / name;
  // Read access is enough for flock, so a stand-in another user made serves
  // this one too; a link put there is not followed.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
  if (fd < 0) {
    error_ = errno;
    return LockStatus::Unavailable;
  }
  struct stat standIn {};
  if (::fstat(fd, &standIn) != 0 || !S_ISREG(standIn.st_mode)) {
    error_ = EINVAL;
    ::close(fd);
    return LockStatus::Unavailable;
  }
  // Whatever the creator's umask, every user must be able to open it.
  if (standIn.st_uid == ::geteuid() && (standIn.st_mode & 0777) != 0644) ::fchmod(fd, 0644);
  return lockOpened(fd, mode, false);
}

LockStatus AdvisoryLock::lockOpened(int fd, LockMode mode, bool wait) {
  const int operation = (mode == LockMode::Exclusive ? LOCK_EX : LOCK_SH) | (wait ? 0 : LOCK_NB);
  while (::flock(fd, operation) != 0) {
    if (errno == EINTR) continue;
    const int error = errno;
    ::close(fd);
    if (error == EWOULDBLOCK) return LockStatus::Busy;
    error_ = error;
    return LockStatus::Unavailable;
  }
  fd_ = fd;
  return LockStatus::Taken;
}

}  // namespace quillorn::platform
