#include "core/text/document_buffer.h"

#include <algorithm>
#include <iterator>
#include <limits>

#include "platform/code_page.h"
#include "platform/file_access.h"
#include "platform/host_path.h"

namespace quillorn {

namespace {

using platform::HostText;

bool isHighSurrogate(std::uint16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(std::uint16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// The little-endian UTF-16 code unit at `p`.
std::uint16_t unitAt(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

void appendUnit(std::uint16_t unit, std::string& out) {
  out.push_back(static_cast<char>(unit & 0xFF));
  out.push_back(static_cast<char>(unit >> 8));
}

// ASCII text in the document's own units.
void appendAscii(const TextView& text, std::string_view ascii, std::string& out) {
  for (char c : ascii) {
    if (text.step == 2) {
      appendUnit(static_cast<std::uint8_t>(c), out);
    } else {
      out.push_back(c);
    }
  }
}

// "%" and the two capital hexadecimal digits of each byte of `bytes`.
void appendEscaped(const TextView& text, std::string_view bytes, std::string& out) {
  constexpr std::string_view kDigits = "0123456789ABCDEF";
  for (char c : bytes) {
    const auto byte = static_cast<std::uint8_t>(c);
    const char escape[3] = {'%', kDigits[byte >> 4], kDigits[byte & 0x0F]};
    appendAscii(text, std::string_view(escape, 3), out);
  }
}

// One well-formed character of UTF-8 host text, `bytes` being its UTF-8 form.
void appendCharacter(const TextView& text, char32_t code, std::string_view bytes, std::string& out) {
  if (text.step == 2) {
    if (code < 0x10000) {
      appendUnit(static_cast<std::uint16_t>(code), out);
    } else {
      appendUnit(static_cast<std::uint16_t>(0xD800 + ((code - 0x10000) >> 10)), out);
      appendUnit(static_cast<std::uint16_t>(0xDC00 + ((code - 0x10000) & 0x3FF)), out);
    }
    return;
  }
  if (code < 0x80 || text.charset == Charset::Utf8) {
    out.append(bytes);
    return;
  }
  if (text.charset == Charset::Windows1252 && code <= 0xFFFF) {
    const char narrow = platform::narrowCodeUnit(static_cast<std::uint16_t>(code));
    if (narrow != platform::kUnmappableChar) {
      out.push_back(narrow);
      return;
    }
  }
  appendEscaped(text, bytes, out);
}

}  // namespace

char narrowChar(const std::uint8_t* unit) { return platform::narrowCodeUnit(unitAt(unit)); }

std::pair<char, char> narrowPair(const std::uint8_t* units) {
  // Each code unit of the table converts on its own, so converting the pair in
  // one call and one at a time give the same two bytes.
  return {narrowChar(units), narrowChar(units + 2)};
}

void appendWidened(std::string_view narrow, std::string& out) {
  out.reserve(out.size() + narrow.size() * 2);
  for (char c : narrow) appendUnit(platform::widenByte(static_cast<std::uint8_t>(c)), out);
}

Charset charsetOf(std::string_view bytes) {
  const bool ascii =
      std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<std::uint8_t>(c) < 0x80; });
  if (ascii) return Charset::Ascii;
  return platform::isValidUtf8(bytes) ? Charset::Utf8 : Charset::Windows1252;
}

void appendHostChar(const TextView& text, Pos pos, std::string& out) {
  const std::uint8_t* p = text.data + pos;
  const bool utf8Host = platform::hostText() == HostText::Utf8;
  if (text.step == 1) {
    if (*p < 0x80 || !utf8Host || text.charset != Charset::Windows1252) {
      out.push_back(static_cast<char>(*p));
    } else {
      platform::appendUtf8(platform::widenByte(*p), out);
    }
    return;
  }
  if (!utf8Host) {
    out.push_back(narrowChar(p));
    return;
  }
  const std::uint16_t unit = unitAt(p);
  if (isHighSurrogate(unit)) {
    if (text.hasChar(pos + 2) && isLowSurrogate(unitAt(p + 2))) {
      platform::appendUtf8(0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (unitAt(p + 2) - 0xDC00u), out);
    } else {
      out.push_back(platform::kUnmappableChar);
    }
  } else if (isLowSurrogate(unit)) {
    // The second half of a pair was given with the first.
    if (pos < 2 || !isHighSurrogate(unitAt(p - 2))) out.push_back(platform::kUnmappableChar);
  } else {
    platform::appendUtf8(unit, out);
  }
}

std::string asHostText(const TextView& text) {
  std::string out;
  if (text.step == 1 && (text.charset != Charset::Windows1252 || platform::hostText() != HostText::Utf8)) {
    out.assign(reinterpret_cast<const char*>(text.data), text.size);
    return out;
  }
  out.reserve(text.size + text.size / 2);
  for (Pos p = 0; text.hasChar(p); p += text.step) appendHostChar(text, p, out);
  return out;
}

void appendDocumentText(const TextView& text, std::string_view value, std::string& out) {
  if (platform::hostText() != HostText::Utf8) {
    if (text.step == 2) {
      appendWidened(value, out);
    } else {
      out.append(value);
    }
    return;
  }
  out.reserve(out.size() + value.size() * static_cast<std::size_t>(text.step));
  for (std::size_t i = 0; i < value.size();) {
    const platform::Utf8Char c = platform::utf8CharAt(value, i);
    if (c.length == 0) {
      appendEscaped(text, value.substr(i, 1), out);
      ++i;
    } else {
      appendCharacter(text, c.codePoint, value.substr(i, c.length), out);
      i += c.length;
    }
  }
}

void swapBytePairs(std::uint8_t* bytes, std::size_t count) {
  for (std::size_t i = 0; i + 1 < count; i += 2) std::swap(bytes[i], bytes[i + 1]);
}

Pos TextView::afterControls(Pos pos) const {
  if (controlRuns != nullptr) {
    const auto run = std::upper_bound(controlRuns->begin(), controlRuns->end(), pos,
                                      [](Pos p, const ControlRun& r) { return p < r.start; });
    if (run != controlRuns->begin()) {
      const ControlRun& containing = *std::prev(run);
      if (pos < containing.end && (pos - containing.start) % step == 0) return containing.end;
    }
  }
  return pos + step;
}

Outcome<DocumentBuffer, LoadFailure> loadDocument(std::string_view pathText) {
  // The read limit keeps every position far inside 63 bits.
  static_assert(platform::kMaxReadBytes < static_cast<std::uint64_t>(std::numeric_limits<Pos>::max()));
  DocumentBuffer buffer;
  const platform::ReadStatus status =
      platform::readWholeFile(platform::toHostPath(pathText), buffer.bytes, buffer.stamp);
  if (status != platform::ReadStatus::Read) return Failed{LoadFailure{status, buffer.stamp}};
  return buffer;
}

void detectEncoding(DocumentBuffer& buffer) {
  const std::vector<std::uint8_t>& bytes = buffer.bytes;
  const bool littleEndian = bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE;
  buffer.storedBigEndian = bytes.size() >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF;
  if (buffer.storedBigEndian) swapBytePairs(buffer.bytes.data(), buffer.bytes.size());
  const bool utf16 = littleEndian || buffer.storedBigEndian;
  buffer.encoding = utf16 ? Encoding::Utf16 : Encoding::SingleByte;
  buffer.charset =
      utf16 ? Charset::Ascii : charsetOf(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::string_view encodingLabel(Encoding encoding) { return encoding == Encoding::Utf16 ? " Unicode" : " ASCII"; }

}  // namespace quillorn
