#pragma once
// Ravelet's dialog templates and the ids of their controls: the main window
// (folder, extension, subfolders, restore or delete, Process) and the About
// box.

#include "ui/dialog_template.h"

namespace quillorn::restorer {

namespace main_ids {
inline constexpr int kTemplate = 101;
inline constexpr int kBanner = 104;  // the picture shows bitmap 104; the program never addresses it otherwise
inline constexpr int kFolder = 1000;
inline constexpr int kBrowse = 1001;
inline constexpr int kSubfolders = 1002;
inline constexpr int kProcess = 1003;
inline constexpr int kRestore = 1004;
inline constexpr int kDelete = 1005;
inline constexpr int kExtension = 1006;
inline constexpr int kAbout = 1007;
inline constexpr int kExit = 1008;
}  // namespace main_ids

namespace about_ids {
inline constexpr int kTemplate = 102;
inline constexpr int kOk = 1;
inline constexpr int kVersion = 1009;
inline constexpr int kCredits = 1010;
inline constexpr int kVisitLink = 1011;
inline constexpr int kWebLink = 1013;
inline constexpr int kMailLink = 1015;
}  // namespace about_ids

// The template with this id; every id above names one.
const ui::DialogTemplate& dialogTemplate(int templateId);

}  // namespace quillorn::restorer
