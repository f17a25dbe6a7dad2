#pragma once
// Where each finding stands in its file, for the reports a person or a CI
// service reads: line and column, and the line's text around the link.
//
// Known limits: a file is read again for its places; one that no longer holds
// what the search read gets none (line 0). A line is cut to kPlaceContext
// characters on each side of the link.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/files/file_list.h"
#include "core/model/url_table.h"
#include "core/text/document_buffer.h"

namespace quillorn::cli {

inline constexpr std::size_t kPlaceContext = 60;

struct FindingPlace {
  std::int64_t line = 0;       // from 1; 0 when the file changed since the search
  std::int64_t column = 0;     // from 1, in characters (Unicode code points) of the file's text
  std::int64_t endColumn = 0;  // the column after the link, or after its line's part when it goes on
  // The line's text, UTF-8 as a person reads it: before the value ("…" first
  // when cut), the value as it stands in the file, and after it.
  std::string before;
  std::string value;
  std::string after;
};

// One place per entry of `urls`, in table order. Each file with entries is
// read once and checked against the stamp the search recorded, on `threads`
// threads side by side. Without `withText`, the places hold their line and
// columns only.
std::vector<FindingPlace> findingPlaces(const FileList& files, const UrlTable& urls, unsigned threads = 1,
                                        bool withText = true);

// The line and column of the character at `pos` of `text` (a file's bytes as
// the search holds them): lines end at LF, CR LF or a lone CR.
struct LineColumn {
  std::int64_t line = 1;
  std::int64_t column = 1;
  std::int64_t lineStart = 0;  // byte offset of the line's first character
};
LineColumn lineColumnOf(const TextView& text, Pos pos);
// The same from `at`, the line and column of `from` (<= pos).
LineColumn lineColumnAfter(const TextView& text, LineColumn at, Pos from, Pos pos);

}  // namespace quillorn::cli
