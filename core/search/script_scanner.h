#pragma once
// The scanner of script files: the protocol strings of the whole file and,
// when asked for, its tags, searched as in an HTML file.
//
// Known limits: the whole file is taken for script text, so a tag is found
// wherever it stands, strings and comments included; only strings that begin
// with a protocol name are taken for URLs.

#include <cstdint>

#include "core/model/progress_panel.h"
#include "core/search/search_context.h"
#include "core/text/document_buffer.h"

namespace quillorn {

// Scans one script file: the entries it recorded, and whether the user stopped
// it (no status line is written then; the entries made so far stay).
PassCount scanScriptFile(SearchContext& context, const DocumentBuffer& buffer, std::int32_t fileIndex);

}  // namespace quillorn
