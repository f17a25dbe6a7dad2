#pragma once
// The text searches by which the scanners and the rewriting pass find tags,
// attributes, values, style and script text without building a parse tree.
// Every routine takes a TextView (either encoding), works in byte offsets,
// moves by the character step, and never reads at or beyond the view's size.
// Letters compare case-insensitively by folding only 'a' to 'z'.
//
// Two rules recur: a '<' or '>' is markup only when the character after it is
// not '=' ("<=" and ">=" are ordinary characters; a '<' or '>' that is the
// last character is markup); a double or single quote opens a run that the
// next quote of the same kind closes.
//
// A start position that is negative or at or beyond the end finds nothing.
//
// Known limits: comments, CDATA sections and character entities are not
// recognised by the tag searches, and a tag ends at its first markup '>'
// whatever quotes come before it.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

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

// Like findTag, but an occurrence inside a script block is skipped, and the
// search goes on at or after that tag's end (findTagEnd). -1 when none
// remains or a skipped tag has no end.
//
// An occurrence is inside a script block when it lies after a "<SCRIPT" and
// before the first "</SCRIPT" that follows that "<SCRIPT" (both as findTag
// finds them): the nearest script tag starting before it is a "<SCRIPT" and
// it is not itself a "</SCRIPT". Where the tags do not alternate, the same
// rule means that the first "</SCRIPT" closes every open "<SCRIPT", that an
// opening tag never closed makes the rest of the file script, and that a
// closing tag with nothing open is ignored.
Pos findTagOutsideScript(const TextView& text, std::string_view name, Pos start);

// What findTagOutsideScript has learnt about one document's script blocks:
// whether the last script tag starting before `scannedTo` opens a block.
// Without it, every call looks back from its hit to the previous script tag,
// which costs up to the whole file; a pass that walks a document front to
// back should keep one cursor for the pass so the text is classified once.
// A cursor belongs to one document; a hit before `scannedTo` restarts it.
struct ScriptBlockCursor {
  Pos scannedTo = 0;
  bool inScript = false;
};

// findTagOutsideScript, reusing and advancing `cursor`.
Pos findTagOutsideScript(const TextView& text, std::string_view name, Pos start, ScriptBlockCursor& cursor);

// One walk of a tag search over a document, for findTagWalks.
struct TagWalkSpec {
  std::string_view name;  // in capitals, not empty
  // findTagOutsideScript with one cursor for the walk, instead of findTag.
  bool outsideScript = false;
  // After a hit the walk goes on at the next "</SCRIPT" at or after it (and
  // ends when there is none) instead of at the next '<'; for a name that never
  // matches a "</SCRIPT" itself, such as "SCRIPT".
  bool hopToScriptClose = false;
};

// The hits of several tag walks, found in one pass over the text. Walk i
// appends to hits[i] what these calls would return one after another: from 0,
// findTag(text, name, start), or findTagOutsideScript(text, name, start,
// cursor) with one cursor for the walk, each next start being the next '<'
// after the hit (or, with hopToScriptClose, the next "</SCRIPT" at or after
// it). Precondition: hits.size() >= walks.size().
void findTagWalks(const TextView& text, std::span<const TagWalkSpec> walks, std::span<std::vector<Pos>> hits);

// Finds attribute `name` inside the tag whose '<' is at `tagPos` and returns
// the number of value characters counted (0: not found, no value, or longer
// than the value buffer). `valuePos` receives the offset just after the '='
// when the name was found with a '=' after it, else -1. When `out` is given it
// receives the counted characters as host text (appendHostChar), else it is
// emptied.
//
// The name is searched from the character after `tagPos` as a substring
// ("src" also ends "lowsrc"), hopping over quoted runs, and gives up at a
// markup '<' or '>'; only its first occurrence is tried, and it must be
// followed directly by '='. A control character (1 to 31) in the value is
// dropped together with the controls after it, and the next character is
// taken in its place even when it would have ended the value.
std::size_t findAttribute(const TextView& text, Pos tagPos, std::string_view name, std::string* out, Pos* valuePos);

// What findAttribute has learnt about one document while it looks for one
// attribute name in tag after tag. The search for the name hops over quoted
// runs, and a value passes over control characters and takes what follows
// them whatever it is, so the text read for one tag can run on through the
// tags after it; searches that reach the same point go on alike from there.
// The memo keeps where each one that got there came out, so no stretch of
// text is read twice. A pass over a document's tags keeps one per name.
struct AttributeMemo {
  // For the landing of each hop over a quoted run: where the name is, or -1.
  std::unordered_map<Pos, Pos> nameAfterHop;
  // For each character taken after a control run (keyed with the value's
  // quote): how many characters the value takes from it on.
  std::unordered_map<Pos, std::size_t> valueAfterRun;
};

// findAttribute without `out`, with `memo` (for this document and name).
std::size_t findAttribute(const TextView& text, Pos tagPos, std::string_view name, Pos* valuePos, AttributeMemo& memo);

// The position just after the first markup '>' at or after `pos`, or -1.
Pos findTagEnd(const TextView& text, Pos pos);

// The first occurrence of `pattern` (case-insensitive) at or after `start`, or
// -1 when the stop mode's boundary or the end of the buffer comes first.
Pos findInBlock(const TextView& text, Pos start, std::string_view pattern, StopMode mode);

// findInBlock that looks at no character at or after `limit`: when the answer
// needs one, the result is -1 and `*gaveUp` is set. `*lookedTo` receives the
// position after the last character looked at. For callers that have a faster
// way for long searches and try the plain one first.
Pos findInBlockBefore(const TextView& text, Pos start, std::string_view pattern, StopMode mode, Pos limit, bool* gaveUp,
                      Pos* lookedTo);

// Where the characters between a value's delimiters stand: byte offsets from
// `start` up to, not including, `end`.
struct ValueContent {
  Pos start = 0;
  Pos end = 0;
};

// One value read at `pos`: the number of characters copied to `text` (as host
// text, appendHostChar); 0 when the value is empty, runs into the end of the
// buffer, or is longer than the value buffer (then `text` is empty and the
// span 0). `spanLength` counts the characters the value occupies in the file,
// delimiters and dropped control characters included; `content` has both
// ends at `pos` when nothing was read.
struct ValueRead {
  std::size_t count = 0;
  std::string text;
  QuoteKind quoteKind = Bare;
  std::int64_t spanLength = 0;
  ValueContent content;
};

//
// Inside the parentheses of a StyleValue, a quote opens a run that the same
// quote closes, and a ')' inside that run is part of the value: url("a(1).gif")
// reads as "a(1).gif" with its quotes. The quotes themselves are copied.
ValueRead readValue(const TextView& text, Pos pos, ValueMode mode);

// readValue's count alone, with nothing copied.
std::size_t valueLength(const TextView& text, Pos pos, ValueMode mode);

// Whether `pos` in script text lies in a "//" line comment or a "/*" block
// comment. Line: a "//" starting at or before `pos` on the same line, even one
// inside a string. Block: judged only by what follows: the next "*/" comes
// before the next "/*" (or no "/*" follows), or a "/*" follows that is never
// closed.
bool isInScriptComment(const TextView& text, Pos pos);

}  // namespace quillorn
