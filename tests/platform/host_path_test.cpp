#include "platform/host_path.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>

#include "tests/support/temp_folder.h"

namespace fs = std::filesystem;
using quillorn::platform::displayPath;
using quillorn::platform::isAbsolutePathText;
using quillorn::platform::toHostPath;
using quillorn::platform::toPathText;
using quillorn::test_support::TempFolder;

namespace {

struct AbsoluteRow {
  std::string name;
  std::string hostPath;
  std::string pathText;
};

void PrintTo(const AbsoluteRow& row, std::ostream* out) { *out << row.name; }

class AbsolutePathTest : public ::testing::TestWithParam<AbsoluteRow> {};

TEST_P(AbsolutePathTest, HostPathAndPathTextRoundTrip) {
  const AbsoluteRow& row = GetParam();
  EXPECT_EQ(toPathText(row.hostPath), row.pathText);
  EXPECT_EQ(toHostPath(row.pathText), fs::path(row.hostPath));
  EXPECT_EQ(displayPath(row.pathText), row.hostPath);
  EXPECT_EQ(toPathText(toHostPath(row.pathText)), row.pathText);
}

INSTANTIATE_TEST_SUITE_P(Rows, AbsolutePathTest,
                         ::testing::Values(AbsoluteRow{"file", "/home/ann/site/a.htm", R"(\home\ann\site\a.htm)"},
                                           AbsoluteRow{"root", "/", R"(\)"},
                                           AbsoluteRow{"spaces_and_ansi_bytes", "/srv/My Site/caf\xE9 menu.htm",
                                                       "\\srv\\My Site\\caf\xE9 menu.htm"},
                                           AbsoluteRow{"utf8_bytes", "/srv/\xC3\xA9t\xC3\xA9/index.html",
                                                       "\\srv\\\xC3\xA9t\xC3\xA9\\index.html"}),
                         [](const auto& info) { return info.param.name; });

// A path as a person types it has one spelling once received: each file is
// one entry of the file list, and links resolve against its real folders.
class TypedPathTest : public ::testing::TestWithParam<AbsoluteRow> {};

TEST_P(TypedPathTest, IsReceivedLexicallyNormal) { EXPECT_EQ(toPathText(GetParam().hostPath), GetParam().pathText); }

INSTANTIATE_TEST_SUITE_P(Rows, TypedPathTest,
                         ::testing::Values(AbsoluteRow{"dot_segments", "/a/../b/./c.htm", R"(\b\c.htm)"},
                                           AbsoluteRow{"ends_in_dot_dot", "/tmp/site/sub/..", R"(\tmp\site)"},
                                           AbsoluteRow{"doubled_separator", "/a//b.htm", R"(\a\b.htm)"},
                                           AbsoluteRow{"trailing_separator", "/tmp/site/", R"(\tmp\site)"},
                                           AbsoluteRow{"above_the_root", "/../a.htm", R"(\a.htm)"}),
                         [](const auto& info) { return info.param.name; });

struct RelativeRow {
  std::string name;
  std::string hostPath;
};

void PrintTo(const RelativeRow& row, std::ostream* out) { *out << row.name; }

class RelativePathTest : public ::testing::TestWithParam<RelativeRow> {};

// A relative host path names a file below the current folder; its path text
// is absolute so that links resolve against it.
TEST_P(RelativePathTest, IsMadeAbsoluteAgainstTheCurrentFolder) {
  fs::path expected = (fs::current_path() / GetParam().hostPath).lexically_normal();
  if (!expected.has_filename()) expected = expected.parent_path();
  const std::string text = toPathText(GetParam().hostPath);
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text.front(), '\\');
  EXPECT_EQ(text.find('/'), std::string::npos);
  EXPECT_EQ(toHostPath(text), expected);
  EXPECT_EQ(displayPath(text), expected.string());
}

INSTANTIATE_TEST_SUITE_P(Rows, RelativePathTest,
                         ::testing::Values(RelativeRow{"plain_name", "a.htm"}, RelativeRow{"nested", "site/img/b.gif"},
                                           RelativeRow{"parent_segment", "../up.css"}, RelativeRow{"dot", "."},
                                           RelativeRow{"dot_dot", ".."}, RelativeRow{"detour", "./x/../site"}),
                         [](const auto& info) { return info.param.name; });

// The current folder that relative paths resolve against is the one at the
// time of the call, not at program start.
TEST(HostPathTest, RelativePathFollowsTheCurrentFolder) {
  const TempFolder temp("quillorn-hostpath");
  const fs::path folder = fs::canonical(temp.path());
  const fs::path before = fs::current_path();
  fs::current_path(folder);
  const std::string text = toPathText("page.htm");
  fs::current_path(before);
  EXPECT_EQ(toHostPath(text), folder / "page.htm");
}

struct TextRow {
  std::string name;
  std::string pathText;
  std::string hostPath;
};

void PrintTo(const TextRow& row, std::ostream* out) { *out << row.name; }

class PathTextTest : public ::testing::TestWithParam<TextRow> {};

// Path text that is not absolute (as links hold it) becomes a host path as it
// stands; only the separators change.
TEST_P(PathTextTest, SeparatorsBecomeSlashes) {
  EXPECT_EQ(toHostPath(GetParam().pathText), fs::path(GetParam().hostPath));
  EXPECT_EQ(displayPath(GetParam().pathText), GetParam().hostPath);
}

INSTANTIATE_TEST_SUITE_P(Rows, PathTextTest,
                         ::testing::Values(TextRow{"relative", R"(img\logo.gif)", "img/logo.gif"},
                                           TextRow{"parent", R"(..\style.css)", "../style.css"},
                                           TextRow{"no_separator", "a.htm", "a.htm"}, TextRow{"empty", "", ""}),
                         [](const auto& info) { return info.param.name; });

#ifdef _WIN32
constexpr bool kPosixHost = false;
#else
constexpr bool kPosixHost = true;
#endif

struct AbsoluteTextRow {
  std::string name;
  std::string text;
  bool absolute;
};

void PrintTo(const AbsoluteTextRow& row, std::ostream* out) { *out << row.name; }

class AbsolutePathTextTest : public ::testing::TestWithParam<AbsoluteTextRow> {};

TEST_P(AbsolutePathTextTest, DrivePathsAndThisHostsOwnPaths) {
  EXPECT_EQ(isAbsolutePathText(GetParam().text), GetParam().absolute);
}

INSTANTIATE_TEST_SUITE_P(Rows, AbsolutePathTextTest,
                         ::testing::Values(AbsoluteTextRow{"drive_path", R"(C:\site\a.gif)", true},
                                           AbsoluteTextRow{"drive_root", R"(C:\)", true},
                                           AbsoluteTextRow{"drive_alone", "C:", false},
                                           AbsoluteTextRow{"drive_with_slash", "C:/site/a.gif", false},
                                           AbsoluteTextRow{"drive_with_bar", R"(C|\site\a.gif)", false},
                                           AbsoluteTextRow{"host_path", R"(\home\ann\a.gif)", kPosixHost},
                                           AbsoluteTextRow{"host_root", R"(\)", kPosixHost},
                                           AbsoluteTextRow{"double_backslash", R"(\\server\share\a.gif)", false},
                                           AbsoluteTextRow{"relative", R"(img\a.gif)", false},
                                           AbsoluteTextRow{"empty", "", false}),
                         [](const auto& info) { return info.param.name; });

}  // namespace
