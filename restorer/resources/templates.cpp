#include "restorer/resources/templates.h"

#include <array>

namespace quillorn::restorer {
namespace {

using ui::ControlKind;
using ui::ControlTemplate;
using ui::DialogTemplate;
using ui::kStaticId;
namespace style = ui::style;

// 101: the main window. The banner on top, the folder group, the processing
// group and the three buttons along the bottom.
constexpr std::array<ControlTemplate, 13> kMainControls = {{
    {main_ids::kBanner, ControlKind::Picture, "", {6, 6, 225, 30}, 0, "Ravelet"},
    {kStaticId, ControlKind::GroupBox, " Folder(s) to process ", {6, 42, 225, 54}},
    {main_ids::kFolder, ControlKind::EditBox, "", {12, 55, 161, 13}, 0, "Folder to process"},
    {main_ids::kBrowse, ControlKind::PushButton, "&Browse...", {178, 54, 47, 14}},
    {kStaticId, ControlKind::Text, "Backups extension:", {12, 76, 72, 8}},
    {main_ids::kExtension, ControlKind::EditBox, "", {86, 74, 40, 13}, 0, "Backups extension"},
    {main_ids::kSubfolders, ControlKind::CheckBox, "Include &subfolders", {136, 75, 89, 10}},
    {kStaticId, ControlKind::GroupBox, " Backups processing ", {6, 102, 225, 34}},
    {main_ids::kRestore, ControlKind::RadioButton, "&Restore backups", {14, 117, 95, 10}, style::kGroup},
    {main_ids::kDelete, ControlKind::RadioButton, "&Delete backups", {130, 117, 95, 10}},
    {main_ids::kProcess, ControlKind::DefaultPushButton, "&Process", {6, 146, 71, 14}},
    {main_ids::kAbout, ControlKind::PushButton, "&About...", {83, 146, 71, 14}},
    {main_ids::kExit, ControlKind::PushButton, "E&xit", {160, 146, 71, 14}},
}};

// 102: the About box.
constexpr std::array<ControlTemplate, 10> kAboutControls = {{
    {about_ids::kVersion, ControlKind::Text, "Ravelet\nVersion 1.01b", {3, 8, 176, 18}, style::kCentre},
    {about_ids::kCredits,
     ControlKind::Text,
     "Restores or deletes the backups\nthat Quillorn leaves beside your pages.",
     {3, 30, 176, 18},
     style::kCentre},
    {kStaticId, ControlKind::Text, "WWW:", {6, 56, 50, 8}, style::kRight},
    {about_ids::kWebLink, ControlKind::LinkText, "quillorn.example.org", {60, 56, 116, 8}},
    {kStaticId, ControlKind::Text, "E-mail:", {6, 68, 50, 8}, style::kRight},
    {about_ids::kMailLink, ControlKind::LinkText, "team@quillorn.example.org", {60, 68, 116, 8}},
    {kStaticId, ControlKind::Text, "Visit", {3, 86, 176, 8}, style::kCentre},
    {about_ids::kVisitLink, ControlKind::LinkText, "quillorn.example.org", {3, 96, 176, 8}, style::kCentre},
    {kStaticId,
     ControlKind::Text,
     "to get a great tool for fixing broken URLs\nin HTML files automatically!",
     {3, 106, 176, 18},
     style::kCentre},
    {about_ids::kOk, ControlKind::DefaultPushButton, "OK", {66, 126, 50, 14}},
}};

constexpr std::array<DialogTemplate, 2> kTemplates = {{
    {main_ids::kTemplate, "", 237, 166, kMainControls},
    {about_ids::kTemplate, "About Ravelet", 182, 146, kAboutControls},
}};

}  // namespace

const DialogTemplate& dialogTemplate(int templateId) { return ui::templateWithId(kTemplates, templateId); }

}  // namespace quillorn::restorer
