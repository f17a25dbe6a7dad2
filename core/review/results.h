#pragma once
// The results list: the found-URL table's entries grouped by equal url and
// replacement (ignoring ASCII case), one line per group, in table order.
//
// Known limits: url and replacement are compared ignoring ASCII case only,
// with no URL normalisation, so two spellings of one address make two lines.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/files/file_list.h"
#include "core/model/url_table.h"

namespace quillorn {

struct ResultLine {
  std::int32_t group = 0;  // the line's number, as stored in its entries' groupIndex
  std::string text;        // "DELETE (3 URL(s)): \"images/logo.gif\"" and the like
};

struct ResultsFill {
  std::vector<ResultLine> lines;
  bool stopped = false;
};

// Sets every entry's groupIndex (-1 for entries not shown) and builds the lines.
// Entries whose replacement proposes deletion are left out under `hideDelete`,
// all others under `hideReplace`. Polls after each line; a stop keeps the
// lines made so far.
ResultsFill fillResults(UrlTable& table, bool hideDelete, bool hideReplace, const StopPoll& pollStop);

// The text of a line for `entry` standing for `count` occurrences.
std::string resultLineText(const UrlEntry& entry, std::size_t count);

}  // namespace quillorn
