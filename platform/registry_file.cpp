#include "platform/registry_file.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <system_error>
#include <utility>
#include <vector>

#include <pwd.h>
#include <unistd.h>

#include "platform/advisory_lock.h"
#include "platform/file_access.h"

namespace quillorn::platform {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kHeader = "REGEDIT4";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::array<std::string_view, 5> kRootKeys = {"HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER", "HKEY_CLASSES_ROOT",
                                                       "HKEY_USERS", "HKEY_CURRENT_CONFIG"};
constexpr std::uint32_t kDwordType = 4;  // REG_DWORD, as "hex(4):" spells it

// ---------------------------------------------------------------- text helpers

char foldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (foldCase(a[i]) != foldCase(b[i])) return false;
  }
  return true;
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && equalsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Control bytes other than tab never occur in a file this program would write;
// a line holding one is damage and is dropped whole.
bool hasControlBytes(std::string_view text) {
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte < 0x20 && c != '\t') || byte == 0x7F) return true;
  }
  return false;
}

int hexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The number that 1 to maxDigits hex digits spell; nothing for anything else.
std::optional<std::uint32_t> parseHexNumber(std::string_view digits, std::size_t maxDigits) {
  if (digits.empty() || digits.size() > maxDigits) return std::nullopt;
  std::uint32_t number = 0;
  for (char c : digits) {
    const int digit = hexDigitValue(c);
    if (digit < 0) return std::nullopt;
    number = (number << 4) | static_cast<std::uint32_t>(digit);
  }
  return number;
}

bool allHexDigits(std::string_view text) {
  for (char c : text) {
    if (hexDigitValue(c) < 0) return false;
  }
  return true;
}

// -------------------------------------------------------------- the file model

struct Value {
  std::string name;                // unescaped; empty for the default value "@"
  std::string data;                // text after "=", continuation lines joined
  std::vector<std::string> lines;  // the lines as they stand in the file
};

struct Section {
  std::string path;  // as spelled in the file
  std::vector<Value> values;
};

struct Document {
  std::vector<Section> sections;
};

// True when path is a root key ("HKEY_...") followed by at least one name and
// no name is empty.
bool isKeyPath(std::string_view path) {
  if (path.empty() || hasControlBytes(path)) return false;
  const std::size_t firstSeparator = path.find('\\');
  if (firstSeparator == std::string_view::npos) return false;
  const std::string_view root = path.substr(0, firstSeparator);
  bool knownRoot = false;
  for (std::string_view candidate : kRootKeys) knownRoot = knownRoot || equalsIgnoringCase(root, candidate);
  if (!knownRoot) return false;
  std::size_t start = firstSeparator + 1;
  while (true) {
    const std::size_t end = path.find('\\', start);
    const std::size_t length = (end == std::string_view::npos ? path.size() : end) - start;
    if (length == 0) return false;
    if (end == std::string_view::npos) return true;
    start = end + 1;
  }
}

// True when child names a key somewhere below parent.
bool isBelow(std::string_view child, std::string_view parent) {
  return child.size() > parent.size() + 1 && child[parent.size()] == '\\' &&
         equalsIgnoringCase(child.substr(0, parent.size()), parent);
}

// The section of the key, const or not as the document is.
template <typename DocumentType>
auto* findSection(DocumentType& document, std::string_view path) {
  using Pointer = decltype(&document.sections.front());
  for (auto& section : document.sections) {
    if (equalsIgnoringCase(section.path, path)) return Pointer{&section};
  }
  return Pointer{nullptr};
}

bool hasSubkeys(const Document& document, std::string_view path) {
  for (const Section& section : document.sections) {
    if (isBelow(section.path, path)) return true;
  }
  return false;
}

bool keyExistsIn(const Document& document, std::string_view path) {
  return findSection(document, path) != nullptr || hasSubkeys(document, path);
}

template <typename SectionType>
auto* findValue(SectionType& section, std::string_view name) {
  using Pointer = decltype(&section.values.front());
  for (auto& value : section.values) {
    if (equalsIgnoringCase(value.name, name)) return Pointer{&value};
  }
  return Pointer{nullptr};
}

// ------------------------------------------------------------------- parsing

// Reads a quoted text starting at text[pos] == '"' with the .reg escapes \\ and
// \"; leaves pos after the closing quote. Nothing when there is no closing quote.
std::optional<std::string> readQuoted(std::string_view text, std::size_t& pos) {
  std::string result;
  for (std::size_t i = pos + 1; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"') {
      pos = i + 1;
      return result;
    }
    if (c == '\\' && i + 1 < text.size() && (text[i + 1] == '\\' || text[i + 1] == '"')) {
      result += text[++i];
    } else {
      result += c;
    }
  }
  return std::nullopt;
}

std::string quoted(std::string_view text) {
  std::string result = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') result += '\\';
    result += c;
  }
  result += '"';
  return result;
}

// The bytes of a "hex:" list ("aa,bb,cc"); nothing when an item is not one or
// two hex digits. An empty list is zero bytes.
std::optional<std::vector<std::uint8_t>> parseByteList(std::string_view list) {
  std::vector<std::uint8_t> bytes;
  if (trimmed(list).empty()) return bytes;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = list.find(',', start);
    const std::string_view item =
        trimmed(list.substr(start, comma == std::string_view::npos ? list.npos : comma - start));
    const std::optional<std::uint32_t> byte = parseHexNumber(item, 2);
    if (!byte) return std::nullopt;
    bytes.push_back(static_cast<std::uint8_t>(*byte));
    if (comma == std::string_view::npos) return bytes;
    start = comma + 1;
  }
}

// For "hex:" and "hex(N):" data: the type number (3, REG_BINARY, for plain
// "hex:") and where the byte list starts. Nothing for other data.
std::optional<std::pair<std::uint32_t, std::size_t>> parseHexPrefix(std::string_view data) {
  if (startsWithIgnoringCase(data, "hex:")) return std::pair<std::uint32_t, std::size_t>{3, 4};
  if (!startsWithIgnoringCase(data, "hex(")) return std::nullopt;
  const std::size_t close = data.find("):", 4);
  if (close == std::string_view::npos) return std::nullopt;
  const std::optional<std::uint32_t> type = parseHexNumber(data.substr(4, close - 4), 8);
  if (!type) return std::nullopt;
  return std::pair<std::uint32_t, std::size_t>{*type, close + 2};
}

// True when the data after "=" is a value this reader understands in form,
// whether or not it can be read as a dword.
bool isWellFormedData(std::string_view data) {
  if (data.empty()) return false;
  if (data.front() == '"') {
    std::size_t pos = 0;
    return readQuoted(data, pos).has_value() && trimmed(data.substr(pos)).empty();
  }
  if (startsWithIgnoringCase(data, "dword:")) {
    const std::string_view digits = data.substr(6);
    return !digits.empty() && allHexDigits(digits);
  }
  if (const auto prefix = parseHexPrefix(data)) return parseByteList(data.substr(prefix->second)).has_value();
  return false;
}

std::optional<std::uint32_t> readDword(std::string_view data) {
  if (startsWithIgnoringCase(data, "dword:")) return parseHexNumber(data.substr(6), 8);
  const auto prefix = parseHexPrefix(data);
  if (!prefix || prefix->first != kDwordType) return std::nullopt;
  const auto bytes = parseByteList(data.substr(prefix->second));
  if (!bytes || bytes->size() != 4) return std::nullopt;
  return static_cast<std::uint32_t>((*bytes)[0]) | (static_cast<std::uint32_t>((*bytes)[1]) << 8) |
         (static_cast<std::uint32_t>((*bytes)[2]) << 16) | (static_cast<std::uint32_t>((*bytes)[3]) << 24);
}

// A value as this program writes it: "Name"=dword:0000000a.
Value dwordValue(std::string_view name, std::uint32_t number) {
  static constexpr std::string_view kDigits = "0123456789abcdef";
  Value value{std::string(name), "dword:", {}};
  for (int shift = 28; shift >= 0; shift -= 4) value.data += kDigits[(number >> shift) & 0xFU];
  value.lines.push_back((name.empty() ? std::string("@") : quoted(name)) + "=" + value.data);
  return value;
}

std::vector<std::string_view> splitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

// Lines starting with one of these begin something new; a hex continuation
// that meets one was cut short.
bool beginsEntry(std::string_view trimmedLine) {
  return !trimmedLine.empty() &&
         (trimmedLine.front() == '[' || trimmedLine.front() == '"' || trimmedLine.front() == '@');
}

// Parses the value that starts at lines[index]; advances index past its last
// line (continuations included). Nothing when the value is damaged.
std::optional<Value> parseValue(const std::vector<std::string_view>& lines, std::size_t& index) {
  const std::string_view first = lines[index];
  ++index;
  const std::string_view text = trimmed(first);
  Value value;
  std::size_t pos = 0;
  if (text.front() == '@') {
    pos = 1;
  } else {
    std::optional<std::string> name = readQuoted(text, pos);
    if (!name) return std::nullopt;
    value.name = std::move(*name);
  }
  while (pos < text.size() && isBlank(text[pos])) ++pos;
  if (pos >= text.size() || text[pos] != '=') return std::nullopt;
  std::string data(trimmed(text.substr(pos + 1)));
  value.lines.emplace_back(first);

  // Hex data may run on over lines ending in "\".
  if (parseHexPrefix(data)) {
    while (!data.empty() && data.back() == '\\') {
      data.pop_back();
      if (index >= lines.size()) return std::nullopt;  // the file ends mid-value
      const std::string_view next = lines[index];
      if (hasControlBytes(next) || beginsEntry(trimmed(next))) return std::nullopt;
      data += trimmed(next);
      value.lines.emplace_back(next);
      ++index;
    }
  }
  if (!isWellFormedData(data)) return std::nullopt;
  value.data = std::move(data);
  return value;
}

std::optional<std::string> parseSectionHeader(std::string_view text) {
  if (text.size() < 2 || text.front() != '[' || text.back() != ']') return std::nullopt;
  const std::string_view path = text.substr(1, text.size() - 2);
  if (!isKeyPath(path)) return std::nullopt;
  return std::string(path);
}

// Reads what can be read and drops the rest: lines before the first section,
// comments, damaged lines and values under a damaged section header. A key
// that appears twice is merged; a value that appears twice keeps the last.
Document parseDocument(std::string_view text) {
  if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) text.remove_prefix(kByteOrderMark.size());
  const std::vector<std::string_view> lines = splitLines(text);
  Document document;
  Section* current = nullptr;
  std::size_t index = 0;
  while (index < lines.size()) {
    const std::string_view line = lines[index];
    const std::string_view content = trimmed(line);
    if (hasControlBytes(line) || content.empty()) {
      ++index;
      continue;
    }
    if (content.front() == '[') {
      ++index;
      current = nullptr;
      if (std::optional<std::string> path = parseSectionHeader(content)) {
        current = findSection(document, *path);
        if (current == nullptr) {
          document.sections.push_back(Section{std::move(*path), {}});
          current = &document.sections.back();
        }
      }
      continue;
    }
    if (content.front() == '"' || content.front() == '@') {
      std::optional<Value> value = parseValue(lines, index);
      if (value && current != nullptr) {
        if (Value* existing = findValue(*current, value->name)) {
          *existing = std::move(*value);
        } else {
          current->values.push_back(std::move(*value));
        }
      }
      continue;
    }
    ++index;  // the "REGEDIT4" header, comments and anything unknown
  }
  return document;
}

std::string formatDocument(const Document& document) {
  std::string text(kHeader);
  text += "\n\n";
  for (const Section& section : document.sections) {
    text += '[';
    text += section.path;
    text += "]\n";
    for (const Value& value : section.values) {
      for (const std::string& line : value.lines) {
        text += line;
        text += '\n';
      }
    }
    text += '\n';
  }
  return text;
}

// ------------------------------------------------------------------ file I/O

// The document the file holds: empty when the file does not exist, nothing
// when it exists but cannot be read.
std::optional<Document> loadDocument(const fs::path& file) {
  std::vector<std::uint8_t> bytes;
  FileStamp stamp;
  switch (readWholeFile(file, bytes, stamp)) {
    case ReadStatus::Read: return parseDocument(std::string(bytes.begin(), bytes.end()));
    case ReadStatus::Missing: return Document{};
    case ReadStatus::Unreadable:
    case ReadStatus::NotRegular:
    case ReadStatus::TooLarge: break;
  }
  return std::nullopt;
}

// Holds an exclusive lock on "<file>.lock" for one read-modify-write. The lock
// file stays behind: removing it would let two writers lock different files.
class WriteLock {
 public:
  explicit WriteLock(const fs::path& file) {
    std::error_code error;
    if (file.has_parent_path()) fs::create_directories(file.parent_path(), error);
    fs::path lockPath = file;
    lockPath += ".lock";
    lock_.take(lockPath, LockMode::Exclusive, true, true);
  }
  bool held() const { return lock_.held(); }

 private:
  AdvisoryLock lock_;
};

enum class Edit { Refuse, Keep, Write };

// Runs one read-modify-write of the file under the write lock. edit sees the
// current document and says whether to refuse, leave the file alone or write
// the changed document back. False when refused or on any I/O failure.
template <typename EditFunction>
bool modifyFile(const fs::path& file, EditFunction edit) {
  const WriteLock lock(file);
  if (!lock.held()) return false;
  std::optional<Document> document = loadDocument(file);
  if (!document) return false;  // never overwrite what could not be read
  switch (edit(*document)) {
    case Edit::Refuse: return false;
    case Edit::Keep: return true;
    case Edit::Write: return replaceWholeFile(file, formatDocument(*document), NewFileLook{}) == 0;
  }
  return false;
}

}  // namespace

// ------------------------------------------------------------------ public API

fs::path defaultRegistryPath() {
  fs::path base;
  const char* configHome = std::getenv("XDG_CONFIG_HOME");
  if (configHome != nullptr && *configHome != '\0' && fs::path(configHome).is_absolute()) {
    base = configHome;
  } else {
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == '\0') {
      const passwd* entry = ::getpwuid(::getuid());
      home = entry != nullptr ? entry->pw_dir : nullptr;
    }
    base = (home != nullptr && *home != '\0') ? fs::path(home) / ".config" : fs::path(".config");
  }
  return base / "Quillorn" / "registry.reg";
}

RegistryKey::RegistryKey(fs::path file, std::string keyPath)
    : file_(std::move(file)), keyPath_(std::move(keyPath)), open_(true) {}

RegistryKey::RegistryKey(RegistryKey&& other) noexcept
    : file_(std::move(other.file_)), keyPath_(std::move(other.keyPath_)), open_(std::exchange(other.open_, false)) {}

RegistryKey& RegistryKey::operator=(RegistryKey&& other) noexcept {
  if (this != &other) {
    file_ = std::move(other.file_);
    keyPath_ = std::move(other.keyPath_);
    open_ = std::exchange(other.open_, false);
  }
  return *this;
}

void RegistryKey::close() { open_ = false; }

// Queries read without the lock: the file is only ever replaced whole by a
// rename, so a reader sees one complete version or the other.
std::optional<std::uint32_t> RegistryKey::queryDword(std::string_view name) const {
  if (!open_) return std::nullopt;
  const std::optional<Document> document = loadDocument(file_);
  if (!document) return std::nullopt;
  const Section* section = findSection(*document, keyPath_);
  const Value* value = section != nullptr ? findValue(*section, name) : nullptr;
  if (value == nullptr) return std::nullopt;
  return readDword(value->data);
}

bool RegistryKey::setDword(std::string_view name, std::uint32_t number) {
  if (!open_ || hasControlBytes(name)) return false;
  return modifyFile(file_, [&](Document& document) {
    Section* section = findSection(document, keyPath_);
    if (section == nullptr) {
      // A key that exists only as the parent of others gets a section now.
      if (!hasSubkeys(document, keyPath_)) return Edit::Refuse;
      document.sections.push_back(Section{keyPath_, {}});
      section = &document.sections.back();
    }
    if (Value* value = findValue(*section, name)) {
      *value = dwordValue(value->name, number);  // the name keeps its first spelling, as in the registry
    } else {
      section->values.push_back(dwordValue(name, number));
    }
    return Edit::Write;
  });
}

bool RegistryKey::deleteValue(std::string_view name) {
  if (!open_) return false;
  return modifyFile(file_, [&](Document& document) {
    Section* section = findSection(document, keyPath_);
    if (section == nullptr) return Edit::Refuse;
    for (auto it = section->values.begin(); it != section->values.end(); ++it) {
      if (equalsIgnoringCase(it->name, name)) {
        section->values.erase(it);
        return Edit::Write;
      }
    }
    return Edit::Refuse;
  });
}

std::optional<std::size_t> RegistryKey::valueCount() const {
  if (!open_) return std::nullopt;
  const std::optional<Document> document = loadDocument(file_);
  if (!document) return std::nullopt;
  if (const Section* section = findSection(*document, keyPath_)) return section->values.size();
  if (hasSubkeys(*document, keyPath_)) return 0;
  return std::nullopt;
}

RegistryFile::RegistryFile(fs::path file) : file_(std::move(file)) {}

RegistryKey RegistryFile::createKey(std::string_view keyPath) {
  if (!isKeyPath(keyPath)) return {};
  // Opening a key that is already there needs no write access.
  if (const std::optional<Document> document = loadDocument(file_); document && keyExistsIn(*document, keyPath)) {
    return RegistryKey(file_, std::string(keyPath));
  }
  const bool ok = modifyFile(file_, [&](Document& document) {
    if (keyExistsIn(document, keyPath)) return Edit::Keep;
    document.sections.push_back(Section{std::string(keyPath), {}});
    return Edit::Write;
  });
  return ok ? RegistryKey(file_, std::string(keyPath)) : RegistryKey();
}

bool RegistryFile::deleteKey(std::string_view keyPath) {
  if (!isKeyPath(keyPath)) return false;
  return modifyFile(file_, [&](Document& document) {
    if (hasSubkeys(document, keyPath)) return Edit::Refuse;
    for (auto it = document.sections.begin(); it != document.sections.end(); ++it) {
      if (equalsIgnoringCase(it->path, keyPath)) {
        document.sections.erase(it);
        return Edit::Write;
      }
    }
    return Edit::Refuse;
  });
}

bool RegistryFile::keyExists(std::string_view keyPath) const {
  if (!isKeyPath(keyPath)) return false;
  const std::optional<Document> document = loadDocument(file_);
  return document && keyExistsIn(*document, keyPath);
}

}  // namespace quillorn::platform
