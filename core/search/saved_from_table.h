#pragma once
// The "saved from url" table: per HTML file, the address its browser comment
// names, so an Internet URL of the site the pages were saved from maps back to
// the local copy. Lookups go through a hash index and give the first entry.
//
// Known limits: addresses compare ignoring ASCII case only, with no URL
// normalisation ("http://a.com" and "http://a.com/" are two addresses).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quillorn {

struct SavedFromEntry {
  std::string savedUrl;
  std::int32_t savedFileIndex = 0;
};

class SavedFromTable {
 public:
  void clear();
  void add(std::string savedUrl, std::int32_t savedFileIndex);
  std::size_t count() const { return entries_.size(); }
  const SavedFromEntry& entry(std::size_t index) const { return entries_[index]; }

  // The savedFileIndex of the first entry whose address equals `url`, ignoring
  // ASCII case.
  std::optional<std::int32_t> find(std::string_view url) const;

 private:
  std::vector<SavedFromEntry> entries_;
  std::unordered_map<std::string, std::size_t> firstByFoldedUrl_;
};

}  // namespace quillorn
