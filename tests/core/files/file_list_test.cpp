#include "core/files/file_list.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <random>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "core/text/ascii.h"
#include "platform/host_path.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_folder.h"

namespace quillorn {
namespace {

namespace fs = std::filesystem;

// Row names become test names, so each row says what it checks.
struct RowName {
  template <typename Info>
  std::string operator()(const Info& info) const {
    return std::string(info.param.name);
  }
};

FileList listOf(std::initializer_list<std::string_view> paths) {
  FileList list;
  for (std::string_view path : paths) list.addSelectedFiles({std::string(path)}, {});
  return list;
}

// A poll that asks to stop on its `stopAt`-th call (never when 0) and counts its calls.
StopPoll stopOnCall(int stopAt, int& calls) {
  return [stopAt, &calls] { return ++calls == stopAt; };
}

// ------------------------------------------------------- collapseDotDotSegments

struct CollapseRow {
  std::string_view name;
  std::string_view path;
  bool ok;
  std::string_view collapsed;  // when ok
};

class CollapseTest : public testing::TestWithParam<CollapseRow> {};

TEST_P(CollapseTest, CollapsesDotDotSegments) {
  const CollapseRow& row = GetParam();
  std::string path(row.path);
  ASSERT_EQ(collapseDotDotSegments(path), row.ok);
  if (row.ok) {
    EXPECT_EQ(path, row.collapsed);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CollapseTest,
    testing::Values(CollapseRow{"OneSegment", R"(a\b\..\c)", true, R"(a\c)"},
                    CollapseRow{"AtEndKeepsEarlierSeparator", R"(a\b\..)", true, R"(a\)"},
                    CollapseRow{"ChainCollapsesOneAfterAnother", R"(a\b\c\..\..\d)", true, R"(a\d)"},
                    CollapseRow{"NoEarlierSeparatorFails", R"(\..\x)", false, ""},
                    CollapseRow{"RelativeFirstComponentCannotBeRemoved", R"(a\..\x)", false, ""},
                    CollapseRow{"ChainClimbingPastFirstComponentFails", R"(a\b\..\..\c)", false, ""},
                    CollapseRow{"ChainDownToLeadingSeparator", R"(\a\b\..\..\c)", true, R"(\c)"},
                    CollapseRow{"DownToRootAtEnd", R"(\a\..)", true, R"(\)"},
                    CollapseRow{"DriveLetterPath", R"(C:\site\..\a.htm)", true, R"(C:\a.htm)"},
                    CollapseRow{"AboveDriveRootFails", R"(C:\..\a.htm)", false, ""},
                    CollapseRow{"PosixPathText", R"(\home\ann\site\..\img\a.gif)", true, R"(\home\ann\img\a.gif)"},
                    CollapseRow{"Slashes", "a/b/../c", true, "a/c"},
                    CollapseRow{"MixedSeparatorsKeepTheOneAfterDotDot", R"(a\b/..\c)", true, R"(a\c)"},
                    CollapseRow{"MixedSeparatorsOtherWay", R"(a/b\../c)", true, "a/c"},
                    CollapseRow{"EmptyComponentIsRemoved", R"(a\\..\b)", true, R"(a\b)"},
                    CollapseRow{"UncServerKept", R"(\\srv\share\..\x)", true, R"(\\srv\x)"},
                    CollapseRow{"SingleDotKept", R"(a\.\b)", true, R"(a\.\b)"},
                    CollapseRow{"ThreeDotsAreAName", R"(a\b\...\c)", true, R"(a\b\...\c)"},
                    CollapseRow{"DotDotPrefixOfNameKept", R"(a\b\..x)", true, R"(a\b\..x)"},
                    CollapseRow{"DotDotSuffixOfNameKept", R"(a\b..\c)", true, R"(a\b..\c)"},
                    CollapseRow{"DotDotWithoutSeparatorKept", "..", true, ".."},
                    CollapseRow{"LeadingDotDotWithoutSeparatorKept", R"(..\a)", true, R"(..\a)"},
                    CollapseRow{"UrlAfterScheme", "http://x.com/a/../b", true, "http://x.com/b"},
                    CollapseRow{"Empty", "", true, ""}),
    RowName{});

// ------------------------------------------------------------ lastPathComponent

struct ComponentRow {
  std::string_view name;
  std::string_view text;
  std::string_view component;
};

class LastComponentTest : public testing::TestWithParam<ComponentRow> {};

TEST_P(LastComponentTest, TakesTextAfterLastSeparator) {
  EXPECT_EQ(lastPathComponent(GetParam().text), GetParam().component);
}

INSTANTIATE_TEST_SUITE_P(Rows, LastComponentTest,
                         testing::Values(ComponentRow{"AfterBackslash", R"(C:\site\a.htm)", "a.htm"},
                                         ComponentRow{"AfterSlash", "http://x.com/pics/logo.gif", "logo.gif"},
                                         ComponentRow{"BackslashWinsOverLaterSlash", R"(a\b/c)", "b/c"},
                                         ComponentRow{"NoSeparator", "a.htm", "a.htm"},
                                         ComponentRow{"TrailingSeparator", R"(C:\site\)", ""},
                                         ComponentRow{"Empty", "", ""}),
                         RowName{});

// ----------------------------------------------------------------- findByPath

// Entry 1 and 2 differ only in their separators; 0, 1, 2 and 6 share the last
// component "c".
FileList lookupList() {
  return listOf({R"(C:\Site\a\c)", R"(a\c)", "a/c", R"(\home\ann\site\index.htm)", R"(C:\Site\Img\LOGO.GIF)",
                 R"(C:\Other\c)", R"(C:\odd\sub/c)"});
}

constexpr std::size_t kAll = static_cast<std::size_t>(-1);

struct FindByPathRow {
  std::string_view name;
  std::string_view path;
  std::size_t n;
  std::int64_t index;
};

class FindByPathTest : public testing::TestWithParam<FindByPathRow> {};

TEST_P(FindByPathTest, FindsFirstEqualEntryBelowN) {
  const FindByPathRow& row = GetParam();
  const FileList list = lookupList();
  ASSERT_EQ(list.count(), 7u);
  EXPECT_EQ(list.findByPath(row.path, row.n == kAll ? list.count() : row.n), row.index);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FindByPathTest,
    testing::Values(FindByPathRow{"BackslashDotDotFindsBackslashEntry", R"(a\b\..\c)", kAll, 1},
                    FindByPathRow{"SlashDotDotFindsSlashEntryNotBackslashOne", "a/b/../c", kAll, 2},
                    FindByPathRow{"CaseIgnored", R"(A\C)", kAll, 1},
                    FindByPathRow{"WholeEntryCaseIgnored", R"(c:\site\img\logo.gif)", kAll, 4},
                    FindByPathRow{"CollapsedAndCaseIgnored", R"(c:\SITE\img\..\IMG\logo.gif)", kAll, 4},
                    FindByPathRow{"EntryJustBelowN", R"(a\c)", 2, 1},
                    FindByPathRow{"EntryAtNNotSearched", R"(a\c)", 1, -1},
                    FindByPathRow{"NZeroFindsNothing", R"(C:\Site\a\c)", 0, -1},
                    FindByPathRow{"NPastEndSearchesAll", R"(C:\Other\c)", 1000, 5},
                    FindByPathRow{"PosixPathText", R"(\home\ann\site\sub\..\index.htm)", kAll, 3},
                    FindByPathRow{"ClimbingAboveRootFindsNothing", R"(\..\a\c)", kAll, -1},
                    FindByPathRow{"SingleDotNotRemoved", R"(C:\Site\.\a\c)", kAll, -1},
                    FindByPathRow{"TrailingSeparatorDiffers", R"(a\c\)", kAll, -1},
                    FindByPathRow{"PrefixOfEntryNotEqual", R"(C:\Site\a)", kAll, -1},
                    FindByPathRow{"Empty", "", kAll, -1}),
    RowName{});

// ------------------------------------------------------------- findByFileName

struct FindByFileNameRow {
  std::string_view name;
  std::string_view text;
  std::size_t start;
  std::int64_t index;
};

class FindByFileNameTest : public testing::TestWithParam<FindByFileNameRow> {};

TEST_P(FindByFileNameTest, FindsFirstSameNameFromStart) {
  const FindByFileNameRow& row = GetParam();
  EXPECT_EQ(lookupList().findByFileName(row.text, row.start), row.index);
}

INSTANTIATE_TEST_SUITE_P(Rows, FindByFileNameTest,
                         testing::Values(FindByFileNameRow{"InternetUrlFindsEntryOtherFolderOtherCase",
                                                           "http://www.x.com/pics/logo.gif", 0, 4},
                                         FindByFileNameRow{"FirstOfSeveral", R"(x\C)", 0, 0},
                                         FindByFileNameRow{"StartOnAMatch", R"(x\C)", 1, 1},
                                         FindByFileNameRow{"StartOnSlashEntry", R"(x\C)", 2, 2},
                                         FindByFileNameRow{"StartBetweenMatchesSkipsAhead", R"(x\C)", 3, 5},
                                         FindByFileNameRow{"StartPastLastMatch", R"(x\C)", 6, -1},
                                         FindByFileNameRow{"StartPastEnd", R"(x\C)", 100, -1},
                                         FindByFileNameRow{"BackslashWinsSoComponentHoldsSlash", R"(dir\sub/c)", 0, 6},
                                         FindByFileNameRow{"SlashesOnly", "dir/sub/c", 0, 0},
                                         FindByFileNameRow{"BareName", "index.HTM", 0, 3},
                                         FindByFileNameRow{"NoSuchName", "http://x.com/missing.gif", 0, -1},
                                         FindByFileNameRow{"EmptyComponent", "http://x.com/", 0, -1}),
                         RowName{});

// Lookups must give what a plain scan in list order gives, whatever adds and
// removals came before.
TEST(FileListIndexTest, LookupsMatchListOrderScanAfterAddsAndRemovals) {
  const std::vector<std::string> pool = {R"(C:\s\a.htm)",      R"(c:\S\A.HTM)",
                                         R"(C:\s\x\..\a.htm)", R"(C:\t\a.htm)",
                                         "C:/s/a.htm",         R"(C:\s\b.gif)",
                                         R"(\h\b.GIF)",        R"(\h\c)",
                                         R"(\h\c\)",           "c",
                                         R"(\..\c)",           R"(C:\s\sub/b.gif)"};
  std::mt19937 random(20240611u);
  FileList list;
  for (int round = 0; round < 300; ++round) {
    const unsigned op = random() % 4;
    if (op == 0) {
      list.removeSelected({random() % (list.count() + 2), random() % (list.count() + 2)});
    } else if (op == 1) {
      list.addSelectedFiles({R"(C:\s)", "a.htm", "B.GIF", "c"}, {});
    } else if (round % 97 == 0) {
      list.removeAll();
    } else {
      list.addSelectedFiles({pool[random() % pool.size()]}, {});
    }

    const std::vector<std::string>& paths = list.paths();
    for (const std::string& query : pool) {
      std::string collapsed = query;
      const bool ok = collapseDotDotSegments(collapsed);
      for (std::size_t n : {std::size_t{0}, paths.size() / 2, paths.size()}) {
        std::int64_t expected = -1;
        for (std::size_t i = 0; ok && i < n; ++i) {
          if (equalsIgnoreAsciiCase(paths[i], collapsed)) {
            expected = static_cast<std::int64_t>(i);
            break;
          }
        }
        ASSERT_EQ(list.findByPath(query, n), expected) << query << " n=" << n << " round " << round;
      }
      for (std::size_t start = 0; start <= paths.size(); start += 3) {
        std::int64_t expected = -1;
        for (std::size_t i = start; i < paths.size(); ++i) {
          if (equalsIgnoreAsciiCase(lastPathComponent(paths[i]), lastPathComponent(query))) {
            expected = static_cast<std::int64_t>(i);
            break;
          }
        }
        ASSERT_EQ(list.findByFileName(query, start), expected) << query << " start=" << start << " round " << round;
      }
    }
  }
}

// ----------------------------------------------------------- addSelectedFiles

struct AddTwiceRow {
  std::string_view name;
  std::string_view first;
  std::string_view second;
  bool bothKept;
};

class AddTwiceTest : public testing::TestWithParam<AddTwiceRow> {};

TEST_P(AddTwiceTest, SecondAddKeepsOrSkips) {
  const AddTwiceRow& row = GetParam();
  const FileList list = listOf({row.first, row.second});
  std::vector<std::string> expected = {std::string(row.first)};
  if (row.bothKept) expected.emplace_back(row.second);
  EXPECT_EQ(list.paths(), expected);
}

#ifdef _WIN32
constexpr bool kCaseVariantsKept = false;
#else
// A case-sensitive file system holds both files, so both stay in the list.
constexpr bool kCaseVariantsKept = true;
#endif

INSTANTIATE_TEST_SUITE_P(
    Rows, AddTwiceTest,
    testing::Values(AddTwiceRow{"SamePath", R"(c:\site\a.htm)", R"(c:\site\a.htm)", false},
                    AddTwiceRow{"SamePathThroughDotDot", R"(c:\site\a.htm)", R"(c:\site\img\..\a.htm)", false},
                    AddTwiceRow{"OtherCase", R"(c:\site\a.htm)", R"(C:\Site\A.HTM)", kCaseVariantsKept},
                    AddTwiceRow{"OtherFolder", R"(c:\site\a.htm)", R"(c:\other\a.htm)", true},
                    AddTwiceRow{"OtherSeparator", R"(c:\site\a.htm)", "c:/site/a.htm", true},
                    AddTwiceRow{"ClimbingPathIsNeverFound", R"(\..\a.htm)", R"(\..\a.htm)", true}),
    RowName{});

TEST(AddSelectedFilesTest, MultipleSelectionAddsOnlyMissingAtEndInDialogOrder) {
  FileList list = listOf({R"(C:\zz\first.htm)", R"(C:\site\b.htm)"});
  list.addSelectedFiles({R"(C:\site)", "z.htm", "b.htm", "a.htm", "B.HTM"}, {});
  std::vector<std::string> expected = {R"(C:\zz\first.htm)", R"(C:\site\b.htm)", R"(C:\site\z.htm)",
                                       R"(C:\site\a.htm)"};
  if (kCaseVariantsKept) expected.emplace_back(R"(C:\site\B.HTM)");
  EXPECT_EQ(list.paths(), expected);
}

TEST(AddSelectedFilesTest, FolderEndingInSeparatorGetsNoSecondOne) {
  FileList list;
  list.addSelectedFiles({R"(C:\)", "a.htm", "b.htm"}, {});
  EXPECT_EQ(list.paths(), (std::vector<std::string>{R"(C:\a.htm)", R"(C:\b.htm)"}));
}

TEST(AddSelectedFilesTest, StopKeepsWhatWasAddedAndPollsAfterEveryName) {
  FileList list = listOf({R"(C:\s\a.htm)"});
  int polls = 0;
  // "a.htm" is already listed but still counts as a unit of work.
  list.addSelectedFiles({R"(C:\s)", "a.htm", "b.htm", "c.htm", "d.htm"}, stopOnCall(2, polls));
  EXPECT_EQ(polls, 2);
  EXPECT_EQ(list.paths(), (std::vector<std::string>{R"(C:\s\a.htm)", R"(C:\s\b.htm)"}));
}

TEST(AddSelectedFilesTest, SingleFileIsNotPolled) {
  FileList list;
  int polls = 0;
  list.addSelectedFiles({R"(C:\s\a.htm)"}, stopOnCall(1, polls));
  EXPECT_EQ(polls, 0);
  EXPECT_EQ(list.count(), 1u);
}

TEST(AddSelectedFilesTest, EmptySelectionChangesNothing) {
  FileList list = listOf({R"(C:\s\a.htm)"});
  list.addSelectedFiles({}, {});
  EXPECT_EQ(list.count(), 1u);
  EXPECT_EQ(list.lastBrowseLocation, R"(C:\s\a.htm)");
}

TEST(AddSelectedFilesTest, BrowseLocationIsFirstString) {
  FileList list;
  list.addSelectedFiles({R"(C:\s\one.htm)"}, {});
  EXPECT_EQ(list.lastBrowseLocation, R"(C:\s\one.htm)");
  list.addSelectedFiles({R"(C:\t)", "a.htm", "b.htm"}, {});
  EXPECT_EQ(list.lastBrowseLocation, R"(C:\t)");
}

struct BrowseLengthRow {
  std::string_view name;
  std::size_t length;
  std::size_t kept;
};

class BrowseLocationLengthTest : public testing::TestWithParam<BrowseLengthRow> {};

TEST_P(BrowseLocationLengthTest, CutToCapacity) {
  const BrowseLengthRow& row = GetParam();
  std::string path = R"(C:\)";
  for (std::size_t i = 0; path.size() < row.length; ++i) path.push_back(static_cast<char>('a' + i % 26));
  FileList list;
  list.addSelectedFiles({path}, {});
  EXPECT_EQ(list.path(0), path) << "the entry itself is never cut";
  EXPECT_EQ(list.lastBrowseLocation, path.substr(0, row.kept));
}

INSTANTIATE_TEST_SUITE_P(Rows, BrowseLocationLengthTest,
                         testing::Values(BrowseLengthRow{"BelowCapacity", 262, 262},
                                         BrowseLengthRow{"AtCapacity", 263, 263},
                                         BrowseLengthRow{"AboveCapacity", 264, 263}),
                         RowName{});

// ------------------------------------------------------------------- removals

TEST(RemoveSelectedTest, ThreeSeparateEntriesRemovedExactly) {
  FileList list = listOf({R"(C:\0)", R"(C:\1)", R"(C:\2)", R"(C:\3)", R"(C:\4)", R"(C:\5)", R"(C:\6)"});
  list.removeSelected({5, 0, 2});
  EXPECT_EQ(list.paths(), (std::vector<std::string>{R"(C:\1)", R"(C:\3)", R"(C:\4)", R"(C:\6)"}));
  // The lookups follow the new indices.
  EXPECT_EQ(list.findByPath(R"(C:\6)"), 3);
  EXPECT_EQ(list.findByPath(R"(C:\5)"), -1);
  EXPECT_EQ(list.findByFileName("x/4", 0), 2);
  EXPECT_EQ(list.findByFileName("x/0", 0), -1);
}

TEST(RemoveSelectedTest, DuplicateAndOutOfRangeIndicesIgnored) {
  FileList list = listOf({R"(C:\0)", R"(C:\1)", R"(C:\2)"});
  list.removeSelected({1, 1, 3, 99});
  EXPECT_EQ(list.paths(), (std::vector<std::string>{R"(C:\0)", R"(C:\2)"}));
  list.removeSelected({});
  EXPECT_EQ(list.count(), 2u);
}

TEST(RemoveAllTest, EmptiesListAndLookups) {
  FileList list = listOf({R"(C:\0)", R"(C:\1)"});
  list.removeAll();
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(list.findByPath(R"(C:\0)", 10), -1);
  EXPECT_EQ(list.findByFileName("1", 0), -1);
  list.addSelectedFiles({R"(C:\1)"}, {});
  EXPECT_EQ(list.findByPath(R"(C:\1)"), 0);
  EXPECT_EQ(list.findByFileName("1", 0), 0);
}

// ---------------------------------------------------------------- folder walk

// A folder tree of our own under the temporary folder, removed afterwards.
class TempTree {
 public:
  const fs::path& host() const { return folder_.path(); }
  fs::path host(std::string_view relative) const { return folder_.path() / fs::path(relative); }
  std::string text() const { return platform::toPathText(folder_.path()); }
  // Path text of `relative` (written with '\') under the root.
  std::string text(std::string_view relative) const { return text() + "\\" + std::string(relative); }

  // "d:sub/x" makes a folder, "f:sub/a.htm" a file, "l:sub/up=.." a link to the
  // target, "p:sub/pipe" a named pipe, "s:sub/sock" a socket.
  void build(const std::vector<std::string_view>& items) const {
    for (std::string_view item : items) {
      const std::string_view what = item.substr(2);
      switch (item[0]) {
        case 'd': fs::create_directories(host(what)); break;
        case 'f': {
          fs::create_directories(host(what).parent_path());
          std::ofstream(host(what)) << "x";
          break;
        }
        case 'l': {
          const std::size_t eq = what.find('=');
          const fs::path link = host(what.substr(0, eq));
          const fs::path target(what.substr(eq + 1));
          std::error_code error;  // a target that is a loop of links is no folder
          if (fs::is_directory(link.parent_path() / target, error)) {
            fs::create_directory_symlink(target, link);
          } else {
            fs::create_symlink(target, link);
          }
          break;
        }
#ifndef _WIN32
        case 'p': folder_.makeFifo(what); break;
        case 's': folder_.makeSocket(what); break;
#endif
        default: FAIL() << "bad item " << item;
      }
    }
  }

  std::vector<std::string> texts(const std::vector<std::string_view>& relatives) const {
    std::vector<std::string> result;
    for (std::string_view relative : relatives) result.push_back(text(relative));
    return result;
  }

 private:
  test_support::TempFolder folder_{"quillorn-files"};
};

struct LeftOutRow {
  std::string_view relative;  // '\' separated
  LeftOutEntry::Kind kind;
};

struct WalkRow {
  std::string_view name;
  std::vector<std::string_view> tree;
  bool recurse;
  std::vector<std::string_view> expected;  // relative to the root, '\' separated
  std::vector<LeftOutRow> leftOut = {};
};

class FolderWalkTest : public testing::TestWithParam<WalkRow> {};

TEST_P(FolderWalkTest, AddsFilesInWalkOrder) {
  const WalkRow& row = GetParam();
  TempTree tree;
  tree.build(row.tree);
  FileList list;
  EXPECT_EQ(list.addFolder(row.recurse, tree.text(), {}), PassEnd::Done);
  EXPECT_EQ(list.paths(), tree.texts(row.expected));
  std::vector<std::pair<std::string, LeftOutEntry::Kind>> leftOut;
  for (const LeftOutEntry& entry : list.leftOut()) leftOut.emplace_back(entry.path, entry.kind);
  std::vector<std::pair<std::string, LeftOutEntry::Kind>> expectedLeftOut;
  for (const LeftOutRow& item : row.leftOut) expectedLeftOut.emplace_back(tree.text(item.relative), item.kind);
  EXPECT_EQ(leftOut, expectedLeftOut);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FolderWalkTest,
    testing::Values(
        WalkRow{"FilesSortedCaseInsensitivelyAnyNameAnyExtension",
                {"f:b.htm", "f:A.htm", "f:c.GIF", "f:.hidden", "f:noext", "f:_u.txt", "f:Z.js", "f:9.htm", "f:10.htm"},
                false,
                {".hidden", "10.htm", "9.htm", "A.htm", "b.htm", "c.GIF", "noext", "Z.js", "_u.txt"}},
        WalkRow{
            "SubfoldersIgnoredWithoutRecurse", {"f:a.htm", "f:sub/b.htm", "l:link=sub", "d:empty"}, false, {"a.htm"}},
        WalkRow{"TreeDepthFirstFoldersSorted",
                {"f:b.htm", "f:A.htm", "f:sub2/x.htm", "f:Sub1/y.htm", "f:Sub1/deeper/z.htm", "f:a_dir/w.htm",
                 "f:Zeta/q.htm", "f:_under/u.htm", "d:empty", "f:Sub1/deeper/deepest/v.htm", "f:Sub1/Aa/t.htm"},
                true,
                {"A.htm", "b.htm", R"(a_dir\w.htm)", R"(Sub1\y.htm)", R"(Sub1\Aa\t.htm)", R"(Sub1\deeper\z.htm)",
                 R"(Sub1\deeper\deepest\v.htm)", R"(sub2\x.htm)", R"(Zeta\q.htm)", R"(_under\u.htm)"}},
        WalkRow{"LinkToItselfEnteredOnce",
                {"f:f.htm", "l:loop=.", "f:sub/g.htm", "l:sub/self=../sub"},
                true,
                {"f.htm", R"(sub\g.htm)"}},
        WalkRow{"LinkToParentNotEntered",
                {"f:f.htm", "f:sub/g.htm", "l:sub/up=..", "d:sub/deeper", "l:sub/deeper/top=../.."},
                true,
                {"f.htm", R"(sub\g.htm)"}},
        WalkRow{"FolderReachedTwiceEnteredFirstTimeOnly", {"f:real/r.htm", "l:alias=real"}, true, {R"(alias\r.htm)"}},
        WalkRow{
            "LinksToFilesAreFilesLinksToNoFileAreLeftOut",
            {"f:t.htm", "l:tl=t.htm", "l:dangling=missing", "l:intoMissingFolder=gone/x.htm"},
            true,
            {"t.htm", "tl"},
            {{"dangling", LeftOutEntry::Kind::LinkToNoFile}, {"intoMissingFolder", LeftOutEntry::Kind::LinkToNoFile}}},
        WalkRow{"EmptyFolders", {"d:a", "d:b/c"}, true, {}}),
    RowName{});

#ifndef _WIN32
// Reading a named pipe or a device can wait for ever, so the walk never lists one.
INSTANTIATE_TEST_SUITE_P(NoFiles, FolderWalkTest,
                         testing::Values(WalkRow{"NamedPipesSocketsAndLinksToThemAreLeftOut",
                                                 {"f:a.htm", "p:pipe.html", "s:sock", "l:topipe=pipe.html",
                                                  "p:sub/deep.fifo", "l:dangling=missing"},
                                                 true,
                                                 {"a.htm"},
                                                 {{"dangling", LeftOutEntry::Kind::LinkToNoFile},
                                                  {"pipe.html", LeftOutEntry::Kind::NamedPipe},
                                                  {"sock", LeftOutEntry::Kind::Socket},
                                                  {"topipe", LeftOutEntry::Kind::NamedPipe},
                                                  {R"(sub\deep.fifo)", LeftOutEntry::Kind::NamedPipe}}},
                                         WalkRow{"LinksThatLoopOrPassThroughAFileAreLeftOut",
                                                 {"f:a.htm", "l:self=self", "l:ping=pong", "l:pong=ping",
                                                  "l:throughFile=a.htm/x", "d:sub", "l:sub/toLoop=../ping"},
                                                 true,
                                                 {"a.htm"},
                                                 {{"ping", LeftOutEntry::Kind::LinkToNoFile},
                                                  {"pong", LeftOutEntry::Kind::LinkToNoFile},
                                                  {"self", LeftOutEntry::Kind::LinkToNoFile},
                                                  {"throughFile", LeftOutEntry::Kind::LinkToNoFile},
                                                  {R"(sub\toLoop)", LeftOutEntry::Kind::LinkToNoFile}}},
                                         WalkRow{"WithoutRecurseOnlyTheFoldersOwnAreNamed",
                                                 {"p:b.fifo", "p:a.fifo", "p:sub/c.fifo"},
                                                 false,
                                                 {},
                                                 {{"a.fifo", LeftOutEntry::Kind::NamedPipe},
                                                  {"b.fifo", LeftOutEntry::Kind::NamedPipe}}}),
                         RowName{});
#endif

#ifndef _WIN32
// A chosen name is listed unless it is a named pipe, socket or device, or a
// link that leads to no file; one that does not exist is listed as before.
// Each left-out name is kept once, until the list is emptied.
TEST(AddSelectedFilesTest, ANamedPipeDeviceOrLinkToNoFileChosenIsLeftOut) {
  TempTree tree;
  tree.build({"f:a.htm", "p:pipe.html", "l:gone.js=missing.js", "l:loop.js=loop.js"});
  FileList list;
  list.addSelectedFiles({tree.text("pipe.html")}, {});
  list.addSelectedFiles({tree.text("gone.js")}, {});
  list.addSelectedFiles({tree.text(), "a.htm", "pipe.html", "absent.htm", "loop.js"}, {});
  list.addSelectedFiles({platform::toPathText("/dev/null")}, {});
  EXPECT_EQ(list.paths(), tree.texts({"a.htm", "absent.htm"}));
  std::vector<std::pair<std::string, LeftOutEntry::Kind>> leftOut;
  for (const LeftOutEntry& entry : list.leftOut()) leftOut.emplace_back(entry.path, entry.kind);
  EXPECT_EQ(leftOut, (std::vector<std::pair<std::string, LeftOutEntry::Kind>>{
                         {tree.text("pipe.html"), LeftOutEntry::Kind::NamedPipe},
                         {tree.text("gone.js"), LeftOutEntry::Kind::LinkToNoFile},
                         {tree.text("loop.js"), LeftOutEntry::Kind::LinkToNoFile},
                         {platform::toPathText("/dev/null"), LeftOutEntry::Kind::Device}}));
  list.removeAll();
  EXPECT_TRUE(list.leftOut().empty());
}

// Behind a folder the user may not enter, nobody can tell whether a link's
// target is there: the link stays listed, walked to or chosen.
TEST(AddFolderTest, LinkWhoseTargetCannotBeAskedAboutIsListed) {
  TempTree tree;
  tree.build({"f:a.htm", "f:locked/x.htm", "l:in.htm=locked/x.htm", "l:none.htm=locked/none.htm"});
  fs::permissions(tree.host(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                   fs::perms::others_read | fs::perms::others_exec);
  fs::permissions(tree.host("locked"), fs::perms::owner_read | fs::perms::owner_write);
  const std::vector<std::string> expected = tree.texts({"a.htm", "in.htm", "none.htm"});
  const std::string chosen = tree.text("in.htm");
  const int code = test_support::runInChild([&] {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) return 10;
    FileList walked;
    walked.addFolder(true, tree.text(), {});
    FileList picked;
    picked.addSelectedFiles({chosen}, {});
    if (walked.paths() != expected || !walked.leftOut().empty()) return 1;
    return picked.count() == 1 && picked.leftOut().empty() ? 0 : 2;
  });
  EXPECT_EQ(code, 0);
}
#endif

TEST(AddFolderTest, FolderTextEndingInSeparatorGetsNoSecondOne) {
  TempTree tree;
  tree.build({"f:a.htm", "f:s/b.htm"});
  FileList list;
  EXPECT_EQ(list.addFolder(true, tree.text() + "\\", {}), PassEnd::Done);
  EXPECT_EQ(list.paths(), tree.texts({"a.htm", R"(s\b.htm)"}));
  EXPECT_EQ(list.lastBrowseLocation, tree.text() + "\\");
}

TEST(AddFolderTest, MissingFolderOrFileAddsNothing) {
  TempTree tree;
  tree.build({"f:a.htm"});
  FileList list;
  EXPECT_EQ(list.addFolder(true, tree.text("gone"), {}), PassEnd::Done);
  EXPECT_EQ(list.addFolder(true, tree.text("a.htm"), {}), PassEnd::Done);
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(list.lastBrowseLocation, tree.text("a.htm"));
}

TEST(AddFolderTest, FilesComeAfterEarlierEntriesAndSkipListedOnes) {
  TempTree tree;
  tree.build({"f:c.htm", "f:a.htm", "f:b.htm"});
  FileList list = listOf({R"(\zzz\first.htm)", tree.text("b.htm")});
  EXPECT_EQ(list.addFolder(false, tree.text(), {}), PassEnd::Done);
  std::vector<std::string> expected = {R"(\zzz\first.htm)"};
  for (const std::string& path : tree.texts({"b.htm", "a.htm", "c.htm"})) expected.push_back(path);
  EXPECT_EQ(list.paths(), expected);
}

TEST(AddFolderTest, SecondAddAddsNothing) {
  TempTree tree;
  tree.build({"f:a.htm", "f:s/b.htm"});
  FileList list;
  list.addFolder(true, tree.text(), {});
  const std::vector<std::string> once = list.paths();
  EXPECT_EQ(list.addFolder(true, tree.text(), {}), PassEnd::Done);
  EXPECT_EQ(list.paths(), once);
}

TEST(AddFolderTest, AfterRemovalsMissingFilesReturnSortedAtEnd) {
  TempTree tree;
  tree.build({"f:d.htm", "f:B.htm", "f:a.htm", "f:e.htm", "f:c.htm"});
  FileList list;
  list.addFolder(false, tree.text(), {});
  ASSERT_EQ(list.paths(), tree.texts({"a.htm", "B.htm", "c.htm", "d.htm", "e.htm"}));
  list.removeSelected({3, 1});
  EXPECT_EQ(list.addFolder(false, tree.text(), {}), PassEnd::Done);
  EXPECT_EQ(list.paths(), tree.texts({"a.htm", "c.htm", "e.htm", "B.htm", "d.htm"}));
}

TEST(AddFolderTest, BrowseLocationIsFolder) {
  TempTree tree;
  FileList list = listOf({R"(C:\s\a.htm)"});
  list.addFolder(false, tree.text(), {});
  EXPECT_EQ(list.lastBrowseLocation, tree.text());
}

// Names the folder walk gives in enumeration order, files only.
std::vector<std::string> enumeratedFileNames(const fs::path& folder) {
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
    if (!entry.is_directory()) names.push_back(entry.path().filename().string());
  }
  return names;
}

#ifndef _WIN32

TEST(AddFolderTest, NamesDifferingOnlyInCaseAreBothKeptInEnumerationOrder) {
  TempTree tree;
  tree.build({"f:readme.txt", "f:README.txt", "f:Readme.TXT", "f:a.htm", "f:z.htm"});
  // Equal under case folding, so they keep the order the folder gives them.
  std::vector<std::string> variants;
  for (const std::string& name : enumeratedFileNames(tree.host())) {
    if (equalsIgnoreAsciiCase(name, "readme.txt")) variants.push_back(tree.text(name));
  }
  ASSERT_EQ(variants.size(), 3u);
  std::vector<std::string> expected = {tree.text("a.htm")};
  expected.insert(expected.end(), variants.begin(), variants.end());
  expected.push_back(tree.text("z.htm"));

  FileList list;
  list.addFolder(false, tree.text(), {});
  EXPECT_EQ(list.paths(), expected);
  list.addFolder(false, tree.text(), {});
  EXPECT_EQ(list.paths(), expected) << "each variant is found again by its exact name";
  EXPECT_EQ(list.findByPath(tree.text("README.TXT")), 1) << "link lookups still ignore case";
}

TEST(AddFolderTest, NameHoldingBackslashLeftOut) {
  TempTree tree;
  tree.build({"f:a.htm", R"(f:odd\name.htm)", R"(d:odd\dir)", R"(f:odd\dir/inside.htm)"});
  FileList list;
  EXPECT_EQ(list.addFolder(true, tree.text(), {}), PassEnd::Done);
  EXPECT_EQ(list.paths(), tree.texts({"a.htm"}));
}

TEST(AddFolderTest, UnreadableFolderAddsNothingAndWalkGoesOn) {
  TempTree tree;
  tree.build({"f:a.htm", "f:locked/secret.htm", "f:locked/inner/deep.htm", "f:z/b.htm"});
  fs::permissions(tree.host("locked"), fs::perms::none);
  std::error_code error;
  fs::directory_iterator probe(tree.host("locked"), error);
  if (!error) GTEST_SKIP() << "permissions do not restrict this user (root?)";

  FileList list;
  EXPECT_EQ(list.addFolder(true, tree.text(), {}), PassEnd::Done);
  EXPECT_EQ(list.paths(), tree.texts({"a.htm", R"(z\b.htm)"}));
}

#endif  // !_WIN32

TEST(AddFolderTest, FolderVanishedBeforeItIsEnteredAddsNothing) {
  TempTree tree;
  tree.build({"f:a.htm", "f:gone/x.htm", "f:z/b.htm"});
  FileList list;
  // The first poll comes after the root's only file, before any subfolder is read.
  const StopPoll removeGone = [&tree] {
    std::error_code error;
    fs::remove_all(tree.host("gone"), error);
    return false;
  };
  EXPECT_EQ(list.addFolder(true, tree.text(), removeGone), PassEnd::Done);
  EXPECT_EQ(list.paths(), tree.texts({"a.htm", R"(z\b.htm)"}));
}

// Every folder holds a single file or ends at a folder boundary, so where the
// walk stops does not depend on the order the file system lists names in.
struct StopRow {
  std::string_view name;
  int stopAt;  // 0: never
  PassEnd result;
  int polls;
  std::vector<std::string_view> expected;
};

class FolderWalkStopTest : public testing::TestWithParam<StopRow> {};

TEST_P(FolderWalkStopTest, KeepsFilesFoundSoFarAndEntersNoFurtherFolder) {
  const StopRow& row = GetParam();
  TempTree tree;
  tree.build({"f:r2.htm", "f:r1.htm", "f:A/a.htm", "f:A/Deep/d.htm", "f:b/b.htm", "f:b/c/c.htm"});
  FileList list;
  int polls = 0;
  EXPECT_EQ(list.addFolder(true, tree.text(), stopOnCall(row.stopAt, polls)), row.result);
  EXPECT_EQ(polls, row.polls);
  EXPECT_EQ(list.paths(), tree.texts(row.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FolderWalkStopTest,
    testing::Values(StopRow{"NeverStoppedPollsOncePerFile",
                            0,
                            PassEnd::Done,
                            6,
                            {"r1.htm", "r2.htm", R"(A\a.htm)", R"(A\Deep\d.htm)", R"(b\b.htm)", R"(b\c\c.htm)"}},
                    StopRow{"AfterLastRootFile", 2, PassEnd::Stopped, 2, {"r1.htm", "r2.htm"}},
                    StopRow{"InFirstSubfolder", 3, PassEnd::Stopped, 3, {"r1.htm", "r2.htm", R"(A\a.htm)"}},
                    StopRow{"InNestedFolderSkipsSiblings",
                            4,
                            PassEnd::Stopped,
                            4,
                            {"r1.htm", "r2.htm", R"(A\a.htm)", R"(A\Deep\d.htm)"}},
                    StopRow{"AfterVeryLastFile",
                            6,
                            PassEnd::Stopped,
                            6,
                            {"r1.htm", "r2.htm", R"(A\a.htm)", R"(A\Deep\d.htm)", R"(b\b.htm)", R"(b\c\c.htm)"}}),
    RowName{});

TEST(AddFolderTest, StopMidFolderInsertsNamesFoundSoFarSorted) {
  TempTree tree;
  tree.build({"f:f1.htm", "f:F2.htm", "f:f3.htm", "f:f4.htm", "f:sub/s.htm"});
  std::vector<std::string> found = enumeratedFileNames(tree.host());
  ASSERT_EQ(found.size(), 4u);
  found.resize(2);
  // "f1" .. "F4" differ only in their digit.
  std::sort(found.begin(), found.end(), [](const std::string& a, const std::string& b) { return a[1] < b[1]; });

  FileList list;
  int polls = 0;
  EXPECT_EQ(list.addFolder(true, tree.text(), stopOnCall(2, polls)), PassEnd::Stopped);
  EXPECT_EQ(polls, 2);
  EXPECT_EQ(list.paths(), tree.texts({found[0], found[1]}));
}

}  // namespace
}  // namespace quillorn
