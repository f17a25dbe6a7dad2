// The window layer on its own: the dialog-unit mapping, posted requests
// after painting, the lists' horizontal extent, the boxes and choosers as
// the desktop is asked for them.

#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>

#include <gtest/gtest.h>

#include <array>

#include "platform/host_path.h"
#include "tests/gui/wizard_harness.h"
#include "ui/desktop.h"
#include "ui/dialog_units.h"
#include "ui/list_box.h"
#include "ui/template_window.h"

namespace {

using quillorn::test_support::settle;
namespace ui = quillorn::ui;

struct MappingRow {
  const char* name;
  ui::DialogRect rect;
  ui::BaseUnits units;
  QRect pixels;
};

class DialogUnitsTest : public ::testing::TestWithParam<MappingRow> {};

TEST_P(DialogUnitsTest, MapsEachEdgeWithRounding) {
  EXPECT_EQ(ui::mapDialogRect(GetParam().rect, GetParam().units), GetParam().pixels);
}

INSTANTIATE_TEST_SUITE_P(Rects, DialogUnitsTest,
                         ::testing::Values(MappingRow{"Frame", {0, 0, 342, 221}, {6, 13}, {0, 0, 513, 359}},
                                           MappingRow{"PageOrigin", {105, 5, 231, 186}, {6, 13}, {158, 8, 346, 302}},
                                           MappingRow{"WideFont", {7, 201, 50, 14}, {7, 13}, {12, 327, 88, 22}},
                                           // Starts on the pixel where the button above ends: no gap, no overlap.
                                           MappingRow{"Neighbour", {57, 201, 2, 14}, {7, 13}, {100, 327, 3, 22}}),
                         [](const ::testing::TestParamInfo<MappingRow>& info) { return std::string(info.param.name); });

// Records what it was told, in order.
class RecordingPage : public ui::Page {
 public:
  explicit RecordingPage(QWidget* frame) : ui::Page(frame, kEmpty) {}
  QStringList events;

 protected:
  void onShow(bool shown) override {
    events << (shown ? "shown" : "hidden");
    if (shown) postCommand(0xFFFF0007U);
  }
  void onCommand(int id, int code) override { events << QString("command %1 %2").arg(id).arg(code, 0, 16); }
  void paintEvent(QPaintEvent*) override { events << "painted"; }

 private:
  static constexpr ui::DialogTemplate kEmpty = {900, "", 20, 20, {}};
};

TEST(TemplateWindow, APostedRequestArrivesAfterTheShowNotificationAndAPaint) {
  QWidget frame;
  auto* page = new RecordingPage(&frame);
  frame.show();
  page->show();
  settle();
  page->hide();
  ASSERT_GE(page->events.size(), 4) << page->events.join(",").toStdString();
  EXPECT_EQ(page->events.front(), "shown");
  const qsizetype command = page->events.indexOf("command 7 ffff");
  ASSERT_GT(command, 0);
  EXPECT_EQ(page->events[command - 1], "painted");
  EXPECT_EQ(page->events.back(), "hidden");
}

TEST(ListBox, TheExtentIsTheWidestLinePlus180AndOnlyGrowsUntilReset) {
  QWidget window;
  auto* list = new ui::ListBox(&window, false);
  list->setGeometry(0, 0, 200, 100);
  window.show();
  const QString wide(120, QChar('W'));
  const int wideWidth = list->textWidth(wide);
  list->appendLine(wide);
  list->widenHorizontalExtent(wide);
  list->appendLine("short");
  list->widenHorizontalExtent("short");
  settle();
  EXPECT_GT(wideWidth, list->textWidth("short"));
  EXPECT_EQ(list->horizontalExtent(), wideWidth + ui::ListBox::kExtentMargin);
  // Scrolled to the end, the view shows the line's end and 180 pixels more.
  EXPECT_EQ(list->horizontalScrollBar()->maximum() + list->viewport()->width(), list->horizontalExtent());

  list->clear();
  list->setHorizontalExtent(0);
  list->widenHorizontalExtent("short");
  EXPECT_EQ(list->horizontalExtent(), list->textWidth("short") + ui::ListBox::kExtentMargin);
}

TEST(Desktop, TheRealMessageBoxHasTheTitleTextIconAndDefaultAskedFor) {
  const auto box =
      ui::makeMessageBox(nullptr, {"Remove All", "Do you really want to clear the list?", ui::MessageIcon::Question,
                                   ui::MessageButtons::YesNo, ui::MessageAnswer::No});
  EXPECT_EQ(box->windowTitle(), "Remove All");
  EXPECT_EQ(box->text(), "Do you really want to clear the list?");
  EXPECT_EQ(box->icon(), QMessageBox::Question);
  EXPECT_EQ(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
  EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::No));
  EXPECT_EQ(box->windowModality(), Qt::ApplicationModal);
}

struct ChooserRow {
  const char* name;
  QStringList chosen;                              // host paths
  std::vector<std::vector<std::string>> expected;  // path text
};

class FileSelectionsTest : public ::testing::TestWithParam<ChooserRow> {};

TEST_P(FileSelectionsTest, OneSelectionPerFolderInTheFileListsForm) {
  quillorn::test_support::ScriptedDesktop desktop;
  desktop.fileAnswers.push_back(GetParam().chosen);
  EXPECT_EQ(ui::chooseFileSelections(nullptr, {}), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, FileSelectionsTest,
    ::testing::Values(ChooserRow{"Cancelled", {}, {}}, ChooserRow{"OneFile", {"/site/a.htm"}, {{"\\site\\a.htm"}}},
                      ChooserRow{"OneFolder", {"/site/a.htm", "/site/b.css"}, {{"\\site", "a.htm", "b.css"}}},
                      ChooserRow{"TwoFolders",
                                 {"/site/a.htm", "/site/b.css", "/site/img/c.gif"},
                                 {{"\\site", "a.htm", "b.css"}, {"\\site\\img\\c.gif"}}},
                      ChooserRow{"UnderTheRoot", {"/a.htm", "/b.htm"}, {{"\\", "a.htm", "b.htm"}}}),
    [](const ::testing::TestParamInfo<ChooserRow>& info) { return std::string(info.param.name); });

}  // namespace
