#include "cli/finding_places.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <map>
#include <utility>

#include "core/search/ordered_pool.h"
#include "core/text/document_buffer.h"
#include "platform/code_page.h"

namespace quillorn::cli {
namespace {

// Whether `byte` continues a UTF-8 character begun before it.
bool continuesCharacter(std::uint8_t byte) { return (byte & 0xC0) == 0x80; }

// Whether the character at `pos` begins a character of the file's own text:
// not a UTF-8 continuation byte, not the second half of a surrogate pair.
bool startsCharacter(const TextView& text, Pos pos) {
  if (text.step == 2) {
    const unsigned high = text.data[pos + 1];
    return high < 0xDC || high > 0xDF;
  }
  return text.charset != Charset::Utf8 || !continuesCharacter(text.data[pos]);
}

// Whether `text` begins with a byte-order mark, which no editor shows.
bool startsWithByteOrderMark(const TextView& text) {
  if (text.step == 2) return text.size >= 2 && text.data[0] == 0xFF && text.data[1] == 0xFE;
  return text.size >= 3 && text.data[0] == 0xEF && text.data[1] == 0xBB && text.data[2] == 0xBF;
}

// Display text of the characters of `text` in [from, to).
std::string displayOf(const TextView& text, Pos from, Pos to) {
  if (to <= from) return {};
  const TextView part(text.data + from, static_cast<std::size_t>(to - from), text.encoding(), text.charset);
  return platform::toDisplayUtf8(asHostText(part));
}

// The UTF-8 code points of `utf8`, counted by their lead bytes.
std::size_t codePoints(const std::string& utf8) {
  std::size_t count = 0;
  for (const char c : utf8)
    if (!continuesCharacter(static_cast<std::uint8_t>(c))) ++count;
  return count;
}

// `utf8` without its code points before the last `keep`; "…" in front when
// something was cut, here or before (`cut`).
std::string lastCodePoints(const std::string& utf8, std::size_t keep, bool cut) {
  std::size_t count = codePoints(utf8);
  std::size_t at = 0;
  while (count > keep && at < utf8.size()) {
    ++at;
    while (at < utf8.size() && continuesCharacter(static_cast<std::uint8_t>(utf8[at]))) ++at;
    --count;
  }
  return at > 0 || cut ? "\u2026" + utf8.substr(at) : utf8;
}

// `utf8` up to its `keep`th code point; "…" after it when something was cut,
// here or after (`cut`).
std::string firstCodePoints(const std::string& utf8, std::size_t keep, bool cut) {
  std::size_t at = 0;
  for (std::size_t count = 0; at < utf8.size(); ++count) {
    if (count == keep) return utf8.substr(0, at) + "\u2026";
    ++at;
    while (at < utf8.size() && continuesCharacter(static_cast<std::uint8_t>(utf8[at]))) ++at;
  }
  return cut ? utf8 + "\u2026" : utf8;
}

// The first CR or LF from `pos` on, or `limit` (or the end) when none comes before.
Pos lineEnd(const TextView& text, Pos pos, Pos limit) {
  while (pos < limit && text.hasChar(pos)) {
    const char c = text.charAt(pos);
    if (c == '\n' || c == '\r') break;
    pos += text.step;
  }
  return pos;
}

// The link's own characters in the file, [start, end): its value without the
// delimiters around it.
std::pair<Pos, Pos> linkSpan(const TextView& text, const UrlEntry& entry) {
  const Pos delimiter = static_cast<Pos>(entry.quoteKind) * text.step;
  const Pos end = entry.valuePos + entry.spanLength * text.step;
  const Pos start = std::min(entry.valuePos + delimiter, end);
  return {start, std::max(start, end - delimiter)};
}

// The place of the link [start, linkEnd), which starts at `at` (its line and
// column). A long line is read only near the link, so a page of one long line
// costs no more than others.
FindingPlace placeIn(const TextView& text, Pos start, Pos linkEnd, const LineColumn& at, bool withText) {
  FindingPlace place;
  place.line = at.line;
  place.column = at.column;
  const Pos reach =
      static_cast<Pos>(kPlaceContext + 1) * 4 * text.step;  // bytes of kPlaceContext+1 characters, at most
  // The line's indentation says nothing about the link.
  Pos lineStart = at.lineStart;
  if (lineStart == 0 && startsWithByteOrderMark(text)) lineStart = text.step == 2 ? 2 : 3;
  while (lineStart < start && (text.charAt(lineStart) == ' ' || text.charAt(lineStart) == '\t')) lineStart += text.step;
  Pos from = std::max(lineStart, start - reach);
  while (from < start && !startsCharacter(text, from)) from += text.step;
  const Pos end = lineEnd(text, start, linkEnd);
  place.endColumn = lineColumnAfter(text, at, start, end).column;
  if (!withText) return place;
  const Pos after = lineEnd(text, end, end + reach);
  place.before = lastCodePoints(displayOf(text, from, start), kPlaceContext, from > lineStart);
  place.value = firstCodePoints(displayOf(text, start, end), 4 * kPlaceContext, false);
  place.after = firstCodePoints(displayOf(text, end, after), kPlaceContext,
                                text.hasChar(after) && text.charAt(after) != '\n' && text.charAt(after) != '\r');
  return place;
}

}  // namespace

LineColumn lineColumnOf(const TextView& text, Pos pos) { return lineColumnAfter(text, {}, 0, pos); }

LineColumn lineColumnAfter(const TextView& text, LineColumn at, Pos from, Pos pos) {
  pos = std::min<Pos>(pos, text.end());
  // Single-byte text without a CR, the common case, a line at a time.
  if (text.step == 1 && from < pos &&
      std::memchr(text.data + from, '\r', static_cast<std::size_t>(pos - from)) == nullptr) {
    if (from == 0 && startsWithByteOrderMark(text)) from = std::min<Pos>(3, pos);  // no column of its own
    const auto* const end = text.data + pos;
    const std::uint8_t* line = text.data + from;
    for (const void* feed = nullptr;
         (feed = std::memchr(line, '\n', static_cast<std::size_t>(end - line))) != nullptr;) {
      ++at.line;
      at.column = 1;
      line = static_cast<const std::uint8_t*>(feed) + 1;
      at.lineStart = line - text.data;
    }
    if (text.charset != Charset::Utf8) {
      at.column += end - line;
    } else {
      at.column += std::count_if(line, end, [](std::uint8_t byte) { return !continuesCharacter(byte); });
    }
    return at;
  }
  for (Pos i = from; i < pos && text.hasChar(i); i += text.step) {
    const char c = text.charAt(i);
    if (c == '\n' || (c == '\r' && text.charOrZero(i + text.step) != '\n')) {
      ++at.line;
      at.column = 1;
      at.lineStart = i + text.step;
    } else if (c != '\r' && startsCharacter(text, i) && !(i == 0 && startsWithByteOrderMark(text))) {
      ++at.column;
    }
  }
  return at;
}

std::vector<FindingPlace> findingPlaces(const FileList& files, const UrlTable& urls, unsigned threads, bool withText) {
  std::vector<FindingPlace> places(urls.count());
  std::map<std::size_t, std::vector<std::size_t>> entriesOf;  // by file index, in table order
  for (std::size_t i = 0; i < urls.count(); ++i) {
    entriesOf[static_cast<std::size_t>(urls.entry(i).fileIndex)].push_back(i);
  }
  const std::vector<std::pair<std::size_t, std::vector<std::size_t>>> byFile(entriesOf.begin(), entriesOf.end());
  // Each file fills the places of its own entries only, so the files can be
  // read side by side.
  const auto placeFile = [&](std::size_t k) {
    const auto& [fileIndex, entries] = byFile[k];
    const SourceStamp* searched = urls.source(fileIndex);
    if (fileIndex >= files.count() || searched == nullptr) return true;
    Outcome<DocumentBuffer, LoadFailure> loaded = loadDocument(files.path(fileIndex));
    if (!loaded.ok() || sourceStampOf(loaded.value()) != *searched) return true;
    DocumentBuffer& document = loaded.value();
    detectEncoding(document);
    const TextView text = document.view();
    // One walk over the file, from place to place in the order of the text.
    std::vector<std::size_t> byPosition = entries;
    std::stable_sort(byPosition.begin(), byPosition.end(),
                     [&urls](std::size_t a, std::size_t b) { return urls.entry(a).valuePos < urls.entry(b).valuePos; });
    LineColumn at;
    Pos walked = 0;
    for (const std::size_t i : byPosition) {
      const UrlEntry& entry = urls.entry(i);
      if (entry.valuePos < 0 || entry.spanLength < 0 || static_cast<std::size_t>(entry.valuePos) > text.size) continue;
      const auto [start, end] = linkSpan(text, entry);
      if (start < walked) {  // in the delimiters of the one before: walk again from its line's start
        at = lineColumnOf(text, start);
      } else {
        at = lineColumnAfter(text, at, walked, start);
      }
      walked = start;
      places[i] = placeIn(text, start, std::min<Pos>(end, text.end()), at, withText);
    }
    return true;
  };
  if (threads <= 1 || byFile.size() < 2) {
    for (std::size_t k = 0; k < byFile.size(); ++k) placeFile(k);
    return places;
  }
  OrderedPool<bool> pool(byFile.size(), threads, byFile.size(), placeFile);
  for (std::size_t k = 0; k < byFile.size(); ++k) {
    while (pool.wait(k, std::chrono::milliseconds(100)) == nullptr) {
    }
  }
  return places;
}

}  // namespace quillorn::cli
