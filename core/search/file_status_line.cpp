#include "core/search/file_status_line.h"

#include "platform/file_access.h"
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

std::string leftOutLine(const LeftOutEntry& entry) {
  std::string line = platform::displayPath(entry.path);
  switch (entry.kind) {
    case LeftOutEntry::Kind::NamedPipe: line.append(": left out, not a regular file (a named pipe)"); break;
    case LeftOutEntry::Kind::Socket: line.append(": left out, not a regular file (a socket)"); break;
    case LeftOutEntry::Kind::Device: line.append(": left out, not a regular file (a device)"); break;
    case LeftOutEntry::Kind::LinkToNoFile: line.append(": left out, a link that leads to no file"); break;
    case LeftOutEntry::Kind::Other: line.append(": left out, not a regular file"); break;
  }
  return line;
}

std::string unsearchedLine(const SearchContext& context, const UnsearchedFile& file, std::uint64_t size) {
  std::string line = platform::displayPath(context.files.path(file.fileIndex));
  switch (file.why) {
    case Unsearched::TooLarge:
      line.append(" (").append(std::to_string(size)).append(" bytes): not searched, larger than ");
      line.append(std::to_string(platform::kMaxReadBytes >> 20)).append(" MiB");
      break;
    case Unsearched::NotRegularFile: line.append(": not searched, not a regular file"); break;
  }
  return line;
}

}  // namespace quillorn
