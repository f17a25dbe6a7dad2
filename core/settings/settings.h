#pragma once
// The wizard's options: thirteen stored flags (page 2's check box and page 3's twelve),
// the number of Internet requests a search may have under way at one time
// and the site's own addresses (both stored, shown on no page), and the page-6
// choices, which are never stored. The stored options live under
// HKEY_LOCAL_MACHINE\Software\Quillorn in the registry: the flags and the
// count as 4-byte values, the addresses as the string "SiteAddress".
//
// Known limits: page 6's choices are never stored; a stored flag other than 0
// reads as on; a stored request count out of its range reads as the default;
// the site addresses are read, never written (no page shows them).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/internet_client.h"
#include "platform/registry_file.h"

namespace quillorn {

// The most Internet requests a search may have under way at one time.
inline constexpr std::uint32_t kMaxInternetConnections = 1024;
// The most threads one search may be given.
inline constexpr std::uint32_t kMaxSearchThreads = 256;

// Whether links must match their files' letter case on a fresh machine: as
// the host's file systems do.
#ifdef _WIN32
inline constexpr bool kMatchCaseByDefault = false;
#else
inline constexpr bool kMatchCaseByDefault = true;
#endif

enum class DeletionChoice { Keep, ConvertToText, MakeEmpty, ReplaceWithUrl, MakeEmptyOrDelete };

struct Settings {
  // Stored flags (as 1 or 0), with their defaults for a fresh machine.
  bool includeSubfolders = true;      // "Step2Chk1"
  bool scriptTagStrings = false;      // "Step3Chk1"
  bool scriptProtocolStrings = true;  // "Step3Chk2"
  bool useSavedFromUrl = true;        // "Step3Chk3"
  bool useRelativePaths = true;       // "Step3Chk4"
  bool findReplacements = true;       // "Step3Chk5"
  bool convertCodedChars = true;      // "Step3Chk6"
  bool addHttpPrefix = true;          // "Step3Chk7"
  bool addMailtoPrefix = true;        // "Step3Chk8"
  bool checkInternetUrls = true;      // "Step3Chk9"
  bool ignoreScriptLinks = true;      // "Step3Chk10"
  // A link to a part of a listed page ("page.html#part", "#part") is judged
  // by the anchors of that page too. Off by default: without it every
  // finding is the same as before the option was there.
  bool checkAnchors = false;  // "Step3Chk11"
  // A local link is good only when it names its file with the file's own
  // letter case, as POSIX file systems and the servers on them match names;
  // one that differs in case alone is proposed the exact spelling. Windows
  // matches names ignoring case, so it is off there by default.
  bool matchCase = kMatchCaseByDefault;  // "Step3Chk12"
  // Internet requests under way at one time in a search, 1 to
  // kMaxInternetConnections; 1 checks one URL after another.
  std::uint32_t internetConnections = platform::kDefaultInternetConnections;  // "InternetConnections"
  // Addresses the site is published at ("https://example.org/docs/"): an
  // Internet URL under one of them names a page of the site, found where the
  // address's folder maps onto the folder searched. Stored as one string,
  // the addresses separated by blanks ("SiteAddress").
  std::vector<std::string> siteAddresses;

  // Page 6: set to these defaults at every start, never stored.
  DeletionChoice textLinkAction = DeletionChoice::Keep;
  DeletionChoice imageUrlAction = DeletionChoice::Keep;
  DeletionChoice backgroundUrlAction = DeletionChoice::Keep;
  DeletionChoice otherUrlAction = DeletionChoice::Keep;
  bool deletionRelativePaths = true;
  bool makeBackups = true;
  std::string imageReplacementUrl;
  std::string backgroundReplacementUrl;

  // Threads that read and search the files, never stored: 0 for one per
  // core; 1 searches on the calling thread alone. Whatever the number, the
  // findings, their order and the status lines are the same.
  unsigned searchThreads = 0;
};

// The registry key of the stored options, under HKEY_LOCAL_MACHINE.
inline constexpr std::string_view kSettingsKeyPath = "HKEY_LOCAL_MACHINE\\Software\\Quillorn";

enum class SettingsStatus {
  Ok,
  KeyUnavailable,  // "Main - Unable to open a needed registry key!"
  ValueNotSet,     // "Main - Unable to set a needed registry value!"
};

// What a load or save came to; a failure carries the text of the fatal error
// box ("Emergency Quit") that the wizard shows before it ends with -1: the
// line above, and when the registry file says why, a line below with the
// file's path and the reason ("it is not a regular file", the system's text
// for an error).
struct SettingsResult {
  SettingsStatus status = SettingsStatus::Ok;
  std::string message;
  bool ok() const { return status == SettingsStatus::Ok; }
};

// Opens the key, creating it in the file when missing, and fills every field:
// stored options from their values (the site addresses split at blanks), defaults where a value cannot be read (or,
// for the request count, is out of its range); page-6 fields to their
// defaults. A stored flag other than 0 reads as 1. The registry file is read
// here once; a file that cannot be read (a folder, a FIFO, no permission) fails
// at once and is left as it is.
SettingsResult loadSettings(platform::RegistryFile& registry, Settings& settings);

// Sets the thirteen stored flags in the order "Step2Chk1", "Step3Chk1" ...
// "Step3Chk12", then "InternetConnections", and writes them to the file in
// one replacement: when that fails, none of them is written and the file is
// left as it was.
SettingsResult saveSettings(platform::RegistryFile& registry, const Settings& settings);

// The "-uninstall" removal: deletes the 28 value names of the wizard and then
// the key itself when it holds no other values, in one write. Silent in every
// case.
void removeStoredSettings(platform::RegistryFile& registry);

}  // namespace quillorn
