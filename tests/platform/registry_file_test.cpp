#include "platform/registry_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/child_process.h"
#include "tests/support/temp_folder.h"

namespace fs = std::filesystem;
using namespace std::string_literals;
using quillorn::platform::FlushStatus;
using quillorn::platform::RegistryFile;
using quillorn::platform::RegistryKey;
using quillorn::test_support::readFile;
using quillorn::test_support::runInChild;
using quillorn::test_support::TempFolder;
using quillorn::test_support::writeFile;

namespace {

const std::string kKey = R"(HKEY_LOCAL_MACHINE\Software\Quillorn)";
const std::string kOther = R"(HKEY_LOCAL_MACHINE\Software\Other)";

std::vector<std::string> folderEntries(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

bool runningAsRoot() { return ::geteuid() == 0; }

// The inode of the name itself (not of what a link leads to); 0 when missing.
std::uint64_t lstatInode(const fs::path& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0 ? static_cast<std::uint64_t>(info.st_ino) : 0;
}

// True when text is a complete file as the writer makes it for the
// concurrency test: header, sections, dword values, blank lines, nothing cut.
bool isWholeFile(const std::string& text) {
  static const std::regex line(
      R"(|REGEDIT4|\[HKEY_LOCAL_MACHINE\\Software\\Quillorn\]|"[A-Za-z0-9_]+"=dword:[0-9a-f]{8})");
  if (text.rfind("REGEDIT4\n\n", 0) != 0 || text.size() < 2 || text.substr(text.size() - 2) != "\n\n") return false;
  std::istringstream lines(text);
  for (std::string each; std::getline(lines, each);) {
    if (!std::regex_match(each, line)) return false;
  }
  return true;
}

class RegistryFileTest : public ::testing::Test {
 protected:
  fs::path registryPath() const { return folder_.path() / "registry.reg"; }
  TempFolder folder_{"quillorn-registry"};
};

// ------------------------------------------------------------ writing format

TEST_F(RegistryFileTest, ANewKeyIsWrittenByFlushWhichMakesTheFolder) {
  const fs::path file = folder_.path() / "config" / "Quillorn" / "registry.reg";
  RegistryFile registry(file);
  RegistryKey key = registry.createKey(kKey);
  ASSERT_TRUE(key.isOpen());
  EXPECT_FALSE(fs::exists(file.parent_path())) << "nothing is written before the flush";
  ASSERT_EQ(registry.flush(), FlushStatus::Done);
  EXPECT_EQ(readFile(file), "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Quillorn]\n\n");
  EXPECT_TRUE(registry.keyExists(kKey));
  EXPECT_EQ(key.valueCount(), 0U);
}

TEST_F(RegistryFileTest, DwordsAreWrittenAsEightLowercaseDigitsInSettingOrder) {
  RegistryFile registry(registryPath());
  RegistryKey key = registry.createKey(kKey);
  ASSERT_TRUE(key.setDword("Step2Chk1", 1));
  ASSERT_TRUE(key.setDword("Big", 0xABCDEF01U));
  ASSERT_TRUE(key.setDword("", 0));
  ASSERT_EQ(registry.flush(), FlushStatus::Done);
  EXPECT_EQ(readFile(registryPath()),
            "REGEDIT4\n\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Quillorn]\n"
            "\"Step2Chk1\"=dword:00000001\n"
            "\"Big\"=dword:abcdef01\n"
            "@=dword:00000000\n\n");
  EXPECT_EQ(key.queryDword("Big"), 0xABCDEF01U);
  EXPECT_EQ(key.queryDword(""), 0U);
}

TEST_F(RegistryFileTest, NamesWithQuotesAndBackslashesAreEscapedAndReadBack) {
  RegistryFile registry(registryPath());
  RegistryKey key = registry.createKey(kKey);
  ASSERT_TRUE(key.setDword(R"(a"b\c)", 5));
  ASSERT_EQ(registry.flush(), FlushStatus::Done);
  EXPECT_NE(readFile(registryPath()).find(R"("a\"b\\c"=dword:00000005)"), std::string::npos);
  EXPECT_EQ(key.queryDword(R"(a"b\c)"), 5U);
}

TEST_F(RegistryFileTest, NamesThatCannotBeWrittenOnOneLineAreRefused) {
  RegistryFile registry(registryPath());
  RegistryKey key = registry.createKey(kKey);
  EXPECT_FALSE(key.setDword("two\nlines", 1));
  EXPECT_FALSE(key.setDword("nul\0byte"s, 1));
  EXPECT_EQ(key.valueCount(), 0U);
}

TEST_F(RegistryFileTest, ReplacingAValueKeepsItsPlaceAndFirstSpelling) {
  writeFile(registryPath(),
            "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Quillorn]\n"
            "\"Step2Chk1\"=\"text\"\n\"Step3Chk1\"=dword:00000001\n");
  RegistryFile registry(registryPath());
  RegistryKey key = registry.createKey(kKey);
  ASSERT_TRUE(key.setDword("STEP2CHK1", 0));
  ASSERT_EQ(registry.flush(), FlushStatus::Done);
  EXPECT_EQ(readFile(registryPath()),
            "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Quillorn]\n"
            "\"Step2Chk1\"=dword:00000000\n\"Step3Chk1\"=dword:00000001\n\n");
  EXPECT_EQ(key.valueCount(), 2U);
}

// ---------------------------------------------------------- case insensitivity

struct SpellingRow {
  std::string name;
  std::string keyPath;
  std::string valueName;
};

void PrintTo(const SpellingRow& row, std::ostream* out) { *out << row.name; }

class SpellingTest : public RegistryFileTest, public ::testing::WithParamInterface<SpellingRow> {};

TEST_P(SpellingTest, KeyPathsAndValueNamesIgnoreAsciiCase) {
  writeFile(registryPath(), "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Quillorn]\n\"Step3Chk10\"=dword:00000009\n");
  const std::string before = readFile(registryPath());
  RegistryFile registry(registryPath());
  RegistryKey key = registry.createKey(GetParam().keyPath);
  ASSERT_TRUE(key.isOpen());
  ASSERT_EQ(registry.flush(), FlushStatus::Done);
  EXPECT_EQ(readFile(registryPath()), before) << "opening an existing key must not add a section";
  EXPECT_EQ(key.queryDword(GetParam().valueName), 9U);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SpellingTest,
    ::testing::Values(SpellingRow{"exact", R"(HKEY_LOCAL_MACHINE\Software\Quillorn)", "Step3Chk10"},
                      SpellingRow{"lower_key", R"(hkey_local_machine\software\quillorn)", "Step3Chk10"},
                      SpellingRow{"upper_value", R"(HKEY_LOCAL_MACHINE\SOFTWARE\QUILLORN)", "STEP3CHK10"},
                      SpellingRow{"mixed_value", R"(HKEY_LOCAL_MACHINE\Software\Quillorn)", "sTeP3cHk10"}),
    [](const auto& info) { return info.param.name; });

TEST_F(RegistryFileTest, CaseFoldingIsAsciiOnly) {
  writeFile(registryPath(), "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Quillorn]\n\"\xC9t\xE9\"=dword:00000001\n");
  RegistryFile registry(registryPath());
  RegistryKey key = registry.createKey(kKey);
  EXPECT_EQ(key.queryDword("\xC9t\xE9"), 1U);
  EXPECT_EQ(key.queryDword("\xE9t\xE9"), std::nullopt) << "only a-z fold";
  EXPECT_EQ(key.queryDword("\xC9T\xE9"), 1U);
}

// --------------------------------------------------------- reading 4 bytes

struct DwordRow {
  std::string name;
  std::string data;  // what follows "Probe"=
  std::optional<std::uint32_t> expected;
};

void PrintTo(const DwordRow& row, std::ostream* out) { *out << row.name; }

class DwordReadTest : public RegistryFileTest, public ::testing::WithParamInterface<DwordRow> {};

TEST_P(DwordReadTest, OnlyFourByteDwordsRead) {
  writeFile(registryPath(),
            "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Quillorn]\n\"Before\"=dword:00000003\n\"Probe\"=" +
                GetParam().data + "\n\"After\"=dword:00000007\n");
  RegistryFile registry(registryPath());
  RegistryKey key = registry.createKey(kKey);
  ASSERT_TRUE(key.isOpen());
  EXPECT_EQ(key.queryDword("Probe"), GetParam().expected);
  // A value that cannot be read leaves its neighbours readable.
  EXPECT_EQ(key.queryDword("Before"), 3U);
  EXPECT_EQ(key.queryDword("After"), 7U);
}

INSTANTIATE_TEST_SUITE_P(Rows, DwordReadTest,
                         ::testing::Values(DwordRow{"dword_1_digit", "dword:1", 1U},
                                           DwordRow{"dword_7_digits", "dword:1234567", 0x1234567U},
                                           DwordRow{"dword_8_digits", "dword:12345678", 0x12345678U},
                                           DwordRow{"dword_9_digits", "dword:123456789", std::nullopt},
                                           DwordRow{"dword_9_digits_leading_zero", "dword:000000001", std::nullopt},
                                           DwordRow{"dword_largest", "dword:ffffffff", 0xFFFFFFFFU},
                                           DwordRow{"dword_upper_case", "DWORD:ABCDEF01", 0xABCDEF01U},
                                           DwordRow{"dword_no_digits", "dword:", std::nullopt},
                                           DwordRow{"dword_not_hex", "dword:0000000g", std::nullopt},
                                           DwordRow{"dword_trailing_blank", "dword:00000002  ", 2U},
                                           DwordRow{"hex4_3_bytes", "hex(4):01,02,03", std::nullopt},
                                           DwordRow{"hex4_4_bytes", "hex(4):01,02,03,04", 0x04030201U},
                                           DwordRow{"hex4_5_bytes", "hex(4):01,02,03,04,05", std::nullopt},
                                           DwordRow{"hex4_continued", "hex(4):01,02,\\\n  03,04", 0x04030201U},
                                           DwordRow{"hex4_single_digits", "hex(4):1,0,0,0", 1U},
                                           DwordRow{"hex4_zero_padded_type", "hex(00000004):01,00,00,00", 1U},
                                           DwordRow{"binary_4_bytes", "hex:01,00,00,00", std::nullopt},
                                           DwordRow{"big_endian_dword", "hex(5):00,00,00,01", std::nullopt},
                                           DwordRow{"qword", "hex(b):01,00,00,00,00,00,00,00", std::nullopt},
                                           DwordRow{"short_string", "\"1\"", std::nullopt},
                                           DwordRow{"long_string", "\"a text longer than four bytes\"", std::nullopt},
                                           DwordRow{"delete_marker", "-", std::nullopt}),
                         [](const auto& info) { return info.param.name; });

TEST_F(RegistryFileTest, ValuesOfOtherKeysAreNotSeen) {
  writeFile(registryPath(),
            "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Other]\n\"Step2Chk1\"=dword:00000000\n\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Quillorn\\Sub]\n\"Step2Chk1\"=dword:00000000\n");
  RegistryFile registry(registryPath());
  RegistryKey key = registry.createKey(kKey);
  ASSERT_TRUE(key.isOpen());
  EXPECT_EQ(key.queryDword("Step2Chk1"), std::nullopt);
}

// ------------------------------------------------- keeping what others wrote

TEST_F(RegistryFileTest, OtherKindsOfValuesAreKeptVerbatim) {
  const std::string others =
      "[HKEY_CURRENT_USER\\Software\\Other]\n"
      "@=\"default text\"\n"
      "\"Path\"=\"C:\\\\Program Files\\\\\\\"quoted\\\"\"\n"
      "\"Blob\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\n"
      "  16,17,18,19\n"
      "\"Multi\"=hex(7):61,00,62,00,00,00\n"
      "\"Long\"=dword:123456789\n"
      "\"Empty\"=hex:\n"
      "\"Bytes \xE9\"=\"ANSI \xE9\"\n\n";
  writeFile(registryPath(), "REGEDIT4\n\n; written by hand\n" + others +
                                "[HKEY_LOCAL_MACHINE\\Software\\Quillorn]\n\"Foreign\"=\"keep me\"\n");
  RegistryFile registry(registryPath());
  RegistryKey key = registry.createKey(kKey);
  ASSERT_TRUE(key.setDword("Step2Chk1", 1));
  ASSERT_EQ(registry.flush(), FlushStatus::Done);
  // Everything stays as it was written, the comment included.
  EXPECT_EQ(readFile(registryPath()), "REGEDIT4\n\n; written by hand\n" + others +
                                          "[HKEY_LOCAL_MACHINE\\Software\\Quillorn]\n\"Foreign\"=\"keep me\"\n"
                                          "\"Step2Chk1\"=dword:00000001\n\n");
}

// --------------------------------------------------------- damaged files

struct DamageRow {
  std::string name;
  std::string input;
  std::string keptBody;  // what survives, before the section the test adds
};

void PrintTo(const DamageRow& row, std::ostream* out) { *out << row.name; }

class DamagedFileTest : public RegistryFileTest, public ::testing::WithParamInterface<DamageRow> {};

// Lines that cannot be read are written back as they stood, in their place
// (those after a section's last value stand before the next header, or at the
// end of the file); what could be read is written back in the writer's layout.
TEST_P(DamagedFileTest, NextWriteKeepsUnreadLinesInTheirPlace) {
  writeFile(registryPath(), GetParam().input);
  RegistryFile registry(registryPath());
  RegistryKey key = registry.createKey(kKey);
  ASSERT_TRUE(key.isOpen());
  ASSERT_TRUE(key.setDword("Probe", 1));
  ASSERT_EQ(registry.flush(), FlushStatus::Done);
  const std::string written = readFile(registryPath());
  EXPECT_EQ(written, "REGEDIT4\n\n" + GetParam().keptBody +
                         "[HKEY_LOCAL_MACHINE\\Software\\Quillorn]\n\"Probe\"=dword:00000001\n\n");
  // Read afresh, the file is written back the same.
  RegistryFile again(registryPath());
  ASSERT_TRUE(again.createKey(kKey).setDword("Probe", 1));
  ASSERT_EQ(again.flush(), FlushStatus::Done);
  EXPECT_EQ(readFile(registryPath()), written);
}

const std::string kOtherHeader = "[HKEY_LOCAL_MACHINE\\Software\\Other]\n";
const std::string kNextHeader = "[HKEY_LOCAL_MACHINE\\Software\\Next]\n";

INSTANTIATE_TEST_SUITE_P(
    Rows, DamagedFileTest,
    ::testing::Values(
        DamageRow{"empty_file", "", ""},
        DamageRow{"crlf_and_byte_order_mark",
                  "\xEF\xBB\xBFREGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Other]\r\n\"A\"=dword:00000002\r\n"
                  "\"Blob\"=hex:01,\\\r\n  02\r\n\r\n",
                  kOtherHeader + "\"A\"=dword:00000002\n\"Blob\"=hex:01,\\\n  02\n\n"},
        DamageRow{"no_header_line", kOtherHeader + "\"A\"=dword:2\n", kOtherHeader + "\"A\"=dword:2\n\n"},
        DamageRow{"comments_stay_in_place",
                  "REGEDIT4\n\n; top\n" + kOtherHeader + "; inside\n\"A\"=dword:2\n; on the next key\n\n" +
                      kNextHeader + "\"C\"=dword:3\n; at the end\n",
                  "; top\n" + kOtherHeader + "; inside\n\"A\"=dword:2\n\n; on the next key\n" + kNextHeader +
                      "\"C\"=dword:3\n\n; at the end\n"},
        DamageRow{"value_before_first_section", "REGEDIT4\n\"Lost\"=dword:1\n" + kOtherHeader + "\"A\"=dword:2\n",
                  "\"Lost\"=dword:1\n" + kOtherHeader + "\"A\"=dword:2\n\n"},
        DamageRow{
            "unclosed_header_keeps_its_lines",
            "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Broken\n\"Kept\"=dword:1\n" + kOtherHeader + "\"A\"=dword:2\n",
            "[HKEY_LOCAL_MACHINE\\Software\\Broken\n\"Kept\"=dword:1\n\n" + kOtherHeader + "\"A\"=dword:2\n\n"},
        DamageRow{"unknown_root", "[HKEY_ELSEWHERE\\X]\n\"Kept\"=dword:1\n" + kOtherHeader + "\"A\"=dword:2\n",
                  "[HKEY_ELSEWHERE\\X]\n\"Kept\"=dword:1\n\n" + kOtherHeader + "\"A\"=dword:2\n\n"},
        DamageRow{"root_alone_or_empty_name",
                  "[HKEY_LOCAL_MACHINE]\n\"Kept\"=dword:1\n[HKEY_LOCAL_MACHINE\\\\X]\n\"Kept\"=dword:1\n" +
                      kOtherHeader + "\"A\"=dword:2\n",
                  "[HKEY_LOCAL_MACHINE]\n\"Kept\"=dword:1\n\n[HKEY_LOCAL_MACHINE\\\\X]\n\"Kept\"=dword:1\n\n" +
                      kOtherHeader + "\"A\"=dword:2\n\n"},
        DamageRow{
            "deletion_markers",
            "[-HKEY_LOCAL_MACHINE\\Software\\Gone]\n\"Kept\"=dword:1\n" + kOtherHeader + "\"A\"=-\n\"B\"=dword:2\n",
            "[-HKEY_LOCAL_MACHINE\\Software\\Gone]\n\"Kept\"=dword:1\n\n" + kOtherHeader +
                "\"A\"=-\n\"B\"=dword:2\n\n"},
        DamageRow{"unterminated_string", kOtherHeader + "\"A\"=\"no end\n\"B\"=dword:2\n",
                  kOtherHeader + "\"A\"=\"no end\n\"B\"=dword:2\n\n"},
        DamageRow{"text_after_string", kOtherHeader + "\"A\"=\"x\" y\n\"B\"=dword:2\n",
                  kOtherHeader + "\"A\"=\"x\" y\n\"B\"=dword:2\n\n"},
        DamageRow{"unterminated_name", kOtherHeader + "\"A=dword:1\n\"B\"=dword:2\n",
                  kOtherHeader + "\"A=dword:1\n\"B\"=dword:2\n\n"},
        DamageRow{"unknown_data_kind", kOtherHeader + "\"A\"=word:1\n\"C\"\n\"B\"=dword:2\n",
                  kOtherHeader + "\"A\"=word:1\n\"C\"\n\"B\"=dword:2\n\n"},
        DamageRow{"control_bytes", kOtherHeader + "\"A\"=dword:1\x01\n\"N\"=\"a\0b\"\n\"B\"=dword:2\n"s,
                  kOtherHeader + "\"A\"=dword:1\x01\n\"N\"=\"a\0b\"\n\"B\"=dword:2\n\n"s},
        DamageRow{"malformed_hex", kOtherHeader + "\"A\"=hex:1,2,zz\n\"C\"=hex:123\n\"D\"=hex:01,\n\"B\"=dword:2\n",
                  kOtherHeader + "\"A\"=hex:1,2,zz\n\"C\"=hex:123\n\"D\"=hex:01,\n\"B\"=dword:2\n\n"},
        DamageRow{"hex_cut_at_end_of_file", kOtherHeader + "\"B\"=dword:2\n\"Blob\"=hex:01,02,\\\n",
                  kOtherHeader + "\"B\"=dword:2\n\n\"Blob\"=hex:01,02,\\\n"},
        DamageRow{"hex_cut_by_a_blank_line", kOtherHeader + "\"Blob\"=hex:01,\\\n\n  02\n\"B\"=dword:2\n",
                  kOtherHeader + "\"Blob\"=hex:01,\\\n\n  02\n\"B\"=dword:2\n\n"},
        DamageRow{"hex_cut_by_next_section", kOtherHeader + "\"Blob\"=hex:01,\\\n" + kNextHeader + "\"C\"=dword:3\n",
                  kOtherHeader + "\n\"Blob\"=hex:01,\\\n" + kNextHeader + "\"C\"=dword:3\n\n"},
        DamageRow{"binary_file",
                  "\x7F"
                  "ELF\x02\x01\0\0\n\xFF\xFE\n"s,
                  "\x7F"
                  "ELF\x02\x01\0\0\n\xFF\xFE\n"s},
        DamageRow{"duplicates_merge_and_last_value_wins",
                  kOtherHeader + "\"A\"=dword:1\n[hkey_local_machine\\software\\other]\n\"a\"=dword:5\n\"B\"=dword:2\n",
                  kOtherHeader + "\"a\"=dword:5\n\"B\"=dword:2\n\n"},
        DamageRow{"blanks_around_entries", "  " + kOtherHeader + "\t\"A\" = dword:2 \n",
                  kOtherHeader + "\t\"A\" = dword:2 \n\n"}),
    [](const auto& info) { return info.param.name; });

// A file cut short at any byte still opens, takes a write and is written back
// whole; a value complete before the cut survives, and what is written reads
// back to the same file.
TEST_F(RegistryFileTest, FileCutAtEveryByteIsRepairedByTheNextWrite) {
  const std::string full =
      "REGEDIT4\n\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Other]\n"
      "\"Keep\"=dword:0000002a\n"
      "\"Blob\"=hex:01,02,\\\n"
      "  03,04\n"
      "\"Text\"=\"some text\"\n\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Quillorn]\n"
      "\"Step2Chk1\"=dword:00000000\n";
  const std::size_t keepComplete = full.find("2a\n") + 2;
  for (std::size_t cut = 0; cut <= full.size(); ++cut) {
    SCOPED_TRACE("cut at " + std::to_string(cut));
    writeFile(registryPath(), full.substr(0, cut));
    RegistryFile registry(registryPath());
    RegistryKey key = registry.createKey(kKey);
    ASSERT_TRUE(key.isOpen());
    ASSERT_TRUE(key.setDword("Probe", 7));
    ASSERT_EQ(registry.flush(), FlushStatus::Done);
    const std::string written = readFile(registryPath());
    EXPECT_EQ(written.rfind("REGEDIT4\n\n", 0), 0U);
    EXPECT_EQ(written.back(), '\n');
    // Read afresh: writing again changes nothing.
    RegistryFile again(registryPath());
    RegistryKey reopened = again.createKey(kKey);
    EXPECT_EQ(reopened.queryDword("Probe"), 7U);
    if (cut >= keepComplete) {
      RegistryKey other = again.createKey(kOther);
      EXPECT_EQ(other.queryDword("Keep"), 42U);
    }
    ASSERT_TRUE(reopened.setDword("Probe", 7));
    ASSERT_EQ(again.flush(), FlushStatus::Done);
    EXPECT_EQ(readFile(registryPath()), written);
  }
}

// The lines with content of a text, each ending in "\n" (a "\r" before it
// dropped), in order.
std::vector<std::string> contentLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find_first_not_of(" \t") != std::string::npos) lines.push_back(line);
  }
  return lines;
}

// Bytes of any kind never stop the file from being opened and written back;
// every line of them stays (in order, as no key or value in them appears
// twice), and a valid section before them survives. Biased towards the
// characters the reader reacts to.
TEST_F(RegistryFileTest, BinaryGarbageIsKeptAndAValidSectionBeforeItSurvives) {
  const std::string interesting = "[]\"@=\\,:\n\r\t -hexdword()HKEY_LOCAL_MACHINE0123456789abcdef";
  for (std::uint32_t seed = 1; seed <= 40; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::string garbage;
    const std::size_t length = 64 + random() % 4096;
    for (std::size_t i = 0; i < length; ++i) {
      const std::uint32_t draw = random();
      garbage += (draw & 1U) != 0 ? interesting[(draw >> 1) % interesting.size()] : static_cast<char>(draw >> 8);
    }
    const std::string original = "REGEDIT4\n\n" + kOtherHeader + "\"Keep\"=dword:0000002a\n\n" + garbage;
    writeFile(registryPath(), original);
    RegistryFile registry(registryPath());
    RegistryKey key = registry.createKey(kKey);
    ASSERT_TRUE(key.isOpen());
    ASSERT_TRUE(key.setDword("Probe", 1));
    ASSERT_EQ(registry.flush(), FlushStatus::Done);
    const std::string written = readFile(registryPath());
    std::vector<std::string> kept = contentLines(written);
    const std::string probe = "\"Probe\"=dword:00000001";
    const auto added = std::find(kept.begin(), kept.end(), probe);
    ASSERT_NE(added, kept.end());
    kept.erase(added - 1, added + 1);  // the section the write added, and its value
    EXPECT_EQ(kept, contentLines(original));
    RegistryFile again(registryPath());
    EXPECT_EQ(again.createKey(kOther).queryDword("Keep"), 42U);
    EXPECT_EQ(again.createKey(kKey).queryDword("Probe"), 1U);
  }
}

// -------------------------------------------------------------- key handling

TEST_F(RegistryFileTest, OpeningAnExistingKeyLeavesTheFileUntouched) {
  const std::string text = "REGEDIT4\n; not the writer's layout\n\n\n[HKEY_LOCAL_MACHINE\\Software\\Quillorn]\n";
  writeFile(registryPath(), text);
  RegistryFile registry(registryPath());
  ASSERT_TRUE(registry.createKey(kKey).isOpen());
  EXPECT_EQ(registry.flush(), FlushStatus::Done);
  EXPECT_EQ(readFile(registryPath()), text);
}

TEST_F(RegistryFileTest, AKeyImpliedBySubkeyExistsAndGetsASectionOnFirstWrite) {
  writeFile(registryPath(), "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Quillorn\\Sub]\n\"A\"=dword:00000001\n");
  RegistryFile registry(registryPath());
  EXPECT_TRUE(registry.keyExists(kKey));
  RegistryKey key = registry.createKey(kKey);
  ASSERT_TRUE(key.isOpen());
  EXPECT_EQ(key.valueCount(), 0U);
  ASSERT_TRUE(key.setDword("B", 2));
  EXPECT_EQ(key.valueCount(), 1U);
  EXPECT_FALSE(registry.deleteKey(kKey)) << "a key with subkeys is not deleted";
  EXPECT_TRUE(registry.createKey(kKey + "\\Sub").isOpen());
  ASSERT_EQ(registry.flush(), FlushStatus::Done);
  EXPECT_EQ(readFile(registryPath()),
            "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Quillorn\\Sub]\n\"A\"=dword:00000001\n\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Quillorn]\n\"B\"=dword:00000002\n\n");
}

struct BadPathRow {
  std::string name;
  std::string keyPath;
};

void PrintTo(const BadPathRow& row, std::ostream* out) { *out << row.name; }

class BadKeyPathTest : public RegistryFileTest, public ::testing::WithParamInterface<BadPathRow> {};

TEST_P(BadKeyPathTest, IsRefusedWithoutTouchingTheDisk) {
  RegistryFile registry(registryPath());
  EXPECT_FALSE(registry.createKey(GetParam().keyPath).isOpen());
  EXPECT_FALSE(registry.deleteKey(GetParam().keyPath));
  EXPECT_FALSE(registry.keyExists(GetParam().keyPath));
  EXPECT_TRUE(folderEntries(folder_.path()).empty());
}

INSTANTIATE_TEST_SUITE_P(Rows, BadKeyPathTest,
                         ::testing::Values(BadPathRow{"empty", ""}, BadPathRow{"no_root", R"(Software\Quillorn)"},
                                           BadPathRow{"root_alone", "HKEY_LOCAL_MACHINE"},
                                           BadPathRow{"unknown_root", R"(HKEY_NOWHERE\Software)"},
                                           BadPathRow{"empty_name", R"(HKEY_LOCAL_MACHINE\\Quillorn)"},
                                           BadPathRow{"trailing_separator", R"(HKEY_LOCAL_MACHINE\Software\)"},
                                           BadPathRow{"line_break", "HKEY_LOCAL_MACHINE\\Soft\nware"}),
                         [](const auto& info) { return info.param.name; });

TEST_F(RegistryFileTest, ValuesAreCountedAndDeletedOneByOne) {
  RegistryFile registry(registryPath());
  RegistryKey key = registry.createKey(kKey);
  ASSERT_TRUE(key.setDword("A", 1));
  ASSERT_TRUE(key.setDword("B", 2));
  ASSERT_TRUE(key.setDword("", 3));
  EXPECT_EQ(key.valueCount(), 3U) << "the default value counts";
  EXPECT_TRUE(key.deleteValue("a"));
  EXPECT_FALSE(key.deleteValue("A")) << "already gone";
  EXPECT_FALSE(key.deleteValue("Missing"));
  EXPECT_EQ(key.valueCount(), 2U);
  EXPECT_EQ(key.queryDword("B"), 2U);
}

TEST_F(RegistryFileTest, DeletingAKeyRemovesItsValuesAndNothingElse) {
  writeFile(registryPath(), "REGEDIT4\n\n" + kOtherHeader +
                                "\"A\"=dword:00000001\n\n"
                                "[HKEY_LOCAL_MACHINE\\Software\\Quillorn]\n\"B\"=dword:00000002\n\n"
                                "[HKEY_LOCAL_MACHINE\\Software\\QuillornTwo]\n\"C\"=dword:00000003\n");
  RegistryFile registry(registryPath());
  RegistryKey key = registry.createKey(kKey);
  EXPECT_TRUE(registry.deleteKey(kKey));
  EXPECT_FALSE(registry.keyExists(kKey));
  EXPECT_FALSE(registry.deleteKey(kKey)) << "already gone";
  ASSERT_EQ(registry.flush(), FlushStatus::Done);
  EXPECT_EQ(readFile(registryPath()), "REGEDIT4\n\n" + kOtherHeader +
                                          "\"A\"=dword:00000001\n\n"
                                          "[HKEY_LOCAL_MACHINE\\Software\\QuillornTwo]\n\"C\"=dword:00000003\n\n");
  // A handle to a deleted key fails, as the registry's do.
  EXPECT_EQ(key.valueCount(), std::nullopt);
  EXPECT_EQ(key.queryDword("B"), std::nullopt);
  EXPECT_FALSE(key.setDword("B", 1));
  EXPECT_FALSE(registry.keyExists(kKey));
}

TEST_F(RegistryFileTest, ClosedAndEmptyHandlesFailEveryOperation) {
  RegistryFile registry(registryPath());
  RegistryKey key = registry.createKey(kKey);
  ASSERT_TRUE(key.setDword("A", 1));
  RegistryKey moved = std::move(key);
  EXPECT_TRUE(moved.isOpen());
  EXPECT_FALSE(key.isOpen());  // NOLINT(bugprone-use-after-move): a moved-from handle is closed
  moved.close();
  moved.close();
  RegistryKey never;
  for (RegistryKey* handle : {&key, &moved, &never}) {
    EXPECT_FALSE(handle->isOpen());
    EXPECT_EQ(handle->queryDword("A"), std::nullopt);
    EXPECT_FALSE(handle->setDword("A", 2));
    EXPECT_FALSE(handle->deleteValue("A"));
    EXPECT_EQ(handle->valueCount(), std::nullopt);
  }
  EXPECT_EQ(registry.createKey(kKey).queryDword("A"), 1U);
}

// ------------------------------------------------------- failures and atomicity

TEST_F(RegistryFileTest, WritesLeaveNoTemporaryFilesBehind) {
  RegistryFile registry(registryPath());
  RegistryKey key = registry.createKey(kKey);
  for (std::uint32_t i = 0; i < 5; ++i) {
    ASSERT_TRUE(key.setDword("A", i));
    ASSERT_EQ(registry.flush(), FlushStatus::Done);
  }
  ASSERT_TRUE(key.deleteValue("A"));
  ASSERT_EQ(registry.flush(), FlushStatus::Done);
  ASSERT_TRUE(registry.deleteKey(kKey));
  ASSERT_EQ(registry.flush(), FlushStatus::Done);
  EXPECT_EQ(folderEntries(folder_.path()), (std::vector<std::string>{"registry.reg", "registry.reg.lock"}));
}

TEST_F(RegistryFileTest, ReplacingTheFileKeepsItsPermissions) {
  writeFile(registryPath(), "REGEDIT4\n\n");
  fs::permissions(registryPath(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  RegistryFile registry(registryPath());
  ASSERT_TRUE(registry.createKey(kKey).setDword("A", 1));
  ASSERT_EQ(registry.flush(), FlushStatus::Done);
  EXPECT_EQ(fs::status(registryPath()).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

struct NotAFileRow {
  std::string name;
  std::function<void(const fs::path&)> make;  // puts something other than a file at the path
  std::string reason;
};

void PrintTo(const NotAFileRow& row, std::ostream* out) { *out << row.name; }

class NotAFileTest : public RegistryFileTest, public ::testing::WithParamInterface<NotAFileRow> {};

// Something other than a regular file at the registry's place is refused at
// once (a FIFO is not waited on), says why, and is left as it was: nothing is
// opened, nothing written, no lock file made beside it.
TEST_P(NotAFileTest, IsRefusedAtOnceAndLeftAsItWas) {
  GetParam().make(registryPath());
  const auto before = folderEntries(folder_.path());
  const std::uint64_t inode = fs::exists(fs::symlink_status(registryPath())) ? lstatInode(registryPath()) : 0;
  RegistryFile registry(registryPath());
  EXPECT_FALSE(registry.createKey(kKey).isOpen());
  EXPECT_EQ(registry.failureReason(), GetParam().reason);
  EXPECT_FALSE(registry.keyExists(kKey));
  EXPECT_FALSE(registry.deleteKey(kKey));
  EXPECT_EQ(registry.flush(), FlushStatus::Done) << "nothing to write";
  EXPECT_EQ(folderEntries(folder_.path()), before);
  EXPECT_EQ(lstatInode(registryPath()), inode);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, NotAFileTest,
    ::testing::Values(NotAFileRow{"folder",
                                  [](const fs::path& path) {
                                    fs::create_directory(path);
                                    writeFile(path / "inside", "x");
                                  },
                                  "it is a folder, not a regular file"},
                      NotAFileRow{"fifo", [](const fs::path& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); },
                                  "it is not a regular file"},
                      NotAFileRow{"link_to_a_fifo",
                                  [](const fs::path& path) {
                                    ASSERT_EQ(::mkfifo((path.parent_path() / "pipe").c_str(), 0600), 0);
                                    fs::create_symlink("pipe", path);
                                  },
                                  "it is not a regular file"},
                      NotAFileRow{"link_loop", [](const fs::path& path) { fs::create_symlink(path.filename(), path); },
                                  std::strerror(ELOOP)}),
    [](const auto& info) { return info.param.name; });

TEST_F(RegistryFileTest, UnreadableFileIsNeverOverwritten) {
  if (runningAsRoot()) GTEST_SKIP() << "permissions do not bind root";
  const std::string text = "REGEDIT4\n\n" + kOtherHeader + "\"A\"=dword:00000001\n";
  writeFile(registryPath(), text);
  fs::permissions(registryPath(), fs::perms::none);
  RegistryFile registry(registryPath());
  EXPECT_FALSE(registry.createKey(kKey).isOpen());
  EXPECT_EQ(registry.failureReason(), std::strerror(EACCES));
  EXPECT_FALSE(registry.createKey(kOther).isOpen());
  EXPECT_EQ(registry.flush(), FlushStatus::Done) << "nothing to write";
  fs::permissions(registryPath(), fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(readFile(registryPath()), text);
}

TEST_F(RegistryFileTest, ReadOnlyFolderFailsWritesButStillReads) {
  if (runningAsRoot()) GTEST_SKIP() << "permissions do not bind root";
  {
    RegistryFile registry(registryPath());
    ASSERT_TRUE(registry.createKey(kKey).setDword("A", 1));
    ASSERT_EQ(registry.flush(), FlushStatus::Done);
  }
  const std::string text = readFile(registryPath());
  fs::permissions(folder_.path(), fs::perms::owner_read | fs::perms::owner_exec);
  RegistryFile registry(registryPath());
  RegistryKey key = registry.createKey(kKey);
  ASSERT_TRUE(key.isOpen()) << "an existing key opens without write access";
  EXPECT_EQ(key.queryDword("A"), 1U);
  EXPECT_EQ(registry.flush(), FlushStatus::Done) << "nothing to write";
  EXPECT_TRUE(key.setDword("A", 0));
  EXPECT_TRUE(registry.createKey(kOther).isOpen());
  EXPECT_EQ(registry.flush(), FlushStatus::Unwritable);
  EXPECT_EQ(registry.failureReason(), std::strerror(EACCES));
  fs::permissions(folder_.path(), fs::perms::owner_all);
  EXPECT_EQ(readFile(registryPath()), text);
  EXPECT_EQ(registry.flush(), FlushStatus::Done) << "the changes were held";
  EXPECT_EQ(RegistryFile(registryPath()).createKey(kKey).queryDword("A"), 0U);
}

// The file-size limit makes every write of a bigger file fail, even for root;
// the old file must stay exactly as it was, no temporary file may remain, and
// the changes stay held for a later flush.
TEST_F(RegistryFileTest, FailedWriteLeavesTheOldFileWhole) {
  const std::string text = "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Quillorn]\n\"A\"=dword:00000001\n\n";
  writeFile(registryPath(), text);
  const fs::path file = registryPath();
  const int code = runInChild([&] {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{static_cast<rlim_t>(text.size()), static_cast<rlim_t>(text.size())};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return 10;
    RegistryFile registry(file);
    RegistryKey key = registry.createKey(kKey);
    if (!key.isOpen()) return 11;
    if (!key.setDword("B", 2)) return 12;
    if (registry.flush() != FlushStatus::Unwritable) return 13;
    if (registry.failureReason() != std::strerror(EFBIG)) return 14;
    if (readFile(file) != text) return 15;
    if (!registry.createKey(kOther).isOpen() || registry.flush() != FlushStatus::Unwritable) return 16;
    if (readFile(file) != text) return 17;
    return key.queryDword("A") == 1U && key.queryDword("B") == 2U ? 0 : 18;
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(readFile(registryPath()), text);
  EXPECT_EQ(folderEntries(folder_.path()), (std::vector<std::string>{"registry.reg", "registry.reg.lock"}));
}

// ------------------------------------------------------------ links and size

struct LinkRow {
  std::string name;
  // The links to make, first the one at the registry's place: name and what
  // it says, both below the test's folder ("@" in what it says stands for the
  // folder itself).
  std::vector<std::pair<std::string, std::string>> links;
  bool targetExists;
};

void PrintTo(const LinkRow& row, std::ostream* out) { *out << row.name; }

class LinkTest : public RegistryFileTest, public ::testing::WithParamInterface<LinkRow> {};

// A symbolic link at the registry's place (as dotfiles managers make them) is
// written through: every link stays as it was and the file at the end of them
// gets the new content, replaced beside itself.
TEST_P(LinkTest, IsWrittenThroughAndStaysALink) {
  const fs::path dotfiles = folder_.path() / "dotfiles";
  const fs::path target = dotfiles / "quillorn.reg";
  fs::create_directory(dotfiles);
  if (GetParam().targetExists) writeFile(target, "REGEDIT4\n\n" + kOtherHeader + "\"A\"=dword:00000001\n");
  std::vector<std::pair<fs::path, fs::path>> links;
  for (const auto& [name, says] : GetParam().links) {
    std::string text = says;
    if (text.front() == '@') text = folder_.path().string() + text.substr(1);
    links.emplace_back(folder_.path() / name, text);
    fs::create_symlink(text, folder_.path() / name);
  }
  ASSERT_EQ(links.front().first, registryPath());

  RegistryFile registry(registryPath());
  RegistryKey key = registry.createKey(kKey);
  ASSERT_TRUE(key.isOpen());
  EXPECT_EQ(registry.keyExists(kOther), GetParam().targetExists);
  if (GetParam().targetExists) {
    EXPECT_EQ(registry.createKey(kOther).queryDword("A"), 1U);
  }
  ASSERT_TRUE(key.setDword("Probe", 1));
  ASSERT_EQ(registry.flush(), FlushStatus::Done) << registry.failureReason();

  for (const auto& [link, says] : links) {
    EXPECT_TRUE(fs::is_symlink(link)) << link;
    EXPECT_EQ(fs::read_symlink(link), says) << link;
  }
  const std::string others = GetParam().targetExists ? kOtherHeader + "\"A\"=dword:00000001\n\n" : "";
  EXPECT_EQ(readFile(target),
            "REGEDIT4\n\n" + others + "[HKEY_LOCAL_MACHINE\\Software\\Quillorn]\n\"Probe\"=dword:00000001\n\n");
  EXPECT_EQ(folderEntries(dotfiles), std::vector<std::string>{"quillorn.reg"}) << "no temporary file is left";
  EXPECT_EQ(RegistryFile(registryPath()).createKey(kKey).queryDword("Probe"), 1U);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, LinkTest,
    ::testing::Values(LinkRow{"absolute", {{"registry.reg", "@/dotfiles/quillorn.reg"}}, true},
                      LinkRow{"relative", {{"registry.reg", "dotfiles/quillorn.reg"}}, true},
                      LinkRow{"chain", {{"registry.reg", "middle.reg"}, {"middle.reg", "dotfiles/quillorn.reg"}}, true},
                      LinkRow{"to_a_file_yet_to_be_made", {{"registry.reg", "dotfiles/quillorn.reg"}}, false}),
    [](const auto& info) { return info.param.name; });

// A registry of more than a megabyte that other programs share: every key and
// value of it is found, and writing one value back changes that one line and
// nothing else (lines this reader cannot read included).
TEST_F(RegistryFileTest, AMegabyteRegistryAnswersEveryQueryAndIsWrittenBackWhole) {
  constexpr std::uint32_t kKeys = 7000;
  constexpr std::uint32_t kListValues = 5000;
  auto keyPath = [](std::uint32_t key) {
    return "HKEY_CURRENT_USER\\Software\\Vendor" + std::to_string(key % 13) + "\\Product" + std::to_string(key);
  };
  auto dword = [](std::uint32_t number) {
    char digits[9];
    std::snprintf(digits, sizeof digits, "%08x", number);
    return std::string(digits);
  };
  std::string text = "REGEDIT4\n\n";
  for (std::uint32_t key = 0; key < kKeys; ++key) {
    if (key == kKeys / 2) {
      text += "[" + kKey + "]\n\"Step2Chk1\"=dword:00000001\n\"Step3Chk1\"=dword:00000001\n\n";
      text += "[HKEY_CURRENT_USER\\Software\\Viewer\\History]\n";
      for (std::uint32_t entry = 0; entry < kListValues; ++entry) {
        text += "\"Entry" + std::to_string(entry) + "\"=dword:" + dword(entry) + "\n";
      }
      text += "\n";
    }
    text += "[" + keyPath(key) + "]\n";
    if (key % 100 == 0) text += "; kept by hand\n";
    for (std::uint32_t value = 0; value < 4; ++value) {
      text += "\"Value" + std::to_string(value) + "\"=dword:" + dword(key * 16 + value) + "\n";
      if (key % 100 == 1 && value == 1) text += "\"Damaged\"=dword:zz\n";
    }
    if (key % 10 == 0) text += "\"Blob\"=hex:01,02,\\\n  03\n";
    text += "\n";
  }
  ASSERT_GT(text.size(), 1024U * 1024U);
  writeFile(registryPath(), text);

  RegistryFile registry(registryPath());
  for (std::uint32_t key = 0; key < kKeys; ++key) {
    RegistryKey handle = registry.createKey(keyPath(key));
    ASSERT_TRUE(handle.isOpen()) << key;
    ASSERT_EQ(handle.valueCount(), key % 10 == 0 ? 5U : 4U) << key;
    for (std::uint32_t value = 0; value < 4; ++value) {
      ASSERT_EQ(handle.queryDword("VALUE" + std::to_string(value)), key * 16 + value) << key;
    }
    ASSERT_EQ(handle.queryDword("Damaged"), std::nullopt) << key;
  }
  RegistryKey list = registry.createKey("HKEY_CURRENT_USER\\Software\\Viewer\\History");
  EXPECT_EQ(list.valueCount(), kListValues);
  EXPECT_EQ(list.queryDword("Entry0"), 0U);
  EXPECT_EQ(list.queryDword("Entry4999"), 4999U);
  EXPECT_FALSE(registry.keyExists("HKEY_CURRENT_USER\\Software\\Vendor0\\Product7000"));

  RegistryKey options = registry.createKey(kKey);
  EXPECT_EQ(options.queryDword("Step3Chk1"), 1U);
  ASSERT_TRUE(options.setDword("Step3Chk1", 0));
  ASSERT_EQ(registry.flush(), FlushStatus::Done);
  std::string expected = text;
  const std::string line = "\"Step3Chk1\"=dword:00000001\n";
  expected.replace(expected.find(line), line.size(), "\"Step3Chk1\"=dword:00000000\n");
  EXPECT_TRUE(readFile(registryPath()) == expected) << "the file changed beyond the one value";
  EXPECT_EQ(RegistryFile(registryPath()).createKey(kKey).queryDword("Step3Chk1"), 0U);
}

// --------------------------------------------------------------- concurrency

// Several processes change the same key at once, each through one registry
// file that it read once. Every change must survive (each flush merges under
// the lock into what the others wrote) and a reader must never see a file cut
// short (each is an atomic replacement).
TEST_F(RegistryFileTest, ProcessesWritingAtOnceLoseNothingAndNeverShowAHalfFile) {
  constexpr int kWriters = 4;
  constexpr int kRounds = 25;
  const fs::path file = registryPath();
  int gate[2];
  ASSERT_EQ(::pipe(gate), 0);
  // Children wait at the gate until the parent closes it, so they start together.
  auto waitAtGate = [&] {
    ::close(gate[1]);
    char byte = 0;
    while (::read(gate[0], &byte, 1) > 0) {
    }
  };
  std::vector<pid_t> children;
  for (int writer = 0; writer < kWriters; ++writer) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      waitAtGate();
      RegistryFile registry(file);
      int code = 0;
      for (int round = 0; round < kRounds && code == 0; ++round) {
        RegistryKey key = registry.createKey(kKey);
        if (!key.isOpen())
          code = 1;
        else if (!key.setDword("Writer" + std::to_string(writer), static_cast<std::uint32_t>(round)))
          code = 2;
        else if (!key.setDword("W" + std::to_string(writer) + "R" + std::to_string(round),
                               static_cast<std::uint32_t>(round)))
          code = 3;
        else if (registry.flush() != FlushStatus::Done)
          code = 4;
      }
      ::_exit(code);
    }
    children.push_back(pid);
  }
  const pid_t reader = ::fork();
  ASSERT_GE(reader, 0);
  if (reader == 0) {
    waitAtGate();
    for (int look = 0; look < 2000; ++look) {
      std::error_code error;
      if (!fs::exists(file, error)) continue;
      const std::string text = readFile(file);
      if (!isWholeFile(text)) ::_exit(1);
    }
    ::_exit(0);
  }
  children.push_back(reader);
  ::close(gate[0]);
  ::close(gate[1]);
  for (pid_t child : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child " << child << " status " << status;
  }

  const std::string text = readFile(file);
  EXPECT_TRUE(isWholeFile(text)) << text;
  RegistryFile registry(file);
  RegistryKey key = registry.createKey(kKey);
  EXPECT_EQ(key.valueCount(), static_cast<std::size_t>(kWriters * (kRounds + 1)));
  for (int writer = 0; writer < kWriters; ++writer) {
    EXPECT_EQ(key.queryDword("Writer" + std::to_string(writer)), static_cast<std::uint32_t>(kRounds - 1));
    for (int round = 0; round < kRounds; ++round) {
      EXPECT_EQ(key.queryDword("W" + std::to_string(writer) + "R" + std::to_string(round)),
                static_cast<std::uint32_t>(round));
    }
  }
}

// ------------------------------------------------------------ default place

struct DefaultPathRow {
  std::string name;
  std::optional<std::string> configHome;  // nothing: unset
  std::string expected;                   // "~" stands for $HOME
};

void PrintTo(const DefaultPathRow& row, std::ostream* out) { *out << row.name; }

class DefaultPathTest : public ::testing::TestWithParam<DefaultPathRow> {
 protected:
  void SetUp() override {
    saveVariable("XDG_CONFIG_HOME", savedConfigHome_);
    saveVariable("HOME", savedHome_);
    ::setenv("HOME", "/home/ann", 1);
  }
  void TearDown() override {
    restoreVariable("XDG_CONFIG_HOME", savedConfigHome_);
    restoreVariable("HOME", savedHome_);
  }

 private:
  static void saveVariable(const char* name, std::optional<std::string>& saved) {
    const char* value = std::getenv(name);
    if (value != nullptr) saved = value;
  }
  static void restoreVariable(const char* name, const std::optional<std::string>& saved) {
    if (saved)
      ::setenv(name, saved->c_str(), 1);
    else
      ::unsetenv(name);
  }
  std::optional<std::string> savedConfigHome_;
  std::optional<std::string> savedHome_;
};

TEST_P(DefaultPathTest, FollowsXdgConfigHome) {
  if (GetParam().configHome)
    ::setenv("XDG_CONFIG_HOME", GetParam().configHome->c_str(), 1);
  else
    ::unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(quillorn::platform::defaultRegistryPath(), fs::path(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DefaultPathTest,
    ::testing::Values(DefaultPathRow{"set", "/etc/xdg-ann", "/etc/xdg-ann/Quillorn/registry.reg"},
                      DefaultPathRow{"unset", std::nullopt, "/home/ann/.config/Quillorn/registry.reg"},
                      DefaultPathRow{"empty", "", "/home/ann/.config/Quillorn/registry.reg"},
                      DefaultPathRow{"relative_is_ignored", "relative/dir", "/home/ann/.config/Quillorn/registry.reg"}),
    [](const auto& info) { return info.param.name; });

}  // namespace
