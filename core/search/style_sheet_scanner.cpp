#include "core/search/style_sheet_scanner.h"

#include <string_view>

#include "core/model/url_table.h"
#include "core/search/file_status_line.h"
#include "core/search/url_classifier.h"
#include "core/text/lexing_index.h"
#include "core/text/markup_lexing.h"

namespace quillorn {
namespace {

constexpr std::string_view kStyleUrlOpening = "url(";

}  // namespace

PassCount scanStyleFile(SearchContext& context, const DocumentBuffer& buffer, std::int32_t fileIndex) {
  std::string line = statusLineStart(context, buffer, fileIndex);
  if (context.panel.pollStopRequest()) return {PassEnd::Stopped, 0};

  const TextView text = buffer.view();
  LexingIndex index(text);
  PassCount scan;
  // Style-sheet comments are not recognised: a url( ) inside one counts too.
  for (Pos hit = index.findInBlock(0, kStyleUrlOpening, NoStop); hit != kNotFound;) {
    const Pos valuePos = hit + 3 * text.step;  // the '('
    std::size_t length = 0;
    // A value that runs into the end of the text reads as empty; it is not
    // read only to find that out.
    if (index.valueLength(valuePos, StyleValue) > 0) {
      scan.count += classifyUrl(context, index.view(), fileIndex, StyleUrl, valuePos, &length);
    }
    hit = index.findInBlock(valuePos + static_cast<Pos>(length + 2) * text.step, kStyleUrlOpening, NoStop);
  }

  finishStatusLine(context, line, scan.count);
  return scan;
}

}  // namespace quillorn
