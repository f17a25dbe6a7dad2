#include "core/backup/backup_restorer.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "core/files/file_list.h"
#include "core/files/site_lock.h"
#include "core/rewrite/rewriting_pass.h"
#include "core/wording/backup_texts.h"
#include "platform/host_path.h"
#include "tests/support/child_process.h"
#include "tests/support/recording_panel.h"
#include "tests/support/search_harness.h"
#include "tests/support/temp_folder.h"

namespace quillorn {
namespace {

namespace fs = std::filesystem;
using test_support::readFile;
using test_support::RecordingPanel;
using test_support::writeFile;

// Every file under a folder: its path relative to the folder ('/' separators)
// and its content; an empty folder shows as "<path>/", a link as "<path>@", a
// pipe as "<path>|".
using Tree = std::map<std::string, std::string>;

void makeTree(const fs::path& root, const Tree& tree) {
  for (const auto& [relative, bytes] : tree) {
    if (!relative.empty() && relative.back() == '/') {
      fs::create_directories(root / relative);
    } else {
      writeFile(root / relative, bytes);
    }
  }
}

Tree readTree(const fs::path& root) {
  Tree tree;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
    const std::string relative = entry.path().lexically_relative(root).generic_string();
    if (entry.is_symlink()) {
      tree[relative + "@"] = "";
      continue;
    }
    if (entry.is_fifo()) {
      tree[relative + "|"] = "";
      continue;
    }
    if (entry.is_directory()) {
      if (fs::is_empty(entry.path())) tree[relative + "/"] = "";
    } else {
      tree[relative] = readFile(entry.path());
    }
  }
  return tree;
}

class BackupRestorerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NO_THROW(folder_.emplace("quillorn-backup"));
    root_ = folder_->path();
  }

  std::string rootText() const { return platform::toPathText(root_); }

  std::optional<test_support::TempFolder> folder_;
  fs::path root_;
};

struct FolderRow {
  std::string name;
  Tree before;
  std::string extension;
  bool subfolders;
  bool deleteBackups;
  Tree after;
  std::int64_t processed;
  std::size_t left = 0;  // matching files left as they were
};

std::ostream& operator<<(std::ostream& out, const FolderRow& row) { return out << row.name; }

class ProcessFolderTest : public BackupRestorerTest, public ::testing::WithParamInterface<FolderRow> {};

TEST_P(ProcessFolderTest, Rows) {
  const FolderRow& row = GetParam();
  makeTree(root_, row.before);
  BackupOutcome outcome;
  outcome.processed = 5;  // the count is added to, not reset

  EXPECT_TRUE(processBackupFolder(rootText(), row.extension, row.subfolders, row.deleteBackups, outcome));

  EXPECT_EQ(outcome.processed, 5 + row.processed);
  EXPECT_EQ(outcome.left.size(), row.left);
  EXPECT_EQ(readTree(root_), row.after);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ProcessFolderTest,
    ::testing::Values(
        FolderRow{"RestoreReplacesTheFile",
                  {{"a.htm", "new"}, {"a.htm.bak", "old"}},
                  "bak",
                  true,
                  false,
                  {{"a.htm", "old"}},
                  1},
        FolderRow{"RestoreWithoutTheFile", {{"a.htm.bak", "old"}}, "bak", true, false, {{"a.htm", "old"}}, 1},
        FolderRow{"UpperCaseName", {{"A.HTM.BAK", "old"}}, "bak", true, false, {{"A.HTM", "old"}}, 1},
        FolderRow{"UpperCaseExtensionBox", {{"a.htm.bak", "old"}}, "BaK", true, false, {{"a.htm", "old"}}, 1},
        FolderRow{"OnlyExtensionRemoved", {{"a.bak", "old"}}, "bak", true, false, {{"a", "old"}}, 1},
        FolderRow{"NotTheLastExtension", {{"a.bak.old", "x"}}, "bak", true, false, {{"a.bak.old", "x"}}, 0},
        FolderRow{"LongerExtension",
                  {{"a.bakk", "x"}, {"b.ba", "y"}},
                  "bak",
                  true,
                  false,
                  {{"a.bakk", "x"}, {"b.ba", "y"}},
                  0},
        FolderRow{"DotInTheExtensionBox", {{"a.htm.bak", "old"}}, ".bak", true, false, {{"a.htm.bak", "old"}}, 0},
        FolderRow{"RestoredOnceOnly", {{"x.bak.bak", "old"}}, "bak", true, false, {{"x.bak", "old"}}, 1},
        FolderRow{"NameIsOnlyTheExtension", {{".bak", "x"}}, "bak", true, false, {{".bak", "x"}}, 0, 1},
        FolderRow{"TargetIsAFolder",
                  {{"a.htm.bak", "old"}, {"a.htm/in.txt", "kept"}},
                  "bak",
                  true,
                  false,
                  {{"a.htm.bak", "old"}, {"a.htm/in.txt", "kept"}},
                  0,
                  1},
        FolderRow{"FolderWithTheExtension",
                  {{"old.bak/a.htm.bak", "old"}},
                  "bak",
                  false,
                  false,
                  {{"old.bak/a.htm.bak", "old"}},
                  0},
        FolderRow{"EmptyExtensionRestoreLeavesNamesWithoutDot",
                  {{"README", "r"}, {"a.htm", "a"}},
                  "",
                  false,
                  false,
                  {{"README", "r"}, {"a.htm", "a"}},
                  0,
                  1},
        FolderRow{"DeleteWithoutSubfolders",
                  {{"a.htm.bak", "1"}, {"a.htm", "2"}, {"sub/b.htm.bak", "3"}},
                  "bak",
                  false,
                  true,
                  {{"a.htm", "2"}, {"sub/b.htm.bak", "3"}},
                  1},
        FolderRow{"DeleteWithSubfolders",
                  {{"a.htm.bak", "1"}, {"a.htm", "2"}, {"sub/b.htm.bak", "3"}},
                  "bak",
                  true,
                  true,
                  {{"a.htm", "2"}, {"sub/", ""}},
                  2},
        FolderRow{"RestoreWithoutSubfolders",
                  {{"a.htm.bak", "1"}, {"sub/b.htm.bak", "3"}},
                  "bak",
                  false,
                  false,
                  {{"a.htm", "1"}, {"sub/b.htm.bak", "3"}},
                  1},
        FolderRow{"ThreeLevelsDeep",
                  {{"a.htm.bak", "1"},
                   {"one/b.css.bak", "2"},
                   {"one/two/c.js.bak", "3"},
                   {"one/two/three/d.html.bak", "4"},
                   {"one/two/three/d.html", "new"},
                   {"other/e.htm.bak", "5"}},
                  "bak",
                  true,
                  false,
                  {{"a.htm", "1"},
                   {"one/b.css", "2"},
                   {"one/two/c.js", "3"},
                   {"one/two/three/d.html", "4"},
                   {"other/e.htm", "5"}},
                  5},
        FolderRow{"EmptyFolder", {{"sub/", ""}}, "bak", true, false, {{"sub/", ""}}, 0}),
    [](const ::testing::TestParamInfo<FolderRow>& info) { return info.param.name; });

TEST_F(BackupRestorerTest, FolderThatDoesNotExistCountsAsEmpty) {
  BackupOutcome outcome;
  EXPECT_TRUE(processBackupFolder(platform::toPathText(root_ / "missing"), "bak", true, false, outcome));
  EXPECT_EQ(outcome.processed, 0);
}

TEST_F(BackupRestorerTest, FolderTextWithTrailingSeparator) {
  makeTree(root_, {{"a.htm.bak", "old"}});
  BackupOutcome outcome;
  EXPECT_TRUE(processBackupFolder(rootText() + "\\", "bak", true, false, outcome));
  EXPECT_EQ(outcome.processed, 1);
  EXPECT_EQ(readTree(root_), (Tree{{"a.htm", "old"}}));
}

// A link back up the tree would otherwise be followed for ever.
TEST_F(BackupRestorerTest, LinkedLoopIsEnteredOnce) {
  makeTree(root_, {{"a.htm.bak", "1"}, {"sub/b.htm.bak", "2"}});
  fs::create_directory_symlink(root_, root_ / "sub" / "up");

  BackupOutcome outcome;
  EXPECT_TRUE(processBackupFolder(rootText(), "bak", true, true, outcome));

  EXPECT_EQ(outcome.processed, 2);
  EXPECT_EQ(readTree(root_), (Tree{{"sub/up@", ""}}));
}

// A folder link inside the tree that leads out of it: the backups behind it
// are named and left alone, restoring as deleting.
TEST_F(BackupRestorerTest, BackupsBehindALinkOutOfTheTreeAreLeftAlone) {
  const test_support::TempFolder outside("quillorn-outside");
  const Tree theirs{{"d/page.htm", "theirs"}, {"d/page.htm.bak", "their backup"}};
  makeTree(outside.path(), theirs);
  fs::create_directory_symlink(outside.path() / "d", root_ / "linkdir");
  for (const bool deleteBackups : {false, true}) {
    makeTree(root_, {{"a.htm.bak", "1"}});
    BackupRun run;
    run.folder = rootText();
    run.extension = "bak";
    run.deleteBackups = deleteBackups;
    const Outcome<BackupOutcome, BackupFailure> restored = runBackupRestore(run);
    ASSERT_TRUE(restored.ok());
    const BackupOutcome& outcome = restored.value();
    EXPECT_EQ(outcome.processed, 1);
    ASSERT_EQ(outcome.left.size(), 1u);
    EXPECT_EQ(outcome.left[0].path, (root_ / "linkdir" / "page.htm.bak").string());
    EXPECT_EQ(outcome.left[0].reason, LeftReason::OutsideTree);
    EXPECT_EQ(readTree(outside.path()), theirs) << (deleteBackups ? "delete" : "restore");
  }
}

// What stands in a backup's way, or is no backup at all: each is left as it
// was, named with its reason, and not counted. (Pipes are never opened, so a
// run cannot stall on one.)
struct LeftRow {
  std::string name;
  bool deleteBackups;
  void (*make)(const fs::path& root, const fs::path& outside);
  LeftReason reason;
};

std::ostream& operator<<(std::ostream& out, const LeftRow& row) { return out << row.name; }

class LeftTest : public BackupRestorerTest, public ::testing::WithParamInterface<LeftRow> {};

TEST_P(LeftTest, LeftAsItWasAndNamed) {
  const LeftRow& row = GetParam();
  const test_support::TempFolder outside("quillorn-outside");
  writeFile(outside.path() / "theirs.htm", "theirs");
  row.make(root_, outside.path());
  const Tree before = readTree(root_);

  BackupOutcome outcome;
  EXPECT_TRUE(processBackupFolder(rootText(), "bak", true, row.deleteBackups, outcome));

  EXPECT_EQ(outcome.processed, 0);
  ASSERT_EQ(outcome.left.size(), 1u);
  EXPECT_EQ(outcome.left[0].path, (root_ / "a.htm.bak").string());
  EXPECT_EQ(outcome.left[0].reason, row.reason);
  EXPECT_EQ(readTree(root_), before);
  EXPECT_EQ(readFile(outside.path() / "theirs.htm"), "theirs");
}

INSTANTIATE_TEST_SUITE_P(Rows, LeftTest,
                         ::testing::Values(LeftRow{"DanglingLinkBeside", false,
                                                   [](const fs::path& root, const fs::path&) {
                                                     writeFile(root / "a.htm.bak", "old");
                                                     fs::create_symlink(root / "gone.htm", root / "a.htm");
                                                   },
                                                   LeftReason::TargetUnreadable},
                                           LeftRow{"PipeBeside", false,
                                                   [](const fs::path& root, const fs::path&) {
                                                     writeFile(root / "a.htm.bak", "old");
                                                     ASSERT_EQ(::mkfifo((root / "a.htm").c_str(), 0600), 0);
                                                   },
                                                   LeftReason::TargetNotFile},
                                           LeftRow{"BackupIsAPipe", false,
                                                   [](const fs::path& root, const fs::path&) {
                                                     writeFile(root / "a.htm", "page");
                                                     ASSERT_EQ(::mkfifo((root / "a.htm.bak").c_str(), 0600), 0);
                                                   },
                                                   LeftReason::NotRegularFile},
                                           LeftRow{"BackupIsAPipeDeleting", true,
                                                   [](const fs::path& root, const fs::path&) {
                                                     ASSERT_EQ(::mkfifo((root / "a.htm.bak").c_str(), 0600), 0);
                                                   },
                                                   LeftReason::NotRegularFile},
                                           LeftRow{"BackupIsALinkOutOfTheTree", false,
                                                   [](const fs::path& root, const fs::path& outside) {
                                                     writeFile(root / "a.htm", "page");
                                                     fs::create_symlink(outside / "theirs.htm", root / "a.htm.bak");
                                                   },
                                                   LeftReason::NotRegularFile}),
                         [](const ::testing::TestParamInfo<LeftRow>& info) { return info.param.name; });

// As an ordinary user (a child that gives up root): a read-only folder, a
// page nobody may read and a page whose name is now a folder each keep their
// backup, and only the one that could be put back is counted.
TEST_F(BackupRestorerTest, RestoreThatCannotBeDoneIsNotCounted) {
  makeTree(root_, {{"ro/a.htm", "new"},
                   {"ro/a.htm.bak", "old"},
                   {"b.htm", "new"},
                   {"b.htm.bak", "old"},
                   {"c.htm/in.txt", "x"},
                   {"c.htm.bak", "old"},
                   {"d.htm.bak", "old"}});
  ASSERT_EQ(::chmod((root_ / "b.htm").c_str(), 0), 0);
  ASSERT_EQ(::chmod((root_ / "ro").c_str(), 0555), 0);
  if (::geteuid() == 0) {
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root_)) {
      ASSERT_EQ(::lchown(entry.path().c_str(), 65534, 65534), 0);
    }
    ASSERT_EQ(::chown(root_.c_str(), 65534, 65534), 0);
  }
  const std::string folder = rootText();
  const int code = test_support::runInChild([&folder] {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) return 10;
    BackupOutcome outcome;
    if (!processBackupFolder(folder, "bak", true, false, outcome)) return 11;
    if (outcome.processed != 1) return 12;
    std::map<std::string, LeftReason> reasons;
    for (const LeftBackup& left : outcome.left) reasons[fs::path(left.path).filename().string()] = left.reason;
    if (reasons != std::map<std::string, LeftReason>{{"a.htm.bak", LeftReason::MoveFailed},
                                                     {"b.htm.bak", LeftReason::TargetUnreadable},
                                                     {"c.htm.bak", LeftReason::TargetNotFile}}) {
      return 13;
    }
    return 0;
  });
  ::chmod((root_ / "ro").c_str(), 0755);
  ::chmod((root_ / "b.htm").c_str(), 0644);
  ASSERT_EQ(code, 0);
  EXPECT_EQ(readTree(root_), (Tree{{"ro/a.htm", "new"},
                                   {"ro/a.htm.bak", "old"},
                                   {"b.htm", "new"},
                                   {"b.htm.bak", "old"},
                                   {"c.htm/in.txt", "x"},
                                   {"c.htm.bak", "old"},
                                   {"d.htm", "old"}}));
  const std::string report =
      backupReportText(BackupOutcome{1, {LeftBackup{"/s/a.htm.bak", LeftReason::MoveFailed, EACCES}}}, 10);
  EXPECT_EQ(report.substr(0, report.find('\n')), "1 backup file(s) processed successfully");
  EXPECT_NE(report.find("\"/s/a.htm.bak\": it could not be moved back"), std::string::npos) << report;
}

struct RunRow {
  std::string name;
  std::string extension;
  bool folderExists;
  bool ok;
  std::string message;  // what the message contains
};

std::ostream& operator<<(std::ostream& out, const RunRow& row) { return out << row.name; }

class RunTest : public BackupRestorerTest, public ::testing::WithParamInterface<RunRow> {};

TEST_P(RunTest, Rows) {
  const RunRow& row = GetParam();
  const Tree before{{"a.htm.bak", "1"}, {"sub/b.htm.bak", "2"}, {"README", "r"}};
  makeTree(root_, before);
  BackupRun run;
  run.folder = row.folderExists ? rootText() : platform::toPathText(root_ / "missing");
  run.extension = row.extension;

  const Outcome<BackupOutcome, BackupFailure> outcome = runBackupRestore(run);

  EXPECT_EQ(outcome.ok(), row.ok);
  const std::string message =
      outcome.ok() ? backupDoneText(outcome.value().processed) : backupFailureText(outcome.error());
  EXPECT_NE(message.find(row.message), std::string::npos) << message;
  if (!row.ok) {
    EXPECT_EQ(readTree(root_), before);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RunTest,
    ::testing::Values(RunRow{"Restores", "bak", true, true, "2 backup file(s) processed successfully"},
                      RunRow{"NothingFound", "old", true, true, "0 backup file(s) processed successfully"},
                      RunRow{"EmptyExtensionRefused", "", true, false, "extension is empty"},
                      RunRow{"MissingFolderRefused", "bak", false, false, "does not exist"}),
    [](const ::testing::TestParamInfo<RunRow>& info) { return info.param.name; });

TEST_F(BackupRestorerTest, MessageIsExactlyTheCount) {
  makeTree(root_, {{"a.htm.bak", "1"}});
  BackupRun run;
  run.folder = rootText();
  run.extension = "bak";
  run.deleteBackups = true;
  const Outcome<BackupOutcome, BackupFailure> outcome = runBackupRestore(run);
  ASSERT_TRUE(outcome.ok());
  EXPECT_EQ(outcome.value().processed, 1);
  EXPECT_EQ(backupDoneText(outcome.value().processed), "1 backup file(s) processed successfully");
  EXPECT_EQ(readTree(root_), (Tree{}));
}

// The backups the rewriting pass leaves are exactly what the restorer puts
// back: after both, the site is byte for byte what it was.
TEST_F(BackupRestorerTest, RestoringUndoesTheRewritingPass) {
  const std::string page = "<a href=\"old.htm\">x</a>";
  const Tree site{{"index.htm", page},     {"style.css", "body{}"}, {"pic.gif", "GIF89a"},
                  {"sub/page.HTML", page}, {"sub/empty.htm", ""},   {"sub/deeper/code.js", "var a = 1;"}};
  makeTree(root_, site);
  FileList files;
  for (const auto& [relative, bytes] : site) files.addSelectedFiles({platform::toPathText(root_ / relative)}, {});
  UrlTable urls;
  for (std::size_t i = 0; i < files.count(); ++i) {
    if (lastPathComponent(files.path(i)) != "index.htm" && lastPathComponent(files.path(i)) != "page.HTML") continue;
    UrlEntry entry;
    entry.url = "old.htm";
    entry.replacement = "new.htm";
    entry.quoteKind = Delimited;
    entry.spanLength = 9;
    entry.valuePos = 8;
    entry.tagPos = 0;
    entry.fileIndex = static_cast<std::int32_t>(i);
    ASSERT_TRUE(urls.append(entry));
  }
  test_support::recordFilesAsRead(files, urls);
  Settings settings;
  settings.makeBackups = true;
  RecordingPanel panel;
  {
    SiteLock lock;
    ASSERT_EQ(lock.acquire({rootText()}, true), SiteLock::Status::Taken);
    RewritePassContext context{settings, files, urls, lock, panel, [] { return true; }};
    const Outcome<RewritePassOutcome, DiskFailure> pass = runRewritingPass(context);
    ASSERT_TRUE(pass.ok() && pass.value().end == PassEnd::Done);
    ASSERT_EQ(pass.value().processedTotal, 2);
  }
  ASSERT_EQ(readFile(root_ / "index.htm"), "<a href=\"new.htm\">x</a>");
  ASSERT_EQ(panel.lines.size(), 2u);

  BackupRun run;
  run.folder = rootText();
  run.extension = "bak";
  const Outcome<BackupOutcome, BackupFailure> restored = runBackupRestore(run);

  ASSERT_TRUE(restored.ok());
  EXPECT_EQ(restored.value().processed, 2);
  EXPECT_EQ(readTree(root_), site);
}

}  // namespace
}  // namespace quillorn
