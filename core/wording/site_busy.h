#pragma once
// What every front end says when another run holds an overlapping folder
// tree: one sentence naming the busy folder, then what was left undone.
//
// Known limits: English only.

#include <string>
#include <string_view>

namespace quillorn {

// Another run is working on "/srv/site" or a folder in it
inline std::string anotherRunText(std::string_view folder) {
  return "Another run is working on \"" + std::string(folder) + "\" or a folder in it";
}

// What follows it when a fix or a restore was refused, and when the wizard's
// search was.
inline constexpr std::string_view kNothingChangedText = ": nothing was changed. Try again when it has finished.";
inline constexpr std::string_view kNothingSearchedText = ".\nNothing was searched. Try again when it has finished.";

}  // namespace quillorn
