#include "platform/code_page.h"

#include <gtest/gtest.h>

namespace quillorn::platform {
namespace {

TEST(CodePageTest, EveryByteWidensAndNarrowsBack) {
  for (unsigned b = 0; b < 256; ++b) {
    EXPECT_EQ(narrowCodeUnit(widenByte(static_cast<std::uint8_t>(b))), static_cast<char>(b)) << b;
  }
}

TEST(CodePageTest, WidensTheWindowsRangeToItsCharacters) {
  EXPECT_EQ(widenByte(0x41), 0x0041);
  EXPECT_EQ(widenByte(0x80), 0x20AC);
  EXPECT_EQ(widenByte(0x8A), 0x0160);
  EXPECT_EQ(widenByte(0x9F), 0x0178);
  EXPECT_EQ(widenByte(0xA0), 0x00A0);
  EXPECT_EQ(widenByte(0xFF), 0x00FF);
}

TEST(CodePageTest, NoTwoBytesShareACharacter) {
  for (unsigned a = 0; a < 256; ++a) {
    for (unsigned b = a + 1; b < 256; ++b) {
      ASSERT_NE(widenByte(static_cast<std::uint8_t>(a)), widenByte(static_cast<std::uint8_t>(b))) << a << " " << b;
    }
  }
}

TEST(CodePageTest, CharactersOutsideTheCodePageBecomeUnderscore) {
  for (std::uint16_t unit : {0x0100, 0x0391, 0x4E2D, 0xD800, 0xDFFF, 0xFFFD, 0x0080, 0x009F}) {
    EXPECT_EQ(narrowCodeUnit(unit), '_') << unit;
  }
}

}  // namespace
}  // namespace quillorn::platform

namespace quillorn::platform {
namespace {

struct DisplayRow {
  const char* name;
  std::string input;
  std::string expected;
};

class DisplayUtf8Test : public ::testing::TestWithParam<DisplayRow> {};

TEST_P(DisplayUtf8Test, ConvertsOnlyWhatIsNotUtf8Already) {
  EXPECT_EQ(toDisplayUtf8(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, DisplayUtf8Test,
    ::testing::Values(DisplayRow{"Ascii", "a.htm", "a.htm"}, DisplayRow{"Empty", "", ""},
                      DisplayRow{"Utf8Kept", "caf\xC3\xA9.htm", "caf\xC3\xA9.htm"},
                      DisplayRow{"LatinOneConverted", "caf\xE9.htm", "caf\xC3\xA9.htm"},
                      DisplayRow{"EuroConverted", "\x80", "\xE2\x82\xAC"},
                      DisplayRow{"TruncatedSequenceConverted", "\xC3", "\xC3\x83"},
                      DisplayRow{"OverlongConverted", "\xC0\xAF", "\xC3\x80\xC2\xAF"},
                      DisplayRow{"SurrogateConverted", "\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xE2\x82\xAC"}),
    [](const ::testing::TestParamInfo<DisplayRow>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quillorn::platform

namespace quillorn::platform {
namespace {

TEST(FromDisplayUtf8Test, RoundTripsWhatToDisplayUtf8Made) {
  for (const std::string& text : {std::string("a.htm"), std::string("caf\xE9.htm"), std::string("\x80\x9F\xFF_"),
                                 std::string("")}) {
    EXPECT_EQ(fromDisplayUtf8(toDisplayUtf8(text)), text);
  }
}

TEST(FromDisplayUtf8Test, KeepsTextWithoutAWindows1252Form) {
  EXPECT_EQ(fromDisplayUtf8("\xE4\xB8\xAD.htm"), "\xE4\xB8\xAD.htm");  // U+4E2D
  EXPECT_EQ(fromDisplayUtf8("\xF0\x9F\x98\x80"), "\xF0\x9F\x98\x80");  // outside the BMP
  EXPECT_EQ(fromDisplayUtf8("\xE9"), "\xE9");  // not UTF-8 at all
}

}  // namespace
}  // namespace quillorn::platform
