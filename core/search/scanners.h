#pragma once
// The scanners of HTML files, script files and style sheets. Each finds the
// URLs of one loaded file by repeated text searches over the raw buffer,
// hands each value to classifyUrl, and writes one status line for the file.
// Each returns the running count (1 + entries recorded for the file), or a
// negative number when the user stopped the search during the file (no status
// line is written then).

#include <cstdint>
#include <string>

#include "core/search/search_context.h"
#include "core/text/document_buffer.h"

namespace quillorn {

std::int64_t scanHtmlFile(SearchContext& context, const DocumentBuffer& buffer, std::int32_t fileIndex);
std::int64_t scanScriptFile(SearchContext& context, const DocumentBuffer& buffer, std::int32_t fileIndex);
std::int64_t scanStyleFile(SearchContext& context, const DocumentBuffer& buffer, std::int32_t fileIndex);

// The fifteen tag passes over a whole buffer. `barPosition` and `barSteps` are
// the lower progress bar, updated in place; `plainFindTag` chooses findTag
// over findTagOutsideScript. Returns the new running count, negated on a stop.
std::int64_t scanHtmlTags(SearchContext& context, const TextView& text, std::int32_t fileIndex,
                          std::int64_t runningCount, std::int64_t& barPosition, std::int64_t& barSteps,
                          bool plainFindTag);

// The start of a file's status line: host path, " (", size, " bytes):" and the encoding label.
std::string statusLineStart(const SearchContext& context, const DocumentBuffer& buffer, std::int32_t fileIndex);

// Ends `line` with ", ", runningCount - 1 and " broken URL(s) found" and
// appends it to the panel's status list.
void finishStatusLine(SearchContext& context, std::string& line, std::int64_t runningCount);

}  // namespace quillorn
