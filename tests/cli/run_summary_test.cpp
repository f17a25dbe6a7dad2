// The lines that say what a command did: the summary below the status line,
// the notices of what weakened a search, and the progress line.

#include "cli/run_summary.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "cli/site_search.h"
#include "cli/terminal_panel.h"
#include "platform/file_access.h"
#include "platform/host_path.h"
#include "tests/cli/cli_runner.h"
#include "tests/support/temp_folder.h"

namespace quillorn::cli {
namespace {

namespace fs = std::filesystem;

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

// A page gone between the listing and the search could not be read: the
// search passes over it without a line, and the end says so.
TEST(EndNoticesTest, AFileTheSearchCouldNotReadIsNoticed) {
  const test_support::TempFolder temp;
  temp.write("a.html", "<a href=\"b.html\">b</a>");
  temp.write("b.html", "b");
  Repair repair;
  repair.settings().checkInternetUrls = false;
  for (const char* name : {"a.html", "b.html"}) {
    repair.files().addSelectedFiles({platform::toPathText(temp.path() / name)}, {});
  }
  fs::remove(temp.path() / "b.html");
  TerminalPanel panel(nullptr, {});
  const RepairOutcome<SearchOutcome> searched = repair.search(panel);
  ASSERT_TRUE(searched.ok());
  EXPECT_EQ(searchedFileCount(repair), 1u);
  const std::vector<EndNotice> notices = endNotices(repair, searched.value());
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0].kind, "unsearchedFiles");
  EXPECT_EQ(notices[0].count, 1);
  EXPECT_EQ(notices[0].text,
            "1 file(s) of the list were not searched (1 could not be read): the links in them "
            "were not checked");
}

// Through the program: the summary right below the status line, and a page
// too large to read makes the result incomplete (said last, exit status 4).
TEST(ScanSummaryTest, ScanCountsWhatItReadAndSaysWhatItCouldNot) {
  const test_support::TempFolder temp;
  temp.write("site/a.html", "<a href=\"gone.html\">x</a> <a href=\"b.html\">b</a>");
  temp.write("site/b.html", "<img src=\"gone.gif\"><img src=\"gone.gif\">");
  temp.write("site/c.css", "a{}");
  temp.write("site/notes.txt", "not searched");
  temp.makeSparseFile("site/big.html", platform::kMaxReadBytes + 1);
  const test_support::RunResult run =
      test_support::runCli({"scan", "--offline", (temp.path() / "site").string()}, test_support::ErrorStream::Merged);
  EXPECT_EQ(run.exitStatus, 4) << run.output;
  EXPECT_NE(run.output.find(")\nFiles: 3 searched, 2 with findings. Findings: 3.\n"), std::string::npos) << run.output;
  EXPECT_TRUE(
      run.output.ends_with("quillorn-cli scan: 1 file(s) of the list were not searched (1 larger than 256 "
                           "MiB): the links in them were not checked\n"))
      << run.output;
}

struct ProgressRow {
  const char* name;
  std::int64_t done;
  std::int64_t total;
  const char* count;
  std::string fileName;
  std::string line;
};

class ProgressLineTest : public ::testing::TestWithParam<ProgressRow> {};

TEST_P(ProgressLineTest, ShowsFilesDoneTheCountAndTheFile) {
  const ProgressRow& row = GetParam();
  EXPECT_EQ(progressLine(row.done, row.total, row.count, row.fileName), row.line);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ProgressLineTest,
    ::testing::Values(
        ProgressRow{"Start", 0, 40, "0 finding(s)", "a.html",
                    "[..............................] 0/40 files, 0 finding(s) a.html"},
        ProgressRow{"Half", 20, 40, "7 finding(s)", "b.html",
                    "[###############...............] 20/40 files, 7 finding(s) b.html"},
        ProgressRow{"DoneWithoutCountOrName", 40, 40, "", "", "[##############################] 40/40 files"},
        ProgressRow{"PastTheEndIsTheEnd", 41, 40, "", "", "[##############################] 40/40 files"},
        ProgressRow{"NoFilesNoLine", 0, 0, "", "", ""},
        ProgressRow{"LongNameKeepsItsEnd", 1, 3, "", std::string(50, 'a') + "/end.html",
                    "[##########....................] 1/3 files ..." + std::string(33, 'a') + "/end.html"},
        ProgressRow{"CutNeverSplitsACharacter", 1, 3, "", "aaaa\xC3\xA9" + std::string(41, 'b'),
                    "[##########....................] 1/3 files ..." + std::string(41, 'b')}),
    [](const ::testing::TestParamInfo<ProgressRow>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quillorn::cli
