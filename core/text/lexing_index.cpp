#include "core/text/lexing_index.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "core/text/ascii.h"

namespace quillorn {
namespace {

bool charIs(const TextView& text, Pos pos, char c) { return text.hasChar(pos) && text.charAt(pos) == c; }

bool isControl(char c) { return static_cast<unsigned char>(c) < 32; }

// The quoted run findInBlock is in: the index into StopTable::stopAt.
enum Run : std::size_t { Outside = 0, InDouble = 1, InSingle = 2 };

// A quote that moves findInBlock's state: one not preceded by a backslash.
// The first character a search looks at has nothing before it in the search,
// so stopPosition treats a quote there apart.
bool isRunQuote(const TextView& text, Pos pos, char c) {
  return (c == '"' || c == '\'') && !charIs(text, pos - text.step, '\\');
}

// From the last event back: for each quoted run, the event at which a reader
// that reaches event i in that run stops, given where it stops from event
// i + 1. A quote switches between Outside and its run; any other event is
// settled by `settle(c, i, here)`.
template <typename Settle>
void fillStops(const TextView& text, const std::vector<Pos>& events, std::array<std::vector<std::uint32_t>, 3>& stops,
               std::uint32_t none, Settle settle) {
  const std::size_t count = events.size();
  for (auto& column : stops) column.resize(count);
  std::array<std::uint32_t, 3> after = {none, none, none};
  for (std::size_t i = count; i-- > 0;) {
    std::array<std::uint32_t, 3> here = after;
    const char c = text.charAt(events[i]);
    if (c == '"') {
      here[Outside] = after[InDouble];
      here[InDouble] = after[Outside];
    } else if (c == '\'') {
      here[Outside] = after[InSingle];
      here[InSingle] = after[Outside];
    } else {
      settle(c, static_cast<std::uint32_t>(i), here);
    }
    for (std::size_t run = 0; run < 3; ++run) stops[run][i] = here[run];
    after = here;
  }
}

// The characters collect() keeps: most of a page is none of them, and one
// table look-up passes those.
constexpr auto kWanted = [] {
  std::array<bool, 256> wanted{};
  for (std::size_t b = 0; b < 32; ++b) wanted[b] = true;
  for (const char c : std::string_view(" \"')\\{}<>")) wanted[static_cast<unsigned char>(c)] = true;
  return wanted;
}();

}  // namespace

LexingIndex::LexingIndex(const TextView& text, std::int64_t plainBudget)
    : text_(text),
      listed_(text.size < static_cast<std::size_t>(kNoEvent)),
      plainBudget_(plainBudget >= 0 ? plainBudget : kPlainPasses * (text.end() / text.step) + 4096) {}

LexingIndex::KindSet LexingIndex::kindsAt(Pos pos, char c) const {
  const Pos next = pos + text_.step;
  switch (c) {
    case ' ': return bit(Space);
    case '"': return bit(DoubleQuote);
    case '\'': return bit(SingleQuote);
    case ')': return bit(CloseParen);
    case '{':
    case '}': return bit(Brace);
    case '\\': return charIs(text_, next, '"') ? bit(EscapedDoubleQuote) : 0;
    case '<': return charIs(text_, next, '=') ? 0 : bit(MarkupLt);
    case '>': return charIs(text_, next, '=') ? 0 : bit(MarkupGt);
    default: return 0;
  }
}

bool LexingIndex::listable(Pos pos) const { return listed_ && pos >= 0 && pos < text_.end() && pos % text_.step == 0; }

void LexingIndex::collect() {
  collected_ = true;
  const TextView& t = text_;
  std::int64_t controls = 0;
  const auto take = [&](Pos p, char c) {
    if (isControl(c)) {
      ++controls;
      if (!controlRuns_.empty() && controlRuns_.back().end == p) {
        controlRuns_.back().end = p + t.step;
      } else {
        controlsBefore_.push_back(controls - 1);
        controlRuns_.push_back({p, p + t.step});
      }
      return;
    }
    if (isRunQuote(t, p, c)) runQuotes_.push_back(p);
    const KindSet kinds = kindsAt(p, c);
    for (std::size_t kind = 0; kind < kKindCount; ++kind) {
      if ((kinds & bit(static_cast<Kind>(kind))) != 0) positions_[kind].push_back(p);
    }
  };
  if (t.step == 1) {
    for (std::size_t i = 0; i < t.size; ++i) {
      if (kWanted[t.data[i]]) take(static_cast<Pos>(i), static_cast<char>(t.data[i]));
    }
    return;
  }
  for (Pos p = 0; t.hasChar(p); p += t.step) {
    // An ASCII code unit narrows to itself; only the others need the table.
    const auto unit = static_cast<std::uint16_t>(t.data[p] | (t.data[p + 1] << 8));
    const char c = unit < 0x80 ? static_cast<char>(unit) : t.charAt(p);
    if (kWanted[static_cast<unsigned char>(c)]) take(p, c);
  }
}

TextView LexingIndex::view() const {
  TextView view = text_;
  if (collected_) view.controlRuns = &controlRuns_;
  return view;
}

std::int64_t LexingIndex::controlsBefore(Pos pos) const {
  // The runs that start before `pos`; the last of them may reach beyond it.
  const auto after = std::lower_bound(controlRuns_.begin(), controlRuns_.end(), pos,
                                      [](const ControlRun& run, Pos p) { return run.start < p; });
  if (after == controlRuns_.begin()) return 0;
  const auto last = static_cast<std::size_t>(after - controlRuns_.begin()) - 1;
  const ControlRun& run = controlRuns_[last];
  return controlsBefore_[last] + (std::min(pos, run.end) - run.start) / text_.step;
}

Pos LexingIndex::firstAtOrAfter(Kind kind, Pos pos) {
  const std::vector<Pos>& list = positions_[kind];
  const auto it = std::lower_bound(list.begin(), list.end(), pos);
  return it == list.end() ? kNotFound : *it;
}

const std::vector<Pos>& LexingIndex::hits(const std::string& foldedPattern) {
  for (const auto& [pattern, list] : hits_) {
    if (pattern == foldedPattern) return list;
  }
  std::vector<Pos> list;
  const TextView& t = text_;
  const auto matchesAt = [&](Pos p) {
    for (char want : foldedPattern) {
      if (!t.hasChar(p) || asciiUpper(t.charAt(p)) != want) return false;
      p += t.step;
    }
    return true;
  };
  // Candidates are where the first character stands, in either case. A
  // UTF-16 code unit narrows to an ASCII character other than '_' only when it
  // is that character, so there the candidates are the units whose low byte
  // is the character and whose high byte is zero.
  const char first = foldedPattern.front();
  const char lower = asciiLower(first);
  const int step = t.step;
  if (static_cast<unsigned char>(first) < 0x80 && first != '_') {
    const auto* begin = reinterpret_cast<const char*>(t.data);
    const auto next = [&](std::size_t from, char c) -> std::size_t {
      for (;;) {
        const void* found = from < t.size ? std::memchr(begin + from, c, t.size - from) : nullptr;
        if (found == nullptr) return t.size;
        const auto at = static_cast<std::size_t>(static_cast<const char*>(found) - begin);
        if (step == 1 || (at % 2 == 0 && at + 1 < t.size && begin[at + 1] == '\0')) return at;
        from = at + 1;
      }
    };
    std::size_t upperAt = next(0, first);
    std::size_t lowerAt = lower == first ? t.size : next(0, lower);
    while (upperAt < t.size || lowerAt < t.size) {
      const std::size_t at = std::min(upperAt, lowerAt);
      if (matchesAt(static_cast<Pos>(at))) list.push_back(static_cast<Pos>(at));
      if (at == upperAt) upperAt = next(at + 1, first);
      if (at == lowerAt) lowerAt = next(at + 1, lower);
    }
  } else {
    for (Pos p = 0; t.hasChar(p); p += step) {
      if (matchesAt(p)) list.push_back(p);
    }
  }
  hits_.emplace_back(foldedPattern, std::move(list));
  return hits_.back().second;
}

LexingIndex::StopTable& LexingIndex::stopTable(StopMode mode) {
  StopTable& table = stopTables_[mode == StopAtTag ? 0 : 1];
  if (table.built) return table;
  table.built = true;
  const std::vector<Pos>& brackets = positions_[mode == StopAtTag ? MarkupLt : MarkupGt];
  std::merge(runQuotes_.begin(), runQuotes_.end(), brackets.begin(), brackets.end(), std::back_inserter(table.events));

  // Any other event is a bracket, which ends a search outside quotes.
  fillStops(text_, table.events, table.stopAt, kNoEvent,
            [](char, std::uint32_t i, std::array<std::uint32_t, 3>& here) { here[Outside] = i; });
  return table;
}

Pos LexingIndex::stopPosition(Pos start, StopMode mode) {
  const StopTable& table = stopTable(mode);
  // A quote that opens the search counts even after a backslash: the search
  // has not seen the backslash. Such a quote is no event, so the first event
  // after it is reached inside the run it opens.
  Run run = Outside;
  const char first = text_.charOrZero(start);
  if ((first == '"' || first == '\'') && !isRunQuote(text_, start, first)) run = first == '"' ? InDouble : InSingle;
  const auto it = std::lower_bound(table.events.begin(), table.events.end(), start);
  if (it == table.events.end()) return kNotFound;
  const std::uint32_t stop = table.stopAt[run][static_cast<std::size_t>(it - table.events.begin())];
  return stop == kNoEvent ? kNotFound : table.events[stop];
}

Pos LexingIndex::argumentEnd(Pos start) {
  ArgumentEndTable& table = argumentEnds_;
  if (!table.built) {
    table.built = true;
    for (const Kind kind : {DoubleQuote, SingleQuote, CloseParen, Brace}) {
      table.events.insert(table.events.end(), positions_[kind].begin(), positions_[kind].end());
    }
    std::sort(table.events.begin(), table.events.end());
    // A ")" ends the argument outside quotes; a brace ends it in any run.
    fillStops(text_, table.events, table.endAt, kNoEvent,
              [](char c, std::uint32_t i, std::array<std::uint32_t, 3>& here) {
                if (c == ')') {
                  here[Outside] = i;
                } else {
                  here = {i, i, i};
                }
              });
  }
  const auto it = std::lower_bound(table.events.begin(), table.events.end(), start);
  if (it == table.events.end()) return kNotFound;
  const std::uint32_t end = table.endAt[Outside][static_cast<std::size_t>(it - table.events.begin())];
  return end == kNoEvent ? kNotFound : table.events[end];
}

Pos LexingIndex::findInBlock(Pos start, std::string_view pattern, StopMode mode, Pos end) {
  end = std::min(end, text_.end());
  const TextView cut(text_.data, static_cast<std::size_t>(std::max<Pos>(end, 0)), text_.encoding(), text_.charset);
  const bool plainPattern = !pattern.empty() && pattern.find_first_of("\"'<>") == std::string_view::npos;
  const bool endAtTag = end == text_.end() || charIs(text_, end, '<');
  if (!listable(start) || start >= end || !plainPattern || !endAtTag) {
    return quillorn::findInBlock(cut, start, pattern, mode);
  }
  const int step = text_.step;
  if (!collected_) {
    bool gaveUp = false;
    Pos lookedTo = start;
    const Pos found =
        findInBlockBefore(cut, start, pattern, mode, start + std::max<Pos>(plainBudget_, 0) * step, &gaveUp, &lookedTo);
    plainBudget_ -= (lookedTo - start) / step;
    if (!gaveUp) return found;
    collect();
  }

  const std::vector<Pos>& list = hits(asciiUpperCopy(pattern));
  const auto it = std::lower_bound(list.begin(), list.end(), start);
  if (it == list.end()) return kNotFound;
  const Pos hit = *it;
  // A match that runs past the cut is no match, and none can follow it.
  if (hit + static_cast<Pos>(pattern.size()) * step > end) return kNotFound;
  if (mode != StopAtTag && mode != StopAtTagEnd) return hit;
  // The stop lies before the cut whenever it lies before the hit; one at or
  // after the hit does not matter, and the cut's '<' is followed by no '=',
  // so a bracket just before it is markup in the cut text too.
  const Pos stop = stopPosition(start, mode);
  return stop != kNotFound && stop < hit ? kNotFound : hit;
}

std::size_t LexingIndex::valueLength(Pos pos, ValueMode mode) {
  if (!listable(pos)) return quillorn::valueLength(text_, pos, mode);
  const int step = text_.step;

  // The opening delimiters, tested as readValue tests them; the last one
  // found says what closes the value.
  Pos p = pos;
  KindSet ends = bit(Space) | bit(DoubleQuote) | bit(SingleQuote);  // bare
  if (charIs(text_, p, '"')) {
    ends = bit(DoubleQuote);
    p += step;
  }
  if (charIs(text_, p, '\'')) {
    ends = bit(SingleQuote);
    p += step;
  }
  if (charIs(text_, p, '\\') && (charIs(text_, p + step, '"') || charIs(text_, p + step, '\''))) {
    ends = bit(EscapedDoubleQuote);
    p += 2 * step;
  }
  if (mode == StyleValue && charIs(text_, p, '(')) {
    ends = bit(CloseParen);
    p += step;
  }
  // Inside url( ) parentheses a quote opens a run in which ')' ends nothing.
  const bool quotesHideParen = ends == bit(CloseParen);
  switch (mode) {
    case AttributeValue: ends |= bit(MarkupLt) | bit(MarkupGt); break;
    case TagValue: ends |= bit(MarkupGt); break;
    case StyleValue: ends |= bit(Brace); break;
  }

  Pos end = kNotFound;
  std::int64_t skipped = 0;  // control characters before the end, passed over
  bool found = false;
  if (!collected_) {
    const Pos limit = p + std::max<Pos>(plainBudget_, 0) * step;
    Pos q = p;
    char styleQuote = '\0';
    for (; text_.hasChar(q) && q < limit; q += step) {
      const char c = text_.charAt(q);
      if (!kWanted[static_cast<unsigned char>(c)]) continue;
      if (isControl(c)) {
        ++skipped;
      } else if (quotesHideParen && (c == '"' || c == '\'')) {
        if (styleQuote == '\0') {
          styleQuote = c;
        } else if (styleQuote == c) {
          styleQuote = '\0';
        }
      } else if (c == ')' && styleQuote != '\0') {
        continue;
      } else if ((kindsAt(q, c) & ends) != 0) {
        end = q;
        break;
      }
    }
    plainBudget_ -= (q - p) / step;
    found = end != kNotFound || !text_.hasChar(q);
    if (!found) collect();
  }
  if (!found) {
    if (quotesHideParen) {
      end = argumentEnd(p);
    } else {
      for (std::size_t kind = 0; kind < kKindCount; ++kind) {
        if ((ends & bit(static_cast<Kind>(kind))) == 0) continue;
        const Pos at = firstAtOrAfter(static_cast<Kind>(kind), p);
        if (at != kNotFound && (end == kNotFound || at < end)) end = at;
      }
    }
    if (end != kNotFound) skipped = controlsBefore(end) - controlsBefore(p);
  }
  // Running into the end of the text: no value.
  if (end == kNotFound) return 0;
  const auto count = static_cast<std::size_t>((end - p) / step - skipped);
  // Longer than the value buffer: skipped as readValue skips it.
  return count > kValueBufferChars ? 0 : count;
}

Pos LexingIndex::findTagEnd(Pos pos) {
  if (!listable(pos)) return quillorn::findTagEnd(text_, pos);
  const int step = text_.step;
  if (!collected_) {
    // findTagEnd over the text cut at the limit is right wherever the '>' it
    // finds has its next character inside the cut.
    const Pos limit = std::min(text_.end(), pos + std::max<Pos>(plainBudget_, 0) * step);
    const TextView cut(text_.data, static_cast<std::size_t>(limit), text_.encoding(), text_.charset);
    const Pos end = pos < limit ? quillorn::findTagEnd(cut, pos) : kNotFound;
    const bool sure = limit == text_.end() || (end != kNotFound && end < limit);
    plainBudget_ -= ((end == kNotFound ? limit : end) - pos) / step;
    if (sure) return end;
    collect();
  }
  const Pos bracket = firstAtOrAfter(MarkupGt, pos);
  return bracket == kNotFound ? kNotFound : bracket + step;
}

}  // namespace quillorn
