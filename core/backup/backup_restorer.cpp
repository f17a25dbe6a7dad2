#include "core/backup/backup_restorer.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
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

// Whether `path` names something that can be opened for reading as a file
// (following links); a folder, a dangling link or a file without read access
// cannot.
bool readableFile(const fs::path& path) {
  std::error_code error;
  if (!fs::is_regular_file(path, error)) return false;
  std::ifstream probe(path, std::ios::binary);
  return probe.is_open();
}

// Puts the backup `path` (named `name`) back over the file it was made from.
void restoreBackup(const fs::path& path, std::string_view name) {
  const std::size_t dot = name.rfind('.');
  // "x" from "x.bak"; a name that is nothing but its extension names no file.
  if (dot == std::string_view::npos || dot == 0) return;
  const fs::path target = path.parent_path() / std::string(name.substr(0, dot));
  std::error_code error;
  const bool targetExists = fs::exists(fs::symlink_status(target, error));
  // Only a file that could be opened for reading is replaced; the rename
  // replaces it in one step, so a failed move never leaves the name empty.
  if (targetExists && !readableFile(target)) return;
  platform::moveOver(path, target);
}

struct Walk {
  std::string_view extension;
  bool subfolders = false;
  bool deleteBackups = false;
  std::int64_t& processed;
  std::vector<std::string>* leftOutside;
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
    if (!inside) {
      // Reached through a folder link that leaves the tree: not this run's.
      if (walk.leftOutside != nullptr) walk.leftOutside->push_back(path.string());
      continue;
    }
    ++walk.processed;
    if (walk.deleteBackups) {
      platform::removeFile(path);
    } else {
      restoreBackup(path, name);
    }
  }
  if (!ok) return {};
  return subfolders;
}

}  // namespace

bool processBackupFolder(std::string_view folder, std::string_view extension, bool subfolders, bool deleteBackups,
                         std::int64_t& processed, std::vector<std::string>* leftOutside) {
  std::error_code error;
  fs::path root = fs::canonical(platform::toHostPath(folder), error);
  if (error) root.clear();
  Walk walk{extension, subfolders, deleteBackups, processed, leftOutside, std::move(root), {}};
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
  if (lock.acquire({run.folder}, run.subfolders) == SiteLock::Status::Busy) {
    return Failed{BackupFailure{BackupError::SiteBusy, lock.busyFolder()}};
  }
  BackupOutcome outcome;
  if (!processBackupFolder(run.folder, run.extension, run.subfolders, run.deleteBackups, outcome.processed,
                           &outcome.leftOutside)) {
    return Failed{BackupFailure{BackupError::ListingBroken, run.folder}};
  }
  return outcome;
}

}  // namespace quillorn
