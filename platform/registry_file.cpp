#include "platform/registry_file.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <system_error>
#include <unordered_map>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
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
constexpr int kMostLinksFollowed = 40;   // as many as the kernel follows in one path

// ---------------------------------------------------------------- text helpers

char foldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// The text with A-Z made a-z: the form names are looked up by.
std::string folded(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = foldCase(c);
  return result;
}

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
// a line holding one is not read (and is kept as it stands).
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

// -------------------------------------------------------------- the file model

// One value, or lines this reader cannot read, in the order of the file.
struct Item {
  bool isValue = false;
  bool removed = false;
  std::string name;  // a value's name, unescaped; empty for the default value "@"
  std::string data;  // a value's text after "=", continuation lines joined
  std::string text;  // the lines as they stand in the file, each ending in "\n"
};

// A section: a key's header and what stands under it, or a header this reader
// cannot read, kept with the lines under it.
struct Block {
  std::string leading;  // unread lines before the header, each ending in "\n"
  std::string tail;     // the last section's: unread lines at the end of the file
  std::string header;   // a key: its path as spelled; otherwise the header line as it stands
  bool isKey = false;
  bool removed = false;
  bool hasUnreadLines = false;  // a key that holds lines this reader cannot read
  std::vector<Item> items;
  std::unordered_map<std::string, std::size_t> values;  // folded name: index into items, live values only
};

struct Document {
  std::string preamble;  // a file without sections: its unread lines
  std::vector<Block> blocks;
  std::unordered_map<std::string, std::size_t> keys;  // folded path: index into blocks, live keys only
};

const Block* findKey(const Document& document, std::string_view path) {
  const auto found = document.keys.find(folded(path));
  return found != document.keys.end() ? &document.blocks[found->second] : nullptr;
}

Block* findKey(Document& document, std::string_view path) {
  return const_cast<Block*>(findKey(std::as_const(document), path));
}

bool hasSubkeys(const Document& document, std::string_view path) {
  for (const Block& block : document.blocks) {
    if (block.isKey && !block.removed && isBelow(block.header, path)) return true;
  }
  return false;
}

bool keyExistsIn(const Document& document, std::string_view path) {
  return findKey(document, path) != nullptr || hasSubkeys(document, path);
}

Block& addBlock(Document& document, Block block) {
  if (block.isKey) document.keys.emplace(folded(block.header), document.blocks.size());
  document.blocks.push_back(std::move(block));
  return document.blocks.back();
}

Block& addKey(Document& document, std::string_view path) {
  Block block;
  block.header = std::string(path);
  block.isKey = true;
  return addBlock(document, std::move(block));
}

const Item* findValue(const Block& block, std::string_view name) {
  const auto found = block.values.find(folded(name));
  return found != block.values.end() ? &block.items[found->second] : nullptr;
}

Item* findValue(Block& block, std::string_view name) {
  return const_cast<Item*>(findValue(std::as_const(block), name));
}

void appendUnreadLines(Block& block, std::string lines) {
  Item item;
  item.text = std::move(lines);
  block.items.push_back(std::move(item));
  block.hasUnreadLines = true;
}

void appendValue(Block& block, Item value) {
  block.values.emplace(folded(value.name), block.items.size());
  block.items.push_back(std::move(value));
}

void removeValue(Block& block, std::string_view name) {
  const auto found = block.values.find(folded(name));
  if (found == block.values.end()) return;
  block.items[found->second].removed = true;
  block.values.erase(found);
}

void removeKey(Document& document, Block& block) {
  block.removed = true;
  document.keys.erase(folded(block.header));
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
Item dwordValue(std::string_view name, std::uint32_t number) {
  static constexpr std::string_view kDigits = "0123456789abcdef";
  Item value;
  value.isValue = true;
  value.name = std::string(name);
  value.data = "dword:";
  for (int shift = 28; shift >= 0; shift -= 4) value.data += kDigits[(number >> shift) & 0xFU];
  value.text = (name.empty() ? std::string("@") : quoted(name)) + "=" + value.data + "\n";
  return value;
}

// Stores the dword, in the place and with the spelling of a value of the same
// name when there is one.
void putDword(Block& block, std::string_view name, std::uint32_t number) {
  if (Item* value = findValue(block, name)) {
    *value = dwordValue(value->name, number);
  } else {
    appendValue(block, dwordValue(name, number));
  }
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
// line (continuations included), also when the value is damaged (nothing then).
std::optional<Item> parseValue(const std::vector<std::string_view>& lines, std::size_t& index) {
  const std::string_view first = lines[index];
  ++index;
  const std::string_view text = trimmed(first);
  Item value;
  value.isValue = true;
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
  value.text.append(first).append("\n");

  // Hex data may run on over lines ending in "\".
  if (parseHexPrefix(data)) {
    while (!data.empty() && data.back() == '\\') {
      data.pop_back();
      if (index >= lines.size()) return std::nullopt;  // the file ends mid-value
      const std::string_view next = lines[index];
      if (hasControlBytes(next) || beginsEntry(trimmed(next))) return std::nullopt;
      data += trimmed(next);
      value.text.append(next).append("\n");
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

void appendLines(std::string& to, const std::vector<std::string_view>& lines, std::size_t from, std::size_t end) {
  for (std::size_t i = from; i < end; ++i) to.append(lines[i]).append("\n");
}

// Reads what can be read and keeps the rest as it stands: lines this reader
// cannot read stay where they are, those at the end of a section before the
// next header (where comments on the next section stand), those at the end of
// the file at its end. A header that cannot be read keeps the lines under it,
// unread. A key that appears twice is merged; a value that appears twice keeps
// the last. Blank lines and the "REGEDIT4" header are layout, which writing
// makes afresh (a blank line that a damaged value's continuation took in stays
// with it).
Document parseDocument(std::string_view text) {
  if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) text.remove_prefix(kByteOrderMark.size());
  const std::vector<std::string_view> lines = splitLines(text);
  Document document;
  constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  std::size_t current = kNone;  // the block the lines belong to
  std::string unread;           // unread lines not yet placed
  bool headerLine = true;       // the next line with content may be "REGEDIT4"
  std::size_t index = 0;
  while (index < lines.size()) {
    const std::string_view line = lines[index];
    const std::string_view content = trimmed(line);
    if (content.empty()) {
      ++index;
      continue;
    }
    if (std::exchange(headerLine, false) && content == kHeader) {
      ++index;
      continue;
    }
    const bool inKey = current != kNone && document.blocks[current].isKey;
    if (!hasControlBytes(line) && content.front() == '[') {
      ++index;
      if (std::optional<std::string> path = parseSectionHeader(content)) {
        if (Block* existing = findKey(document, *path)) {
          if (!unread.empty()) appendUnreadLines(*existing, std::exchange(unread, {}));
          current = static_cast<std::size_t>(existing - document.blocks.data());
          continue;
        }
        Block block;
        block.leading = std::exchange(unread, {});
        block.header = std::move(*path);
        block.isKey = true;
        addBlock(document, std::move(block));
      } else {
        Block block;
        block.leading = std::exchange(unread, {});
        block.header = std::string(line);
        addBlock(document, std::move(block));
      }
      current = document.blocks.size() - 1;
      continue;
    }
    if (inKey && !hasControlBytes(line) && (content.front() == '"' || content.front() == '@')) {
      const std::size_t first = index;
      std::optional<Item> value = parseValue(lines, index);
      Block& block = document.blocks[current];
      if (!value) {
        appendLines(unread, lines, first, index);
        continue;
      }
      if (!unread.empty()) appendUnreadLines(block, std::exchange(unread, {}));
      if (Item* existing = findValue(block, value->name)) {
        *existing = std::move(*value);
      } else {
        appendValue(block, std::move(*value));
      }
      continue;
    }
    // A line this reader cannot read. Under a header it cannot read, it stays
    // with that header.
    ++index;
    if (current != kNone && !inKey) {
      Block& block = document.blocks[current];
      if (block.items.empty()) block.items.emplace_back();
      block.items.back().text.append(line).append("\n");
    } else {
      unread.append(line).append("\n");
    }
  }
  (document.blocks.empty() ? document.preamble : document.blocks.back().tail) = std::move(unread);
  return document;
}

std::string formatDocument(const Document& document, std::size_t sizeHint) {
  std::string text;
  text.reserve(sizeHint + 64);
  text.append(kHeader).append("\n\n");
  text += document.preamble;
  for (const Block& block : document.blocks) {
    // What stands around a deleted key stays.
    text += block.leading;
    if (!block.removed) {
      if (block.isKey) {
        text.append("[").append(block.header).append("]\n");
      } else {
        text.append(block.header).append("\n");
      }
      for (const Item& item : block.items) {
        if (!item.removed) text += item.text;
      }
      text += '\n';
    }
    text += block.tail;
  }
  return text;
}

// ------------------------------------------------------------------ changes

// One change made through the file's keys, kept until it is written so that
// it can be made again on what the file holds by then.
struct Change {
  enum class Kind { CreateKey, SetDword, DeleteValue, DeleteKey };
  Kind kind = Kind::CreateKey;
  std::string keyPath;
  std::string name;
  std::uint32_t number = 0;
};

// Makes the change again on a document another program may have written. A
// key that has gone meanwhile is made again for a value set in it: the value
// is what this program means to store.
void replay(Document& document, const Change& change) {
  Block* block = findKey(document, change.keyPath);
  switch (change.kind) {
    case Change::Kind::CreateKey:
      if (!keyExistsIn(document, change.keyPath)) addKey(document, change.keyPath);
      return;
    case Change::Kind::SetDword:
      putDword(block != nullptr ? *block : addKey(document, change.keyPath), change.name, change.number);
      return;
    case Change::Kind::DeleteValue:
      if (block != nullptr) removeValue(*block, change.name);
      return;
    case Change::Kind::DeleteKey:
      if (block != nullptr && !block->hasUnreadLines && !hasSubkeys(document, change.keyPath)) {
        removeKey(document, *block);
      }
      return;
  }
}

// ------------------------------------------------------------------ file I/O

enum class ReadOutcome { Read, Missing, Failed };

// Reads the file (following links) whole; the read never waits (a FIFO
// opened to read would wait for a writer) and takes a regular file only.
ReadOutcome readRegistryText(const fs::path& file, std::string& text, std::string& reason) {
  text.clear();
  std::vector<std::uint8_t> bytes;
  FileStamp stamp;
  int error = 0;
  switch (readWholeFile(file, bytes, stamp, kMaxReadBytes, &error)) {
    case ReadStatus::Read: text.assign(bytes.begin(), bytes.end()); return ReadOutcome::Read;
    case ReadStatus::Missing: return ReadOutcome::Missing;
    case ReadStatus::NotRegular:
      reason =
          stamp.kind == FileStamp::Kind::Folder ? "it is a folder, not a regular file" : "it is not a regular file";
      return ReadOutcome::Failed;
    case ReadStatus::TooLarge:
      reason = "it is larger than " + std::to_string(kMaxReadBytes >> 20) + " MiB";
      return ReadOutcome::Failed;
    case ReadStatus::Unreadable: reason = errorText(error); return ReadOutcome::Failed;
  }
  return ReadOutcome::Failed;
}

// The name a replacement of `file` must take: `file` itself, or the end of
// the chain of symbolic links that starts at it, so that the links stay links.
// Nothing (with the reason) when the chain cannot be followed.
std::optional<fs::path> replacementTarget(const fs::path& file, std::string& reason) {
  fs::path name = file;
  for (int hop = 0; hop < kMostLinksFollowed; ++hop) {
    struct stat info {};
    if (::lstat(name.c_str(), &info) != 0) {
      if (errno == ENOENT) return name;  // a link to a file yet to be made
      reason = errorText(errno);
      return std::nullopt;
    }
    if (!S_ISLNK(info.st_mode)) return name;
    std::error_code error;
    const fs::path target = fs::read_symlink(name, error);
    if (error) {
      reason = error.message();
      return std::nullopt;
    }
    name = target.is_absolute() ? target : name.parent_path() / target;
  }
  reason = errorText(ELOOP);
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
    if (lock_.take(lockPath, LockMode::Exclusive, true, true) != LockStatus::Taken) {
      reason_ = "its lock file " + lockPath.filename().string() + " cannot be used: " + errorText(errno);
    }
  }
  bool held() const { return lock_.held(); }
  const std::string& reason() const { return reason_; }

 private:
  AdvisoryLock lock_;
  std::string reason_;
};

}  // namespace

// ------------------------------------------------------------------ public API

// What the file held when it was read or last written, and the changes made
// since.
struct RegistryFile::Image {
  Document document;
  std::string text;     // the file's bytes that `document` was read from or written as
  bool exists = false;  // whether there was a file
  std::vector<Change> changes;
};

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

RegistryKey::RegistryKey(RegistryFile* file, std::string keyPath) : file_(file), keyPath_(std::move(keyPath)) {}

RegistryKey::RegistryKey(RegistryKey&& other) noexcept
    : file_(std::exchange(other.file_, nullptr)), keyPath_(std::move(other.keyPath_)) {}

RegistryKey& RegistryKey::operator=(RegistryKey&& other) noexcept {
  if (this != &other) {
    file_ = std::exchange(other.file_, nullptr);
    keyPath_ = std::move(other.keyPath_);
  }
  return *this;
}

void RegistryKey::close() { file_ = nullptr; }

std::optional<std::uint32_t> RegistryKey::queryDword(std::string_view name) const {
  if (file_ == nullptr) return std::nullopt;
  const Block* block = findKey(std::as_const(file_->image_->document), keyPath_);
  const Item* value = block != nullptr ? findValue(*block, name) : nullptr;
  if (value == nullptr) return std::nullopt;
  return readDword(value->data);
}

std::optional<std::string> RegistryKey::queryString(std::string_view name) const {
  if (file_ == nullptr) return std::nullopt;
  const Block* block = findKey(std::as_const(file_->image_->document), keyPath_);
  const Item* value = block != nullptr ? findValue(*block, name) : nullptr;
  if (value == nullptr || value->data.empty() || value->data.front() != '"') return std::nullopt;
  std::size_t pos = 0;
  return readQuoted(value->data, pos);
}

bool RegistryKey::setDword(std::string_view name, std::uint32_t number) {
  if (file_ == nullptr || hasControlBytes(name)) return false;
  RegistryFile::Image& image = *file_->image_;
  Block* block = findKey(image.document, keyPath_);
  if (block == nullptr) {
    // A key that exists only as the parent of others gets a section now.
    if (!hasSubkeys(image.document, keyPath_)) return false;
    block = &addKey(image.document, keyPath_);
  }
  putDword(*block, name, number);  // the name keeps its first spelling, as in the registry
  image.changes.push_back({Change::Kind::SetDword, keyPath_, std::string(name), number});
  return true;
}

bool RegistryKey::deleteValue(std::string_view name) {
  if (file_ == nullptr) return false;
  RegistryFile::Image& image = *file_->image_;
  Block* block = findKey(image.document, keyPath_);
  if (block == nullptr || findValue(*block, name) == nullptr) return false;
  removeValue(*block, name);
  image.changes.push_back({Change::Kind::DeleteValue, keyPath_, std::string(name), 0});
  return true;
}

std::optional<std::size_t> RegistryKey::valueCount() const {
  if (file_ == nullptr) return std::nullopt;
  const Document& document = file_->image_->document;
  if (const Block* block = findKey(document, keyPath_)) return block->values.size();
  if (hasSubkeys(document, keyPath_)) return 0;
  return std::nullopt;
}

RegistryFile::RegistryFile(fs::path file) : file_(std::move(file)) {}

RegistryFile::~RegistryFile() = default;

bool RegistryFile::load() {
  if (image_ != nullptr) return true;
  failureReason_.clear();
  auto image = std::make_unique<Image>();
  switch (readRegistryText(file_, image->text, failureReason_)) {
    case ReadOutcome::Failed: return false;
    case ReadOutcome::Missing: break;
    case ReadOutcome::Read:
      image->exists = true;
      image->document = parseDocument(image->text);
      break;
  }
  image_ = std::move(image);
  return true;
}

RegistryKey RegistryFile::createKey(std::string_view keyPath) {
  if (!isKeyPath(keyPath) || !load()) return {};
  if (!keyExistsIn(image_->document, keyPath)) {
    addKey(image_->document, keyPath);
    image_->changes.push_back({Change::Kind::CreateKey, std::string(keyPath), {}, 0});
  }
  return RegistryKey(this, std::string(keyPath));
}

bool RegistryFile::deleteKey(std::string_view keyPath) {
  if (!isKeyPath(keyPath) || !load()) return false;
  Document& document = image_->document;
  Block* block = findKey(document, keyPath);
  if (block == nullptr || block->hasUnreadLines || hasSubkeys(document, keyPath)) return false;
  removeKey(document, *block);
  image_->changes.push_back({Change::Kind::DeleteKey, std::string(keyPath), {}, 0});
  return true;
}

bool RegistryFile::keyExists(std::string_view keyPath) {
  return isKeyPath(keyPath) && load() && keyExistsIn(image_->document, keyPath);
}

FlushStatus RegistryFile::flush() {
  failureReason_.clear();
  if (image_ == nullptr || image_->changes.empty()) return FlushStatus::Done;
  const WriteLock lock(file_);
  if (!lock.held()) {
    failureReason_ = lock.reason();
    return FlushStatus::Unwritable;
  }
  // Under the lock, what the file holds now: when another program has written
  // it since it was read, the changes are made again on its version.
  std::string text;
  const ReadOutcome outcome = readRegistryText(file_, text, failureReason_);
  if (outcome == ReadOutcome::Failed) return FlushStatus::Unreadable;
  const bool exists = outcome == ReadOutcome::Read;
  std::optional<Document> merged;
  if (exists != image_->exists || text != image_->text) {
    merged = parseDocument(text);
    for (const Change& change : image_->changes) replay(*merged, change);
  }
  const Document& document = merged ? *merged : image_->document;
  std::string written = formatDocument(document, text.size());

  const std::optional<fs::path> target = replacementTarget(file_, failureReason_);
  if (!target) return FlushStatus::Unwritable;
  if (const int error = replaceWholeFile(*target, written, NewFileLook{}); error != 0) {
    failureReason_ = errorText(error);
    return FlushStatus::Unwritable;
  }
  if (merged) image_->document = std::move(*merged);
  image_->text = std::move(written);
  image_->exists = true;
  image_->changes.clear();
  return FlushStatus::Done;
}

}  // namespace quillorn::platform
