#include "tests/support/search_harness.h"

#include <cstdint>

namespace quillorn::test_support {

SearchHarness::SearchHarness(const std::vector<std::string>& paths) {
  for (const std::string& path : paths) files.addSelectedFiles({path}, [] { return false; });
  settings.checkInternetUrls = false;  // no network in tests; a test that wants the check turns it on
}

void recordFilesAsRead(const FileList& files, UrlTable& urls) {
  for (std::size_t i = 0; i < files.count(); ++i) {
    if (const Outcome<DocumentBuffer, LoadFailure> read = loadDocument(files.path(i)); read.ok())
      urls.recordSource(i, sourceStampOf(read.value()));
  }
}

DocumentBuffer makeDocument(std::string_view ascii, Encoding encoding) {
  DocumentBuffer buffer;
  buffer.encoding = encoding;
  if (encoding == Encoding::Utf16) {
    buffer.bytes = {0xFF, 0xFE};
    for (char c : ascii) {
      buffer.bytes.push_back(static_cast<std::uint8_t>(c));
      buffer.bytes.push_back(0);
    }
  } else {
    buffer.bytes.assign(ascii.begin(), ascii.end());
    buffer.charset = charsetOf(ascii);
  }
  buffer.bytes.shrink_to_fit();
  return buffer;
}

Pos positionIn(Encoding encoding, std::size_t asciiOffset) {
  return encoding == Encoding::Utf16 ? 2 + 2 * static_cast<Pos>(asciiOffset) : static_cast<Pos>(asciiOffset);
}

const char* encodingName(Encoding encoding) { return encoding == Encoding::Utf16 ? "Utf16" : "Ascii"; }

}  // namespace quillorn::test_support
