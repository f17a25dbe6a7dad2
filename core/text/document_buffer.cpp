#include "core/text/document_buffer.h"

#include <algorithm>
#include <iterator>
#include <limits>

#include "platform/code_page.h"
#include "platform/file_access.h"
#include "platform/host_path.h"

namespace quillorn {

char narrowChar(const std::uint8_t* unit) {
  const auto value = static_cast<std::uint16_t>(unit[0] | (unit[1] << 8));
  return platform::narrowCodeUnit(value);
}

std::pair<char, char> narrowPair(const std::uint8_t* units) {
  // Each code unit of the table converts on its own, so converting the pair in
  // one call and one at a time give the same two bytes.
  return {narrowChar(units), narrowChar(units + 2)};
}

void appendWidened(std::string_view narrow, std::string& out) {
  out.reserve(out.size() + narrow.size() * 2);
  for (char c : narrow) {
    const std::uint16_t unit = platform::widenByte(static_cast<std::uint8_t>(c));
    out.push_back(static_cast<char>(unit & 0xFF));
    out.push_back(static_cast<char>(unit >> 8));
  }
}

void swapBytePairs(std::uint8_t* bytes, std::size_t count) {
  for (std::size_t i = 0; i + 1 < count; i += 2) std::swap(bytes[i], bytes[i + 1]);
}

Pos TextView::afterControls(Pos pos) const {
  if (controlRuns != nullptr) {
    const auto run = std::upper_bound(controlRuns->begin(), controlRuns->end(), pos,
                                      [](Pos p, const ControlRun& r) { return p < r.start; });
    if (run != controlRuns->begin()) {
      const ControlRun& containing = *std::prev(run);
      if (pos < containing.end && (pos - containing.start) % step == 0) return containing.end;
    }
  }
  return pos + step;
}

std::optional<DocumentBuffer> loadDocument(std::string_view pathText) {
  DocumentBuffer buffer;
  if (platform::readWholeFile(platform::toHostPath(pathText), buffer.bytes, buffer.stamp) != platform::ReadStatus::Read)
    return std::nullopt;
  if (static_cast<std::uint64_t>(buffer.bytes.size()) > static_cast<std::uint64_t>(std::numeric_limits<Pos>::max()))
    return std::nullopt;
  return buffer;
}

void detectEncoding(DocumentBuffer& buffer) {
  buffer.encoding = Encoding::SingleByte;
  buffer.storedBigEndian = false;
  if (buffer.bytes.size() < 2) return;
  if (buffer.bytes[0] == 0xFF && buffer.bytes[1] == 0xFE) {
    buffer.encoding = Encoding::Utf16;
  } else if (buffer.bytes[0] == 0xFE && buffer.bytes[1] == 0xFF) {
    swapBytePairs(buffer.bytes.data(), buffer.bytes.size());
    buffer.encoding = Encoding::Utf16;
    buffer.storedBigEndian = true;
  }
}

std::string_view encodingLabel(Encoding encoding) { return encoding == Encoding::Utf16 ? " Unicode" : " ASCII"; }

}  // namespace quillorn
