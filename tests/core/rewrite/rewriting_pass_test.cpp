#include "core/rewrite/rewriting_pass.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/host_path.h"
#include "tests/support/child_process.h"
#include "tests/support/recording_panel.h"
#include "tests/support/temp_folder.h"

namespace quillorn {
namespace {

namespace fs = std::filesystem;

using test_support::readFile;
using test_support::RecordingPanel;
using test_support::runInChild;
using test_support::writeFile;

// The names in a folder, so that a leftover file of the pass shows up.
std::set<std::string> namesIn(const fs::path& folder) {
  std::set<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder))
    names.insert(entry.path().filename().string());
  return names;
}

struct stat statOf(const fs::path& path) {
  struct stat info {};
  EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
  return info;
}

// `text` as UTF-16 with a byte-order mark, in either byte order.
std::string utf16(std::string_view text, bool bigEndian) {
  std::string bytes = bigEndian ? std::string("\xFE\xFF", 2) : std::string("\xFF\xFE", 2);
  for (char c : text) {
    if (bigEndian) bytes.push_back('\0');
    bytes.push_back(c);
    if (!bigEndian) bytes.push_back('\0');
  }
  return bytes;
}

constexpr std::string_view kLink = "<a href=\"old.htm\">x</a>";
constexpr std::string_view kLinkRewritten = "<a href=\"new-page.htm\">x</a>";

// The table entry for the double-quoted "old.htm" of `text` (single-byte, or
// UTF-16 after its two-byte mark), to be replaced by "new-page.htm".
UrlEntry linkEntry(std::string_view text, std::int32_t fileIndex, bool wide = false) {
  UrlEntry entry;
  entry.url = "old.htm";
  entry.replacement = "new-page.htm";
  entry.quoteKind = Delimited;
  entry.spanLength = 9;
  const auto at = static_cast<std::int64_t>(text.find("\"old.htm\""));
  const auto tag = static_cast<std::int64_t>(text.rfind('<', static_cast<std::size_t>(at)));
  entry.valuePos = wide ? 2 + 2 * at : at;
  entry.tagPos = wide ? 2 + 2 * tag : tag;
  entry.fileIndex = fileIndex;
  return entry;
}

// In a child running as root: becomes the unprivileged user, so that file
// permissions apply. False when that is not possible.
bool dropRootInChild() {
  if (::geteuid() != 0) return true;
  return ::setgid(65534) == 0 && ::setuid(65534) == 0;
}

class RewritingPassTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NO_THROW(folder_.emplace("quillorn-rewrite"));
    root_ = folder_->path();
    settings.makeBackups = 1;
  }

  // Writes `bytes` to `relative` under the test folder and appends it to the
  // file list; returns its host path.
  fs::path put(const std::string& relative, std::string_view bytes) {
    const fs::path path = root_ / relative;
    writeFile(path, bytes);
    files.addSelectedFiles({platform::toPathText(path)}, {});
    return path;
  }

  RewritePassOutcome run() {
    RewritePassContext context{settings, files, urls, panel, [this] {
                                 ++questions;
                                 if (answers.empty()) return true;
                                 const bool yes = answers.front();
                                 answers.pop_front();
                                 return yes;
                               }};
    return runRewritingPass(context);
  }

  std::string lineFor(const fs::path& path, std::size_t bytes, bool unicode) {
    return "Processing \"" + path.string() + "\" (" + std::to_string(bytes) + " bytes)" +
           (unicode ? " Unicode)" : " ASCII");
  }

  std::optional<test_support::TempFolder> folder_;
  fs::path root_;
  Settings settings;
  FileList files;
  UrlTable urls;
  RecordingPanel panel;
  std::deque<bool> answers;
  int questions = 0;
};

TEST_F(RewritingPassTest, ListWithoutDocumentsTouchesNothing) {
  put("a.gif", "GIF89a");
  put("b.png", "\x89PNG");
  for (std::int32_t i : {0, 1, 1}) {
    UrlEntry entry = linkEntry(kLink, i);
    ASSERT_TRUE(urls.append(entry));
  }

  const RewritePassOutcome outcome = run();

  EXPECT_EQ(outcome.state, RewriteState::Done);
  EXPECT_EQ(outcome.processedTotal, 0);
  EXPECT_EQ(outcome.statusText, "Done (0 of 3 URL(s) processed successfully)");
  EXPECT_EQ(panel.status, PanelStatus::Done);
  EXPECT_EQ(panel.statusText, outcome.statusText);
  EXPECT_TRUE(panel.lines.empty());
  EXPECT_EQ(namesIn(root_), (std::set<std::string>{"a.gif", "b.png"}));
  EXPECT_EQ(questions, 0);
}

TEST_F(RewritingPassTest, EmptyListIsDone) {
  const RewritePassOutcome outcome = run();
  EXPECT_EQ(outcome.state, RewriteState::Done);
  EXPECT_EQ(outcome.statusText, "Done (0 of 0 URL(s) processed successfully)");
  EXPECT_EQ(panel.polls, 0);
}

struct FileTypeRow {
  std::string name;
  std::string file;  // under the test folder
  std::string bytes;
  bool makeBackups;
  bool rewritten;
};

std::ostream& operator<<(std::ostream& out, const FileTypeRow& row) { return out << row.name; }

class FileTypeTest : public RewritingPassTest, public ::testing::WithParamInterface<FileTypeRow> {};

// A document is rewritten with the same bytes when nothing in it is recorded;
// other files, and empty ones, keep their very inode.
TEST_P(FileTypeTest, RewrittenOrLeftAlone) {
  const FileTypeRow& row = GetParam();
  settings.makeBackups = row.makeBackups ? 1 : 0;
  const fs::path path = put(row.file, row.bytes);
  const fs::path backup = path.string() + ".bak";
  const ino_t oldInode = statOf(path).st_ino;

  const RewritePassOutcome outcome = run();

  EXPECT_EQ(outcome.state, RewriteState::Done);
  EXPECT_EQ(outcome.processedTotal, 0);
  EXPECT_EQ(readFile(path), row.bytes);
  std::set<std::string> expectedNames{path.filename().string()};
  if (row.rewritten) {
    EXPECT_EQ(panel.lines, (std::vector<std::string>{lineFor(path, row.bytes.size(), false)}));
    EXPECT_NE(statOf(path).st_ino, oldInode);
    if (row.makeBackups) {
      expectedNames.insert(backup.filename().string());
      EXPECT_EQ(readFile(backup), row.bytes);
    }
  } else {
    EXPECT_TRUE(panel.lines.empty());
    EXPECT_EQ(statOf(path).st_ino, oldInode);
  }
  EXPECT_EQ(namesIn(path.parent_path()), expectedNames);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FileTypeTest,
    ::testing::Values(FileTypeRow{"UnchangedHtml", "page.html", "<p>nothing broken</p>", true, true},
                      FileTypeRow{"UpperCaseHtm", "PAGE.HTM", "<p>x</p>", true, true},
                      FileTypeRow{"Shtml", "s.shtml", "<p>x</p>", true, true},
                      FileTypeRow{"StyleSheet", "style.Css", "a{}", true, true},
                      FileTypeRow{"Script", "main.js", "var a;", true, true},
                      FileTypeRow{"WithoutBackups", "page.htm", "<p>x</p>", false, true},
                      FileTypeRow{"OneByte", "one.htm", "x", true, true},
                      FileTypeRow{"BackupInTheList", "page.html.bak", "<p>x</p>", true, false},
                      FileTypeRow{"TextFile", "notes.txt", "<p>x</p>", true, false},
                      FileTypeRow{"ExtensionOnlyInFolderName", "site.htm/readme", "<p>x</p>", true, false},
                      FileTypeRow{"NameIsExtension", "htm", "<p>x</p>", true, false},
                      FileTypeRow{"EmptyWithBackups", "empty.htm", "", true, false},
                      FileTypeRow{"EmptyWithoutBackups", "empty.htm", "", false, false}),
    [](const ::testing::TestParamInfo<FileTypeRow>& info) { return info.param.name; });

TEST_F(RewritingPassTest, ExistingBackupIsReplaced) {
  const fs::path page = put("index.htm", "<p>current</p>");
  writeFile(root_ / "index.htm.bak", "stale backup");

  const RewritePassOutcome outcome = run();

  EXPECT_EQ(outcome.state, RewriteState::Done);
  EXPECT_EQ(readFile(root_ / "index.htm.bak"), "<p>current</p>");
  EXPECT_EQ(readFile(page), "<p>current</p>");
  EXPECT_EQ(namesIn(root_), (std::set<std::string>{"index.htm", "index.htm.bak"}));
}

// The backup name already is a second name of the file: it stays the backup,
// and no other name of the old file is left behind.
TEST_F(RewritingPassTest, ExistingBackupIsAnotherNameOfTheFile) {
  const fs::path page = put("index.htm", std::string(kLink));
  ASSERT_TRUE(urls.append(linkEntry(kLink, 0)));
  fs::create_hard_link(page, root_ / "index.htm.bak");

  const RewritePassOutcome outcome = run();

  EXPECT_EQ(outcome.state, RewriteState::Done);
  EXPECT_EQ(readFile(page), kLinkRewritten);
  EXPECT_EQ(readFile(root_ / "index.htm.bak"), kLink);
  EXPECT_EQ(statOf(root_ / "index.htm.bak").st_nlink, 1u);
  EXPECT_EQ(namesIn(root_), (std::set<std::string>{"index.htm", "index.htm.bak"}));
}

TEST_F(RewritingPassTest, BackupIsTheOldFileItself) {
  const fs::path page = put("index.htm", std::string(kLink));
  ASSERT_TRUE(urls.append(linkEntry(kLink, 0)));
  const fs::file_time_type oldTime = fs::last_write_time(page) - std::chrono::hours(48);
  fs::last_write_time(page, oldTime);
  const struct stat before = statOf(page);

  run();

  const struct stat backup = statOf(root_ / "index.htm.bak");
  EXPECT_EQ(backup.st_ino, before.st_ino);
  EXPECT_EQ(backup.st_mtim.tv_sec, before.st_mtim.tv_sec);
  EXPECT_EQ(backup.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
  EXPECT_EQ(backup.st_nlink, 1u);
  EXPECT_EQ(readFile(root_ / "index.htm.bak"), kLink);
  EXPECT_NE(statOf(page).st_ino, before.st_ino);
  EXPECT_EQ(readFile(page), kLinkRewritten);
}

TEST_F(RewritingPassTest, BackupNameTakenByFolderSkipsTheFile) {
  const fs::path first = put("a.htm", "<p>a</p>");
  writeFile(root_ / "a.htm.bak" / "inside.txt", "kept");
  const fs::path second = put("b.htm", "<p>b</p>");
  const ino_t firstInode = statOf(first).st_ino;

  const RewritePassOutcome outcome = run();

  EXPECT_EQ(outcome.state, RewriteState::Done);
  EXPECT_EQ(statOf(first).st_ino, firstInode);
  EXPECT_EQ(readFile(first), "<p>a</p>");
  EXPECT_EQ(readFile(root_ / "a.htm.bak" / "inside.txt"), "kept");
  EXPECT_EQ(panel.lines, (std::vector<std::string>{lineFor(second, 8, false)}));
  EXPECT_EQ(namesIn(root_), (std::set<std::string>{"a.htm", "a.htm.bak", "b.htm", "b.htm.bak"}));
}

struct ReadOnlyRow {
  std::string name;
  bool makeBackups;
};

std::ostream& operator<<(std::ostream& out, const ReadOnlyRow& row) { return out << row.name; }

class ReadOnlyTest : public RewritingPassTest, public ::testing::WithParamInterface<ReadOnlyRow> {};

// A read-only file cannot be deleted, so without backups it stays; with
// backups it becomes the backup, and the new file is writable by its owner.
TEST_P(ReadOnlyTest, ReadOnlyFile) {
  settings.makeBackups = GetParam().makeBackups ? 1 : 0;
  const fs::path page = put("page.htm", std::string(kLink));
  ASSERT_TRUE(urls.append(linkEntry(kLink, 0)));
  ASSERT_EQ(::chmod(page.c_str(), 0444), 0);
  const ino_t oldInode = statOf(page).st_ino;

  const RewritePassOutcome outcome = run();

  EXPECT_EQ(outcome.state, RewriteState::Done);
  if (GetParam().makeBackups) {
    EXPECT_EQ(outcome.processedTotal, 1);
    EXPECT_EQ(readFile(page), kLinkRewritten);
    // Readable as before, and writable by its owner again.
    EXPECT_EQ(statOf(page).st_mode & 07777, 0644u);
    const fs::path backup = root_ / "page.htm.bak";
    EXPECT_EQ(readFile(backup), kLink);
    EXPECT_EQ(statOf(backup).st_ino, oldInode);
    EXPECT_EQ(statOf(backup).st_mode & 07777, 0444u);
    EXPECT_EQ(panel.lines.size(), 1u);
  } else {
    EXPECT_EQ(outcome.processedTotal, 0);
    EXPECT_EQ(outcome.statusText, "Done (0 of 1 URL(s) processed successfully)");
    EXPECT_EQ(readFile(page), kLink);
    EXPECT_EQ(statOf(page).st_ino, oldInode);
    EXPECT_EQ(statOf(page).st_mode & 07777, 0444u);
    EXPECT_TRUE(panel.lines.empty());
    EXPECT_EQ(namesIn(root_), (std::set<std::string>{"page.htm"}));
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, ReadOnlyTest,
                         ::testing::Values(ReadOnlyRow{"WithoutBackups", false}, ReadOnlyRow{"WithBackups", true}),
                         [](const ::testing::TestParamInfo<ReadOnlyRow>& info) { return info.param.name; });

struct EncodingRow {
  std::string name;
  std::string before;
  bool withEntry;  // the link's "old.htm" is replaced
  std::string after;
  bool unicode;
};

std::ostream& operator<<(std::ostream& out, const EncodingRow& row) { return out << row.name; }

class EncodingTest : public RewritingPassTest, public ::testing::WithParamInterface<EncodingRow> {};

// The file keeps its own encoding and byte order, a trailing odd byte included.
TEST_P(EncodingTest, KeepsByteOrder) {
  const EncodingRow& row = GetParam();
  const fs::path page = put("page.htm", row.before);
  if (row.withEntry) {
    // The link stands after the filler, at the same character offset in the
    // narrow text as in the wide file.
    std::string narrow;
    if (row.unicode) {
      for (std::size_t i = 2; i + 1 < row.before.size(); i += 2)
        narrow.push_back(row.before[i] == '\0' ? row.before[i + 1] : row.before[i]);
    } else {
      narrow = row.before;
    }
    ASSERT_TRUE(urls.append(linkEntry(narrow, 0, row.unicode)));
  }

  const RewritePassOutcome outcome = run();

  EXPECT_EQ(outcome.state, RewriteState::Done);
  EXPECT_EQ(outcome.processedTotal, row.withEntry ? 1 : 0);
  EXPECT_EQ(readFile(page), row.after);
  EXPECT_EQ(readFile(root_ / "page.htm.bak"), row.before);
  EXPECT_EQ(panel.lines, (std::vector<std::string>{lineFor(page, row.before.size(), row.unicode)}));
}

// Filler that puts the link beyond the first 64 KiB block of output.
const std::string kLongFiller(40000, 'f');

INSTANTIATE_TEST_SUITE_P(
    Rows, EncodingTest,
    ::testing::Values(
        EncodingRow{"BigEndianReplaced", utf16(kLink, true), true, utf16(kLinkRewritten, true), true},
        EncodingRow{"LittleEndianReplaced", utf16(kLink, false), true, utf16(kLinkRewritten, false), true},
        EncodingRow{"BigEndianUnchanged", utf16(kLink, true), false, utf16(kLink, true), true},
        EncodingRow{"BigEndianOddLength", utf16(kLink, true) + "A", false, utf16(kLink, true) + "A", true},
        EncodingRow{"BigEndianOddLengthReplaced", utf16(kLink, true) + "A", true, utf16(kLinkRewritten, true) + "A",
                    true},
        EncodingRow{"BigEndianMarkOnly", "\xFE\xFF", false, "\xFE\xFF", true},
        EncodingRow{"BigEndianAcrossBlocks", utf16(kLongFiller + std::string(kLink) + kLongFiller, true), true,
                    utf16(kLongFiller + std::string(kLinkRewritten) + kLongFiller, true), true},
        EncodingRow{"BigEndianOddAcrossBlocks", utf16(kLongFiller + std::string(kLink), true) + "Z", true,
                    utf16(kLongFiller + std::string(kLinkRewritten), true) + "Z", true},
        EncodingRow{"SingleByteReplaced", std::string(kLink), true, std::string(kLinkRewritten), false},
        EncodingRow{"SingleByteAcrossBlocks", kLongFiller + kLongFiller + std::string(kLink), true,
                    kLongFiller + kLongFiller + std::string(kLinkRewritten), false}),
    [](const ::testing::TestParamInfo<EncodingRow>& info) { return info.param.name; });

TEST_F(RewritingPassTest, CountsTheOccurrencesOfRewrittenFilesOnly) {
  put("a.htm", std::string(kLink) + "<img src=\"keep.gif\">");
  put("pic.gif", "GIF89a");
  put("empty.htm", "");
  put("b.css", "a{}");
  ASSERT_TRUE(urls.append(linkEntry(kLink, 0)));
  UrlEntry keep;  // written back as it stands
  keep.url = "keep.gif";
  keep.replacement = "keep.gif";
  keep.quoteKind = Delimited;
  keep.spanLength = 10;
  keep.valuePos = static_cast<std::int64_t>(kLink.size() + 9);
  keep.tagPos = static_cast<std::int64_t>(kLink.size());
  keep.fileIndex = 0;
  ASSERT_TRUE(urls.append(keep));
  ASSERT_TRUE(urls.append(linkEntry(kLink, 1)));
  ASSERT_TRUE(urls.append(linkEntry(kLink, 2)));

  const RewritePassOutcome outcome = run();

  EXPECT_EQ(outcome.processedTotal, 2);
  EXPECT_EQ(outcome.statusText, "Done (2 of 4 URL(s) processed successfully)");
  EXPECT_EQ(readFile(root_ / "a.htm"), std::string(kLinkRewritten) + "<img src=\"keep.gif\">");
  EXPECT_EQ(panel.lines.size(), 2u);
  EXPECT_EQ(panel.overallCalls,
            (std::vector<std::pair<std::int64_t, std::int64_t>>{{4, 1}, {4, 1}, {4, 2}, {4, 3}, {4, 4}}));
  EXPECT_EQ(panel.polls, 4);
}

struct StopRow {
  std::string name;
  std::set<int> stopAtPolls;
  std::deque<bool> answers;
  RewriteState state;
  std::size_t rewrittenFiles;
  int questions;
};

std::ostream& operator<<(std::ostream& out, const StopRow& row) { return out << row.name; }

class StopTest : public RewritingPassTest, public ::testing::WithParamInterface<StopRow> {};

// The question comes after an entry is handled, the last included; the files
// handled before a stop stay rewritten, the rest are not touched.
TEST_P(StopTest, StopQuestion) {
  const StopRow& row = GetParam();
  const std::vector<fs::path> pages = {put("a.htm", "<p>a</p>"), put("b.htm", "<p>b</p>"), put("c.htm", "<p>c</p>")};
  panel.stopAtPolls = row.stopAtPolls;
  answers = row.answers;

  const RewritePassOutcome outcome = run();

  EXPECT_EQ(outcome.state, row.state);
  EXPECT_EQ(questions, row.questions);
  if (row.state == RewriteState::Stopped) {
    EXPECT_EQ(outcome.processedTotal, -1);
    EXPECT_EQ(outcome.statusText, "Stopped");
    EXPECT_EQ(panel.status, PanelStatus::Stopped);
  } else {
    EXPECT_EQ(outcome.statusText, "Done (0 of 0 URL(s) processed successfully)");
  }
  EXPECT_EQ(panel.lines.size(), row.rewrittenFiles);
  for (std::size_t i = 0; i < pages.size(); ++i)
    EXPECT_EQ(fs::exists(pages[i].string() + ".bak"), i < row.rewrittenFiles) << pages[i];
}

INSTANTIATE_TEST_SUITE_P(Rows, StopTest,
                         ::testing::Values(StopRow{"YesAfterLast", {3}, {true}, RewriteState::Stopped, 3, 1},
                                           StopRow{"NoAfterLast", {3}, {false}, RewriteState::Done, 3, 1},
                                           StopRow{"YesAfterFirst", {1}, {true}, RewriteState::Stopped, 1, 1},
                                           StopRow{"NoThenYes", {1, 2}, {false, true}, RewriteState::Stopped, 2, 2},
                                           StopRow{"NoTwice", {1, 3}, {false, false}, RewriteState::Done, 3, 2}),
                         [](const ::testing::TestParamInfo<StopRow>& info) { return info.param.name; });

// Child exit codes of the failure tests.
constexpr int kChildAsExpected = 0;
constexpr int kChildWrongOutcome = 1;
constexpr int kChildSetupFailed = 2;
constexpr int kChildNotApplicable = 3;

struct WriteFailureRow {
  std::string name;
  bool makeBackups;
  bool oldBackup;  // the failing file already has a backup
  bool bigEndian;
};

std::ostream& operator<<(std::ostream& out, const WriteFailureRow& row) { return out << row.name; }

class WriteFailureTest : public RewritingPassTest, public ::testing::WithParamInterface<WriteFailureRow> {
 protected:
  // Runs the pass in a child and checks there that it ended with the disk
  // error on `failing`; the caller checks the disk.
  void expectDiskErrorInChild(const fs::path& failing, const std::function<bool()>& prepareChild) {
    const int code = runInChild([&] {
      if (!prepareChild()) return kChildSetupFailed;
      const RewritePassOutcome outcome = run();
      const bool expected = outcome.state == RewriteState::DiskError && outcome.processedTotal == -1 &&
                            outcome.errorMessage == kDiskWritingError && outcome.failedFile == failing.string() &&
                            panel.status == PanelStatus::Stopped && panel.lines.size() == 1;
      return expected ? kChildAsExpected : kChildWrongOutcome;
    });
    ASSERT_EQ(code, kChildAsExpected);
  }

  // Lays out: first.htm (rewritten before the failure), the failing page in
  // `folder`, and last.htm after it. Returns the failing page.
  fs::path layOut(const std::string& folder) {
    const WriteFailureRow& row = GetParam();
    settings.makeBackups = row.makeBackups ? 1 : 0;
    first_ = put("first/first.htm", "<p>1</p>");
    const std::string big = std::string(kLink) + std::string(200, 'x');
    failingBytes_ = row.bigEndian ? utf16(big, true) : big;
    const fs::path failing = put(folder + "/page.htm", failingBytes_);
    EXPECT_TRUE(urls.append(linkEntry(big, 1, row.bigEndian)));
    if (row.oldBackup) writeFile(failing.string() + ".bak", "stale backup");
    last_ = put("last/last.htm", "<p>3</p>");
    firstInode_ = statOf(first_).st_ino;
    failingInode_ = statOf(failing).st_ino;
    lastInode_ = statOf(last_).st_ino;
    return failing;
  }

  // Nothing of the failing file is lost or changed, the first file stays
  // rewritten, and no file of the pass is left behind.
  void expectDiskAfterFailure(const fs::path& failing) {
    const WriteFailureRow& row = GetParam();
    EXPECT_NE(statOf(first_).st_ino, firstInode_);
    EXPECT_EQ(readFile(first_), "<p>1</p>");
    EXPECT_EQ(readFile(failing), failingBytes_);
    EXPECT_EQ(statOf(failing).st_ino, failingInode_);
    std::set<std::string> names{"page.htm"};
    if (row.oldBackup) {
      names.insert("page.htm.bak");
      EXPECT_EQ(readFile(failing.string() + ".bak"), "stale backup");
    }
    EXPECT_EQ(namesIn(failing.parent_path()), names);
    EXPECT_EQ(statOf(last_).st_ino, lastInode_);
    EXPECT_EQ(namesIn(last_.parent_path()), (std::set<std::string>{"last.htm"}));
  }

  fs::path first_;
  fs::path last_;
  std::string failingBytes_;
  ino_t firstInode_ = 0;
  ino_t failingInode_ = 0;
  ino_t lastInode_ = 0;
};

// Writes beyond a file-size limit fail (EFBIG), for root as for anyone.
TEST_P(WriteFailureTest, WriteFails) {
  const fs::path failing = layOut("site");
  expectDiskErrorInChild(failing, [] {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{64, 64};
    return ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
  });
  expectDiskAfterFailure(failing);
}

// The new file cannot be created in a folder without write permission.
TEST_P(WriteFailureTest, FolderNotWritable) {
  const fs::path failing = layOut("site");
  // The child may run as an unprivileged user: it must reach and read the
  // files, and write beside first.htm.
  ASSERT_EQ(::chmod(root_.c_str(), 0755), 0);
  ASSERT_EQ(::chmod(first_.parent_path().c_str(), 0777), 0);
  ASSERT_EQ(::chmod(failing.parent_path().c_str(), 0555), 0);
  expectDiskErrorInChild(failing, [] { return dropRootInChild(); });
  expectDiskAfterFailure(failing);
}

INSTANTIATE_TEST_SUITE_P(Rows, WriteFailureTest,
                         ::testing::Values(WriteFailureRow{"WithBackups", true, false, false},
                                           WriteFailureRow{"WithOldBackup", true, true, false},
                                           WriteFailureRow{"WithoutBackups", false, false, false},
                                           WriteFailureRow{"WithoutBackupsOldBackupStays", false, true, false},
                                           WriteFailureRow{"BigEndianWithBackups", true, true, true}),
                         [](const ::testing::TestParamInfo<WriteFailureRow>& info) { return info.param.name; });

// Where a hard link cannot be made (here: a file of another user that the
// kernel's link protection guards), the old file is moved to its backup name.
TEST_F(RewritingPassTest, WithoutHardLinksTheOldFileIsMoved) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to hand the file to another user";
  const fs::path page = put("shared/page.htm", std::string(kLink));
  ASSERT_TRUE(urls.append(linkEntry(kLink, 0)));
  writeFile(root_ / "shared" / "page.htm.bak", "stale backup");
  ASSERT_EQ(::chmod(root_.c_str(), 0755), 0);
  ASSERT_EQ(::chmod(page.parent_path().c_str(), 0777), 0);
  const ino_t oldInode = statOf(page).st_ino;

  const int code = runInChild([&] {
    if (!dropRootInChild()) return kChildSetupFailed;
    const fs::path probe = root_ / "shared" / "probe";
    if (::link(page.c_str(), probe.c_str()) == 0) {
      ::unlink(probe.c_str());
      return kChildNotApplicable;
    }
    const RewritePassOutcome outcome = run();
    return outcome.state == RewriteState::Done && outcome.processedTotal == 1 ? kChildAsExpected : kChildWrongOutcome;
  });
  if (code == kChildNotApplicable) GTEST_SKIP() << "hard links to another user's file are allowed here";
  ASSERT_EQ(code, kChildAsExpected);

  EXPECT_EQ(readFile(page), kLinkRewritten);
  EXPECT_EQ(readFile(root_ / "shared" / "page.htm.bak"), kLink);
  EXPECT_EQ(statOf(root_ / "shared" / "page.htm.bak").st_ino, oldInode);
  EXPECT_EQ(namesIn(page.parent_path()), (std::set<std::string>{"page.htm", "page.htm.bak"}));
}

TEST(BackupPathTest, AppendsBakAfterTheWholeName) {
  EXPECT_EQ(backupPath("C:\\site\\index.htm"), "C:\\site\\index.htm.bak");
  EXPECT_EQ(backupPath("C:\\site\\Style.CSS"), "C:\\site\\Style.CSS.bak");
}

}  // namespace
}  // namespace quillorn

namespace quillorn {
namespace {

TEST_F(RewritingPassTest, PrivateFileStaysPrivate) {
  const fs::path page = put("page.htm", std::string(kLink));
  ASSERT_TRUE(urls.append(linkEntry(kLink, 0)));
  ASSERT_EQ(::chmod(page.c_str(), 0600), 0);
  ASSERT_EQ(run().state, RewriteState::Done);
  EXPECT_EQ(readFile(page), kLinkRewritten);
  EXPECT_EQ(statOf(page).st_mode & 07777, 0600u);
}

}  // namespace
}  // namespace quillorn
