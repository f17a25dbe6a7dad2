#pragma once
// The rewriting's own sentences, which the wizard and `quillorn-cli fix` both
// show: the question asked before a stop takes effect, the first line of what
// a disk writing error says, and what clearing up after a killed run says.
//
// Known limits: English only.

#include <string>
#include <string_view>

namespace quillorn {

inline constexpr std::string_view kCancelQuestion =
    "There are still some files to be processed, are you sure you want to cancel?";
inline constexpr std::string_view kDiskWritingError = "Step7: Disk writing error!";

// The line for a file whose leftovers of a killed run were cleared up before
// the search (`path`: host path, as a person reads it).
inline std::string clearedLeftoversText(std::string_view path) {
  return "Removed what an interrupted run left beside \"" + std::string(path) + "\"";
}

}  // namespace quillorn
