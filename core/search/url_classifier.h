#pragma once
// The judge of every URL the scanners locate: reads the value, decodes it,
// sorts it by scheme, resolves local links against the file list (never the
// disk), may check Internet URLs, and records what needs attention in the
// found-URL table with a proposed replacement.
//
// Known limits: local links are resolved against the file list only, so a file
// on disk that is not in the list counts as missing; Internet URLs are only
// checked when the option asks for it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/model/url_table.h"
#include "core/search/search_context.h"
#include "core/text/document_buffer.h"

namespace quillorn {

// Judges the value at `valuePos` of file `fileIndex`; `tagPos` is the '<' of
// its tag, ScriptString or StyleUrl. Returns the number of entries recorded:
// 0, 1 or 2 (a refused entry of a full table is not counted). When given,
// `valueLength` receives the character count that readValue gave for the value
// (before decoding), which the scanners use to step over it.
//
// What is judged is the value's address: the value without the blanks (space
// and control characters) before and after it and, in a url( ) argument,
// without one pair of quotes around it. An address narrower than its value is
// recorded as a bare span of its own, so a replacement goes inside what the
// file keeps around it. The address is judged by its path: a query ('?' and
// what follows, before any '#') and a fragment ride along in the entry's url
// and replacement.
//
// A local link names a listed file when the list holds its path, ignoring
// ASCII case; with matchCase, one that holds it only in another letter case
// is recorded, proposed the file's own spelling (an exact spelling wins over
// the first of several that differ only in case).
//
// With the anchor check on, a link to a part of a listed HTML page that is
// otherwise fine (and "#part" in a page, for the page itself) is noted in
// context.anchors, to be judged once every page has been read
// (search/page_anchors.h); it counts here only for what else it records.
//
// Sorted by scheme (ASCII case ignored): "http://", "https://", "ftp://",
// "gopher://" and scheme-relative "//" addresses are Internet URLs (the last
// checked as "https:"); "file://" names a local file; any other scheme (a
// letter, then letters, digits, '+', '-' or '.', then ':', with two characters
// at least before the ':') is never judged, except that "javascript:",
// "vbscript:" and "about:" are ignored only under ignoreScriptLinks and are
// local paths otherwise. Everything else is a path relative to the file.
int classifyUrl(SearchContext& context, const TextView& text, std::int32_t fileIndex, std::int64_t tagPos,
                std::int64_t valuePos, std::size_t* valueLength = nullptr);

// Gives the entries of `lookups` (recorded at `entryOffset` on in
// context.urls) the local copy that context.savedFrom names for them, as
// classifyUrl would have proposed with the table complete.
void proposeSavedFromCopies(SearchContext& context, const std::vector<SavedFromLookup>& lookups,
                            std::size_t entryOffset);

// Where a recorded span stands in its file, and what delimits the value that
// holds it.
struct ValueSpan {
  QuoteKind quoteKind = Bare;
  std::int64_t spanLength = 0;
  // The value's first character when it is a delimiter ('"', '\'' or '('), a
  // backslash when the value opens with a backslash and a double quote, else
  // '\0'. It decides how a deletion and a target with a space are written.
  char opening = '\0';
};

// The entry of one occurrence of `url` where a scanner found it, with no
// proposal yet (its replacement empty, no target).
UrlEntry occurrenceEntry(std::string url, ValueSpan span, std::int64_t tagPos, std::int64_t valuePos,
                         std::int32_t fileIndex);

// The replacement that proposes deleting a value opened by `opening`
// (ValueSpan::opening).
std::string deletionReplacement(char opening);

// Records one occurrence of base + suffix (query and fragment) with the
// replacement proposed for `target` (a file-list index, or -1 for none: the
// replacement then proposes deletion), marked as an Internet URL when
// `internetUrl` is set. False when the table was full.
bool recordOccurrence(SearchContext& context, std::string_view base, std::string_view suffix, ValueSpan span,
                      std::int64_t tagPos, std::int64_t valuePos, std::int32_t fileIndex, std::int64_t target,
                      bool internetUrl = false);

// The replacement that points a value opened by `opening` (ValueSpan::opening)
// in file `fileIndex` at file `target`, followed by `suffix` (query and
// fragment): relative or absolute as the options ask, in double quotes when
// the target's path holds a space and the value stands bare.
std::string targetReplacement(const SearchContext& context, std::size_t target, std::int32_t fileIndex,
                              std::string_view suffix, char opening);

// How an absolute link to a listed file is written into a document.
//   Drive: the path text after "file://" with every ':' written '|' and every
//          '/' written '\' ("file://C|\site\a.htm"), the form Windows reads.
//   Posix: the standard URL of a POSIX host, "file://" followed by the path
//          text with its '\' written '/' ("file:///home/ann/site/a.htm"); the
//          drive form would name no file there.
enum class FileUrlStyle { Drive, Posix };

#ifdef _WIN32
inline constexpr FileUrlStyle kHostFileUrlStyle = FileUrlStyle::Drive;
#else
inline constexpr FileUrlStyle kHostFileUrlStyle = FileUrlStyle::Posix;
#endif

// The absolute "file://" link to `targetPath` (path text) followed by
// `fragment`, wrapped in double quotes when `quote` is set.
std::string absoluteFileUrl(std::string_view targetPath, std::string_view fragment, bool quote, FileUrlStyle style);

}  // namespace quillorn
