#pragma once
// The new content of one document: the text between its recorded occurrences
// copied unchanged, and at each occurrence the value left alone, replaced
// (keeping its delimiters), or its whole start tag removed (and later that
// element's end tag), as the occurrence's replacement and the deletion
// policies decide. Output goes front to back into a sink, piece by piece.
//
// Known limits: a removed start tag ends at the first '>' not followed by '=',
// even inside a quoted value; an end tag goes only when no start tag of the
// same name comes before it; a script string or style-sheet url( ) has no tag,
// so deleting it leaves it as it is.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/files/file_list.h"
#include "core/model/url_table.h"
#include "core/settings/settings.h"
#include "core/text/document_buffer.h"

namespace quillorn {

// Where rewritten bytes go. write() returns false when the bytes could not be
// written; the rewrite then stops at once.
class OutputSink {
 public:
  virtual ~OutputSink() = default;
  virtual bool write(const std::uint8_t* bytes, std::size_t count) = 0;
};

// Collects the output in memory (for previews and tests).
class StringSink : public OutputSink {
 public:
  bool write(const std::uint8_t* bytes, std::size_t count) override {
    text.append(reinterpret_cast<const char*>(bytes), count);
    return true;
  }
  std::string text;
};

struct RewriteResult {
  std::size_t occurrences = 0;  // this document's entries, whatever was done with each
  // The values of the occurrences (valueCount) that the output holds anew
  // (other bytes than they had) or removes with their tag. Every other value
  // is output as it stood: left alone by its decision (DO NOT CHANGE, or a
  // new value that reads as the old one), by a deletion policy (keep) or
  // rule (a FRAME, a script string or a url( ) is never deleted), or because
  // its span does not fit the text. A value in text that another
  // occurrence's change replaced or removed counts as changed.
  std::size_t changedValues = 0;
  bool writeFailed = false;  // the sink refused a write; the output, and `changedValues`, are incomplete
};

// Rewrites the document `text` (UTF-16 already in little-endian order) of
// file-list entry `fileIndex`. `occurrences` are the indices of the table's
// entries for this file (see entriesByFile); they are handled in file order,
// equal offsets in table order. Indices of other files or past the table are
// ignored; entries whose span does not fit the text are counted but left
// alone. Stops at the first refused write.
RewriteResult rewriteDocument(const TextView& text, const UrlTable& table, const std::vector<std::size_t>& occurrences,
                              const FileList& files, const Settings& settings, std::int32_t fileIndex, OutputSink& out);

// The number of values that the table entries `entries` stand for: entries
// at one offset of one file (an address both broken and without its
// protocol, say) are one value, one link of the page.
std::size_t valueCount(const UrlTable& table, const std::vector<std::size_t>& entries);

// For every file-list index, the indices of its table entries in table order;
// one walk over the table.
std::vector<std::vector<std::size_t>> entriesByFile(const UrlTable& table, std::size_t fileCount);

// `target` made relative to the document at `documentPath` when it is a
// "file://" URL or absolute path text (platform::isAbsolutePathText),
// optionally in double quotes; otherwise unchanged.
std::string resolveTarget(std::string_view target, std::string_view documentPath);

// The bytes of a new value for `entry`: its own opening delimiters, `value`
// (host text) in the document's own text, its own closing delimiters.
std::string composeValue(const TextView& text, const UrlEntry& entry, std::string_view value);

}  // namespace quillorn
