#include "core/model/file_kind.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace quillorn {
namespace {

struct ExtensionRow {
  const char* name;
  std::string path;
  std::string extension;
};

void PrintTo(const ExtensionRow& row, std::ostream* os) { *os << row.name; }

class FileExtensionTest : public ::testing::TestWithParam<ExtensionRow> {};

TEST_P(FileExtensionTest, TakesTextAfterLastDotOfLastComponent) {
  EXPECT_EQ(std::string(fileExtension(GetParam().path)), GetParam().extension);
}

INSTANTIATE_TEST_SUITE_P(Paths, FileExtensionTest,
                         ::testing::Values(ExtensionRow{"Plain", "C:\\site\\index.htm", "htm"},
                                           ExtensionRow{"UpperCaseKept", "C:\\site\\INDEX.HTM", "HTM"},
                                           ExtensionRow{"LastDotWins", "C:\\site\\page.html.bak", "bak"},
                                           ExtensionRow{"DottedFolderDotlessFile", "C:\\site.v2\\readme", ""},
                                           ExtensionRow{"SlashesOnly", "/home/ann/site.v2/app.js", "js"},
                                           ExtensionRow{"SlashesOnlyDotlessFile", "/home/ann/site.v2/readme", ""},
                                           // With a backslash present, a slash is part of the last component.
                                           ExtensionRow{"BackslashBeatsLaterSlash", "C:\\site\\page.htm/x", "htm/x"},
                                           ExtensionRow{"SlashBeforeBackslash", "C:/site\\a.css", "css"},
                                           ExtensionRow{"NoSeparator", "style.css", "css"},
                                           ExtensionRow{"TrailingDot", "C:\\site\\page.", ""},
                                           ExtensionRow{"LeadingDot", "C:\\site\\.htaccess", "htaccess"},
                                           ExtensionRow{"Empty", "", ""}),
                         [](const ::testing::TestParamInfo<ExtensionRow>& info) {
                           return std::string(info.param.name);
                         });

TEST(BackupPathTest, AppendsBakAfterTheWholeName) {
  EXPECT_EQ(backupPath("C:\\site\\index.htm"), "C:\\site\\index.htm.bak");
  EXPECT_EQ(backupPath("C:\\site\\Style.CSS"), "C:\\site\\Style.CSS.bak");
}

}  // namespace
}  // namespace quillorn
