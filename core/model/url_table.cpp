#include "core/model/url_table.h"

#include <algorithm>
#include <utility>

#include "core/text/content_hash.h"

namespace quillorn {

bool sameFinding(const UrlEntry& a, const UrlEntry& b) {
  return a.url == b.url && a.valuePos == b.valuePos && a.tagPos == b.tagPos && a.spanLength == b.spanLength &&
         a.quoteKind == b.quoteKind && a.fileIndex == b.fileIndex;
}

void UrlTable::sortByFile() {
  const auto byFile = [](const UrlEntry& a, const UrlEntry& b) { return a.fileIndex < b.fileIndex; };
  // Findings added later in file order merge into the table without sorting it all.
  const auto firstOut = std::is_sorted_until(entries_.begin(), entries_.end(), byFile);
  if (firstOut == entries_.end()) return;
  if (std::is_sorted(firstOut, entries_.end(), byFile)) {
    std::inplace_merge(entries_.begin(), firstOut, entries_.end(), byFile);
  } else {
    std::stable_sort(entries_.begin(), entries_.end(), byFile);
  }
}

void UrlTable::clear() {
  entries_.clear();
  entries_.shrink_to_fit();
  sources_.clear();
  sourceRecorded_.clear();
  unsearched_.clear();
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

void UrlTable::recordUnsearched(UnsearchedFile file) {
  const auto at = std::lower_bound(unsearched_.begin(), unsearched_.end(), file.fileIndex,
                                   [](const UnsearchedFile& f, std::size_t index) { return f.fileIndex < index; });
  if (at != unsearched_.end() && at->fileIndex == file.fileIndex) {
    *at = file;
  } else {
    unsearched_.insert(at, file);
  }
}

const UnsearchedFile* UrlTable::unsearched(std::size_t fileIndex) const {
  const auto at = std::lower_bound(unsearched_.begin(), unsearched_.end(), fileIndex,
                                   [](const UnsearchedFile& f, std::size_t index) { return f.fileIndex < index; });
  return at != unsearched_.end() && at->fileIndex == fileIndex ? &*at : nullptr;
}

SourceStamp sourceStampOf(const DocumentBuffer& loaded) {
  return {loaded.stamp.size, loaded.stamp.modifiedNs, contentHash(loaded.bytes.data(), loaded.bytes.size())};
}

bool UrlTable::append(UrlEntry entry) {
  if (full()) {
    ++dropped_;
    return false;
  }
  entries_.push_back(std::move(entry));
  return true;
}

void UrlTable::takeEntries(UrlTable&& later) {
  for (UrlEntry& entry : later.entries_) append(std::move(entry));
  dropped_ += later.dropped_;
  later.entries_.clear();
  later.dropped_ = 0;
}

void UrlTable::setReplacement(std::size_t index, std::string replacement) {
  entries_[index].replacement = std::move(replacement);
}

void UrlTable::setProposal(std::size_t index, std::int32_t target, std::string replacement) {
  entries_[index].target = target;
  entries_[index].replacement = std::move(replacement);
}

void UrlTable::setGroupIndex(std::size_t index, std::int32_t groupIndex) { entries_[index].groupIndex = groupIndex; }

Decision decisionOf(const UrlEntry& entry) {
  const std::string_view text = entry.replacement;
  Decision decision;
  decision.relativePath = text.starts_with(RelativeMarker);
  decision.written = decision.relativePath ? text.substr(RelativeMarker.size()) : text;
  const std::string_view written = decision.written;
  decision.quoted = !written.empty() && written.front() == '"' && written.back() == '"';
  if (decision.quoted && written.size() >= 2) decision.value = written.substr(1, written.size() - 2);
  if (!decision.quoted) decision.value = written;
  decision.proposesDeletion = !decision.relativePath && (written.empty() || written == "\"\"");
  // A marked value is made relative when the files are rewritten, so it is a
  // change even when its text equals the url (a drive path kept "unchanged"
  // with the relative-path box checked).
  if (decision.relativePath && !decision.value.empty()) {
    decision.action = UrlAction::ReplaceRelative;
  } else if (decision.value == entry.url) {
    decision.action = UrlAction::DoNotChange;
  } else if (decision.value.empty()) {
    decision.action = UrlAction::Delete;
  } else {
    decision.action = UrlAction::Replace;
  }
  return decision;
}

std::string replacementText(std::string_view value, bool quoted, bool relativePath) {
  std::string text;
  text.reserve(value.size() + RelativeMarker.size() + 2);
  if (relativePath) text += RelativeMarker;
  if (quoted) text += '"';
  text += value;
  if (quoted) text += '"';
  return text;
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
