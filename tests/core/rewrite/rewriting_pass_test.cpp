#include "core/rewrite/rewriting_pass.h"

#include <gtest/gtest.h>

#include <acl/libacl.h>
#include <signal.h>
#include <sys/acl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
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

#include "core/files/site_lock.h"
#include "platform/file_access.h"
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
using test_support::runInChild;
using test_support::TempFolder;
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

// The tally's counts in one row: files rewritten, links changed, kept, in skipped files.
std::vector<std::size_t> counts(const RewriteTally& tally) {
  return {tally.filesRewritten, tally.linksChanged, tally.linksKept, tally.linksInSkippedFiles};
}

class RewritingPassTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NO_THROW(folder_.emplace("quillorn-rewrite"));
    root_ = folder_->path();
    settings.makeBackups = true;
  }

  // Writes `bytes` to `relative` under the test folder and appends it to the
  // file list; returns its host path.
  fs::path put(const std::string& relative, std::string_view bytes) {
    const fs::path path = root_ / relative;
    writeFile(path, bytes);
    files.addSelectedFiles({platform::toPathText(path)}, {});
    return path;
  }

  // The search read every file as it is now; the pass runs under the lock of
  // the test folder.
  Outcome<RewritePassOutcome, DiskFailure> pass() {
    test_support::recordFilesAsRead(files, urls);
    return runPass();
  }

  Outcome<RewritePassOutcome, DiskFailure> runPass() {
    SiteLock lock;
    EXPECT_EQ(lock.acquire({platform::toPathText(root_)}, true), SiteLock::Status::Taken);
    RewritePassContext context{settings,
                               files,
                               urls,
                               lock,
                               panel,
                               [this] {
                                 ++questions;
                                 if (answers.empty()) return true;
                                 const bool yes = answers.front();
                                 answers.pop_front();
                                 return yes;
                               },
                               [this](const FileSkip& skip) { reported.push_back(skip); }};
    return runRewritingPass(context);
  }

  // A pass that meets no disk failure.
  RewritePassOutcome run() {
    Outcome<RewritePassOutcome, DiskFailure> outcome = pass();
    EXPECT_TRUE(outcome.ok());
    return outcome.ok() ? outcome.value() : RewritePassOutcome{};
  }

  // `relative` holding the link, with its entry in the table.
  fs::path putLink(const std::string& relative) {
    const fs::path path = put(relative, std::string(kLink));
    EXPECT_TRUE(urls.append(linkEntry(kLink, static_cast<std::int32_t>(files.count() - 1))));
    return path;
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
  std::vector<FileSkip> reported;
};

TEST_F(RewritingPassTest, ListWithoutDocumentsTouchesNothing) {
  put("a.gif", "GIF89a");
  put("b.png", "\x89PNG");
  for (std::int32_t i : {0, 1, 1}) {
    UrlEntry entry = linkEntry(kLink, i);
    ASSERT_TRUE(urls.append(entry));
  }

  const RewritePassOutcome outcome = run();

  EXPECT_EQ(outcome.end, PassEnd::Done);
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
  EXPECT_EQ(outcome.end, PassEnd::Done);
  EXPECT_EQ(outcome.statusText, "Done (0 of 0 URL(s) processed successfully)");
  EXPECT_EQ(panel.polls, 0);
}

struct FileTypeRow {
  std::string name;
  std::string file;  // under the test folder, holding kLink (or nothing, when empty)
  bool empty;
  bool makeBackups;
  bool rewritten;
};

std::ostream& operator<<(std::ostream& out, const FileTypeRow& row) { return out << row.name; }

class FileTypeTest : public RewritingPassTest, public ::testing::WithParamInterface<FileTypeRow> {};

// Pages, style sheets and scripts whose links change are rewritten; other
// files, and empty ones, keep their very inode.
TEST_P(FileTypeTest, RewrittenOrLeftAlone) {
  const FileTypeRow& row = GetParam();
  settings.makeBackups = row.makeBackups;
  const std::string bytes = row.empty ? std::string() : std::string(kLink);
  const fs::path path = put(row.file, bytes);
  ASSERT_TRUE(urls.append(linkEntry(kLink, 0)));
  const fs::path backup = path.string() + ".bak";
  const ino_t oldInode = statOf(path).st_ino;

  const RewritePassOutcome outcome = run();

  EXPECT_EQ(outcome.end, PassEnd::Done);
  EXPECT_EQ(outcome.processedTotal, row.rewritten ? 1 : 0);
  EXPECT_TRUE(outcome.skipped.empty());
  std::set<std::string> expectedNames{path.filename().string()};
  if (row.rewritten) {
    EXPECT_EQ(readFile(path), kLinkRewritten);
    EXPECT_EQ(panel.lines, (std::vector<std::string>{lineFor(path, bytes.size(), false)}));
    EXPECT_NE(statOf(path).st_ino, oldInode);
    if (row.makeBackups) {
      expectedNames.insert(backup.filename().string());
      EXPECT_EQ(readFile(backup), bytes);
    }
  } else {
    EXPECT_EQ(readFile(path), bytes);
    EXPECT_TRUE(panel.lines.empty());
    EXPECT_EQ(statOf(path).st_ino, oldInode);
  }
  EXPECT_EQ(namesIn(path.parent_path()), expectedNames);
}

INSTANTIATE_TEST_SUITE_P(Rows, FileTypeTest,
                         ::testing::Values(FileTypeRow{"Html", "page.html", false, true, true},
                                           FileTypeRow{"UpperCaseHtm", "PAGE.HTM", false, true, true},
                                           FileTypeRow{"Shtml", "s.shtml", false, true, true},
                                           FileTypeRow{"StyleSheet", "style.Css", false, true, true},
                                           FileTypeRow{"Script", "main.js", false, true, true},
                                           FileTypeRow{"WithoutBackups", "page.htm", false, false, true},
                                           FileTypeRow{"BackupInTheList", "page.html.bak", false, true, false},
                                           FileTypeRow{"TextFile", "notes.txt", false, true, false},
                                           FileTypeRow{"ExtensionOnlyInFolderName", "site.htm/readme", false, true,
                                                       false},
                                           FileTypeRow{"NameIsExtension", "htm", false, true, false},
                                           FileTypeRow{"EmptyWithBackups", "empty.htm", true, true, false},
                                           FileTypeRow{"EmptyWithoutBackups", "empty.htm", true, false, false}),
                         [](const ::testing::TestParamInfo<FileTypeRow>& info) { return info.param.name; });

// Nothing changes in a page without findings, nor in one whose findings all
// stay as they are: neither is touched, and the latter's findings count.
TEST_F(RewritingPassTest, FileInWhichNothingChangesIsNotTouched) {
  const fs::path quiet = put("quiet.htm", "<p>nothing broken</p>");
  const fs::path kept = put("kept.htm", std::string(kLink));
  UrlEntry keep = linkEntry(kLink, 1);
  keep.replacement = keep.url;
  ASSERT_TRUE(urls.append(keep));
  const ino_t quietInode = statOf(quiet).st_ino;
  const ino_t keptInode = statOf(kept).st_ino;

  const RewritePassOutcome outcome = run();

  EXPECT_EQ(outcome.statusText, "Done (1 of 1 URL(s) processed successfully)");
  EXPECT_TRUE(panel.lines.empty());
  EXPECT_EQ(statOf(quiet).st_ino, quietInode);
  EXPECT_EQ(statOf(kept).st_ino, keptInode);
  EXPECT_EQ(namesIn(root_), (std::set<std::string>{"quiet.htm", "kept.htm"}));
}

struct SkipRow {
  std::string name;
  std::function<void(const fs::path& page)> arrange;  // after the search read the files
  SkipReason reason;
  bool makeBackups = true;
};

std::ostream& operator<<(std::ostream& out, const SkipRow& row) { return out << row.name; }

class SkipTest : public RewritingPassTest, public ::testing::WithParamInterface<SkipRow> {};

// A file that cannot be replaced safely is named with the reason and left
// exactly as it was; the pass goes on with the next file.
TEST_P(SkipTest, LeavesTheFileAndGoesOn) {
  const SkipRow& row = GetParam();
  settings.makeBackups = row.makeBackups;
  const fs::path page = putLink("site/page.htm");
  const fs::path next = putLink("next.htm");
  test_support::recordFilesAsRead(files, urls);
  row.arrange(page);
  const std::set<std::string> namesBefore = namesIn(page.parent_path());
  const std::string bytesBefore = readFile(page);

  const Outcome<RewritePassOutcome, DiskFailure> pass = runPass();
  ASSERT_TRUE(pass.ok());
  const RewritePassOutcome& outcome = pass.value();

  EXPECT_EQ(outcome.end, PassEnd::Done);
  ASSERT_EQ(outcome.skipped.size(), 1u);
  EXPECT_EQ(outcome.skipped[0].index, 0u);
  EXPECT_EQ(outcome.skipped[0].reason, row.reason);
  EXPECT_EQ(reported.size(), 1u);
  EXPECT_EQ(outcome.statusText, "Done (1 of 2 URL(s) processed successfully, 1 file(s) skipped)");
  EXPECT_EQ(readFile(page), bytesBefore);
  EXPECT_EQ(namesIn(page.parent_path()), namesBefore);
  EXPECT_EQ(readFile(next), kLinkRewritten);
  EXPECT_EQ(panel.lines, (std::vector<std::string>{lineFor(next, kLink.size(), false)}));
  EXPECT_EQ(counts(outcome.tally), (std::vector<std::size_t>{1, 1, 0, 1}));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SkipTest,
    ::testing::Values(SkipRow{"ExistingBackupIsNeverReplaced",
                              [](const fs::path& page) { writeFile(page.string() + ".bak", "earlier repair"); },
                              SkipReason::BackupExists},
                      SkipRow{"BackupNameIsAFolder",
                              [](const fs::path& page) { writeFile(page.string() + ".bak/inside.txt", "kept"); },
                              SkipReason::BackupNameTaken},
                      SkipRow{"EditedAfterTheSearch",
                              [](const fs::path& page) { writeFile(page, std::string(kLink) + "<p>new</p>"); },
                              SkipReason::ChangedSinceSearch},
                      SkipRow{"SameSizeAndTimeOtherContent",
                              [](const fs::path& page) {
                                const fs::file_time_type time = fs::last_write_time(page);
                                std::string edited(kLink);
                                edited.back() = 'A';
                                writeFile(page, edited);
                                fs::last_write_time(page, time);
                              },
                              SkipReason::ChangedSinceSearch},
                      SkipRow{"RemovedAfterTheSearch", [](const fs::path& page) { fs::remove(page); },
                              SkipReason::ChangedSinceSearch},
                      SkipRow{"LinkToAFile",
                              [](const fs::path& page) {
                                fs::rename(page, page.string() + "-real");
                                fs::create_symlink(page.filename().string() + "-real", page);
                              },
                              SkipReason::IsLink},
                      SkipRow{"ReadOnlyWithoutBackups",
                              [](const fs::path& page) { fs::permissions(page, fs::perms::owner_read); },
                              SkipReason::ReadOnly, false}),
    [](const ::testing::TestParamInfo<SkipRow>& info) { return info.param.name; });

// A page that is a link reads what it leads to; once the pass has rewritten
// that page under its own name, the link holds other bytes than the search
// read, and it is still skipped as a link.
TEST_F(RewritingPassTest, LinkAfterThePageItLeadsToIsSkippedAsALink) {
  const fs::path real = putLink("real.htm");
  const fs::path link = root_ / "z.htm";
  fs::create_symlink("real.htm", link);
  files.addSelectedFiles({platform::toPathText(link)}, {});
  ASSERT_TRUE(urls.append(linkEntry(kLink, 1)));

  const RewritePassOutcome outcome = run();

  ASSERT_EQ(outcome.skipped.size(), 1u);
  EXPECT_EQ(outcome.skipped[0].index, 1u);
  EXPECT_EQ(outcome.skipped[0].reason, SkipReason::IsLink);
  EXPECT_EQ(readFile(real), kLinkRewritten);
  EXPECT_TRUE(fs::is_symlink(link));
}

// A folder link inside the site that leads out of it: the pages behind it
// are read, but never written, nor are backups made there.
TEST_F(RewritingPassTest, FolderLinkOutOfTheSiteIsLeftAlone) {
  TempFolder outside("quillorn-outside");
  writeFile(outside.path() / "d" / "page.htm", std::string(kLink));
  fs::create_directory_symlink(outside.path() / "d", root_ / "linkdir");
  files.addFolder(true, platform::toPathText(root_), {});
  ASSERT_EQ(files.count(), 1u);
  ASSERT_TRUE(urls.append(linkEntry(kLink, 0)));

  const RewritePassOutcome outcome = run();

  ASSERT_EQ(outcome.skipped.size(), 1u);
  EXPECT_EQ(outcome.skipped[0].reason, SkipReason::OutsideFolders);
  EXPECT_EQ(readFile(outside.path() / "d" / "page.htm"), kLink);
  EXPECT_EQ(namesIn(outside.path() / "d"), (std::set<std::string>{"page.htm"}));
}

// A killed run left the new content beside the page and the backup as a
// second name of the unchanged page: both go, and the page is rewritten.
TEST_F(RewritingPassTest, LeftoversOfAKilledRunAreClearedFirst) {
  const fs::path page = putLink("index.htm");
  writeFile(platform::temporaryPathFor(page), "half of the new");
  fs::create_hard_link(page, root_ / "index.htm.bak");
  SiteLock lock;
  ASSERT_EQ(lock.acquire({platform::toPathText(root_)}, true), SiteLock::Status::Taken);

  const std::vector<fs::path> recovered = recoverInterruptedRewrites(files, lock);
  EXPECT_EQ(recovered, std::vector<fs::path>{fs::canonical(page)});
  EXPECT_EQ(namesIn(root_), (std::set<std::string>{"index.htm"}));
  lock.release();

  const RewritePassOutcome outcome = run();

  EXPECT_EQ(outcome.end, PassEnd::Done);
  EXPECT_EQ(readFile(page), kLinkRewritten);
  EXPECT_EQ(readFile(root_ / "index.htm.bak"), kLink);
  EXPECT_EQ(statOf(root_ / "index.htm.bak").st_nlink, 1u);
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

  EXPECT_EQ(outcome.end, PassEnd::Done);
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
    EXPECT_EQ(outcome.statusText, "Done (0 of 1 URL(s) processed successfully, 1 file(s) skipped)");
    ASSERT_EQ(outcome.skipped.size(), 1u);
    EXPECT_EQ(outcome.skipped[0].reason, SkipReason::ReadOnly);
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

  EXPECT_EQ(outcome.end, PassEnd::Done);
  EXPECT_EQ(outcome.processedTotal, row.withEntry ? 1 : 0);
  EXPECT_EQ(readFile(page), row.after);
  if (row.withEntry) {
    EXPECT_EQ(readFile(root_ / "page.htm.bak"), row.before);
    EXPECT_EQ(panel.lines, (std::vector<std::string>{lineFor(page, row.before.size(), row.unicode)}));
  } else {
    EXPECT_FALSE(fs::exists(root_ / "page.htm.bak"));
    EXPECT_TRUE(panel.lines.empty());
  }
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
  // The value written back as it stood and the empty page's link are kept;
  // an entry of a file that is no page is no link of the site.
  EXPECT_EQ(counts(outcome.tally), (std::vector<std::size_t>{1, 1, 2, 0}));
  EXPECT_EQ(readFile(root_ / "a.htm"), std::string(kLinkRewritten) + "<img src=\"keep.gif\">");
  EXPECT_EQ(panel.lines.size(), 1u);
  EXPECT_EQ(panel.overallCalls,
            (std::vector<std::pair<std::int64_t, std::int64_t>>{{4, 1}, {4, 1}, {4, 2}, {4, 3}, {4, 4}}));
  EXPECT_EQ(panel.polls, 4);
}

struct StopRow {
  std::string name;
  std::set<int> stopAtPolls;
  std::deque<bool> answers;
  PassEnd end;
  std::size_t rewrittenFiles;
  int questions;
};

std::ostream& operator<<(std::ostream& out, const StopRow& row) { return out << row.name; }

class StopTest : public RewritingPassTest, public ::testing::WithParamInterface<StopRow> {};

// The question comes after an entry is handled, the last included; the files
// handled before a stop stay rewritten, the rest are not touched.
TEST_P(StopTest, StopQuestion) {
  const StopRow& row = GetParam();
  const std::vector<fs::path> pages = {putLink("a.htm"), putLink("b.htm"), putLink("c.htm")};
  panel.stopAtPolls = row.stopAtPolls;
  answers = row.answers;

  const RewritePassOutcome outcome = run();

  EXPECT_EQ(outcome.end, row.end);
  EXPECT_EQ(questions, row.questions);
  if (row.end == PassEnd::Stopped) {
    // One URL in each file rewritten before the stop.
    EXPECT_EQ(outcome.processedTotal, static_cast<std::int64_t>(row.rewrittenFiles));
    EXPECT_EQ(outcome.statusText, "Stopped");
    EXPECT_EQ(panel.status, PanelStatus::Stopped);
  } else {
    EXPECT_EQ(outcome.statusText, "Done (3 of 3 URL(s) processed successfully)");
  }
  EXPECT_EQ(panel.lines.size(), row.rewrittenFiles);
  EXPECT_EQ(counts(outcome.tally), (std::vector<std::size_t>{row.rewrittenFiles, row.rewrittenFiles, 0, 0}));
  for (std::size_t i = 0; i < pages.size(); ++i)
    EXPECT_EQ(fs::exists(pages[i].string() + ".bak"), i < row.rewrittenFiles) << pages[i];
}

INSTANTIATE_TEST_SUITE_P(Rows, StopTest,
                         ::testing::Values(StopRow{"YesAfterLast", {3}, {true}, PassEnd::Stopped, 3, 1},
                                           StopRow{"NoAfterLast", {3}, {false}, PassEnd::Done, 3, 1},
                                           StopRow{"YesAfterFirst", {1}, {true}, PassEnd::Stopped, 1, 1},
                                           StopRow{"NoThenYes", {1, 2}, {false, true}, PassEnd::Stopped, 2, 2},
                                           StopRow{"NoTwice", {1, 3}, {false, false}, PassEnd::Done, 3, 2}),
                         [](const ::testing::TestParamInfo<StopRow>& info) { return info.param.name; });

// Child exit codes of the failure tests.
constexpr int kChildAsExpected = 0;
constexpr int kChildWrongOutcome = 1;
constexpr int kChildSetupFailed = 2;

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
      const Outcome<RewritePassOutcome, DiskFailure> outcome = pass();
      // first.htm's URL was processed before the failure.
      const bool expected = !outcome.ok() && outcome.error().processedTotal == 1 &&
                            outcome.error().file == failing.string() && panel.status == PanelStatus::Stopped &&
                            panel.lines.size() == 1;
      return expected ? kChildAsExpected : kChildWrongOutcome;
    });
    ASSERT_EQ(code, kChildAsExpected);
  }

  // Lays out: first.htm (rewritten before the failure), the failing page in
  // `folder`, and last.htm after it. Returns the failing page.
  fs::path layOut(const std::string& folder) {
    const WriteFailureRow& row = GetParam();
    settings.makeBackups = row.makeBackups;
    first_ = putLink("first/first.htm");
    const std::string big = std::string(kLink) + std::string(200, 'x');
    failingBytes_ = row.bigEndian ? utf16(big, true) : big;
    const fs::path failing = put(folder + "/page.htm", failingBytes_);
    EXPECT_TRUE(urls.append(linkEntry(big, 1, row.bigEndian)));
    if (row.oldBackup) writeFile(failing.string() + ".bak", "stale backup");
    last_ = putLink("last/last.htm");
    firstInode_ = statOf(first_).st_ino;
    failingInode_ = statOf(failing).st_ino;
    lastInode_ = statOf(last_).st_ino;
    return failing;
  }

  // Nothing of the failing file is lost or changed, the first file stays
  // rewritten, and no file of the pass is left behind.
  void expectFailingFileWhole(const fs::path& failing) {
    const WriteFailureRow& row = GetParam();
    EXPECT_NE(statOf(first_).st_ino, firstInode_);
    EXPECT_EQ(readFile(first_), kLinkRewritten);
    EXPECT_EQ(readFile(failing), failingBytes_);
    EXPECT_EQ(statOf(failing).st_ino, failingInode_);
    std::set<std::string> names{"page.htm"};
    if (row.oldBackup) {
      names.insert("page.htm.bak");
      EXPECT_EQ(readFile(failing.string() + ".bak"), "stale backup");
    }
    EXPECT_EQ(namesIn(failing.parent_path()), names);
  }

  void expectLastUntouched() {
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

// Writes beyond a file-size limit fail (EFBIG, the signal being ignored), for
// root as for anyone: that would hit every file, so the pass ends there.
TEST_P(WriteFailureTest, WriteFails) {
  const fs::path failing = layOut("site");
  expectDiskErrorInChild(failing, [] {
    const rlimit limit{64, 64};
    return ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
  });
  expectFailingFileWhole(failing);
  expectLastUntouched();
}

// A folder the user may not write concerns its own files only: they are
// skipped, named, and the pass goes on.
TEST_P(WriteFailureTest, FolderNotWritable) {
  const fs::path failing = layOut("site");
  // The child may run as an unprivileged user: it must reach and read the
  // files, and write beside first.htm and last.htm.
  ASSERT_EQ(::chmod(root_.c_str(), 0755), 0);
  ASSERT_EQ(::chmod(first_.parent_path().c_str(), 0777), 0);
  ASSERT_EQ(::chmod(last_.parent_path().c_str(), 0777), 0);
  ASSERT_EQ(::chmod(failing.parent_path().c_str(), 0555), 0);
  // The user's own files, which a new file of theirs may replace.
  if (::geteuid() == 0) {
    for (const fs::path& page : {first_, failing, last_}) ASSERT_EQ(::chown(page.c_str(), 65534, 65534), 0);
  }
  const int code = runInChild([&] {
    if (!dropRootInChild()) return kChildSetupFailed;
    const RewritePassOutcome outcome = run();
    const bool expected = outcome.end == PassEnd::Done && outcome.skipped.size() == 1 &&
                          outcome.skipped[0].index == 1 && outcome.skipped[0].reason == SkipReason::FolderNotWritable &&
                          panel.lines.size() == 2;
    return expected ? kChildAsExpected : kChildWrongOutcome;
  });
  ASSERT_EQ(code, kChildAsExpected);
  expectFailingFileWhole(failing);
  EXPECT_EQ(readFile(last_), kLinkRewritten);
}

INSTANTIATE_TEST_SUITE_P(Rows, WriteFailureTest,
                         ::testing::Values(WriteFailureRow{"WithBackups", true, false, false},
                                           WriteFailureRow{"WithoutBackups", false, false, false},
                                           WriteFailureRow{"WithoutBackupsOldBackupStays", false, true, false},
                                           WriteFailureRow{"BigEndianWithBackups", true, false, true}),
                         [](const ::testing::TestParamInfo<WriteFailureRow>& info) { return info.param.name; });

// A file system that gives no file a second name: the backup is a whole copy
// of the old file, with its permissions and times.
TEST_F(RewritingPassTest, WithoutHardLinksTheBackupIsACopy) {
  const fs::path page = putLink("page.htm");
  ASSERT_EQ(::chmod(page.c_str(), 0640), 0);
  fs::last_write_time(page, fs::last_write_time(page) - std::chrono::hours(48));
  const struct stat before = statOf(page);

  platform::setFaultHook([](const char* call) { return std::string_view(call) == "link" ? EXDEV : 0; });
  const RewritePassOutcome outcome = run();
  platform::setFaultHook(nullptr);

  EXPECT_EQ(outcome.processedTotal, 1);
  EXPECT_EQ(readFile(page), kLinkRewritten);
  const fs::path backup = root_ / "page.htm.bak";
  EXPECT_EQ(readFile(backup), kLink);
  const struct stat copy = statOf(backup);
  EXPECT_NE(copy.st_ino, before.st_ino);
  EXPECT_EQ(copy.st_mode & 07777, 0640u);
  EXPECT_EQ(copy.st_mtim.tv_sec, before.st_mtim.tv_sec);
  EXPECT_EQ(copy.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
  EXPECT_EQ(namesIn(root_), (std::set<std::string>{"page.htm", "page.htm.bak"}));
}

}  // namespace
}  // namespace quillorn

namespace quillorn {
namespace {

// Run as root, the pass gives a rewritten page back to its owner and group.
TEST_F(RewritingPassTest, RewrittenFileKeepsItsOwnerAndGroup) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root may give a file to another user";
  const fs::path page = putLink("page.htm");
  ASSERT_EQ(::chown(page.c_str(), 65534, 65534), 0);
  ASSERT_EQ(run().end, PassEnd::Done);
  EXPECT_EQ(readFile(page), kLinkRewritten);
  EXPECT_EQ(statOf(page).st_uid, 65534u);
  EXPECT_EQ(statOf(page).st_gid, 65534u);
}

// A rewritten page keeps its access list (a reader named in it, a group
// shut out) and its extended attributes, where the file system keeps them.
TEST_F(RewritingPassTest, RewrittenFileKeepsItsAccessListAndAttributes) {
  const fs::path page = putLink("page.htm");
  ASSERT_EQ(::chmod(page.c_str(), 0600), 0);
  const bool attribute = ::setxattr(page.c_str(), "user.quillorn.note", "kept", 4, 0) == 0;
  acl_t list = acl_from_text("u::rw-,u:33:r--,g::---,m::r--,o::---");
  ASSERT_NE(list, nullptr);
  const bool accessList = acl_set_file(page.c_str(), ACL_TYPE_ACCESS, list) == 0;
  acl_free(list);
  if (!attribute && !accessList) GTEST_SKIP() << "this file system keeps no access lists or extended attributes";
  const auto listText = [](const fs::path& path) {
    acl_t read = acl_get_file(path.c_str(), ACL_TYPE_ACCESS);
    char* text = acl_to_text(read, nullptr);
    std::string copy = text != nullptr ? text : "";
    acl_free(text);
    acl_free(read);
    return copy;
  };
  const std::string before = listText(page);
  const mode_t mode = statOf(page).st_mode & 07777;

  for (const bool makeBackups : {true, false}) {
    SCOPED_TRACE(makeBackups ? "with backups" : "without backups");
    settings.makeBackups = makeBackups ? 1 : 0;
    fs::remove(root_ / "page.htm.bak");
    writeFile(page, std::string(kLink));
    ASSERT_EQ(run().end, PassEnd::Done);
    EXPECT_EQ(readFile(page), kLinkRewritten);
    EXPECT_EQ(statOf(page).st_mode & 07777, mode);
    if (accessList) {
      EXPECT_EQ(listText(page), before);
    }
    if (attribute) {
      char value[16] = {};
      EXPECT_EQ(::getxattr(page.c_str(), "user.quillorn.note", value, sizeof value), 4);
      EXPECT_EQ(std::string(value), "kept");
    }
  }
}

// An owner the new file cannot be given (the page is root's, the run an
// ordinary user's): the page is left as it was, and says why.
TEST_F(RewritingPassTest, OwnerThatCannotBeKeptLeavesTheFile) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root can give a page to another user than the run's";
  const fs::path page = putLink("page.htm");
  ASSERT_EQ(::chmod(root_.c_str(), 0777), 0);
  const ino_t inode = statOf(page).st_ino;
  const int code = runInChild([&] {
    if (!dropRootInChild()) return 2;
    const RewritePassOutcome outcome = run();
    return outcome.skipped.size() == 1 && outcome.skipped[0].reason == SkipReason::AccessNotKept ? 0 : 1;
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(readFile(page), kLink);
  EXPECT_EQ(statOf(page).st_ino, inode);
  EXPECT_EQ(namesIn(root_), (std::set<std::string>{"page.htm"}));
}

// Someone edits the page after its new content is written but before it
// takes the page's name: the edit stays, and the page is named as changed.
TEST_F(RewritingPassTest, EditBetweenWritingAndCommittingIsKept) {
  static fs::path edited;
  edited = putLink("page.htm");
  platform::setFaultHook([](const char* call) {
    if (std::string_view(call) == "close") writeFile(edited, "edited meanwhile");
    return 0;
  });
  const RewritePassOutcome outcome = run();
  platform::setFaultHook(nullptr);
  ASSERT_EQ(outcome.skipped.size(), 1u);
  EXPECT_EQ(outcome.skipped[0].reason, SkipReason::ChangedSinceSearch);
  EXPECT_EQ(readFile(edited), "edited meanwhile");
  EXPECT_EQ(namesIn(root_), (std::set<std::string>{"page.htm"}));
}

TEST_F(RewritingPassTest, PrivateFileStaysPrivate) {
  const fs::path page = put("page.htm", std::string(kLink));
  ASSERT_TRUE(urls.append(linkEntry(kLink, 0)));
  ASSERT_EQ(::chmod(page.c_str(), 0600), 0);
  ASSERT_EQ(run().end, PassEnd::Done);
  EXPECT_EQ(readFile(page), kLinkRewritten);
  EXPECT_EQ(statOf(page).st_mode & 07777, 0600u);
}

}  // namespace
}  // namespace quillorn
