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
// A folder is locked both directly and through its stand-in in the system's
// lock folder (see AdvisoryLock::takeStandIn), which users who cannot open the
// folder itself can still lock. A folder that cannot be locked either way
// refuses the run: whether another run works there cannot be told.
//
// Known limits: runs on other machines that share a network file system meet
// only where that file system locks folders.

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
  enum class Status {
    Taken,
    Busy,    // another run holds a conflicting lock
    Unsure,  // a folder could be locked neither directly nor through its stand-in
  };

  SiteLock() = default;
  SiteLock(const SiteLock&) = delete;
  SiteLock& operator=(const SiteLock&) = delete;
  SiteLock(SiteLock&&) = default;
  SiteLock& operator=(SiteLock&&) = default;

  // Locks the trees of `roots` (path text): a folder, with its subfolders when
  // `subfolders` is set; for a file, its folder alone. Roots that do not exist
  // lock nothing. Busy when another run holds a conflicting lock, Unsure when
  // a folder cannot be locked at all: nothing is held then, busyFolder() names
  // the folder (host path) and busyError() says why it could not be locked
  // (0 when Busy). Any lock held before is released first.
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
  int busyError() const { return busyError_; }
  void release();

 private:
  struct Tree {
    std::filesystem::path folder;  // real path
    bool subfolders = false;
  };

  std::vector<Tree> trees_;
  std::vector<platform::AdvisoryLock> locks_;
  std::string busyFolder_;
  int busyError_ = 0;
};

}  // namespace quillorn
