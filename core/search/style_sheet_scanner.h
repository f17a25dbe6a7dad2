#pragma once
// The scanner of style sheets: the argument of every url( ) of the file.
//
// Known limits: style-sheet comments are not recognised, so a url( ) inside
// one is judged too; @import with a bare string is not read.

#include <cstdint>

#include "core/model/progress_panel.h"
#include "core/search/search_context.h"
#include "core/text/document_buffer.h"

namespace quillorn {

// Scans one style sheet: the entries it recorded, and whether the user
// stopped it (before it began; no status line is written then).
PassCount scanStyleFile(SearchContext& context, const DocumentBuffer& buffer, std::int32_t fileIndex);

}  // namespace quillorn
