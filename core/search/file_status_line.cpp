#include "core/search/file_status_line.h"

#include "platform/host_path.h"

namespace quillorn {

std::string statusLineStart(const SearchContext& context, const DocumentBuffer& buffer, std::int32_t fileIndex) {
  std::string line = platform::displayPath(context.files.path(static_cast<std::size_t>(fileIndex)));
  line.append(" (");
  line.append(std::to_string(buffer.size()));
  line.append(" bytes):");
  line.append(encodingLabel(buffer.encoding));
  return line;
}

void finishStatusLine(SearchContext& context, std::string& line, std::int64_t found) {
  line.append(", ");
  line.append(std::to_string(found));
  line.append(" broken URL(s) found");
  context.panel.appendStatusLine(line);
}

}  // namespace quillorn
