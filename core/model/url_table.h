#pragma once
// The found-URL table: one entry per occurrence of a URL that needs attention,
// in the order the search recorded them (file by file in file-list order, and
// inside a file in the order of the scanner's passes). The decision for an
// entry is not stored apart: it is kept as the entry's replacement text, which
// replacementText writes and decisionOf reads back.
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

// Marks a replacement that is to be made relative to each document. Only
// replacementText writes it and decisionOf reads it; the decisions file names
// it to say that a value cannot begin with it.
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
  // The file-list entry the search proposed as the link's new target, or -1
  // (a deletion, or a prefix proposal).
  std::int32_t target = -1;
  // The value's first character when it delimits the value ('"', '\'' or
  // '('), a backslash when it opens with a backslash and a double quote, else
  // '\0': what decides how a proposal is written into the value.
  char opening = '\0';
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

// Why the search read nothing of a file of a type it searches.
enum class Unsearched {
  NotRegularFile,  // the name holds a named pipe, socket, device or folder now
  TooLarge,        // it holds more than platform::kMaxReadBytes
};

struct UnsearchedFile {
  std::size_t fileIndex = 0;
  Unsearched why = Unsearched::TooLarge;
};

class UrlTable {
 public:
  static constexpr std::size_t kCapacity = 65536;

  // Frees every entry, every source stamp and every unsearched file and starts
  // a new search's count of dropped findings.
  void clear();

  // Records an entry. Refused, and counted as dropped, when the table is full:
  // the table never grows past its capacity.
  bool append(UrlEntry entry);

  // Appends the entries of `later` (a table filled apart, with the findings
  // that come after these), as append would, and counts its dropped ones.
  // Its source stamps and unsearched files are not taken.
  void takeEntries(UrlTable&& later);
  std::size_t count() const { return entries_.size(); }
  bool full() const { return entries_.size() >= kCapacity; }
  // Findings refused since the last clear() because the table was full.
  std::size_t droppedCount() const { return dropped_; }

  // Precondition for all three: index < count().
  const UrlEntry& entry(std::size_t index) const { return entries_[index]; }
  void setReplacement(std::size_t index, std::string replacement);
  void setGroupIndex(std::size_t index, std::int32_t groupIndex);
  // The search's proposal: the target and the replacement that points at it.
  void setProposal(std::size_t index, std::int32_t target, std::string replacement);

  const std::vector<UrlEntry>& entries() const { return entries_; }

  // Removes the entries for which `drop` is true, keeping the others in table
  // order, every source stamp and every unsearched file. Returns how many were removed.
  template <typename Predicate>
  std::size_t eraseIf(Predicate drop) {
    return static_cast<std::size_t>(std::erase_if(entries_, drop));
  }

  // Puts the entries in file-list order, keeping the order of each file's
  // own entries: for findings made after every file was read.
  void sortByFile();

  // What the search read of file-list entry `fileIndex`; nullptr when it read
  // nothing of it.
  void recordSource(std::size_t fileIndex, const SourceStamp& stamp);
  const SourceStamp* source(std::size_t fileIndex) const;

  // A file the search left unread, and why; recorded in list order. The
  // rewriting names such a file instead of passing it over as unchanged.
  void recordUnsearched(UnsearchedFile file);
  const std::vector<UnsearchedFile>& unsearchedFiles() const { return unsearched_; }
  // nullptr when the search did not leave file-list entry `fileIndex` unread.
  const UnsearchedFile* unsearched(std::size_t fileIndex) const;

 private:
  std::vector<UrlEntry> entries_;
  std::vector<SourceStamp> sources_;  // by file index
  std::vector<bool> sourceRecorded_;
  std::vector<UnsearchedFile> unsearched_;  // ascending file indices
  std::size_t dropped_ = 0;
};

// What an entry's replacement text decides. The views point into that text
// and hold while it is unchanged.
struct Decision {
  // Tested in this order: a non-empty value behind the marker
  // (ReplaceRelative), the value equals the url (DoNotChange), is empty
  // (Delete), anything else (Replace).
  UrlAction action = UrlAction::Delete;
  std::string_view value;     // the value text, without marker and quotes
  std::string_view written;   // what goes into the document: the text after the marker, quotes kept
  bool quoted = false;        // the value is enclosed in double quotes (after the marker)
  bool relativePath = false;  // behind the marker: made relative to each document when written
  // The text is an empty value, bare or as two double quotes, without the
  // marker: how the search proposes a deletion, and what the rewrite deletes
  // by (a tag's deletion rules apply). Not the same as action == Delete: a
  // marker or a lone quote without a value is written as it stands, and an
  // empty text of an empty url reads DoNotChange.
  bool proposesDeletion = false;
};

// The decision `entry.replacement` stands for. A lone quote, or the marker
// followed by a single quote, is quoted and holds no text.
Decision decisionOf(const UrlEntry& entry);

// The replacement text of a decision: the marker in front when `relativePath`,
// `value` in double quotes when `quoted`. decisionOf reads it back as given,
// unless an unquoted value itself begins and ends with a double quote, or an
// unmarked one begins with the marker.
std::string replacementText(std::string_view value, bool quoted, bool relativePath);

// "DoNotChange", "Delete", "ReplaceRelative" or "Replace".
std::string_view urlActionName(UrlAction action);

}  // namespace quillorn
