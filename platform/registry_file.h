#pragma once
// The registry where the host has none: one text file in the .reg export
// format ("REGEDIT4", a blank line, then "[HKEY_LOCAL_MACHINE\Software\Quillorn]"
// sections holding "Name"=dword:00000001 lines). The operations mirror the few
// registry calls the program makes (create or open a key, query, set and delete
// a value, count a key's values, delete a key, close), and like those calls they
// report failure as a value, never by an exception.
//
// A RegistryFile reads the file once, when it is first needed, and answers
// every query from what it read; reading and writing take time linear in the
// file's size. Changes are held until flush(), which writes them all in one
// replacement: under an advisory lock (flock on "<file>.lock" beside it) it
// reads the file again, merges the changes into what another program may have
// written meanwhile, and replaces the file atomically, so programs sharing it
// never see it half written and never lose each other's updates. When the file
// is a symbolic link (or a chain of them), the link stays and the file it leads
// to is replaced, beside itself.
//
// Only a regular file is read: a folder, a FIFO, a device or a file that cannot
// be read is refused without waiting and never written over; failureReason()
// then says why. Lines it cannot read (comments, damaged values, sections under
// a header it cannot read) are written back as they stood, in their place;
// values the program does not write (strings, binary, multi-line hex) are kept
// verbatim. Key paths and value names compare ignoring ASCII letter
// case.
//
// Known limits: one text file stands for the registry; blank lines are laid
// out afresh when it is written; what another program writes after the file
// was read is seen only at the next flush(). A key that holds lines this reader
// cannot read is not deleted (they may be values of someone else's).

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace quillorn::platform {

// $XDG_CONFIG_HOME/Quillorn/registry.reg, or ~/.config/Quillorn/registry.reg
// when XDG_CONFIG_HOME is unset, empty or not absolute.
std::filesystem::path defaultRegistryPath();

class RegistryFile;

// An open key of one RegistryFile, which must outlive it. A closed or
// never-opened handle fails every operation.
class RegistryKey {
 public:
  RegistryKey() = default;
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  RegistryKey(RegistryKey&& other) noexcept;
  RegistryKey& operator=(RegistryKey&& other) noexcept;
  ~RegistryKey() = default;

  bool isOpen() const { return file_ != nullptr; }
  explicit operator bool() const { return isOpen(); }

  // The key path this handle was opened with.
  const std::string& path() const { return keyPath_; }

  // The value's 4 bytes; nothing when the value or the key is missing or the
  // value is not a 4-byte dword ("dword:" with one to eight hex digits, or
  // "hex(4):" with exactly four bytes).
  std::optional<std::uint32_t> queryDword(std::string_view name) const;

  // A string value's text ("Name"="text", its \\ and \" read back); nothing
  // when the value or the key is missing or the value is of another kind.
  std::optional<std::string> queryString(std::string_view name) const;

  // Stores the value as "dword:", replacing a value of the same name whatever
  // its kind; written by the file's next flush(). False when the name cannot be
  // written on one line or the key no longer exists.
  bool setDword(std::string_view name, std::uint32_t value);

  // False when the value does not exist; written by the next flush().
  bool deleteValue(std::string_view name);

  // How many values the key holds (the default value "@" counts as one);
  // nothing when the key no longer exists.
  std::optional<std::size_t> valueCount() const;

  // Ends the handle; later calls fail. Idempotent. Writes nothing: changes
  // wait for the file's flush().
  void close();

 private:
  friend class RegistryFile;
  RegistryKey(RegistryFile* file, std::string keyPath);

  RegistryFile* file_ = nullptr;
  std::string keyPath_;
};

enum class FlushStatus {
  Done,        // every change is in the file (or there was none to write)
  Unreadable,  // what the file holds now could not be read; it was left alone
  Unwritable,  // the file could not be replaced; it holds what it held
};

class RegistryFile {
 public:
  explicit RegistryFile(std::filesystem::path file);
  RegistryFile(const RegistryFile&) = delete;
  RegistryFile& operator=(const RegistryFile&) = delete;
  ~RegistryFile();

  const std::filesystem::path& path() const { return file_; }

  // Opens the key, creating it when missing (written by the next flush(), which
  // also makes the file and its folder). A closed handle when the path is not a
  // key path ("HKEY_..." root followed by at least one non-empty name) or when
  // the file cannot be read.
  RegistryKey createKey(std::string_view keyPath);

  // Removes the key and its values (written by the next flush()). False when
  // the key does not exist, still has subkeys or holds lines this reader cannot
  // read, or the file cannot be read.
  bool deleteKey(std::string_view keyPath);

  // True when the file holds the key, as a section of its own or as the
  // parent of one.
  bool keyExists(std::string_view keyPath);

  // Writes the changes made since the last successful flush, merged into what
  // the file holds by now, in one atomic replacement. Nothing is written when
  // there are no changes. On failure the changes stay held.
  FlushStatus flush();

  // Why the last read or flush failed, for a person: "it is not a regular
  // file", "it is a folder, not a regular file", or the system's text for the
  // error. Empty when it did not fail.
  const std::string& failureReason() const { return failureReason_; }

 private:
  friend class RegistryKey;
  struct Image;

  // Reads and parses the file unless that was done; false (with the reason)
  // when it cannot be read.
  bool load();

  std::filesystem::path file_;
  std::unique_ptr<Image> image_;
  std::string failureReason_;
};

}  // namespace quillorn::platform
