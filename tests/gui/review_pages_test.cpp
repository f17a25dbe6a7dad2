// Pages 5 and 6 driven through their real widgets: the results list's lines,
// groups and filters, each way of deciding about a group, ESC while the list
// is filled, and the deletion properties' defaults, enabling rules and Browse.

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include "tests/cli/cli_runner.h"
#include "tests/gui/wizard_harness.h"
#include "ui/list_box.h"
#include "wizard/resources/templates.h"
#include "wizard/shell/step_table.h"

namespace {

using quillorn::test_support::postEscape;
using quillorn::test_support::settle;
using quillorn::test_support::WizardHarness;
namespace ui = quillorn::ui;
namespace wizard = quillorn::wizard;
namespace frame_ids = wizard::frame_ids;
namespace results_ids = wizard::results_ids;
namespace deletion_ids = wizard::deletion_ids;
using wizard::kDeletionStep;
using wizard::kResultsStep;

// Broken links of every kind the list groups: one URL written three times
// (once in other letter case), an image written twice in two letter cases, a
// bare value, a page found under another folder, a web address without its
// protocol, a drive path.
void writeResultsSite(WizardHarness& wizard) {
  wizard.folder.write("site/index.html",
                      "<html><body>\n"
                      "<a href=\"gone.html\">one</a> <a href=\"gone.html\">two</a> <a href=\"GONE.html\">three</a>\n"
                      "<img src=\"images/Logo.GIF\"><img src=\"images/logo.gif\"> <img src=missing.gif>\n"
                      "<a href=\"old/page.html\">moved</a> <a href=\"www.example.com\">www</a>\n"
                      "<img src=\"C:\\site\\x.gif\">\n"
                      "</body></html>\n");
  wizard.folder.write("site/new/page.html", "<p>new</p>\n");
  wizard.folder.write("site/images/here.gif", "GIF89a");
}

const QStringList kAllLines = {
    R"(DELETE (3 URL(s)): "gone.html")",
    R"(REPLACE (1 URL(s)): "old/page.html" with "new/page.html")",
    R"(REPLACE (1 URL(s)): "www.example.com" with "http://www.example.com")",
    R"(DELETE (1 URL(s)): "www.example.com")",
    R"(DELETE (2 URL(s)): "images/Logo.GIF")",
    R"(DELETE (1 URL(s)): "missing.gif")",
    R"(DELETE (1 URL(s)): "C:\site\x.gif")",
};

// From page 1 to page 5, the site searched offline.
// Looks at every event of the program before it is delivered.
class EventProbe : public QObject {
 public:
  explicit EventProbe(std::function<void(QEvent*)> look) : look_(std::move(look)) { qApp->installEventFilter(this); }
  ~EventProbe() override { qApp->removeEventFilter(this); }
  bool eventFilter(QObject*, QEvent* event) override {
    look_(event);
    return false;
  }

 private:
  std::function<void(QEvent*)> look_;
};

void openResults(WizardHarness& wizard) {
  wizard.clickFrame(frame_ids::kNext);
  wizard.addFolder(wizard.folder.path() / "site");
  wizard.clickFrame(frame_ids::kNext);
  wizard.page(2).setChecked(wizard::options_ids::kCheckInternetUrls, false);
  wizard.clickFrame(frame_ids::kNext);
  wizard.clickFrame(frame_ids::kNext);
  settle();
}

QStringList lines(const WizardHarness& wizard) {
  const ui::ListBox* list = wizard.page(kResultsStep).listBox(results_ids::kList);
  QStringList shown;
  for (int row = 0; row < list->count(); ++row) shown << list->line(row);
  return shown;
}

void selectLine(const WizardHarness& wizard, int row) {
  wizard.page(kResultsStep).listBox(results_ids::kList)->selectRow(row);
  settle();
}

// Types `text` over the edit box's text, as a person would.
void typeReplacement(const WizardHarness& wizard, const QString& text) {
  auto* edit = dynamic_cast<QLineEdit*>(wizard.page(kResultsStep).control(results_ids::kReplacement));
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Delete);
  QTest::keyClicks(edit, text);
}

// The replacements of the entries of `group`, in table order.
std::vector<std::string> groupReplacements(const WizardHarness& wizard, int group) {
  std::vector<std::string> replacements;
  for (const quillorn::UrlEntry& entry : wizard.repair.urls().entries()) {
    if (entry.groupIndex == group) replacements.push_back(entry.replacement);
  }
  return replacements;
}

TEST(ResultsPage, GroupsEqualUrlsAndProposalsIntoOneLineEach) {
  WizardHarness wizard;
  writeResultsSite(wizard);
  openResults(wizard);

  EXPECT_EQ(wizard.title(), "Search results");
  EXPECT_EQ(lines(wizard), kAllLines);
  EXPECT_EQ(wizard.page(kResultsStep).text(results_ids::kCount), "URLs found: 7");
  // The first line is selected and shows its (empty) value.
  EXPECT_EQ(wizard.page(kResultsStep).listBox(results_ids::kList)->selectedRow(), 0);
  EXPECT_EQ(wizard.page(kResultsStep).text(results_ids::kReplacement), "");
  selectLine(wizard, 1);
  EXPECT_EQ(wizard.page(kResultsStep).text(results_ids::kReplacement), "new/page.html");
  EXPECT_FALSE(wizard.page(kResultsStep).isChecked(results_ids::kUseRelativePath));
  EXPECT_EQ(groupReplacements(wizard, 0).size(), 3u);
  EXPECT_TRUE(wizard.frameControls().isEnabled(frame_ids::kNext));
  EXPECT_TRUE(wizard.frameControls().isEnabled(frame_ids::kPrevious));
}

// ---- The two Hide boxes ----------------------------------------------------

struct FilterRow {
  const char* name;
  bool hideDelete;
  bool hideReplace;
  QStringList shown;
};

class ResultsFilterTest : public ::testing::TestWithParam<FilterRow> {};

TEST_P(ResultsFilterTest, HideBoxesLeaveOutTheirLines) {
  WizardHarness wizard;
  writeResultsSite(wizard);
  openResults(wizard);
  // The drive path kept as it is: a DO NOT CHANGE line, which Hide "Replace" hides too.
  selectLine(wizard, 6);
  wizard.clickPage(kResultsStep, results_ids::kDoNotChange);

  if (GetParam().hideDelete) wizard.clickPage(kResultsStep, results_ids::kHideDelete);
  if (GetParam().hideReplace) wizard.clickPage(kResultsStep, results_ids::kHideReplace);

  EXPECT_EQ(lines(wizard), GetParam().shown);
  const ui::ControlSet& page = wizard.page(kResultsStep);
  EXPECT_EQ(page.text(results_ids::kCount), QString("URLs found: %1").arg(GetParam().shown.size()));
  for (int id : {results_ids::kReplacement, results_ids::kApply, results_ids::kBrowse, results_ids::kDoNotChange,
                 results_ids::kUseRelativePath}) {
    EXPECT_EQ(page.isEnabled(id), !GetParam().shown.empty()) << id;
  }
  EXPECT_TRUE(page.isEnabled(results_ids::kHideDelete));
  EXPECT_TRUE(page.isEnabled(results_ids::kHideReplace));
  EXPECT_TRUE(wizard.frameControls().isEnabled(frame_ids::kNext));
  // A hidden entry belongs to no line.
  std::size_t grouped = 0;
  for (const quillorn::UrlEntry& entry : wizard.repair.urls().entries()) grouped += entry.groupIndex >= 0 ? 1 : 0;
  std::size_t counted = 0;
  const QRegularExpression count(R"((\d+) URL\(s\))");
  for (const QString& line : GetParam().shown) counted += count.match(line).captured(1).toUInt();
  EXPECT_EQ(grouped, counted);
}

INSTANTIATE_TEST_SUITE_P(
    Filters, ResultsFilterTest,
    ::testing::Values(
        FilterRow{"NeitherHidden",
                  false,
                  false,
                  {kAllLines[0], kAllLines[1], kAllLines[2], kAllLines[3], kAllLines[4], kAllLines[5],
                   R"(DO NOT CHANGE (1 URL(s)): "C:\site\x.gif")"}},
        FilterRow{
            "HideDelete", true, false, {kAllLines[1], kAllLines[2], R"(DO NOT CHANGE (1 URL(s)): "C:\site\x.gif")"}},
        FilterRow{
            "HideReplaceHidesDoNotChangeToo", false, true, {kAllLines[0], kAllLines[3], kAllLines[4], kAllLines[5]}},
        FilterRow{"BothHidden", true, true, {}}),
    [](const ::testing::TestParamInfo<FilterRow>& info) { return std::string(info.param.name); });

// ---- Decisions ------------------------------------------------------------------

enum class Way { Apply, DoNotChange, ClickRelative, Browse };

struct DecisionRow {
  const char* name;
  int line;
  Way way;
  QString text;         // typed into the edit box first (Apply, ClickRelative)
  bool relativeBefore;  // "Use relative path" before the decision
  QString lineAfter;    // "<site>" stands for the site's folder as path text
  bool relativeAfter;
  std::string replacement;  // of every entry of the group; "<site>" as above
};

class ResultsDecisionTest : public ::testing::TestWithParam<DecisionRow> {};

TEST_P(ResultsDecisionTest, DecisionReachesEveryEntryOfTheLineAndRebuildsIt) {
  const DecisionRow& row = GetParam();
  WizardHarness wizard;
  writeResultsSite(wizard);
  const std::string siteUrl = "file://" + (wizard.folder.path() / "site").string();
  openResults(wizard);
  const ui::ControlSet& page = wizard.page(kResultsStep);
  selectLine(wizard, row.line);
  page.setChecked(results_ids::kUseRelativePath, row.relativeBefore);

  switch (row.way) {
    case Way::Apply:
      typeReplacement(wizard, row.text);
      wizard.clickPage(kResultsStep, results_ids::kApply);
      break;
    case Way::DoNotChange: wizard.clickPage(kResultsStep, results_ids::kDoNotChange); break;
    case Way::ClickRelative:
      typeReplacement(wizard, row.text);
      wizard.clickPage(kResultsStep, results_ids::kUseRelativePath);
      break;
    case Way::Browse:
      wizard.desktop.fileAnswers.push_back(
          {QString::fromStdString((wizard.folder.path() / "site/images/here.gif").string())});
      wizard.clickPage(kResultsStep, results_ids::kBrowse);
      ASSERT_EQ(wizard.desktop.fileRequests.size(), 1u);
      EXPECT_EQ(wizard.desktop.fileRequests[0].title, "Replace");
      ASSERT_EQ(wizard.desktop.fileRequests[0].filters.size(), 6u);
      EXPECT_EQ(wizard.desktop.fileRequests[0].filters[2].label, "Image Files (*.gif, *.jpg, *.png, *.bmp)");
      EXPECT_EQ(wizard.desktop.fileRequests[0].filters[2].patterns, "*.gif;*.jpg;*.png");
      break;
  }

  QString expectedLine = row.lineAfter;
  expectedLine.replace("<site>", QString::fromStdString(siteUrl));
  QStringList expected = kAllLines;
  expected[row.line] = expectedLine;
  EXPECT_EQ(lines(wizard), expected);
  EXPECT_EQ(page.listBox(results_ids::kList)->selectedRow(), row.line);
  EXPECT_EQ(page.isChecked(results_ids::kUseRelativePath), row.relativeAfter);
  std::string replacement = row.replacement;
  quillorn::test_support::replaceAll(replacement, "<site>", siteUrl);
  for (const std::string& actual : groupReplacements(wizard, row.line)) EXPECT_EQ(actual, replacement);
  EXPECT_EQ(page.text(results_ids::kCount), "URLs found: 7");
}

INSTANTIATE_TEST_SUITE_P(
    Decisions, ResultsDecisionTest,
    ::testing::Values(
        DecisionRow{"ApplyEmptyMakesADeletion", 1, Way::Apply, "", true, R"(DELETE (1 URL(s)): "old/page.html")", false,
                    ""},
        DecisionRow{"ApplyEmptyOnABareValueKeepsTwoQuotes", 5, Way::Apply, "", false,
                    R"(DELETE (1 URL(s)): "missing.gif")", false, "\"\""},
        DecisionRow{"ApplyOnABareValueKeepsItsQuotes", 5, Way::Apply, "new pic.gif", false,
                    R"(REPLACE (1 URL(s)): "missing.gif" with "new pic.gif")", false, "\"new pic.gif\""},
        DecisionRow{"ApplyInternetUrlUnchecksRelativePath", 0, Way::Apply, "http://example.com/new.html", true,
                    R"(REPLACE (3 URL(s)): "GONE.html" with "http://example.com/new.html")", false,
                    "http://example.com/new.html"},
        DecisionRow{"ApplyMailtoUnchecksRelativePath", 0, Way::Apply, "mailto:ann@example.com", true,
                    R"(REPLACE (3 URL(s)): "GONE.html" with "mailto:ann@example.com")", false,
                    "mailto:ann@example.com"},
        DecisionRow{"ApplyDrivePathWithRelativePath", 0, Way::Apply, R"(C:\site\a.htm)", true,
                    R"(REPLACE (relative path, 3 URL(s)): "GONE.html" with "C:\site\a.htm")", true,
                    R"(???C:\site\a.htm)"},
        DecisionRow{"ApplyDrivePathWithoutRelativePath", 0, Way::Apply, R"(C:\site\a.htm)", false,
                    R"(REPLACE (3 URL(s)): "GONE.html" with "C:\site\a.htm")", false, R"(C:\site\a.htm)"},
        DecisionRow{"DoNotChangeDrivePathWithRelativePath", 6, Way::DoNotChange, "", true,
                    R"(REPLACE (relative path, 1 URL(s)): "C:\site\x.gif" with "C:\site\x.gif")", true,
                    R"(???C:\site\x.gif)"},
        DecisionRow{"DoNotChangeDrivePathWithoutRelativePath", 6, Way::DoNotChange, "", false,
                    R"(DO NOT CHANGE (1 URL(s)): "C:\site\x.gif")", false, R"(C:\site\x.gif)"},
        // The first entry's spelling for the whole group; the line is made
        // from the last entry, which is written otherwise.
        DecisionRow{"DoNotChangeWritesTheFirstSpellingForTheGroup", 4, Way::DoNotChange, "", false,
                    R"(REPLACE (2 URL(s)): "images/logo.gif" with "images/Logo.GIF")", false, "images/Logo.GIF"},
        DecisionRow{"ClickingRelativePathAppliesAtOnce", 0, Way::ClickRelative, R"(C:\site\b.htm)", false,
                    R"(REPLACE (relative path, 3 URL(s)): "GONE.html" with "C:\site\b.htm")", true,
                    R"(???C:\site\b.htm)"},
        DecisionRow{"BrowseGivesAFileUrlMadeRelative", 4, Way::Browse, "", false,
                    R"(REPLACE (relative path, 2 URL(s)): "images/logo.gif" with "<site>/images/here.gif")", true,
                    R"(???<site>/images/here.gif)"}),
    [](const ::testing::TestParamInfo<DecisionRow>& info) { return std::string(info.param.name); });

TEST(ResultsPage, ABrowseThatIsCancelledChangesNothing) {
  WizardHarness wizard;
  writeResultsSite(wizard);
  openResults(wizard);
  selectLine(wizard, 1);
  wizard.clickPage(kResultsStep, results_ids::kBrowse);
  EXPECT_EQ(lines(wizard), kAllLines);
  EXPECT_EQ(wizard.page(kResultsStep).text(results_ids::kReplacement), "new/page.html");
}

TEST(ResultsPage, DecisionsSurviveATripToPageSixAndEqualLinesBecomeOne) {
  WizardHarness wizard;
  writeResultsSite(wizard);
  openResults(wizard);
  selectLine(wizard, 5);  // missing.gif, a bare value: its replacement stays quoted
  typeReplacement(wizard, "images/here.gif");
  wizard.clickPage(kResultsStep, results_ids::kApply);
  selectLine(wizard, 3);
  typeReplacement(wizard, "http://www.example.com");
  wizard.clickPage(kResultsStep, results_ids::kApply);
  wizard.clickFrame(frame_ids::kNext);
  wizard.clickFrame(frame_ids::kPrevious);
  settle();
  EXPECT_EQ(
      lines(wizard),
      (QStringList{kAllLines[0], kAllLines[1], R"(REPLACE (2 URL(s)): "www.example.com" with "http://www.example.com")",
                   kAllLines[4], R"(REPLACE (1 URL(s)): "missing.gif" with "images/here.gif")", kAllLines[6]}));
}

TEST(ResultsPage, ApplyKeepsTheLinesPlaceAndTheListsScrollPosition) {
  WizardHarness wizard;
  std::string page = "<html>\n";
  for (int i = 0; i < 80; ++i) page += "<a href=\"gone-" + std::to_string(i) + ".html\">x</a>\n";
  wizard.folder.write("site/index.html", page);
  openResults(wizard);
  ui::ListBox* list = wizard.page(kResultsStep).listBox(results_ids::kList);
  ASSERT_EQ(list->count(), 80);
  list->verticalScrollBar()->setValue(list->verticalScrollBar()->maximum() / 2);
  settle();
  const int top = list->indexAt(QPoint(1, 1)).row();
  ASSERT_GT(top, 0);
  selectLine(wizard, top + 2);
  typeReplacement(wizard, "index.html");
  wizard.clickPage(kResultsStep, results_ids::kApply);
  EXPECT_EQ(list->indexAt(QPoint(1, 1)).row(), top);
  EXPECT_EQ(list->selectedRow(), top + 2);
  EXPECT_EQ(list->line(top + 2), QString(R"(REPLACE (1 URL(s)): "gone-%1.html" with "index.html")").arg(top + 2));
  EXPECT_EQ(list->line(top + 3), QString(R"(DELETE (1 URL(s)): "gone-%1.html")").arg(top + 3));
}

TEST(ResultsPage, EscWhileFillingKeepsTheLinesMadeSoFarWithTheHideBoxesLocked) {
  WizardHarness wizard;
  std::string page = "<html>\n";
  for (int i = 0; i < 300; ++i) page += "<a href=\"gone-" + std::to_string(i) + ".html\">x</a>\n";
  wizard.folder.write("site/index.html", page);
  wizard.clickFrame(frame_ids::kNext);
  wizard.addFolder(wizard.folder.path() / "site");
  wizard.clickFrame(frame_ids::kNext);
  wizard.page(2).setChecked(wizard::options_ids::kCheckInternetUrls, false);
  wizard.clickFrame(frame_ids::kNext);
  settle();

  // ESC, queued behind the page's start request, arrives in the fill's first
  // poll; what is locked is looked at as it arrives.
  bool hideDeleteOn = true;
  bool hideReplaceOn = true;
  bool nextOn = true;
  EventProbe probe([&](QEvent* event) {
    if (event->type() != QEvent::KeyPress || static_cast<QKeyEvent*>(event)->key() != Qt::Key_Escape) return;
    hideDeleteOn = wizard.page(kResultsStep).isEnabled(results_ids::kHideDelete);
    hideReplaceOn = wizard.page(kResultsStep).isEnabled(results_ids::kHideReplace);
    nextOn = wizard.frameControls().isEnabled(frame_ids::kNext);
  });
  dynamic_cast<QAbstractButton*>(wizard.frameControls().control(frame_ids::kNext))->click();
  postEscape(wizard.frame.get(), Qt::LowEventPriority);
  settle();

  EXPECT_FALSE(hideDeleteOn);
  EXPECT_FALSE(hideReplaceOn);
  EXPECT_FALSE(nextOn);
  const ui::ControlSet& results = wizard.page(kResultsStep);
  EXPECT_EQ(results.text(results_ids::kCount), "Stopped");
  const int made = results.listBox(results_ids::kList)->count();
  EXPECT_GE(made, 1);
  EXPECT_LT(made, 300);
  EXPECT_TRUE(results.isEnabled(results_ids::kHideReplace));
  EXPECT_TRUE(wizard.frameControls().isEnabled(frame_ids::kNext));
  // The lines made can be decided about; the entries not reached belong to none.
  typeReplacement(wizard, "index.html");
  wizard.clickPage(kResultsStep, results_ids::kApply);
  EXPECT_EQ(results.listBox(results_ids::kList)->line(0), R"(REPLACE (1 URL(s)): "gone-0.html" with "index.html")");
  EXPECT_EQ(wizard.repair.urls().entry(299).groupIndex, -1);
  EXPECT_EQ(wizard.repair.urls().entry(299).replacement, "");
}

// ---- Page 6 -----------------------------------------------------------------------

void openDeletion(WizardHarness& wizard) {
  writeResultsSite(wizard);
  openResults(wizard);
  wizard.clickFrame(frame_ids::kNext);
}

TEST(DeletionPage, StartsWithKeepEverywhereBothBoxesCheckedAndTheUrlBoxesOff) {
  WizardHarness wizard;
  openDeletion(wizard);
  EXPECT_EQ(wizard.title(), "Link deletion properties");
  const ui::ControlSet& page = wizard.page(kDeletionStep);
  for (int id : {deletion_ids::kTextKeep, deletion_ids::kImageKeep, deletion_ids::kBackgroundKeep,
                 deletion_ids::kOtherKeep, deletion_ids::kRelativePaths, deletion_ids::kMakeBackups}) {
    EXPECT_TRUE(page.isChecked(id)) << id;
  }
  for (int id : {deletion_ids::kImageUrl, deletion_ids::kImageBrowse, deletion_ids::kBackgroundUrl,
                 deletion_ids::kBackgroundBrowse}) {
    EXPECT_FALSE(page.isEnabled(id)) << id;
  }
  // The choice that nothing would carry out is offered off, saying why.
  EXPECT_FALSE(page.isEnabled(deletion_ids::kOtherEmptyOrDelete));
  EXPECT_TRUE(page.control(deletion_ids::kOtherEmptyOrDelete)->toolTip().contains("never changed"));
  EXPECT_TRUE(wizard.frameControls().isEnabled(frame_ids::kNext));
  EXPECT_TRUE(wizard.frameControls().isEnabled(frame_ids::kPrevious));
}

struct EnableRow {
  const char* name;
  int replace;  // the group's "Replace with URL:"
  int other;    // another button of the same group
  int url;
  int browse;
  int otherUrl;  // the other group's edit box, which stays off
};

class DeletionEnableTest : public ::testing::TestWithParam<EnableRow> {};

TEST_P(DeletionEnableTest, ReplaceWithUrlTurnsOnItsBoxAndBrowseOnly) {
  const EnableRow& row = GetParam();
  WizardHarness wizard;
  openDeletion(wizard);
  const ui::ControlSet& page = wizard.page(kDeletionStep);
  wizard.clickPage(kDeletionStep, row.replace);
  EXPECT_TRUE(page.isEnabled(row.url));
  EXPECT_TRUE(page.isEnabled(row.browse));
  EXPECT_FALSE(page.isEnabled(row.otherUrl));

  // Browse: the chosen file as an absolute file:// URL, the image filters.
  const std::filesystem::path blank = wizard.folder.path() / "site/images/here.gif";
  wizard.desktop.fileAnswers.push_back({QString::fromStdString(blank.string())});
  wizard.clickPage(kDeletionStep, row.browse);
  const QString url = QString::fromStdString("file://" + blank.string());
  EXPECT_EQ(page.text(row.url), url);
  ASSERT_EQ(wizard.desktop.fileRequests.size(), 1u);
  EXPECT_EQ(wizard.desktop.fileRequests[0].title, "Replace");
  ASSERT_EQ(wizard.desktop.fileRequests[0].filters.size(), 2u);
  EXPECT_EQ(wizard.desktop.fileRequests[0].filters[0].label, "Image Files (*.gif, *.jpg, *.png, *.bmp)");
  EXPECT_EQ(wizard.desktop.fileRequests[0].filters[0].patterns, "*.gif;*.jpg;*.png");
  EXPECT_EQ(wizard.desktop.fileRequests[0].filters[1].patterns, "*.*");
  // A cancelled Browse keeps the text.
  wizard.clickPage(kDeletionStep, row.browse);
  EXPECT_EQ(page.text(row.url), url);

  // Another choice of the group turns them off and keeps the text.
  wizard.clickPage(kDeletionStep, row.other);
  EXPECT_FALSE(page.isEnabled(row.url));
  EXPECT_FALSE(page.isEnabled(row.browse));
  EXPECT_EQ(page.text(row.url), url);
}

INSTANTIATE_TEST_SUITE_P(Groups, DeletionEnableTest,
                         ::testing::Values(EnableRow{"Images", deletion_ids::kImageReplace, deletion_ids::kImageEmpty,
                                                     deletion_ids::kImageUrl, deletion_ids::kImageBrowse,
                                                     deletion_ids::kBackgroundUrl},
                                           EnableRow{"Backgrounds", deletion_ids::kBackgroundReplace,
                                                     deletion_ids::kBackgroundKeep, deletion_ids::kBackgroundUrl,
                                                     deletion_ids::kBackgroundBrowse, deletion_ids::kImageUrl}),
                         [](const ::testing::TestParamInfo<EnableRow>& info) { return std::string(info.param.name); });

TEST(DeletionPage, ItsControlsAreTheOptionsTheRewritingReads) {
  WizardHarness wizard;
  openDeletion(wizard);
  const quillorn::Settings& settings = wizard.repair.settings();
  wizard.clickPage(kDeletionStep, deletion_ids::kTextConvert);
  wizard.clickPage(kDeletionStep, deletion_ids::kImageReplace);
  wizard.clickPage(kDeletionStep, deletion_ids::kBackgroundEmpty);
  wizard.clickPage(kDeletionStep, deletion_ids::kRelativePaths);
  wizard.clickPage(kDeletionStep, deletion_ids::kMakeBackups);
  QTest::keyClicks(wizard.page(kDeletionStep).control(deletion_ids::kImageUrl), "blank.gif");
  EXPECT_EQ(settings.textLinkAction, quillorn::DeletionChoice::ConvertToText);
  EXPECT_EQ(settings.imageUrlAction, quillorn::DeletionChoice::ReplaceWithUrl);
  EXPECT_EQ(settings.backgroundUrlAction, quillorn::DeletionChoice::MakeEmpty);
  EXPECT_EQ(settings.otherUrlAction, quillorn::DeletionChoice::Keep);
  EXPECT_EQ(settings.deletionRelativePaths, 0u);
  EXPECT_EQ(settings.makeBackups, 0u);
  EXPECT_EQ(settings.imageReplacementUrl, "blank.gif");
}

}  // namespace
