#include "platform/code_page.h"

#include <gtest/gtest.h>

#include "tests/support/host_text.h"

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

using test_support::ScopedHostText;

struct DisplayRow {
  const char* name;
  HostText host;
  std::string input;
  std::string expected;
};

class DisplayUtf8Test : public ::testing::TestWithParam<DisplayRow> {};

// Host text shows as UTF-8 without any guessing: UTF-8 host text is kept (a
// byte that is no part of a character shows as U+FFFD), Windows-1252 host
// text is converted byte by byte.
TEST_P(DisplayUtf8Test, ShowsHostTextAsUtf8) {
  const ScopedHostText host(GetParam().host);
  EXPECT_EQ(toDisplayUtf8(GetParam().input), GetParam().expected);
}

constexpr HostText kUtf8 = HostText::Utf8;
constexpr HostText kWindows1252 = HostText::Windows1252;
INSTANTIATE_TEST_SUITE_P(
    Texts, DisplayUtf8Test,
    ::testing::Values(DisplayRow{"Ascii", kUtf8, "a.htm", "a.htm"}, DisplayRow{"Empty", kUtf8, "", ""},
                      DisplayRow{"Utf8Kept", kUtf8, "caf\xC3\xA9.htm", "caf\xC3\xA9.htm"},
                      DisplayRow{"StrayByteReplaced", kUtf8, "caf\xE9.htm", "caf\xEF\xBF\xBD.htm"},
                      DisplayRow{"TruncatedSequenceReplaced", kUtf8, "\xC3", "\xEF\xBF\xBD"},
                      DisplayRow{"OverlongReplaced", kUtf8, "\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD"},
                      DisplayRow{"SurrogateReplaced", kUtf8, "\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
                      DisplayRow{"Windows1252Converted", kWindows1252, "caf\xE9.htm", "caf\xC3\xA9.htm"},
                      DisplayRow{"Windows1252Euro", kWindows1252, "\x80", "\xE2\x82\xAC"},
                      DisplayRow{"Windows1252NeverGuessed", kWindows1252, "\xC3\xA9", "\xC3\x83\xC2\xA9"}),
    [](const ::testing::TestParamInfo<DisplayRow>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quillorn::platform

namespace quillorn::platform {
namespace {

using test_support::ScopedHostText;

TEST(FromDisplayUtf8Test, RoundTripsWhatToDisplayUtf8Made) {
  for (const HostText host : {HostText::Utf8, HostText::Windows1252}) {
    const ScopedHostText scoped(host);
    for (const std::string& text : {std::string("a.htm"), std::string("caf\xE9.htm"), std::string("\x80\x9F\xFF_"),
                                    std::string("caf\xC3\xA9.htm"), std::string("")}) {
      if (host == HostText::Utf8 && !isValidUtf8(text)) continue;
      EXPECT_EQ(fromDisplayUtf8(toDisplayUtf8(text)), text);
    }
  }
}

TEST(FromDisplayUtf8Test, KeepsTextWithoutAWindows1252Form) {
  const ScopedHostText host(HostText::Windows1252);
  EXPECT_EQ(fromDisplayUtf8("\xE4\xB8\xAD.htm"), "\xE4\xB8\xAD.htm");  // U+4E2D
  EXPECT_EQ(fromDisplayUtf8("\xF0\x9F\x98\x80"), "\xF0\x9F\x98\x80");  // outside the BMP
  EXPECT_EQ(fromDisplayUtf8("\xE9"), "\xE9");                          // not UTF-8 at all
}

}  // namespace
}  // namespace quillorn::platform
