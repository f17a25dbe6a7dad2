#include "core/text/document_buffer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/host_path.h"
#include "tests/support/temp_folder.h"

namespace quillorn {
namespace {

using test_support::TempFolder;

std::vector<std::uint8_t> bytesOf(std::initializer_list<int> values) {
  std::vector<std::uint8_t> out;
  for (int v : values) out.push_back(static_cast<std::uint8_t>(v));
  return out;
}

struct EncodingRow {
  const char* name;
  std::vector<std::uint8_t> file;
  Encoding encoding;
  bool bigEndian;
  std::vector<std::uint8_t> inMemory;
};

class DetectEncodingTest : public ::testing::TestWithParam<EncodingRow> {};

TEST_P(DetectEncodingTest, DecidesFromTheFirstTwoBytes) {
  const EncodingRow& row = GetParam();
  DocumentBuffer buffer;
  buffer.bytes = row.file;
  detectEncoding(buffer);
  EXPECT_EQ(buffer.encoding, row.encoding);
  EXPECT_EQ(buffer.storedBigEndian, row.bigEndian);
  EXPECT_EQ(buffer.bytes, row.inMemory);
}

INSTANTIATE_TEST_SUITE_P(
    Files, DetectEncodingTest,
    ::testing::Values(EncodingRow{"Empty", {}, Encoding::SingleByte, false, {}},
                      EncodingRow{"OneByteFF", bytesOf({0xFF}), Encoding::SingleByte, false, bytesOf({0xFF})},
                      EncodingRow{"LittleEndianMarkAlone", bytesOf({0xFF, 0xFE}), Encoding::Utf16, false,
                                  bytesOf({0xFF, 0xFE})},
                      EncodingRow{"LittleEndianText", bytesOf({0xFF, 0xFE, 0x3C, 0x00}), Encoding::Utf16, false,
                                  bytesOf({0xFF, 0xFE, 0x3C, 0x00})},
                      EncodingRow{"BigEndianIsSwapped", bytesOf({0xFE, 0xFF, 0x00, 0x3C, 0x00, 0x41}), Encoding::Utf16,
                                  true, bytesOf({0xFF, 0xFE, 0x3C, 0x00, 0x41, 0x00})},
                      EncodingRow{"BigEndianOddLengthKeepsLastByte", bytesOf({0xFE, 0xFF, 0x00, 0x3C, 0x7A}),
                                  Encoding::Utf16, true, bytesOf({0xFF, 0xFE, 0x3C, 0x00, 0x7A})},
                      EncodingRow{"Utf8MarkIsSingleByte", bytesOf({0xEF, 0xBB, 0xBF, 0x3C}), Encoding::SingleByte,
                                  false, bytesOf({0xEF, 0xBB, 0xBF, 0x3C})},
                      EncodingRow{"Utf16WithoutMarkIsSingleByte", bytesOf({0x3C, 0x00, 0x41, 0x00}),
                                  Encoding::SingleByte, false, bytesOf({0x3C, 0x00, 0x41, 0x00})},
                      EncodingRow{"ReversedMarkInsideIsIgnored", bytesOf({0x41, 0xFF, 0xFE}), Encoding::SingleByte,
                                  false, bytesOf({0x41, 0xFF, 0xFE})}),
    [](const ::testing::TestParamInfo<EncodingRow>& info) { return std::string(info.param.name); });

TEST(DocumentBufferTest, BigEndianCharactersSitAtTheirOffsets) {
  DocumentBuffer buffer;
  buffer.bytes = bytesOf({0xFE, 0xFF, 0x00, 0x3C, 0x00, 0x41});
  detectEncoding(buffer);
  const TextView view = buffer.view();
  EXPECT_EQ(view.step, 2);
  EXPECT_EQ(view.charAt(2), '<');
  EXPECT_EQ(view.charAt(4), 'A');
  EXPECT_FALSE(view.hasChar(6));
  EXPECT_EQ(encodingLabel(buffer.encoding), " Unicode");
  EXPECT_EQ(encodingLabel(Encoding::SingleByte), " ASCII");
}

TEST(DocumentBufferTest, OddTrailingByteIsNoCharacter) {
  const std::vector<std::uint8_t> bytes = bytesOf({0xFF, 0xFE, 0x41, 0x00, 0x42});
  const TextView view(bytes.data(), bytes.size(), Encoding::Utf16);
  EXPECT_TRUE(view.hasChar(2));
  EXPECT_FALSE(view.hasChar(4));
  EXPECT_EQ(view.charOrZero(4), '\0');
  EXPECT_FALSE(view.hasChar(-1));
}

TEST(DocumentBufferTest, SwapBytePairsCountsOnlyCompletePairs) {
  std::vector<std::uint8_t> bytes = bytesOf({1, 2, 3, 4, 5});
  swapBytePairs(bytes.data(), 0);
  EXPECT_EQ(bytes, bytesOf({1, 2, 3, 4, 5}));
  swapBytePairs(bytes.data(), 3);
  EXPECT_EQ(bytes, bytesOf({2, 1, 3, 4, 5}));
  swapBytePairs(bytes.data(), 5);
  EXPECT_EQ(bytes, bytesOf({1, 2, 4, 3, 5}));
}

struct NarrowRow {
  const char* name;
  std::uint16_t unit;
  char expected;
};

class NarrowCharTest : public ::testing::TestWithParam<NarrowRow> {};

TEST_P(NarrowCharTest, NarrowsOneCodeUnit) {
  const NarrowRow& row = GetParam();
  const std::uint8_t unit[2] = {static_cast<std::uint8_t>(row.unit & 0xFF), static_cast<std::uint8_t>(row.unit >> 8)};
  EXPECT_EQ(narrowChar(unit), row.expected);
}

INSTANTIATE_TEST_SUITE_P(Units, NarrowCharTest,
                         ::testing::Values(NarrowRow{"Ascii", 0x003C, '<'}, NarrowRow{"Zero", 0x0000, '\0'},
                                           NarrowRow{"LatinOne", 0x00E9, '\xE9'}, NarrowRow{"Euro", 0x20AC, '\x80'},
                                           NarrowRow{"LeftDoubleQuote", 0x201C, '\x93'},
                                           NarrowRow{"CjkIsUnderscore", 0x4E2D, '_'},
                                           NarrowRow{"HighSurrogateIsUnderscore", 0xD83D, '_'},
                                           NarrowRow{"C1WithoutMappingIsUnderscore", 0x0080, '_'},
                                           NarrowRow{"UndefinedByteRoundTrips", 0x0081, '\x81'},
                                           NarrowRow{"ByteOrderMarkIsUnderscore", 0xFEFF, '_'}),
                         [](const ::testing::TestParamInfo<NarrowRow>& info) { return std::string(info.param.name); });

TEST(DocumentBufferTest, NarrowPairConvertsBothUnits) {
  const std::uint8_t units[4] = {0x5C, 0x00, 0x2D, 0x4E};  // '\' then U+4E2D
  const auto [first, second] = narrowPair(units);
  EXPECT_EQ(first, '\\');
  EXPECT_EQ(second, '_');
}

TEST(DocumentBufferTest, WideningRoundTripsEveryByte) {
  std::string narrow;
  for (int b = 0; b < 256; ++b) narrow.push_back(static_cast<char>(b));
  std::string wide;
  appendWidened(narrow, wide);
  ASSERT_EQ(wide.size(), 512u);
  const auto* units = reinterpret_cast<const std::uint8_t*>(wide.data());
  for (int b = 0; b < 256; ++b) EXPECT_EQ(narrowChar(units + 2 * b), static_cast<char>(b)) << "byte " << b;
  // Little-endian: '<' is 3C 00; the euro sign is AC 20.
  EXPECT_EQ(wide.substr(0x3C * 2, 2), std::string("<\0", 2));
  EXPECT_EQ(wide.substr(0x80 * 2, 2), std::string("\xAC\x20", 2));
}

TEST(LoadDocumentTest, ReadsWholeFilesOfManySizes) {
  const TempFolder folder("quillorn-doc");
  for (std::size_t size :
       {std::size_t{0}, std::size_t{1}, std::size_t{65535}, std::size_t{65536}, std::size_t{3} * 1024 * 1024 + 1}) {
    std::vector<std::uint8_t> content(size);
    for (std::size_t i = 0; i < size; ++i) content[i] = static_cast<std::uint8_t>(i * 7 + 3);
    std::string name = "f";  // built in steps: GCC 12 warns falsely on "f" + std::string at -O2
    name += std::to_string(size);
    name += ".htm";
    const auto file = folder.write(name, content);
    const Outcome<DocumentBuffer, LoadFailure> loaded = loadDocument(platform::toPathText(file));
    ASSERT_TRUE(loaded.ok()) << size;
    EXPECT_EQ(loaded.value().bytes, content) << size;
    EXPECT_EQ(loaded.value().encoding, Encoding::SingleByte);
  }
}

TEST(LoadDocumentTest, MissingFileOrFolderYieldsNothingAndSaysWhy) {
  const TempFolder folder("quillorn-doc");
  const Outcome<DocumentBuffer, LoadFailure> absent = loadDocument(platform::toPathText(folder.path() / "absent.htm"));
  ASSERT_FALSE(absent.ok());
  EXPECT_EQ(absent.error().status, platform::ReadStatus::Missing);
  const Outcome<DocumentBuffer, LoadFailure> itself = loadDocument(platform::toPathText(folder.path()));
  ASSERT_FALSE(itself.ok());
  EXPECT_EQ(itself.error().status, platform::ReadStatus::NotRegular);
}

}  // namespace
}  // namespace quillorn
