#include "core/review/results.h"

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/text/ascii.h"

namespace quillorn {
namespace {

// One key for url and replacement together, both folded; the url's length in
// front keeps ("ab", "c") apart from ("a", "bc").
std::string groupKey(const UrlEntry& entry) {
  std::string key = std::to_string(entry.url.size());
  key += ':';
  key.reserve(key.size() + entry.url.size() + entry.replacement.size());
  for (char c : entry.url) key += asciiUpper(c);
  for (char c : entry.replacement) key += asciiUpper(c);
  return key;
}

}  // namespace

std::string resultLineText(const UrlEntry& entry, std::size_t count) {
  const Decision decision = decisionOf(entry);
  const UrlAction action = decision.action;
  std::string line;
  switch (action) {
    case UrlAction::DoNotChange: line = "DO NOT CHANGE ("; break;
    case UrlAction::Delete: line = "DELETE ("; break;
    case UrlAction::Replace: line = "REPLACE ("; break;
    case UrlAction::ReplaceRelative: line = "REPLACE (relative path, "; break;
  }
  line += std::to_string(count);
  line += " URL(s)): \"";
  line += entry.url;
  line += '"';
  if (action == UrlAction::Replace || action == UrlAction::ReplaceRelative) {
    line += " with \"";
    line += decision.value;
    line += '"';
  }
  return line;
}

// Grouping gives what comparing every shown entry with every later one gives:
// the first entry of a class (equal url and replacement, ignoring case) in
// table order opens the line and every other member joins it. The classes are
// found through a hash map, so the fill stays near linear for a full table.
ResultsFill fillResults(UrlTable& table, bool hideDelete, bool hideReplace, const StopPoll& pollStop) {
  const std::size_t count = table.count();

  std::vector<std::size_t> classOf(count);
  std::vector<std::size_t> classSize;
  {
    std::unordered_map<std::string, std::size_t> classByKey;
    classByKey.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
      const auto [it, added] = classByKey.try_emplace(groupKey(table.entry(i)), classSize.size());
      if (added) classSize.push_back(0);
      classOf[i] = it->second;
      ++classSize[it->second];
    }
  }

  // Members of a class share the filter's answer: folding changes neither an
  // empty text nor two double quotes.
  std::vector<std::int32_t> classGroup(classSize.size(), -1);
  ResultsFill fill;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t cls = classOf[i];
    if (classGroup[cls] != -1) continue;
    const UrlEntry& entry = table.entry(i);
    // The hide boxes go by the search's deletion proposal alone, not by the
    // action the replacement stands for.
    const bool deletion = decisionOf(entry).proposesDeletion;
    if (hideDelete && deletion) continue;
    if (hideReplace && !deletion) continue;

    const auto group = static_cast<std::int32_t>(fill.lines.size());
    classGroup[cls] = group;
    fill.lines.push_back({group, resultLineText(entry, classSize[cls])});
    if (pollStop && pollStop()) {
      fill.stopped = true;
      break;
    }
  }

  // A line's later members took its number when the line was made, also when
  // the fill stopped right after it; everything else stays ungrouped.
  for (std::size_t i = 0; i < count; ++i) table.setGroupIndex(i, classGroup[classOf[i]]);
  return fill;
}

}  // namespace quillorn
