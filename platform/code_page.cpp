#include "platform/code_page.h"

#include <array>

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
    table[byte] = (byte >= 0x80 && byte <= 0x9F) ? kHighControls[byte - 0x80]
                                                 : static_cast<std::uint16_t>(byte);
  }
  return table;
}

constexpr std::array<std::uint16_t, 256> kWideTable = makeWideTable();

}  // namespace

std::uint16_t widenByte(std::uint8_t byte) { return kWideTable[byte]; }

char narrowCodeUnit(std::uint16_t unit) {
  if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) return static_cast<char>(unit);
  for (unsigned i = 0; i < kHighControls.size(); ++i) {
    if (kHighControls[i] == unit) return static_cast<char>(0x80 + i);
  }
  return kUnmappableChar;
}

}  // namespace quillorn::platform
