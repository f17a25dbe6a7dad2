#pragma once
// The rewriting's own sentences, which the wizard's page 7 and `quillorn-cli
// fix` both show: the question asked before a stop takes effect, and the
// first line of what a disk writing error says.
//
// Known limits: English only.

#include <string_view>

namespace quillorn {

inline constexpr std::string_view kCancelQuestion =
    "There are still some files to be processed, are you sure you want to cancel?";
inline constexpr std::string_view kDiskWritingError = "Step7: Disk writing error!";

}  // namespace quillorn
