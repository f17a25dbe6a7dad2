// The frame driven through its real widgets: start-up, moving between the
// pages, the question before page 7, Start over, the lock, help, the
// companion, the About box, and what the keyboard and a screen reader reach.

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/settings/settings.h"
#include "platform/host_path.h"
#include "tests/gui/wizard_harness.h"
#include "ui/desktop.h"
#include "ui/list_box.h"
#include "wizard/resources/hand_cursor.h"
#include "wizard/resources/pictures.h"
#include "wizard/resources/templates.h"
#include "wizard/shell/entry.h"
#include "wizard/shell/program_paths.h"
#include "wizard/shell/step_table.h"

namespace {

using quillorn::test_support::postEscape;
using quillorn::test_support::settle;
using quillorn::test_support::TempFolder;
using quillorn::test_support::WizardHarness;
namespace ui = quillorn::ui;
namespace wizard = quillorn::wizard;
namespace frame_ids = wizard::frame_ids;
namespace files_ids = wizard::files_ids;

// The strip shows the picture resource `id`, as decoded from the program's own resources.
void expectStripPicture(const WizardHarness& wizard, int id) {
  quillorn::PagePicture picture;
  ASSERT_TRUE(wizard::loadPictureResource(id, picture)) << id;
  const QPixmap shown = dynamic_cast<QLabel*>(wizard.frameControls().control(frame_ids::kPicture))->pixmap();
  EXPECT_EQ(shown.size(), QSize(141, 299)) << id;
  EXPECT_EQ(shown.toImage().convertToFormat(QImage::Format_RGB32),
            wizard::imageOf(picture).convertToFormat(QImage::Format_RGB32))
      << id;
}

// A site with one broken link, so every page can be reached.
void writeBrokenSite(const TempFolder& folder) {
  folder.write("site/index.html", "<a href=\"gone.html\">gone</a> <img src=\"logo.gif\">");
  folder.write("site/logo.gif", "GIF89a");
}

// ---- Start-up ------------------------------------------------------------

struct StartRow {
  const char* name;
  const char* commandLine;
  bool uninstalls;
};

class StartUpTest : public ::testing::TestWithParam<StartRow> {};

TEST_P(StartUpTest, OnlyATrailingUninstallSwitchRemovesTheOptionsWithoutAWindow) {
  TempFolder folder("quillorn-start");
  const std::filesystem::path registryFile = folder.path() / "registry.reg";
  quillorn::platform::RegistryFile registry(registryFile);
  ASSERT_TRUE(quillorn::saveSettings(registry, quillorn::Settings{}).ok());
  quillorn::test_support::ScriptedDesktop desktop;

  bool shown = false;
  wizard::WizardStart start;
  start.commandLine = GetParam().commandLine;
  start.programFile = "\\opt\\Quillorn\\Quillorn";
  start.registryFile = registryFile;
  start.whenShown = [&](wizard::Frame& frame) {
    shown = true;
    EXPECT_EQ(frame.windowTitle(), "Quillorn - Welcome to Quillorn!");
    dynamic_cast<QAbstractButton*>(frame.controls().control(frame_ids::kExit))->click();
  };
  EXPECT_EQ(wizard::runWizard(start), 0);
  EXPECT_EQ(shown, !GetParam().uninstalls);
  EXPECT_EQ(quillorn::platform::RegistryFile(registryFile).keyExists(quillorn::kSettingsKeyPath),
            !GetParam().uninstalls);
}

INSTANTIATE_TEST_SUITE_P(CommandLines, StartUpTest,
                         ::testing::Values(StartRow{"LowerCase", "/opt/Quillorn/Quillorn -uninstall", true},
                                           StartRow{"UpperCase", "Quillorn -UNINSTALL", true},
                                           StartRow{"NoSwitch", "Quillorn", false},
                                           StartRow{"FollowedBySpace", "Quillorn -uninstall ", false},
                                           StartRow{"FollowedByArgument", "Quillorn -uninstall now", false}),
                         [](const ::testing::TestParamInfo<StartRow>& info) { return std::string(info.param.name); });

// A FIFO where the registry file should be (no program writes to it) must not
// hold up the start: the fatal box names the file and why, the program ends
// with -1 and the FIFO is left as it was.
TEST(StartUp, AFifoAtTheRegistrysPlaceEndsTheStartAtOnceNamingItAndIsLeftAlone) {
  TempFolder folder("quillorn-start");
  const std::filesystem::path registryFile = folder.path() / "registry.reg";
  ASSERT_EQ(::mkfifo(registryFile.c_str(), 0600), 0);
  quillorn::test_support::ScriptedDesktop desktop;
  wizard::WizardStart start;
  start.commandLine = "Quillorn";
  start.programFile = "\\opt\\Quillorn\\Quillorn";
  start.registryFile = registryFile;
  start.whenShown = [](wizard::Frame&) { ADD_FAILURE() << "the frame opened"; };
  EXPECT_EQ(wizard::runWizard(start), -1);
  ASSERT_EQ(desktop.asked.size(), 1u);
  EXPECT_EQ(desktop.asked[0].title, "Emergency Quit");
  EXPECT_EQ(desktop.asked[0].icon, ui::MessageIcon::Error);
  EXPECT_EQ(desktop.asked[0].text, QString::fromStdString("Main - Unable to open a needed registry key!\n" +
                                                          registryFile.string() + ": it is not a regular file"));
  EXPECT_TRUE(std::filesystem::is_fifo(std::filesystem::symlink_status(registryFile)));
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
    names.push_back(entry.path().filename().string());
  }
  EXPECT_EQ(names, std::vector<std::string>{"registry.reg"}) << "nothing is made beside it";
}

TEST(StartUp, WithoutTheInternetClientTheProgramEndsWithMinusOneNamingTheLibrary) {
  TempFolder folder("quillorn-start");
  quillorn::test_support::ScriptedDesktop desktop;
  wizard::WizardStart start;
  start.commandLine = "Quillorn";
  start.programFile = "\\opt\\Quillorn\\Quillorn";
  start.registryFile = folder.path() / "registry.reg";
  start.internetClientAvailable = [] { return false; };
  start.whenShown = [](wizard::Frame&) { ADD_FAILURE() << "the frame opened"; };
  EXPECT_EQ(wizard::runWizard(start), -1);
  ASSERT_EQ(desktop.asked.size(), 1u);
  EXPECT_EQ(desktop.asked[0].title, "Emergency Quit");
  EXPECT_EQ(desktop.asked[0].icon, ui::MessageIcon::Error);
  EXPECT_TRUE(desktop.asked[0].text.contains("libcurl"));
}

// ---- Navigation ----------------------------------------------------------

TEST(Frame, MovesThroughTheSevenPagesAskingBeforePageSevenAndStartsOver) {
  WizardHarness wizard;
  writeBrokenSite(wizard.folder);
  EXPECT_EQ(wizard.title(), "Welcome to Quillorn!");
  expectStripPicture(wizard, 136);
  const QPixmap banner = dynamic_cast<QLabel*>(wizard.page(0).control(wizard::welcome_ids::kBanner))->pixmap();
  EXPECT_EQ(banner.size(), QSize(280, 115));
  wizard.clickFrame(frame_ids::kPrevious);              // does nothing on page 1
  QTest::keyClick(wizard.frame.get(), Qt::Key_Escape);  // nor does Esc
  EXPECT_EQ(wizard.frame->currentStep(), 0);
  EXPECT_TRUE(wizard.frame->isVisible());

  QTest::keyClick(wizard.frame.get(), Qt::Key_Return);  // the default button
  EXPECT_EQ(wizard.title(), "Add files for processing");
  wizard.page(2).setChecked(wizard::options_ids::kCheckInternetUrls, false);
  wizard.addFolder(wizard.folder.path() / "site");
  expectStripPicture(wizard, 138);
  const std::pair<const char*, int> pages[] = {{"Search properties", 139},
                                               {"Searching for broken URLs", 140},
                                               {"Search results", 141},
                                               {"Link deletion properties", 142}};
  for (const auto& [title, picture] : pages) {
    wizard.clickFrame(frame_ids::kNext);
    EXPECT_EQ(wizard.title(), title);
    expectStripPicture(wizard, picture);
  }

  wizard.desktop.answers = {ui::MessageAnswer::No, ui::MessageAnswer::Yes};
  wizard.clickFrame(frame_ids::kNext);
  EXPECT_EQ(wizard.frame->currentStep(), 5);
  ASSERT_EQ(wizard.desktop.asked.size(), 1u);
  EXPECT_EQ(wizard.desktop.asked[0].title, "Quillorn");
  EXPECT_EQ(wizard.desktop.asked[0].text,
            "Now the changes will be applied permanently\nAre you sure that everything is correct?");
  EXPECT_EQ(wizard.desktop.asked[0].buttons, ui::MessageButtons::YesNo);
  EXPECT_EQ(wizard.desktop.asked[0].icon, ui::MessageIcon::Question);
  wizard.clickFrame(frame_ids::kNext);
  EXPECT_EQ(wizard.title(), "Processing broken URLs");
  expectStripPicture(wizard, 143);

  wizard.frameControls().setText(frame_ids::kNext, "&Start over");  // as page 7 labels it
  wizard.clickFrame(frame_ids::kNext);
  EXPECT_EQ(wizard.title(), "Welcome to Quillorn!");
  expectStripPicture(wizard, 136);
  EXPECT_TRUE(wizard.repair.files().empty());
  EXPECT_EQ(wizard.page(1).listBox(files_ids::kList)->count(), 0);
  EXPECT_EQ(wizard.frameControls().text(frame_ids::kNext), "&Next >>");
  EXPECT_TRUE(wizard.frameControls().isEnabled(frame_ids::kNext));
  EXPECT_FALSE(wizard.frameControls().isEnabled(frame_ids::kPrevious));
  // The options other than the two replacement addresses stay as they were.
  EXPECT_FALSE(wizard.repair.settings().checkInternetUrls);
}

TEST(Frame, ExitSavesTheOptionsAsTheirBoxesShowThem) {
  WizardHarness wizard;
  wizard.clickFrame(frame_ids::kNext);
  wizard.clickPage(1, files_ids::kIncludeSubfolders);
  wizard.clickFrame(frame_ids::kExit);
  EXPECT_FALSE(wizard.frame->isVisible());
  EXPECT_EQ(wizard.frame->result(), 0);
  quillorn::Settings stored;
  ASSERT_TRUE(quillorn::loadSettings(wizard.registry, stored).ok());
  EXPECT_FALSE(stored.includeSubfolders);
}

// ---- The lock --------------------------------------------------------------

TEST(Frame, TheLockDisablesItsControlsDuringAnAddAndLeavesAMissingCompanionOff) {
  WizardHarness wizard;  // no companion beside the program
  for (int i = 0; i < 3; ++i) wizard.folder.write("site/page" + std::to_string(i) + ".html", "x");
  EXPECT_FALSE(wizard.frameControls().isEnabled(frame_ids::kCompanion));
  wizard.clickFrame(frame_ids::kNext);

  const int frameLocked[] = {frame_ids::kAbout, frame_ids::kHelp, frame_ids::kPrevious,
                             frame_ids::kNext,  frame_ids::kExit, frame_ids::kCompanion};
  const int pageLocked[] = {files_ids::kAddFiles, files_ids::kAddFolders, files_ids::kIncludeSubfolders,
                            files_ids::kRemove, files_ids::kRemoveAll};
  bool checkedWhileAdding = false;
  // Runs at the add's first stop poll, while the lock holds.
  wizard.desktop.whileChoosing = [&] {
    QTimer::singleShot(0, [&] {
      checkedWhileAdding = true;
      for (int id : frameLocked) EXPECT_FALSE(wizard.frameControls().isEnabled(id)) << id;
      for (int id : pageLocked) EXPECT_FALSE(wizard.page(1).isEnabled(id)) << id;
      EXPECT_EQ(wizard.page(1).text(files_ids::kCounter), "Press ESC to stop");
    });
  };
  wizard.addFolder(wizard.folder.path() / "site");
  EXPECT_TRUE(checkedWhileAdding);
  for (int id : {frame_ids::kAbout, frame_ids::kHelp, frame_ids::kPrevious, frame_ids::kNext, frame_ids::kExit}) {
    EXPECT_TRUE(wizard.frameControls().isEnabled(id)) << id;
  }
  EXPECT_FALSE(wizard.frameControls().isEnabled(frame_ids::kCompanion));
  EXPECT_EQ(wizard.page(1).text(files_ids::kCounter), "File(s) added: 3");
}

TEST(Frame, ACloseRequestDuringTheSearchStopsItThenSavesAndCloses) {
  WizardHarness wizard;
  writeBrokenSite(wizard.folder);
  wizard.clickFrame(frame_ids::kNext);
  wizard.addFolder(wizard.folder.path() / "site");
  wizard.clickFrame(frame_ids::kNext);
  wizard.page(2).setChecked(wizard::options_ids::kCheckInternetUrls, false);
  quillorn::test_support::whenBrokenLinkPassRuns(wizard, [&] { wizard.frame->close(); });
  wizard.clickFrame(frame_ids::kNext);
  settle();
  EXPECT_EQ(wizard.frame->page(3).controls().text(wizard::search_ids::kStatusLine), "Stopped");
  EXPECT_FALSE(wizard.frame->isVisible());
  EXPECT_EQ(wizard.frame->result(), 0);
  EXPECT_TRUE(wizard.registry.keyExists(quillorn::kSettingsKeyPath));
}

// ---- Help and the companion ---------------------------------------------

struct HelpRow {
  const char* name;
  const char* programFile;
  const char* address;
};

class HelpAddressTest : public ::testing::TestWithParam<HelpRow> {};

TEST_P(HelpAddressTest, HelpAndF1OpenThePagesTopicBesideTheProgram) {
  WizardHarness wizard(false, GetParam().programFile);
  wizard.clickFrame(frame_ids::kHelp);
  QTest::keyClick(wizard.frame.get(), Qt::Key_F1);
  ASSERT_EQ(wizard.desktop.helpAddresses.size(), 2);
  EXPECT_EQ(wizard.desktop.helpAddresses[0], GetParam().address);
  EXPECT_EQ(wizard.desktop.helpAddresses[1], GetParam().address);
  wizard.clickFrame(frame_ids::kNext);
  wizard.clickFrame(frame_ids::kHelp);
  EXPECT_TRUE(wizard.desktop.helpAddresses.back().endsWith("::/Files/step2.htm>MainWnd"));
}

INSTANTIATE_TEST_SUITE_P(
    ProgramFolders, HelpAddressTest,
    ::testing::Values(
        HelpRow{"PosixSubFolder", "\\opt\\tools\\Quillorn", "\\opt\\tools\\UserGuide.chm::/Files/step1.htm>MainWnd"},
        HelpRow{"PosixRoot", "\\Quillorn", "\\UserGuide.chm::/Files/step1.htm>MainWnd"},
        HelpRow{"DriveFolder", "C:\\Tools\\Quillorn.exe", "C:\\Tools\\UserGuide.chm::/Files/step1.htm>MainWnd"},
        HelpRow{"DriveRoot", "C:\\Quillorn.exe", "C:\\\\UserGuide.chm::/Files/step1.htm>MainWnd"},
        HelpRow{"SlashesOnly", "C:/Tools/Quillorn.exe", "C:/Tools\\UserGuide.chm::/Files/step1.htm>MainWnd"}),
    [](const ::testing::TestParamInfo<HelpRow>& info) { return std::string(info.param.name); });

TEST(Frame, EveryPagesHelpTopicIsAPageOfTheGuideBesideTheWizard) {
  const std::string folder = quillorn::platform::toPathText(QUILLORN_WIZARD_DIR);
  for (const wizard::WizardStep& step : wizard::stepTable()) {
    const QString page = ui::helpTopicFile(QString::fromStdString(wizard::helpAddressOf(folder, step.helpTopic)));
    EXPECT_TRUE(page.endsWith(QString("/UserGuide/Files/") + step.helpTopic.data())) << step.helpTopic;
  }
  // Nothing for a topic the guide lacks, an address without a topic, or a
  // topic outside the guide (here the wizard's own file).
  for (const char* address :
       {"\\UserGuide.chm::/Files/step8.htm>MainWnd", "\\UserGuide.chm", "\\UserGuide.chm::/../Quillorn>MainWnd"}) {
    EXPECT_TRUE(ui::helpTopicFile(QString::fromStdString(folder + address)).isEmpty()) << address;
  }
}

TEST(Frame, TheCompanionButtonStartsTheCompanionBesideTheProgramFolder) {
  WizardHarness wizard(true);
  ASSERT_TRUE(wizard.frameControls().isEnabled(frame_ids::kCompanion));
  wizard.clickFrame(frame_ids::kCompanion);
  ASSERT_EQ(wizard.desktop.programs.size(), 1);
  EXPECT_EQ(wizard.desktop.programs[0].toStdString(),
            (wizard.folder.path() / "Quillorn" / ".." / "Ravelet" / "Ravelet").string());
}

// ---- About, links, keyboard and screen readers ----------------------------

TEST(Frame, TheAboutBoxOpensItsLinksAndClosesWithEsc) {
  WizardHarness wizard;
  bool seen = false;
  QTimer::singleShot(0, [&] {
    QWidget* about = QApplication::activeModalWidget();
    ASSERT_NE(about, nullptr);
    seen = true;
    EXPECT_EQ(about->windowTitle(), "About Quillorn");
    QWidget* web = about->findChild<QWidget*>("control1060");
    EXPECT_EQ(web->cursor().shape(), Qt::BitmapCursor);  // the program's own hand
    EXPECT_EQ(web->cursor().hotSpot(),
              QPoint(quillorn::wizard_resources::kHandCursorHotSpotX, quillorn::wizard_resources::kHandCursorHotSpotY));
    EXPECT_EQ(about->findChild<QWidget*>("control1059")->cursor().shape(), Qt::ArrowCursor);
    QTest::mouseClick(web, Qt::LeftButton);
    QTest::mouseClick(about->findChild<QWidget*>("control1061"), Qt::LeftButton);
    QTest::keyClick(about, Qt::Key_Escape);
  });
  wizard.clickFrame(frame_ids::kAbout);
  EXPECT_TRUE(seen);
  EXPECT_EQ(wizard.desktop.addresses, QStringList({"http://quillorn.example.org", "mailto:team@quillorn.example.org"}));
  QTest::mouseClick(wizard.frame->page(0).controls().control(wizard::welcome_ids::kNewsLink), Qt::LeftButton);
  EXPECT_EQ(wizard.desktop.addresses.back(), "http://quillorn.example.org/");
}

TEST(Frame, TabWalksTheFrameButtonsThenThePageControlsInTemplateOrder) {
  WizardHarness wizard;
  wizard.folder.write("site/a.html", "x");
  wizard.clickFrame(frame_ids::kNext);
  wizard.addFolder(wizard.folder.path() / "site");
  wizard.frameControls().setFocus(frame_ids::kAbout);
  QStringList names;
  for (int i = 0; i < 11; ++i) {
    names << QApplication::focusWidget()->accessibleName();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  }
  EXPECT_EQ(names,
            QStringList({"About...", "Help...", "<< Previous", "Next >>", "Exit", "Files for processing",
                         "Add file(s)...", "Add folder(s)...", "Include subfolders", "Remove", "Remove all..."}));
  EXPECT_EQ(QApplication::focusWidget()->accessibleName(), "About...");  // and round again
}

// The focus control as a screen reader names it.
QString focusName() {
  const QWidget* focus = QApplication::focusWidget();
  return focus != nullptr ? focus->accessibleName() : QString();
}

// Alt+`key` where the keyboard user is, and what it set going.
void pressAlt(Qt::Key key) {
  QTest::keyClick(QApplication::focusWidget(), key, Qt::AltModifier);
  settle();
}

TEST(Frame, AltNPAndXLeaveEveryPageSharedLettersCycleAndEachPageStartsAtItsFirstControl) {
  WizardHarness wizard(true);
  writeBrokenSite(wizard.folder);
  wizard.page(2).setChecked(wizard::options_ids::kCheckInternetUrls, false);
  EXPECT_EQ(focusName(), "Visit quillorn.example.org for news and new versions of Quillorn");
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);  // Enter on a link goes to Next
  EXPECT_TRUE(wizard.desktop.addresses.isEmpty());
  EXPECT_EQ(wizard.frame->currentStep(), 1);
  EXPECT_EQ(focusName(), "Files for processing");
  wizard.addFolder(wizard.folder.path() / "site");
  QStringList cycled;
  for (int i = 0; i < 3; ++i) {
    pressAlt(Qt::Key_R);  // "&Ravelet..." and "&Remove"
    cycled << focusName();
  }
  EXPECT_EQ(cycled, QStringList({"Ravelet...", "Remove", "Ravelet..."}));
  EXPECT_TRUE(wizard.desktop.programs.isEmpty());
  pressAlt(Qt::Key_P);
  EXPECT_EQ(wizard.frame->currentStep(), 0);
  pressAlt(Qt::Key_N);
  pressAlt(Qt::Key_N);
  EXPECT_EQ(focusName(), "Use Microsoft Internet Explorer's \"saved from url\" comment");
  pressAlt(Qt::Key_N);  // the search runs and hands the focus to Next
  EXPECT_EQ(wizard.frame->currentStep(), 3);
  EXPECT_EQ(focusName(), "Next >>");
  pressAlt(Qt::Key_N);
  EXPECT_EQ(focusName(), "Search results");
  pressAlt(Qt::Key_B);  // "A&bout..." and "&Browse..."
  EXPECT_EQ(focusName(), "About...");
  pressAlt(Qt::Key_B);
  EXPECT_EQ(focusName(), "Browse...");
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);  // presses it
  EXPECT_EQ(wizard.desktop.fileRequests.size(), 1u);

  pressAlt(Qt::Key_N);  // page 6, with "Do &not change" and "Re&place with URL:"
  EXPECT_EQ(wizard.frame->currentStep(), 5);
  EXPECT_EQ(focusName(), "Do not change");
  EXPECT_TRUE(wizard.page(5).hasFocus(wizard::deletion_ids::kTextKeep));
  wizard.desktop.answers = {ui::MessageAnswer::No, ui::MessageAnswer::Yes};
  pressAlt(Qt::Key_N);
  EXPECT_EQ(wizard.desktop.asked.size(), 1u);
  EXPECT_EQ(wizard.frame->currentStep(), 5);
  pressAlt(Qt::Key_P);
  EXPECT_EQ(wizard.frame->currentStep(), 4);
  pressAlt(Qt::Key_N);
  pressAlt(Qt::Key_N);
  EXPECT_EQ(wizard.frame->currentStep(), 6);
  EXPECT_EQ(focusName(), "Start over");
  pressAlt(Qt::Key_X);
  EXPECT_FALSE(wizard.frame->isVisible());
}

TEST(Frame, TheAboutBoxStartsOnOkWhichEnterPressesAndItsLinksTakeTabAndSpace) {
  WizardHarness wizard;
  QStringList focus;
  bool closedByEnter = false;
  QTimer::singleShot(0, [&] {
    QWidget* about = QApplication::activeModalWidget();
    ASSERT_NE(about, nullptr);
    focus << about->focusWidget()->accessibleName();
    for (int i = 0; i < 2; ++i) {
      QTest::keyClick(about->focusWidget(), Qt::Key_Tab);
      focus << about->focusWidget()->accessibleName();
    }
    QTest::keyClick(about->focusWidget(), Qt::Key_Space);   // the mail link
    QTest::keyClick(about->focusWidget(), Qt::Key_Return);  // OK, from a link
    closedByEnter = !about->isVisible();
    if (!closedByEnter) about->close();
  });
  wizard.clickFrame(frame_ids::kAbout);
  EXPECT_TRUE(closedByEnter);
  EXPECT_EQ(focus, QStringList({"OK", "quillorn.example.org", "team@quillorn.example.org"}));
  EXPECT_EQ(wizard.desktop.addresses, QStringList({"mailto:team@quillorn.example.org"}));
  EXPECT_EQ(QApplication::activeWindow(), wizard.frame.get());  // the frame has the keys again
}

TEST(Frame, EveryControlOfTheFrameAndItsPagesHasAnAccessibleName) {
  WizardHarness wizard;
  std::vector<QWidget*> windows = {wizard.frame.get()};
  for (int step = 0; step < wizard::kStepCount; ++step) windows.push_back(&wizard.frame->page(step));
  int named = 0;
  for (QWidget* window : windows) {
    for (QWidget* control : window->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
      if (dynamic_cast<ui::Page*>(control) != nullptr) continue;
      QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
      ASSERT_NE(accessible, nullptr);
      EXPECT_FALSE(accessible->text(QAccessible::Name).isEmpty()) << control->objectName().toStdString();
      ++named;
    }
  }
  EXPECT_GT(named, 30);
}

}  // namespace
