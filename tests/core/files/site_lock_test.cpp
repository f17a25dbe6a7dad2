#include "core/files/site_lock.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/host_path.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_folder.h"

namespace quillorn {
namespace {

namespace fs = std::filesystem;
using test_support::TempFolder;
using test_support::writeFile;

// site/a.html, site/sub/b.html, site/other/c.html, site/subway/x.html, and
// alias -> site.
class SiteLockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NO_THROW(folder_.emplace("quillorn-lock"));
    for (const char* file : {"site/a.html", "site/sub/b.html", "site/other/c.html", "site/subway/x.html"})
      writeFile(at(file), "x");
    fs::create_directory_symlink(at("site"), at("alias"));
  }
  fs::path at(const std::string& relative) const { return folder_->path() / relative; }
  std::vector<std::string> roots(const std::vector<std::string>& relatives) const {
    std::vector<std::string> texts;
    for (const std::string& relative : relatives) texts.push_back(platform::toPathText(at(relative)));
    return texts;
  }

  std::optional<TempFolder> folder_;
};

struct OverlapRow {
  std::string name;
  std::vector<std::string> first;
  std::vector<std::string> second;
  bool busy;
};

std::ostream& operator<<(std::ostream& out, const OverlapRow& row) { return out << row.name; }

class OverlapTest : public SiteLockTest, public ::testing::WithParamInterface<OverlapRow> {};

// A second run is refused exactly when its trees overlap the first run's.
TEST_P(OverlapTest, SecondRunIsRefusedWhenTheTreesOverlap) {
  const OverlapRow& row = GetParam();
  SiteLock first;
  ASSERT_EQ(first.acquire(roots(row.first), true), SiteLock::Status::Taken);
  SiteLock second;
  EXPECT_EQ(second.acquire(roots(row.second), true), row.busy ? SiteLock::Status::Busy : SiteLock::Status::Taken);
  EXPECT_EQ(second.busyFolder().empty(), !row.busy);
  // Once the first run is over, the second goes ahead.
  first.release();
  EXPECT_EQ(second.acquire(roots(row.second), true), SiteLock::Status::Taken);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, OverlapTest,
    ::testing::Values(OverlapRow{"SameFolder", {"site"}, {"site"}, true},
                      OverlapRow{"SubfolderOfTheFirst", {"site"}, {"site/sub"}, true},
                      OverlapRow{"FolderAboveTheFirst", {"site/sub"}, {"site"}, true},
                      OverlapRow{"FileInTheFirst", {"site"}, {"site/a.html"}, true},
                      OverlapRow{"SameFolderThroughALink", {"site"}, {"alias/sub"}, true},
                      OverlapRow{"SeparateTrees", {"site/sub"}, {"site/other"}, false},
                      OverlapRow{"FilesOfSeparateFolders", {"site/sub/b.html"}, {"site/other/c.html"}, false}),
    [](const ::testing::TestParamInfo<OverlapRow>& info) { return info.param.name; });

// A run that was killed holds nothing: the next one goes ahead.
TEST_F(SiteLockTest, KilledRunDoesNotBlock) {
  const std::vector<std::string> site = roots({"site"});
  const int code = test_support::runInChild([&] {
    SiteLock held;
    if (held.acquire(site, true) != SiteLock::Status::Taken) return 1;
    ::_exit(0);  // no destructor runs, as after a kill
  });
  ASSERT_EQ(code, 0);
  SiteLock next;
  EXPECT_EQ(next.acquire(site, true), SiteLock::Status::Taken);
}

// A root inside another root keeps the outer tree exclusive: a run on
// another folder of it, from another process, is refused.
TEST_F(SiteLockTest, NestedRootsKeepTheOuterTreeLocked) {
  SiteLock first;
  ASSERT_EQ(first.acquire(roots({"site", "site/sub"}), true), SiteLock::Status::Taken);
  const std::vector<std::string> other = roots({"site/other"});
  const int code = test_support::runInChild([&other] {
    SiteLock second;
    return second.acquire(other, true) == SiteLock::Status::Busy ? 0 : 1;
  });
  EXPECT_EQ(code, 0);
}

// A folder above the tree that the second run's user cannot open (mode 0711,
// as shared hosts make them) still keeps the two runs apart.
TEST_F(SiteLockTest, ParentThatCannotBeOpenedStillKeepsRunsApart) {
  const fs::path top = at("top");
  fs::create_directories(top / "site");
  writeFile(top / "site" / "a.html", "x");
  ASSERT_EQ(::chmod(folder_->path().c_str(), 0711), 0);
  if (::geteuid() == 0) {
    ASSERT_EQ(::chown((top / "site").c_str(), 65534, 65534), 0);
  }
  // Its owner too may take away their own read access.
  ASSERT_EQ(::chmod(top.c_str(), ::geteuid() == 0 ? 0711 : 0311), 0);

  SiteLock whole;
  ASSERT_EQ(whole.acquire({platform::toPathText(top)}, true), SiteLock::Status::Taken);
  const std::vector<std::string> site{platform::toPathText(top / "site")};
  const int code = test_support::runInChild([&site] {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) return 10;
    SiteLock second;
    const SiteLock::Status status = second.acquire(site, true);
    return status == SiteLock::Status::Busy ? 0 : status == SiteLock::Status::Taken ? 1 : 2;
  });
  EXPECT_EQ(code, 0);
  // Alone, it goes ahead.
  whole.release();
  const int alone = test_support::runInChild([&site] {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) return 10;
    SiteLock lock;
    return lock.acquire(site, true) == SiteLock::Status::Taken ? 0 : 1;
  });
  ::chmod(top.c_str(), 0755);
  EXPECT_EQ(alone, 0);
}

struct CoverRow {
  std::string name;
  std::vector<std::string> roots;
  bool subfolders;
  std::string file;
  bool covered;
};

std::ostream& operator<<(std::ostream& out, const CoverRow& row) { return out << row.name; }

class CoverTest : public SiteLockTest, public ::testing::WithParamInterface<CoverRow> {};

TEST_P(CoverTest, CoversTheRealFoldersOfTheTrees) {
  const CoverRow& row = GetParam();
  fs::create_directories(at("outside/d"));
  fs::create_directory_symlink(at("outside/d"), at("site/linkdir"));
  SiteLock lock;
  ASSERT_EQ(lock.acquire(roots(row.roots), row.subfolders), SiteLock::Status::Taken);
  EXPECT_EQ(lock.covers(at(row.file)), row.covered);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CoverTest,
    ::testing::Values(CoverRow{"FileOfTheFolder", {"site"}, true, "site/a.html", true},
                      CoverRow{"FileOfASubfolder", {"site"}, true, "site/sub/b.html", true},
                      CoverRow{"SubfolderWithoutSubfolders", {"site"}, false, "site/sub/b.html", false},
                      CoverRow{"ThroughALinkOutOfTheTree", {"site"}, true, "site/linkdir/x.html", false},
                      CoverRow{"ThroughALinkIntoTheTree", {"site"}, true, "alias/sub/b.html", true},
                      CoverRow{"FolderOfAFileGiven", {"site/sub/b.html"}, true, "site/sub/other.html", true},
                      CoverRow{"BelowTheFolderOfAFileGiven", {"site/a.html"}, true, "site/sub/b.html", false},
                      CoverRow{"NameThatOnlyBeginsLikeTheTree", {"site/sub"}, true, "site/subway/x.html", false}),
    [](const ::testing::TestParamInfo<CoverRow>& info) { return info.param.name; });

// Each root brings its own subfolders or not, as a person adds one folder
// with its subfolders and another without.
TEST_F(SiteLockTest, EachRootKeepsItsOwnSubfolderChoice) {
  SiteLock lock;
  ASSERT_EQ(lock.acquire({SiteRoot{platform::toPathText(at("site")), false},
                          SiteRoot{platform::toPathText(at("site/other")), true}}),
            SiteLock::Status::Taken);
  EXPECT_TRUE(lock.covers(at("site/a.html")));
  EXPECT_TRUE(lock.covers(at("site/other/c.html")));
  EXPECT_FALSE(lock.covers(at("site/sub/b.html")));
}

}  // namespace
}  // namespace quillorn
