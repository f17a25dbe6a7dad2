// The line that says what a command did, below the status line.

#include "cli/run_summary.h"

#include <gtest/gtest.h>

#include <string>

namespace quillorn::cli {
namespace {

struct FixSummaryRow {
  const char* name;
  FixCounts counts;
  bool dryRun;
  std::string line;
};

class FixSummaryTest : public ::testing::TestWithParam<FixSummaryRow> {};

TEST_P(FixSummaryTest, CountsEveryLinkOnceWithItsReason) {
  EXPECT_EQ(fixSummary(GetParam().counts, GetParam().dryRun), GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FixSummaryTest,
    ::testing::Values(
        FixSummaryRow{
            "NothingAtAll", {}, false, "Files: 0 searched, 0 changed. Links: 0 changed, 0 left as they were."},
        FixSummaryRow{"EveryReason",
                      {20, {5, 12, 3, 2}, 1, 4},
                      false,
                      "Files: 20 searched, 5 changed. Links: 12 changed, 10 left as they were (3 kept by a policy, "
                      "1 not checked, 2 in files not rewritten, 4 not reached before the stop)."},
        FixSummaryRow{"DryRun",
                      {20, {5, 12, 3, 0}, 1, 0},
                      true,
                      "Files: 20 searched, 5 would change. Links: 12 would change, 4 would be left as they were (3 "
                      "kept by a policy, 1 not checked)."},
        FixSummaryRow{"DryRunSkip",
                      {3, {1, 1, 0, 2}, 0, 0},
                      true,
                      "Files: 3 searched, 1 would change. Links: 1 would change, 2 would be left as they were (2 in "
                      "files that would not be rewritten)."}),
    [](const ::testing::TestParamInfo<FixSummaryRow>& info) { return std::string(info.param.name); });

TEST(ScanSummaryTest, SaysFilesSearchedAndFindings) {
  EXPECT_EQ(scanSummary({20, 12, 5}), "Files: 20 searched, 5 with findings. Findings: 12.");
}

// Two entries at one offset (an address both broken and without its
// protocol) are one link; the not-checked one apart is the link no finding holds.
TEST(LinkCountTest, EntriesAtOneOffsetOfOneFileAreOneLink) {
  UrlTable all;
  for (const auto& [file, pos] : {std::pair{0, 8}, {0, 8}, {0, 40}, {1, 8}}) {
    UrlEntry entry;
    entry.fileIndex = file;
    entry.valuePos = pos;
    ASSERT_TRUE(all.append(entry));
  }
  UrlTable findings = all;
  findings.eraseIf([](const UrlEntry& entry) { return entry.valuePos == 40; });
  EXPECT_EQ(linkCount(all), 3u);
  EXPECT_EQ(linksApart(all, findings), 1u);
  findings.eraseIf([](const UrlEntry& entry) { return entry.fileIndex == 1; });
  EXPECT_EQ(linksApart(all, findings), 2u);
}

}  // namespace
}  // namespace quillorn::cli
