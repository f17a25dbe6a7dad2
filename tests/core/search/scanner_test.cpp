#include "core/search/html_scanner.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "core/model/url_table.h"
#include "core/search/script_scanner.h"
#include "core/search/script_strings.h"
#include "core/search/style_sheet_scanner.h"
#include "core/text/markup_lexing.h"
#include "platform/host_path.h"
#include "tests/support/search_harness.h"

namespace quillorn {
namespace {

using test_support::encodingName;
using test_support::makeDocument;
using test_support::positionIn;

const std::vector<std::string> kSite = {
    "C:\\site\\index.htm",      // 0: the file scanned
    "C:\\site\\about.htm",      // 1
    "C:\\site\\img\\logo.gif",  // 2
};

// The search's tables over kSite, with script strings found by protocol only.
struct Harness : test_support::SearchHarness {
  Harness() : SearchHarness(kSite) {
    settings.scriptTagStrings = false;
    settings.scriptProtocolStrings = true;
  }
};

enum class Scanner { Html, Script, Style };

PassCount runScanner(Scanner scanner, Harness& harness, const DocumentBuffer& buffer) {
  switch (scanner) {
    case Scanner::Html: return scanHtmlFile(harness.context, buffer, 0);
    case Scanner::Script: return scanScriptFile(harness.context, buffer, 0);
    case Scanner::Style: return scanStyleFile(harness.context, buffer, 0);
  }
  return {};
}

std::string expectedStatusLine(const DocumentBuffer& buffer, std::size_t found) {
  return platform::displayPath(kSite[0]) + " (" + std::to_string(buffer.size()) +
         " bytes):" + (buffer.encoding == Encoding::Utf16 ? " Unicode" : " ASCII") + ", " + std::to_string(found) +
         " broken URL(s) found";
}

struct Expected {
  std::string url;
  std::string replacement;
  QuoteKind quoteKind;
  std::int64_t spanLength;
  std::string valueAt;  // the value starts at the first occurrence of this text
  std::string tagAt;    // the tag starts at the first occurrence of this text; empty: `origin`
  std::int64_t origin = 0;
};

Expected inTag(std::string url, std::string replacement, QuoteKind kind, std::int64_t span, std::string valueAt,
               std::string tagAt) {
  return {std::move(url), std::move(replacement), kind, span, std::move(valueAt), std::move(tagAt), 0};
}
Expected inScript(std::string url, std::string replacement, QuoteKind kind, std::int64_t span, std::string valueAt) {
  return {std::move(url), std::move(replacement), kind, span, std::move(valueAt), "", ScriptString};
}
Expected inStyle(std::string url, std::string replacement, std::int64_t span, std::string valueAt) {
  return {std::move(url), std::move(replacement), Delimited, span, std::move(valueAt), "", StyleUrl};
}

struct ScanRow {
  const char* name;
  Scanner scanner;
  std::string document;
  std::vector<Expected> entries;
  void (*configure)(Settings&) = nullptr;
};

void tagStringsOn(Settings& s) { s.scriptTagStrings = true; }
void protocolStringsOff(Settings& s) { s.scriptProtocolStrings = false; }
void bothOff(Settings& s) {
  s.scriptTagStrings = false;
  s.scriptProtocolStrings = false;
}

class ScanTest : public ::testing::TestWithParam<std::tuple<ScanRow, Encoding>> {};

TEST_P(ScanTest, RecordsInPassOrder) {
  const ScanRow& row = std::get<0>(GetParam());
  const Encoding encoding = std::get<1>(GetParam());
  Harness harness;
  if (row.configure != nullptr) row.configure(harness.settings);
  const DocumentBuffer buffer = makeDocument(row.document, encoding);

  const PassCount result = runScanner(row.scanner, harness, buffer);

  EXPECT_EQ(result.end, PassEnd::Done);
  EXPECT_EQ(result.count, static_cast<std::int64_t>(row.entries.size()));
  ASSERT_EQ(harness.urls.count(), row.entries.size());
  for (std::size_t i = 0; i < row.entries.size(); ++i) {
    SCOPED_TRACE(i);
    const Expected& want = row.entries[i];
    const UrlEntry& got = harness.urls.entry(i);
    const std::size_t valueOffset = row.document.find(want.valueAt);
    ASSERT_NE(valueOffset, std::string::npos) << "bad row";
    std::int64_t tagPos = want.origin;
    if (!want.tagAt.empty()) {
      const std::size_t tagOffset = row.document.find(want.tagAt);
      ASSERT_NE(tagOffset, std::string::npos) << "bad row";
      tagPos = positionIn(encoding, tagOffset);
    }
    EXPECT_EQ(got.url, want.url);
    EXPECT_EQ(got.replacement, want.replacement);
    EXPECT_EQ(got.quoteKind, want.quoteKind);
    EXPECT_EQ(got.spanLength, want.spanLength);
    EXPECT_EQ(got.valuePos, positionIn(encoding, valueOffset));
    EXPECT_EQ(got.tagPos, tagPos);
    EXPECT_EQ(got.fileIndex, 0);
  }
  ASSERT_EQ(harness.panel.lines.size(), 1u);
  EXPECT_EQ(harness.panel.lines[0], expectedStatusLine(buffer, row.entries.size()));
}

// clang-format off
const ScanRow kRows[] = {
    // Tag passes.
    {"HtmlEntriesFollowPassOrder", Scanner::Html, R"(<img src="b.gif"><a href="a.htm">)",
     {inTag("a.htm", "", Delimited, 7, "\"a.htm", "<a"), inTag("b.gif", "", Delimited, 7, "\"b.gif", "<img")}},
    {"HtmlAreaFoundByAAndAreaPasses", Scanner::Html, R"(<p><area href="x.htm">)",
     {inTag("x.htm", "", Delimited, 7, "\"x.htm", "<area"), inTag("x.htm", "", Delimited, 7, "\"x.htm", "<area")}},
    {"HtmlFramePrefixMatchesFrameset", Scanner::Html, R"(<iframe src="i.htm"><frameset src="s.htm">)",
     {inTag("s.htm", "", Delimited, 7, "\"s.htm", "<frameset"), inTag("i.htm", "", Delimited, 7, "\"i.htm", "<iframe")}},
    {"HtmlBackgroundPasses", Scanner::Html,
     R"(<tdx background="t.gif"><tr background="r.gif"><table background="b.gif"><body background="y.gif">)",
     {inTag("y.gif", "", Delimited, 7, "\"y.gif", "<body"), inTag("b.gif", "", Delimited, 7, "\"b.gif", "<table"),
      inTag("t.gif", "", Delimited, 7, "\"t.gif", "<tdx"), inTag("r.gif", "", Delimited, 7, "\"r.gif", "<tr")}},
    {"HtmlNamesIgnoreCase", Scanner::Html, R"(<a HREF="x.htm"><IMG Src=y.gif>)",
     {inTag("x.htm", "", Delimited, 7, "\"x.htm", "<a"), inTag("y.gif", "\"\"", Bare, 5, "y.gif", "<IMG")}},
    {"HtmlLowsrcBeforeSrcWins", Scanner::Html, R"(<img lowsrc="low.gif" src="x.gif">)",
     {inTag("low.gif", "", Delimited, 9, "\"low.gif", "<img")}},
    {"HtmlHreflangBeforeHrefYieldsNothing", Scanner::Html, R"(<a hreflang="en" href="x.htm">)", {}},
    {"HtmlNameInQuotedValueSkipped", Scanner::Html, R"(<a title="href=no.htm" href="x.htm">)",
     {inTag("x.htm", "", Delimited, 7, "\"x.htm", "<a")}},
    {"HtmlTagInCommentFound", Scanner::Html, R"(<!-- <a href="x.htm"> -->)",
     {inTag("x.htm", "", Delimited, 7, "\"x.htm", "<a")}},
    {"HtmlSpaceAroundEqualsYieldsNothing", Scanner::Html, R"(<a href ="x.htm"><a href= "y.htm">)", {}},
    {"HtmlQuotedAndBareValues", Scanner::Html, R"(<a href="d.htm"><a href='s.htm'><a href=b.htm>)",
     {inTag("d.htm", "", Delimited, 7, "\"d.htm", "<a href=\"d"), inTag("s.htm", "", Delimited, 7, "'s.htm", "<a href='"),
      inTag("b.htm", "\"\"", Bare, 5, "b.htm", "<a href=b")}},
    {"HtmlEmptyValuesYieldNothing", Scanner::Html, R"(<a href=><a href="">)", {}},
    {"HtmlGoodLinksNotRecorded", Scanner::Html, R"(<a href="about.htm"><img src="img/logo.gif">)", {}},
    {"HtmlImgInScriptIgnored", Scanner::Html, R"(<script>document.write('<img src="x.gif">');</script>)", {}},
    {"HtmlImgInScriptFoundWithTagStrings", Scanner::Html,
     R"(<script>document.write('<img src="x.gif">');</script>)",
     {inTag("x.gif", "", Delimited, 7, "\"x.gif", "<img")}, tagStringsOn},
    {"HtmlScriptSrcAlwaysFound", Scanner::Html, R"(<script src="x.js"></script>)",
     {inTag("x.js", "", Delimited, 6, "\"x.js", "<script")}},
    {"HtmlScriptPassHopsToClosingTag", Scanner::Html, R"(<script src="a.js"> <script src="b.js"></script>)",
     {inTag("a.js", "", Delimited, 6, "\"a.js", "<script")}},
    {"HtmlWwwPairOnOneSpan", Scanner::Html, R"(<a href=www.example.com>)",
     {inTag("www.example.com", "http://www.example.com", Bare, 15, "www", "<a"),
      inTag("www.example.com", "\"\"", Bare, 15, "www", "<a")}},
    {"HtmlEmailAddress", Scanner::Html, R"(<a href="ann@example.com">)",
     {inTag("ann@example.com", "mailto:ann@example.com", Delimited, 17, "\"ann", "<a")}},

    // Style blocks.
    {"HtmlStyleWrappedInComment", Scanner::Html, R"(<style><!-- body { background: url(bg.gif) } --></style>)",
     {inStyle("bg.gif", "\"\"", 8, "(bg")}},
    {"HtmlStylePlain", Scanner::Html, R"(<style type="text/css">p { background: url(p.gif) }</style>)",
     {inStyle("p.gif", "\"\"", 7, "(p.gif")}},
    {"HtmlStyleAfterTagPasses", Scanner::Html,
     R"(<style>p { background: url(s.gif) }</style><a href="a.htm">)",
     {inTag("a.htm", "", Delimited, 7, "\"a.htm", "<a"), inStyle("s.gif", "\"\"", 7, "(s.gif")}},
    {"HtmlUrlOutsideStyleNotFound", Scanner::Html, R"(<style>p { }</style><p>url(no.gif)</p>)", {}},
    // The first block's search runs on through the second: each url( is one entry.
    {"HtmlStyleBlocksRunningOnRecordOnce", Scanner::Html, "<style<!--url(a.gif)<style<!--url(b.gif)",
     {inStyle("a.gif", "\"\"", 7, "(a.gif"), inStyle("b.gif", "\"\"", 7, "(b.gif")}},

    // Script strings in script blocks.
    {"HtmlScriptString", Scanner::Html, R"(<script>var u = "http://x.org/a.htm";</script>)",
     {inScript("http://x.org/a.htm", "", Delimited, 20, "\"http")}},
    {"HtmlScriptStringsOff", Scanner::Html, R"(<script>var u = "http://x.org/a.htm";</script>)", {},
     protocolStringsOff},
    {"HtmlScriptLineComment", Scanner::Html, "<script>\n// \"http://x.org/a.htm\"\n</script>", {}},
    {"HtmlScriptBlockComment", Scanner::Html, R"(<script>/* "http://x.org/a.htm" */</script>)", {}},
    {"HtmlScriptSecondStringOnLineSkipped", Scanner::Html,
     R"(<script>a = "http://x.org/1.htm"; b = "http://x.org/2.htm";</script>)",
     {inScript("http://x.org/1.htm", "", Delimited, 20, "\"http://x.org/1")}},
    {"HtmlScriptProtocolsInOrder", Scanner::Html,
     "<script>a = 'ftp://x.org/1.htm';\nb = 'http://x.org/2.htm';</script>",
     {inScript("http://x.org/2.htm", "", Delimited, 20, "'http"),
      inScript("ftp://x.org/1.htm", "", Delimited, 19, "'ftp")}},
    {"HtmlScriptHitAfterClosingTagIgnored", Scanner::Html,
     R"(<script>a = "x;</script><b title="http://x.org/a.htm">)", {}},
    {"HtmlScriptWithoutClosingTag", Scanner::Html, R"(<script>var u = "http://x.org/a.htm";)", {}},
    {"HtmlScriptBlocksRunningOnRecordOnce", Scanner::Html,
     "<script<!--'http://x.org/a.htm'\n<script<!--'http://x.org/b.htm'\n</script>",
     {inScript("http://x.org/a.htm", "", Delimited, 20, "'http://x.org/a"),
      inScript("http://x.org/b.htm", "", Delimited, 20, "'http://x.org/b")}},
    {"HtmlScriptLessThanEndsSearch", Scanner::Html, R"(<script>if (a < b) u = "http://x.org/a.htm";</script>)", {}},
    {"HtmlScriptLessEqualDoesNot", Scanner::Html, R"(<script>if (a <= b) u = "http://x.org/a.htm";</script>)",
     {inScript("http://x.org/a.htm", "", Delimited, 20, "\"http")}},
    {"HtmlScriptWrappedInComment", Scanner::Html,
     "<script><!--\nif (a < b) u = \"http://x.org/a.htm\";\n//--></script>",
     {inScript("http://x.org/a.htm", "", Delimited, 20, "\"http")}},
    {"HtmlScriptEscapedQuotes", Scanner::Html,
     R"(<script>document.write("<a href=\"http://x.org/a.htm\">");</script>)",
     {inScript("http://x.org/a.htm", "", EscapedQuotes, 22, "\\\"http")}},
    {"HtmlEscapedTagAndStringBothFound", Scanner::Html,
     R"(<script>document.write("<a href=\"http://x.org/a.htm\">");</script>)",
     {inTag("http://x.org/a.htm", "", EscapedQuotes, 22, "\\\"http", "<a"),
      inScript("http://x.org/a.htm", "", EscapedQuotes, 22, "\\\"http")}, tagStringsOn},

    // Script files.
    {"ScriptDoubleQuotedString", Scanner::Script, R"(var u = "http://x.org/a.htm";)",
     {inScript("http://x.org/a.htm", "", Delimited, 20, "\"http")}},
    {"ScriptEscapedQuotes", Scanner::Script, R"(s = "<a href=\"http://x.org/a.htm\">";)",
     {inScript("http://x.org/a.htm", "", EscapedQuotes, 22, "\\\"http")}},
    {"ScriptBareString", Scanner::Script, R"(u = http://x.org/a.htm ;)",
     {inScript("http://x.org/a.htm", "\"\"", Bare, 18, "http")}},
    {"ScriptTagInString", Scanner::Script, R"(document.write('<img src="x.gif">');)",
     {inTag("x.gif", "", Delimited, 7, "\"x.gif", "<img")}, tagStringsOn},
    {"ScriptTagInStringNeedsOption", Scanner::Script, R"(document.write('<img src="x.gif">');)", {}},
    {"ScriptLineComment", Scanner::Script, "// see \"http://x.org/a.htm\"\n", {}},
    {"ScriptBlockComment", Scanner::Script, R"(/* "http://x.org/a.htm" */)", {}},
    {"ScriptUnclosedBlockCommentAfter", Scanner::Script, R"(u = "http://x.org/a.htm"; /* never closed)", {}},
    {"ScriptSecondStringOnLineSkipped", Scanner::Script, R"(a = "http://x.org/1.htm"; b = "http://x.org/2.htm";)",
     {inScript("http://x.org/1.htm", "", Delimited, 20, "\"http://x.org/1")}},
    {"ScriptProtocolsInOrder", Scanner::Script,
     "f = \"file://C|/old/f.htm\";\ng = \"gopher://x.org/g\";\nh = \"ftp://x.org/h.htm\";\ni = \"http://x.org/i.htm\";\n",
     {inScript("http://x.org/i.htm", "", Delimited, 20, "\"http"), inScript("ftp://x.org/h.htm", "", Delimited, 19, "\"ftp"),
      inScript("gopher://x.org/g", "", Delimited, 18, "\"gopher"),
      inScript("file://C|/old/f.htm", "", Delimited, 21, "\"file")}},
    {"ScriptHttpsString", Scanner::Script, R"(u = 'https://x.org/a.htm';)",
     {inScript("https://x.org/a.htm", "", Delimited, 21, "'https")}},
    {"ScriptLessThanDoesNotEndSearch", Scanner::Script, R"(if (a < b) u = "http://x.org/a.htm";)",
     {inScript("http://x.org/a.htm", "", Delimited, 20, "\"http")}},
    {"ScriptValueRunningIntoEnd", Scanner::Script, R"(u = "http://x.org/a.htm)", {}},
    {"ScriptBothOptionsOff", Scanner::Script, R"(var u = "http://x.org/a.htm"; document.write('<img src="x.gif">');)",
     {}, bothOff},

    // Style sheets.
    {"StyleUnquotedArgument", Scanner::Style, R"(body { background: url(img/bg.gif) })",
     {inStyle("img/bg.gif", "\"\"", 12, "(img")}},
    {"StyleQuotedArgumentFound", Scanner::Style, R"(p { background: url("img/logo.gif") })", {}},
    {"StyleQuotedBrokenArgumentInsideQuotes", Scanner::Style,
     R"(p { background: url( 'gone.gif' ) } q { background: url(") x.gif") })",
     {{"gone.gif", "\"\"", Bare, 8, "gone", "", StyleUrl}, {") x.gif", "\"\"", Bare, 7, ") x", "", StyleUrl}}},
    {"StyleUrlInCommentFound", Scanner::Style, R"(/* url(old.gif) */)", {inStyle("old.gif", "\"\"", 9, "(old")}},
    {"StyleListedTargetNotRecorded", Scanner::Style, R"(p { background: url(img/logo.gif) })", {}},
    {"StyleTwoArguments", Scanner::Style, R"(a { background: url(a.gif) } b { background: URL(b.gif) })",
     {inStyle("a.gif", "\"\"", 7, "(a.gif"), inStyle("b.gif", "\"\"", 7, "(b.gif")}},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Rows, ScanTest,
                         ::testing::Combine(::testing::ValuesIn(kRows),
                                            ::testing::Values(Encoding::SingleByte, Encoding::Utf16)),
                         [](const ::testing::TestParamInfo<std::tuple<ScanRow, Encoding>>& info) {
                           return std::string(std::get<0>(info.param).name) + "_" +
                                  encodingName(std::get<1>(info.param));
                         });

struct BarRow {
  const char* name;
  Scanner scanner;
  void (*configure)(Settings&);
  std::int64_t calls;  // positions 0 .. calls - 1
  std::int64_t steps;
  int polls;
};

class ProgressTest : public ::testing::TestWithParam<BarRow> {};

TEST_P(ProgressTest, StepsLowerBarAndPolls) {
  const BarRow& row = GetParam();
  Harness harness;
  if (row.configure != nullptr) row.configure(harness.settings);
  const DocumentBuffer buffer = makeDocument(R"(<a href="x.htm">)", Encoding::SingleByte);
  runScanner(row.scanner, harness, buffer);
  std::vector<std::pair<std::int64_t, std::int64_t>> expected;
  for (std::int64_t i = 0; i < row.calls; ++i) expected.emplace_back(i, row.steps);
  EXPECT_EQ(harness.panel.fileCalls, expected);
  EXPECT_EQ(harness.panel.polls, row.polls);
}

void bothOn(Settings& s) {
  s.scriptTagStrings = true;
  s.scriptProtocolStrings = true;
}
void tagStringsOnly(Settings& s) {
  s.scriptTagStrings = true;
  s.scriptProtocolStrings = false;
}

INSTANTIATE_TEST_SUITE_P(Rows, ProgressTest,
                         ::testing::Values(BarRow{"HtmlSixteenSteps", Scanner::Html, protocolStringsOff, 16, 16, 16},
                                           BarRow{"HtmlSeventeenSteps", Scanner::Html, nullptr, 17, 17, 17},
                                           BarRow{"ScriptTagsAndProtocols", Scanner::Script, bothOn, 20, 22, 20},
                                           BarRow{"ScriptTagsOnly", Scanner::Script, tagStringsOnly, 15, 17, 15},
                                           BarRow{"ScriptProtocolsOnly", Scanner::Script, nullptr, 5, 5, 5},
                                           BarRow{"ScriptNeither", Scanner::Script, bothOff, 0, 0, 0},
                                           BarRow{"StyleOnePollNoBar", Scanner::Style, nullptr, 0, 0, 1}),
                         [](const ::testing::TestParamInfo<BarRow>& info) { return std::string(info.param.name); });

struct StopRow {
  const char* name;
  Scanner scanner;
  std::string document;
  int stopAtPoll;
  PassEnd end;
  std::size_t entries;
};

class StopTest : public ::testing::TestWithParam<StopRow> {};

TEST_P(StopTest, StopsWithoutStatusLine) {
  const StopRow& row = GetParam();
  Harness harness;
  harness.panel.stopFromPoll = row.stopAtPoll;
  const DocumentBuffer buffer = makeDocument(row.document, Encoding::SingleByte);
  const PassCount result = runScanner(row.scanner, harness, buffer);
  EXPECT_EQ(result.end, row.end);
  EXPECT_EQ(result.count, static_cast<std::int64_t>(row.entries));
  EXPECT_EQ(harness.urls.count(), row.entries);
  if (row.end == PassEnd::Stopped) {
    EXPECT_TRUE(harness.panel.lines.empty());
    EXPECT_EQ(harness.panel.polls, row.stopAtPoll);  // nothing is polled after the stop
  } else {
    EXPECT_EQ(harness.panel.lines.size(), 1u);
  }
}

// Entries: A pass a.htm, IMG pass b.gif, the style block s.gif, the script string u.htm.
const std::string kStopPage = R"(<img src="b.gif"><a href="a.htm"><style>p { background: url(s.gif) }</style>)"
                              R"(<script>u = "http://x.org/u.htm";</script>)";
const std::string kStopScript = "u = \"http://x.org/u.htm\";\nf = \"ftp://x.org/f.htm\";\n";

INSTANTIATE_TEST_SUITE_P(
    Rows, StopTest,
    ::testing::Values(StopRow{"HtmlBeforeFirstPass", Scanner::Html, kStopPage, 1, PassEnd::Stopped, 0},
                      StopRow{"HtmlAfterAPass", Scanner::Html, kStopPage, 2, PassEnd::Stopped, 1},
                      StopRow{"HtmlAfterImgPass", Scanner::Html, kStopPage, 9, PassEnd::Stopped, 2},
                      StopRow{"HtmlBeforeStyleBlocks", Scanner::Html, kStopPage, 16, PassEnd::Stopped, 2},
                      StopRow{"HtmlBeforeScriptStrings", Scanner::Html, kStopPage, 17, PassEnd::Stopped, 3},
                      StopRow{"HtmlNotStopped", Scanner::Html, kStopPage, 0, PassEnd::Done, 4},
                      StopRow{"ScriptBeforeFirstProtocol", Scanner::Script, kStopScript, 1, PassEnd::Stopped, 0},
                      StopRow{"ScriptBeforeSecondProtocol", Scanner::Script, kStopScript, 2, PassEnd::Stopped, 1},
                      StopRow{"ScriptNotStopped", Scanner::Script, kStopScript, 0, PassEnd::Done, 2},
                      StopRow{"StyleBeforeStart", Scanner::Style, "p { background: url(a.gif) }", 1, PassEnd::Stopped,
                              0}),
    [](const ::testing::TestParamInfo<StopRow>& info) { return std::string(info.param.name); });

TEST(ScannerTest, FullTableDropsWithoutOverflow) {
  Harness harness;
  UrlEntry filler;
  filler.url = "x";
  while (harness.urls.count() < UrlTable::kCapacity - 1) ASSERT_TRUE(harness.urls.append(filler));
  const DocumentBuffer buffer = makeDocument(R"(<a href="a.htm"><img src="b.gif">)", Encoding::SingleByte);
  EXPECT_EQ(scanHtmlFile(harness.context, buffer, 0).count, 1);
  EXPECT_EQ(harness.urls.count(), UrlTable::kCapacity);
  EXPECT_EQ(harness.urls.entry(UrlTable::kCapacity - 1).url, "a.htm");
  EXPECT_EQ(harness.urls.droppedCount(), 1u);
  ASSERT_EQ(harness.panel.lines.size(), 1u);
  EXPECT_EQ(harness.panel.lines[0], expectedStatusLine(buffer, 1));
}

TEST(ScannerTest, OddTrailingByteOfUtf16IsNoCharacter) {
  const std::string page = R"(<a href="a.htm"><style>p { background: url(s.gif) }</style><script>u = "http://x/")";
  for (Scanner scanner : {Scanner::Html, Scanner::Script, Scanner::Style}) {
    Harness even;
    Harness odd;
    even.settings.scriptTagStrings = odd.settings.scriptTagStrings = true;
    DocumentBuffer buffer = makeDocument(page, Encoding::Utf16);
    const PassCount evenResult = runScanner(scanner, even, buffer);
    buffer.bytes.push_back('"');
    buffer.bytes.shrink_to_fit();
    EXPECT_EQ(runScanner(scanner, odd, buffer).count, evenResult.count);
    EXPECT_EQ(odd.urls.count(), even.urls.count());
  }
}

TEST(ScannerTest, StatusLineNamesUtf16) {
  Harness harness;
  const DocumentBuffer buffer = makeDocument("", Encoding::Utf16);
  EXPECT_EQ(scanStyleFile(harness.context, buffer, 0).count, 0);
  ASSERT_EQ(harness.panel.lines.size(), 1u);
  EXPECT_EQ(harness.panel.lines[0], platform::displayPath(kSite[0]) + " (2 bytes): Unicode, 0 broken URL(s) found");
}

// The comment check the script-string search uses must agree with
// isInScriptComment at every position.
struct CommentRow {
  const char* name;
  std::string text;
};

class ScriptCommentCheckTest : public ::testing::TestWithParam<std::tuple<CommentRow, Encoding>> {};

TEST_P(ScriptCommentCheckTest, AgreesWithIsInScriptComment) {
  const CommentRow& row = std::get<0>(GetParam());
  const DocumentBuffer buffer = makeDocument(row.text, std::get<1>(GetParam()));
  const TextView text = buffer.view();
  ScriptCommentCheck check(text);
  // Asked in a scanner's order: forwards, then again from the start.
  for (int round = 0; round < 2; ++round) {
    for (Pos pos = 0; pos < text.end(); pos += text.step) {
      EXPECT_EQ(check.contains(pos), isInScriptComment(text, pos)) << "at " << pos;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ScriptCommentCheckTest,
    ::testing::Combine(::testing::Values(CommentRow{"LineComment", "a = 1; // b \"http://x\"\nc = 2;"},
                                         CommentRow{"CarriageReturnEndsLine", "// a\r\nb = \"http://x\""},
                                         CommentRow{"BlockComment", "a /* b */ c /* d */ e"},
                                         CommentRow{"OverlappingMarkers", "x /*/ y */ z */*"},
                                         CommentRow{"CloserFirst", "a */ b /* c"},
                                         CommentRow{"NeverClosed", "a = \"http://x\"; /* b"},
                                         CommentRow{"UrlSlashesCount", "a = \"http://x\"; b = \"ftp://y\";"},
                                         CommentRow{"NoMarkers", "var a = 1;"}, CommentRow{"SlashesOnly", "///**//*/"}),
                       ::testing::Values(Encoding::SingleByte, Encoding::Utf16)),
    [](const ::testing::TestParamInfo<std::tuple<CommentRow, Encoding>>& info) {
      return std::string(std::get<0>(info.param).name) + "_" + encodingName(std::get<1>(info.param));
    });

}  // namespace
}  // namespace quillorn
