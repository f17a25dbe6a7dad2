// Ravelet driven through its real widgets: what Process asks and runs with
// the window's choices, the boxes it answers with, undoing a repair that
// quillorn-cli made, Browse, and the About box.

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "core/files/site_lock.h"
#include "platform/host_path.h"
#include "restorer/resources/hand_cursor.h"
#include "restorer/resources/templates.h"
#include "restorer/restorer_window.h"
#include "tests/cli/cli_runner.h"
#include "tests/gui/wizard_harness.h"

namespace {

namespace fs = std::filesystem;
namespace ui = quillorn::ui;
namespace main_ids = quillorn::restorer::main_ids;
using quillorn::test_support::ScriptedDesktop;
using quillorn::test_support::TempFolder;

using Tree = std::map<std::string, std::string>;

// Every file below `root` with its bytes, by path relative to it.
Tree treeOf(const fs::path& root) {
  Tree tree;
  for (const auto& item : fs::recursive_directory_iterator(root)) {
    if (item.is_regular_file()) {
      tree[fs::relative(item.path(), root).generic_string()] = quillorn::test_support::readFile(item.path());
    }
  }
  return tree;
}

struct RestorerHarness {
  RestorerHarness() {
    window.show();
    ui::handleWaitingEvents();
  }
  const ui::ControlSet& controls() const { return window.controls(); }
  void click(int id) const { ui::press(controls().control(id)); }

  TempFolder folder{"ravelet-gui"};
  ScriptedDesktop desktop;
  quillorn::restorer::RestorerWindow window;
};

const Tree kBackups = {{"a.htm", "new a"}, {"a.htm.bak", "old a"}, {"c.bak.old", "c"}, {"sub/b.css.bak", "old b"}};

struct ProcessRow {
  const char* name;
  const char* folder;  // below the test's folder; "" leaves the box empty
  const char* extension;
  bool subfolders;
  bool deleteBackups;
  bool treeBusy;
  ui::MessageAnswer answer;
  const char* box;  // the box after the question, "" for none
  ui::MessageIcon icon;
  Tree after;
};

class ProcessTest : public ::testing::TestWithParam<ProcessRow> {};

TEST_P(ProcessTest, RunsTheWindowsChoicesOnceConfirmed) {
  const ProcessRow& row = GetParam();
  RestorerHarness ravelet;
  for (const auto& [path, bytes] : kBackups) ravelet.folder.write("site/" + path, bytes);
  if (*row.folder != '\0') {
    ravelet.controls().setText(main_ids::kFolder,
                               QString::fromStdString((ravelet.folder.path() / row.folder).string()));
  }
  ravelet.controls().setText(main_ids::kExtension, row.extension);
  if (!row.subfolders) ravelet.click(main_ids::kSubfolders);
  if (row.deleteBackups) ravelet.click(main_ids::kDelete);
  quillorn::SiteLock otherRun;
  if (row.treeBusy) {
    ASSERT_EQ(otherRun.acquire({quillorn::platform::toPathText(ravelet.folder.path() / "site" / "sub")}, true),
              quillorn::SiteLock::Status::Taken);
  }
  ravelet.desktop.answers = {row.answer};

  ravelet.click(main_ids::kProcess);

  const auto& asked = ravelet.desktop.asked;
  if (*row.folder == '\0') {
    EXPECT_TRUE(asked.empty());
  } else {
    ASSERT_GE(asked.size(), 1u);
    EXPECT_EQ(asked[0].title, "Ravelet");
    EXPECT_EQ(asked[0].text, "Are You sure? Is everything correct?");
    EXPECT_EQ(asked[0].icon, ui::MessageIcon::Question);
    EXPECT_EQ(asked[0].buttons, ui::MessageButtons::YesNo);
  }
  if (*row.box == '\0') {
    EXPECT_LE(asked.size(), 1u);
  } else {
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[1].title, "Ravelet");
    EXPECT_TRUE(asked[1].text.startsWith(row.box)) << asked[1].text.toStdString();
    EXPECT_EQ(asked[1].icon, row.icon);
    EXPECT_EQ(asked[1].buttons, ui::MessageButtons::Ok);
  }
  EXPECT_EQ(treeOf(ravelet.folder.path() / "site"), row.after);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);  // the wait cursor has gone
}

constexpr auto kInfo = ui::MessageIcon::Information;
constexpr auto kError = ui::MessageIcon::Error;
constexpr auto kYes = ui::MessageAnswer::Yes;

INSTANTIATE_TEST_SUITE_P(
    Choices, ProcessTest,
    ::testing::Values(ProcessRow{"EmptyFolderBoxAsksNothing", "", "bak", true, false, false, kYes, "", kInfo, kBackups},
                      ProcessRow{"AnswerNoChangesNothing", "site", "bak", true, false, false, ui::MessageAnswer::No, "",
                                 kInfo, kBackups},
                      ProcessRow{"RestoreWithSubfolders",
                                 "site",
                                 "bak",
                                 true,
                                 false,
                                 false,
                                 kYes,
                                 "2 backup file(s) processed successfully",
                                 kInfo,
                                 {{"a.htm", "old a"}, {"c.bak.old", "c"}, {"sub/b.css", "old b"}}},
                      ProcessRow{"DeleteWithoutSubfolders",
                                 "site",
                                 "BAK",
                                 false,
                                 true,
                                 false,
                                 kYes,
                                 "1 backup file(s) processed successfully",
                                 kInfo,
                                 {{"a.htm", "new a"}, {"c.bak.old", "c"}, {"sub/b.css.bak", "old b"}}},
                      ProcessRow{"MissingFolderIsNamed", "nowhere", "bak", true, false, false, kYes, "The folder \"",
                                 kError, kBackups},
                      ProcessRow{"BusyTreeIsLeftAlone", "site", "bak", true, false, true, kYes,
                                 "Another run is working on \"", kError, kBackups}),
    [](const ::testing::TestParamInfo<ProcessRow>& info) { return std::string(info.param.name); });

TEST(Ravelet, RestoringARepairOfTheCommandLineGivesBackEveryByte) {
  RestorerHarness ravelet;
  const fs::path site = ravelet.folder.path() / "site";
  fs::copy(QUILLORN_SOURCE_DIR "/examples/site", site, fs::copy_options::recursive);
  const Tree before = treeOf(site);
  const auto fixed =
      quillorn::test_support::runCli({"fix", "--offline", site.string()}, quillorn::test_support::ErrorStream::Merged);
  ASSERT_NE(treeOf(site), before) << fixed.output;  // the repair changed files and left backups

  ravelet.controls().setText(main_ids::kFolder, QString::fromStdString(site.string()));
  ravelet.desktop.answers = {ui::MessageAnswer::Yes};
  ravelet.click(main_ids::kProcess);
  ASSERT_EQ(ravelet.desktop.asked.size(), 2u);
  EXPECT_EQ(ravelet.desktop.asked[1].icon, ui::MessageIcon::Information);
  EXPECT_EQ(treeOf(site), before);
}

// A backup that cannot be put back: the count line comes first, then the
// backup with its reason, and the box warns.
TEST(Ravelet, BackupLeftIsNamedBelowTheCount) {
  RestorerHarness ravelet;
  const fs::path site = ravelet.folder.path() / "left";
  fs::create_directories(site / "page.htm");
  quillorn::test_support::writeFile(site / "page.htm.bak", "old");
  quillorn::test_support::writeFile(site / "a.htm.bak", "old a");
  ravelet.controls().setText(main_ids::kFolder, QString::fromStdString(site.string()));
  ravelet.desktop.answers = {ui::MessageAnswer::Yes};
  ravelet.click(main_ids::kProcess);
  ASSERT_EQ(ravelet.desktop.asked.size(), 2u);
  EXPECT_EQ(ravelet.desktop.asked[1].icon, ui::MessageIcon::Warning);
  EXPECT_EQ(ravelet.desktop.asked[1].text.toStdString(),
            "1 backup file(s) processed successfully\n\n1 backup file(s) left as they were:\n\"" +
                (site / "page.htm.bak").string() +
                "\": the file it was made from is now a folder or something else that is not a file");
  EXPECT_TRUE(fs::exists(site / "page.htm.bak"));
}

TEST(Ravelet, OpensWithItsTitleBannerIconAndDefaults) {
  RestorerHarness ravelet;
  EXPECT_EQ(ravelet.window.windowTitle(), "Ravelet");
  EXPECT_EQ(dynamic_cast<QLabel*>(ravelet.controls().control(main_ids::kBanner))->pixmap().size(), QSize(338, 49));
  EXPECT_FALSE(ravelet.window.windowIcon().isNull());
  EXPECT_EQ(ravelet.controls().text(main_ids::kExtension), "bak");
  EXPECT_TRUE(ravelet.controls().isChecked(main_ids::kSubfolders));
  EXPECT_TRUE(ravelet.controls().isChecked(main_ids::kRestore));
}

TEST(Ravelet, BrowsePutsTheChosenFolderIntoTheBoxAndACancelLeavesIt) {
  RestorerHarness ravelet;
  ravelet.desktop.folderAnswers = {{"/srv/www/site"}, {}};
  ravelet.click(main_ids::kBrowse);
  EXPECT_EQ(ravelet.controls().text(main_ids::kFolder), "/srv/www/site");
  ravelet.click(main_ids::kBrowse);
  EXPECT_EQ(ravelet.controls().text(main_ids::kFolder), "/srv/www/site");
}

TEST(Ravelet, TheAboutBoxLinksWithTheHandAndEndsWithOkAndEnterButNotEsc) {
  RestorerHarness ravelet;
  bool seen = false;
  QTimer::singleShot(0, [&] {
    QWidget* about = QApplication::activeModalWidget();
    ASSERT_NE(about, nullptr);
    seen = true;
    EXPECT_EQ(about->windowTitle(), "About Ravelet");
    EXPECT_EQ(about->focusWidget()->accessibleName(), "OK");
    const auto* version = about->findChild<QLabel*>("control1009");
    EXPECT_EQ(version->text(), "Ravelet\nVersion 1.01b");
    EXPECT_EQ(version->palette().color(QPalette::WindowText), QColor(127, 31, 0));
    for (const char* link : {"control1013", "control1015", "control1011"}) {
      auto* text = about->findChild<QWidget*>(link);
      EXPECT_EQ(text->cursor().hotSpot(), QPoint(quillorn::restorer_resources::kHandCursorHotSpotX,
                                                 quillorn::restorer_resources::kHandCursorHotSpotY));
      EXPECT_EQ(text->palette().color(QPalette::WindowText), QColor(0, 31, 191));
      QTest::mouseClick(text, Qt::LeftButton);
    }
    QTest::keyClick(about, Qt::Key_Escape);
    EXPECT_TRUE(about->isVisible());
    // The last link clicked has the focus; Enter there presses OK, opening nothing.
    EXPECT_EQ(about->focusWidget(), about->findChild<QWidget*>("control1011"));
    QTest::keyClick(about->focusWidget(), Qt::Key_Return);
  });
  ravelet.click(main_ids::kAbout);
  EXPECT_TRUE(seen);
  EXPECT_EQ(ravelet.desktop.addresses, QStringList({"http://quillorn.example.org", "mailto:team@quillorn.example.org",
                                                    "http://quillorn.example.org"}));
  QTest::keyClick(&ravelet.window, Qt::Key_Escape);  // nor in the main window
  EXPECT_TRUE(ravelet.window.isVisible());
}

}  // namespace
