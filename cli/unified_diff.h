#pragma once
// Unified diffs of two texts, line by line, with three lines of context.
//
// Known limits: lines compare byte for byte, so a change of line endings
// shows as every line changed; no moved-block or word detection.

#include <string>
#include <string_view>

namespace quillorn::cli {

// The hunks that turn `before` into `after` under the headers "--- oldName" and
// "+++ newName"; empty when the texts are equal.
std::string unifiedDiff(std::string_view before, std::string_view after, std::string_view oldName,
                        std::string_view newName);

}  // namespace quillorn::cli
