#pragma once
// The search for protocol strings in script text, shared by the script-file
// scanner (whole files) and the HTML scanner (script blocks).
//
// Known limits: only strings that begin with a protocol name are taken for
// URLs (a relative path in a string is never found), and comments are told by
// "//" on the line before and by the next "/*" and "*/", so a "//" inside an
// earlier string hides what follows it on that line.

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "core/search/block_hits.h"
#include "core/search/search_context.h"
#include "core/text/document_buffer.h"
#include "core/text/lexing_index.h"
#include "core/text/markup_lexing.h"

namespace quillorn {

// The only strings in script text taken for URLs: those that begin with one of
// these, searched in this order.
inline constexpr std::array<std::string_view, 5> kScriptProtocols = {"http://", "https://", "ftp://", "gopher://",
                                                                     "file://"};

// Answers isInScriptComment for one document, for positions where a protocol
// name starts. isInScriptComment looks forward for the next "/*" and "*/" from
// every position it is asked about, which costs up to the rest of the file for
// each string found; this keeps the positions of both markers, collected in
// one pass on first use, so each question costs a look back along its line
// and two binary searches.
class ScriptCommentCheck {
 public:
  explicit ScriptCommentCheck(const TextView& text) : text_(text) {}

  // Same answer as isInScriptComment(text, pos) for any `pos` inside the text.
  bool contains(Pos pos);

 private:
  bool inLineComment(Pos pos) const;
  void collectMarkers();

  TextView text_;
  bool collected_ = false;
  std::vector<Pos> openers_;  // every "/*", ascending
  std::vector<Pos> closers_;  // every "*/", ascending
};

// The text one search for protocol strings covers: from `start` with `mode`,
// taking only hits before `end` (the end of the text, or the '<' of the
// closing tag of a script block).
struct ScriptRegion {
  Pos start;
  Pos end;
  StopMode mode;
};

// Finds `protocol` in `region`. Each hit outside a comment is moved back onto
// the quote (or backslash and quote) that opens its string and classified as
// a ScriptString; the search goes on past the value read there. A hit that
// `hits` says was handled before is not classified again. Returns the number
// of entries recorded.
std::int64_t searchScriptStrings(SearchContext& context, LexingIndex& index, std::int32_t fileIndex,
                                 std::string_view protocol, ScriptRegion region, ScriptCommentCheck& comments,
                                 BlockHits& hits);

}  // namespace quillorn
