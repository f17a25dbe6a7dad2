#include "core/review/decisions.h"

#include <unordered_map>

#include "platform/host_path.h"

namespace quillorn {
namespace {

// Whether `text` cannot stand as a value without delimiters: it is empty (the
// next attribute would be read as the value) or holds a character that ends
// such a value.
bool needsQuotesWhenBare(std::string_view text) {
  return text.empty() || text.find_first_of(" \t\r\n\f\"'<>=`") != std::string_view::npos;
}

}  // namespace

bool canUseRelativePath(std::string_view text) {
  if (text.empty() || text.substr(0, 7) == "mailto:") return false;
  if (text.substr(0, 7) == "file://") return true;
  if (text.find("://") != std::string_view::npos) return false;
  return platform::isAbsolutePathText(text);
}

namespace {

// Writes the decision `text` into entry `i`: the marker when `marker`, and
// the entry's quoting.
void decideEntry(UrlTable& table, std::size_t i, std::string_view text, bool marker) {
  // An entry keeps its quoting; a value that stood bare in the file also
  // gets quotes when the new text could not stand bare.
  const UrlEntry& entry = table.entry(i);
  const bool quoted = decisionOf(entry).quoted || (entry.quoteKind == Bare && needsQuotesWhenBare(text));
  table.setReplacement(i, replacementText(text, quoted, marker));
}

std::string_view cutText(std::string_view text) {
  return text.size() > kDecisionTextLimit ? text.substr(0, kDecisionTextLimit) : text;
}

}  // namespace

DecisionResult applyDecision(UrlTable& table, std::int32_t group, std::string_view text, bool relativePath) {
  text = cutText(text);
  DecisionResult result;
  const bool marker = relativePath && canUseRelativePath(text);
  result.relativePath = marker;
  for (std::size_t i = 0; i < table.count(); ++i) {
    if (table.entry(i).groupIndex != group) continue;
    decideEntry(table, i, text, marker);
    ++result.count;
    result.lastEntry = i;
  }
  return result;
}

void applyDecisions(UrlTable& table, const std::vector<GroupDecision>& decisions) {
  // Each group's decision, found by its number.
  std::unordered_map<std::int32_t, const GroupDecision*> byGroup;
  byGroup.reserve(decisions.size());
  for (const GroupDecision& decision : decisions) byGroup[decision.group] = &decision;
  std::unordered_map<std::int32_t, bool> markers;
  for (const auto& [group, decision] : byGroup) {
    markers[group] = decision->relativePath && canUseRelativePath(cutText(decision->text));
  }
  for (std::size_t i = 0; i < table.count(); ++i) {
    const auto found = byGroup.find(table.entry(i).groupIndex);
    if (found == byGroup.end()) continue;
    decideEntry(table, i, cutText(found->second->text), markers[found->first]);
  }
}

std::vector<LineDecision> lineDecisions(const UrlTable& table, std::size_t groupCount) {
  std::vector<LineDecision> shown(groupCount);
  std::vector<bool> seen(groupCount, false);
  for (const UrlEntry& entry : table.entries()) {
    if (entry.groupIndex < 0) continue;
    const auto group = static_cast<std::size_t>(entry.groupIndex);
    if (group >= groupCount || seen[group]) continue;
    seen[group] = true;
    const Decision decision = decisionOf(entry);
    shown[group] = {std::string(decision.value), decision.relativePath};
  }
  return shown;
}

std::string doNotChangeText(const UrlTable& table, std::int32_t group) {
  for (const UrlEntry& entry : table.entries()) {
    if (entry.groupIndex == group) return entry.url;
  }
  return {};
}

}  // namespace quillorn
