// Reading a file whole never waits and never takes more than the limit: only
// a regular file is opened for its bytes, and its size is checked first.

#include "platform/file_access.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "tests/support/temp_folder.h"

namespace quillorn::platform {
namespace {

namespace fs = std::filesystem;
using test_support::TempFolder;

// A 10-byte file read with a limit just below, at and just above its size.
struct LimitRow {
  const char* name;
  std::uint64_t limit;
  ReadStatus status;
};

void PrintTo(const LimitRow& row, std::ostream* out) { *out << row.name; }

class ReadLimitTest : public ::testing::TestWithParam<LimitRow> {};

TEST_P(ReadLimitTest, AFileAboveTheLimitIsNotRead) {
  const TempFolder folder("quillorn-read");
  const fs::path file = folder.write("ten.htm", "0123456789");
  std::vector<std::uint8_t> bytes;
  FileStamp stamp;
  EXPECT_EQ(readWholeFile(file, bytes, stamp, GetParam().limit), GetParam().status);
  EXPECT_EQ(bytes.size(), GetParam().status == ReadStatus::Read ? 10u : 0u);
  // Read or refused, the stamp tells what has the name.
  EXPECT_EQ(stamp.kind, FileStamp::Kind::File);
  EXPECT_EQ(stamp.size, 10u);
}

INSTANTIATE_TEST_SUITE_P(Rows, ReadLimitTest,
                         ::testing::Values(LimitRow{"JustBelow", 9, ReadStatus::TooLarge},
                                           LimitRow{"At", 10, ReadStatus::Read},
                                           LimitRow{"JustAbove", 11, ReadStatus::Read}),
                         [](const ::testing::TestParamInfo<LimitRow>& info) { return std::string(info.param.name); });

// What has a page's name, made in a folder of the test's own.
struct NameRow {
  const char* name;
  std::function<fs::path(const TempFolder&)> make;
  ReadStatus status;
};

void PrintTo(const NameRow& row, std::ostream* out) { *out << row.name; }

class ReadKindTest : public ::testing::TestWithParam<NameRow> {};

// A named pipe without a writer, a socket or a device would hold open() or
// read() for ever; each is refused at once (the test's time limit guards it).
TEST_P(ReadKindTest, OnlyARegularFileWithinTheLimitIsRead) {
  const TempFolder folder("quillorn-read");
  const fs::path path = GetParam().make(folder);
  std::vector<std::uint8_t> bytes;
  FileStamp stamp;
  EXPECT_EQ(readWholeFile(path, bytes, stamp), GetParam().status);
  EXPECT_TRUE(bytes.empty());
  const ReadStatus probed = checkReadable(path);
  EXPECT_EQ(probed, GetParam().status == ReadStatus::TooLarge ? ReadStatus::Read : GetParam().status);
  if (GetParam().status == ReadStatus::TooLarge) {
    EXPECT_EQ(stamp.size, kMaxReadBytes + 1);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ReadKindTest,
    ::testing::Values(
        NameRow{"NamedPipe", [](const TempFolder& f) { return f.makeFifo("pipe.html"); }, ReadStatus::NotRegular},
        NameRow{"LinkToANamedPipe",
                [](const TempFolder& f) {
                  f.makeFifo("pipe.html");
                  fs::create_symlink("pipe.html", f.path() / "link.html");
                  return f.path() / "link.html";
                },
                ReadStatus::NotRegular},
        NameRow{"Socket", [](const TempFolder& f) { return f.makeSocket("socket.html"); }, ReadStatus::NotRegular},
        NameRow{"Device", [](const TempFolder&) { return fs::path("/dev/null"); }, ReadStatus::NotRegular},
        NameRow{"Folder", [](const TempFolder& f) { return f.path(); }, ReadStatus::NotRegular},
        NameRow{"Missing", [](const TempFolder& f) { return f.path() / "absent.html"; }, ReadStatus::Missing},
        NameRow{"SparseFileOneByteAboveTheLimit",
                [](const TempFolder& f) { return f.makeSparseFile("big.html", kMaxReadBytes + 1); },
                ReadStatus::TooLarge}),
    [](const ::testing::TestParamInfo<NameRow>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quillorn::platform
