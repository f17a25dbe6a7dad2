#pragma once
// The registry where the host has none: one text file in the .reg export
// format ("REGEDIT4", a blank line, then "[HKEY_LOCAL_MACHINE\Software\Quillorn]"
// sections holding "Name"=dword:00000001 lines). The operations mirror the few
// registry calls the program makes (create or open a key, query, set and delete
// a value, count a key's values, delete a key, close), and like those calls they
// report failure as a value, never by an exception.
//
// Every operation reads the file afresh; every change rewrites it whole under an
// advisory lock (flock on "<file>.lock" beside it) and replaces it atomically, so
// programs sharing the file never see it half written and never lose an update.
// Lines that cannot be parsed are dropped when the file is next written; values
// of kinds the program does not read (strings, binary, multi-line hex) are kept
// verbatim. Key paths and value names compare ignoring ASCII letter case.
//
// Known limits: one text file stands for the registry; comments and lines it
// cannot parse are lost at the next write.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace quillorn::platform {

// $XDG_CONFIG_HOME/Quillorn/registry.reg, or ~/.config/Quillorn/registry.reg
// when XDG_CONFIG_HOME is unset, empty or not absolute.
std::filesystem::path defaultRegistryPath();

class RegistryFile;

// An open key. Closes itself when destroyed; a closed or never-opened handle
// fails every operation.
class RegistryKey {
 public:
  RegistryKey() = default;
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  RegistryKey(RegistryKey&& other) noexcept;
  RegistryKey& operator=(RegistryKey&& other) noexcept;
  ~RegistryKey() = default;

  bool isOpen() const { return open_; }
  explicit operator bool() const { return open_; }

  // The key path this handle was opened with.
  const std::string& path() const { return keyPath_; }

  // The value's 4 bytes; nothing when the value or the key is missing, the
  // file cannot be read, or the value is not a 4-byte dword ("dword:" with one
  // to eight hex digits, or "hex(4):" with exactly four bytes).
  std::optional<std::uint32_t> queryDword(std::string_view name) const;

  // Stores the value as "dword:", replacing a value of the same name whatever
  // its kind. False when the file cannot be read or written or the key no longer
  // exists; the file is then unchanged.
  bool setDword(std::string_view name, std::uint32_t value);

  // False when the value does not exist or the file cannot be rewritten.
  bool deleteValue(std::string_view name);

  // How many values the key holds (the default value "@" counts as one);
  // nothing when the file cannot be read or the key no longer exists.
  std::optional<std::size_t> valueCount() const;

  // Ends the handle; later calls fail. Idempotent.
  void close();

 private:
  friend class RegistryFile;
  RegistryKey(std::filesystem::path file, std::string keyPath);

  std::filesystem::path file_;
  std::string keyPath_;
  bool open_ = false;
};

class RegistryFile {
 public:
  explicit RegistryFile(std::filesystem::path file);

  const std::filesystem::path& path() const { return file_; }

  // Opens the key, creating it (and the file and its folder) when missing; a
  // new key is written at once. A closed handle when the path is not a key path
  // ("HKEY_..." root followed by at least one non-empty name) or when the file
  // cannot be read or written. A file that exists but cannot be read is never
  // overwritten: what it holds is unknown, so the key cannot be opened.
  RegistryKey createKey(std::string_view keyPath);

  // Removes the key and its values. False when the key does not exist, still
  // has subkeys, or the file cannot be read or written.
  bool deleteKey(std::string_view keyPath);

  // True when the file holds the key, as a section of its own or as the
  // parent of one.
  bool keyExists(std::string_view keyPath) const;

 private:
  std::filesystem::path file_;
};

}  // namespace quillorn::platform
