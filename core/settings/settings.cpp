#include "core/settings/settings.h"

#include <algorithm>
#include <array>

namespace quillorn {

namespace {

constexpr std::string_view kKeyUnavailableText = "Main - Unable to open a needed registry key!";
constexpr std::string_view kValueNotSetText = "Main - Unable to set a needed registry value!";

struct StoredFlag {
  std::string_view valueName;
  bool Settings::*field;
};

// The stored flags in the order they are read and written.
constexpr std::array<StoredFlag, 13> kStoredFlags = {{
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

// The stored request count and site addresses, which mirror no control.
constexpr std::string_view kInternetConnectionsName = "InternetConnections";
constexpr std::string_view kSiteAddressName = "SiteAddress";

// The blank-separated words of `text` (no address holds a blank).
std::vector<std::string> blankSeparated(std::string_view text) {
  std::vector<std::string> words;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t start = text.find_first_not_of(" \t\r\n", at);
    if (start == std::string_view::npos) break;
    const std::size_t end = std::min(text.find_first_of(" \t\r\n", start), text.size());
    words.emplace_back(text.substr(start, end - start));
    at = end;
  }
  return words;
}

// Every value name the wizard owns, in the order "-uninstall" deletes them:
// the thirteen stored flags, then the thirteen names kept for page 6's choices,
// which no version of the wizard writes but a removal still clears, then the
// request count and the site addresses.
constexpr std::array<std::string_view, 28> kOwnedValueNames = {
    "Step2Chk1",      "Step3Chk1",     "Step3Chk2",
    "Step3Chk3",      "Step3Chk4",     "Step3Chk5",
    "Step3Chk6",      "Step3Chk7",     "Step3Chk8",
    "Step3Chk9",      "Step3Chk10",    "Step3Chk11",
    "Step3Chk12",     "Step6Rad1Btn1", "Step6Rad1Btn2",
    "Step6Rad1Btn3",  "Step6Rad2Btn1", "Step6Rad2Btn2",
    "Step6Rad2Btn3",  "Step6Rad3Btn1", "Step6Rad3Btn2",
    "Step6Rad3Btn3",  "Step6Rad4Btn1", "Step6Rad4Btn2",
    "Step6Chk1",      "Step6Chk2",     kInternetConnectionsName,
    kSiteAddressName,
};

// The box's text, and below it the file and why it failed when the registry
// file says why.
SettingsResult failure(SettingsStatus status, std::string_view text, const platform::RegistryFile& registry) {
  SettingsResult result{status, std::string(text)};
  if (!registry.failureReason().empty()) {
    result.message += '\n';
    result.message += registry.path().string();
    result.message += ": ";
    result.message += registry.failureReason();
  }
  return result;
}

}  // namespace

SettingsResult loadSettings(platform::RegistryFile& registry, Settings& settings) {
  // Defaults first: the page-6 fields always start from them, and a stored
  // flag that cannot be read keeps its default.
  settings = Settings{};
  // A key that is not there yet is made now, so it exists from the first start.
  platform::RegistryKey key = registry.createKey(kSettingsKeyPath);
  if (!key || registry.flush() != platform::FlushStatus::Done) {
    return failure(SettingsStatus::KeyUnavailable, kKeyUnavailableText, registry);
  }
  for (const StoredFlag& flag : kStoredFlags) {
    // Only 0 and 1 are ever stored; anything else set by hand counts as on.
    if (const std::optional<std::uint32_t> stored = key.queryDword(flag.valueName)) {
      settings.*flag.field = *stored != 0;
    }
  }
  if (const std::optional<std::uint32_t> stored = key.queryDword(kInternetConnectionsName)) {
    if (*stored >= 1 && *stored <= kMaxInternetConnections) settings.internetConnections = *stored;
  }
  if (const std::optional<std::string> stored = key.queryString(kSiteAddressName)) {
    settings.siteAddresses = blankSeparated(*stored);
  }
  key.close();
  return {};
}

SettingsResult saveSettings(platform::RegistryFile& registry, const Settings& settings) {
  platform::RegistryKey key = registry.createKey(kSettingsKeyPath);
  if (!key) return failure(SettingsStatus::KeyUnavailable, kKeyUnavailableText, registry);
  for (const StoredFlag& flag : kStoredFlags) {
    if (!key.setDword(flag.valueName, settings.*flag.field ? 1U : 0U)) {
      return failure(SettingsStatus::ValueNotSet, kValueNotSetText, registry);
    }
  }
  if (!key.setDword(kInternetConnectionsName, settings.internetConnections)) {
    return failure(SettingsStatus::ValueNotSet, kValueNotSetText, registry);
  }
  key.close();
  // All of them go to the file in one write, or none does.
  switch (registry.flush()) {
    case platform::FlushStatus::Done: return {};
    case platform::FlushStatus::Unreadable:
      return failure(SettingsStatus::KeyUnavailable, kKeyUnavailableText, registry);
    case platform::FlushStatus::Unwritable: break;
  }
  return failure(SettingsStatus::ValueNotSet, kValueNotSetText, registry);
}

void removeStoredSettings(platform::RegistryFile& registry) {
  platform::RegistryKey key = registry.createKey(kSettingsKeyPath);
  if (!key) return;
  for (std::string_view name : kOwnedValueNames) key.deleteValue(name);  // a missing name is no error
  const std::optional<std::size_t> remaining = key.valueCount();
  key.close();
  // When the count is unknown the key stays: it may hold values of others.
  if (remaining && *remaining == 0) registry.deleteKey(kSettingsKeyPath);
  registry.flush();
}

}  // namespace quillorn
