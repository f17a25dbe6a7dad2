#pragma once
// What the search's tests build again and again: the tables one search works
// with, and a document in either encoding from single-byte text.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/search/search_context.h"
#include "core/text/document_buffer.h"
#include "tests/support/recording_panel.h"

namespace quillorn::test_support {

// A search's tables and a recording panel, with `context` over them. The
// files of `paths` are listed in order; the Internet check is off.
struct SearchHarness {
  explicit SearchHarness(const std::vector<std::string>& paths);
  SearchHarness(const SearchHarness&) = delete;
  SearchHarness& operator=(const SearchHarness&) = delete;

  Settings settings;
  FileList files;
  UrlTable urls;
  SavedFromTable savedFrom;
  quillorn::SiteAddresses siteAddresses;
  quillorn::PageAnchors anchors;
  InternetSession internet;
  RecordingPanel panel;
  SearchContext context{settings, files, urls, savedFrom, internet, panel, siteAddresses, anchors};
};

// Records in `urls` that the search read every file of `files` as it is now,
// as a search would for a table that a test builds by hand.
void recordFilesAsRead(const FileList& files, UrlTable& urls);

// `ascii` as a document in `encoding`: single-byte as written, or UTF-16
// little-endian with its order mark, each character widened. The buffer holds
// exactly the document's bytes, so the sanitizers see any read past the end.
DocumentBuffer makeDocument(std::string_view ascii, Encoding encoding);

// The byte offset of the character at `asciiOffset` of the text given to
// makeDocument.
Pos positionIn(Encoding encoding, std::size_t asciiOffset);

// "Utf16" or "Ascii", for test names.
const char* encodingName(Encoding encoding);

}  // namespace quillorn::test_support
