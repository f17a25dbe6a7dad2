#include "cli/terminal_text.h"

#include <cstdint>
#include <cstdio>

namespace quillorn::cli {
namespace {

void appendEscape(std::string& out, const char* format, unsigned value) {
  char escaped[8];
  std::snprintf(escaped, sizeof escaped, format, value);
  out += escaped;
}

// The length of the well-formed UTF-8 sequence at the start of `text` (and its
// code point), or 0 when its first byte begins none.
std::size_t sequenceAt(std::string_view text, std::uint32_t& code) {
  const auto byte = [&text](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
  const std::uint8_t lead = byte(0);
  if (lead < 0x80) {
    code = lead;
    return 1;
  }
  if (lead < 0xC2 || lead > 0xF4) return 0;
  const std::size_t length = lead >= 0xF0 ? 4 : (lead >= 0xE0 ? 3 : 2);
  constexpr std::uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};  // below these a form is over-long
  code = lead & (0x7Fu >> length);
  if (text.size() < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(i) & 0x3Fu);
  }
  // Over-long forms, surrogates and code points beyond Unicode are not UTF-8.
  if (code < kLeast[length] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return 0;
  return length;
}

}  // namespace

std::string terminalText(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t at = 0; at < utf8.size();) {
    std::uint32_t code = 0;
    const std::size_t length = sequenceAt(utf8.substr(at), code);
    if (length == 0) {
      appendEscape(out, "\\x%02x", static_cast<std::uint8_t>(utf8[at]));
      ++at;
      continue;
    }
    if (code == '\n') {
      out += "\\n";
    } else if (code == '\r') {
      out += "\\r";
    } else if (code == '\t') {
      out += "\\t";
    } else if (code < 0x20 || code == 0x7F) {
      appendEscape(out, "\\x%02x", code);
    } else if (code >= 0x80 && code <= 0x9F) {
      appendEscape(out, "\\u%04x", code);
    } else {
      out.append(utf8.substr(at, length));
    }
    at += length;
  }
  return out;
}

}  // namespace quillorn::cli
