#include "core/settings/settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <ostream>
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
using quillorn::DeletionChoice;
using quillorn::kSettingsKeyPath;
using quillorn::loadSettings;
using quillorn::removeStoredSettings;
using quillorn::saveSettings;
using quillorn::Settings;
using quillorn::SettingsResult;
using quillorn::SettingsStatus;
using quillorn::platform::RegistryFile;
using quillorn::platform::RegistryKey;
using quillorn::test_support::readFile;
using quillorn::test_support::runInChild;
using quillorn::test_support::TempFolder;
using quillorn::test_support::writeFile;

namespace {

const std::string kKey(kSettingsKeyPath);
const std::string kKeyUnavailable = "Main - Unable to open a needed registry key!";
const std::string kValueNotSet = "Main - Unable to set a needed registry value!";

// The stored flags in their stored order, with the field each one fills.
struct Flag {
  const char* name;
  bool Settings::*field;
};
const std::array<Flag, 13> kFlags = {{
    {"Step2Chk1", &Settings::includeSubfolders},
    {"Step3Chk1", &Settings::scriptTagStrings},
    {"Step3Chk2", &Settings::scriptProtocolStrings},
    {"Step3Chk3", &Settings::useSavedFromUrl},
    {"Step3Chk4", &Settings::useRelativePaths},
    {"Step3Chk5", &Settings::findReplacements},
    {"Step3Chk6", &Settings::convertCodedChars},
    {"Step3Chk7", &Settings::addHttpPrefix},
    {"Step3Chk8", &Settings::addMailtoPrefix},
    {"Step3Chk9", &Settings::checkInternetUrls},
    {"Step3Chk10", &Settings::ignoreScriptLinks},
    {"Step3Chk11", &Settings::checkAnchors},
    {"Step3Chk12", &Settings::matchCase},
}};

const std::array<const char*, 13> kPageSixNames = {"Step6Rad1Btn1", "Step6Rad1Btn2", "Step6Rad1Btn3", "Step6Rad2Btn1",
                                                   "Step6Rad2Btn2", "Step6Rad2Btn3", "Step6Rad3Btn1", "Step6Rad3Btn2",
                                                   "Step6Rad3Btn3", "Step6Rad4Btn1", "Step6Rad4Btn2", "Step6Chk1",
                                                   "Step6Chk2"};

// A registry file holding the settings key with the given lines.
std::string settingsFile(const std::string& valueLines) {
  return "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Quillorn]\n" + valueLines + "\n";
}

// Every stored flag set to value, one line each.
std::string allFlagLines(std::uint32_t value) {
  std::string lines;
  for (const Flag& flag : kFlags)
    lines.append("\"").append(flag.name).append("\"=dword:0000000").append(std::to_string(value)).append("\n");
  return lines;
}

// Settings with every field away from its default.
Settings changedSettings() {
  Settings settings;
  for (const Flag& flag : kFlags) settings.*flag.field = !(settings.*flag.field);
  settings.textLinkAction = DeletionChoice::MakeEmpty;
  settings.imageUrlAction = DeletionChoice::ReplaceWithUrl;
  settings.backgroundUrlAction = DeletionChoice::MakeEmpty;
  settings.otherUrlAction = DeletionChoice::MakeEmptyOrDelete;
  settings.deletionRelativePaths = false;
  settings.makeBackups = false;
  settings.imageReplacementUrl = "img/none.gif";
  settings.backgroundReplacementUrl = "img/blank.gif";
  return settings;
}

void expectDefaults(const Settings& settings) {
  const Settings defaults;
  for (const Flag& flag : kFlags) EXPECT_EQ(settings.*flag.field, defaults.*flag.field) << flag.name;
  EXPECT_EQ(settings.textLinkAction, DeletionChoice::Keep);
  EXPECT_EQ(settings.imageUrlAction, DeletionChoice::Keep);
  EXPECT_EQ(settings.backgroundUrlAction, DeletionChoice::Keep);
  EXPECT_EQ(settings.otherUrlAction, DeletionChoice::Keep);
  EXPECT_EQ(settings.deletionRelativePaths, 1U);
  EXPECT_EQ(settings.makeBackups, 1U);
  EXPECT_EQ(settings.imageReplacementUrl, "");
  EXPECT_EQ(settings.backgroundReplacementUrl, "");
}

class SettingsTest : public ::testing::Test {
 protected:
  fs::path registryPath() const { return folder_.path() / "Quillorn" / "registry.reg"; }
  TempFolder folder_{"quillorn-settings"};
};

// ------------------------------------------------------------------ loading

TEST_F(SettingsTest, FreshMachineStartsFromDefaultsAndCreatesTheKey) {
  RegistryFile registry(registryPath());
  Settings settings = changedSettings();
  const SettingsResult result = loadSettings(registry, settings);
  ASSERT_TRUE(result.ok());
  // Off on a fresh machine: tags in script strings and links to anchors.
  for (const Flag& flag : kFlags) {
    const std::string name = flag.name;
    EXPECT_EQ(settings.*flag.field, name != "Step3Chk1" && name != "Step3Chk11") << name;
  }
  expectDefaults(settings);
  EXPECT_TRUE(registry.keyExists(kKey));
  EXPECT_EQ(registry.createKey(kKey).valueCount(), 0U) << "loading stores nothing";
}

TEST_F(SettingsTest, FirstExitStoresAllThirteenAndTheRequestCountInOrder) {
  RegistryFile registry(registryPath());
  Settings settings;
  ASSERT_TRUE(loadSettings(registry, settings).ok());
  ASSERT_TRUE(saveSettings(registry, settings).ok());
  EXPECT_EQ(readFile(registryPath()), settingsFile("\"Step2Chk1\"=dword:00000001\n"
                                                   "\"Step3Chk1\"=dword:00000000\n"
                                                   "\"Step3Chk2\"=dword:00000001\n"
                                                   "\"Step3Chk3\"=dword:00000001\n"
                                                   "\"Step3Chk4\"=dword:00000001\n"
                                                   "\"Step3Chk5\"=dword:00000001\n"
                                                   "\"Step3Chk6\"=dword:00000001\n"
                                                   "\"Step3Chk7\"=dword:00000001\n"
                                                   "\"Step3Chk8\"=dword:00000001\n"
                                                   "\"Step3Chk9\"=dword:00000001\n"
                                                   "\"Step3Chk10\"=dword:00000001\n"
                                                   "\"Step3Chk11\"=dword:00000000\n"
                                                   "\"Step3Chk12\"=dword:00000001\n"
                                                   "\"InternetConnections\"=dword:00000040\n"));
}

// Each flag goes to its own value: flipping one flag at a time must change
// exactly that value.
TEST_F(SettingsTest, EachFlagIsStoredUnderItsOwnNameAndReadBack) {
  RegistryFile registry(registryPath());
  for (const Flag& flipped : kFlags) {
    SCOPED_TRACE(flipped.name);
    Settings settings;
    settings.*flipped.field = !(settings.*flipped.field);
    ASSERT_TRUE(saveSettings(registry, settings).ok());
    RegistryKey key = registry.createKey(kKey);
    for (const Flag& flag : kFlags) EXPECT_EQ(key.queryDword(flag.name), settings.*flag.field ? 1U : 0U) << flag.name;
    Settings loaded;
    ASSERT_TRUE(loadSettings(registry, loaded).ok());
    for (const Flag& flag : kFlags) EXPECT_EQ(loaded.*flag.field, settings.*flag.field) << flag.name;
  }
}

TEST_F(SettingsTest, StoredScriptTagStringsTurnsTheBoxOn) {
  fs::create_directories(registryPath().parent_path());
  writeFile(registryPath(), settingsFile("\"Step3Chk1\"=dword:00000001\n"));
  RegistryFile registry(registryPath());
  Settings settings;
  ASSERT_TRUE(loadSettings(registry, settings).ok());
  EXPECT_EQ(settings.scriptTagStrings, 1U);
}

struct StoredValueRow {
  std::string name;
  std::optional<std::string> data;  // what "Step3Chk4" holds; nothing: absent
  std::uint32_t expected;           // useRelativePaths, default 1
};

void PrintTo(const StoredValueRow& row, std::ostream* out) { *out << row.name; }

class StoredValueTest : public SettingsTest, public ::testing::WithParamInterface<StoredValueRow> {};

// All other flags are stored as 0; whatever becomes of "Step3Chk4", they must
// still read as 0.
TEST_P(StoredValueTest, OneValueDecidesOnlyItsOwnField) {
  std::string lines;
  for (const Flag& flag : kFlags) {
    if (std::string(flag.name) != "Step3Chk4")
      lines += "\"" + std::string(flag.name) + "\"=dword:00000000\n";
    else if (GetParam().data)
      lines += "\"Step3Chk4\"=" + *GetParam().data + "\n";
  }
  fs::create_directories(registryPath().parent_path());
  writeFile(registryPath(), settingsFile(lines));
  RegistryFile registry(registryPath());
  Settings settings;
  ASSERT_TRUE(loadSettings(registry, settings).ok());
  EXPECT_EQ(settings.useRelativePaths, GetParam().expected);
  for (const Flag& flag : kFlags) {
    if (std::string(flag.name) != "Step3Chk4") {
      EXPECT_FALSE(settings.*flag.field) << flag.name;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, StoredValueTest,
                         ::testing::Values(StoredValueRow{"absent_takes_default", std::nullopt, 1U},
                                           StoredValueRow{"stored_zero", "dword:00000000", 0U},
                                           StoredValueRow{"stored_one", "dword:00000001", 1U},
                                           StoredValueRow{"other_than_zero_reads_as_one", "dword:00000002", 1U},
                                           StoredValueRow{"all_bits_read_as_one", "dword:ffffffff", 1U},
                                           StoredValueRow{"dword_as_hex4_zero", "hex(4):00,00,00,00", 0U},
                                           StoredValueRow{"longer_text_takes_default", "\"0 is what I meant\"", 1U},
                                           StoredValueRow{"short_text_takes_default", "\"0\"", 1U},
                                           StoredValueRow{"five_bytes_take_default", "hex(4):00,00,00,00,00", 1U},
                                           StoredValueRow{"nine_digits_take_default", "dword:000000000", 1U},
                                           StoredValueRow{"binary_takes_default", "hex:00,00,00,00", 1U}),
                         [](const auto& info) { return info.param.name; });

struct ConnectionsRow {
  const char* name;
  const char* data;  // what "InternetConnections" holds
  std::uint32_t expected;
};

class StoredConnectionsTest : public SettingsTest, public ::testing::WithParamInterface<ConnectionsRow> {};

TEST_P(StoredConnectionsTest, CountOutOfItsRangeTakesTheDefault) {
  writeFile(registryPath(), settingsFile(std::string("\"InternetConnections\"=") + GetParam().data + "\n"));
  RegistryFile registry(registryPath());
  Settings settings;
  ASSERT_TRUE(loadSettings(registry, settings).ok());
  EXPECT_EQ(settings.internetConnections, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, StoredConnectionsTest,
                         ::testing::Values(ConnectionsRow{"zero", "dword:00000000", 64U},
                                           ConnectionsRow{"one", "dword:00000001", 1U},
                                           ConnectionsRow{"most", "dword:00000400", 1024U},
                                           ConnectionsRow{"above_most", "dword:00000401", 64U},
                                           ConnectionsRow{"text", "\"8\"", 64U}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SettingsTest, SiteAddressesAreReadAsBlankSeparatedWordsAndNeverWritten) {
  writeFile(registryPath(), settingsFile("\"SiteAddress\"=\" https://example.org/docs/\thttp://mirror.example/ \"\n"
                                         "\"Step3Chk1\"=dword:00000001\n"));
  RegistryFile registry(registryPath());
  Settings settings;
  ASSERT_TRUE(loadSettings(registry, settings).ok());
  EXPECT_EQ(settings.siteAddresses, (std::vector<std::string>{"https://example.org/docs/", "http://mirror.example/"}));
  ASSERT_TRUE(saveSettings(registry, settings).ok());
  EXPECT_NE(readFile(registryPath()).find("\"SiteAddress\"=\" https://example.org/docs/\t"), std::string::npos);

  Settings dwordOnly;
  writeFile(registryPath(), settingsFile("\"SiteAddress\"=dword:00000001\n"));
  RegistryFile again(registryPath());
  ASSERT_TRUE(loadSettings(again, dwordOnly).ok());
  EXPECT_TRUE(dwordOnly.siteAddresses.empty());
}

TEST_F(SettingsTest, PageSixChoicesStartFromDefaultsAgainAfterExit) {
  RegistryFile registry(registryPath());
  Settings settings;
  ASSERT_TRUE(loadSettings(registry, settings).ok());
  settings = changedSettings();
  ASSERT_TRUE(saveSettings(registry, settings).ok());
  // Only the flags and the request count are stored, never a page-6 name.
  EXPECT_EQ(registry.createKey(kKey).valueCount(), kFlags.size() + 1);
  ASSERT_TRUE(loadSettings(registry, settings).ok());
  EXPECT_EQ(settings.textLinkAction, DeletionChoice::Keep);
  EXPECT_EQ(settings.imageUrlAction, DeletionChoice::Keep);
  EXPECT_EQ(settings.backgroundUrlAction, DeletionChoice::Keep);
  EXPECT_EQ(settings.otherUrlAction, DeletionChoice::Keep);
  EXPECT_EQ(settings.deletionRelativePaths, 1U);
  EXPECT_EQ(settings.makeBackups, 1U);
  EXPECT_EQ(settings.imageReplacementUrl, "");
  EXPECT_EQ(settings.backgroundReplacementUrl, "");
  // The stored flags, on the other hand, come back as saved.
  const Settings saved = changedSettings();
  for (const Flag& flag : kFlags) EXPECT_EQ(settings.*flag.field, saved.*flag.field) << flag.name;
}

TEST_F(SettingsTest, ValueOtherThanZeroOrOneIsSavedAsOne) {
  RegistryFile registry(registryPath());
  Settings settings;
  settings.scriptTagStrings = 7;
  ASSERT_TRUE(saveSettings(registry, settings).ok());
  EXPECT_EQ(registry.createKey(kKey).queryDword("Step3Chk1"), 1U);
}

// --------------------------------------------------------- damaged registry

// A file cut at any byte still loads, each flag either as stored or at its
// default. Saving (tried at every 64th cut, since each save is thirteen synced
// writes) stores all thirteen and keeps another program's key that the cut left
// whole.
TEST_F(SettingsTest, RegistryCutAtEveryByteLoadsAndIsRepairedBySaving) {
  const Settings stored = changedSettings();
  std::string lines;
  for (const Flag& flag : kFlags) {
    lines += "\"" + std::string(flag.name) + "\"=dword:0000000" + std::to_string(stored.*flag.field) + "\n";
  }
  const std::string full = settingsFile(lines) + "[HKEY_CURRENT_USER\\Software\\Neighbour]\n\"Size\"=dword:00000010\n";
  const std::size_t neighbourComplete = full.find("10\n") + 2;
  fs::create_directories(registryPath().parent_path());
  for (std::size_t cut = 0; cut <= full.size(); ++cut) {
    SCOPED_TRACE("cut at " + std::to_string(cut));
    writeFile(registryPath(), full.substr(0, cut));
    RegistryFile registry(registryPath());
    Settings settings;
    ASSERT_TRUE(loadSettings(registry, settings).ok());
    const Settings defaults;
    for (const Flag& flag : kFlags) {
      const bool value = settings.*flag.field;
      EXPECT_TRUE(value == stored.*flag.field || value == defaults.*flag.field) << flag.name;
    }
    if (cut % 64 != 0 && cut != full.size()) continue;
    ASSERT_TRUE(saveSettings(registry, stored).ok());
    Settings reloaded;
    ASSERT_TRUE(loadSettings(registry, reloaded).ok());
    for (const Flag& flag : kFlags) EXPECT_EQ(reloaded.*flag.field, stored.*flag.field) << flag.name;
    if (cut >= neighbourComplete) {
      EXPECT_EQ(registry.createKey("HKEY_CURRENT_USER\\Software\\Neighbour").queryDword("Size"), 16U);
    }
  }
}

TEST_F(SettingsTest, GarbageFileGivesDefaultsAndSavingKeepsItAndOtherKeys) {
  fs::create_directories(registryPath().parent_path());
  // Bytes no text file holds, and with them the header of the settings key.
  const std::string garbage =
      "\x7F"
      "ELF\x02\x01\x01\0\0\0[HKEY_LOCAL_MACHINE\\Software\\Quillorn\n\"Step3Chk1\"=dword:1\n\0\xFF\xFE\xFD\n"s
      "\"Step2Chk1\"=dword:00000000\n";
  writeFile(
      registryPath(),
      "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Neighbour]\n\"Size\"=dword:00000010\n\"Name\"=\"x\"\n\n" + garbage);
  RegistryFile registry(registryPath());
  Settings settings;
  ASSERT_TRUE(loadSettings(registry, settings).ok());
  expectDefaults(settings);
  ASSERT_TRUE(saveSettings(registry, settings).ok());
  // The garbage stays, byte for byte, where it stood.
  const std::string text = readFile(registryPath());
  EXPECT_EQ(
      text.rfind("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Neighbour]\n\"Size\"=dword:00000010\n\"Name\"=\"x\"\n" +
                     garbage + "\n[" + kKey + "]\n",
                 0),
      0U)
      << text;
  // The flags and the request count.
  EXPECT_EQ(RegistryFile(registryPath()).createKey(kKey).valueCount(), kFlags.size() + 1);
}

// ---------------------------------------------------------- failing registry

struct NotAFileRow {
  const char* name;
  bool fifo;           // a FIFO; otherwise a folder with a file in it
  const char* reason;  // the line below the box's text says this after the path
};

class NotAFileTest : public SettingsTest, public ::testing::WithParamInterface<NotAFileRow> {};

// Something other than a regular file at the registry's place fails loading
// and saving at once (a FIFO is not waited on: the test's time limit catches a
// wait) with the box's text and, on the line below it, the path and why; it
// is left as it was, and removal is silent.
TEST_P(NotAFileTest, FailsAtOnceNamingThePathAndTheReasonAndIsLeftAsItWas) {
  fs::create_directories(registryPath().parent_path());
  if (GetParam().fifo) {
    ASSERT_EQ(::mkfifo(registryPath().c_str(), 0600), 0);
  } else {
    fs::create_directory(registryPath());
    writeFile(registryPath() / "inside", "x");
  }
  const auto entries = [&] {
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(folder_.path())) names.push_back(entry.path().string());
    std::sort(names.begin(), names.end());
    return names;
  };
  const std::vector<std::string> before = entries();
  const std::string expected = kKeyUnavailable + "\n" + registryPath().string() + ": " + GetParam().reason;

  RegistryFile registry(registryPath());
  Settings settings = changedSettings();
  const SettingsResult loaded = loadSettings(registry, settings);
  EXPECT_EQ(loaded.status, SettingsStatus::KeyUnavailable);
  EXPECT_EQ(loaded.message, expected);
  expectDefaults(settings);
  const SettingsResult saved = saveSettings(registry, settings);
  EXPECT_EQ(saved.status, SettingsStatus::KeyUnavailable);
  EXPECT_EQ(saved.message, expected);
  removeStoredSettings(registry);

  EXPECT_EQ(entries(), before);
  if (GetParam().fifo) {
    EXPECT_TRUE(fs::is_fifo(fs::symlink_status(registryPath())));
  } else {
    EXPECT_EQ(readFile(registryPath() / "inside"), "x");
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, NotAFileTest,
                         ::testing::Values(NotAFileRow{"fifo", true, "it is not a regular file"},
                                           NotAFileRow{"folder", false, "it is a folder, not a regular file"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SettingsTest, ReadOnlyFolderFailsTheFirstStart) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
  fs::create_directories(registryPath().parent_path());
  fs::permissions(registryPath().parent_path(), fs::perms::owner_read | fs::perms::owner_exec);
  RegistryFile registry(registryPath());
  Settings settings;
  const SettingsResult result = loadSettings(registry, settings);
  fs::permissions(registryPath().parent_path(), fs::perms::owner_all);
  EXPECT_EQ(result.status, SettingsStatus::KeyUnavailable);
  EXPECT_EQ(result.message, kKeyUnavailable + "\n" + registryPath().string() +
                                ": its lock file registry.reg.lock cannot be used: " + std::strerror(EACCES));
}

TEST_F(SettingsTest, ReadOnlyFolderWithTheKeyFailsSavingAValue) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
  RegistryFile registry(registryPath());
  Settings settings;
  ASSERT_TRUE(loadSettings(registry, settings).ok());
  fs::permissions(registryPath().parent_path(), fs::perms::owner_read | fs::perms::owner_exec);
  const SettingsResult result = saveSettings(registry, settings);
  fs::permissions(registryPath().parent_path(), fs::perms::owner_all);
  EXPECT_EQ(result.status, SettingsStatus::ValueNotSet);
  EXPECT_EQ(result.message, kValueNotSet + "\n" + registryPath().string() + ": " + std::strerror(EACCES));
}

// All twelve values go to the file in one write. Under a file-size limit of
// the file's present size, that write fails (even for root): saving reports
// the box's text with the path and the system's reason, and the file stays
// exactly as it was, none of the values stored.
TEST_F(SettingsTest, FailedSaveStoresNoneAndLeavesTheFileAsItWas) {
  std::string lines;
  for (std::size_t i = 0; i + 1 < kFlags.size(); ++i)
    lines.append("\"").append(kFlags[i].name).append("\"=dword:00000000\n");
  fs::create_directories(registryPath().parent_path());
  writeFile(registryPath(), settingsFile(lines));
  const std::string text = readFile(registryPath());
  const fs::path file = registryPath();
  const int code = runInChild([&] {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit fileSize{static_cast<rlim_t>(text.size()), static_cast<rlim_t>(text.size())};
    if (::setrlimit(RLIMIT_FSIZE, &fileSize) != 0) return 10;
    RegistryFile limited(file);
    Settings allOn;
    if (!loadSettings(limited, allOn).ok()) return 11;
    for (const Flag& flag : kFlags) allOn.*flag.field = 1;
    const SettingsResult result = saveSettings(limited, allOn);
    if (result.status != SettingsStatus::ValueNotSet) return 12;
    return result.message == kValueNotSet + "\n" + file.string() + ": " + std::strerror(EFBIG) ? 0 : 13;
  });
  ASSERT_EQ(code, 0);
  EXPECT_EQ(readFile(registryPath()), text);
}

// ------------------------------------------------------------------- removal

struct RemovalRow {
  std::string name;
  std::optional<std::string> keyLines;  // the key's values before removal; nothing: no key
  bool keyStays;
  std::size_t valuesLeft;
};

void PrintTo(const RemovalRow& row, std::ostream* out) { *out << row.name; }

class RemovalTest : public SettingsTest, public ::testing::WithParamInterface<RemovalRow> {};

TEST_P(RemovalTest, DeletesTheWizardsValuesAndAnEmptyKey) {
  const std::string neighbour = "[HKEY_CURRENT_USER\\Software\\Neighbour]\n\"Step2Chk1\"=dword:00000001\n\n";
  fs::create_directories(registryPath().parent_path());
  std::string text = "REGEDIT4\n\n" + neighbour;
  if (GetParam().keyLines) text += "[HKEY_LOCAL_MACHINE\\Software\\Quillorn]\n" + *GetParam().keyLines + "\n";
  writeFile(registryPath(), text);
  RegistryFile registry(registryPath());
  removeStoredSettings(registry);
  RegistryFile written(registryPath());
  EXPECT_EQ(written.keyExists(kKey), GetParam().keyStays);
  if (GetParam().keyStays) {
    EXPECT_EQ(written.createKey(kKey).valueCount(), GetParam().valuesLeft);
  }
  // Another key's value of the same name is not the wizard's.
  const std::string after = readFile(registryPath());
  EXPECT_EQ(after.find(neighbour), std::string("REGEDIT4\n\n").size()) << after;
}

std::string pageSixLines() {
  std::string lines;
  for (const char* name : kPageSixNames) lines.append("\"").append(name).append("\"=dword:00000001\n");
  return lines;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RemovalTest,
    ::testing::Values(
        RemovalRow{"only_the_flags", allFlagLines(1), false, 0},
        RemovalRow{"flags_and_a_foreign_value", allFlagLines(0) + "\"Foreign\"=\"keep\"\n", true, 1},
        RemovalRow{"all_the_names", allFlagLines(1) + pageSixLines() + "\"InternetConnections\"=dword:00000010\n",
                   false, 0},
        RemovalRow{"names_in_other_case", "\"STEP2CHK1\"=dword:00000001\n\"step6chk2\"=dword:00000001\n", false, 0},
        RemovalRow{"only_a_foreign_default_value", "@=\"keep\"\n", true, 1},
        RemovalRow{"a_line_it_cannot_read_keeps_the_key", "\"Other\"=dword:zz\n" + allFlagLines(1), true, 0},
        RemovalRow{"empty_key", "", false, 0}, RemovalRow{"key_never_existed", std::nullopt, false, 0}),
    [](const auto& info) { return info.param.name; });

TEST_F(SettingsTest, RemovalKeepsAKeyThatHasSubkeys) {
  fs::create_directories(registryPath().parent_path());
  writeFile(registryPath(), settingsFile(allFlagLines(1)) +
                                "[HKEY_LOCAL_MACHINE\\Software\\Quillorn\\Plugins]\n\"A\"=dword:00000001\n");
  RegistryFile registry(registryPath());
  removeStoredSettings(registry);
  EXPECT_TRUE(registry.keyExists(kKey));
  EXPECT_EQ(registry.createKey(kKey).valueCount(), 0U);
  EXPECT_EQ(registry.createKey(kKey + "\\Plugins").queryDword("A"), 1U);
}

TEST_F(SettingsTest, RemovalAfterSaveLeavesNoKey) {
  RegistryFile registry(registryPath());
  Settings settings;
  ASSERT_TRUE(loadSettings(registry, settings).ok());
  ASSERT_TRUE(saveSettings(registry, settings).ok());
  removeStoredSettings(registry);
  EXPECT_FALSE(registry.keyExists(kKey));
  EXPECT_EQ(readFile(registryPath()), "REGEDIT4\n\n");
}

// ---------------------------------------------------------------- concurrency

// Wizards exiting at the same moment each store their flags whole,
// and a value another program keeps in the same key is never lost.
TEST_F(SettingsTest, WizardsSavingAtOnceLeaveAWholeRegistry) {
  constexpr int kProcesses = 3;
  constexpr int kRounds = 6;
  {
    RegistryFile registry(registryPath());
    ASSERT_TRUE(registry.createKey(kKey).setDword("Foreign", 77));
    ASSERT_EQ(registry.flush(), quillorn::platform::FlushStatus::Done);
  }
  const fs::path file = registryPath();
  std::vector<pid_t> children;
  for (int process = 0; process < kProcesses; ++process) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      RegistryFile own(file);
      for (int round = 0; round < kRounds; ++round) {
        Settings settings;
        if (!loadSettings(own, settings).ok()) ::_exit(1);
        for (const Flag& flag : kFlags) settings.*flag.field = (round + process) % 2 == 1;
        if (!saveSettings(own, settings).ok()) ::_exit(2);
      }
      ::_exit(0);
    }
    children.push_back(pid);
  }
  for (pid_t child : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
  }
  RegistryFile registry(registryPath());
  RegistryKey key = registry.createKey(kKey);
  // The flags, the request count and the foreign value.
  EXPECT_EQ(key.valueCount(), kFlags.size() + 2);
  EXPECT_EQ(key.queryDword("Foreign"), 77U);
  for (const Flag& flag : kFlags) {
    const std::optional<std::uint32_t> value = key.queryDword(flag.name);
    EXPECT_TRUE(value == 0U || value == 1U) << flag.name;
  }
}

}  // namespace
