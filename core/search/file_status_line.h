#pragma once
// The status line each scanner writes for a file it read to the end, and the
// lines for what the search did not read: a name the file list left out, a
// listed file that is too large or no regular file (any more).
//
// Known limits: a file whose scan was stopped gets no line; the size is the
// byte count of the file as read.

#include <cstdint>
#include <string>

#include "core/search/search_context.h"
#include "core/text/document_buffer.h"

namespace quillorn {

// The start of a file's status line: host path, " (", size, " bytes):" and the encoding label.
std::string statusLineStart(const SearchContext& context, const DocumentBuffer& buffer, std::int32_t fileIndex);

// Ends `line` with ", ", `found` and " broken URL(s) found" and appends it to
// the panel's status list.
void finishStatusLine(SearchContext& context, std::string& line, std::int64_t found);

// "/site/pipe.html: left out, not a regular file (a named pipe)", or
// "/site/gone.js: left out, a link that leads to no file".
std::string leftOutLine(const LeftOutEntry& entry);

// "/site/big.html (300000000 bytes): not searched, larger than 256 MiB", or
// "/site/x.html: not searched, not a regular file".
std::string unsearchedLine(const SearchContext& context, const UnsearchedFile& file, std::uint64_t size);

}  // namespace quillorn
