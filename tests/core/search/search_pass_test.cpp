#include "core/search/search_pass.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "core/search/url_classifier.h"
#include "platform/file_access.h"
#include "platform/host_path.h"
#include "tests/support/search_harness.h"
#include "tests/support/temp_folder.h"

namespace quillorn {
namespace {

namespace fs = std::filesystem;
using test_support::RecordingPanel;

constexpr std::string_view kSavedFromHeader = ">> Searching for \"saved from url\"...";
constexpr std::string_view kBrokenLinkHeader = ">> Searching for broken links...";

// The search's tables over a folder of the test's own.
class SearchPassTest : public ::testing::Test, public test_support::SearchHarness {
 protected:
  SearchPassTest() : SearchHarness({}) {}
  void SetUp() override {
    ASSERT_NO_THROW(folder_.emplace("quillorn-search"));
    root_ = folder_->path();
  }

  // A search that is not refused.
  SearchOutcome runFullSearch() {
    Outcome<SearchOutcome, SearchError> searched = search(context);
    EXPECT_TRUE(searched.ok());
    return searched.ok() ? searched.value() : SearchOutcome{};
  }

  // Writes `bytes` to `relative` under the test folder; returns its path text.
  std::string writeFile(const std::string& relative, std::string_view bytes) {
    return platform::toPathText(folder_->write(relative, bytes));
  }

  // Writes the file and appends it to the file list.
  std::string addFile(const std::string& relative, std::string_view bytes) {
    const std::string pathText = writeFile(relative, bytes);
    files.addSelectedFiles({pathText}, StopPoll());
    return pathText;
  }

  // The start of a file's status line: host path, size and encoding.
  static std::string lineStart(const std::string& pathText, std::string_view encoding = " ASCII") {
    std::error_code error;
    const auto size = fs::file_size(platform::toHostPath(pathText), error);
    return platform::displayPath(pathText) + " (" + std::to_string(size) + " bytes):" + std::string(encoding);
  }

  static std::string scannedLine(const std::string& pathText, int broken, std::string_view encoding = " ASCII") {
    return lineStart(pathText, encoding) + ", " + std::to_string(broken) + " broken URL(s) found";
  }

  std::optional<test_support::TempFolder> folder_;
  fs::path root_;
};

std::vector<std::string> strings(std::initializer_list<std::string_view> items) { return {items.begin(), items.end()}; }

TEST_F(SearchPassTest, StatusLinesOfBothPassesInListOrder) {
  const std::string index = addFile("index.htm",
                                    "<html><!-- saved from url=(0031)http://www.example.com/index.htm -->\n"
                                    "<a href=\"missing.htm\">m</a><img src=\"logo.gif\"></html>\n");
  const std::string about = addFile("about.htm", "<p><a href=\"index.htm\">home</a></p>\n");
  const std::string style = addFile("style.css", "body { background: url(gone.gif) }\n");
  const std::string script = addFile("app.js", "var count = 1;\n");
  addFile("logo.gif", "GIF89a");

  const SearchOutcome outcome = runFullSearch();

  EXPECT_EQ(panel.lines,
            strings({kSavedFromHeader, lineStart(index) + ", saved from \"http://www.example.com/index.htm\"",
                     lineStart(about) + ", no \"saved from url\" was found", kBrokenLinkHeader, scannedLine(index, 1),
                     scannedLine(about, 0), scannedLine(style, 1), scannedLine(script, 0)}));
  EXPECT_EQ(outcome.end, PassEnd::Done);
  EXPECT_EQ(outcome.brokenTotal, 2);
  EXPECT_EQ(outcome.droppedFindings, 0u);
  EXPECT_EQ(outcome.statusText, "Done (2 change(s) in 5 file(s))");
  EXPECT_EQ(panel.status, PanelStatus::Done);
  EXPECT_EQ(panel.statusText, outcome.statusText);
  EXPECT_EQ(panel.overallUpper, 5);
  EXPECT_EQ(panel.overallPosition, 5);

  ASSERT_EQ(urls.count(), 2u);
  EXPECT_EQ(urls.entry(0).url, "missing.htm");
  EXPECT_EQ(urls.entry(0).fileIndex, 0);
  EXPECT_EQ(urls.entry(1).url, "gone.gif");
  EXPECT_EQ(urls.entry(1).fileIndex, 2);
  ASSERT_EQ(savedFrom.count(), 1u);
  EXPECT_EQ(savedFrom.entry(0).savedFileIndex, 0);
}

TEST_F(SearchPassTest, EmptyListWritesHeadersAndCountsNothing) {
  const SearchOutcome outcome = runFullSearch();
  EXPECT_EQ(panel.lines, strings({kSavedFromHeader, kBrokenLinkHeader}));
  EXPECT_EQ(outcome.end, PassEnd::Done);
  EXPECT_EQ(outcome.brokenTotal, 0);
  EXPECT_EQ(outcome.statusText, "Done (0 change(s) in 0 file(s))");
  EXPECT_EQ(panel.statusText, "Done (0 change(s) in 0 file(s))");
}

TEST_F(SearchPassTest, ImagesAreNeverOpened) {
  // Markup in files whose names say "image": found only if they were read.
  addFile("a.gif", "<a href=\"x.htm\">x</a><!-- saved from url=http://a/ -->");
  addFile("b.PNG", "<a href=\"x.htm\">x</a>");
  addFile("c.jpg", "<img src=\"y.gif\">");

  const SearchOutcome outcome = runFullSearch();

  EXPECT_EQ(panel.lines, strings({kSavedFromHeader, kBrokenLinkHeader}));
  EXPECT_EQ(panel.polls, 0);
  EXPECT_EQ(outcome.brokenTotal, 0);
  EXPECT_EQ(outcome.statusText, "Done (0 change(s) in 3 file(s))");
  EXPECT_EQ(panel.overallUpper, 3);
  EXPECT_EQ(panel.overallPosition, 3);
  EXPECT_EQ(savedFrom.count(), 0u);
}

TEST_F(SearchPassTest, ExtensionDecidesWhichFilesAreScanned) {
  settings.useSavedFromUrl = false;
  const std::string link = "<a href=\"missing.htm\">x</a>";
  const std::string upper = addFile("UPPER.HTM", link);
  const std::string mixed = addFile("Mixed.Html", link);
  addFile("old.html.bak", link);
  addFile("site.v2/readme", link);
  const std::string shtml = addFile("inc.shtml", link);
  const std::string css = addFile("LOOK.Css", "p { background: url(missing.gif) }");

  const SearchOutcome outcome = runFullSearch();

  EXPECT_EQ(panel.lines, strings({kBrokenLinkHeader, scannedLine(upper, 1), scannedLine(mixed, 1),
                                  scannedLine(shtml, 1), scannedLine(css, 1)}));
  EXPECT_EQ(outcome.statusText, "Done (4 change(s) in 6 file(s))");
  EXPECT_EQ(panel.overallPosition, 6);
}

std::string bigEndianUtf16(std::string_view text) {
  std::string bytes = "\xFE\xFF";
  for (char c : text) {
    bytes.push_back('\0');
    bytes.push_back(c);
  }
  return bytes;
}

TEST_F(SearchPassTest, BigEndianUtf16FileIsReadInBothPasses) {
  const std::string page =
      addFile("wide.htm", bigEndianUtf16("<a href=\"missing.htm\">x</a><!-- saved from url=(0010)http://a/b -->"));

  const SearchOutcome outcome = runFullSearch();

  EXPECT_EQ(panel.lines, strings({kSavedFromHeader, lineStart(page, " Unicode") + ", saved from \"http://a/b\"",
                                  kBrokenLinkHeader, scannedLine(page, 1, " Unicode")}));
  EXPECT_EQ(outcome.brokenTotal, 1);
  ASSERT_EQ(urls.count(), 1u);
  EXPECT_EQ(urls.entry(0).url, "missing.htm");
  // Byte offset of the opening quote: the order mark, then eight characters.
  EXPECT_EQ(urls.entry(0).valuePos, 2 + 8 * 2);
  ASSERT_EQ(savedFrom.count(), 1u);
  EXPECT_EQ(savedFrom.entry(0).savedUrl, "http://a/b");
}

TEST_F(SearchPassTest, WithoutSavedFromOptionTheFirstPassDoesNotRun) {
  settings.useSavedFromUrl = false;
  const std::string page = addFile("page.htm", "<!-- saved from url=(0010)http://a/b --><p>text</p>");

  runFullSearch();

  EXPECT_EQ(panel.lines, strings({kBrokenLinkHeader, scannedLine(page, 0)}));
  EXPECT_EQ(savedFrom.count(), 0u);
}

struct SavedFromRow {
  const char* name;
  std::string text;
  bool convertCodedChars;
  std::optional<std::string> address;
};

void PrintTo(const SavedFromRow& row, std::ostream* os) { *os << row.name; }

class SavedFromCommentTest : public SearchPassTest, public ::testing::WithParamInterface<SavedFromRow> {};

TEST_P(SavedFromCommentTest, StoresAddressOfFirstMatchingComment) {
  const SavedFromRow& row = GetParam();
  settings.convertCodedChars = row.convertCodedChars;
  const std::string page = addFile("page.htm", row.text);

  EXPECT_EQ(runSavedFromPass(context), PassEnd::Done);

  if (row.address) {
    ASSERT_EQ(savedFrom.count(), 1u);
    EXPECT_EQ(savedFrom.entry(0).savedUrl, *row.address);
    EXPECT_EQ(savedFrom.entry(0).savedFileIndex, 0);
    EXPECT_EQ(panel.lines, strings({kSavedFromHeader, lineStart(page) + ", saved from \"" + *row.address + "\""}));
  } else {
    EXPECT_EQ(savedFrom.count(), 0u);
    EXPECT_EQ(panel.lines, strings({kSavedFromHeader, lineStart(page) + ", no \"saved from url\" was found"}));
  }
  EXPECT_EQ(panel.polls, 1);
  EXPECT_EQ(panel.overallUpper, 1);
  EXPECT_EQ(panel.overallPosition, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Comments, SavedFromCommentTest,
    ::testing::Values(
        SavedFromRow{"Plain", "<html><!-- saved from url=(0023)http://www.example.com/ --></html>", true,
                     "http://www.example.com/"},
        SavedFromRow{"Capitals", "<!-- SAVED FROM URL=(0023)http://www.example.com/ -->", true,
                     "http://www.example.com/"},
        SavedFromRow{"TwoSpacesBetweenWords", "<!-- saved  from url=(0023)http://www.example.com/ -->", true,
                     std::nullopt},
        SavedFromRow{"SpaceBeforeEquals", "<!-- saved from url =(0023)http://www.example.com/ -->", true, std::nullopt},
        SavedFromRow{"NoValueAfterEquals", "<!-- saved from url= -->", true, std::nullopt},
        SavedFromRow{"WithoutLengthPrefix", "<!-- saved from url=http://www.example.com/a.htm -->", true,
                     "http://www.example.com/a.htm"},
        SavedFromRow{"LengthPrefixNotChecked", "<!-- saved from url=(9)http://a/ -->", true, "http://a/"},
        SavedFromRow{"OpenParenthesisWithoutCloseKeepsValue", "<!-- saved from url=(0023http://www.example.com/ -->",
                     true, "(0023http://www.example.com/"},
        SavedFromRow{"NotTheFirstComment",
                     "<!-- made by hand --><p>text</p><!-- saved from url=(0019)http://example.com/ -->", true,
                     "http://example.com/"},
        SavedFromRow{
            "FirstOfTwoComments",
            "<!-- saved from url=(0016)http://first.com/ -->\n<!-- saved from url=(0017)http://second.com/ -->", true,
            "http://first.com/"},
        SavedFromRow{"NameInsideQuotedText", "<!-- note=\"saved from url=(0009)http://a/\" -->", true, std::nullopt},
        SavedFromRow{"NameOutsideComment", "<meta saved from url=(0009)http://a/>", true, std::nullopt},
        SavedFromRow{"ControlCharactersDropped", "<!-- saved from url=(0023)http://www.exa\tmple.com/ -->", true,
                     "http://www.example.com/"},
        SavedFromRow{"CodedCharactersDecoded", "<!-- saved from url=(0036)http://www.example.com/my%20page.htm -->",
                     true, "http://www.example.com/my page.htm"},
        SavedFromRow{"CodedCharactersKeptWhenNotConverting",
                     "<!-- saved from url=(0036)http://www.example.com/my%20page.htm -->", false,
                     "http://www.example.com/my%20page.htm"}),
    [](const ::testing::TestParamInfo<SavedFromRow>& info) { return std::string(info.param.name); });

TEST_F(SearchPassTest, StyleSheetsAndScriptsAreNotReadForComments) {
  addFile("look.css", "/* <!-- saved from url=(0009)http://a/ --> */");
  addFile("app.js", "// <!-- saved from url=(0009)http://a/ -->");

  EXPECT_EQ(runSavedFromPass(context), PassEnd::Done);

  EXPECT_EQ(panel.lines, strings({kSavedFromHeader}));
  EXPECT_EQ(savedFrom.count(), 0u);
  EXPECT_EQ(panel.polls, 0);
  EXPECT_EQ(panel.overallPosition, 2);
}

TEST_F(SearchPassTest, TwoCopiesOfOnePageProposeTheFirstInTheList) {
  const std::string comment = "<!-- saved from url=(0031)http://www.example.com/page.htm -->";
  addFile("index.htm", "<a href=\"http://www.example.com/page.htm\">p</a>");
  addFile("one/page.htm", comment);
  addFile("two/page.htm", comment);

  runFullSearch();

  ASSERT_EQ(savedFrom.count(), 2u);
  EXPECT_EQ(savedFrom.find("HTTP://WWW.EXAMPLE.COM/page.htm"), 1);
  ASSERT_EQ(urls.count(), 1u);
  EXPECT_EQ(urls.entry(0).url, "http://www.example.com/page.htm");
  EXPECT_EQ(urls.entry(0).replacement, "one/page.htm");
}

TEST_F(SearchPassTest, DecodedAddressMatchesDecodedLink) {
  addFile("index.htm", "<a href=\"http://www.example.com/my%20page.htm\">p</a>");
  addFile("copy/saved.htm", "<!-- saved from url=(0036)http://www.example.com/my%20page.htm -->");

  runFullSearch();

  ASSERT_EQ(urls.count(), 1u);
  EXPECT_EQ(urls.entry(0).url, "http://www.example.com/my page.htm");
  EXPECT_EQ(urls.entry(0).replacement, "copy/saved.htm");
}

// Links to anchors are judged once every page has been read: a link to a
// page further down the list, the one entry already made for a good link
// (its absolute form) taking the anchor proposal, and a page gone since it
// was listed, whose anchors nobody knows, judged by none.
TEST_F(SearchPassTest, LinksToAnchorsAreJudgedAfterEveryPageWasRead) {
  settings.checkAnchors = true;
  settings.useRelativePaths = false;
  settings.useSavedFromUrl = false;
  addFile("index.htm",
          "<a href=\"later.htm#Part\">p</a><a href=\"later.htm#gone\">g</a>"
          "<a href=\"gone.htm#x\">x</a><a href=\"#here\">h</a>");
  const std::string later = addFile("later.htm", "<h2 id=\"part\">Part</h2><a href=\"index.htm#nowhere\">n</a>");
  fs::remove(platform::toHostPath(addFile("gone.htm", "<p id=\"y\">")));

  const SearchOutcome outcome = runFullSearch();

  const std::string laterUrl = absoluteFileUrl(later, "", false, kHostFileUrlStyle);
  std::vector<std::string> found;
  for (const UrlEntry& entry : urls.entries()) found.push_back(entry.url + " -> " + entry.replacement);
  // File by file; the gone page is proposed in absolute form as any good link is.
  EXPECT_EQ(found, strings({"later.htm#Part -> " + laterUrl + "#part", "later.htm#gone -> ",
                            "gone.htm#x -> " + absoluteFileUrl(platform::toPathText(root_ / "gone.htm"), "#x", false,
                                                               kHostFileUrlStyle),
                            "#here -> ", "index.htm#nowhere -> "}));
  EXPECT_EQ(outcome.brokenTotal, 5);
  EXPECT_EQ(panel.lines.back(), "4 link(s) to anchors checked, 4 to missing anchors");
}

// A search keeps a bounded number of links for judging and says how many it
// left unjudged.
TEST_F(SearchPassTest, LinksToAnchorsBeyondTheLimitAreCountedNotKept) {
  addFile("index.htm", "");
  AnchorNames names;
  names.add("x");
  names.seal();
  anchors.setAnchors(0, std::move(names));
  for (std::size_t i = 0; i < PageAnchors::kMaxLinks + 2; ++i) anchors.addLink(AnchorLink(), "#y", "y");
  EXPECT_EQ(anchors.links().size(), PageAnchors::kMaxLinks);

  const AnchorCheck check = checkAnchorLinks(context);

  EXPECT_EQ(check.checked, static_cast<std::int64_t>(PageAnchors::kMaxLinks));
  EXPECT_EQ(check.recorded, static_cast<std::int64_t>(UrlTable::kCapacity));
  EXPECT_EQ(panel.lines.back(), "2 more link(s) to anchors were not checked: one search checks at most 1048576.");
}

TEST_F(SearchPassTest, StopInFirstPassSkipsBrokenLinkPass) {
  const std::string first = addFile("a.htm", "<a href=\"missing.htm\">x</a>");
  addFile("b.htm", "<a href=\"missing.htm\">x</a>");
  addFile("c.css", "p { background: url(missing.gif) }");
  panel.stopWhen = [](const RecordingPanel&) { return true; };
  // Threads that read ahead change nothing of it, though one waited for may
  // be stopped before its line.
  settings.searchThreads = 4;
  const SearchOutcome pooled = runFullSearch();
  EXPECT_EQ(pooled.end, PassEnd::Stopped);
  EXPECT_EQ(panel.lines.front(), kSavedFromHeader);
  EXPECT_LE(panel.lines.size(), 2u);
  EXPECT_EQ(urls.count(), 0u);

  settings.searchThreads = 1;
  panel = RecordingPanel();
  panel.stopWhen = [](const RecordingPanel&) { return true; };
  const SearchOutcome outcome = runFullSearch();

  EXPECT_EQ(panel.lines, strings({kSavedFromHeader, lineStart(first) + ", no \"saved from url\" was found"}));
  EXPECT_EQ(outcome.end, PassEnd::Stopped);
  EXPECT_EQ(outcome.brokenTotal, 0);
  EXPECT_EQ(outcome.statusText, "Stopped");
  EXPECT_EQ(panel.status, PanelStatus::Stopped);
  EXPECT_EQ(panel.statusText, "Stopped");
  EXPECT_EQ(panel.polls, 1);
  EXPECT_EQ(urls.count(), 0u);
  // The bar is not moved for the file the stop came at: it keeps its start.
  EXPECT_EQ(panel.overallUpper, 2);
  EXPECT_EQ(panel.overallPosition, 1);
  EXPECT_FALSE(internet.isOpen());
}

TEST_F(SearchPassTest, StopInSecondPassEndsAtTheFileBeingScanned) {
  settings.useSavedFromUrl = false;
  const std::string first = addFile("a.htm", "<a href=\"missing.htm\">x</a>");
  addFile("b.htm", "<a href=\"missing.htm\">x</a>");
  addFile("c.htm", "<a href=\"missing.htm\">x</a>");
  // The first poll after a.htm's line is one made while b.htm is scanned.
  panel.stopWhen = [](const RecordingPanel& p) { return p.lines.size() >= 2; };

  const SearchOutcome outcome = runFullSearch();

  EXPECT_EQ(panel.lines, strings({kBrokenLinkHeader, scannedLine(first, 1)}));
  EXPECT_EQ(outcome.end, PassEnd::Stopped);
  // What was recorded before the stop is counted, and kept.
  EXPECT_EQ(outcome.brokenTotal, static_cast<std::int64_t>(urls.count()));
  EXPECT_EQ(panel.statusText, "Stopped");
  EXPECT_EQ(panel.overallUpper, 3);
  EXPECT_EQ(panel.overallPosition, 1);
  ASSERT_GE(urls.count(), 1u);
  EXPECT_EQ(urls.entry(0).fileIndex, 0);
  for (const UrlEntry& entry : urls.entries()) EXPECT_NE(entry.fileIndex, 2);
}

// Everything a search leaves for the pages after it, as text to compare.
struct SearchRecord {
  std::vector<std::string> lines;
  std::vector<std::string> entries;
  std::vector<std::string> savedFrom;
  std::vector<std::string> canonical;
  std::int64_t brokenTotal = 0;
  std::size_t dropped = 0;
  PassEnd end = PassEnd::Done;
};

SearchRecord recordOf(const test_support::SearchHarness& h, const SearchOutcome& outcome) {
  SearchRecord record;
  record.lines = h.panel.lines;
  for (const UrlEntry& e : h.urls.entries()) {
    record.entries.push_back(std::to_string(e.fileIndex) + " " + std::to_string(e.tagPos) + " " +
                             std::to_string(e.valuePos) + " " + std::to_string(e.spanLength) + " " +
                             std::to_string(e.quoteKind) + " " + e.opening + " " + e.url + " -> " + e.replacement +
                             " @" + std::to_string(e.target) + (e.internetUrl ? " internet" : ""));
  }
  for (std::size_t i = 0; i < h.savedFrom.count(); ++i) {
    record.savedFrom.push_back(h.savedFrom.entry(i).savedUrl + " " +
                               std::to_string(h.savedFrom.entry(i).savedFileIndex));
  }
  for (const PageAddress& page : h.siteAddresses.canonical()) {
    record.canonical.push_back(std::to_string(page.fileIndex) + " " + std::to_string(page.tagPos) + " " + page.url);
  }
  record.brokenTotal = outcome.brokenTotal;
  record.dropped = outcome.droppedFindings;
  record.end = outcome.end;
  return record;
}

void expectSameSearch(const SearchRecord& pooled, const SearchRecord& alone) {
  EXPECT_EQ(pooled.lines, alone.lines);
  EXPECT_EQ(pooled.entries, alone.entries);
  EXPECT_EQ(pooled.savedFrom, alone.savedFrom);
  EXPECT_EQ(pooled.canonical, alone.canonical);
  EXPECT_EQ(pooled.brokenTotal, alone.brokenTotal);
  EXPECT_EQ(pooled.dropped, alone.dropped);
  EXPECT_EQ(pooled.end, alone.end);
}

// Pages that need every table: saved copies whose addresses other pages link
// to (before and after the copy in the list), anchors, canonical addresses,
// style sheets, scripts, a UTF-16 page, a file that is gone, and more files
// than the pool keeps ahead.
class PooledSearchTest : public SearchPassTest {
 protected:
  void addSite() {
    settings.checkInternetUrls = false;
    settings.checkAnchors = true;
    for (int i = 0; i < 60; ++i) {
      const std::string n = std::to_string(i);
      std::string page = i % 7 == 3 ? "<!-- saved from url=(0030)http://www.example.com/p" + n + ".htm -->\n" : "";
      page += "<link rel=canonical href=\"https://example.org/p" + n +
              ".htm\">"
              "<a href=\"p" +
              std::to_string((i + 1) % 60) + ".htm#s" + n +
              "\">next</a>"
              "<a href=\"http://www.example.com/p" +
              std::to_string((i * 5) % 60) +
              ".htm?q#top\">old</a>"
              "<a href=\"www.example.com/p" +
              std::to_string((i * 3) % 60) +
              ".htm\">www</a>"
              "<img src=\"missing" +
              n + ".gif\"><h2 id=\"s" + std::to_string(i - 1) +
              "\">s</h2>"
              "<style>p { background: url(gone" +
              n +
              ".png) }</style>"
              "<script>var u = \"http://www.example.com/p" +
              n + ".htm\";</script>\n";
      addFile("p" + n + ".htm", page);
      if (i % 10 == 0) addFile("s" + n + ".css", "a { background: url(nothing" + n + ".png) }");
      if (i % 10 == 5) addFile("j" + n + ".js", "document.write('<a href=\"nowhere" + n + ".htm\">x</a>');");
    }
    const std::string wide = "<a href=\"wide-missing.htm\">w</a>";
    std::string utf16 = "\xFF\xFE";
    for (const char c : wide) {
      utf16 += c;
      utf16 += '\0';
    }
    addFile("wide.htm", utf16);
    fs::remove(platform::toHostPath(addFile("gone.htm", "<a href=x>")));
  }

  SearchRecord searchWith(unsigned threads) {
    settings.searchThreads = threads;
    panel = RecordingPanel();
    const SearchOutcome outcome = runFullSearch();
    return recordOf(*this, outcome);
  }
};

TEST_F(PooledSearchTest, ThreadsGiveWhatOneThreadGives) {
  addSite();
  for (const bool savedFromFirst : {true, false}) {
    settings.useSavedFromUrl = savedFromFirst;
    const SearchRecord alone = searchWith(1);
    ASSERT_GT(alone.entries.size(), 300u);
    for (const unsigned threads : {2U, 4U, 16U}) {
      SCOPED_TRACE("saved-from pass " + std::to_string(savedFromFirst) + ", " + std::to_string(threads) + " threads");
      expectSameSearch(searchWith(threads), alone);
    }
  }
}

// A stop ends the search at a file boundary: what was shown and recorded is
// what one thread shows and records for the files before it, in list order.
TEST_F(PooledSearchTest, StopKeepsWholeFilesInListOrder) {
  addSite();
  // Both would change entries of earlier files once every page was read.
  settings.useSavedFromUrl = false;
  settings.checkAnchors = false;
  const SearchRecord whole = searchWith(1);
  settings.searchThreads = 4;
  panel = RecordingPanel();
  panel.stopWhen = [](const RecordingPanel& p) { return p.lines.size() >= 20; };
  const SearchOutcome outcome = runFullSearch();

  EXPECT_EQ(outcome.end, PassEnd::Stopped);
  ASSERT_GE(panel.lines.size(), 20u);
  ASSERT_LT(panel.lines.size(), whole.lines.size());
  const std::vector<std::string> prefix(whole.lines.begin(),
                                        whole.lines.begin() + static_cast<std::ptrdiff_t>(panel.lines.size()));
  EXPECT_EQ(panel.lines, prefix);
  const SearchRecord stopped = recordOf(*this, outcome);
  ASSERT_LE(stopped.entries.size(), whole.entries.size());
  EXPECT_EQ(stopped.entries,
            std::vector<std::string>(whole.entries.begin(),
                                     whole.entries.begin() + static_cast<std::ptrdiff_t>(stopped.entries.size())));
  const std::int64_t filesDone = panel.overallPosition;
  for (const UrlEntry& entry : urls.entries()) EXPECT_LT(entry.fileIndex, filesDone);
  EXPECT_EQ(outcome.brokenTotal, static_cast<std::int64_t>(urls.count()));
  EXPECT_EQ(panel.statusText, "Stopped");
}

// Findings beyond the table's capacity are dropped and counted as one thread
// drops them, however the files are shared out.
TEST_F(PooledSearchTest, FullTableDropsWhatOneThreadDrops) {
  settings.checkInternetUrls = false;
  settings.useSavedFromUrl = false;
  std::string text;
  for (int i = 0; i < 25000; ++i) text += "<a href=m.htm>\n";
  for (int i = 0; i < 4; ++i) addFile("big" + std::to_string(i) + ".htm", text);
  addFile("last.htm", "<img src=x.gif>");

  const SearchRecord alone = searchWith(1);
  EXPECT_EQ(alone.dropped, 4 * 25000 + 1 - UrlTable::kCapacity);
  expectSameSearch(searchWith(4), alone);
}

TEST_F(SearchPassTest, FileCountLimit) {
  // Listed images that do not exist: counted, never opened.
  const fs::path folder = root_ / "absent";
  for (std::size_t i = 0; i < kMaxSearchFiles; ++i)
    files.addSelectedFiles({platform::toPathText(folder / ("img" + std::to_string(i) + ".gif"))}, StopPoll());
  ASSERT_EQ(files.count(), kMaxSearchFiles);

  const SearchOutcome atLimit = runFullSearch();
  EXPECT_EQ(atLimit.end, PassEnd::Done);
  EXPECT_EQ(atLimit.statusText, "Done (0 change(s) in 65535 file(s))");
  EXPECT_EQ(panel.overallPosition, 65535);

  files.addSelectedFiles({platform::toPathText(folder / "one-more.gif")}, StopPoll());
  ASSERT_EQ(files.count(), kMaxSearchFiles + 1);
  panel = RecordingPanel();
  UrlEntry leftOver;
  leftOver.url = "from an earlier search";
  ASSERT_TRUE(urls.append(leftOver));
  savedFrom.add("http://earlier/", 0);

  const Outcome<SearchOutcome, SearchError> aboveLimit = search(context);
  ASSERT_FALSE(aboveLimit.ok());
  EXPECT_EQ(aboveLimit.error(), SearchError::TooManyFiles);
  EXPECT_TRUE(panel.lines.empty());
  EXPECT_EQ(panel.status, PanelStatus::Running);
  EXPECT_EQ(panel.statusText, "Press ESC to stop");
  EXPECT_EQ(panel.overallUpper, 2);
  EXPECT_EQ(panel.overallPosition, 1);
  EXPECT_EQ(panel.fileSteps, 2);
  EXPECT_EQ(panel.filePosition, 0);
  // The tables are emptied even though nothing is searched.
  EXPECT_EQ(urls.count(), 0u);
  EXPECT_EQ(savedFrom.count(), 0u);
  EXPECT_FALSE(internet.isOpen());

  EXPECT_FALSE(beginSearch(context));
}

TEST_F(SearchPassTest, FileGoneSinceItWasListedIsSkipped) {
  const std::string gone = addFile("a.htm", "<a href=\"missing.htm\">x</a>");
  const std::string kept = addFile("b.htm", "<a href=\"missing.htm\">x</a>");
  fs::remove(platform::toHostPath(gone));

  const SearchOutcome outcome = runFullSearch();

  EXPECT_EQ(panel.lines, strings({kSavedFromHeader, lineStart(kept) + ", no \"saved from url\" was found",
                                  kBrokenLinkHeader, scannedLine(kept, 1)}));
  EXPECT_EQ(outcome.statusText, "Done (1 change(s) in 2 file(s))");
  EXPECT_EQ(panel.overallPosition, 2);
  ASSERT_EQ(urls.count(), 1u);
  EXPECT_EQ(urls.entry(0).fileIndex, 1);
}

#ifndef _WIN32
// Nothing that could make the search wait is read: a named pipe and a socket
// are left out of the list and named first; a file above the size limit, and
// one that became a named pipe after it was listed, are named in the
// broken-link pass and recorded as not searched. The test's time limit
// guards against a read that waits.
TEST_F(SearchPassTest, WhatCannotBeReadWithoutWaitingIsNamedNotRead) {
  const test_support::TempFolder& site = *folder_;
  site.makeFifo("pipe.html");
  site.makeSocket("sock.html");
  site.makeSparseFile("big.html", platform::kMaxReadBytes + 1);
  site.write("page.htm", "<a href=\"pipe.html\">p</a><a href=\"big.html\">b</a>");
  site.write("turned.html", "<a href=\"gone.htm\">g</a>");
  ASSERT_EQ(files.addFolder(false, platform::toPathText(root_), {}), PassEnd::Done);
  fs::remove(root_ / "turned.html");
  site.makeFifo("turned.html");
  const auto text = [this](std::string_view name) { return platform::toPathText(root_ / name); };
  ASSERT_EQ(files.paths(), strings({text("big.html"), text("page.htm"), text("turned.html")}));

  const SearchOutcome outcome = runFullSearch();

  const auto shown = [this](std::string_view name) { return (root_ / name).string(); };
  EXPECT_EQ(panel.lines,
            strings({shown("pipe.html") + ": left out, not a regular file (a named pipe)",
                     shown("sock.html") + ": left out, not a regular file (a socket)", kSavedFromHeader,
                     lineStart(text("page.htm")) + ", no \"saved from url\" was found", kBrokenLinkHeader,
                     shown("big.html") + " (268435457 bytes): not searched, larger than 256 MiB",
                     scannedLine(text("page.htm"), 1), shown("turned.html") + ": not searched, not a regular file"}));
  EXPECT_EQ(outcome.statusText, "Done (1 change(s) in 3 file(s))");
  ASSERT_EQ(urls.unsearchedFiles().size(), 2u);
  EXPECT_EQ(urls.unsearched(0)->why, Unsearched::TooLarge);
  EXPECT_EQ(urls.unsearched(1), nullptr);
  EXPECT_EQ(urls.unsearched(2)->why, Unsearched::NotRegularFile);
  ASSERT_EQ(urls.count(), 1u);
  EXPECT_EQ(urls.entry(0).url, "pipe.html");
}
#endif

TEST_F(SearchPassTest, UnreadableHtmlFileStillPollsInFirstPass) {
  files.addSelectedFiles({platform::toPathText(root_ / "absent.htm")}, StopPoll());
  addFile("logo.gif", "GIF89a");

  EXPECT_EQ(runSavedFromPass(context), PassEnd::Done);
  EXPECT_EQ(panel.lines, strings({kSavedFromHeader}));
  EXPECT_EQ(panel.polls, 1);
  EXPECT_EQ(panel.overallPosition, 2);

  panel = RecordingPanel();
  panel.stopWhen = [](const RecordingPanel&) { return true; };
  EXPECT_EQ(runSavedFromPass(context), PassEnd::Stopped);
  EXPECT_EQ(panel.overallPosition, -1);
}

TEST_F(SearchPassTest, FindingsBeyondTableCapacityAreCountedNotRecorded) {
  settings.useSavedFromUrl = false;
  constexpr std::size_t kLinks = 66000;
  std::string text;
  text.reserve(kLinks * 16);
  for (std::size_t i = 0; i < kLinks; ++i) text += "<a href=m.htm>\n";
  const std::string page = addFile("big.htm", text);

  const SearchOutcome outcome = runFullSearch();

  EXPECT_EQ(urls.count(), UrlTable::kCapacity);
  EXPECT_EQ(outcome.droppedFindings, kLinks - UrlTable::kCapacity);
  EXPECT_EQ(outcome.end, PassEnd::Done);
  EXPECT_EQ(outcome.brokenTotal, 65536);
  EXPECT_EQ(outcome.statusText, "Done (65536 change(s) in 1 file(s))");
  EXPECT_EQ(panel.lines, strings({kBrokenLinkHeader, scannedLine(page, 65536),
                                  "464 more URL(s) needing attention were not recorded: the list holds at most "
                                  "65536."}));
}

TEST_F(SearchPassTest, EverySearchStartsFromEmptyTables) {
  addFile("index.htm", "<!-- saved from url=(0009)http://a/ --><a href=\"missing.htm\">x</a>");

  runFullSearch();
  ASSERT_EQ(urls.count(), 1u);
  ASSERT_EQ(savedFrom.count(), 1u);

  const SearchOutcome again = runFullSearch();
  EXPECT_EQ(urls.count(), 1u);
  EXPECT_EQ(savedFrom.count(), 1u);
  EXPECT_EQ(again.statusText, "Done (1 change(s) in 1 file(s))");
}

TEST_F(SearchPassTest, InternetSessionEndsWithTheSearch) {
  settings.checkInternetUrls = true;
  addFile("index.htm", "<a href=\"http://www.example.invalid/x.htm\">x</a>");

  runFullSearch();

  EXPECT_FALSE(internet.isOpen());
  EXPECT_TRUE(internet.lastServerName().empty());
}

}  // namespace
}  // namespace quillorn
