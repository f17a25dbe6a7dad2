#pragma once
// The scanner of HTML files: the tag passes of the link-tag table, then the
// url( ) arguments of STYLE blocks and, when asked for, the protocol strings
// of SCRIPT blocks. One walk over the raw buffer finds the tags of every pass
// (and the STYLE and SCRIPT blocks); the passes then read their tags' values
// in the table's order, hand each to classifyUrl, and the scanner writes one
// status line for the file.
//
// Known limits: the document is never parsed into a tree, so a tag inside a
// comment is found like any other, and a file's entries follow the order of
// the passes, not of its text; only the first matching attribute of a tag is
// read in each pass.

#include <cstdint>

#include "core/model/progress_panel.h"
#include "core/search/search_context.h"
#include "core/text/document_buffer.h"

namespace quillorn {

// Scans one HTML file: the entries it recorded, and whether the user stopped
// it (no status line is written then; the entries made so far stay).
PassCount scanHtmlFile(SearchContext& context, const DocumentBuffer& buffer, std::int32_t fileIndex);

// The tag passes over a whole buffer, adding the entries they record to
// `found`. `barPosition` and `barSteps` are the lower progress bar, updated in
// place; `plainFindTag` chooses findTag over findTagOutsideScript. Stopped
// when the user stopped between two passes.
PassEnd scanHtmlTags(SearchContext& context, const TextView& text, std::int32_t fileIndex, std::int64_t& found,
                     std::int64_t& barPosition, std::int64_t& barSteps, bool plainFindTag);

}  // namespace quillorn
