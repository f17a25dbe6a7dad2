#include "core/text/url_transforms.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

#include "core/text/ascii.h"
#include "platform/code_page.h"

namespace quillorn {

namespace {

struct Entity {
  std::string_view name;  // with its '&' and closing ';'
  char32_t code;          // its character (ISO 8859-1)
};

// The entities decodeUrl knows, in the order it tries them: the HTML 4 Latin-1
// set in code order (0xA0 to 0xFF), then the four markup characters.
constexpr std::array<Entity, 100> kEntities{{
    {"&nbsp;", 0xA0},   {"&iexcl;", 0xA1},  {"&cent;", 0xA2},   {"&pound;", 0xA3},  {"&curren;", 0xA4},
    {"&yen;", 0xA5},    {"&brvbar;", 0xA6}, {"&sect;", 0xA7},   {"&uml;", 0xA8},    {"&copy;", 0xA9},
    {"&ordf;", 0xAA},   {"&laquo;", 0xAB},  {"&not;", 0xAC},    {"&shy;", 0xAD},    {"&reg;", 0xAE},
    {"&macr;", 0xAF},   {"&deg;", 0xB0},    {"&plusmn;", 0xB1}, {"&sup2;", 0xB2},   {"&sup3;", 0xB3},
    {"&acute;", 0xB4},  {"&micro;", 0xB5},  {"&para;", 0xB6},   {"&middot;", 0xB7}, {"&cedil;", 0xB8},
    {"&sup1;", 0xB9},   {"&ordm;", 0xBA},   {"&raquo;", 0xBB},  {"&frac14;", 0xBC}, {"&frac12;", 0xBD},
    {"&frac34;", 0xBE}, {"&iquest;", 0xBF}, {"&Agrave;", 0xC0}, {"&Aacute;", 0xC1}, {"&Acirc;", 0xC2},
    {"&Atilde;", 0xC3}, {"&Auml;", 0xC4},   {"&Aring;", 0xC5},  {"&AElig;", 0xC6},  {"&Ccedil;", 0xC7},
    {"&Egrave;", 0xC8}, {"&Eacute;", 0xC9}, {"&Ecirc;", 0xCA},  {"&Euml;", 0xCB},   {"&Igrave;", 0xCC},
    {"&Iacute;", 0xCD}, {"&Icirc;", 0xCE},  {"&Iuml;", 0xCF},   {"&ETH;", 0xD0},    {"&Ntilde;", 0xD1},
    {"&Ograve;", 0xD2}, {"&Oacute;", 0xD3}, {"&Ocirc;", 0xD4},  {"&Otilde;", 0xD5}, {"&Ouml;", 0xD6},
    {"&times;", 0xD7},  {"&Oslash;", 0xD8}, {"&Ugrave;", 0xD9}, {"&Uacute;", 0xDA}, {"&Ucirc;", 0xDB},
    {"&Uuml;", 0xDC},   {"&Yacute;", 0xDD}, {"&THORN;", 0xDE},  {"&szlig;", 0xDF},  {"&agrave;", 0xE0},
    {"&aacute;", 0xE1}, {"&acirc;", 0xE2},  {"&atilde;", 0xE3}, {"&auml;", 0xE4},   {"&aring;", 0xE5},
    {"&aelig;", 0xE6},  {"&ccedil;", 0xE7}, {"&egrave;", 0xE8}, {"&eacute;", 0xE9}, {"&ecirc;", 0xEA},
    {"&euml;", 0xEB},   {"&igrave;", 0xEC}, {"&iacute;", 0xED}, {"&icirc;", 0xEE},  {"&iuml;", 0xEF},
    {"&eth;", 0xF0},    {"&ntilde;", 0xF1}, {"&ograve;", 0xF2}, {"&oacute;", 0xF3}, {"&ocirc;", 0xF4},
    {"&otilde;", 0xF5}, {"&ouml;", 0xF6},   {"&divide;", 0xF7}, {"&oslash;", 0xF8}, {"&ugrave;", 0xF9},
    {"&uacute;", 0xFA}, {"&ucirc;", 0xFB},  {"&uuml;", 0xFC},   {"&yacute;", 0xFD}, {"&thorn;", 0xFE},
    {"&yuml;", 0xFF},   {"&quot;", 0x22},   {"&amp;", 0x26},    {"&lt;", 0x3C},     {"&gt;", 0x3E},
}};

constexpr std::size_t longestEntityName() {
  std::size_t longest = 0;
  for (const Entity& e : kEntities) longest = e.name.size() > longest ? e.name.size() : longest;
  return longest;
}

constexpr std::size_t kLongestEntityName = longestEntityName();

// Each name is '&', a non-empty run without ';' or '&', then ';'. So no name is
// a prefix of another, at most one name matches at any position, and looking
// for the name that occurs first amounts to trying each '&' from left to right.
constexpr bool entityNamesWellFormed() {
  for (const Entity& e : kEntities) {
    if (e.name.size() < 3 || e.name.front() != '&' || e.name.back() != ';') return false;
    for (std::size_t i = 1; i + 1 < e.name.size(); ++i) {
      if (e.name[i] == ';' || e.name[i] == '&') return false;
    }
  }
  for (std::size_t i = 0; i < kEntities.size(); ++i) {
    for (std::size_t j = i + 1; j < kEntities.size(); ++j) {
      if (kEntities[i].name == kEntities[j].name) return false;
    }
  }
  return true;
}

constexpr bool latinEntitiesInCodeOrder() {
  for (std::size_t i = 0; i < 96; ++i) {
    if (kEntities[i].code != 0xA0 + i) return false;
  }
  return true;
}

static_assert(entityNamesWellFormed());
static_assert(latinEntitiesInCodeOrder());

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  const char upper = asciiUpper(c);
  if (upper >= 'A' && upper <= 'F') return upper - 'A' + 10;
  return -1;
}

int decimalValue(char c) { return c >= '0' && c <= '9' ? c - '0' : -1; }

constexpr char32_t kReplacementCharacter = 0xFFFD;
constexpr char32_t kLastCodePoint = 0x10FFFF;

// The character a browser takes a numeric reference to stand for: no
// character (0), a surrogate or a number beyond Unicode stand for U+FFFD, and
// 128 to 159 for the Windows-1252 characters of those bytes.
char32_t referencedCharacter(char32_t number) {
  if (number == 0 || number > kLastCodePoint || (number >= 0xD800 && number <= 0xDFFF)) return kReplacementCharacter;
  if (number >= 0x80 && number <= 0x9F) return platform::widenByte(static_cast<std::uint8_t>(number));
  return number;
}

struct NumericReference {
  std::size_t length = 0;  // characters from the '&' on, ';' included; 0: no reference
  char32_t character = 0;
};

// The numeric reference at `pos` (which holds '&'): "&#" and decimal digits,
// or "&#x" (or "&#X") and hexadecimal digits, then an optional ';', which
// browsers do not insist on.
NumericReference numericReferenceAt(std::string_view text, std::size_t pos) {
  std::size_t p = pos + 1;
  if (p >= text.size() || text[p] != '#') return {};
  ++p;
  const bool hex = p < text.size() && (text[p] == 'x' || text[p] == 'X');
  if (hex) ++p;
  const std::size_t digits = p;
  char32_t number = 0;
  for (; p < text.size(); ++p) {
    const int digit = hex ? hexValue(text[p]) : decimalValue(text[p]);
    if (digit < 0) break;
    // Once beyond Unicode the number only has to stay there.
    if (number <= kLastCodePoint) number = number * (hex ? 16 : 10) + static_cast<char32_t>(digit);
  }
  if (p == digits) return {};
  if (p < text.size() && text[p] == ';') ++p;
  return {p - pos, referencedCharacter(number)};
}

// The entity whose name starts at `pos` (which holds '&'), or nullptr.
const Entity* entityAt(std::string_view text, std::size_t pos) {
  const std::size_t limit = std::min(text.size(), pos + kLongestEntityName);
  std::size_t end = pos + 1;
  while (end < limit && text[end] != ';' && text[end] != '&') ++end;
  if (end >= limit || text[end] != ';') return nullptr;
  const std::string_view candidate = text.substr(pos, end - pos + 1);
  for (const Entity& e : kEntities) {
    if (e.name == candidate) return &e;
  }
  return nullptr;
}

}  // namespace

void decodeCharacterReferences(std::string& text) {
  std::string work;
  std::size_t copied = 0;  // text before this is already in `work`
  bool decodedAny = false;
  for (std::size_t pos = text.find('&'); pos != std::string::npos; pos = text.find('&', pos)) {
    std::string decoded;
    std::size_t length = 0;
    if (const Entity* entity = entityAt(text, pos)) {
      decoded = platform::hostTextOf(entity->code);
      length = entity->name.size();
    } else if (const NumericReference reference = numericReferenceAt(text, pos); reference.length > 0) {
      // A character the working text cannot hold keeps its reference.
      decoded = platform::hostTextOf(reference.character);
      length = reference.length;
    }
    if (decoded.empty()) {
      pos += length > 0 ? length : 1;
      continue;
    }
    if (!decodedAny) {
      work.reserve(text.size());
      decodedAny = true;
    }
    work.append(text, copied, pos - copied);
    work.append(decoded);
    pos += length;
    copied = pos;
  }
  if (!decodedAny) return;
  work.append(text, copied, std::string::npos);
  text.swap(work);
}

// Compacts the text over itself: every escape is three bytes read and one written.
// A '%' without two hexadecimal digits after it is kept as an ordinary byte.
void decodePercentEscapes(std::string& text) {
  std::size_t write = 0;
  std::size_t read = 0;
  while (read < text.size()) {
    if (text[read] == '%' && read + 2 < text.size()) {
      const int high = hexValue(text[read + 1]);
      const int low = hexValue(text[read + 2]);
      if (high >= 0 && low >= 0) {
        const int byte = high * 16 + low;
        // A stored zero byte ends a zero-terminated text, so "%00" cuts it here.
        if (byte == 0) {
          text.resize(write);
          return;
        }
        text[write++] = static_cast<char>(byte);
        read += 3;
        continue;
      }
    }
    text[write++] = text[read++];
  }
  text.resize(write);
}

namespace {

bool isSeparator(char c) { return c == '\\' || c == '/'; }

bool endsWithSeparator(std::string_view text) { return !text.empty() && isSeparator(text.back()); }

bool startsAndEndsWithQuote(std::string_view text) {
  return text.size() >= 2 && text.front() == '"' && text.back() == '"';
}

}  // namespace

SplitPathResult splitPath(std::string_view path) {
  std::size_t separator = path.rfind('\\');
  if (separator == std::string_view::npos) separator = path.rfind('/');
  if (separator == std::string_view::npos) return {std::string(), std::string(path)};
  SplitPathResult result{std::string(path.substr(0, separator)), std::string(path.substr(separator + 1))};
  // The folder of a file at a drive root is the root itself, not the bare drive.
  if (!result.folder.empty() && result.folder.back() == ':') result.folder.push_back('\\');
  return result;
}

SplitFragmentResult splitFragment(std::string_view url) {
  const std::size_t hash = url.find('#');
  if (hash == std::string_view::npos) return {std::string(url), std::string()};
  return {std::string(url.substr(0, hash)), std::string(url.substr(hash))};
}

void convertSeparators(std::string& text, SeparatorMode mode) {
  const std::size_t scheme = text.find("://");
  if (scheme != std::string::npos) {
    // After "://" a drive is written "C|" and the path keeps Windows separators,
    // whichever way the caller is converting.
    for (std::size_t i = scheme + 3; i < text.size(); ++i) {
      if (text[i] == ':') {
        text[i] = '|';
      } else if (text[i] == '/') {
        text[i] = '\\';
      }
    }
    return;
  }
  for (char& c : text) {
    if (mode == SeparatorMode::Windows) {
      if (c == '|') {
        c = ':';
      } else if (c == '/') {
        c = '\\';
      }
    } else {
      if (c == ':') {
        c = '|';
      } else if (c == '\\') {
        c = '/';
      }
    }
  }
}

void appendPercentEscape(unsigned char byte, std::string& out) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  out.push_back('%');
  out.push_back(kHex[byte >> 4]);
  out.push_back(kHex[byte & 0x0F]);
}

void decodeUrl(std::string& text) {
  // Entities go first, so an entity spelled with escapes ("%26amp;") stays as written.
  decodeCharacterReferences(text);
  decodePercentEscapes(text);
}

std::string makeRelativePath(std::string_view target, std::string_view baseFile, SeparatorMode mode) {
  constexpr std::string_view kFileScheme = "file://";
  // Only "file://" URLs and quoted texts are paths; other URLs are left alone.
  const bool fileUrl = target.substr(0, kFileScheme.size()) == kFileScheme ||
                       (target.size() > 1 && target.substr(1, kFileScheme.size()) == kFileScheme);
  const bool touchesQuote = !target.empty() && (target.front() == '"' || target.back() == '"');
  if (target.find("://") != std::string_view::npos && !fileUrl && !touchesQuote) return std::string(target);

  const bool quoted = startsAndEndsWithQuote(target);
  if (quoted) target = target.substr(1, target.size() - 2);
  if (target.substr(0, kFileScheme.size()) == kFileScheme) target.remove_prefix(kFileScheme.size());

  const char separator = mode == SeparatorMode::Windows ? '\\' : '/';
  const std::string_view upStep = mode == SeparatorMode::Windows ? "..\\" : "../";

  std::string baseFolder = splitPath(baseFile).folder;
  SplitPathResult targetParts = splitPath(target);
  std::string& targetFolder = targetParts.folder;
  convertSeparators(baseFolder, mode);
  convertSeparators(targetFolder, mode);
  // An empty folder stays empty: a base without a folder has nothing to be
  // relative to, and a bare target name must not pose as the root folder.
  if (!baseFolder.empty() && !endsWithSeparator(baseFolder)) baseFolder.push_back(separator);
  if (!targetFolder.empty() && !endsWithSeparator(targetFolder)) targetFolder.push_back(separator);

  std::size_t equal = 0;
  std::size_t common = 0;
  if (!baseFolder.empty()) {
    while (equal < baseFolder.size() && equal < targetFolder.size() &&
           asciiUpper(baseFolder[equal]) == asciiUpper(targetFolder[equal])) {
      if (isSeparator(baseFolder[equal])) common = equal + 1;
      ++equal;
    }
  }

  std::string result;
  if (quoted) result.push_back('"');
  if (equal > 0) {
    const std::size_t start = result.size();
    for (std::size_t i = common; i < baseFolder.size(); ++i) {
      if (isSeparator(baseFolder[i])) result.append(upStep);
    }
    result.append(targetFolder, common, std::string::npos);
    if (result.size() > start && !endsWithSeparator(result)) result.push_back(separator);
    result.append(targetParts.name);
    if (quoted) result.push_back('"');
    return result;
  }

  // No folder in common (another drive, or no base folder): an absolute form.
  if (mode == SeparatorMode::Url) result.append(kFileScheme);
  result.append(target);
  if (quoted) result.push_back('"');
  convertSeparators(result, mode);
  return result;
}

}  // namespace quillorn
