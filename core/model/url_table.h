#pragma once
// The found-URL table: one entry per occurrence of a URL that needs attention,
// in the order the search recorded them (file by file in file-list order, and
// inside a file in the order of the scanner's passes). The decision for an
// entry is not stored apart: it is derived from the entry's replacement text.
//
// Known limits: at most kCapacity entries per search (further findings are
// counted as dropped, never kept); an entry's positions hold only in the bytes
// its file's source stamp describes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/text/document_buffer.h"
#include "core/text/markup_lexing.h"

namespace quillorn {

// `tagPos` values that name an origin instead of the '<' of a tag.
inline constexpr std::int64_t ScriptString = -1;  // a protocol string in script text
inline constexpr std::int64_t StyleUrl = -2;      // the argument of a style-sheet url( )

// Marks a replacement that is to be made relative to each document.
inline constexpr std::string_view RelativeMarker = "???";

struct UrlEntry {
  std::string replacement;       // proposed new value: ["???"] ['"'] text ['"']
  QuoteKind quoteKind = Bare;    // how the value is delimited in the file
  std::int64_t spanLength = 0;   // characters the value occupies, delimiters included
  std::string url;               // the value as read (and decoded), with its fragment
  std::int64_t valuePos = 0;     // byte offset of the value's first character
  std::int64_t tagPos = 0;       // '<' of the tag, or ScriptString / StyleUrl
  std::int32_t fileIndex = 0;    // index in the file list
  std::int32_t groupIndex = -1;  // results-list line that shows the entry
  bool internetUrl = false;      // an Internet URL not confirmed reachable (checked or not)
};

// Whether two entries stand for the same finding: the same value, read the
// same way, at the same place of the same file. The replacement and the
// results line are decisions about a finding, not part of it.
bool sameFinding(const UrlEntry& a, const UrlEntry& b);

enum class UrlAction { DoNotChange, Delete, ReplaceRelative, Replace };

// What the search read of one file. The entries' positions are offsets into
// exactly those bytes, so a file that no longer matches must not be rewritten
// with them.
struct SourceStamp {
  std::uint64_t size = 0;
  std::int64_t modifiedNs = 0;
  std::uint64_t contentHash = 0;

  friend bool operator==(const SourceStamp&, const SourceStamp&) = default;
};

// The stamp of a document as loaded, before its encoding is decided.
SourceStamp sourceStampOf(const DocumentBuffer& loaded);

class UrlTable {
 public:
  static constexpr std::size_t kCapacity = 65536;

  // Frees every entry and every source stamp and starts a new search's count
  // of dropped findings.
  void clear();

  // Records an entry. Refused, and counted as dropped, when the table is full:
  // the table never grows past its capacity.
  bool append(UrlEntry entry);

  std::size_t count() const { return entries_.size(); }
  bool full() const { return entries_.size() >= kCapacity; }
  // Findings refused since the last clear() because the table was full.
  std::size_t droppedCount() const { return dropped_; }

  // Precondition for all three: index < count().
  const UrlEntry& entry(std::size_t index) const { return entries_[index]; }
  void setReplacement(std::size_t index, std::string replacement);
  void setGroupIndex(std::size_t index, std::int32_t groupIndex);

  const std::vector<UrlEntry>& entries() const { return entries_; }

  // Removes the entries for which `drop` is true, keeping the others in table
  // order and every source stamp. Returns how many were removed.
  template <typename Predicate>
  std::size_t eraseIf(Predicate drop) {
    return static_cast<std::size_t>(std::erase_if(entries_, drop));
  }

  // What the search read of file-list entry `fileIndex`; nullptr when it read
  // nothing of it.
  void recordSource(std::size_t fileIndex, const SourceStamp& stamp);
  const SourceStamp* source(std::size_t fileIndex) const;

 private:
  std::vector<UrlEntry> entries_;
  std::vector<SourceStamp> sources_;  // by file index
  std::vector<bool> sourceRecorded_;
  std::size_t dropped_ = 0;
};

struct UnwrappedReplacement {
  std::string_view value;  // the value text, without marker and quotes
  bool quoted = false;
};

// Reads a replacement back: strips the "???" marker and the double quotes
// that keep a bare value with spaces in one piece. The result views
// `replacement`.
UnwrappedReplacement unwrapReplacement(std::string_view replacement);

// The decision an entry's replacement stands for, tested in this order: a
// non-empty value behind the marker (ReplaceRelative), the value equals the url
// (DoNotChange), is empty (Delete), anything else (Replace).
UrlAction urlAction(std::string_view replacement, std::string_view url);
inline UrlAction urlAction(const UrlEntry& entry) { return urlAction(entry.replacement, entry.url); }

// "DoNotChange", "Delete", "ReplaceRelative" or "Replace".
std::string_view urlActionName(UrlAction action);

}  // namespace quillorn
