#include "wizard/resources/templates.h"

#include <array>
#include <cstdlib>

namespace quillorn::wizard {
namespace {

using ui::ControlKind;
using ui::ControlTemplate;
using ui::DialogTemplate;
using ui::kStaticId;
namespace style = ui::style;

constexpr int kPageWidth = kPageArea.width;
constexpr int kPageHeight = kPageArea.height;

// 101: the frame. The picture strip on the left, the page area right of it,
// an etched line and the six buttons along the bottom.
constexpr std::array<ControlTemplate, 8> kFrameControls = {{
    {frame_ids::kAbout, ControlKind::PushButton, "A&bout...", {7, 201, 50, 14}},
    {frame_ids::kHelp, ControlKind::PushButton, "&Help...", {59, 201, 50, 14}},
    {frame_ids::kCompanion, ControlKind::PushButton, "&Ravelet...", {116, 201, 50, 14}},
    {frame_ids::kPrevious, ControlKind::PushButton, "<< &Previous", {174, 201, 50, 14}},
    {frame_ids::kNext, ControlKind::DefaultPushButton, "&Next >>", {226, 201, 50, 14}},
    {frame_ids::kExit, ControlKind::PushButton, "E&xit", {284, 201, 50, 14}},
    {frame_ids::kPicture, ControlKind::Picture, "", {5, 5, 95, 185}, style::kSunken, "Page picture"},
    {frame_ids::kLine, ControlKind::EtchedLine, "", {5, 195, 330, 1}, 0, "Separator"},
}};

// 102: page 1, Welcome.
constexpr std::array<ControlTemplate, 4> kWelcomeControls = {{
    {welcome_ids::kBanner, ControlKind::Picture, "", {22, 23, 187, 71}, 0, "Quillorn"},
    {welcome_ids::kGreeting, ControlKind::Text, "Have fun and a pesky job done!", {0, 112, 231, 10}, style::kCentre},
    {welcome_ids::kNewsLink,
     ControlKind::LinkText,
     "Visit quillorn.example.org\nfor news and new versions of Quillorn",
     {20, 134, 191, 20},
     style::kCentre},
    {welcome_ids::kGuideLink,
     ControlKind::LinkText,
     "Visit quillorn.example.org/guide\nfor the user's guide and tips for big sites",
     {20, 160, 191, 20},
     style::kCentre},
}};

// 103: page 2, the file list.
constexpr std::array<ControlTemplate, 7> kFilesControls = {{
    {files_ids::kList,
     ControlKind::ListBox,
     "",
     {0, 0, kPageWidth, 145},
     style::kExtendedSelection,
     "Files for processing"},
    {files_ids::kAddFiles, ControlKind::PushButton, "&Add file(s)...", {0, 151, 72, 14}},
    {files_ids::kAddFolders, ControlKind::PushButton, "Add &folder(s)...", {76, 151, 72, 14}},
    {files_ids::kIncludeSubfolders, ControlKind::CheckBox, "Include &subfolders", {154, 153, 77, 10}},
    {files_ids::kCounter, ControlKind::Text, "Files added:", {0, 173, 110, 10}},
    {files_ids::kRemove, ControlKind::PushButton, "&Remove", {114, 170, 56, 14}},
    {files_ids::kRemoveAll, ControlKind::PushButton, "R&emove all...", {175, 170, 56, 14}},
}};

// 104: page 3, the search options in two groups, a box every 12 units.
constexpr int kBoxX = 8;
constexpr int kBoxWidth = kPageWidth - 12;
constexpr int kBoxStep = 12;
constexpr int kFirstGroupTop = 0;
constexpr int kSecondGroupTop = 116;
constexpr int boxTop(int groupTop, int row) { return groupTop + 12 + row * kBoxStep; }
constexpr std::array<ControlTemplate, 14> kOptionsControls = {{
    {kStaticId, ControlKind::GroupBox, " Search for URLs ", {0, kFirstGroupTop, kPageWidth, 111}},
    {options_ids::kUseSavedFromUrl,
     ControlKind::CheckBox,
     "&Use Microsoft Internet Explorer's \"saved from url\" comment",
     {kBoxX, boxTop(kFirstGroupTop, 0), kBoxWidth, 10}},
    {options_ids::kFindReplacements,
     ControlKind::CheckBox,
     "&Try to find replacements for unrecognized URLs",
     {kBoxX, boxTop(kFirstGroupTop, 1), kBoxWidth, 10}},
    {options_ids::kScriptProtocolStrings,
     ControlKind::CheckBox,
     "T&reat strings with protocol names as URLs inside scripts",
     {kBoxX, boxTop(kFirstGroupTop, 2), kBoxWidth, 10}},
    {options_ids::kScriptTagStrings,
     ControlKind::CheckBox,
     "Treat &strings with tags as actual tags inside scripts",
     {kBoxX, boxTop(kFirstGroupTop, 3), kBoxWidth, 10}},
    {options_ids::kCheckInternetUrls,
     ControlKind::CheckBox,
     "Tr&y to check Internet URLs (requires Internet connection)",
     {kBoxX, boxTop(kFirstGroupTop, 4), kBoxWidth, 10}},
    {options_ids::kCheckAnchors,
     ControlKind::CheckBox,
     "Check &links to anchors (page.html#part)",
     {kBoxX, boxTop(kFirstGroupTop, 5), kBoxWidth, 10}},
    {options_ids::kMatchCase,
     ControlKind::CheckBox,
     "&Match the letter case of file names (as Linux does)",
     {kBoxX, boxTop(kFirstGroupTop, 6), kBoxWidth, 10}},
    {options_ids::kIgnoreScriptLinks,
     ControlKind::CheckBox,
     "&Ignore scripts inside links",
     {kBoxX, boxTop(kFirstGroupTop, 7), kBoxWidth, 10}},
    {kStaticId, ControlKind::GroupBox, " Additional Processing ", {0, kSecondGroupTop, kPageWidth, 64}},
    {options_ids::kUseRelativePaths,
     ControlKind::CheckBox,
     "Us&e relative paths instead of absolute",
     {kBoxX, boxTop(kSecondGroupTop, 0), kBoxWidth, 10}},
    {options_ids::kAddHttpPrefix,
     ControlKind::CheckBox,
     "&Add \"http://\" to Web URLs",
     {kBoxX, boxTop(kSecondGroupTop, 1), kBoxWidth, 10}},
    {options_ids::kAddMailtoPrefix,
     ControlKind::CheckBox,
     "A&dd \"mailto:\" to e-mail addresses",
     {kBoxX, boxTop(kSecondGroupTop, 2), kBoxWidth, 10}},
    {options_ids::kConvertCodedChars,
     ControlKind::CheckBox,
     "&Convert coded characters in URLs",
     {kBoxX, boxTop(kSecondGroupTop, 3), kBoxWidth, 10}},
}};

// 105: page 4, the search's progress panel.
constexpr std::array<ControlTemplate, 4> kSearchControls = {{
    {search_ids::kStatusList, ControlKind::ListBox, "", {0, 0, kPageWidth, 145}, 0, "Search progress"},
    {search_ids::kFilesBar, ControlKind::ProgressBar, "", {0, 151, kPageWidth, 9}, style::kSmooth, "Files searched"},
    {search_ids::kFileBar, ControlKind::ProgressBar, "", {0, 164, kPageWidth, 6}, 0, "Progress in the current file"},
    {search_ids::kStatusLine, ControlKind::Text, "Status", {0, 176, kPageWidth, 10}, style::kCentre},
}};

// 106: page 5, the results list and the decision on the selected line.
constexpr std::array<ControlTemplate, 10> kResultsControls = {{
    {results_ids::kList, ControlKind::ListBox, "", {0, 0, kPageWidth, 112}, 0, "Search results"},
    {results_ids::kCount, ControlKind::Text, "URLs Found:", {0, 117, 92, 10}},
    {results_ids::kHideDelete, ControlKind::CheckBox, "&Hide \"Delete\"", {96, 116, 64, 10}},
    {results_ids::kHideReplace, ControlKind::CheckBox, "&Hide \"Replace\"", {164, 116, 67, 10}},
    {kStaticId, ControlKind::GroupBox, " Replace with ", {0, 130, kPageWidth, 56}},
    {results_ids::kReplacement, ControlKind::EditBox, "", {7, 142, 217, 12}, 0, "Replacement"},
    {results_ids::kApply, ControlKind::DefaultPushButton, "&Apply", {7, 158, 50, 14}},
    {results_ids::kBrowse, ControlKind::PushButton, "&Browse...", {61, 158, 50, 14}},
    {results_ids::kDoNotChange, ControlKind::PushButton, "Do not chan&ge", {115, 158, 60, 14}},
    {results_ids::kUseRelativePath, ControlKind::CheckBox, "&Use relative path", {7, 174, 100, 10}},
}};

// 119: page 6, what deleting a link means, in four groups, and the two boxes below them.
constexpr int kRadioX1 = 8;
constexpr int kRadioX2 = 80;
constexpr int kRadioX3 = 152;
constexpr int kRadioWidth = 70;
constexpr int kUrlX = 84;
constexpr int kUrlWidth = 97;
constexpr int kBrowseX = 185;
constexpr int kBrowseWidth = 40;
constexpr std::array<ControlTemplate, 21> kDeletionControls = {{
    {kStaticId, ControlKind::GroupBox, " Broken Text Links ", {0, 0, kPageWidth, 28}},
    {deletion_ids::kTextKeep,
     ControlKind::RadioButton,
     "&Do not change",
     {kRadioX1, 12, kRadioWidth, 10},
     style::kGroup},
    {deletion_ids::kTextConvert, ControlKind::RadioButton, "&Convert to text", {kRadioX2, 12, kRadioWidth, 10}},
    {deletion_ids::kTextEmpty, ControlKind::RadioButton, "&Make empty", {kRadioX3, 12, kRadioWidth, 10}},
    {kStaticId, ControlKind::GroupBox, " Broken Image URLs ", {0, 32, kPageWidth, 46}},
    {deletion_ids::kImageKeep,
     ControlKind::RadioButton,
     "D&o not change",
     {kRadioX1, 44, kRadioWidth, 10},
     style::kGroup},
    {deletion_ids::kImageEmpty, ControlKind::RadioButton, "M&ake empty", {kRadioX2, 44, kRadioWidth, 10}},
    {deletion_ids::kImageReplace, ControlKind::RadioButton, "Re&place with URL:", {kRadioX1, 60, 74, 10}},
    {deletion_ids::kImageUrl, ControlKind::EditBox, "", {kUrlX, 59, kUrlWidth, 12}, 0, "Image replacement URL"},
    {deletion_ids::kImageBrowse, ControlKind::PushButton, "&Browse...", {kBrowseX, 58, kBrowseWidth, 14}},
    {kStaticId, ControlKind::GroupBox, " Broken Background Image URLs ", {0, 82, kPageWidth, 46}},
    {deletion_ids::kBackgroundKeep,
     ControlKind::RadioButton,
     "Do &not change",
     {kRadioX1, 94, kRadioWidth, 10},
     style::kGroup},
    {deletion_ids::kBackgroundEmpty, ControlKind::RadioButton, "Ma&ke empty", {kRadioX2, 94, kRadioWidth, 10}},
    {deletion_ids::kBackgroundReplace, ControlKind::RadioButton, "Rep&lace with URL:", {kRadioX1, 110, 74, 10}},
    {deletion_ids::kBackgroundUrl,
     ControlKind::EditBox,
     "",
     {kUrlX, 109, kUrlWidth, 12},
     0,
     "Background replacement URL"},
    {deletion_ids::kBackgroundBrowse, ControlKind::PushButton, "B&rowse...", {kBrowseX, 108, kBrowseWidth, 14}},
    {kStaticId, ControlKind::GroupBox, " Other URLs and Links ", {0, 132, kPageWidth, 28}},
    {deletion_ids::kOtherKeep,
     ControlKind::RadioButton,
     "Do no&t change",
     {kRadioX1, 144, kRadioWidth, 10},
     style::kGroup},
    {deletion_ids::kOtherEmptyOrDelete,
     ControlKind::RadioButton,
     "Make empt&y or delete",
     {kRadioX2, 144, 90, 10},
     style::kDisabled},
    {deletion_ids::kRelativePaths, ControlKind::CheckBox, "U&se relative paths", {2, 170, 80, 10}},
    {deletion_ids::kMakeBackups, ControlKind::CheckBox, "Make back&ups before processing", {88, 170, 143, 10}},
}};

// 107: page 7, the rewriting pass's progress panel.
constexpr std::array<ControlTemplate, 3> kProcessingControls = {{
    {processing_ids::kStatusList, ControlKind::ListBox, "", {0, 0, kPageWidth, 155}, 0, "Processing progress"},
    {processing_ids::kFilesBar,
     ControlKind::ProgressBar,
     "",
     {0, 161, kPageWidth, 10},
     style::kSmooth,
     "Files processed"},
    {processing_ids::kStatusLine, ControlKind::Text, "Status", {0, 176, kPageWidth, 10}, style::kCentre},
}};

// 108: the About box.
constexpr std::array<ControlTemplate, 7> kAboutControls = {{
    {about_ids::kCredits,
     ControlKind::Text,
     "Quillorn repairs the broken links of a web site\nkept as files on your own disk.",
     {10, 10, 217, 20},
     style::kCentre},
    {about_ids::kWebLabel, ControlKind::Text, "WWW:", {10, 42, 70, 10}, style::kRight},
    {about_ids::kWebLink, ControlKind::LinkText, "quillorn.example.org", {84, 42, 143, 10}},
    {about_ids::kMailLabel, ControlKind::Text, "E-mail:", {10, 56, 70, 10}, style::kRight},
    {about_ids::kMailLink, ControlKind::LinkText, "team@quillorn.example.org", {84, 56, 143, 10}},
    {about_ids::kMotto,
     ControlKind::Text,
     "Made by the Quillorn team. Keep your backups!",
     {10, 80, 217, 10},
     style::kCentre},
    {about_ids::kOk, ControlKind::DefaultPushButton, "OK", {93, 106, 50, 14}},
}};

constexpr std::array<DialogTemplate, 9> kTemplates = {{
    {frame_ids::kTemplate, "", 342, 221, kFrameControls},
    {welcome_ids::kTemplate, "", kPageWidth, kPageHeight, kWelcomeControls},
    {files_ids::kTemplate, "", kPageWidth, kPageHeight, kFilesControls},
    {options_ids::kTemplate, "", kPageWidth, kPageHeight, kOptionsControls},
    {search_ids::kTemplate, "", kPageWidth, kPageHeight, kSearchControls},
    {results_ids::kTemplate, "", kPageWidth, kPageHeight, kResultsControls},
    {deletion_ids::kTemplate, "", kPageWidth, kPageHeight, kDeletionControls},
    {processing_ids::kTemplate, "", kPageWidth, kPageHeight, kProcessingControls},
    {about_ids::kTemplate, "About Quillorn", 237, 133, kAboutControls},
}};

}  // namespace

const DialogTemplate& dialogTemplate(int templateId) {
  for (const DialogTemplate& dialog : kTemplates) {
    if (dialog.id == templateId) return dialog;
  }
  // Every caller names one of the ids above; anything else is a programming error.
  std::abort();
}

}  // namespace quillorn::wizard
