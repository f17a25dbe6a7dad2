#include "core/review/decisions.h"

namespace quillorn {

bool isQuotedReplacement(std::string_view replacement) { return unwrapReplacement(replacement).quoted; }

bool canUseRelativePath(std::string_view text) {
  if (text.empty() || text.substr(0, 7) == "mailto:") return false;
  if (text.substr(0, 7) == "file://") return true;
  if (text.find("://") != std::string_view::npos) return false;
  if (text.size() >= 3 && text.substr(1, 2) == ":\\") return true;
#ifndef _WIN32
  // Path text of an absolute host path.
  if (text.front() == '\\') return true;
#endif
  return false;
}

DecisionResult applyDecision(UrlTable& table, std::int32_t group, std::string_view text, bool relativePath) {
  if (text.size() > kDecisionTextLimit) text = text.substr(0, kDecisionTextLimit);
  DecisionResult result;
  const bool marker = relativePath && canUseRelativePath(text);
  result.relativePath = marker;
  for (std::size_t i = 0; i < table.count(); ++i) {
    if (table.entry(i).groupIndex != group) continue;
    const bool quoted = isQuotedReplacement(table.entry(i).replacement);
    std::string replacement;
    replacement.reserve(text.size() + 5);
    if (marker) replacement += RelativeMarker;
    if (quoted) replacement += '"';
    replacement += text;
    if (quoted) replacement += '"';
    table.setReplacement(i, std::move(replacement));
    ++result.count;
    result.lastEntry = i;
  }
  return result;
}

std::string doNotChangeText(const UrlTable& table, std::int32_t group) {
  for (const UrlEntry& entry : table.entries()) {
    if (entry.groupIndex == group) return entry.url;
  }
  return {};
}

}  // namespace quillorn
