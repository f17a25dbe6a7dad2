#include "platform/code_page.h"

#include <array>
#include <atomic>
#include <cstdlib>

namespace quillorn::platform {
namespace {

// Windows-1252 bytes 0x80 to 0x9F. The others equal their Unicode code point.
// Written by hand from the code page's published mapping; 0x81, 0x8D, 0x8F,
// 0x90 and 0x9D are undefined there and map to themselves.
constexpr std::array<std::uint16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

constexpr std::array<std::uint16_t, 256> makeWideTable() {
  std::array<std::uint16_t, 256> table{};
  for (unsigned byte = 0; byte < 256; ++byte) {
    table[byte] = (byte >= 0x80 && byte <= 0x9F) ? kHighControls[byte - 0x80] : static_cast<std::uint16_t>(byte);
  }
  return table;
}

constexpr std::array<std::uint16_t, 256> kWideTable = makeWideTable();

}  // namespace

std::uint16_t widenByte(std::uint8_t byte) { return kWideTable[byte]; }

namespace {

// Every code unit's byte, made once from the byte-to-unit table: the scanners
// narrow each UTF-16 character they compare.
const std::array<char, 65536>& narrowTable() {
  static const std::array<char, 65536> table = [] {
    std::array<char, 65536> t{};
    t.fill(kUnmappableChar);
    for (unsigned byte = 0; byte < 256; ++byte) t[kWideTable[byte]] = static_cast<char>(byte);
    return t;
  }();
  return table;
}

}  // namespace

char narrowCodeUnit(std::uint16_t unit) { return narrowTable()[unit]; }

namespace {

HostText initialHostText() {
  if (const char* chosen = std::getenv("QUILLORN_HOST_TEXT")) {
    const std::string_view name = chosen;
    if (name == "windows-1252") return HostText::Windows1252;
    if (name == "utf-8") return HostText::Utf8;
  }
#ifdef _WIN32
  return HostText::Windows1252;
#else
  return HostText::Utf8;
#endif
}

std::atomic<HostText>& currentHostText() {
  static std::atomic<HostText> text{initialHostText()};
  return text;
}

constexpr std::string_view kReplacementCharacterUtf8 = "\xEF\xBF\xBD";

}  // namespace

HostText hostText() { return currentHostText().load(std::memory_order_relaxed); }

void setHostText(HostText text) { currentHostText().store(text, std::memory_order_relaxed); }

void appendUtf8(char32_t codePoint, std::string& out) {
  if (codePoint < 0x80) {
    out.push_back(static_cast<char>(codePoint));
  } else if (codePoint < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
    out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  } else if (codePoint < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
    out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
    out.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  }
}

std::string hostTextOf(char32_t codePoint) {
  if (codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) return {};
  std::string text;
  if (hostText() == HostText::Utf8) {
    appendUtf8(codePoint, text);
    return text;
  }
  if (codePoint > 0xFFFF) return {};
  const char narrow = narrowCodeUnit(static_cast<std::uint16_t>(codePoint));
  if (narrow == kUnmappableChar && codePoint != U'_') return {};
  text.push_back(narrow);
  return text;
}

Utf8Char utf8CharAt(std::string_view text, std::size_t pos) {
  if (pos >= text.size()) return {};
  const auto lead = static_cast<std::uint8_t>(text[pos]);
  std::size_t length = 0;
  char32_t code = 0;
  if (lead < 0x80) return {lead, 1};
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    code = lead & 0x1Fu;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code = lead & 0x0Fu;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    code = lead & 0x07u;
  } else {
    return {};
  }
  if (pos + length > text.size()) return {};
  for (std::size_t k = 1; k < length; ++k) {
    const auto next = static_cast<std::uint8_t>(text[pos + k]);
    if ((next & 0xC0u) != 0x80u) return {};
    code = (code << 6) | (next & 0x3Fu);
  }
  const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
  if (overlong || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return {};
  return {code, length};
}

bool isValidUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = utf8CharAt(text, i).length;
    if (length == 0) return false;
    i += length;
  }
  return true;
}

std::string fromDisplayUtf8(std::string_view text) {
  if (hostText() == HostText::Utf8 || !isValidUtf8(text)) return std::string(text);
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const Utf8Char c = utf8CharAt(text, i);
    if (c.codePoint > 0xFFFF) return std::string(text);
    const char narrow = narrowCodeUnit(static_cast<std::uint16_t>(c.codePoint));
    if (narrow == kUnmappableChar && c.codePoint != U'_') return std::string(text);
    out.push_back(narrow);
    i += c.length;
  }
  return out;
}

std::string toDisplayUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 2);
  if (hostText() == HostText::Utf8) {
    for (std::size_t i = 0; i < text.size();) {
      const std::size_t length = utf8CharAt(text, i).length;
      if (length == 0) {
        out.append(kReplacementCharacterUtf8);
        ++i;
      } else {
        out.append(text, i, length);
        i += length;
      }
    }
    return out;
  }
  for (char c : text) appendUtf8(widenByte(static_cast<std::uint8_t>(c)), out);
  return out;
}

}  // namespace quillorn::platform
