#include "core/backup/backup_restorer.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "core/files/site_lock.h"
#include "core/rewrite/rewriting_pass.h"
#include "core/text/ascii.h"
#include "platform/file_access.h"
#include "platform/host_path.h"

namespace quillorn {
namespace {

namespace fs = std::filesystem;

// The text after the last '.' of a file name; empty when it has none.
std::string_view lastExtension(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
}

// Puts the backup `path` (named `name`) back over the file it was made from;
// what stands in the way comes back as the reason it was left.
std::optional<LeftBackup> restoreBackup(const fs::path& path, std::string_view name) {
  const std::size_t dot = name.rfind('.');
  // "x" from "x.bak"; a name that is nothing but its extension names no file.
  if (dot == std::string_view::npos || dot == 0) return LeftBackup{path.string(), LeftReason::NoTargetName, 0};
  const fs::path target = path.parent_path() / std::string(name.substr(0, dot));
  // Only a file that could be opened for reading is replaced; the rename
  // replaces it in one step, so a failed move never leaves the name empty.
  if (platform::stampOf(target).kind != platform::FileStamp::Kind::Missing) {
    switch (platform::checkReadable(target)) {
      case platform::ReadStatus::Read: break;
      case platform::ReadStatus::NotRegular: return LeftBackup{path.string(), LeftReason::TargetNotFile, 0};
      case platform::ReadStatus::Missing:  // a link that leads nowhere
      case platform::ReadStatus::Unreadable:
      case platform::ReadStatus::TooLarge: return LeftBackup{path.string(), LeftReason::TargetUnreadable, 0};
    }
  }
  if (const int error = platform::moveOver(path, target); error != 0) {
    return LeftBackup{path.string(), LeftReason::MoveFailed, error};
  }
  return std::nullopt;
}

// Deletes the backup `path`.
std::optional<LeftBackup> deleteBackup(const fs::path& path) {
  if (const int error = platform::removeFile(path); error != 0) {
    return LeftBackup{path.string(), LeftReason::DeleteFailed, error};
  }
  return std::nullopt;
}

struct Walk {
  std::string_view extension;
  bool subfolders = false;
  bool deleteBackups = false;
  BackupOutcome& outcome;
  fs::path root;               // the tree's resolved path; empty when it cannot be resolved
  std::set<fs::path> entered;  // folders already processed, by their resolved path
};

// Handles the files of one folder and returns its subfolders in listing
// order; false in `ok` when the listing broke off part way.
std::vector<fs::path> processFolder(Walk& walk, const fs::path& folder, bool& ok) {
  ok = true;
  std::error_code error;
  fs::path resolved = fs::canonical(folder, error);
  if (error) resolved = folder;
  if (!walk.entered.insert(resolved).second) return {};
  const bool inside = !error && !walk.root.empty() && folderWithin(resolved, walk.root);
  if (inside) recoverInterruptedRewritesIn(resolved);

  // The whole listing is read before anything is renamed, so that a restored
  // file whose name still matches ("x.bak" from "x.bak.bak") is not taken up
  // again by the same listing.
  std::vector<fs::path> files;
  std::vector<fs::path> subfolders;
  fs::directory_iterator it(folder, error);
  if (error) return {};  // a folder that cannot be listed counts as empty
  for (const fs::directory_iterator end; it != end;) {
    std::error_code typeError;
    if (it->is_directory(typeError)) {
      if (walk.subfolders) subfolders.push_back(it->path());
    } else {
      files.push_back(it->path());
    }
    it.increment(error);
    if (error) {
      ok = false;
      break;
    }
  }

  for (const fs::path& path : files) {
    const std::string name = path.filename().string();
    if (!equalsIgnoreAsciiCase(lastExtension(name), walk.extension)) continue;
    std::optional<LeftBackup> left;
    if (!inside) {
      // Reached through a folder link that leaves the tree: not this run's.
      left = LeftBackup{path.string(), LeftReason::OutsideTree, 0};
    } else if (platform::stampOf(path).kind != platform::FileStamp::Kind::File) {
      // What this program makes is a regular file; a link or a pipe under a
      // backup's name is nobody's backup to put over a page.
      left = LeftBackup{path.string(), LeftReason::NotRegularFile, 0};
    } else {
      left = walk.deleteBackups ? deleteBackup(path) : restoreBackup(path, name);
    }
    if (left) {
      walk.outcome.left.push_back(std::move(*left));
    } else {
      ++walk.outcome.processed;
    }
  }
  if (!ok) return {};
  return subfolders;
}

}  // namespace

bool processBackupFolder(std::string_view folder, std::string_view extension, bool subfolders, bool deleteBackups,
                         BackupOutcome& outcome) {
  std::error_code error;
  fs::path root = fs::canonical(platform::toHostPath(folder), error);
  if (error) root.clear();
  Walk walk{extension, subfolders, deleteBackups, outcome, std::move(root), {}};
  // Depth first on a stack of its own, so the depth of a tree is bounded by
  // memory rather than by the call stack: each folder's subfolders go on in
  // reverse, so the first one is finished before the next is begun.
  std::vector<fs::path> pending{platform::toHostPath(folder)};
  while (!pending.empty()) {
    const fs::path current = std::move(pending.back());
    pending.pop_back();
    bool ok = true;
    std::vector<fs::path> subfolderList = processFolder(walk, current, ok);
    if (!ok) return false;
    pending.insert(pending.end(), std::make_move_iterator(subfolderList.rbegin()),
                   std::make_move_iterator(subfolderList.rend()));
  }
  return true;
}

Outcome<BackupOutcome, BackupFailure> runBackupRestore(const BackupRun& run) {
  if (run.extension.empty()) return Failed{BackupFailure{BackupError::NoExtension, {}}};
  if (run.folder.empty()) return Failed{BackupFailure{BackupError::NoFolder, {}}};
  const fs::path host = platform::toHostPath(run.folder);
  std::error_code error;
  if (!fs::is_directory(host, error)) return Failed{BackupFailure{BackupError::MissingFolder, run.folder}};
  SiteLock lock;
  if (lock.acquire({run.folder}, run.subfolders) != SiteLock::Status::Taken) {
    return Failed{BackupFailure{BackupError::SiteBusy, lock.busyFolder(), lock.busyError()}};
  }
  BackupOutcome outcome;
  if (!processBackupFolder(run.folder, run.extension, run.subfolders, run.deleteBackups, outcome)) {
    return Failed{BackupFailure{BackupError::ListingBroken, run.folder}};
  }
  return outcome;
}

}  // namespace quillorn
