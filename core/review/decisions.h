#pragma once
// Decisions on the results list: the text a person types (or picks) for a
// group of equal findings is written into every entry of the group, keeping
// each entry's quoting and marking it for a relative path where that applies.
//
// Known limits: a decision applies to a whole group, never to one occurrence
// of it; a text longer than kDecisionTextLimit is cut.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/model/url_table.h"

namespace quillorn {

// The longest decision text; a longer one is cut here.
inline constexpr std::size_t kDecisionTextLimit = 1023;

// Whether `text` can be made relative to each document: a "file://" URL or
// absolute path text (platform::isAbsolutePathText: a drive path such as
// C:\site\a.gif, on POSIX hosts also \home\ann\a.gif), and not an e-mail
// address.
bool canUseRelativePath(std::string_view text);

struct DecisionResult {
  std::size_t count = 0;      // entries of the group that were changed
  std::size_t lastEntry = 0;  // the group's last entry in table order (valid when count > 0)
  bool relativePath = false;  // the "Use relative path" box after the decision
};

// Writes `text` (cut at kDecisionTextLimit) as the decision of every entry whose
// groupIndex is `group`: "???" in front when `relativePath` is asked for and the
// text allows it, double quotes around it for entries whose replacement was
// quoted and for values that stood bare in the file when the text cannot stand
// bare (empty, or with a blank, quote, '<', '>', '=' or '`'). An empty text
// makes the group a deletion.
DecisionResult applyDecision(UrlTable& table, std::int32_t group, std::string_view text, bool relativePath);

// One line's decision: the edit box's text and the "Use relative path" box.
struct GroupDecision {
  std::int32_t group = -1;
  std::string text;
  bool relativePath = false;
};

// Applies each decision as applyDecision does, in one pass over the table
// however many there are (a group decided twice takes the last decision).
void applyDecisions(UrlTable& table, const std::vector<GroupDecision>& decisions);

// The url of the group's first entry: the text that keeps the group unchanged.
// Empty when no entry has the group.
std::string doNotChangeText(const UrlTable& table, std::int32_t group);

// What the results page shows for a line when it is selected: the value text
// of the group's first entry (without marker and quotes) and whether "Use
// relative path" is checked (its replacement begins with the marker).
struct LineDecision {
  std::string value;
  bool relativePath = false;
};

// The decision shown for each of the groups 0 .. groupCount-1, from one walk
// over the table; a group without entries shows an empty text.
std::vector<LineDecision> lineDecisions(const UrlTable& table, std::size_t groupCount);

}  // namespace quillorn
