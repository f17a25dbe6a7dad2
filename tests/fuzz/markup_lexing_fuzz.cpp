// Feeds arbitrary bytes to every markup lexing routine, as single-byte text
// and as UTF-16 text behind an order mark, with names, patterns and positions
// taken from the input. Each buffer sits in an allocation of exactly its size,
// so the sanitizer sees any read at or beyond the end; the checks below are
// the contracts the scanners rely on, and that the lexing index, the
// attribute memo and reading over known control runs answer exactly as the
// plain routines.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/text/ascii.h"
#include "core/text/document_buffer.h"
#include "core/text/lexing_index.h"
#include "core/text/markup_lexing.h"
#include "platform/code_page.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

using namespace quillorn;
using fuzz::check;
using fuzz::ParamReader;

bool isPosition(const TextView& text, Pos pos) { return pos == kNotFound || (pos >= 0 && pos <= text.end()); }

bool foldedMatchAt(const TextView& text, Pos pos, std::string_view pattern) {
  for (char want : pattern) {
    if (!text.hasChar(pos) || asciiUpper(text.charAt(pos)) != asciiUpper(want)) return false;
    pos += text.step;
  }
  return true;
}

// What one document's scan keeps across positions: the index and the memos.
struct Shared {
  explicit Shared(const TextView& text, std::int64_t plainBudget) : index(text, plainBudget) {}
  LexingIndex index;
  AttributeMemo memos[3];
};

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

void exercise(const TextView& text, std::string_view name, std::string_view pattern, Pos pos, Shared& shared) {
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

  check(shared.index.findTagEnd(pos) == end);

  // The index answers over the whole text and over the text cut at the first
  // '<' at or after the position.
  const Pos lessThan = findTag(text, "", pos - step);
  for (StopMode mode : {StopAtTag, StopAtTagEnd, NoStop}) {
    const Pos hit = findInBlock(text, pos, pattern, mode);
    check(isPosition(text, hit));
    if (hit != kNotFound) check(hit >= pos && foldedMatchAt(text, hit, pattern));
    if (mode != NoStop && hit != kNotFound) check(findInBlock(text, pos, pattern, NoStop) == hit);
    check(shared.index.findInBlock(pos, pattern, mode) == hit);
    if (lessThan != kNotFound) {
      const TextView cut(text.data, static_cast<std::size_t>(lessThan), text.encoding(), text.charset);
      check(shared.index.findInBlock(pos, pattern, mode, lessThan) == findInBlock(cut, pos, pattern, mode));
    }
  }

  const std::string_view attributes[] = {name, "href", "src"};
  for (std::size_t i = 0; i < 3; ++i) {
    std::string value = "stale";
    Pos valuePos = 0;
    const std::size_t count = findAttribute(text, pos, attributes[i], &value, &valuePos);
    check(count <= kValueBufferChars);
    checkHostText(text, value, count);
    check(isPosition(text, valuePos));
    if (count > 0) check(valuePos > pos);
    Pos memoPos = 0;
    check(findAttribute(text, pos, attributes[i], &memoPos, shared.memos[i]) == count && memoPos == valuePos);
  }

  const TextView runs = shared.index.view();
  for (ValueMode mode : {AttributeValue, StyleValue, TagValue}) {
    const ValueRead read = readValue(text, pos, mode);
    const std::size_t count = read.count;
    const std::string& value = read.text;
    const QuoteKind kind = read.quoteKind;
    const std::int64_t span = read.spanLength;
    const ValueContent& content = read.content;
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
    check(valueLength(text, pos, mode) == count);
    check(shared.index.valueLength(pos, mode) == count);
    const ValueRead runRead = readValue(runs, pos, mode);
    check(runRead.count == count && runRead.text == value && runRead.quoteKind == kind && runRead.spanLength == span);
  }

  (void)isInScriptComment(text, pos);
}

// The walks a page's scan takes from findTagWalks are the ones that calling
// findTag or findTagOutsideScript again and again would take.
void checkTagWalks(const TextView& text, const std::string& name) {
  std::vector<TagWalkSpec> walks;
  for (const std::string_view walkName : {std::string_view("A"), std::string_view("SCRIPT"), std::string_view(name)}) {
    if (walkName.empty() || walkName.front() == '\0') continue;
    // Only an opening SCRIPT tag hops to its closing tag: a walk that could
    // stand on a "</SCRIPT" itself would hop to where it stands.
    for (const bool outside : {false, true}) walks.push_back({walkName, outside, walkName == "SCRIPT"});
  }
  std::vector<std::vector<Pos>> hits(walks.size());
  findTagWalks(text, walks, hits);
  for (std::size_t i = 0; i < walks.size(); ++i) {
    const TagWalkSpec& walk = walks[i];
    ScriptBlockCursor cursor;
    const auto next = [&](Pos start) {
      return walk.outsideScript ? findTagOutsideScript(text, walk.name, start, cursor)
                                : findTag(text, walk.name, start);
    };
    std::vector<Pos> expected;
    for (Pos tag = next(0); tag != kNotFound;) {
      expected.push_back(tag);
      const Pos resume = walk.hopToScriptClose ? findTag(text, "/SCRIPT", tag) : findTag(text, "", tag);
      if (resume == kNotFound) break;
      tag = next(resume);
    }
    check(hits[i] == expected);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ParamReader params(data, size);
  const std::uint8_t positionSeeds[3] = {params.byte(), params.byte(), params.byte()};
  const std::string name(params.text(8));
  const std::string pattern(params.text(8));
  // The index answers the plain way until its budget runs out (the default,
  // or a few characters, so that a search is cut off part way), or from its
  // lists from the first question.
  const std::uint8_t budgetByte = params.byte();
  const std::int64_t plainBudget = budgetByte < 64 ? -1 : budgetByte < 128 ? 0 : budgetByte % 64;

  // Values are copied out in either host text; the lowest bit of a position
  // seed, which barely moves a position, picks it.
  platform::setHostText((positionSeeds[2] & 1U) != 0 ? platform::HostText::Windows1252 : platform::HostText::Utf8);

  // The whole input is the text, so the parameters also shape what is scanned.
  const auto single = std::make_unique<std::uint8_t[]>(size);
  if (size > 0) std::memcpy(single.get(), data, size);
  const auto wide = std::make_unique<std::uint8_t[]>(size + 2);
  wide[0] = 0xFF;
  wide[1] = 0xFE;
  if (size > 0) std::memcpy(wide.get() + 2, data, size);

  const TextView views[] = {{single.get(), size, Encoding::SingleByte}, {wide.get(), size + 2, Encoding::Utf16}};
  for (const TextView& text : views) {
    Shared shared(text, plainBudget);
    // Positions from just before the start to just past the end, on and off
    // the character grid.
    for (std::uint8_t seed : positionSeeds) {
      const Pos pos = static_cast<Pos>(seed * (text.size + 3) / 256) - 1;
      exercise(text, name, pattern, pos, shared);
    }
    exercise(text, name, pattern, text.step, shared);
    checkTagWalks(text, asciiUpperCopy(name));
  }
  return 0;
}
