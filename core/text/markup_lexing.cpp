#include "core/text/markup_lexing.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>
#include <vector>

#include "core/text/ascii.h"

namespace quillorn {
namespace {

bool isControl(char c) { return static_cast<unsigned char>(c) < 32; }

// Whether a character stands at `pos` and is `c`.
bool charIs(const TextView& text, Pos pos, char c) { return text.hasChar(pos) && text.charAt(pos) == c; }

// For a '<' or '>' at `pos`: markup unless the next character is '='. A last
// character has no next one and so is markup.
bool notFollowedByEquals(const TextView& text, Pos pos) { return !charIs(text, pos + text.step, '='); }

bool isMarkupBracket(const TextView& text, Pos pos, char c) {
  return (c == '<' || c == '>') && notFollowedByEquals(text, pos);
}

// Whether the folded pattern matches the text at `pos`; never reads past the end.
bool matchesAt(const TextView& text, Pos pos, std::string_view folded) {
  for (char want : folded) {
    if (!text.hasChar(pos) || asciiUpper(text.charAt(pos)) != want) return false;
    pos += text.step;
  }
  return true;
}

// The first position at or after `from` holding `c`, or -1.
Pos nextChar(const TextView& text, Pos from, char c) {
  if (from < 0 || from >= text.end()) return kNotFound;
  if (text.step == 1) {
    const void* hit =
        std::memchr(text.data + from, static_cast<unsigned char>(c), text.size - static_cast<std::size_t>(from));
    return hit == nullptr ? kNotFound : static_cast<const std::uint8_t*>(hit) - text.data;
  }
  for (Pos p = from; text.hasChar(p); p += 2) {
    if (text.charAt(p) == c) return p;
  }
  return kNotFound;
}

// The next '<' at or after `from` that is followed by the folded name.
Pos findFoldedTag(const TextView& text, std::string_view foldedName, Pos from) {
  for (Pos p = nextChar(text, from, '<'); p != kNotFound; p = nextChar(text, p + text.step, '<')) {
    if (matchesAt(text, p + text.step, foldedName)) return p;
  }
  return kNotFound;
}

constexpr std::string_view kScriptOpen = "SCRIPT";
constexpr std::string_view kScriptClose = "/SCRIPT";

enum class ScriptTag { None, Open, Close };

// Which script tag, if any, starts at `pos`.
ScriptTag scriptTagAt(const TextView& text, Pos pos) {
  if (!charIs(text, pos, '<')) return ScriptTag::None;
  const Pos name = pos + text.step;
  if (matchesAt(text, name, kScriptOpen)) return ScriptTag::Open;
  if (matchesAt(text, name, kScriptClose)) return ScriptTag::Close;
  return ScriptTag::None;
}

// Whether the nearest script tag that starts before `pos` opens a block,
// looking back from `pos`.
bool scriptOpenBefore(const TextView& text, Pos pos) {
  for (Pos p = pos - text.step; p >= 0; p -= text.step) {
    switch (scriptTagAt(text, p)) {
      case ScriptTag::Open: return true;
      case ScriptTag::Close: return false;
      case ScriptTag::None: break;
    }
  }
  return false;
}

// Brings the cursor forward to `pos`, taking in the script tags that start
// between.
void advanceCursor(const TextView& text, ScriptBlockCursor& cursor, Pos pos) {
  for (Pos p = nextChar(text, cursor.scannedTo, '<'); p != kNotFound && p < pos;
       p = nextChar(text, p + text.step, '<')) {
    switch (scriptTagAt(text, p)) {
      case ScriptTag::Open: cursor.inScript = true; break;
      case ScriptTag::Close: cursor.inScript = false; break;
      case ScriptTag::None: break;
    }
  }
  cursor.scannedTo = pos;
}

// The position just after the next `c` at or after `from`, or -1.
Pos afterNextChar(const TextView& text, Pos from, char c) {
  const Pos hit = nextChar(text, from, c);
  return hit == kNotFound ? kNotFound : hit + text.step;
}

// The position just after the next backslash-and-double-quote at or after `from`, or -1.
Pos afterNextEscapedQuote(const TextView& text, Pos from) {
  for (Pos p = nextChar(text, from, '\\'); p != kNotFound; p = nextChar(text, p + text.step, '\\')) {
    if (charIs(text, p + text.step, '"')) return p + 2 * text.step;
  }
  return kNotFound;
}

// Hops over what findAttribute treats as quoted at `pos`: a double-quoted run,
// then a single-quoted one, then one between backslash-quote pairs, each only
// if it starts where the previous one ended. -1 when a run is never closed.
Pos skipQuotedRuns(const TextView& text, Pos pos) {
  const int step = text.step;
  if (charIs(text, pos, '"')) pos = afterNextChar(text, pos + step, '"');
  if (charIs(text, pos, '\'')) pos = afterNextChar(text, pos + step, '\'');
  if (charIs(text, pos, '\\') && charIs(text, pos + step, '"')) pos = afterNextEscapedQuote(text, pos + 2 * step);
  return pos;
}

// The quoted run that findInBlock's text has opened, if any.
enum class QuoteRun { None, Double, Single };

void moveQuoteState(QuoteRun& run, char c, char previous) {
  if (previous == '\\') return;
  if (c == '"') {
    if (run == QuoteRun::None) {
      run = QuoteRun::Double;
    } else if (run == QuoteRun::Double) {
      run = QuoteRun::None;
    }
  } else if (c == '\'') {
    if (run == QuoteRun::None) {
      run = QuoteRun::Single;
    } else if (run == QuoteRun::Single) {
      run = QuoteRun::None;
    }
  }
}

}  // namespace

Pos findTag(const TextView& text, std::string_view name, Pos start) {
  if (start < 0 || start >= text.end()) return kNotFound;
  const std::string folded = asciiUpperCopy(name);
  // The empty name asks for the next '<' after a given one.
  return findFoldedTag(text, folded, name.empty() ? start + text.step : start);
}

Pos findTagOutsideScript(const TextView& text, std::string_view name, Pos start) {
  // Unknown state: the first hit looks back for its nearest script tag.
  ScriptBlockCursor cursor{kNotFound, false};
  return findTagOutsideScript(text, name, start, cursor);
}

Pos findTagOutsideScript(const TextView& text, std::string_view name, Pos start, ScriptBlockCursor& cursor) {
  if (start < 0 || start >= text.end()) return kNotFound;
  const std::string folded = asciiUpperCopy(name);
  Pos hit = findFoldedTag(text, folded, name.empty() ? start + text.step : start);
  while (hit != kNotFound) {
    if (cursor.scannedTo < 0 || hit < cursor.scannedTo) {
      cursor = {hit, scriptOpenBefore(text, hit)};
    } else {
      advanceCursor(text, cursor, hit);
    }
    // A closing tag ends the block it stands in and so is not inside it.
    if (!cursor.inScript || scriptTagAt(text, hit) == ScriptTag::Close) return hit;
    // The search goes on at the skipped tag's end, so with the empty name a
    // '<' right there is the next hit.
    const Pos end = findTagEnd(text, hit);
    if (end == kNotFound) return kNotFound;
    hit = findFoldedTag(text, folded, end);
  }
  return kNotFound;
}

void findTagWalks(const TextView& text, std::span<const TagWalkSpec> walks, std::span<std::vector<Pos>> hits) {
  // Where each walk searches from next; -1 once it has ended.
  std::vector<Pos> from(walks.size(), 0);
  // The walks by the first letter of their name, so that most '<' are
  // passed over after one look.
  std::array<std::vector<std::size_t>, 256> byFirst;
  for (std::size_t i = 0; i < walks.size(); ++i) {
    byFirst[static_cast<unsigned char>(walks[i].name.front())].push_back(i);
  }
  const int step = text.step;
  // Whether the nearest script tag before the '<' looked at opens a block.
  bool inScript = false;
  for (Pos p = nextChar(text, 0, '<'); p != kNotFound; p = nextChar(text, p + step, '<')) {
    const Pos name = p + step;
    if (!text.hasChar(name)) break;
    const char first = asciiUpper(text.charAt(name));
    for (const std::size_t i : byFirst[static_cast<unsigned char>(first)]) {
      const TagWalkSpec& walk = walks[i];
      if (from[i] == kNotFound || p < from[i] || !matchesAt(text, name, walk.name)) continue;
      // A closing tag ends the block it stands in and so is not inside it.
      if (walk.outsideScript && inScript && scriptTagAt(text, p) != ScriptTag::Close) {
        // findTagOutsideScript goes on at the skipped tag's end.
        from[i] = findTagEnd(text, p);
        continue;
      }
      hits[i].push_back(p);
      from[i] = walk.hopToScriptClose ? findTag(text, kScriptClose, p) : p + step;
    }
    if (first == 'S' || first == '/') {
      switch (scriptTagAt(text, p)) {
        case ScriptTag::Open: inScript = true; break;
        case ScriptTag::Close: inScript = false; break;
        case ScriptTag::None: break;
      }
    }
  }
}

namespace {

// Where findAttribute finds the folded name, searching from `p` as it does
// (hopping over quoted runs, giving up at a markup bracket), or -1. With a
// memo, every hop's landing remembers the outcome.
Pos findAttributeName(const TextView& text, Pos p, std::string_view folded, AttributeMemo* memo) {
  std::vector<Pos> landings;
  Pos found = kNotFound;
  for (;;) {
    const Pos landed = skipQuotedRuns(text, p);
    if (memo != nullptr && landed != p && landed >= 0) {
      if (const auto known = memo->nameAfterHop.find(landed); known != memo->nameAfterHop.end()) {
        found = known->second;
        break;
      }
      landings.push_back(landed);
    }
    p = landed;
    if (!text.hasChar(p)) break;
    if (isMarkupBracket(text, p, text.charAt(p))) break;
    if (matchesAt(text, p, folded)) {
      found = p;
      break;
    }
    p += text.step;
  }
  for (const Pos landing : landings) memo->nameAfterHop.emplace(landing, found);
  return found;
}

// The characters findAttribute counts for the value at `start` (and copies
// into `out` when given). Without a memo the count stops, as 0, past the value
// buffer; with one it goes on to the value's end, so that every character
// after a control run can remember how many it leads to.
std::size_t countAttributeValue(const TextView& text, Pos start, std::string* out, AttributeMemo* memo) {
  const int step = text.step;
  const char opening = text.charOrZero(start);
  const char quote = (opening == '"' || opening == '\'') ? opening : '\0';
  const auto memoKey = [&](Pos q) { return q * 3 + (quote == '\0' ? 0 : quote == '"' ? 1 : 2); };
  std::vector<std::pair<Pos, std::size_t>> taken;  // memo keys passed, with the count before each
  std::size_t count = 0;
  for (Pos q = start; text.hasChar(q); q += step) {
    char c = text.charAt(q);
    if (isMarkupBracket(text, q, c)) break;
    if (quote != '\0') {
      if (c == quote && q != start) break;
    } else if (c == ' ' || c == '"' || c == '\'') {
      break;
    }
    if (c != '\0' && isControl(c)) {
      // The first character after the run of controls is taken as it is,
      // whatever it is.
      do {
        q += step;
      } while (text.hasChar(q) && isControl(text.charAt(q)));
      if (!text.hasChar(q)) break;
      c = text.charAt(q);
      if (memo != nullptr) {
        if (const auto known = memo->valueAfterRun.find(memoKey(q)); known != memo->valueAfterRun.end()) {
          count += known->second;
          break;
        }
        taken.emplace_back(memoKey(q), count);
      }
    }
    if (count == kValueBufferChars && memo == nullptr) {
      if (out != nullptr) out->clear();
      return 0;
    }
    ++count;
    if (out != nullptr) appendHostChar(text, q, *out);
  }
  for (const auto& [key, before] : taken) memo->valueAfterRun.emplace(key, count - before);
  return count;
}

// findAttribute's search, with or without a memo.
std::size_t findAttributeWith(const TextView& text, Pos tagPos, std::string_view name, std::string* out, Pos* valuePos,
                              AttributeMemo* memo) {
  if (out != nullptr) out->clear();
  if (valuePos != nullptr) *valuePos = kNotFound;
  if (tagPos < 0 || tagPos >= text.end()) return 0;
  const int step = text.step;
  const std::string folded = asciiUpperCopy(name);

  const Pos p = findAttributeName(text, tagPos + step, folded, memo);
  if (p == kNotFound) return 0;
  const Pos equals = p + static_cast<Pos>(folded.size()) * step;
  if (!charIs(text, equals, '=')) return 0;
  const Pos start = equals + step;
  if (valuePos != nullptr) *valuePos = start;
  const std::size_t count = countAttributeValue(text, start, out, memo);
  // Longer than the value buffer: skipped.
  return count > kValueBufferChars ? 0 : count;
}

}  // namespace

std::size_t findAttribute(const TextView& text, Pos tagPos, std::string_view name, std::string* out, Pos* valuePos) {
  return findAttributeWith(text, tagPos, name, out, valuePos, nullptr);
}

std::size_t findAttribute(const TextView& text, Pos tagPos, std::string_view name, Pos* valuePos, AttributeMemo& memo) {
  return findAttributeWith(text, tagPos, name, nullptr, valuePos, &memo);
}

Pos findTagEnd(const TextView& text, Pos pos) {
  for (Pos p = nextChar(text, pos, '>'); p != kNotFound; p = nextChar(text, p + text.step, '>')) {
    if (notFollowedByEquals(text, p)) return p + text.step;
  }
  return kNotFound;
}

namespace {

// What findInBlock found, and the position after the last character it
// looked at.
struct BlockSearch {
  Pos found;
  Pos lookedTo;
};

BlockSearch searchBlock(const TextView& text, Pos start, std::string_view pattern, StopMode mode) {
  if (start < 0 || start >= text.end()) return {kNotFound, start};
  const int step = text.step;
  const std::string folded = asciiUpperCopy(pattern);

  // Attempts overlap; `scanned` is the first position whose character has not
  // yet moved the quote state, so each character moves it once, in order.
  QuoteRun run = QuoteRun::None;
  Pos scanned = start;
  char previous = '\0';
  for (Pos p = start; text.hasChar(p); p += step) {
    Pos q = p;
    char c = '\0';
    std::size_t matched = 0;
    for (; matched < folded.size(); ++matched, q += step) {
      // Running into the end here means no later attempt can match either.
      if (!text.hasChar(q)) return {kNotFound, scanned};
      c = text.charAt(q);
      if (q >= scanned) {
        moveQuoteState(run, c, previous);
        previous = c;
        scanned = q + step;
      }
      if (asciiUpper(c) != folded[matched]) break;
    }
    if (matched == folded.size()) return {p, scanned};
    if (run == QuoteRun::None && isMarkupBracket(text, q, c)) {
      if (mode == StopAtTag && c == '<') return {kNotFound, scanned};
      if (mode == StopAtTagEnd && c == '>') return {kNotFound, scanned};
    }
  }
  return {kNotFound, scanned};
}

}  // namespace

Pos findInBlock(const TextView& text, Pos start, std::string_view pattern, StopMode mode) {
  return searchBlock(text, start, pattern, mode).found;
}

Pos findInBlockBefore(const TextView& text, Pos start, std::string_view pattern, StopMode mode, Pos limit, bool* gaveUp,
                      Pos* lookedTo) {
  // The search over the text cut at the limit agrees with the whole search
  // unless it looked at the cut's last character, whose next one it cannot
  // see, or ran out of text at the cut.
  const Pos cutEnd = std::clamp<Pos>(limit, 0, text.end());
  const TextView cut(text.data, static_cast<std::size_t>(cutEnd), text.encoding(), text.charset);
  const BlockSearch search = searchBlock(cut, start, pattern, mode);
  if (gaveUp != nullptr) {
    *gaveUp = search.found == kNotFound && cutEnd < text.end() && search.lookedTo >= cutEnd - text.step;
  }
  if (lookedTo != nullptr) *lookedTo = search.lookedTo;
  return search.found;
}

namespace {

// readValue and valueLength in one: what is not asked for (nullptr) is not
// written, and nothing is copied without `out`.
std::size_t scanValue(const TextView& text, Pos pos, ValueMode mode, std::string* out, QuoteKind* quoteKind,
                      std::int64_t* spanLength, ValueContent* content) {
  enum class State { Bare, DoubleQuoted, SingleQuoted, Escaped, Parenthesised };
  if (out != nullptr) out->clear();
  const int step = text.step;
  State state = State::Bare;
  QuoteKind kind = Bare;
  std::int64_t span = 0;
  std::size_t count = 0;
  bool ended = false;
  ValueContent between{pos, pos};

  if (pos >= 0 && pos < text.end()) {
    Pos p = pos;
    // Each opening delimiter is tested where the previous one left off; the
    // last one found sets the state.
    if (charIs(text, p, '"')) {
      state = State::DoubleQuoted;
      kind = Delimited;
      span = 1;
      p += step;
    }
    if (charIs(text, p, '\'')) {
      state = State::SingleQuoted;
      kind = Delimited;
      span += 1;
      p += step;
    }
    if (charIs(text, p, '\\') && (charIs(text, p + step, '"') || charIs(text, p + step, '\''))) {
      state = State::Escaped;
      kind = EscapedQuotes;
      span += 2;
      p += 2 * step;
    }
    if (mode == StyleValue && charIs(text, p, '(')) {
      state = State::Parenthesised;
      kind = Delimited;
      span += 1;
      p += step;
    }
    between.start = p;
    char styleQuote = '\0';  // the quote of a run open inside url( ) parentheses

    while (text.hasChar(p)) {
      char c;
      char next = '\0';  // no next character: never '=' nor a quote
      if (!text.hasChar(p + step)) {
        c = text.charAt(p);
      } else if (step == 1) {
        c = static_cast<char>(text.data[p]);
        next = static_cast<char>(text.data[p + 1]);
      } else {
        const auto pair = narrowPair(text.data + p);
        c = pair.first;
        next = pair.second;
      }
      if (isControl(c)) {
        const Pos after = text.afterControls(p);
        span += (after - p) / step;
        p = after;
        continue;
      }

      bool ordinary = false;  // copied without the bracket and brace tests
      switch (state) {
        case State::Bare: ended = c == ' ' || c == '"' || c == '\''; break;
        case State::DoubleQuoted: ended = c == '"'; break;
        case State::SingleQuoted: ended = c == '\''; break;
        case State::Parenthesised:
          if (c == '"' || c == '\'') {
            if (styleQuote == '\0') {
              styleQuote = c;
            } else if (styleQuote == c) {
              styleQuote = '\0';
            }
          }
          ended = c == ')' && styleQuote == '\0';
          break;
        case State::Escaped:
          if (c == '\\') {
            ended = next == '"';
            ordinary = !ended;
          }
          break;
      }
      if (ended) {
        between.end = p;
        if (state == State::Escaped) {
          span += 2;
        } else if (state != State::Bare) {
          span += 1;
        }
        break;
      }
      if (!ordinary && next != '=') {
        if ((mode == AttributeValue && (c == '<' || c == '>')) || (mode == TagValue && c == '>')) {
          ended = true;
          between.end = p;
          break;
        }
      }
      if (!ordinary && mode == StyleValue && (c == '{' || c == '}')) {
        ended = true;
        between.end = p;
        break;
      }

      if (count == kValueBufferChars) break;  // too long for the value buffer: skipped below
      if (out != nullptr) appendHostChar(text, p, *out);
      ++count;
      ++span;
      p += step;
    }
  }

  if (quoteKind != nullptr) *quoteKind = kind;
  if (!ended) {
    // Ran into the end of the buffer, or overflowed the value buffer.
    if (out != nullptr) out->clear();
    count = 0;
    span = 0;
    between = {pos, pos};
  }
  if (spanLength != nullptr) *spanLength = span;
  if (content != nullptr) *content = between;
  return count;
}

}  // namespace

ValueRead readValue(const TextView& text, Pos pos, ValueMode mode) {
  ValueRead read;
  read.count = scanValue(text, pos, mode, &read.text, &read.quoteKind, &read.spanLength, &read.content);
  return read;
}

std::size_t valueLength(const TextView& text, Pos pos, ValueMode mode) {
  return scanValue(text, pos, mode, nullptr, nullptr, nullptr, nullptr);
}

bool isInScriptComment(const TextView& text, Pos pos) {
  if (pos < 0) return false;
  const int step = text.step;

  // Line comment: look back to the start of the line, from `pos` itself so
  // that the "//" of the comment counts as inside it.
  Pos p = pos;
  if (p >= text.end()) {
    // Beyond the end: start from the last whole character on the same step grid.
    const Pos excess = (p - text.end()) + step;
    p -= (excess + step - 1) / step * step;
  }
  for (; p >= 0; p -= step) {
    if (!text.hasChar(p)) continue;
    const char c = text.charAt(p);
    if (c == '\r' || c == '\n') break;
    if (c == '/' && charIs(text, p + step, '/')) return true;
  }

  // Block comment, in one forward pass: the first "/*" or "*/" at or after
  // `pos` decides, except that an opener first needs a closer after it to
  // count as not inside.
  Pos opener = kNotFound;
  for (Pos q = pos; text.hasChar(q); q += step) {
    const char c = text.charAt(q);
    if (c != '/' && c != '*') continue;
    if (opener == kNotFound) {
      if (c == '*' && charIs(text, q + step, '/')) return true;
      if (c == '/' && charIs(text, q + step, '*')) opener = q;
    } else if (q > opener && c == '*' && charIs(text, q + step, '/')) {
      return false;
    }
  }
  return opener != kNotFound;
}

}  // namespace quillorn
