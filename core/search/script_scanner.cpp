#include "core/search/script_scanner.h"

#include <string>
#include <string_view>

#include "core/search/block_hits.h"
#include "core/search/file_status_line.h"
#include "core/search/html_scanner.h"
#include "core/search/script_strings.h"
#include "core/text/lexing_index.h"

namespace quillorn {

PassCount scanScriptFile(SearchContext& context, const DocumentBuffer& buffer, std::int32_t fileIndex) {
  std::string line = statusLineStart(context, buffer, fileIndex);
  const TextView text = buffer.view();

  PassCount scan;
  std::int64_t barPosition = 0;
  // One step per protocol name, and 17 for the tag passes.
  const auto protocolSteps = static_cast<std::int64_t>(kScriptProtocols.size());
  std::int64_t barSteps = context.settings.scriptProtocolStrings ? protocolSteps : 0;
  if (context.settings.scriptTagStrings) {
    barSteps = context.settings.scriptProtocolStrings ? 17 + protocolSteps : 17;
    // The whole file is script, so there is no script block to skip.
    scan.end = scanHtmlTags(context, text, fileIndex, scan.count, barPosition, barSteps, true);
    if (scan.end == PassEnd::Stopped) return scan;
  }

  if (context.settings.scriptProtocolStrings) {
    LexingIndex index(text);
    ScriptCommentCheck comments(text);
    for (std::string_view protocol : kScriptProtocols) {
      context.panel.setFileProgress(barPosition, barSteps);
      ++barPosition;
      if (context.panel.pollStopRequest()) return {PassEnd::Stopped, scan.count};
      BlockHits hits;
      scan.count += searchScriptStrings(context, index, fileIndex, protocol, {0, text.end(), NoStop}, comments, hits);
    }
  }

  finishStatusLine(context, line, scan.count);
  return scan;
}

}  // namespace quillorn
