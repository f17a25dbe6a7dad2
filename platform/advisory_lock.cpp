#include "platform/advisory_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
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
  const int fd = ::open(path.c_str(), flags, 0600);
  if (fd < 0) return LockStatus::Unavailable;
  const int operation = (mode == LockMode::Exclusive ? LOCK_EX : LOCK_SH) | (wait ? 0 : LOCK_NB);
  while (::flock(fd, operation) != 0) {
    if (errno == EINTR) continue;
    const int error = errno;
    ::close(fd);
    return error == EWOULDBLOCK ? LockStatus::Busy : LockStatus::Unavailable;
  }
  fd_ = fd;
  return LockStatus::Taken;
}

}  // namespace quillorn::platform
