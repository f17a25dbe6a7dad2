// The "saved from url" pass: reads every HTML file of the list and remembers
// the address named by the first comment of the form
// <!-- saved from url=(0022)http://www.example.com/ -->, so that links to
// that address can be mapped back onto the local copy.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "core/search/file_status_line.h"
#include "core/search/search_pass.h"
#include "core/text/document_buffer.h"
#include "core/text/markup_lexing.h"
#include "core/text/url_transforms.h"

namespace quillorn {
namespace {

constexpr std::string_view kSavedFromHeader = ">> Searching for \"saved from url\"...";
constexpr std::string_view kSavedFromName = "saved from url";

// The value of the first comment that carries the attribute, as it stands in
// the file (as host text, control characters dropped); none when no comment has it.
// A name found with no value after its "=" does not count as found.
std::optional<std::string> findSavedFromValue(const TextView& text) {
  AttributeMemo memo;
  Pos comment = findTag(text, "!--", 0);
  while (comment != kNotFound) {
    Pos valuePos = kNotFound;
    if (findAttribute(text, comment, kSavedFromName, &valuePos, memo) > 0) {
      std::string value;
      findAttribute(text, comment, kSavedFromName, &value, &valuePos);
      return value;
    }
    const Pos next = findTag(text, "", comment);
    if (next == kNotFound) break;
    comment = findTag(text, "!--", next);
  }
  return std::nullopt;
}

// Drops the "(0022)" length prefix browsers write before the address. The
// number is not checked; a "(" without ")" leaves the value whole.
void dropLengthPrefix(std::string& value) {
  if (value.empty() || value.front() != '(') return;
  const std::size_t close = value.find(')');
  if (close != std::string::npos) value.erase(0, close + 1);
}

}  // namespace

SavedFromFinding savedFromOf(const SearchContext& context, const DocumentBuffer& buffer, std::int32_t fileIndex) {
  SavedFromFinding finding;
  finding.line = statusLineStart(context, buffer, fileIndex);
  if (std::optional<std::string> value = findSavedFromValue(buffer.view())) {
    dropLengthPrefix(*value);
    if (context.settings.convertCodedChars) decodeUrl(*value);
    finding.line += ", saved from \"";
    finding.line += *value;
    finding.line += '"';
    finding.address = std::move(value);
  } else {
    finding.line += ", no \"saved from url\" was found";
  }
  return finding;
}

void beginSavedFromPass(ProgressPanel& panel) { panel.appendStatusLine(kSavedFromHeader); }

PassEnd runSavedFromPass(SearchContext& context) {
  ProgressPanel& panel = context.panel;
  beginSavedFromPass(panel);

  const std::size_t fileCount = context.files.count();
  const auto upperBound = static_cast<std::int64_t>(fileCount);
  for (std::size_t i = 0; i < fileCount; ++i) {
    const std::string& path = context.files.path(i);
    if (fileKind(path) == FileKind::Html) {
      // A file that cannot be read is passed over here; the broken-link pass
      // names one that is too large or no regular file.
      if (Outcome<DocumentBuffer, LoadFailure> loaded = loadDocument(path); loaded.ok()) {
        DocumentBuffer& buffer = loaded.value();
        detectEncoding(buffer);
        const auto fileIndex = static_cast<std::int32_t>(i);
        SavedFromFinding finding = savedFromOf(context, buffer, fileIndex);
        if (finding.address) context.savedFrom.add(std::move(*finding.address), fileIndex);
        panel.appendStatusLine(finding.line);
      }
      // Every HTML file polls, read or not; a stop leaves the bar where it was.
      if (panel.pollStopRequest()) return PassEnd::Stopped;
    }
    panel.setOverallProgress(upperBound, static_cast<std::int64_t>(i) + 1);
  }
  return PassEnd::Done;
}

}  // namespace quillorn
