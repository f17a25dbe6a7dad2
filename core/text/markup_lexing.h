#pragma once
// The text searches by which the scanners and the rewriting pass find tags,
// attributes, values, style and script text without building a parse tree.
// Every routine takes a TextView (either encoding), works in byte offsets,
// moves by the character step, and never reads at or beyond the view's size.
// Letters compare case-insensitively by folding only 'a' to 'z'.
//
// Two rules recur: a '<' or '>' is markup only when the character after it is
// not '=' ("<=" and ">=" are ordinary characters); a double or single quote
// opens a run that the next quote of the same kind closes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/text/document_buffer.h"

namespace quillorn {

enum StopMode : int {
  StopAtTag = 0,     // give up at the first markup '<' outside quoted runs
  StopAtTagEnd = 1,  // give up at the first markup '>' outside quoted runs
  NoStop = 2,        // search to the end of the buffer
};

enum ValueMode : int {
  AttributeValue = 0,  // a markup '<' or '>' ends the value
  StyleValue = 1,      // '(' opens, ')' closes, '{' or '}' ends the value
  TagValue = 2,        // a markup '>' ends the value
};

// How a value is delimited in its file.
enum QuoteKind : std::int32_t {
  Bare = 0,           // no delimiter
  Delimited = 1,      // one delimiter on each side: '"', '\'' or the "(" ")" of url( )
  EscapedQuotes = 2,  // a backslash and a quote on each side
};

// The value buffer of every caller: 65,535 characters plus the terminating zero.
// A value with more characters than this is skipped: readValue and
// findAttribute report it as empty (0, span 0, empty output), so it is never
// recorded and never rewritten.
inline constexpr std::size_t kValueBufferChars = 65535;

// The next '<' at or after `start` followed by `name` (a case-insensitive
// prefix match: "A" also finds "<ABBR"), or -1. With an empty name the search
// is for '<' alone and starts one character after `start`.
Pos findTag(const TextView& text, std::string_view name, Pos start);

// Like findTag, but an occurrence inside a script block (after a "<SCRIPT" and
// before the next "</SCRIPT") is skipped, and the search goes on after that
// tag's end. -1 when none remains or a skipped tag has no end.
Pos findTagOutsideScript(const TextView& text, std::string_view name, Pos start);

// Finds attribute `name` inside the tag whose '<' is at `tagPos` and returns
// the number of value characters counted (0: not found, no value, or longer
// than the value buffer). `valuePos` receives the offset just after the '='
// when the name was found with a '=' after it. When `out` is given it receives
// the counted characters (narrowed for UTF-16).
std::size_t findAttribute(const TextView& text, Pos tagPos, std::string_view name, std::string* out,
                          Pos* valuePos);

// The position just after the first markup '>' at or after `pos`, or -1.
Pos findTagEnd(const TextView& text, Pos pos);

// The first occurrence of `pattern` (case-insensitive) at or after `start`, or
// -1 when the stop mode's boundary or the end of the buffer comes first.
Pos findInBlock(const TextView& text, Pos start, std::string_view pattern, StopMode mode);

// Reads one value at `pos` and returns the number of characters copied; 0 when
// the value is empty, runs into the end of the buffer, or is longer than the
// value buffer (then `out` is empty and the span 0). `quoteKind` and
// `spanLength` (characters the value occupies in the file, delimiters and
// dropped control characters included) are written when given.
std::size_t readValue(const TextView& text, Pos pos, ValueMode mode, std::string* out, QuoteKind* quoteKind,
                      std::int64_t* spanLength);

// Whether `pos` in script text lies in a "//" line comment or a "/*" block comment.
bool isInScriptComment(const TextView& text, Pos pos);

}  // namespace quillorn
