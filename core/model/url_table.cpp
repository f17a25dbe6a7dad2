#include "core/model/url_table.h"

#include <utility>

#include "core/text/content_hash.h"

namespace quillorn {

bool sameFinding(const UrlEntry& a, const UrlEntry& b) {
  return a.url == b.url && a.valuePos == b.valuePos && a.tagPos == b.tagPos && a.spanLength == b.spanLength &&
         a.quoteKind == b.quoteKind && a.fileIndex == b.fileIndex;
}

void UrlTable::clear() {
  entries_.clear();
  entries_.shrink_to_fit();
  sources_.clear();
  sourceRecorded_.clear();
  dropped_ = 0;
}

void UrlTable::recordSource(std::size_t fileIndex, const SourceStamp& stamp) {
  if (fileIndex >= sources_.size()) {
    sources_.resize(fileIndex + 1);
    sourceRecorded_.resize(fileIndex + 1, false);
  }
  sources_[fileIndex] = stamp;
  sourceRecorded_[fileIndex] = true;
}

const SourceStamp* UrlTable::source(std::size_t fileIndex) const {
  return fileIndex < sources_.size() && sourceRecorded_[fileIndex] ? &sources_[fileIndex] : nullptr;
}

SourceStamp sourceStampOf(const DocumentBuffer& loaded) {
  return {loaded.stamp.size, loaded.stamp.modifiedNs, contentHash(loaded.bytes.data(), loaded.bytes.size())};
}

bool UrlTable::append(UrlEntry entry) {
  if (full()) {
    ++dropped_;
    return false;
  }
  if (entries_.capacity() == 0) entries_.reserve(1024);
  entries_.push_back(std::move(entry));
  return true;
}

void UrlTable::setReplacement(std::size_t index, std::string replacement) {
  entries_[index].replacement = std::move(replacement);
}

void UrlTable::setGroupIndex(std::size_t index, std::int32_t groupIndex) { entries_[index].groupIndex = groupIndex; }

UnwrappedReplacement unwrapReplacement(std::string_view replacement) {
  const bool marked = replacement.substr(0, RelativeMarker.size()) == RelativeMarker;
  const std::size_t n = replacement.size();
  const bool quoted = (n >= 1 && replacement.front() == '"' && replacement.back() == '"') ||
                      (marked && n >= 4 && replacement[3] == '"' && replacement.back() == '"');
  std::size_t begin = marked ? RelativeMarker.size() : 0;
  std::size_t end = n;
  if (quoted) {
    ++begin;  // the opening quote
    --end;    // the closing quote
  }
  // A lone quote, or the marker followed by a single quote, holds no text.
  if (end <= begin) return {std::string_view(), quoted};
  return {replacement.substr(begin, end - begin), quoted};
}

UrlAction urlAction(std::string_view replacement, std::string_view url) {
  const std::string_view value = unwrapReplacement(replacement).value;
  // A marked value is made relative when the files are rewritten, so it is a
  // change even when its text equals the url (a drive path kept "unchanged"
  // with the relative-path box checked).
  const bool marked = replacement.substr(0, RelativeMarker.size()) == RelativeMarker;
  if (marked && !value.empty()) return UrlAction::ReplaceRelative;
  if (value == url) return UrlAction::DoNotChange;
  if (value.empty()) return UrlAction::Delete;
  return UrlAction::Replace;
}

std::string_view urlActionName(UrlAction action) {
  switch (action) {
    case UrlAction::DoNotChange: return "DoNotChange";
    case UrlAction::Delete: return "Delete";
    case UrlAction::ReplaceRelative: return "ReplaceRelative";
    case UrlAction::Replace: return "Replace";
  }
  return "Replace";
}

}  // namespace quillorn
