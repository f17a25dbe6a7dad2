#pragma once
// The judge of every URL the scanners locate: reads the value, decodes it,
// sorts it by scheme, resolves local links against the file list (never the
// disk), may check Internet URLs, and records what needs attention in the
// found-URL table with a proposed replacement.

#include <cstdint>
#include <string_view>

#include "core/search/search_context.h"
#include "core/text/document_buffer.h"

namespace quillorn {

// Judges the value at `valuePos` of file `fileIndex`; `tagPos` is the '<' of
// its tag, ScriptString or StyleUrl. Returns the number of entries recorded:
// 0, 1 or 2 (a refused entry of a full table is not counted).
int classifyUrl(SearchContext& context, const TextView& text, std::int32_t fileIndex, std::int64_t tagPos,
                std::int64_t valuePos);

// Where a value stands in its file, as the value-reading step found it.
struct ValueSpan {
  QuoteKind quoteKind = Bare;
  std::int64_t spanLength = 0;
};

// Records one occurrence of base + fragment with the replacement proposed for
// `target` (a file-list index, or -1 for none: the replacement then proposes
// deletion). False when the table was full.
bool recordOccurrence(SearchContext& context, std::string_view base, std::string_view fragment,
                      const TextView& text, ValueSpan span, std::int64_t tagPos, std::int64_t valuePos,
                      std::int32_t fileIndex, std::int64_t target);

}  // namespace quillorn
