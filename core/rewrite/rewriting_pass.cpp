#include "core/rewrite/rewriting_pass.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/rewrite/tag_rewriter.h"
#include "core/search/search_pass.h"
#include "core/text/document_buffer.h"
#include "platform/host_path.h"

// The file handling speaks POSIX (link, rename, fsync); a Windows build needs
// CreateHardLinkW, MoveFileExW and FlushFileBuffers in their place.

namespace quillorn {
namespace {

namespace fs = std::filesystem;

// rewriteDocument writes many small pieces; they reach the disk in blocks.
constexpr std::size_t kWriteBlock = 64 * 1024;

// How many names of the pass's own short-lived files are tried in one folder
// before giving up (each try only collides with a leftover of an earlier run).
constexpr unsigned kScratchNameAttempts = 100;

std::string doneText(std::int64_t processedTotal, std::size_t entryCount) {
  return "Done (" + std::to_string(processedTotal) + " of " + std::to_string(entryCount) +
         " URL(s) processed successfully)";
}

std::string statusLine(std::string_view path, std::size_t byteCount, Encoding encoding) {
  std::string line = "Processing \"" + platform::displayPath(path) + "\" (" + std::to_string(byteCount) + " bytes)";
  line += encodingLabel(encoding);
  if (encoding == Encoding::Utf16) line += ')';
  return line;
}

// A hidden name in `folder` for one of the pass's own files: the new content
// before it replaces the target, or a second name of an old file.
fs::path scratchName(const fs::path& folder) {
  static unsigned serial = 0;
  return folder / (".quillorn-" + std::to_string(::getpid()) + "-" + std::to_string(serial++) + ".tmp");
}

// Runs `attempt` (0 or an errno value) on fresh scratch names until one is not
// taken; `name` is the last name tried. Returns the last result.
template <typename Attempt>
int onFreshName(const fs::path& folder, fs::path& name, Attempt attempt) {
  int error = EEXIST;
  for (unsigned i = 0; i < kScratchNameAttempts && error == EEXIST; ++i) {
    name = scratchName(folder);
    error = attempt(name);
  }
  return error;
}

int renameFile(const fs::path& from, const fs::path& to) { return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno; }

void removeFile(const fs::path& path) { ::unlink(path.c_str()); }

// Makes the renames in `folder` durable; a folder that cannot be synced is
// not an error (some file systems refuse).
void syncFolder(const fs::path& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// Writes through a block buffer into an open file. For a document stored
// big-endian the bytes arrive in little-endian order and every pair is swapped
// on the way out, counted from the file's first byte; an odd last byte stays
// as it is. Every block but the last is of even length, so each block starts
// at an even offset of the file.
class FileSink final : public OutputSink {
 public:
  FileSink(int fd, bool swapPairs) : fd_(fd), swapPairs_(swapPairs) { buffer_.reserve(kWriteBlock); }

  bool write(const std::uint8_t* bytes, std::size_t count) override {
    if (error_ != 0) return false;
    while (count > 0) {
      const std::size_t room = kWriteBlock - buffer_.size();
      const std::size_t piece = count < room ? count : room;
      buffer_.insert(buffer_.end(), bytes, bytes + piece);
      bytes += piece;
      count -= piece;
      if (buffer_.size() == kWriteBlock && !flush(false)) return false;
    }
    return true;
  }

  // Writes what is buffered and syncs the file to the disk. False when any
  // write so far failed.
  bool finish() {
    if (error_ != 0 || !flush(true)) return false;
    if (::fsync(fd_) != 0) error_ = errno;
    return error_ == 0;
  }

  int error() const { return error_; }

 private:
  bool flush(bool last) {
    std::size_t count = buffer_.size();
    if (swapPairs_ && !last) count &= ~static_cast<std::size_t>(1);
    if (swapPairs_) swapBytePairs(buffer_.data(), count);
    if (!writeAll(buffer_.data(), count)) return false;
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(count));
    return true;
  }

  bool writeAll(const std::uint8_t* bytes, std::size_t count) {
    while (count > 0) {
      const ssize_t written = ::write(fd_, bytes, count);
      if (written < 0) {
        if (errno == EINTR) continue;
        error_ = errno;
        return false;
      }
      if (written == 0) {
        error_ = EIO;
        return false;
      }
      bytes += written;
      count -= static_cast<std::size_t>(written);
    }
    return true;
  }

  int fd_;
  bool swapPairs_;
  std::vector<std::uint8_t> buffer_;
  int error_ = 0;
};

enum class FileResult { Skipped, Rewritten, WriteFailed };

struct FileReport {
  FileResult result = FileResult::Skipped;
  std::size_t occurrences = 0;
  int error = 0;       // errno of the failed step, for WriteFailed
  std::string detail;  // what stayed where, when it is not simply "as before"
  fs::path folder;     // where the renames of a rewritten file happened
};

// Makes the renames of a folder durable once the pass has left that folder
// (the list holds a folder's files together), instead of after every file:
// each rename is atomic on its own, so until then a crash leaves every name
// with either its old or its new content, whole.
class FolderSync {
 public:
  FolderSync() = default;
  FolderSync(const FolderSync&) = delete;
  FolderSync& operator=(const FolderSync&) = delete;
  ~FolderSync() { flush(); }
  void touched(const fs::path& folder) {
    if (folder == pending_) return;
    flush();
    pending_ = folder;
  }
  void flush() {
    if (!pending_.empty()) syncFolder(pending_);
    pending_.clear();
  }

 private:
  fs::path pending_;
};

FileReport writeFailed(int error, std::string detail = {}) {
  return {FileResult::WriteFailed, 0, error, std::move(detail), {}};
}

// Whether the backup name can take the old file: free, or held by a file or a
// link that the backup replaces. A folder (or anything else) there keeps the
// file from being rewritten.
bool backupNameUsable(const fs::path& backup) {
  struct stat info {};
  if (::lstat(backup.c_str(), &info) != 0) return errno == ENOENT;
  return S_ISREG(info.st_mode) || S_ISLNK(info.st_mode);
}

// The new content at `temp` replaces `target`; the old file itself takes the
// backup name. The old file gets a second name first, so that at every step
// the target's name holds the old content or the new, and an old backup is
// only replaced once the target holds the new content.
FileReport commitWithBackup(const fs::path& folder, const fs::path& target, const fs::path& temp,
                            const fs::path& backup) {
  fs::path aside;
  const int linkError = onFreshName(
      folder, aside, [&](const fs::path& name) { return ::link(target.c_str(), name.c_str()) == 0 ? 0 : errno; });
  if (linkError == 0) {
    if (const int error = renameFile(temp, target); error != 0) {
      removeFile(aside);
      removeFile(temp);
      return writeFailed(error);
    }
    if (renameFile(aside, backup) != 0) {
      // The backup name could not be taken after all: the old file goes back.
      if (const int error = renameFile(aside, target); error != 0)
        return writeFailed(error, "its old content is in \"" + aside.string() + "\"");
      return {};
    }
    // When the backup name already was a second name of the old file, the
    // rename above left both names in place.
    removeFile(aside);
    return {FileResult::Rewritten, 0, 0, {}, {}};
  }

  // A file system without hard links: the old file moves to the backup name.
  // An old backup waits under a scratch name until the new content is in place.
  fs::path oldBackup;
  struct stat info {};
  const bool hadBackup = ::lstat(backup.c_str(), &info) == 0;
  if (hadBackup) {
    const int placeholderError = onFreshName(folder, oldBackup, [](const fs::path& name) {
      const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
      if (fd < 0) return errno;
      ::close(fd);
      return 0;
    });
    if (placeholderError != 0 || renameFile(backup, oldBackup) != 0) {
      if (placeholderError == 0) removeFile(oldBackup);
      removeFile(temp);
      return {};
    }
  }
  if (renameFile(target, backup) != 0) {
    if (hadBackup) renameFile(oldBackup, backup);
    removeFile(temp);
    return {};
  }
  if (const int error = renameFile(temp, target); error != 0) {
    removeFile(temp);
    if (renameFile(backup, target) != 0) return writeFailed(error, "its old content is in \"" + backup.string() + "\"");
    if (hadBackup) renameFile(oldBackup, backup);
    return writeFailed(error);
  }
  if (hadBackup) removeFile(oldBackup);
  return {FileResult::Rewritten, 0, 0, {}, {}};
}

// Rewrites list entry `index` if it is a file of a rewritten type that can be
// read and is not empty.
FileReport rewriteFile(RewritePassContext& context, const std::vector<std::vector<std::size_t>>& entries,
                       std::size_t index) {
  const std::string& path = context.files.path(index);
  if (fileKind(path) == FileKind::Other) return {};
  std::optional<DocumentBuffer> document = loadDocument(path);
  if (!document || document->size() == 0) return {};

  const fs::path target = platform::toHostPath(path);
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  const fs::path backup = platform::toHostPath(backupPath(path));
  const bool makeBackups = context.settings.makeBackups != 0;

  struct stat targetInfo {};
  if (::lstat(target.c_str(), &targetInfo) != 0) return {};
  // Without a backup the old file would have to be deleted, which the
  // read-only attribute forbids; such a file is left alone.
  const bool readOnly = (targetInfo.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
  if (!makeBackups && readOnly) return {};
  if (makeBackups && !backupNameUsable(backup)) return {};

  detectEncoding(*document);

  fs::path temp;
  int fd = -1;
  const int createError = onFreshName(folder, temp, [&fd](const fs::path& name) {
    fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    return fd < 0 ? errno : 0;
  });
  if (createError != 0) return writeFailed(createError);
  // The new file keeps who may read it (a private page stays private) and, like
  // a file created anew, is writable by its owner: a read-only attribute does
  // not carry over.
  const mode_t mode = (targetInfo.st_mode & 07777 & ~static_cast<mode_t>(S_ISUID | S_ISGID)) | S_IWUSR;
  if (::fchmod(fd, mode) != 0) {
    const int chmodError = errno;
    ::close(fd);
    removeFile(temp);
    return writeFailed(chmodError);
  }

  FileSink sink(fd, document->storedBigEndian);
  const RewriteResult rewritten = rewriteDocument(document->view(), context.urls, entries[index], context.files,
                                                  context.settings, static_cast<std::int32_t>(index), sink);
  const bool complete = !rewritten.writeFailed && sink.finish();
  int error = complete ? 0 : (sink.error() != 0 ? sink.error() : EIO);
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error != 0) {
    removeFile(temp);
    return writeFailed(error);
  }
  const std::size_t byteCount = document->size();
  const Encoding encoding = document->encoding;
  document.reset();

  FileReport report;
  if (makeBackups) {
    report = commitWithBackup(folder, target, temp, backup);
  } else if (const int renameError = renameFile(temp, target); renameError != 0) {
    removeFile(temp);
    report = writeFailed(renameError);
  } else {
    report.result = FileResult::Rewritten;
  }
  if (report.result != FileResult::Rewritten) return report;

  context.panel.appendStatusLine(statusLine(path, byteCount, encoding));
  report.occurrences = rewritten.occurrences;
  report.folder = folder;
  return report;
}

}  // namespace

std::string backupPath(std::string_view path) { return std::string(path) + ".bak"; }

RewritePassOutcome runRewritingPass(RewritePassContext& context) {
  ProgressPanel& panel = context.panel;
  RewritePassOutcome outcome;
  const std::size_t fileCount = context.files.count();
  const auto upperBound = static_cast<std::int64_t>(fileCount);
  panel.setPanelStatus(PanelStatus::Running, kRunningText);
  panel.setOverallProgress(upperBound, fileCount > 0 ? 1 : 0);

  const std::vector<std::vector<std::size_t>> entries = entriesByFile(context.urls, fileCount);
  std::int64_t processedTotal = 0;
  FolderSync folders;
  for (std::size_t i = 0; i < fileCount; ++i) {
    const FileReport report = rewriteFile(context, entries, i);
    if (report.result == FileResult::Rewritten) folders.touched(report.folder);
    if (report.result == FileResult::WriteFailed) {
      outcome.state = RewriteState::DiskError;
      outcome.processedTotal = -1;
      outcome.errorMessage = std::string(kDiskWritingError);
      outcome.failedFile = platform::displayPath(context.files.path(i));
      outcome.statusText = "Disk writing error on \"" + outcome.failedFile + "\" (" + std::strerror(report.error) +
                           "): " + (report.detail.empty() ? "the file keeps its old content" : report.detail);
      panel.setPanelStatus(PanelStatus::Stopped, outcome.statusText);
      return outcome;
    }
    processedTotal += static_cast<std::int64_t>(report.occurrences);
    panel.setOverallProgress(upperBound, static_cast<std::int64_t>(i) + 1);
    if (panel.pollStopRequest() && (!context.confirmStop || context.confirmStop())) {
      outcome.state = RewriteState::Stopped;
      outcome.processedTotal = -1;
      outcome.statusText = std::string(kStoppedText);
      panel.setPanelStatus(PanelStatus::Stopped, outcome.statusText);
      return outcome;
    }
  }

  folders.flush();
  outcome.processedTotal = processedTotal;
  outcome.statusText = doneText(processedTotal, context.urls.count());
  panel.setPanelStatus(PanelStatus::Done, outcome.statusText);
  return outcome;
}

}  // namespace quillorn
