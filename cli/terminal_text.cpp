#include "cli/terminal_text.h"

#include <cstdint>
#include <cstdio>

#include "platform/code_page.h"

namespace quillorn::cli {
namespace {

void appendEscape(std::string& out, const char* format, unsigned value) {
  char escaped[8];
  std::snprintf(escaped, sizeof escaped, format, value);
  out += escaped;
}

}  // namespace

std::string terminalText(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t at = 0; at < utf8.size();) {
    const auto [code, length] = platform::utf8CharAt(utf8, at);
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
