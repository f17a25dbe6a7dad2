#pragma once
// The wizard's dialog templates and the ids of their controls. The frame and
// the About box are top-level dialogs; every page is 231 x 186 dialog units
// and sits in the frame's page area at (105, 5).

#include "ui/dialog_template.h"

namespace quillorn::wizard {

namespace frame_ids {
inline constexpr int kTemplate = 101;
inline constexpr int kPrevious = 1013;
inline constexpr int kNext = 1014;
inline constexpr int kExit = 1015;
inline constexpr int kAbout = 1016;
inline constexpr int kPicture = 1017;
inline constexpr int kLine = 1018;
inline constexpr int kHelp = 1072;
inline constexpr int kCompanion = 1079;
}  // namespace frame_ids

namespace welcome_ids {
inline constexpr int kTemplate = 102;
inline constexpr int kBanner = 1072;
inline constexpr int kGreeting = 1065;
inline constexpr int kNewsLink = 1066;
inline constexpr int kGuideLink = 1068;
}  // namespace welcome_ids

namespace files_ids {
inline constexpr int kTemplate = 103;
inline constexpr int kList = 1019;
inline constexpr int kAddFiles = 1020;
inline constexpr int kAddFolders = 1021;
inline constexpr int kCounter = 1022;
inline constexpr int kRemove = 1023;
inline constexpr int kRemoveAll = 1024;
inline constexpr int kIncludeSubfolders = 1034;
}  // namespace files_ids

namespace options_ids {
inline constexpr int kTemplate = 104;
inline constexpr int kScriptTagStrings = 1028;
inline constexpr int kScriptProtocolStrings = 1029;
inline constexpr int kUseSavedFromUrl = 1030;
inline constexpr int kUseRelativePaths = 1031;
inline constexpr int kFindReplacements = 1032;
inline constexpr int kConvertCodedChars = 1033;
inline constexpr int kAddHttpPrefix = 1076;
inline constexpr int kAddMailtoPrefix = 1077;
inline constexpr int kCheckInternetUrls = 1082;
inline constexpr int kIgnoreScriptLinks = 1083;
inline constexpr int kCheckAnchors = 1084;
inline constexpr int kMatchCase = 1085;
}  // namespace options_ids

namespace search_ids {
inline constexpr int kTemplate = 105;
inline constexpr int kStatusList = 1026;
inline constexpr int kFilesBar = 1025;
inline constexpr int kFileBar = 1080;
inline constexpr int kStatusLine = 1035;
}  // namespace search_ids

namespace results_ids {
inline constexpr int kTemplate = 106;
inline constexpr int kList = 1036;
inline constexpr int kCount = 1054;
inline constexpr int kHideDelete = 1028;
inline constexpr int kHideReplace = 1029;
inline constexpr int kReplacement = 1037;
inline constexpr int kApply = 1078;
inline constexpr int kBrowse = 1038;
inline constexpr int kDoNotChange = 1039;
inline constexpr int kUseRelativePath = 1075;
}  // namespace results_ids

namespace deletion_ids {
inline constexpr int kTemplate = 119;
inline constexpr int kTextKeep = 1040;
inline constexpr int kTextConvert = 1041;
inline constexpr int kTextEmpty = 1042;
inline constexpr int kImageKeep = 1043;
inline constexpr int kImageEmpty = 1044;
inline constexpr int kImageReplace = 1045;
inline constexpr int kImageUrl = 1069;
inline constexpr int kImageBrowse = 1073;
inline constexpr int kBackgroundKeep = 1046;
inline constexpr int kBackgroundEmpty = 1047;
inline constexpr int kBackgroundReplace = 1048;
inline constexpr int kBackgroundUrl = 1071;
inline constexpr int kBackgroundBrowse = 1074;
inline constexpr int kOtherKeep = 1049;
inline constexpr int kOtherEmptyOrDelete = 1050;
inline constexpr int kRelativePaths = 1075;
inline constexpr int kMakeBackups = 1055;
}  // namespace deletion_ids

namespace processing_ids {
inline constexpr int kTemplate = 107;
inline constexpr int kStatusList = 1027;
inline constexpr int kFilesBar = 1025;
inline constexpr int kStatusLine = 1035;
}  // namespace processing_ids

namespace about_ids {
inline constexpr int kTemplate = 108;
inline constexpr int kOk = 1;
inline constexpr int kCredits = 1057;
inline constexpr int kWebLabel = 1059;
inline constexpr int kWebLink = 1060;
inline constexpr int kMailLink = 1061;
inline constexpr int kMotto = 1062;
inline constexpr int kMailLabel = 1063;
}  // namespace about_ids

// Where the page area starts in the frame, in dialog units.
inline constexpr ui::DialogRect kPageArea = {105, 5, 231, 186};

// The template with this id; every id above names one.
const ui::DialogTemplate& dialogTemplate(int templateId);

}  // namespace quillorn::wizard
