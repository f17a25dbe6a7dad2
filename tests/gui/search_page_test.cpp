// Pages 3 and 4 driven through their real widgets: a search of each site of
// the command line's expected-output folders gives, in the window, what
// `quillorn-cli scan` gives for the same options; ESC stops either pass, but
// only in the wizard's own window; too many files are refused.

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "cli/scan_options.h"
#include "core/files/site_lock.h"
#include "core/search/search_pass.h"
#include "platform/code_page.h"
#include "platform/file_access.h"
#include "platform/host_path.h"
#include "tests/cli/cli_runner.h"
#include "tests/gui/wizard_harness.h"
#include "tests/support/loopback_servers.h"
#include "ui/list_box.h"
#include "wizard/resources/templates.h"
#include "wizard/search/search_options_page.h"

namespace {

using quillorn::test_support::postEscape;
using quillorn::test_support::settle;
using quillorn::test_support::WizardHarness;
namespace wizard = quillorn::wizard;
namespace frame_ids = wizard::frame_ids;
namespace options_ids = wizard::options_ids;
namespace search_ids = wizard::search_ids;

const std::filesystem::path kScanCases = std::filesystem::path(QUILLORN_TEST_DATA_DIR) / "scan";

// Clicks the box when it does not show `on` yet.
void setBox(const quillorn::ui::ControlSet& controls, int id, bool on) {
  if (controls.isChecked(id) != on) dynamic_cast<QAbstractButton*>(controls.control(id))->click();
}

QStringList statusLines(const WizardHarness& harness) {
  const quillorn::ui::ListBox* list = harness.page(3).listBox(search_ids::kStatusList);
  QStringList lines;
  for (int row = 0; row < list->count(); ++row) lines << list->line(row);
  return lines;
}

// A copy of a case's site in the harness's folder: the search locks the
// folders it searches, and tests running side by side must not share one.
std::filesystem::path copySite(const WizardHarness& harness, const std::string& caseName) {
  const std::filesystem::path site = harness.folder.path() / "site";
  std::filesystem::copy(quillorn::test_support::caseSite(kScanCases / caseName), site,
                        std::filesystem::copy_options::recursive | std::filesystem::copy_options::copy_symlinks);
  return site;
}

// Page 2 with `site` added, page 3 with `settings` set, page 4 searching.
void searchSite(WizardHarness& harness, const std::filesystem::path& site, const quillorn::Settings& settings) {
  harness.clickFrame(frame_ids::kNext);
  setBox(harness.page(1), wizard::files_ids::kIncludeSubfolders, settings.includeSubfolders);
  harness.addFolder(site);
  harness.clickFrame(frame_ids::kNext);
  for (const wizard::OptionBox& box : wizard::optionBoxes()) setBox(harness.page(2), box.id, settings.*box.field);
  // A stored option that no page shows, as the wizard read it at its start.
  harness.repair.settings().siteAddresses = settings.siteAddresses;
  harness.clickFrame(frame_ids::kNext);
  settle();
}

class SearchLikeScanTest : public ::testing::TestWithParam<std::string> {};

TEST_P(SearchLikeScanTest, PageFourFindsWhatScanFinds) {
  WizardHarness harness;
  const std::filesystem::path site = copySite(harness, GetParam());
  std::vector<std::string> args = {"scan", "--json", "--offline"};
  quillorn::test_support::appendArgsFile(args, kScanCases / GetParam() / "args");
  args.push_back(site.string());
  const quillorn::cli::ParseResult options =
      quillorn::cli::parseScanOptions(std::vector<std::string>(args.begin() + 1, args.end()));
  ASSERT_TRUE(options.ok) << options.error;

  searchSite(harness, site, options.options.settings);

  const quillorn::test_support::RunResult scan =
      quillorn::test_support::runCli(args, quillorn::test_support::ErrorStream::Discarded);
  const nlohmann::json report = nlohmann::json::parse(scan.output, nullptr, false);
  ASSERT_FALSE(report.is_discarded()) << scan.output;

  QStringList scanLines;
  for (const auto& line : report.at("status")) scanLines << QString::fromStdString(line.get<std::string>());
  EXPECT_EQ(statusLines(harness), scanLines);
  EXPECT_EQ(harness.page(3).text(search_ids::kStatusLine).toStdString(), report.at("summary").get<std::string>());

  const auto& entries = report.at("entries");
  ASSERT_EQ(harness.repair.urls().count(), entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const quillorn::UrlEntry& entry = harness.repair.urls().entry(i);
    EXPECT_EQ(quillorn::platform::toDisplayUtf8(entry.url), entries[i].at("url").get<std::string>()) << i;
    EXPECT_EQ(quillorn::platform::toDisplayUtf8(entry.replacement), entries[i].at("replacement").get<std::string>())
        << i;
    EXPECT_EQ(entry.valuePos, entries[i].at("valuePos").get<std::int64_t>()) << i;
    EXPECT_EQ(entry.fileIndex, entries[i].at("fileIndex").get<std::int64_t>()) << i;
  }
  const bool found = !entries.empty();
  EXPECT_EQ(harness.frameControls().isEnabled(frame_ids::kNext), found);
  EXPECT_TRUE(harness.frameControls().isEnabled(frame_ids::kPrevious));
  EXPECT_TRUE(harness.frameControls().hasFocus(found ? frame_ids::kNext : frame_ids::kPrevious));
}

INSTANTIATE_TEST_SUITE_P(ScanCases, SearchLikeScanTest,
                         ::testing::ValuesIn(quillorn::test_support::caseNames(kScanCases)),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           return quillorn::test_support::caseTestName(info.param);
                         });

// ---- The stop key --------------------------------------------------------

struct StopRow {
  const char* name;
  bool brokenLinkPass;  // ESC comes in the broken-link pass, or in the first one
  bool inWizard;        // pressed in the wizard's window, or in another
};

class SearchStopTest : public ::testing::TestWithParam<StopRow> {};

TEST_P(SearchStopTest, EscStopsThePassItIsPressedIn) {
  quillorn::Settings offline;
  offline.checkInternetUrls = false;
  WizardHarness harness;
  const std::filesystem::path site = copySite(harness, "saved-from");
  QWidget elsewhere;
  if (!GetParam().inWizard) {
    elsewhere.show();
    elsewhere.activateWindow();
  }
  QWidget* pressedIn = GetParam().inWizard ? static_cast<QWidget*>(harness.frame.get()) : &elsewhere;
  if (GetParam().brokenLinkPass) {
    quillorn::test_support::whenBrokenLinkPassRuns(harness, [&] { postEscape(pressedIn); });
    searchSite(harness, site, offline);
  } else {
    // Queued behind the search's start request: the first pass sees it at its first poll.
    harness.clickFrame(frame_ids::kNext);
    harness.addFolder(site);
    harness.clickFrame(frame_ids::kNext);
    setBox(harness.page(2), options_ids::kCheckInternetUrls, false);
    dynamic_cast<QAbstractButton*>(harness.frameControls().control(frame_ids::kNext))->click();
    postEscape(pressedIn, Qt::LowEventPriority);
    settle();
  }

  const QStringList lines = statusLines(harness);
  const QString status = harness.page(3).text(search_ids::kStatusLine);
  if (!GetParam().inWizard) {
    EXPECT_TRUE(status.startsWith("Done (")) << status.toStdString();
    return;
  }
  EXPECT_EQ(status, "Stopped");
  const QString header =
      GetParam().brokenLinkPass ? ">> Searching for broken links..." : ">> Searching for \"saved from url\"...";
  // The pass ends at its first poll, within its first file.
  EXPECT_LE(lines.size() - lines.indexOf(header), 2);
  EXPECT_EQ(lines.contains(">> Searching for broken links..."), GetParam().brokenLinkPass);
  EXPECT_FALSE(harness.frameControls().isEnabled(frame_ids::kNext));
  EXPECT_TRUE(harness.frameControls().isEnabled(frame_ids::kPrevious));
  EXPECT_TRUE(harness.frameControls().hasFocus(frame_ids::kPrevious));
  EXPECT_TRUE(harness.frameControls().isEnabled(frame_ids::kExit));  // unlocked
}

INSTANTIATE_TEST_SUITE_P(Passes, SearchStopTest,
                         ::testing::Values(StopRow{"SavedFromPass", false, true}, StopRow{"BrokenLinkPass", true, true},
                                           StopRow{"SavedFromPassInAnotherWindow", false, false},
                                           StopRow{"BrokenLinkPassInAnotherWindow", true, false}),
                         [](const ::testing::TestParamInfo<StopRow>& info) { return std::string(info.param.name); });

TEST(SearchInternetTest, EscStopsASearchWhoseRequestsWaitAndTheWindowAnswersMeanwhile) {
  // Links to a server that takes connections and never answers: each request
  // would wait its 20 s. ESC comes 300 ms after page 4 was shown.
  ::setenv("no_proxy", "*", 1);
  quillorn::test_support::DeafPort deaf;
  WizardHarness harness;
  const std::filesystem::path site = harness.folder.path() / "site";
  std::string page;
  for (int i = 0; i < 12; ++i) {
    page += "<a href=\"http://127.0.0.1:" + std::to_string(deaf.port()) + "/p" + std::to_string(i) + "\">x</a>\n";
  }
  harness.folder.write("site/index.htm", page);
  quillorn::Settings online;
  online.useSavedFromUrl = false;
  online.checkInternetUrls = true;

  int ticks = 0;
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
  QElapsedTimer clock;
  qint64 escAt = -1;
  harness.clickFrame(frame_ids::kNext);
  harness.addFolder(site);
  harness.clickFrame(frame_ids::kNext);
  for (const wizard::OptionBox& box : wizard::optionBoxes()) setBox(harness.page(2), box.id, online.*box.field);
  ticker.start(20);
  clock.start();
  QTimer::singleShot(300, [&] {
    escAt = clock.elapsed();
    postEscape(harness.frame.get());
  });
  harness.clickFrame(frame_ids::kNext);
  settle();
  const qint64 endedAt = clock.elapsed();

  EXPECT_EQ(harness.page(3).text(search_ids::kStatusLine), "Stopped");
  ASSERT_GE(escAt, 0);
  // Stopped soon after the key, not at the requests' time-out.
  EXPECT_LT(endedAt - escAt, 5000);
  // The window's events ran while the requests waited.
  EXPECT_GE(ticks, 5);
  EXPECT_TRUE(harness.frameControls().isEnabled(frame_ids::kPrevious));
  EXPECT_FALSE(harness.frameControls().isEnabled(frame_ids::kNext));
}

// ---- What cannot be read without waiting ----------------------------------

// A named pipe with no writer would hold a read for ever, and with it the
// window: ESC, Exit and the site's lock. The search leaves it and the socket
// out, names them and a page above the size limit, and ends; going back frees
// the site, and Exit closes. The test's time limit guards against a hang.
TEST(SearchPage, ASiteWithANamedPipeIsSearchedToTheEndAndExitStillWorks) {
  WizardHarness harness;
  const std::filesystem::path site = harness.folder.path() / "site";
  harness.folder.makeFifo("site/pipe.html");
  harness.folder.makeSocket("site/sock.html");
  harness.folder.makeSparseFile("site/big.html", quillorn::platform::kMaxReadBytes + 1);
  harness.folder.write("site/index.html", "<a href=\"pipe.html\">p</a>\n");
  quillorn::Settings offline;
  offline.checkInternetUrls = false;
  offline.useSavedFromUrl = false;

  searchSite(harness, site, offline);

  const QString shown = QString::fromStdString(site.string());
  EXPECT_EQ(statusLines(harness), (QStringList{shown + "/pipe.html: left out, not a regular file (a named pipe)",
                                               shown + "/sock.html: left out, not a regular file (a socket)",
                                               ">> Searching for broken links...",
                                               shown + "/big.html (268435457 bytes): not searched, larger than 256 MiB",
                                               shown + "/index.html (26 bytes): ASCII, 1 broken URL(s) found"}));
  EXPECT_EQ(harness.page(3).text(search_ids::kStatusLine), "Done (1 change(s) in 2 file(s))");
  EXPECT_TRUE(harness.frameControls().isEnabled(frame_ids::kNext));
  EXPECT_TRUE(harness.frameControls().isEnabled(frame_ids::kExit));

  harness.clickFrame(frame_ids::kPrevious);
  quillorn::SiteLock other;
  EXPECT_EQ(other.acquire({quillorn::platform::toPathText(site)}, true), quillorn::SiteLock::Status::Taken);
  other.release();
  harness.clickFrame(frame_ids::kExit);
  EXPECT_FALSE(harness.frame->isVisible());
  EXPECT_EQ(harness.frame->result(), 0);
}

// ---- Too many files -------------------------------------------------------

struct SizeRow {
  const char* name;
  std::size_t files;
  bool refused;
};

class SearchSizeTest : public ::testing::TestWithParam<SizeRow> {};

TEST_P(SearchSizeTest, MoreThanTheLimitIsRefusedWithAMessage) {
  WizardHarness harness;
  // Files that are not there: the search passes over them without reading.
  std::vector<std::string> selection = {"\\nowhere"};
  for (std::size_t i = 0; i < GetParam().files; ++i)
    selection.push_back(std::string("p").append(std::to_string(i)).append(".htm"));
  harness.repair.files().addSelectedFiles(selection, {});
  for (int step = 0; step < 3; ++step) harness.clickFrame(frame_ids::kNext);
  settle();

  EXPECT_EQ(harness.desktop.asked.size(), GetParam().refused ? 1u : 0u);
  if (GetParam().refused) {
    EXPECT_EQ(harness.desktop.asked[0].title, "Quillorn");
    EXPECT_EQ(harness.desktop.asked[0].icon, quillorn::ui::MessageIcon::Error);
    EXPECT_EQ(harness.desktop.asked[0].text.toStdString(),
              std::string(quillorn::kTooManyFilesMessage) + "\n(" + std::to_string(GetParam().files) +
                  " files are in the list; one search takes at most 65535)");
  }
  EXPECT_EQ(harness.page(3).text(search_ids::kStatusLine),
            GetParam().refused ? QString("Press ESC to stop")
                               : QString("Done (0 change(s) in %1 file(s))").arg(GetParam().files));
  EXPECT_TRUE(harness.frameControls().isEnabled(frame_ids::kPrevious));
  EXPECT_FALSE(harness.frameControls().isEnabled(frame_ids::kNext));
}

INSTANTIATE_TEST_SUITE_P(Limits, SearchSizeTest,
                         ::testing::Values(SizeRow{"AtTheLimit", 65535, false}, SizeRow{"AboveTheLimit", 65536, true}),
                         [](const ::testing::TestParamInfo<SizeRow>& info) { return std::string(info.param.name); });

}  // namespace
