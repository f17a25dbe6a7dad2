#include "core/model/url_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quillorn {
namespace {

struct ActionRow {
  const char* name;
  std::string replacement;
  std::string url;
  UrlAction action;
  std::string value;  // without marker and quotes
  bool quoted;
  bool relativePath = false;
  bool proposesDeletion = false;
};

UrlEntry entryWith(std::string replacement, std::string url) {
  UrlEntry entry;
  entry.replacement = std::move(replacement);
  entry.url = std::move(url);
  return entry;
}

class UrlActionTest : public ::testing::TestWithParam<ActionRow> {};

TEST_P(UrlActionTest, DerivesActionAndValue) {
  const ActionRow& row = GetParam();
  const UrlEntry entry = entryWith(row.replacement, row.url);
  const Decision decision = decisionOf(entry);
  EXPECT_EQ(decision.action, row.action);
  EXPECT_EQ(std::string(decision.value), row.value);
  EXPECT_EQ(decision.quoted, row.quoted);
  EXPECT_EQ(decision.relativePath, row.relativePath);
  EXPECT_EQ(decision.proposesDeletion, row.proposesDeletion);
  // What a rewrite writes is the text behind the marker, quotes and all.
  EXPECT_EQ(std::string(decision.written), row.replacement.substr(row.relativePath ? RelativeMarker.size() : 0));
}

INSTANTIATE_TEST_SUITE_P(
    Replacements, UrlActionTest,
    ::testing::Values(ActionRow{"EmptyIsDelete", "", "a.htm", UrlAction::Delete, "", false, false, true},
                      ActionRow{"TwoQuotesIsDelete", "\"\"", "a.htm", UrlAction::Delete, "", true, false, true},
                      ActionRow{"LoneQuoteIsEmpty", "\"", "a.htm", UrlAction::Delete, "", true},
                      ActionRow{"SameAsUrlIsDoNotChange", "a.htm", "a.htm", UrlAction::DoNotChange, "a.htm", false},
                      ActionRow{"QuotedSameAsUrlIsDoNotChange", "\"my page.htm\"", "my page.htm",
                                UrlAction::DoNotChange, "my page.htm", true},
                      ActionRow{"EmptyUrlLeftEmptyIsDoNotChangeYetProposesDeletion", "", "", UrlAction::DoNotChange, "",
                                false, false, true},
                      ActionRow{"CaseDifferenceIsReplace", "A.HTM", "a.htm", UrlAction::Replace, "A.HTM", false},
                      ActionRow{"MarkerWithPathIsRelative", "???C:\\site\\b.htm", "b.htm", UrlAction::ReplaceRelative,
                                "C:\\site\\b.htm", false, true},
                      ActionRow{"MarkerAloneIsDelete", "???", "b.htm", UrlAction::Delete, "", false, true},
                      ActionRow{"MarkerAndQuotedPath", "???\"C:\\my site\\b.htm\"", "b.htm", UrlAction::ReplaceRelative,
                                "C:\\my site\\b.htm", true, true},
                      ActionRow{"MarkerAndOneQuoteIsDelete", "???\"", "b.htm", UrlAction::Delete, "", true, true},
                      ActionRow{"MarkerThenTextEndingInQuoteIsNotQuoted", "???b\"", "b.htm", UrlAction::ReplaceRelative,
                                "b\"", false, true},
                      ActionRow{"MarkerValueEqualToUrlIsStillRelative", "???C:\\site\\b.htm", "C:\\site\\b.htm",
                                UrlAction::ReplaceRelative, "C:\\site\\b.htm", false, true},
                      ActionRow{"QuotedMarkerIsPlainReplace", "\"???x\"", "b.htm", UrlAction::Replace, "???x", true},
                      ActionRow{"OtherTextIsReplace", "http://www.example.com", "www.example.com", UrlAction::Replace,
                                "http://www.example.com", false}),
    [](const ::testing::TestParamInfo<ActionRow>& info) { return std::string(info.param.name); });

struct TextRow {
  const char* name;
  std::string value;
  bool quoted;
  bool relativePath;
  std::string text;
};

class ReplacementTextTest : public ::testing::TestWithParam<TextRow> {};

TEST_P(ReplacementTextTest, IsReadBackAsWritten) {
  const TextRow& row = GetParam();
  EXPECT_EQ(replacementText(row.value, row.quoted, row.relativePath), row.text);
  const UrlEntry entry = entryWith(row.text, "old.htm");
  const Decision decision = decisionOf(entry);
  EXPECT_EQ(std::string(decision.value), row.value);
  EXPECT_EQ(decision.quoted, row.quoted);
  EXPECT_EQ(decision.relativePath, row.relativePath);
}

INSTANTIATE_TEST_SUITE_P(Rows, ReplacementTextTest,
                         ::testing::Values(TextRow{"Plain", "new.htm", false, false, "new.htm"},
                                           TextRow{"EmptyInQuotes", "", true, false, "\"\""},
                                           TextRow{"Marked", "C:\\site\\a.htm", false, true, "???C:\\site\\a.htm"},
                                           TextRow{"MarkedInQuotes", "C:\\my site\\a.htm", true, true,
                                                   "???\"C:\\my site\\a.htm\""}),
                         [](const ::testing::TestParamInfo<TextRow>& info) { return std::string(info.param.name); });

UrlEntry entryAt(std::int64_t valuePos, std::int32_t fileIndex) {
  UrlEntry entry;
  entry.url = "missing.htm";
  entry.valuePos = valuePos;
  entry.fileIndex = fileIndex;
  return entry;
}

TEST(UrlTableTest, KeepsEveryOccurrenceInRecordingOrder) {
  UrlTable table;
  const std::int64_t positions[] = {10, 40, 90, 5, 60};
  const std::int32_t files[] = {0, 0, 0, 1, 1};
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(table.append(entryAt(positions[i], files[i])));
  ASSERT_EQ(table.count(), 5u);
  for (std::size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(table.entry(i).valuePos, positions[i]);
    EXPECT_EQ(table.entry(i).fileIndex, files[i]);
    EXPECT_EQ(table.entry(i).groupIndex, -1);
  }
}

// Findings added after the search's pass go after the other findings of
// their file; a tail out of file order is sorted as well.
TEST(UrlTableTest, SortByFileKeepsEachFilesOrder) {
  for (const bool tailInOrder : {true, false}) {
    UrlTable table;
    const std::int64_t positions[] = {10, 40, 5, 30, 60, 20};
    const std::int32_t files[] = {0, 2, 3, tailInOrder ? 0 : 2, tailInOrder ? 2 : 0, 2};
    for (int i = 0; i < 6; ++i) ASSERT_TRUE(table.append(entryAt(positions[i], files[i])));
    table.sortByFile();
    std::vector<std::int64_t> order;
    for (const UrlEntry& entry : table.entries()) order.push_back(entry.valuePos);
    EXPECT_EQ(order, (tailInOrder ? std::vector<std::int64_t>{10, 30, 40, 60, 20, 5}
                                  : std::vector<std::int64_t>{10, 60, 40, 30, 20, 5}));
  }
}

TEST(UrlTableTest, CapacityRefusesAndCountsWithoutGrowing) {
  UrlTable table;
  for (std::size_t i = 0; i + 1 < UrlTable::kCapacity; ++i) ASSERT_TRUE(table.append(entryAt(1, 0)));
  EXPECT_FALSE(table.full());
  // The last free slot, then two refusals.
  EXPECT_TRUE(table.append(entryAt(2, 0)));
  EXPECT_TRUE(table.full());
  EXPECT_EQ(table.droppedCount(), 0u);
  EXPECT_FALSE(table.append(entryAt(3, 0)));
  EXPECT_FALSE(table.append(entryAt(4, 0)));
  EXPECT_EQ(table.count(), UrlTable::kCapacity);
  EXPECT_EQ(table.droppedCount(), 2u);
  EXPECT_EQ(table.entry(UrlTable::kCapacity - 1).valuePos, 2);

  table.clear();
  EXPECT_EQ(table.count(), 0u);
  EXPECT_EQ(table.droppedCount(), 0u);
  EXPECT_TRUE(table.append(entryAt(7, 3)));
  EXPECT_EQ(table.entry(0).fileIndex, 3);
}

TEST(UrlTableTest, DecisionsAreWrittenIntoReplacements) {
  UrlTable table;
  UrlEntry entry = entryAt(0, 0);
  entry.replacement = "";
  ASSERT_TRUE(table.append(entry));
  EXPECT_EQ(decisionOf(table.entry(0)).action, UrlAction::Delete);
  table.setReplacement(0, "missing.htm");
  EXPECT_EQ(decisionOf(table.entry(0)).action, UrlAction::DoNotChange);
  table.setReplacement(0, "???C:\\site\\found.htm");
  EXPECT_EQ(decisionOf(table.entry(0)).action, UrlAction::ReplaceRelative);
  table.setGroupIndex(0, 4);
  EXPECT_EQ(table.entry(0).groupIndex, 4);
}

struct FindingRow {
  const char* name;
  void (*change)(UrlEntry&);
  bool same;
};

class SameFindingTest : public ::testing::TestWithParam<FindingRow> {};

TEST_P(SameFindingTest, ComparesWhereAndWhatNotTheDecision) {
  UrlEntry first = entryAt(40, 2);
  first.url = "pics/logo.gif";
  first.tagPos = 31;
  first.spanLength = 15;
  first.quoteKind = Delimited;
  UrlEntry second = first;
  GetParam().change(second);
  EXPECT_EQ(sameFinding(first, second), GetParam().same);
  EXPECT_EQ(sameFinding(second, first), GetParam().same);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, SameFindingTest,
    ::testing::Values(FindingRow{"Url", [](UrlEntry& e) { e.url = "pics/Logo.gif"; }, false},
                      FindingRow{"ValuePos", [](UrlEntry& e) { ++e.valuePos; }, false},
                      FindingRow{"TagPos", [](UrlEntry& e) { e.tagPos = StyleUrl; }, false},
                      FindingRow{"SpanLength", [](UrlEntry& e) { --e.spanLength; }, false},
                      FindingRow{"QuoteKind", [](UrlEntry& e) { e.quoteKind = Bare; }, false},
                      FindingRow{"FileIndex", [](UrlEntry& e) { e.fileIndex = 3; }, false},
                      FindingRow{"Replacement", [](UrlEntry& e) { e.replacement = "images/logo.gif"; }, true},
                      FindingRow{"GroupIndex", [](UrlEntry& e) { e.groupIndex = 7; }, true},
                      FindingRow{"InternetUrl", [](UrlEntry& e) { e.internetUrl = !e.internetUrl; }, true}),
    [](const ::testing::TestParamInfo<FindingRow>& info) { return std::string(info.param.name); });

TEST(UrlTableTest, ActionNames) {
  EXPECT_EQ(urlActionName(UrlAction::DoNotChange), "DoNotChange");
  EXPECT_EQ(urlActionName(UrlAction::Delete), "Delete");
  EXPECT_EQ(urlActionName(UrlAction::ReplaceRelative), "ReplaceRelative");
  EXPECT_EQ(urlActionName(UrlAction::Replace), "Replace");
}

}  // namespace
}  // namespace quillorn
