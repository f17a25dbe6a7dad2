// A run of the rewriting pass killed at each of its calls that change the
// disk, one after another: after every kill each file holds its old or its new
// content, whole, a new one only beside a backup of the old, and restoring
// (which first clears up after the killed run) gives the site back byte for
// byte. The kill happens in a forked child at the file-writing seam.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "core/backup/backup_restorer.h"
#include "core/files/site_lock.h"
#include "core/rewrite/rewriting_pass.h"
#include "core/search/search_pass.h"
#include "platform/file_access.h"
#include "platform/host_path.h"
#include "tests/support/child_process.h"
#include "tests/support/search_harness.h"
#include "tests/support/temp_folder.h"

namespace quillorn {
namespace {

namespace fs = std::filesystem;
using test_support::readFile;
using test_support::writeFile;

using Tree = std::map<std::string, std::string>;  // relative path -> bytes, hidden files included

constexpr int kKilled = 77;
constexpr int kCompleted = 0;
constexpr int kFailed = 1;

int gCallsLeft = 0;
bool gNoHardLinks = false;

int killAtCall(const char* call) {
  if (--gCallsLeft == 0) ::_exit(kKilled);
  // A file system without hard links.
  return gNoHardLinks && std::string_view(call) == "link" ? EXDEV : 0;
}

std::string bigEndian(std::string_view text) {
  std::string bytes("\xFE\xFF", 2);
  for (char c : text) {
    bytes.push_back('\0');
    bytes.push_back(c);
  }
  return bytes;
}

// Two pages whose links change (one of them UTF-16 big-endian, in a
// subfolder), a page in which nothing changes, and the targets.
const Tree kSite = {
    {"index.html", "<p><a href=\"old/about.html\">About</a><img src=\"pics/logo.gif\"></p>"},
    {"about.html", "<p>about</p>"},
    {"images/logo.gif", "GIF89a"},
    {"sub/page.htm", bigEndian("<a href=\"../old/about.html\">About</a>")},
    {"sub/quiet.css", "body { color: red; }"},
};

Tree readTree(const fs::path& root) {
  Tree tree;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file()) tree[entry.path().lexically_relative(root).generic_string()] = readFile(entry.path());
  }
  return tree;
}

void makeSite(const fs::path& root) {
  fs::remove_all(root);
  for (const auto& [relative, bytes] : kSite) writeFile(root / relative, bytes);
}

// Searches the site and rewrites it, in this process.
int searchAndRewrite(const fs::path& root, bool makeBackups) {
  test_support::SearchHarness harness({});
  harness.files.addFolder(true, platform::toPathText(root), {});
  harness.settings.makeBackups = makeBackups;
  if (const auto searched = search(harness.context); !searched.ok() || searched.value().end != PassEnd::Done) {
    return kFailed;
  }
  SiteLock lock;
  if (lock.acquire({platform::toPathText(root)}, true) != SiteLock::Status::Taken) return kFailed;
  RewritePassContext context{harness.settings, harness.files, harness.urls, lock, harness.panel, {}};
  const Outcome<RewritePassOutcome, DiskFailure> pass = runRewritingPass(context);
  return pass.ok() && pass.value().end == PassEnd::Done ? kCompleted : kFailed;
}

struct CrashRow {
  std::string name;
  bool makeBackups;
  bool noHardLinks = false;
};

std::ostream& operator<<(std::ostream& out, const CrashRow& row) { return out << row.name; }

class CrashTest : public ::testing::TestWithParam<CrashRow> {};

TEST_P(CrashTest, EveryFileIsOldOrNewAfterAKillAtAnyCall) {
  const bool makeBackups = GetParam().makeBackups;
  test_support::TempFolder folder("quillorn-crash");
  const fs::path root = folder.path() / "site";

  // What a whole run makes of each file.
  makeSite(root);
  ASSERT_EQ(test_support::runInChild([&] { return searchAndRewrite(root, makeBackups); }), kCompleted);
  const Tree rewritten = readTree(root);
  ASSERT_NE(rewritten.at("index.html"), kSite.at("index.html"));
  ASSERT_NE(rewritten.at("sub/page.htm"), kSite.at("sub/page.htm"));

  int kills = 0;
  for (int call = 1;; ++call) {
    SCOPED_TRACE("killed at call " + std::to_string(call));
    makeSite(root);
    const int code = test_support::runInChild([&] {
      gCallsLeft = call;
      gNoHardLinks = GetParam().noHardLinks;
      platform::setFaultHook(killAtCall);
      return searchAndRewrite(root, makeBackups);
    });
    ASSERT_TRUE(code == kKilled || code == kCompleted) << code;

    const Tree after = readTree(root);
    for (const auto& [relative, old] : kSite) {
      const std::string now = after.count(relative) != 0 ? after.at(relative) : "<missing>";
      EXPECT_TRUE(now == old || now == rewritten.at(relative)) << relative << " is neither old nor new";
      if (makeBackups && now != old) {
        const auto backup = after.find(relative + ".bak");
        EXPECT_TRUE(backup != after.end() && backup->second == old) << relative << " is new without its backup";
      }
    }

    if (makeBackups) {
      BackupRun run;
      run.folder = platform::toPathText(root);
      run.extension = "bak";
      ASSERT_TRUE(runBackupRestore(run).ok());
      EXPECT_EQ(readTree(root), kSite);
    } else {
      SiteLock lock;
      ASSERT_EQ(lock.acquire({platform::toPathText(root)}, true), SiteLock::Status::Taken);
      FileList files;
      files.addFolder(true, platform::toPathText(root), {});
      recoverInterruptedRewrites(files, lock);
      for (const auto& [relative, bytes] : readTree(root))
        EXPECT_EQ(kSite.count(relative), 1u) << "left behind: " << relative;
    }
    if (code == kCompleted) break;
    ++kills;
  }
  // Every call of both rewrites was a place to die.
  EXPECT_GE(kills, 12);
}

INSTANTIATE_TEST_SUITE_P(Rows, CrashTest,
                         ::testing::Values(CrashRow{"WithBackups", true}, CrashRow{"WithoutBackups", false},
                                           CrashRow{"WithBackupsWithoutHardLinks", true, true}),
                         [](const ::testing::TestParamInfo<CrashRow>& info) { return info.param.name; });

}  // namespace
}  // namespace quillorn
