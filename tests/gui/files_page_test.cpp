// Page 2 driven through its real widgets: the choosers' answers go into the
// file list and the list on screen mirrors it through adds, removals and stops.

#include <QAbstractButton>
#include <QApplication>
#include <QItemSelectionModel>

#include <gtest/gtest.h>

#include "platform/host_path.h"
#include "tests/gui/wizard_harness.h"
#include "ui/list_box.h"
#include "ui/text.h"
#include "wizard/resources/templates.h"

namespace {

using quillorn::test_support::postEscape;
using quillorn::test_support::settle;
using quillorn::test_support::WizardHarness;
namespace ui = quillorn::ui;
namespace frame_ids = quillorn::wizard::frame_ids;
namespace files_ids = quillorn::wizard::files_ids;

class FilesPage : public ::testing::Test {
 protected:
  FilesPage() { wizard.clickFrame(frame_ids::kNext); }

  ui::ListBox& list() const { return *wizard.page(1).listBox(files_ids::kList); }
  QStringList shownLines() const {
    QStringList lines;
    for (int row = 0; row < list().count(); ++row) lines << list().line(row);
    return lines;
  }
  // The file list as a person reads it.
  QStringList listedFiles() const {
    QStringList paths;
    for (const std::string& path : wizard.repair.files().paths()) paths << ui::displayPath(path);
    return paths;
  }
  QString host(const char* relative) const {
    return QString::fromStdString((wizard.folder.path() / relative).string());
  }

  WizardHarness wizard;
};

TEST_F(FilesPage, AddFilesSkipsListedFilesAndKeepsTheChoosersOrder) {
  for (const char* name : {"site/a.htm", "site/b.css", "site/c.js"}) wizard.folder.write(name, "x");
  wizard.desktop.fileAnswers = {{host("site/a.htm"), host("site/b.css")}, {host("site/c.js"), host("site/a.htm")}};
  wizard.clickPage(1, files_ids::kAddFiles);
  wizard.clickPage(1, files_ids::kAddFiles);

  EXPECT_EQ(shownLines(), QStringList({host("site/a.htm"), host("site/b.css"), host("site/c.js")}));
  EXPECT_EQ(listedFiles(), shownLines());
  EXPECT_EQ(wizard.page(1).text(files_ids::kCounter), "File(s) added: 3");
  EXPECT_TRUE(wizard.frameControls().isEnabled(frame_ids::kNext));
  EXPECT_EQ(wizard.repair.files().lastBrowseLocation, quillorn::platform::toPathText(wizard.folder.path() / "site"));

  const ui::FileChooserRequest& request = wizard.desktop.fileRequests.at(0);
  EXPECT_EQ(request.title, "Add File(s)");
  ASSERT_EQ(request.filters.size(), 6u);
  EXPECT_EQ(request.filters[0].label,
            "All HTML-related Files (*.htm, *.html, *.shtml, *.gif, *.jpg, *.png, *.css, *.js)");
  EXPECT_EQ(request.filters[2].patterns, "*.gif;*.jpg;*.png");
}

TEST_F(FilesPage, TheListMirrorsTheFileListThroughRemovalsAndAddsAgain) {
  for (const char* name : {"site/b.htm", "site/A.htm", "site/c.gif", "site/sub/z.htm", "site/Sub2/y.htm"}) {
    wizard.folder.write(name, "x");
  }
  wizard.addFolder(wizard.folder.path() / "site");
  wizard.addFolder(wizard.folder.path() / "site");  // adds nothing
  EXPECT_EQ(shownLines(), QStringList({host("site/A.htm"), host("site/b.htm"), host("site/c.gif"),
                                       host("site/sub/z.htm"), host("site/Sub2/y.htm")}));
  const int widest = list().horizontalExtent();

  QItemSelectionModel* selection = list().selectionModel();
  for (int row : {0, 2, 4}) selection->select(list().model()->index(row, 0), QItemSelectionModel::Select);
  wizard.clickPage(1, files_ids::kRemove);
  EXPECT_EQ(shownLines(), QStringList({host("site/b.htm"), host("site/sub/z.htm")}));
  EXPECT_EQ(listedFiles(), shownLines());
  EXPECT_LT(list().horizontalExtent(), widest);  // measured again over what is left

  wizard.addFolder(wizard.folder.path() / "site");  // the missing ones come back, sorted, at the end
  EXPECT_EQ(shownLines(), QStringList({host("site/b.htm"), host("site/sub/z.htm"), host("site/A.htm"),
                                       host("site/c.gif"), host("site/Sub2/y.htm")}));
  EXPECT_EQ(listedFiles(), shownLines());
}

TEST_F(FilesPage, RemoveAllAsksFirstAndThenTurnsTheButtonsOff) {
  wizard.folder.write("site/a.htm", "x");
  wizard.addFolder(wizard.folder.path() / "site");
  wizard.page(1).setFocus(files_ids::kRemoveAll);
  wizard.desktop.answers = {ui::MessageAnswer::No, ui::MessageAnswer::Yes};
  wizard.clickPage(1, files_ids::kRemoveAll);
  EXPECT_EQ(list().count(), 1);
  ASSERT_EQ(wizard.desktop.asked.size(), 1u);
  EXPECT_EQ(wizard.desktop.asked[0].title, "Remove All");
  EXPECT_EQ(wizard.desktop.asked[0].text, "Do you really want to clear the list?");
  EXPECT_EQ(wizard.desktop.asked[0].icon, ui::MessageIcon::Question);

  wizard.clickPage(1, files_ids::kRemoveAll);
  EXPECT_EQ(list().count(), 0);
  EXPECT_TRUE(wizard.repair.files().empty());
  EXPECT_EQ(list().horizontalExtent(), 0);
  EXPECT_EQ(wizard.page(1).text(files_ids::kCounter), "File(s) added: 0");
  EXPECT_FALSE(wizard.frameControls().isEnabled(frame_ids::kNext));
  EXPECT_FALSE(wizard.page(1).isEnabled(files_ids::kRemove));
  EXPECT_FALSE(wizard.page(1).isEnabled(files_ids::kRemoveAll));
  EXPECT_TRUE(wizard.page(1).hasFocus(files_ids::kAddFiles));
}

TEST_F(FilesPage, TheListKeepsItsSidewaysExtentBackFromPage3ButNotFromPage1) {
  wizard.folder.write("site/a.htm", "x");
  wizard.addFolder(wizard.folder.path() / "site");
  const int extent = list().horizontalExtent();
  ASSERT_GT(extent, 0);
  wizard.clickFrame(frame_ids::kNext);
  wizard.clickFrame(frame_ids::kPrevious);
  EXPECT_EQ(list().horizontalExtent(), extent);
  wizard.clickFrame(frame_ids::kPrevious);
  wizard.clickFrame(frame_ids::kNext);
  EXPECT_EQ(list().horizontalExtent(), 0);  // until the next add or removal widens it
  EXPECT_EQ(list().count(), 1);
}

TEST_F(FilesPage, EscStopsAnAddOnlyWhileTheWizardIsTheActiveWindow) {
  for (int i = 0; i < 5; ++i) {
    wizard.folder.write("site/page" + std::to_string(i) + ".html", "x");
    wizard.folder.write("site/more/page" + std::to_string(i) + ".html", "x");
  }
  QWidget elsewhere;  // stands for another program's window
  elsewhere.show();
  elsewhere.activateWindow();
  settle();
  wizard.desktop.whileChoosing = [&] {
    postEscape(&elsewhere);
    postEscape(wizard.frame.get());
  };
  wizard.addFolder(wizard.folder.path() / "site");
  EXPECT_EQ(list().count(), 10);

  wizard.desktop.answers = {ui::MessageAnswer::Yes};
  wizard.clickPage(1, files_ids::kRemoveAll);
  wizard.frame->activateWindow();
  settle();
  wizard.desktop.whileChoosing = [&] { postEscape(wizard.frame.get()); };
  wizard.addFolder(wizard.folder.path() / "site");
  // The first poll comes after the first name read; that name is still added.
  EXPECT_EQ(list().count(), 1);
  EXPECT_EQ(listedFiles(), shownLines());
  EXPECT_EQ(wizard.page(1).text(files_ids::kCounter), "File(s) added: 1");
  EXPECT_TRUE(wizard.page(1).isEnabled(files_ids::kAddFolders));
  EXPECT_TRUE(wizard.frameControls().isEnabled(frame_ids::kNext));
}

}  // namespace
