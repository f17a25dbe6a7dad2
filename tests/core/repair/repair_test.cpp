// The repair's steps through its own interface, on a small site in a temporary
// folder: search, decide, rewrite; a site that another run holds; and what a
// killed run left, cleared for a rewrite and left for a preview.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/repair/repair.h"
#include "platform/host_path.h"
#include "tests/support/recording_panel.h"
#include "tests/support/temp_folder.h"

namespace quillorn {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kPage = "<html><body><a href=\"gone.htm\">x</a></body></html>";

class RepairTest : public ::testing::Test {
 protected:
  RepairTest() {
    page_ = temp_.write("site/index.htm", kPage);
    temp_.write("site/here.htm", "<html></html>");
    repair_.settings().checkInternetUrls = false;
    const std::string folder = platform::toPathText(temp_.path() / "site");
    repair_.addRoot({folder, true});
    repair_.files().addFolder(true, folder, [] { return false; });
  }

  test_support::TempFolder temp_;
  fs::path page_;
  Repair repair_;
  test_support::RecordingPanel panel_;
};

TEST_F(RepairTest, SearchDecideRewriteWritesTheDecisionAndFreesTheSite) {
  ASSERT_TRUE(repair_.begin().ok());
  const RepairOutcome<SearchOutcome> searched = repair_.search(panel_);
  ASSERT_TRUE(searched.ok());
  EXPECT_EQ(searched.value().end, PassEnd::Done);
  ASSERT_EQ(repair_.urls().count(), 1u);
  EXPECT_EQ(repair_.urls().entry(0).url, "gone.htm");

  const ResultsFill lines = repair_.group(false, false, [] { return false; });
  ASSERT_EQ(lines.lines.size(), 1u);
  EXPECT_EQ(repair_.decide(lines.lines[0].group, "here.htm", false).count, 1u);

  const RepairOutcome<RewritePassOutcome> rewritten = repair_.rewrite(panel_, [] { return true; });
  ASSERT_TRUE(rewritten.ok());
  EXPECT_EQ(rewritten.value().end, PassEnd::Done);
  EXPECT_TRUE(rewritten.value().skipped.empty());
  EXPECT_EQ(test_support::readFile(page_), "<html><body><a href=\"here.htm\">x</a></body></html>");
  EXPECT_EQ(test_support::readFile(page_.string() + ".bak"), kPage);
  EXPECT_FALSE(repair_.begun());
}

TEST_F(RepairTest, ASiteAnotherRunHoldsIsNeitherBegunNorRewritten) {
  SiteLock otherRun;
  ASSERT_EQ(otherRun.acquire({platform::toPathText(temp_.path() / "site")}, true), SiteLock::Status::Taken);

  const RepairOutcome<Done> begun = repair_.begin();
  ASSERT_FALSE(begun.ok());
  EXPECT_EQ(begun.error().code, RepairError::SiteBusy);
  EXPECT_EQ(begun.error().path, fs::canonical(temp_.path() / "site").string());
  EXPECT_FALSE(repair_.begun());

  ASSERT_TRUE(repair_.search(panel_).ok());
  ASSERT_EQ(repair_.urls().count(), 1u);
  repair_.decide(repair_.group(false, false, [] { return false; }).lines[0].group, "here.htm", false);
  const RepairOutcome<RewritePassOutcome> rewritten = repair_.rewrite(panel_, [] { return true; });
  ASSERT_FALSE(rewritten.ok());
  EXPECT_EQ(rewritten.error().code, RepairError::SiteBusy);
  EXPECT_EQ(test_support::readFile(page_), kPage);
  EXPECT_FALSE(fs::exists(page_.string() + ".bak"));
}

struct LeftoverRow {
  const char* name;
  Repair::Intent intent;
  bool cleared;
};

class RepairLeftoverTest : public RepairTest, public ::testing::WithParamInterface<LeftoverRow> {};

TEST_P(RepairLeftoverTest, AKilledRunsTemporaryFileGoesOnlyBeforeARewrite) {
  const fs::path temporary = temp_.write("site/.index.htm.quillorn-new", "half a page");
  ASSERT_TRUE(repair_.begin(GetParam().intent).ok());
  std::vector<fs::path> cleared;
  ASSERT_TRUE(repair_.search(panel_, [&](const fs::path& target) { cleared.push_back(target); }).ok());
  EXPECT_EQ(fs::exists(temporary), !GetParam().cleared);
  EXPECT_EQ(cleared.size(), GetParam().cleared ? 1u : 0u);
  EXPECT_EQ(repair_.urls().count(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Intents, RepairLeftoverTest,
                         ::testing::Values(LeftoverRow{"Rewrite", Repair::Intent::Rewrite, true},
                                           LeftoverRow{"Preview", Repair::Intent::Preview, false}),
                         [](const ::testing::TestParamInfo<LeftoverRow>& info) {
                           return std::string(info.param.name);
                         });

TEST_F(RepairTest, TooManyFilesAreRefusedBeforeAnythingIsRead) {
  for (std::size_t i = repair_.files().count(); i <= kMaxSearchFiles; ++i) {
    repair_.files().addSelectedFiles({platform::toPathText(temp_.path() / ("absent" + std::to_string(i) + ".gif"))},
                                     [] { return false; });
  }
  const RepairOutcome<SearchOutcome> searched = repair_.search(panel_);
  ASSERT_FALSE(searched.ok());
  EXPECT_EQ(searched.error().code, RepairError::TooManyFiles);
  EXPECT_EQ(repair_.urls().count(), 0u);
}

}  // namespace
}  // namespace quillorn
