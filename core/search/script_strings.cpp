#include "core/search/script_strings.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "core/model/url_table.h"
#include "core/search/url_classifier.h"
#include "core/text/lexing_index.h"
#include "core/text/markup_lexing.h"

namespace quillorn {
namespace {

bool isQuote(char c) { return c == '"' || c == '\''; }

// Where the string holding a protocol name found at `hit` begins: on the
// backslash of an escaped quote, on a plain quote, or at the hit itself.
Pos stringStart(const TextView& text, Pos hit) {
  const Pos before = hit - text.step;
  const Pos twoBefore = hit - 2 * text.step;
  if (text.hasChar(twoBefore) && text.charAt(twoBefore) == '\\' && isQuote(text.charAt(before))) return twoBefore;
  if (text.hasChar(before) && isQuote(text.charAt(before))) return before;
  return hit;
}

// The first position in `sorted` at or after `pos`, or -1.
Pos firstAtOrAfter(const std::vector<Pos>& sorted, Pos pos) {
  const auto it = std::lower_bound(sorted.begin(), sorted.end(), pos);
  return it == sorted.end() ? kNotFound : *it;
}

}  // namespace

bool ScriptCommentCheck::inLineComment(Pos pos) const {
  // Any "//" earlier on the line counts, also one inside a string such as the
  // "//" of an earlier URL; the look back starts at `pos` itself.
  for (Pos p = pos; p >= 0; p -= text_.step) {
    if (!text_.hasChar(p)) continue;
    const char c = text_.charAt(p);
    if (c == '\r' || c == '\n') return false;
    if (c == '/' && text_.hasChar(p + text_.step) && text_.charAt(p + text_.step) == '/') return true;
  }
  return false;
}

void ScriptCommentCheck::collectMarkers() {
  collected_ = true;
  const int step = text_.step;
  if (step == 1) {
    // Every marker holds a '*': jump from one to the next.
    const auto* data = text_.data;
    const std::size_t size = text_.size;
    for (const void* found = std::memchr(data, '*', size); found != nullptr;) {
      const auto p = static_cast<std::size_t>(static_cast<const std::uint8_t*>(found) - data);
      if (p > 0 && data[p - 1] == '/') openers_.push_back(static_cast<Pos>(p - 1));
      if (p + 1 < size && data[p + 1] == '/') closers_.push_back(static_cast<Pos>(p));
      found = p + 1 < size ? std::memchr(data + p + 1, '*', size - p - 1) : nullptr;
    }
    return;
  }
  char previous = '\0';
  for (Pos p = 0; text_.hasChar(p); p += step) {
    const char c = text_.charAt(p);
    if (p > 0) {
      if (previous == '/' && c == '*') openers_.push_back(p - step);
      if (previous == '*' && c == '/') closers_.push_back(p - step);
    }
    previous = c;
  }
}

bool ScriptCommentCheck::contains(Pos pos) {
  if (pos < 0) return false;
  if (inLineComment(pos)) return true;
  if (!collected_) collectMarkers();
  // Judged only by what follows: a closer before the next opener, or an
  // opener that is never closed.
  const Pos opener = firstAtOrAfter(openers_, pos);
  const Pos closer = firstAtOrAfter(closers_, pos);
  if (closer != kNotFound) return opener == kNotFound || closer < opener;
  return opener != kNotFound;
}

std::int64_t searchScriptStrings(SearchContext& context, LexingIndex& index, std::int32_t fileIndex,
                                 std::string_view protocol, ScriptRegion region, ScriptCommentCheck& comments,
                                 BlockHits& hits) {
  const TextView& text = index.text();
  const Pos end = std::min(region.end, text.end());
  // The search itself stops at `end`: a protocol name holds no '<', so no hit
  // before a closing tag runs into it, and what lies beyond is never wanted.
  // The value reading and the comment check still see the whole text.
  std::int64_t made = 0;
  for (Pos pos = region.start; pos >= 0 && pos < end;) {
    const Pos hit = index.findInBlock(pos, protocol, region.mode, end);
    if (hit == kNotFound) break;
    BlockHits::Record* record = hits.reach(hit, region.mode);
    if (record == nullptr) break;
    if (record->resume == kNotFound) {
      Pos valueStart = hit;
      std::size_t length = 0;
      if (comments.contains(hit)) {
        length = index.valueLength(hit, AttributeValue);
      } else {
        valueStart = stringStart(text, hit);
        // A value that runs into the end of the text reads as empty; it is
        // not read only to find that out.
        if (index.valueLength(valueStart, AttributeValue) > 0) {
          made += classifyUrl(context, index.view(), fileIndex, ScriptString, valueStart, &length);
        }
      }
      // Step past the hit at least, so that it is never examined twice.
      const Pos next = valueStart + static_cast<Pos>(length) * text.step;
      record->resume = next > hit ? next : hit + text.step;
    }
    pos = record->resume;
  }
  return made;
}

}  // namespace quillorn
