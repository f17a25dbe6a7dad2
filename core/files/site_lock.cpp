#include "core/files/site_lock.h"

#include <algorithm>
#include <map>
#include <system_error>

#include "platform/host_path.h"

namespace quillorn {

namespace fs = std::filesystem;

namespace {

// `path` with every link resolved; empty when it cannot be resolved.
fs::path realPath(const fs::path& path) {
  std::error_code error;
  fs::path real = fs::canonical(path.empty() ? fs::path(".") : path, error);
  return error ? fs::path() : real;
}

}  // namespace

bool folderWithin(const fs::path& inner, const fs::path& outer) {
  const auto [innerEnd, outerEnd] = std::mismatch(inner.begin(), inner.end(), outer.begin(), outer.end());
  (void)innerEnd;
  return outerEnd == outer.end();
}

SiteLock::Status SiteLock::acquire(const std::vector<std::string>& roots, bool subfolders) {
  std::vector<SiteRoot> given;
  given.reserve(roots.size());
  for (const std::string& root : roots) given.push_back({root, subfolders});
  return acquire(given);
}

SiteLock::Status SiteLock::acquire(const std::vector<SiteRoot>& roots) {
  release();
  for (const SiteRoot& root : roots) {
    const fs::path host = platform::toHostPath(root.path);
    std::error_code error;
    Tree tree;
    if (fs::is_directory(host, error)) {
      tree = {realPath(host), root.subfolders};
    } else {
      tree = {realPath(host.has_parent_path() ? host.parent_path() : fs::path(".")), false};
    }
    if (!tree.folder.empty()) trees_.push_back(std::move(tree));
  }

  // Each tree exclusively, every folder above one shared; a folder that is
  // both is locked exclusively, and each folder once (two locks of one process
  // on one folder would conflict with each other).
  std::map<fs::path, platform::LockMode> modes;
  for (const Tree& tree : trees_) {
    modes[tree.folder] = platform::LockMode::Exclusive;
    for (fs::path above = tree.folder.parent_path(); !above.empty(); above = above.parent_path()) {
      modes.try_emplace(above, platform::LockMode::Shared);
      if (above == above.root_path()) break;
    }
  }
  // Each folder directly where this process can open it, and its stand-in,
  // which every user can open: a run that cannot open a folder above its
  // tree (a parent at mode 0711) still meets the runs of other users there.
  for (const auto& [folder, mode] : modes) {
    platform::AdvisoryLock direct;
    platform::AdvisoryLock standIn;
    const platform::LockStatus directStatus = direct.take(folder, mode, false);
    const platform::LockStatus standInStatus =
        directStatus == platform::LockStatus::Busy ? directStatus : standIn.takeStandIn(folder, mode);
    if (directStatus == platform::LockStatus::Busy || standInStatus == platform::LockStatus::Busy) {
      release();
      busyFolder_ = folder.string();
      return Status::Busy;
    }
    if (directStatus != platform::LockStatus::Taken && standInStatus != platform::LockStatus::Taken) {
      // Neither can be locked: whether another run works here cannot be told.
      release();
      busyFolder_ = folder.string();
      busyError_ = direct.unavailableError() != 0 ? direct.unavailableError() : standIn.unavailableError();
      return Status::Unsure;
    }
    if (directStatus == platform::LockStatus::Taken) locks_.push_back(std::move(direct));
    if (standInStatus == platform::LockStatus::Taken) locks_.push_back(std::move(standIn));
  }
  return Status::Taken;
}

bool SiteLock::covers(const fs::path& file) const {
  return coversFolder(realPath(file.has_parent_path() ? file.parent_path() : fs::path(".")));
}

bool SiteLock::coversFolder(const fs::path& folder) const {
  if (folder.empty()) return false;
  return std::any_of(trees_.begin(), trees_.end(), [&folder](const Tree& tree) {
    return tree.subfolders ? folderWithin(folder, tree.folder) : folder == tree.folder;
  });
}

void SiteLock::release() {
  locks_.clear();
  trees_.clear();
  busyFolder_.clear();
  busyError_ = 0;
}

}  // namespace quillorn
