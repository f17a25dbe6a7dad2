#pragma once
// What every front end says when another run holds an overlapping folder
// tree: one sentence naming the busy folder, then what was left undone.
//
// Known limits: English only.

#include <string>
#include <string_view>

#include "platform/file_access.h"

namespace quillorn {

// Another run is working on "/srv/site" or a folder in it
inline std::string anotherRunText(std::string_view folder) {
  return "Another run is working on \"" + std::string(folder) + "\" or a folder in it";
}

// The same sentence for a run that was refused because its folders could not
// be locked: with `error` 0 another run holds them; otherwise whether one does
// cannot be told, and the sentence says why and what to do.
inline std::string siteRefusalText(std::string_view folder, int error) {
  if (error == 0) return anotherRunText(folder);
  return "Whether another run is working on \"" + std::string(folder) + "\" cannot be told: it cannot be locked (" +
         platform::errorText(error) + "); give this user read access to that folder, or run as a user who has it";
}

// What follows it when a fix or a restore was refused, and when the wizard's
// search was.
inline constexpr std::string_view kNothingChangedText = ": nothing was changed. Try again when it has finished.";
inline constexpr std::string_view kNothingSearchedText = ".\nNothing was searched. Try again when it has finished.";

}  // namespace quillorn
