#pragma once
// One repair or restore at a time on a folder tree. A run locks each tree it
// works on exclusively and every folder above it shared, so two runs conflict
// exactly when one tree lies in (or is) the other, whichever was given first,
// while runs on separate trees of one disk go on side by side. The locks are
// advisory (every front end takes them) and go with the process that holds
// them, so a killed run never blocks the next one.
//
// The trees are also what a run may change: a file whose real folder (with
// every link resolved) lies outside them is left alone, however it was
// reached.
//
// Known limits: folders that cannot be opened, and file systems that cannot
// lock, are passed over; two runs that reach one tree only through such a
// folder are not kept apart.

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/advisory_lock.h"

namespace quillorn {

// Whether the real path `inner` is `outer` or lies below it.
bool folderWithin(const std::filesystem::path& inner, const std::filesystem::path& outer);

// A folder or file a run was given (path text), and for a folder whether its
// subfolders belong to the run.
struct SiteRoot {
  std::string path;
  bool subfolders = false;
};

class SiteLock {
 public:
  enum class Status { Taken, Busy };

  SiteLock() = default;
  SiteLock(const SiteLock&) = delete;
  SiteLock& operator=(const SiteLock&) = delete;
  SiteLock(SiteLock&&) = default;
  SiteLock& operator=(SiteLock&&) = default;

  // Locks the trees of `roots` (path text): a folder, with its subfolders when
  // `subfolders` is set; for a file, its folder alone. Roots that do not exist
  // lock nothing. Busy when another run holds a conflicting lock: nothing is
  // held then, and busyFolder() names the folder (host path). Any lock held
  // before is released first.
  Status acquire(const std::vector<std::string>& roots, bool subfolders);
  // The same for roots that each say whether their subfolders belong.
  Status acquire(const std::vector<SiteRoot>& roots);

  // Whether a tree is locked.
  bool held() const { return !trees_.empty(); }

  // Whether the real folder of `file` (host path) lies in a locked tree.
  bool covers(const std::filesystem::path& file) const;

  // Whether the real folder `folder` (host path, links resolved) lies in a
  // locked tree.
  bool coversFolder(const std::filesystem::path& folder) const;

  const std::string& busyFolder() const { return busyFolder_; }
  void release();

 private:
  struct Tree {
    std::filesystem::path folder;  // real path
    bool subfolders = false;
  };

  std::vector<Tree> trees_;
  std::vector<platform::AdvisoryLock> locks_;
  std::string busyFolder_;
};

}  // namespace quillorn
