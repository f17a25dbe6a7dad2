#include "core/review/decisions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/review/results.h"

namespace quillorn {
namespace {

UrlEntry entry(std::string url, std::string replacement, std::int32_t group, QuoteKind quoteKind = Delimited) {
  UrlEntry e;
  e.url = std::move(url);
  e.replacement = std::move(replacement);
  e.groupIndex = group;
  e.quoteKind = quoteKind;
  return e;
}

struct DecisionRow {
  const char* name;
  std::string oldReplacement;  // of the group's entries
  std::string url;
  std::string text;
  bool boxChecked;
  std::string expectedReplacement;
  bool expectedBox;
  UrlAction expectedAction;
  QuoteKind quoteKind = Delimited;  // of the group's entries in the file
};

class ApplyDecisionTest : public ::testing::TestWithParam<DecisionRow> {};

TEST_P(ApplyDecisionTest, WritesTheTextIntoEveryEntryOfTheGroup) {
  const DecisionRow& row = GetParam();
  UrlTable table;
  table.append(entry(row.url, row.oldReplacement, 0, row.quoteKind));
  table.append(entry("other.htm", "", 1));
  table.append(entry(row.url, row.oldReplacement, 0, row.quoteKind));
  const DecisionResult result = applyDecision(table, 0, row.text, row.boxChecked);
  EXPECT_EQ(result.count, 2u);
  EXPECT_EQ(result.lastEntry, 2u);
  EXPECT_EQ(result.relativePath, row.expectedBox);
  for (std::size_t i : {0u, 2u}) {
    EXPECT_EQ(table.entry(i).replacement, row.expectedReplacement);
    EXPECT_EQ(decisionOf(table.entry(i)).action, row.expectedAction);
  }
  // Another group is never touched.
  EXPECT_EQ(table.entry(1).replacement, "");

  // Decided in one pass with another group's decision: the same entries.
  UrlTable batch;
  batch.append(entry(row.url, row.oldReplacement, 0, row.quoteKind));
  batch.append(entry("other.htm", "", 1));
  batch.append(entry(row.url, row.oldReplacement, 0, row.quoteKind));
  applyDecisions(batch, {{1, "new other.htm", false}, {0, row.text, row.boxChecked}});
  for (std::size_t i : {0u, 2u}) EXPECT_EQ(batch.entry(i).replacement, row.expectedReplacement);
  EXPECT_EQ(batch.entry(1).replacement, "new other.htm");
}

INSTANTIATE_TEST_SUITE_P(
    Decisions, ApplyDecisionTest,
    ::testing::Values(DecisionRow{"EmptyTextDeletes", "b.htm", "a.htm", "", true, "", false, UrlAction::Delete},
                      DecisionRow{"EmptyTextKeepsQuotesOfBareValue", "\"my b.htm\"", "a.htm", "", false, "\"\"", false,
                                  UrlAction::Delete},
                      DecisionRow{"InternetUrlUnchecksTheBox", "", "a.htm", "http://example.com/a.htm", true,
                                  "http://example.com/a.htm", false, UrlAction::Replace},
                      DecisionRow{"DrivePathCheckedIsRelative", "", "a.htm", "C:\\site\\a.htm", true,
                                  "???C:\\site\\a.htm", true, UrlAction::ReplaceRelative},
                      DecisionRow{"DrivePathUncheckedIsReplace", "", "a.htm", "C:\\site\\a.htm", false,
                                  "C:\\site\\a.htm", false, UrlAction::Replace},
                      DecisionRow{"DrivePathWithSlashIsNotRelative", "", "a.htm", "C:/site/a.htm", true,
                                  "C:/site/a.htm", false, UrlAction::Replace},
                      DecisionRow{"BrowsedFileUrlIsRelative", "", "a.htm", "file://C|\\site\\img\\a.gif", true,
                                  "???file://C|\\site\\img\\a.gif", true, UrlAction::ReplaceRelative},
                      DecisionRow{"MailtoIsNeverRelative", "", "a@b.c", "mailto:a@b.c", true, "mailto:a@b.c", false,
                                  UrlAction::Replace},
                      // The rewrite never makes it relative, so the box may not say it does.
                      DecisionRow{"DoubleBackslashIsNeverRelative", "", "a.htm", R"(\\server\share\a.htm)", true,
                                  R"(\\server\share\a.htm)", false, UrlAction::Replace},
                      DecisionRow{"QuotedEntryStaysQuoted", "\"\"", "my page.htm", "new page.htm", false,
                                  "\"new page.htm\"", false, UrlAction::Replace},
                      DecisionRow{"MarkerGoesBeforeTheQuote", "\"\"", "a.htm", "C:\\my site\\a.htm", true,
                                  "???\"C:\\my site\\a.htm\"", true, UrlAction::ReplaceRelative},
                      DecisionRow{"UnquotedEntryGetsNoQuotesForSpaces", "", "a.htm", "my page.htm", false,
                                  "my page.htm", false, UrlAction::Replace},
                      DecisionRow{"DoNotChangeDrivePathChecked", "", "C:\\site\\a.htm", "C:\\site\\a.htm", true,
                                  "???C:\\site\\a.htm", true, UrlAction::ReplaceRelative},
                      DecisionRow{"DoNotChangeUnchecked", "", "C:\\site\\a.htm", "C:\\site\\a.htm", false,
                                  "C:\\site\\a.htm", false, UrlAction::DoNotChange},
                      // A value that stood bare in the file: a text that cannot stand bare
                      // gets quotes, so that the next attribute never becomes the value.
                      DecisionRow{"BareValueEmptiedGetsTwoQuotes", "b.gif", "a.gif", "", false, "\"\"", false,
                                  UrlAction::Delete, Bare},
                      DecisionRow{"BareValueWithBlankGetsQuotes", "b.htm", "a.htm", "new page.htm", false,
                                  "\"new page.htm\"", false, UrlAction::Replace, Bare},
                      DecisionRow{"BareValueRelativeWithBlank", "b.htm", "a.htm", "C:\\my site\\a.htm", true,
                                  "???\"C:\\my site\\a.htm\"", true, UrlAction::ReplaceRelative, Bare},
                      DecisionRow{"BareValuePlainTextStaysBare", "b.htm", "a.htm", "c.htm", false, "c.htm", false,
                                  UrlAction::Replace, Bare}),
    [](const ::testing::TestParamInfo<DecisionRow>& info) { return std::string(info.param.name); });

TEST(ApplyDecisionTest, TextIsCutAtItsLimit) {
  for (std::size_t length : {kDecisionTextLimit - 1, kDecisionTextLimit, kDecisionTextLimit + 1}) {
    UrlTable table;
    table.append(entry("a.htm", "", 0));
    applyDecision(table, 0, std::string(length, 'x'), false);
    EXPECT_EQ(table.entry(0).replacement.size(), std::min(length, kDecisionTextLimit)) << length;
  }
}

TEST(ApplyDecisionTest, UnknownGroupChangesNothing) {
  UrlTable table;
  table.append(entry("a.htm", "b.htm", 0));
  const DecisionResult result = applyDecision(table, 7, "c.htm", false);
  EXPECT_EQ(result.count, 0u);
  EXPECT_EQ(table.entry(0).replacement, "b.htm");
}

TEST(ApplyDecisionTest, DoNotChangeTakesTheFirstEntrysUrl) {
  UrlTable table;
  table.append(entry("x.htm", "", 1));
  table.append(entry("Logo.GIF", "", 0));
  table.append(entry("logo.gif", "", 0));
  EXPECT_EQ(doNotChangeText(table, 0), "Logo.GIF");
  EXPECT_EQ(doNotChangeText(table, 5), "");
  const DecisionResult result = applyDecision(table, 0, doNotChangeText(table, 0), false);
  // The line is rebuilt from the last entry, whose url differs in case: it now reads REPLACE.
  EXPECT_EQ(resultLineText(table.entry(result.lastEntry), result.count),
            "REPLACE (2 URL(s)): \"logo.gif\" with \"Logo.GIF\"");
  EXPECT_EQ(decisionOf(table.entry(1)).action, UrlAction::DoNotChange);
}

}  // namespace
}  // namespace quillorn
