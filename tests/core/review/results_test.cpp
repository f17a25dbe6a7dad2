#include "core/review/results.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace quillorn {
namespace {

UrlEntry makeEntry(std::string url, std::string replacement) {
  UrlEntry entry;
  entry.url = std::move(url);
  entry.replacement = std::move(replacement);
  return entry;
}

// ---------------------------------------------------------------------------
// Line texts

struct LineRow {
  const char* name;
  std::string url;
  std::string replacement;
  std::size_t count;
  std::string line;
};

void PrintTo(const LineRow& row, std::ostream* os) { *os << row.name; }

class ResultLineTextTest : public ::testing::TestWithParam<LineRow> {};

TEST_P(ResultLineTextTest, FormatsLine) {
  const LineRow& row = GetParam();
  EXPECT_EQ(resultLineText(makeEntry(row.url, row.replacement), row.count), row.line);
}

INSTANTIATE_TEST_SUITE_P(
    Decisions, ResultLineTextTest,
    ::testing::Values(
        LineRow{"DeleteOfThree", "images/logo.gif", "", 3, "DELETE (3 URL(s)): \"images/logo.gif\""},
        LineRow{"DeleteOfBareValue", "a.htm", "\"\"", 1, "DELETE (1 URL(s)): \"a.htm\""},
        LineRow{"DeleteByLoneMarker", "a.htm", "???", 2, "DELETE (2 URL(s)): \"a.htm\""},
        LineRow{"DoNotChange", "a.htm", "a.htm", 12, "DO NOT CHANGE (12 URL(s)): \"a.htm\""},
        LineRow{"DoNotChangeQuoted", "my page.htm", "\"my page.htm\"", 1, "DO NOT CHANGE (1 URL(s)): \"my page.htm\""},
        LineRow{"Replace", "www.example.com", "http://www.example.com", 1,
                "REPLACE (1 URL(s)): \"www.example.com\" with \"http://www.example.com\""},
        LineRow{"ReplaceShowsValueWithoutQuotes", "page.htm", "\"my page.htm#top\"", 4,
                "REPLACE (4 URL(s)): \"page.htm\" with \"my page.htm#top\""},
        LineRow{"ReplaceDifferingOnlyInCase", "a.htm", "A.HTM", 1, "REPLACE (1 URL(s)): \"a.htm\" with \"A.HTM\""},
        LineRow{"ReplaceRelative", "b.htm", "???C:\\site\\b.htm", 5,
                "REPLACE (relative path, 5 URL(s)): \"b.htm\" with \"C:\\site\\b.htm\""},
        LineRow{"ReplaceRelativeQuoted", "b.htm", "???\"C:\\my site\\b.htm\"", 1,
                "REPLACE (relative path, 1 URL(s)): \"b.htm\" with \"C:\\my site\\b.htm\""},
        LineRow{"LargeCount", "x", "", 65536, "DELETE (65536 URL(s)): \"x\""}),
    [](const ::testing::TestParamInfo<LineRow>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Grouping

struct GroupRow {
  const char* name;
  std::vector<std::pair<std::string, std::string>> entries;  // url, replacement
  bool hideDelete;
  bool hideReplace;
  int stopAtPoll;  // the poll (1-based) that reports a stop; 0 for none
  std::vector<std::string> lines;
  std::vector<std::int32_t> groups;
  bool stopped;
};

void PrintTo(const GroupRow& row, std::ostream* os) { *os << row.name; }

class FillResultsTest : public ::testing::TestWithParam<GroupRow> {};

TEST_P(FillResultsTest, GroupsEntries) {
  const GroupRow& row = GetParam();
  UrlTable table;
  for (const auto& [url, replacement] : row.entries) {
    UrlEntry entry = makeEntry(url, replacement);
    entry.groupIndex = 7;  // left over from an earlier fill
    ASSERT_TRUE(table.append(std::move(entry)));
  }
  int polls = 0;
  const ResultsFill fill = fillResults(table, row.hideDelete, row.hideReplace, [&] {
    ++polls;
    return polls == row.stopAtPoll;
  });

  std::vector<std::string> texts;
  for (std::size_t i = 0; i < fill.lines.size(); ++i) {
    EXPECT_EQ(fill.lines[i].group, static_cast<std::int32_t>(i)) << "line " << i;
    texts.push_back(fill.lines[i].text);
  }
  EXPECT_EQ(texts, row.lines);
  std::vector<std::int32_t> groups;
  for (const UrlEntry& entry : table.entries()) groups.push_back(entry.groupIndex);
  EXPECT_EQ(groups, row.groups);
  EXPECT_EQ(fill.stopped, row.stopped);
  // One poll per line made, none for entries passed over.
  EXPECT_EQ(static_cast<std::size_t>(polls), fill.lines.size());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FillResultsTest,
    ::testing::Values(GroupRow{"EmptyTable", {}, false, false, 0, {}, {}, false},
                      GroupRow{"ThreeOccurrencesOneLine",
                               {{"images/logo.gif", ""}, {"images/logo.gif", ""}, {"images/logo.gif", ""}},
                               false,
                               false,
                               0,
                               {"DELETE (3 URL(s)): \"images/logo.gif\""},
                               {0, 0, 0},
                               false},
                      GroupRow{"UrlCaseIgnoredFirstShown",
                               {{"Logo.GIF", ""}, {"logo.gif", ""}},
                               false,
                               false,
                               0,
                               {"DELETE (2 URL(s)): \"Logo.GIF\""},
                               {0, 0},
                               false},
                      GroupRow{"ReplacementCaseIgnored",
                               {{"a.htm", "B.HTM"}, {"A.HTM", "b.htm"}},
                               false,
                               false,
                               0,
                               {"REPLACE (2 URL(s)): \"a.htm\" with \"B.HTM\""},
                               {0, 0},
                               false},
                      GroupRow{"NonAsciiLettersCompareExactly",
                               {{"\xE9t\xE9.htm", ""}, {"\xC9T\xC9.HTM", ""}},
                               false,
                               false,
                               0,
                               {"DELETE (1 URL(s)): \"\xE9t\xE9.htm\"", "DELETE (1 URL(s)): \"\xC9T\xC9.HTM\""},
                               {0, 1},
                               false},
                      GroupRow{"DifferentProposalsSplit",
                               {{"a.htm", ""}, {"a.htm", "b.htm"}, {"a.htm", ""}},
                               false,
                               false,
                               0,
                               {"DELETE (2 URL(s)): \"a.htm\"", "REPLACE (1 URL(s)): \"a.htm\" with \"b.htm\""},
                               {0, 1, 0},
                               false},
                      GroupRow{"EmptyAndTwoQuotesAreDifferentTexts",
                               {{"a.htm", ""}, {"a.htm", "\"\""}},
                               false,
                               false,
                               0,
                               {"DELETE (1 URL(s)): \"a.htm\"", "DELETE (1 URL(s)): \"a.htm\""},
                               {0, 1},
                               false},
                      GroupRow{"UrlAndReplacementBoundaryMatters",
                               {{"ab", "c"}, {"a", "bc"}},
                               false,
                               false,
                               0,
                               {"REPLACE (1 URL(s)): \"ab\" with \"c\"", "REPLACE (1 URL(s)): \"a\" with \"bc\""},
                               {0, 1},
                               false},
                      GroupRow{"LinesFollowFirstOccurrence",
                               {{"b.htm", ""}, {"a.htm", ""}, {"b.htm", ""}},
                               false,
                               false,
                               0,
                               {"DELETE (2 URL(s)): \"b.htm\"", "DELETE (1 URL(s)): \"a.htm\""},
                               {0, 1, 0},
                               false},
                      GroupRow{"HideDelete",
                               {{"x.htm", ""}, {"y.htm", "z.htm"}, {"w.htm", "\"\""}},
                               true,
                               false,
                               0,
                               {"REPLACE (1 URL(s)): \"y.htm\" with \"z.htm\""},
                               {-1, 0, -1},
                               false},
                      GroupRow{"HideReplaceAlsoHidesDoNotChange",
                               {{"x.htm", "x.htm"}, {"y.htm", ""}, {"z.htm", "???w.htm"}, {"v.htm", "\"\""}},
                               false,
                               true,
                               0,
                               {"DELETE (1 URL(s)): \"y.htm\"", "DELETE (1 URL(s)): \"v.htm\""},
                               {-1, 0, -1, 1},
                               false},
                      // "???" alone stands for deletion but is not one of the two texts the
                      // box looks at, so "Hide Delete" keeps it and "Hide Replace" hides it.
                      GroupRow{"LoneMarkerCountsAsReplaceForHiding",
                               {{"x.htm", "???"}},
                               true,
                               false,
                               0,
                               {"DELETE (1 URL(s)): \"x.htm\""},
                               {0},
                               false},
                      GroupRow{"BothHidden", {{"x.htm", ""}, {"y.htm", "z.htm"}}, true, true, 0, {}, {-1, -1}, false},
                      GroupRow{"StopKeepsLinesAndLeavesRestUngrouped",
                               {{"a.htm", ""}, {"b.htm", ""}, {"a.htm", ""}, {"c.htm", ""}},
                               false,
                               false,
                               1,
                               {"DELETE (2 URL(s)): \"a.htm\""},
                               {0, -1, 0, -1},
                               true},
                      GroupRow{"StopOnLastLineStillReported",
                               {{"a.htm", ""}, {"b.htm", ""}},
                               false,
                               false,
                               2,
                               {"DELETE (1 URL(s)): \"a.htm\"", "DELETE (1 URL(s)): \"b.htm\""},
                               {0, 1},
                               true}),
    [](const ::testing::TestParamInfo<GroupRow>& info) { return std::string(info.param.name); });

// The grouping as the page describes it: every shown entry compared with every
// later one. The fill must give the same lines and group numbers.
ResultsFill referenceFill(UrlTable& table, bool hideDelete, bool hideReplace, int stopAtPoll) {
  auto foldedEqual = [](const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t k = 0; k < a.size(); ++k) {
      char x = a[k], y = b[k];
      if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
      if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
      if (x != y) return false;
    }
    return true;
  };
  auto deletion = [](const std::string& r) { return r.empty() || r == "\"\""; };
  ResultsFill fill;
  for (std::size_t i = 0; i < table.count(); ++i) table.setGroupIndex(i, -1);
  int polls = 0;
  for (std::size_t i = 0; i < table.count(); ++i) {
    const UrlEntry& e = table.entry(i);
    if (e.groupIndex != -1) continue;
    if (hideDelete && deletion(e.replacement)) continue;
    if (hideReplace && !deletion(e.replacement)) continue;
    const auto g = static_cast<std::int32_t>(fill.lines.size());
    table.setGroupIndex(i, g);
    std::size_t count = 1;
    for (std::size_t j = i + 1; j < table.count(); ++j) {
      if (foldedEqual(table.entry(j).url, e.url) && foldedEqual(table.entry(j).replacement, e.replacement)) {
        table.setGroupIndex(j, g);
        ++count;
      }
    }
    fill.lines.push_back({g, resultLineText(e, count)});
    if (++polls == stopAtPoll) {
      fill.stopped = true;
      break;
    }
  }
  return fill;
}

struct ModelRow {
  const char* name;
  bool hideDelete;
  bool hideReplace;
  int stopAtPoll;
};

void PrintTo(const ModelRow& row, std::ostream* os) { *os << row.name; }

class FillResultsModelTest : public ::testing::TestWithParam<ModelRow> {};

TEST_P(FillResultsModelTest, AgreesWithPairwiseGrouping) {
  const ModelRow& row = GetParam();
  // A small alphabet of urls and proposals in mixed case, so that many
  // entries fall into the same groups in scattered order.
  const std::vector<std::string> urls = {"a.htm", "A.HTM", "b.gif", "B.Gif", "c d.htm", "e.js"};
  const std::vector<std::string> replacements = {"", "\"\"", "a.htm", "A.htm", "???x.htm", "???X.HTM", "b.gif"};
  std::mt19937 random(20240611u);
  UrlTable expected;
  UrlTable actual;
  for (int i = 0; i < 3000; ++i) {
    const UrlEntry entry = makeEntry(urls[random() % urls.size()], replacements[random() % replacements.size()]);
    ASSERT_TRUE(expected.append(entry));
    ASSERT_TRUE(actual.append(entry));
  }

  const ResultsFill want = referenceFill(expected, row.hideDelete, row.hideReplace, row.stopAtPoll);
  int polls = 0;
  const ResultsFill got =
      fillResults(actual, row.hideDelete, row.hideReplace, [&] { return ++polls == row.stopAtPoll; });

  ASSERT_EQ(got.lines.size(), want.lines.size());
  for (std::size_t i = 0; i < want.lines.size(); ++i) {
    EXPECT_EQ(got.lines[i].group, want.lines[i].group);
    EXPECT_EQ(got.lines[i].text, want.lines[i].text);
  }
  EXPECT_EQ(got.stopped, want.stopped);
  for (std::size_t i = 0; i < expected.count(); ++i)
    ASSERT_EQ(actual.entry(i).groupIndex, expected.entry(i).groupIndex) << "entry " << i;
}

INSTANTIATE_TEST_SUITE_P(Filters, FillResultsModelTest,
                         ::testing::Values(ModelRow{"NothingHidden", false, false, 0},
                                           ModelRow{"DeleteHidden", true, false, 0},
                                           ModelRow{"ReplaceHidden", false, true, 0},
                                           ModelRow{"StoppedAfterFiveLines", false, false, 5}),
                         [](const ::testing::TestParamInfo<ModelRow>& info) { return std::string(info.param.name); });

TEST(FillResultsTest, NoPollFunctionRunsToTheEnd) {
  UrlTable table;
  ASSERT_TRUE(table.append(makeEntry("a.htm", "")));
  ASSERT_TRUE(table.append(makeEntry("b.htm", "")));
  const ResultsFill fill = fillResults(table, false, false, StopPoll());
  EXPECT_EQ(fill.lines.size(), 2u);
  EXPECT_FALSE(fill.stopped);
}

}  // namespace
}  // namespace quillorn
