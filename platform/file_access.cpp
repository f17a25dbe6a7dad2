#include "platform/file_access.h"

#include <acl/libacl.h>
#include <attr/libattr.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <utility>

namespace quillorn::platform {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kTemporaryPrefix = ".";
constexpr std::string_view kTemporarySuffix = ".quillorn-new";

FaultHook gFaultHook = nullptr;

// 0, or the errno value a test makes the call fail with.
int faultPoint(const char* call) { return gFaultHook != nullptr ? gFaultHook(call) : 0; }

// A write beyond the file-size limit must fail with EFBIG, not end the
// process: the pass then leaves the file as it was and says so.
void ignoreFileSizeSignal() {
  static std::once_flag once;
  std::call_once(once, [] { std::signal(SIGXFSZ, SIG_IGN); });
}

FileStamp fromStat(const struct stat& info) {
  FileStamp stamp;
  if (S_ISREG(info.st_mode)) {
    stamp.kind = FileStamp::Kind::File;
  } else if (S_ISDIR(info.st_mode)) {
    stamp.kind = FileStamp::Kind::Folder;
  } else if (S_ISLNK(info.st_mode)) {
    stamp.kind = FileStamp::Kind::Link;
  } else {
    stamp.kind = FileStamp::Kind::Other;
  }
  stamp.device = static_cast<std::uint64_t>(info.st_dev);
  stamp.inode = static_cast<std::uint64_t>(info.st_ino);
  stamp.size = static_cast<std::uint64_t>(info.st_size);
  stamp.modifiedNs = static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
  stamp.mode = static_cast<std::uint32_t>(info.st_mode & 07777);
  stamp.owner = static_cast<std::uint32_t>(info.st_uid);
  stamp.group = static_cast<std::uint32_t>(info.st_gid);
  stamp.links = static_cast<std::uint64_t>(info.st_nlink);
  return stamp;
}

// A descriptor that is closed when it goes.
struct Descriptor {
  explicit Descriptor(int opened) : fd(opened) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() {
    if (fd >= 0) ::close(fd);
  }
  int fd = -1;
};

// Whether an error says that the file system keeps no access lists or
// extended attributes (so there are none to keep).
bool unsupported(int error) { return error == ENOTSUP || error == EOPNOTSUPP || error == ENOSYS; }

bool sameFile(const FileStamp& a, const FileStamp& b) {
  return a.kind != FileStamp::Kind::Missing && a.kind == b.kind && a.device == b.device && a.inode == b.inode;
}

int renameFile(const fs::path& from, const fs::path& to) {
  if (const int injected = faultPoint("rename")) return injected;
  return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

int removeName(const fs::path& path) {
  if (const int injected = faultPoint("unlink")) return injected;
  return ::unlink(path.c_str()) == 0 ? 0 : errno;
}

// Moves `from` to `to` unless `to` exists (EEXIST then).
int renameNoReplace(const fs::path& from, const fs::path& to) {
  if (const int injected = faultPoint("rename")) return injected;
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
  // The file system cannot refuse to replace: look first.
  if (stampOf(to).kind != FileStamp::Kind::Missing) return EEXIST;
  return renameFile(from, to);
}

// Whether two files hold the same bytes.
bool sameContent(const fs::path& a, const fs::path& b) {
  std::vector<std::uint8_t> first;
  std::vector<std::uint8_t> second;
  FileStamp stamp;
  return readWholeFile(a, first, stamp) == ReadStatus::Read && readWholeFile(b, second, stamp) == ReadStatus::Read &&
         first == second;
}

// Errors of link() that mean "this file system (or this file) takes no second
// name", as opposed to a failure of this one attempt.
bool noHardLinks(int error) {
  return error == EPERM || error == EXDEV || error == EMLINK || error == ENOTSUP || error == EOPNOTSUPP ||
         error == ENOSYS;
}

int copyAside(const fs::path& source, const fs::path& copy);

}  // namespace

FileStamp stampOf(const fs::path& path) {
  struct stat info {};
  if (path.empty() || ::lstat(path.c_str(), &info) != 0) return {};
  return fromStat(info);
}

bool sameFileUnchanged(const FileStamp& a, const FileStamp& b) {
  return sameFile(a, b) && a.size == b.size && a.modifiedNs == b.modifiedNs;
}

namespace {

// Opens `path` (following links) for reading when it names a regular file,
// without ever waiting: a named pipe with no writer or a device would hold
// open() or read() for as long as nothing comes. What is not a regular file is
// refused from stat() before it is opened, and once more from the descriptor,
// in case the name changed in between. Read with `fd` open: O_NONBLOCK stays
// set, since it changes nothing for a regular file. Otherwise `fd` is closed.
// `info` describes what was found whenever it could be looked at.
ReadStatus openRegularFile(const fs::path& path, int& fd, struct stat& info, int& error) {
  fd = -1;
  error = 0;
  if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) return ReadStatus::NotRegular;
  fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    error = errno;
    // A socket refuses to be opened (ENXIO): it is still no regular file.
    if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) return ReadStatus::NotRegular;
    return error == ENOENT ? ReadStatus::Missing : ReadStatus::Unreadable;
  }
  ReadStatus status = ReadStatus::Read;
  if (::fstat(fd, &info) != 0) {
    error = errno;
    status = ReadStatus::Unreadable;
  } else if (!S_ISREG(info.st_mode)) {
    status = ReadStatus::NotRegular;
  }
  if (status != ReadStatus::Read) {
    ::close(fd);
    fd = -1;
  }
  return status;
}

}  // namespace

ReadStatus readWholeFile(const fs::path& path, std::vector<std::uint8_t>& bytes, FileStamp& stamp,
                         std::uint64_t maxBytes, int* readError) {
  bytes.clear();
  stamp = {};
  struct stat info {};
  int fd = -1;
  int ignored = 0;
  int& error = readError != nullptr ? *readError : ignored;
  ReadStatus status = openRegularFile(path, fd, info, error);
  if (status == ReadStatus::NotRegular) stamp = fromStat(info);
  if (status != ReadStatus::Read) return status;
  if (static_cast<std::uint64_t>(info.st_size) > maxBytes) {
    stamp = fromStat(info);
    ::close(fd);
    return ReadStatus::TooLarge;
  }

  // Straight into a buffer of the file's size, then on to the end: a file
  // that grew or shrank meanwhile is read as it is (up to the limit), and its
  // stamp (taken again below) says so. What comes beyond the size goes
  // through a block of its own, so a file that keeps its size is never copied.
  bytes.resize(static_cast<std::size_t>(info.st_size));
  std::size_t filled = 0;
  std::array<std::uint8_t, 65536> block{};
  while (true) {
    const bool intoBuffer = filled < bytes.size();
    const ssize_t count =
        intoBuffer ? ::read(fd, bytes.data() + filled, bytes.size() - filled) : ::read(fd, block.data(), block.size());
    if (count == 0) break;
    if (count < 0) {
      if (errno == EINTR) continue;
      error = errno;
      status = ReadStatus::Unreadable;
      break;
    }
    const auto got = static_cast<std::size_t>(count);
    if (!intoBuffer) {
      if (static_cast<std::uint64_t>(filled) + got > maxBytes) {
        status = ReadStatus::TooLarge;
        break;
      }
      bytes.insert(bytes.end(), block.begin(), block.begin() + count);
    }
    filled += got;
  }
  bytes.resize(filled);
  if ((status == ReadStatus::Read || status == ReadStatus::TooLarge) && ::fstat(fd, &info) == 0) {
    stamp = fromStat(info);
  }
  ::close(fd);
  if (status != ReadStatus::Read) std::vector<std::uint8_t>().swap(bytes);
  return status;
}

ReadStatus checkReadable(const fs::path& path) {
  struct stat info {};
  int fd = -1;
  int error = 0;
  const ReadStatus status = openRegularFile(path, fd, info, error);
  if (fd >= 0) ::close(fd);
  return status;
}

bool canCreateIn(const fs::path& folder) {
  return ::faccessat(AT_FDCWD, folder.empty() ? "." : folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

bool errorEndsEveryWrite(int error) { return error == ENOSPC || error == EDQUOT || error == EFBIG || error == EIO; }

std::string errorText(int error) { return std::strerror(error); }

void syncFolder(const fs::path& folder) {
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  if (faultPoint("fsync") == 0) ::fsync(fd);
  ::close(fd);
}

fs::path temporaryPathFor(const fs::path& target) {
  std::string name(kTemporaryPrefix);
  name += target.filename().string();
  name += kTemporarySuffix;
  return target.parent_path() / name;
}

std::optional<std::string> targetNameOfTemporary(std::string_view name) {
  if (name.size() <= kTemporaryPrefix.size() + kTemporarySuffix.size() || !name.starts_with(kTemporaryPrefix) ||
      !name.ends_with(kTemporarySuffix)) {
    return std::nullopt;
  }
  name.remove_prefix(kTemporaryPrefix.size());
  name.remove_suffix(kTemporarySuffix.size());
  return std::string(name);
}

FileReplacement::FileReplacement(FileReplacement&& other) noexcept
    : target_(std::move(other.target_)),
      temporary_(std::move(other.temporary_)),
      fd_(std::exchange(other.fd_, -1)),
      pending_(std::exchange(other.pending_, false)),
      lookNotKept_(other.lookNotKept_) {}

FileReplacement& FileReplacement::operator=(FileReplacement&& other) noexcept {
  if (this != &other) {
    discard();
    target_ = std::move(other.target_);
    temporary_ = std::move(other.temporary_);
    fd_ = std::exchange(other.fd_, -1);
    pending_ = std::exchange(other.pending_, false);
    lookNotKept_ = other.lookNotKept_;
  }
  return *this;
}

FileReplacement::~FileReplacement() { discard(); }

void FileReplacement::discard() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  if (pending_) {
    removeName(temporary_);
    pending_ = false;
  }
}

int FileReplacement::begin(const fs::path& target) {
  discard();
  ignoreFileSizeSignal();
  target_ = target;
  temporary_ = temporaryPathFor(target);
  if (const int injected = faultPoint("open")) return injected;
  fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd_ < 0) return errno;
  pending_ = true;
  return 0;
}

int FileReplacement::write(const std::uint8_t* bytes, std::size_t count) {
  if (fd_ < 0) return EBADF;
  while (count > 0) {
    if (const int injected = faultPoint("write")) return injected;
    const ssize_t written = ::write(fd_, bytes, count);
    if (written < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (written == 0) return EIO;
    bytes += written;
    count -= static_cast<std::size_t>(written);
  }
  return 0;
}

int FileReplacement::giveLook(const NewFileLook& look) {
  if (look.keepOwner) {
    // Exactly the old owner and group, or the file is not replaced: a new
    // file of this process's own would let other people in, or shut them out.
    if (const int injected = faultPoint("fchown")) return injected;
    if (::fchown(fd_, look.owner, look.group) != 0) return errno;
  }
  const Descriptor source(
      look.copyFrom.empty() ? -1 : ::open(look.copyFrom.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!look.copyFrom.empty() && source.fd < 0) return errno;
  // The access list (or, without one, the permission bits) of the old file,
  // then the bits asked for: where it has an access list, its group bits are
  // the list's mask, so the list comes through as it was.
  if (source.fd >= 0) {
    if (const int injected = faultPoint("acl")) return injected;
    if (::perm_copy_fd(look.copyFrom.c_str(), source.fd, temporary_.c_str(), fd_, nullptr) != 0 &&
        !unsupported(errno)) {
      return errno;
    }
  }
  // After fchown, which may clear the set-id bits that fchmod gives.
  if (const int injected = faultPoint("fchmod")) return injected;
  if (::fchmod(fd_, static_cast<mode_t>(look.mode & 07777)) != 0) return errno;
  if (source.fd >= 0) {
    // Every extended attribute that is not a permission (the system's list of
    // those to leave out, /etc/xattr.conf, is heeded).
    if (const int injected = faultPoint("xattr")) return injected;
    if (::attr_copy_fd(look.copyFrom.c_str(), source.fd, temporary_.c_str(), fd_, nullptr, nullptr) != 0 &&
        !unsupported(errno)) {
      return errno;
    }
  }
  return 0;
}

int FileReplacement::finish(const NewFileLook& look) {
  if (fd_ < 0) return EBADF;
  lookNotKept_ = false;
  if (const int error = giveLook(look); error != 0) {
    lookNotKept_ = true;
    return error;
  }
  if (look.keepTimes) {
    const std::array<timespec, 2> times = {timespec{look.accessedNs / 1000000000, look.accessedNs % 1000000000},
                                           timespec{look.modifiedNs / 1000000000, look.modifiedNs % 1000000000}};
    if (const int injected = faultPoint("futimens")) return injected;
    if (::futimens(fd_, times.data()) != 0) return errno;
  }
  if (const int injected = faultPoint("fsync")) return injected;
  if (::fsync(fd_) != 0) return errno;
  const int injected = faultPoint("close");
  const int closed = ::close(fd_);
  fd_ = -1;
  if (injected != 0) return injected;
  return closed == 0 ? 0 : errno;
}

int FileReplacement::commit() {
  if (!pending_ || fd_ >= 0) return EBADF;
  if (const int error = renameFile(temporary_, target_); error != 0) return error;
  pending_ = false;
  return 0;
}

int FileReplacement::commitKeeping(const fs::path& backup) {
  if (!pending_ || fd_ >= 0) return EBADF;
  int linkError = faultPoint("link");
  if (linkError == 0 && ::link(target_.c_str(), backup.c_str()) == 0) {
    if (const int error = renameFile(temporary_, target_); error != 0) {
      // The backup is only a second name of the unchanged target: it goes.
      if (sameFile(stampOf(backup), stampOf(target_))) removeName(backup);
      return error;
    }
    pending_ = false;
    return 0;
  }
  if (linkError == 0) linkError = errno;
  if (!noHardLinks(linkError)) return linkError;

  // No second name can be given: the backup is a copy of the old file, made
  // whole under a name of its own first, so that the target's name never
  // stands empty and the backup's never holds a part.
  if (const int error = copyAside(target_, backup); error != 0) return error;
  if (const int error = renameFile(temporary_, target_); error != 0) {
    removeName(backup);
    return error;
  }
  pending_ = false;
  return 0;
}

int FileReplacement::commitUnlessTaken() {
  if (!pending_ || fd_ >= 0) return EBADF;
  if (const int error = renameNoReplace(temporary_, target_); error != 0) return error;
  pending_ = false;
  return 0;
}

namespace {

// Copies `source` (content, permissions, owner, times) whole to a temporary
// file and gives it the name `copy` unless something has that name (EEXIST).
int copyAside(const fs::path& source, const fs::path& copy) {
  const int in = ::open(source.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (in < 0) return errno;
  struct stat info {};
  int error = ::fstat(in, &info) == 0 ? 0 : errno;
  // Only a regular file is copied (the open never waits on a pipe).
  if (error == 0 && !S_ISREG(info.st_mode)) error = EINVAL;
  FileReplacement replacement;
  if (error == 0) error = replacement.begin(copy);
  std::array<std::uint8_t, 65536> block{};
  while (error == 0) {
    const ssize_t count = ::read(in, block.data(), block.size());
    if (count == 0) break;
    if (count < 0) {
      if (errno != EINTR) error = errno;
      continue;
    }
    error = replacement.write(block.data(), static_cast<std::size_t>(count));
  }
  ::close(in);
  if (error != 0) return error;
  NewFileLook look;
  look.mode = static_cast<std::uint32_t>(info.st_mode & 07777);
  look.keepOwner = true;
  look.owner = static_cast<std::uint32_t>(info.st_uid);
  look.group = static_cast<std::uint32_t>(info.st_gid);
  look.keepTimes = true;
  look.copyFrom = source;
  look.accessedNs = static_cast<std::int64_t>(info.st_atim.tv_sec) * 1000000000 + info.st_atim.tv_nsec;
  look.modifiedNs = static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
  if (const int finished = replacement.finish(look); finished != 0) return finished;
  return replacement.commitUnlessTaken();
}

}  // namespace

int replaceWholeFile(const fs::path& target, std::string_view content, const NewFileLook& look) {
  recoverTemporary(target, {});
  NewFileLook newLook = look;
  struct stat info {};
  if (::stat(target.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
    newLook.mode = static_cast<std::uint32_t>(info.st_mode & 07777);
  }
  FileReplacement replacement;
  if (const int error = replacement.begin(target); error != 0) return error;
  if (const int error = replacement.write(reinterpret_cast<const std::uint8_t*>(content.data()), content.size());
      error != 0) {
    return error;
  }
  if (const int error = replacement.finish(newLook); error != 0) return error;
  if (const int error = replacement.commit(); error != 0) return error;
  syncFolder(target.has_parent_path() ? target.parent_path() : fs::path("."));
  return 0;
}

int moveOver(const fs::path& from, const fs::path& to) { return renameFile(from, to); }

int removeFile(const fs::path& path) { return removeName(path); }

Recovery recoverTemporary(const fs::path& target, const fs::path& backup) {
  const fs::path temporary = temporaryPathFor(target);
  if (stampOf(temporary).kind != FileStamp::Kind::File) return Recovery::None;
  // The run was killed before the new content took the target's place. A
  // backup that is a second name or a copy of the unchanged target was made by
  // that run (a run makes the temporary file only while the backup name is
  // free): it goes too, as the target holds the same.
  const FileStamp targetStamp = stampOf(target);
  const FileStamp backupStamp = stampOf(backup);
  if (targetStamp.kind == FileStamp::Kind::File && backupStamp.kind == FileStamp::Kind::File &&
      (sameFile(backupStamp, targetStamp) || sameContent(target, backup))) {
    removeName(backup);
  }
  return removeName(temporary) == 0 ? Recovery::RemovedUnfinished : Recovery::Failed;
}

void setFaultHook(FaultHook hook) { gFaultHook = hook; }

}  // namespace quillorn::platform
