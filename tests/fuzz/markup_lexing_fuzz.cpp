// Feeds arbitrary bytes to every markup lexing routine, as single-byte text
// and as UTF-16 text behind an order mark, with names, patterns and positions
// taken from the input. Each buffer sits in an allocation of exactly its size,
// so the sanitizer sees any read at or beyond the end; the checks below are
// the contracts the scanners rely on.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "core/text/ascii.h"
#include "core/text/document_buffer.h"
#include "core/text/markup_lexing.h"
#include "platform/code_page.h"

namespace {

using namespace quillorn;

void check(bool condition) {
  if (!condition) std::abort();
}

// Reads parameters from the front of the input.
class ParamReader {
 public:
  ParamReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint8_t byte() { return used_ < size_ ? data_[used_++] : 0; }
  std::string_view text(std::size_t maxLength) {
    const std::size_t length = std::min<std::size_t>(byte() % (maxLength + 1), size_ - used_);
    const std::string_view result(reinterpret_cast<const char*>(data_ + used_), length);
    used_ += length;
    return result;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t used_ = 0;
};

bool isPosition(const TextView& text, Pos pos) { return pos == kNotFound || (pos >= 0 && pos <= text.end()); }

bool foldedMatchAt(const TextView& text, Pos pos, std::string_view pattern) {
  for (char want : pattern) {
    if (!text.hasChar(pos) || asciiUpper(text.charAt(pos)) != asciiUpper(want)) return false;
    pos += text.step;
  }
  return true;
}

// A value copied out as host text: one byte a character under Windows-1252;
// under UTF-8 at most four, and well-formed for UTF-16 and Windows-1252
// pages, whatever their units hold. Written back into the page, it takes the
// page's own units.
void checkHostText(const TextView& text, const std::string& value, std::size_t count) {
  if (platform::hostText() == platform::HostText::Windows1252) {
    check(value.size() == count);
    return;
  }
  check(value.size() <= 4 * count);
  if (text.step == 2 || text.charset == Charset::Windows1252) check(platform::isValidUtf8(value));
  std::string written;
  appendDocumentText(text, value, written);
  check(written.size() % static_cast<std::size_t>(text.step) == 0);
  if (text.step == 1 && text.charset == Charset::Ascii) {
    check(std::all_of(written.begin(), written.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }));
  }
}

void exercise(const TextView& text, std::string_view name, std::string_view pattern, Pos pos) {
  const int step = text.step;

  for (std::string_view tagName : {name, std::string_view(), std::string_view("A"), std::string_view("SCRIPT")}) {
    const Pos tag = findTag(text, tagName, pos);
    check(isPosition(text, tag));
    if (tag != kNotFound) {
      check(tag >= pos && text.hasChar(tag) && text.charAt(tag) == '<');
      check(foldedMatchAt(text, tag + step, tagName));
    }

    const Pos outside = findTagOutsideScript(text, tagName, pos);
    check(isPosition(text, outside));
    check(outside == kNotFound || (tag != kNotFound && outside >= tag && text.charAt(outside) == '<'));
    ScriptBlockCursor cursor;
    check(findTagOutsideScript(text, tagName, pos, cursor) == outside);
  }

  const Pos end = findTagEnd(text, pos);
  check(isPosition(text, end));
  if (end != kNotFound) check(end > pos && text.charAt(end - step) == '>');

  for (StopMode mode : {StopAtTag, StopAtTagEnd, NoStop}) {
    const Pos hit = findInBlock(text, pos, pattern, mode);
    check(isPosition(text, hit));
    if (hit != kNotFound) check(hit >= pos && foldedMatchAt(text, hit, pattern));
    if (mode != NoStop && hit != kNotFound) check(findInBlock(text, pos, pattern, NoStop) == hit);
  }

  for (std::string_view attribute : {name, std::string_view("href"), std::string_view("src")}) {
    std::string value = "stale";
    Pos valuePos = 0;
    const std::size_t count = findAttribute(text, pos, attribute, &value, &valuePos);
    check(count <= kValueBufferChars);
    checkHostText(text, value, count);
    check(isPosition(text, valuePos));
    if (count > 0) check(valuePos > pos);
    check(findAttribute(text, pos, attribute, nullptr, nullptr) == count);
  }

  for (ValueMode mode : {AttributeValue, StyleValue, TagValue}) {
    std::string value = "stale";
    QuoteKind kind = Bare;
    std::int64_t span = -1;
    ValueContent content;
    const std::size_t count = readValue(text, pos, mode, &value, &kind, &span, &content);
    check(count <= kValueBufferChars);
    checkHostText(text, value, count);
    check(span >= 0 && static_cast<std::uint64_t>(span) >= count);
    if (span > 0) check(pos + span * step <= text.end());
    // The content lies inside the span, and holds at least the characters copied.
    check(content.start <= content.end);
    if (count > 0) {
      check(content.start >= pos && content.end <= pos + span * step);
      check(static_cast<std::uint64_t>((content.end - content.start) / step) >= count);
    }
    check(kind == Bare || kind == Delimited || kind == EscapedQuotes);
    check(readValue(text, pos, mode, nullptr, nullptr, nullptr) == count);
  }

  (void)isInScriptComment(text, pos);
}

void exerciseInEachHostText(const TextView& text, std::string_view name, std::string_view pattern, Pos pos) {
  for (const platform::HostText host : {platform::HostText::Utf8, platform::HostText::Windows1252}) {
    platform::setHostText(host);
    exercise(text, name, pattern, pos);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ParamReader params(data, size);
  const std::uint8_t positionSeeds[3] = {params.byte(), params.byte(), params.byte()};
  const std::string name(params.text(8));
  const std::string pattern(params.text(8));

  // The whole input is the text, so the parameters also shape what is scanned.
  const auto single = std::make_unique<std::uint8_t[]>(size);
  if (size > 0) std::memcpy(single.get(), data, size);
  const auto wide = std::make_unique<std::uint8_t[]>(size + 2);
  wide[0] = 0xFF;
  wide[1] = 0xFE;
  if (size > 0) std::memcpy(wide.get() + 2, data, size);

  const TextView views[] = {{single.get(), size, Encoding::SingleByte}, {wide.get(), size + 2, Encoding::Utf16}};
  for (const TextView& text : views) {
    // Positions from just before the start to just past the end, on and off
    // the character grid.
    for (std::uint8_t seed : positionSeeds) {
      const Pos pos = static_cast<Pos>(seed * (text.size + 3) / 256) - 1;
      exerciseInEachHostText(text, name, pattern, pos);
    }
    exerciseInEachHostText(text, name, pattern, text.step);
  }
  return 0;
}
