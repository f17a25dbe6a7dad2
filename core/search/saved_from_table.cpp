#include "core/search/saved_from_table.h"

#include <utility>

#include "core/text/ascii.h"

namespace quillorn {

void SavedFromTable::clear() {
  entries_.clear();
  firstByFoldedUrl_.clear();
}

void SavedFromTable::add(std::string savedUrl, std::int32_t savedFileIndex) {
  firstByFoldedUrl_.try_emplace(asciiUpperCopy(savedUrl), entries_.size());
  entries_.push_back({std::move(savedUrl), savedFileIndex});
}

std::optional<std::int32_t> SavedFromTable::find(std::string_view url) const {
  const auto it = firstByFoldedUrl_.find(asciiUpperCopy(url));
  if (it == firstByFoldedUrl_.end()) return std::nullopt;
  return entries_[it->second].savedFileIndex;
}

}  // namespace quillorn
