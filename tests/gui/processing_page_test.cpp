// Page 7 driven through the real wizard: one whole repair through all seven
// pages writes, file for file, what `quillorn-cli fix` writes for the same
// decisions and options; the stop question answered Yes and No; a site that
// another run holds is not searched.

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>

#include <sys/resource.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <map>
#include <string>

#include "core/files/site_lock.h"
#include "core/review/decisions.h"
#include "core/rewrite/rewriting_pass.h"
#include "core/wording/rewriting_texts.h"
#include "platform/host_path.h"
#include "tests/cli/cli_runner.h"
#include "tests/gui/wizard_harness.h"
#include "ui/list_box.h"
#include "wizard/resources/templates.h"
#include "wizard/rewrite/processing_page.h"
#include "wizard/shell/step_table.h"

namespace {

namespace fs = std::filesystem;
using quillorn::test_support::postEscape;
using quillorn::test_support::settle;
using quillorn::test_support::WizardHarness;
namespace ui = quillorn::ui;
namespace wizard = quillorn::wizard;
namespace frame_ids = wizard::frame_ids;
namespace results_ids = wizard::results_ids;
namespace deletion_ids = wizard::deletion_ids;
namespace processing_ids = wizard::processing_ids;
using wizard::kDeletionStep;
using wizard::kProcessingStep;
using wizard::kResultsStep;

const fs::path kRepairSite = fs::path(QUILLORN_TEST_DATA_DIR) / "wizard" / "repair" / "site";

// Every regular file under `root`, by relative path, with its bytes.
std::map<std::string, std::string> tree(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (const auto& item : fs::recursive_directory_iterator(root)) {
    if (item.is_regular_file())
      files[fs::relative(item.path(), root).string()] = quillorn::test_support::readFile(item.path());
  }
  return files;
}

// Pages 1 to 4: `site` added with its subfolders and searched offline.
void search(WizardHarness& wizard, const fs::path& site) {
  wizard.clickFrame(frame_ids::kNext);
  wizard.page(1).setChecked(wizard::files_ids::kIncludeSubfolders, true);
  wizard.addFolder(site);
  wizard.clickFrame(frame_ids::kNext);
  wizard.page(2).setChecked(wizard::options_ids::kCheckInternetUrls, false);
  wizard.clickFrame(frame_ids::kNext);
  settle();
}

int rowOf(const WizardHarness& wizard, const QString& line) {
  const ui::ListBox* list = wizard.page(kResultsStep).listBox(results_ids::kList);
  for (int row = 0; row < list->count(); ++row) {
    if (list->line(row) == line) return row;
  }
  return -1;
}

QStringList statusLines(const WizardHarness& wizard) {
  const ui::ListBox* list = wizard.page(kProcessingStep).listBox(processing_ids::kStatusList);
  QStringList lines;
  for (int row = 0; row < list->count(); ++row) lines << list->line(row);
  return lines;
}

TEST(WholeRepair, ThroughAllSevenPagesTheWizardWritesWhatFixWrites) {
  WizardHarness wizard;
  const fs::path wizardSite = wizard.folder.path() / "wizard-site";
  const fs::path cliSite = wizard.folder.path() / "cli-site";
  fs::copy(kRepairSite, wizardSite, fs::copy_options::recursive);
  fs::copy(kRepairSite, cliSite, fs::copy_options::recursive);
  const std::string wizardUrl = "file://" + wizardSite.string();
  const std::string cliUrl = "file://" + cliSite.string();
  const QString here = QString::fromStdString((wizardSite / "images/here.gif").string());

  search(wizard, wizardSite);
  wizard.clickFrame(frame_ids::kNext);
  ASSERT_EQ(wizard.title(), "Search results");

  // Page 5: a new page for one link, another kept, an image picked.
  const ui::ControlSet& results = wizard.page(kResultsStep);
  ui::ListBox* list = results.listBox(results_ids::kList);
  list->selectRow(rowOf(wizard, R"(DELETE (2 URL(s)): "gone.html")"));
  settle();
  results.setText(results_ids::kReplacement, "about.html");
  wizard.clickPage(kResultsStep, results_ids::kApply);
  list->selectRow(rowOf(wizard, R"(DELETE (1 URL(s)): "keep-me.html")"));
  settle();
  wizard.clickPage(kResultsStep, results_ids::kDoNotChange);
  list->selectRow(rowOf(wizard, R"(DELETE (1 URL(s)): "../images/logo.gif")"));
  settle();
  wizard.desktop.fileAnswers.push_back({here});
  wizard.clickPage(kResultsStep, results_ids::kBrowse);
  ASSERT_NE(rowOf(wizard, QString::fromStdString(R"(REPLACE (relative path, 1 URL(s)): "../images/logo.gif" with ")" +
                                                 wizardUrl + R"(/images/here.gif")")),
            -1);

  // Page 6: links become text, deleted images the picked one, backgrounds empty.
  wizard.clickFrame(frame_ids::kNext);
  wizard.clickPage(kDeletionStep, deletion_ids::kTextConvert);
  wizard.clickPage(kDeletionStep, deletion_ids::kImageReplace);
  wizard.desktop.fileAnswers.push_back({here});
  wizard.clickPage(kDeletionStep, deletion_ids::kImageBrowse);
  wizard.clickPage(kDeletionStep, deletion_ids::kBackgroundEmpty);

  // The command line, on its copy, with the same decisions and options.
  const quillorn::test_support::RunResult scan = quillorn::test_support::runCli(
      {"scan", "--json", "--offline", cliSite.string()}, quillorn::test_support::ErrorStream::Discarded);
  nlohmann::json report = nlohmann::json::parse(scan.output, nullptr, false);
  ASSERT_FALSE(report.is_discarded()) << scan.output;
  nlohmann::json& lines = report.at("results");
  const std::vector<quillorn::LineDecision> decided = quillorn::lineDecisions(wizard.repair.urls(), lines.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string value = decided[i].value;
    quillorn::test_support::replaceAll(value, wizardUrl, cliUrl);
    lines[i]["value"] = value;
    lines[i]["relativePath"] = decided[i].relativePath;
  }
  const fs::path decisions = wizard.folder.write("decisions.json", report.dump());

  // Page 7.
  wizard.desktop.answers = {ui::MessageAnswer::Yes};
  wizard.clickFrame(frame_ids::kNext);
  settle();
  ASSERT_EQ(wizard.title(), "Processing broken URLs");

  const quillorn::test_support::RunResult fix = quillorn::test_support::runCli(
      {"fix", "--offline", "--decisions", decisions.string(), "--text-links", "convert", "--images", "replace",
       "--image-url", cliUrl + "/images/here.gif", "--backgrounds", "empty", cliSite.string()},
      quillorn::test_support::ErrorStream::Merged);
  ASSERT_EQ(fix.exitStatus, 0) << fix.output;

  EXPECT_EQ(tree(wizardSite), tree(cliSite));
  EXPECT_NE(tree(wizardSite), tree(kRepairSite));
  // The saved page answers for its address, offline as well.
  EXPECT_NE(tree(wizardSite)["sub/page.html"].find(R"(<a href="../news.html">news</a>)"), std::string::npos);
  EXPECT_TRUE(fs::exists(wizardSite / "index.html.bak"));
  const ui::ControlSet& page = wizard.page(kProcessingStep);
  const QString done = page.text(processing_ids::kStatusLine);
  EXPECT_TRUE(done.startsWith("Done (")) << done.toStdString();
  EXPECT_TRUE(QString::fromStdString(fix.output).contains(done + "\n")) << fix.output;
  std::string output = fix.output;
  quillorn::test_support::replaceAll(output, cliSite.string(), wizardSite.string());
  for (const QString& line : statusLines(wizard))
    EXPECT_TRUE(QString::fromStdString(output).contains(line)) << line.toStdString();
  // index.html and sub/page.html; style.css is left as it is (a deleted url( ) stays).
  EXPECT_EQ(statusLines(wizard).size(), 2);

  EXPECT_EQ(wizard.frameControls().text(frame_ids::kNext), "&Start over");
  EXPECT_TRUE(wizard.frameControls().isEnabled(frame_ids::kNext));
  EXPECT_TRUE(wizard.frameControls().hasFocus(frame_ids::kNext));
  EXPECT_FALSE(wizard.frameControls().isEnabled(frame_ids::kPrevious));
  EXPECT_TRUE(wizard.frameControls().isEnabled(frame_ids::kExit));
  // The site is free for the next run.
  quillorn::SiteLock next;
  EXPECT_EQ(next.acquire({quillorn::platform::toPathText(wizardSite)}, true), quillorn::SiteLock::Status::Taken);
  next.release();

  // Start over: page 1, no files, the replacement URLs empty; page 6 keeps its choices.
  wizard.clickFrame(frame_ids::kNext);
  EXPECT_EQ(wizard.frame->currentStep(), 0);
  EXPECT_TRUE(wizard.repair.files().empty());
  const ui::ControlSet& deletion = wizard.page(kDeletionStep);
  EXPECT_EQ(deletion.text(deletion_ids::kImageUrl), "");
  EXPECT_EQ(wizard.repair.settings().imageReplacementUrl, "");
  EXPECT_TRUE(deletion.isChecked(deletion_ids::kImageReplace));
  EXPECT_TRUE(deletion.isEnabled(deletion_ids::kImageUrl));
  EXPECT_TRUE(deletion.isChecked(deletion_ids::kTextConvert));
}

// ---- The stop question ----------------------------------------------------------

struct StopRow {
  const char* name;
  bool byClose;  // the window's close button instead of ESC
  ui::MessageAnswer answer;
  int rewritten;
  QString status;
  bool stillOpen;
};

class ProcessingStopTest : public ::testing::TestWithParam<StopRow> {};

TEST_P(ProcessingStopTest, EscAsksWhetherToCancelWithNoAsTheDefault) {
  WizardHarness wizard;
  for (int i = 0; i < 4; ++i) {
    wizard.folder.write("site/p" + std::to_string(i) + ".html", "<a href=\"gone.html\">x</a>\n");
  }
  search(wizard, wizard.folder.path() / "site");
  wizard.clickFrame(frame_ids::kNext);
  wizard.clickFrame(frame_ids::kNext);
  wizard.clickPage(kDeletionStep, deletion_ids::kTextEmpty);

  wizard.desktop.answers = {ui::MessageAnswer::Yes, GetParam().answer};
  // Queued behind page 7's start request: the pass sees it after its first file.
  dynamic_cast<QAbstractButton*>(wizard.frameControls().control(frame_ids::kNext))->click();
  if (GetParam().byClose) {
    QCoreApplication::postEvent(wizard.frame.get(), new QCloseEvent(), Qt::LowEventPriority);
  } else {
    postEscape(wizard.frame.get(), Qt::LowEventPriority);
  }
  settle();

  ASSERT_EQ(wizard.desktop.asked.size(), 2u);
  const ui::MessageRequest& question = wizard.desktop.asked[1];
  EXPECT_EQ(question.title, "Quillorn");
  EXPECT_EQ(question.text.toStdString(), quillorn::kCancelQuestion);
  EXPECT_EQ(question.icon, ui::MessageIcon::Question);
  EXPECT_EQ(question.buttons, ui::MessageButtons::YesNo);
  EXPECT_EQ(question.defaultAnswer, ui::MessageAnswer::No);

  int rewritten = 0;
  for (int i = 0; i < 4; ++i) {
    const fs::path page = wizard.folder.path() / ("site/p" + std::to_string(i) + ".html");
    const bool changed = quillorn::test_support::readFile(page) == "<a href=\"#\">x</a>\n";
    EXPECT_EQ(fs::exists(page.string() + ".bak"), changed) << i;
    rewritten += changed ? 1 : 0;
  }
  EXPECT_EQ(rewritten, GetParam().rewritten);
  EXPECT_EQ(statusLines(wizard).size(), GetParam().rewritten);
  EXPECT_EQ(wizard.page(kProcessingStep).text(processing_ids::kStatusLine), GetParam().status);
  EXPECT_EQ(wizard.frame->isVisible(), GetParam().stillOpen);
  if (!GetParam().stillOpen) return;
  EXPECT_TRUE(wizard.frameControls().isEnabled(frame_ids::kNext));
  EXPECT_TRUE(wizard.frameControls().hasFocus(frame_ids::kNext));
  EXPECT_FALSE(wizard.frameControls().isEnabled(frame_ids::kPrevious));
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ProcessingStopTest,
    ::testing::Values(StopRow{"YesStopsAfterTheFileInHand", false, ui::MessageAnswer::Yes, 1, "Stopped", true},
                      StopRow{"NoGoesOnToTheEnd", false, ui::MessageAnswer::No, 4,
                              "Done (4 of 4 URL(s) processed successfully)", true},
                      StopRow{"CloseAnsweredYesStopsThenCloses", true, ui::MessageAnswer::Yes, 1, "Stopped", false},
                      StopRow{"CloseAnsweredNoGoesOnAndStaysOpen", true, ui::MessageAnswer::No, 4,
                              "Done (4 of 4 URL(s) processed successfully)", true}),
    [](const ::testing::TestParamInfo<StopRow>& info) { return std::string(info.param.name); });

// ---- A file left as it was --------------------------------------------------------

TEST(ProcessingPage, AFileWhoseBackupNameIsTakenIsLeftAsItWasWithItsReason) {
  WizardHarness wizard;
  const fs::path page = wizard.folder.write("site/a.html", "<a href=\"gone.html\">x</a>\n");
  wizard.folder.write("site/a.html.bak", "an earlier repair's backup\n");
  wizard.folder.write("site/b.html", "<a href=\"gone.html\">x</a>\n");
  search(wizard, wizard.folder.path() / "site");
  wizard.clickFrame(frame_ids::kNext);
  wizard.clickFrame(frame_ids::kNext);
  wizard.clickPage(kDeletionStep, deletion_ids::kTextEmpty);
  wizard.desktop.answers = {ui::MessageAnswer::Yes};
  wizard.clickFrame(frame_ids::kNext);

  const QString shown = QString::fromStdString(page.string());
  EXPECT_EQ(statusLines(wizard),
            (QStringList{QString("Not rewritten: \"%1\": its backup \"%1.bak\" exists").arg(shown),
                         QString("Processing \"%1\" (26 bytes) ASCII")
                             .arg(QString::fromStdString((wizard.folder.path() / "site/b.html").string()))}));
  EXPECT_EQ(quillorn::test_support::readFile(page), "<a href=\"gone.html\">x</a>\n");
  EXPECT_EQ(quillorn::test_support::readFile(page.string() + ".bak"), "an earlier repair's backup\n");
  EXPECT_EQ(wizard.page(kProcessingStep).text(processing_ids::kStatusLine),
            "Done (1 of 2 URL(s) processed successfully, 1 file(s) skipped)");
}

// ---- A disk writing error -----------------------------------------------------

TEST(ProcessingPage, ADiskWritingErrorSaysWhichFileKeptItsContentAndEndsWithMinusOne) {
  WizardHarness wizard;
  wizard.folder.write("site/a.html", "<a href=\"gone.html\">x</a>\n");
  const std::string big = "<a href=\"gone.html\">x</a>\n" + std::string(400, ' ') + "\n";
  const fs::path second = wizard.folder.write("site/b.html", big);
  search(wizard, wizard.folder.path() / "site");
  wizard.clickFrame(frame_ids::kNext);
  wizard.clickFrame(frame_ids::kNext);
  wizard.clickPage(kDeletionStep, deletion_ids::kTextEmpty);
  wizard.desktop.answers = {ui::MessageAnswer::Yes};

  // Writes beyond 128 bytes fail, as on a full disk, while page 7 runs.
  rlimit before{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &before), 0);
  rlimit small = before;
  small.rlim_cur = 128;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  wizard.clickFrame(frame_ids::kNext);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &before), 0);

  ASSERT_EQ(wizard.desktop.asked.size(), 2u);
  const ui::MessageRequest& box = wizard.desktop.asked[1];
  EXPECT_EQ(box.title, "Emergency Quit");
  EXPECT_EQ(box.icon, ui::MessageIcon::Error);
  EXPECT_TRUE(box.text.startsWith("Step7: Disk writing error!\n")) << box.text.toStdString();
  EXPECT_TRUE(box.text.contains(QString::fromStdString(second.string()))) << box.text.toStdString();
  EXPECT_EQ(wizard.frame->result(), -1);
  EXPECT_FALSE(wizard.frame->isVisible());
  EXPECT_EQ(quillorn::test_support::readFile(wizard.folder.path() / "site/a.html"), "<a href=\"#\">x</a>\n");
  EXPECT_EQ(quillorn::test_support::readFile(second), big);
}

// ---- The site's lock ------------------------------------------------------------

TEST(SiteLockInTheWizard, ASiteAnotherRunHoldsIsNotSearched) {
  WizardHarness wizard;
  wizard.folder.write("site/index.html", "<a href=\"gone.html\">x</a>\n");
  quillorn::SiteLock other;
  ASSERT_EQ(other.acquire({quillorn::platform::toPathText(wizard.folder.path() / "site")}, true),
            quillorn::SiteLock::Status::Taken);
  search(wizard, wizard.folder.path() / "site");

  ASSERT_EQ(wizard.desktop.asked.size(), 1u);
  EXPECT_EQ(wizard.desktop.asked[0].icon, ui::MessageIcon::Warning);
  EXPECT_TRUE(wizard.desktop.asked[0].text.startsWith("Another run is working on"))
      << wizard.desktop.asked[0].text.toStdString();
  EXPECT_EQ(wizard.repair.urls().count(), 0u);
  EXPECT_FALSE(wizard.frameControls().isEnabled(frame_ids::kNext));
  EXPECT_TRUE(wizard.frameControls().isEnabled(frame_ids::kPrevious));

  // Once the other run is over, going back and on searches.
  other.release();
  wizard.clickFrame(frame_ids::kPrevious);
  wizard.clickFrame(frame_ids::kNext);
  settle();
  EXPECT_EQ(wizard.repair.urls().count(), 1u);
  EXPECT_TRUE(wizard.frameControls().isEnabled(frame_ids::kNext));
}

}  // namespace
