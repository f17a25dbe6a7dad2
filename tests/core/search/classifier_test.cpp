#include "core/search/url_classifier.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "core/model/url_table.h"
#include "tests/support/host_text.h"
#include "tests/support/search_harness.h"

namespace quillorn {
namespace {

using Harness = test_support::SearchHarness;
using test_support::encodingName;

// The document in the encoding under test, and where its characters are.
struct Document {
  DocumentBuffer buffer;
  Pos at(std::size_t asciiOffset) const { return test_support::positionIn(buffer.encoding, asciiOffset); }
};

Document makeDocument(std::string_view ascii, Encoding encoding) {
  return {test_support::makeDocument(ascii, encoding)};
}

const std::vector<std::string> kSite = {
    "C:\\site\\index.htm",        // 0
    "C:\\site\\about.htm",        // 1
    "C:\\site\\img\\logo.gif",    // 2
    "C:\\site\\sub\\page.htm",    // 3
    "C:\\other\\a b\\space.htm",  // 4
    "C:\\site\\copy\\saved.htm",  // 5
};

// Path text as a POSIX host gives it, for the absolute "file://" forms.
const std::vector<std::string> kPosixSite = {
    "\\home\\ann\\site\\index.htm",    // 0
    "\\home\\ann\\site\\about.htm",    // 1
    "\\home\\ann\\my pics\\logo.gif",  // 2
};

// The absolute form written on this host: the standard URL on POSIX hosts, the
// drive form on Windows.
#ifdef _WIN32
#define HOST_FORM(posix, windows) windows
#else
#define HOST_FORM(posix, windows) posix
#endif

struct ExpectedEntry {
  std::string url;
  std::string replacement;
  QuoteKind quoteKind;
  std::int64_t spanLength;       // characters
  const char* spanAt = nullptr;  // the span starts at this text; none: where the value starts
};

constexpr std::int64_t kTagAtStart = 0;

struct ClassifyRow {
  const char* name;
  std::string document;
  std::string valueAt;  // the value starts at the first occurrence of this text
  std::int64_t origin;  // kTagAtStart (the tag's '<' at offset 0), ScriptString or StyleUrl
  std::vector<ExpectedEntry> entries;
  void (*configure)(Harness&) = nullptr;
  int currentFile = 0;
  int internetChecks = 0;
  const std::vector<std::string>* site = &kSite;
};

class ClassifyTest : public ::testing::TestWithParam<std::tuple<ClassifyRow, Encoding>> {};

TEST_P(ClassifyTest, RecordsExactly) {
  const ClassifyRow& row = std::get<0>(GetParam());
  const Encoding encoding = std::get<1>(GetParam());
  Harness harness(*row.site);
  if (row.configure != nullptr) row.configure(harness);
  const Document doc = makeDocument(row.document, encoding);
  const std::size_t offset = row.document.find(row.valueAt);
  ASSERT_NE(offset, std::string::npos) << "bad row";
  const Pos valuePos = doc.at(offset);
  const std::int64_t tagPos = row.origin >= 0 ? doc.at(static_cast<std::size_t>(row.origin)) : row.origin;

  const int made = classifyUrl(harness.context, doc.buffer.view(), row.currentFile, tagPos, valuePos);

  EXPECT_EQ(made, static_cast<int>(row.entries.size()));
  ASSERT_EQ(harness.urls.count(), row.entries.size());
  for (std::size_t i = 0; i < row.entries.size(); ++i) {
    SCOPED_TRACE(i);
    const UrlEntry& entry = harness.urls.entry(i);
    EXPECT_EQ(entry.url, row.entries[i].url);
    EXPECT_EQ(entry.replacement, row.entries[i].replacement);
    EXPECT_EQ(entry.quoteKind, row.entries[i].quoteKind);
    EXPECT_EQ(entry.spanLength, row.entries[i].spanLength);
    const char* spanAt = row.entries[i].spanAt;
    EXPECT_EQ(entry.valuePos, spanAt == nullptr ? valuePos : doc.at(row.document.find(spanAt, offset)));
    EXPECT_EQ(entry.tagPos, tagPos);
    EXPECT_EQ(entry.fileIndex, row.currentFile);
  }
  int checks = 0;
  for (const std::string& line : harness.panel.lines) checks += line == kCheckingUrlLine ? 1 : 0;
  EXPECT_EQ(checks, row.internetChecks);
}

// clang-format off
const ClassifyRow kRows[] = {
    // Local links against the file list.
    {"GoodRelativeLinkIsNotRecorded", R"(<a href="about.htm">)", "\"", kTagAtStart, {}},
    {"CapitalsMatchListedFileIgnoringCase", R"(<a href="ABOUT.HTM">)", "\"", kTagAtStart, {}, [](Harness& h) {
       h.settings.matchCase = false;
     }},
    {"CapitalsProposeTheFilesOwnSpelling", R"(<a href="ABOUT.HTM#x">)", "\"", kTagAtStart,
     {{"ABOUT.HTM#x", "about.htm#x", Delimited, 13}}, [](Harness& h) { h.settings.matchCase = true; }},
    {"DotDotSegmentResolves", R"(<a href="../about.htm">)", "\"", kTagAtStart, {}, nullptr, 3},
    {"BrokenDoubleQuotedProposesEmpty", R"(<a href="missing.htm">)", "\"", kTagAtStart,
     {{"missing.htm", "", Delimited, 13}}},
    {"BrokenSingleQuotedProposesEmpty", R"(<a href='missing.htm'>)", "'", kTagAtStart,
     {{"missing.htm", "", Delimited, 13}}},
    {"BrokenBareProposesTwoQuotes", R"(<a href=missing.htm>)", "missing", kTagAtStart,
     {{"missing.htm", "\"\"", Bare, 11}}},
    {"ControlCharactersCountInSpanOnly", "<a href=\"miss\ting.htm\">", "\"", kTagAtStart,
     {{"missing.htm", "", Delimited, 14}}},
    {"NameSearchFindsMovedFile", R"(<img src="images/logo.gif">)", "\"", kTagAtStart,
     {{"images/logo.gif", "img/logo.gif", Delimited, 17}}},
    {"NameSearchRelativeFromSubfolder", R"(<img src="logo.gif">)", "\"", kTagAtStart,
     {{"logo.gif", "../img/logo.gif", Delimited, 10}}, nullptr, 3},
    {"NameSearchRunsWithFindReplacementsOff", R"(<img src="images/logo.gif">)", "\"", kTagAtStart,
     {{"images/logo.gif", "img/logo.gif", Delimited, 17}},
     [](Harness& h) { h.settings.findReplacements = false; }},
    {"FragmentOnlyIsIgnored", R"(<a href="#top">)", "\"", kTagAtStart, {}},
    {"FragmentKeptInUrlAndReplacement", R"(<a href="old/about.htm#team">)", "\"", kTagAtStart,
     {{"old/about.htm#team", "about.htm#team", Delimited, 20}}},
    {"GoodLinkWithFragmentIsNotRecorded", R"(<a href="about.htm#team">)", "\"", kTagAtStart, {}},
    {"QueryIsSplitOff", R"(<a href="about.htm?x=1">)", "\"", kTagAtStart, {}},
    {"QueryOnlyIsIgnored", R"(<a href="?page=2">)", "\"", kTagAtStart, {}},
    {"QueryAndFragmentKeptInUrlAndReplacement", R"(<a href="old/about.htm?x=1#t">)", "\"", kTagAtStart,
     {{"old/about.htm?x=1#t", "about.htm?x=1#t", Delimited, 21}}},
    {"QuestionMarkInFragmentStaysThere", R"(<a href="about.htm#a?b">)", "\"", kTagAtStart, {}},
    {"DotSlashSegmentIsBroken", R"(<a href="./about.htm">)", "\"", kTagAtStart,
     {{"./about.htm", "about.htm", Delimited, 13}}},
    {"RootRelativeFoundByName", R"(<a href="/about.htm">)", "\"", kTagAtStart,
     {{"/about.htm", "about.htm", Delimited, 12}}},
    {"DriveLetterIsNoScheme", R"(<a href="C:\site\about.htm">)", "\"", kTagAtStart,
     {{"C:\\site\\about.htm", "about.htm", Delimited, 19}}},

    // Blanks around a value, quotes around a url( ) argument: the file keeps them.
    {"BlanksAroundGoodLink", "<a href=\" about.htm\t\">", "\"", kTagAtStart, {}},
    {"BlanksAroundBrokenLinkLeftOutOfSpan", "<a href=\"\n missing.htm \">", "\"", kTagAtStart,
     {{"missing.htm", "", Bare, 11, "missing"}}},
    {"BlanksOnlyIsIgnored", "<a href=\" \r\n \">", "\"", kTagAtStart, {}},
    {"LeadingBlankBeforeScheme", R"(<a href=" tel:+15550100">)", "\"", kTagAtStart, {}},

    // Schemes other than the Internet ones and file:// are never judged.
    {"TelIgnored", R"(<a href="tel:+1-555-0100">)", "\"", kTagAtStart, {}},
    {"DataIgnored", R"(<img src="data:image/gif;base64,R0lGOD/lh">)", "\"", kTagAtStart, {}},
    {"NewsIgnored", R"(<a href="news://host/group">)", "\"", kTagAtStart, {}},
    {"SchemeWithDigitsAndSigns", R"(<a href="svn+ssh.2-x:repo">)", "\"", kTagAtStart, {}},
    {"MailtoIgnored", R"(<a href="MailTo:ann@example.com">)", "\"", kTagAtStart, {}},
    {"EmptyQuotedValueIsIgnored", R"(<a href="">)", "\"", kTagAtStart, {}},
    {"ValueRunningIntoEndIsIgnored", R"(<a href="missing.htm)", "\"", kTagAtStart, {}},

    // Decoding.
    {"DecodedBeforeLookup", R"(<a href="about%2Ehtm">)", "\"", kTagAtStart, {}},
    {"DecodedUrlIsRecorded", R"(<a href="my%20page&amp;x.htm">)", "\"", kTagAtStart,
     {{"my page&x.htm", "", Delimited, 21}}},
    {"NotDecodedWhenOff", R"(<a href="about%2Ehtm">)", "\"", kTagAtStart,
     {{"about%2Ehtm", "", Delimited, 13}},
     [](Harness& h) { h.settings.convertCodedChars = false; }},

    // Script links.
    {"JavascriptIgnored", R"~(<a href="JavaScript:go()">)~", "\"", kTagAtStart, {}},
    {"VbscriptIgnored", R"(<a href="vbscript:go">)", "\"", kTagAtStart, {}},
    {"AboutIgnored", R"(<a href="about:blank">)", "\"", kTagAtStart, {}},
    {"JavascriptBrokenWhenNotIgnored", R"~(<a href="javascript:go()">)~", "\"", kTagAtStart,
     {{"javascript:go()", "", Delimited, 17}},
     [](Harness& h) { h.settings.ignoreScriptLinks = false; }},
    {"JavascriptWithAddressGetsNoMailto", R"~(<a href="javascript:m('ann@example.com')">)~", "\"", kTagAtStart,
     {{"javascript:m('ann@example.com')", "", Delimited, 33}},
     [](Harness& h) { h.settings.ignoreScriptLinks = false; }},

    // Internet URLs.
    {"InternetUrlUncheckedIsRecorded", R"(<a href="http://www.example.com/news.htm">)", "\"", kTagAtStart,
     {{"http://www.example.com/news.htm", "", Delimited, 33}}},
    // A page of the same name on some server is no page of this site: the
    // classifier proposes none (the site's own servers get theirs once every
    // page was read).
    {"InternetUrlGetsNoNameSearch", R"(<a href="HTTP://www.example.com/about.htm">)", "\"", kTagAtStart,
     {{"HTTP://www.example.com/about.htm", "", Delimited, 34}}},
    {"InternetUrlNoNameSearchWhenOff", R"(<a href="ftp://example.com/about.htm">)", "\"", kTagAtStart,
     {{"ftp://example.com/about.htm", "", Delimited, 29}},
     [](Harness& h) { h.settings.findReplacements = false; }},
    {"InternetUrlCheckedButUnreachable", R"(<a href="gopher://example.com/x">)", "\"", kTagAtStart,
     {{"gopher://example.com/x", "", Delimited, 24}},
     [](Harness& h) { h.settings.checkInternetUrls = true; }, 0, 1},
    {"SavedFromCopyIsProposed", R"(<a href="http://WWW.example.com/saved.htm#a">)", "\"", kTagAtStart,
     {{"http://WWW.example.com/saved.htm#a", "copy/saved.htm#a", Delimited, 36}},
     [](Harness& h) {
       h.settings.findReplacements = false;
       h.savedFrom.add("http://www.example.com/saved.htm", 5);
     }},
    {"SavedFromBeatsNameSearch", R"(<a href="http://example.com/about.htm">)", "\"", kTagAtStart,
     {{"http://example.com/about.htm", "copy/saved.htm", Delimited, 30}},
     [](Harness& h) { h.savedFrom.add("http://example.com/about.htm", 5); }},
    {"SavedFromMatchesWithQuery", R"(<a href="http://example.com/page.php?id=3#x">)", "\"", kTagAtStart,
     {{"http://example.com/page.php?id=3#x", "copy/saved.htm?id=3#x", Delimited, 36}},
     [](Harness& h) {
       h.savedFrom.add("http://example.com/page.php?id=4", 0);
       h.savedFrom.add("http://example.com/page.php?id=3", 5);
     }},
    {"HttpsKeepsItsQuery", R"(<a href="HTTPS://example.com/about.htm?v=2">)", "\"", kTagAtStart,
     {{"HTTPS://example.com/about.htm?v=2", "", Delimited, 35}}},
    {"HttpsChecked", R"(<a href="https://example.com/x.htm">)", "\"", kTagAtStart,
     {{"https://example.com/x.htm", "", Delimited, 27}},
     [](Harness& h) { h.settings.checkInternetUrls = true; }, 0, 1},
    {"SchemeRelativeIsInternetUrl", R"(<a href="//example.com/about.htm">)", "\"", kTagAtStart,
     {{"//example.com/about.htm", "", Delimited, 25}}},
    {"SchemeRelativeChecked", R"(<img src=//example.com/x.gif>)", "//", kTagAtStart,
     {{"//example.com/x.gif", "\"\"", Bare, 19}},
     [](Harness& h) { h.settings.checkInternetUrls = true; }, 0, 1},

    // "file://" links.
    {"FileUrlToListedFileMadeRelative", R"(<a href="file://C|/site/about.htm">)", "\"", kTagAtStart,
     {{"file://C|/site/about.htm", "about.htm", Delimited, 26}}},
    {"FileUrlWithColonAndBackslashes", R"(<a href="FILE://c:\site\img\logo.gif">)", "\"", kTagAtStart,
     {{"FILE://c:\\site\\img\\logo.gif", "img/logo.gif", Delimited, 29}}},
    {"FileUrlToListedFileKeptWhenAbsolute", R"(<a href="file://C|/site/about.htm">)", "\"", kTagAtStart, {},
     [](Harness& h) { h.settings.useRelativePaths = false; }},
    {"FileUrlThirdSlashGoesToNameSearch", R"(<a href="file:///C:/site/about.htm">)", "\"", kTagAtStart,
     {{"file:///C:/site/about.htm", "about.htm", Delimited, 27}}},
    {"FileUrlNotListed", R"(<a href=file://C|/old/none.htm>)", "file", kTagAtStart,
     {{"file://C|/old/none.htm", "\"\"", Bare, 22}}},

    // "www." addresses.
    {"WwwGivesTwoEntriesOnOneSpan", R"(<a href="www.example.com">)", "\"", kTagAtStart,
     {{"www.example.com", "http://www.example.com", Delimited, 17}, {"www.example.com", "", Delimited, 17}}},
    {"WwwBareWithFragment", R"(<a href=www.example.com/x.htm#top>)", "www", kTagAtStart,
     {{"www.example.com/x.htm#top", "http://www.example.com/x.htm#top", Bare, 25},
      {"www.example.com/x.htm#top", "\"\"", Bare, 25}}},
    {"WwwCheckedButUnreachable", R"(<a href="WWW.example.com">)", "\"", kTagAtStart,
     {{"WWW.example.com", "http://WWW.example.com", Delimited, 17}, {"WWW.example.com", "", Delimited, 17}},
     [](Harness& h) { h.settings.checkInternetUrls = true; }, 0, 1},
    {"WwwSavedFromCopyIsProposed", R"(<a href="www.example.com/saved.htm">)", "\"", kTagAtStart,
     {{"www.example.com/saved.htm", "http://www.example.com/saved.htm", Delimited, 27},
      {"www.example.com/saved.htm", "copy/saved.htm", Delimited, 27}},
     [](Harness& h) { h.savedFrom.add("HTTP://www.example.com/saved.htm", 5); }},
    {"WwwFullFormRecordedToo", R"(<a href="www.example.com/about.htm">)", "\"", kTagAtStart,
     {{"www.example.com/about.htm", "http://www.example.com/about.htm", Delimited, 27},
      {"www.example.com/about.htm", "", Delimited, 27}}},
    {"WwwIsLocalPathWhenPrefixOff", R"(<a href="www.example.com">)", "\"", kTagAtStart,
     {{"www.example.com", "", Delimited, 17}},
     [](Harness& h) { h.settings.addHttpPrefix = false; }},

    // E-mail addresses.
    {"MailtoIsNeverChecked", R"(<a href="mailto:ann@example.com">)", "\"", kTagAtStart, {}},
    {"EmailAddressGetsMailto", R"(<a href="ann@example.com">)", "\"", kTagAtStart,
     {{"ann@example.com", "mailto:ann@example.com", Delimited, 17}}},
    {"EmailWithDotBeforeAtIsLocalPath", R"(<a href="ann.lee@example.com">)", "\"", kTagAtStart,
     {{"ann.lee@example.com", "", Delimited, 21}}},
    {"EmailWithoutDotIsLocalPath", R"(<a href="ann@localhost">)", "\"", kTagAtStart,
     {{"ann@localhost", "", Delimited, 15}}},
    {"EmailIsLocalPathWhenPrefixOff", R"(<a href="ann@example.com">)", "\"", kTagAtStart,
     {{"ann@example.com", "", Delimited, 17}},
     [](Harness& h) { h.settings.addMailtoPrefix = false; }},
    {"EmailGuessNeverWithSlash", R"(<a href="author@git.example.org/repo">)", "\"", kTagAtStart,
     {{"author@git.example.org/repo", "", Delimited, 29}}},

    // Quoting a target with a space.
    {"BareValueTargetWithSpaceIsQuoted", R"(<a href=space.htm#top>)", "space", kTagAtStart,
     {{"space.htm#top", "\"../other/a b/space.htm#top\"", Bare, 13}}},
    {"QuotedValueTargetWithSpaceNotQuotedAgain", R"(<a href="space.htm">)", "\"", kTagAtStart,
     {{"space.htm", "../other/a b/space.htm", Delimited, 11}}},

    // Script strings and style-sheet arguments.
    {"EscapedQuotesBrokenProposesEmpty", R"(x = "<a href=\"http://a.org/c.htm\">";)", "\\\"http", ScriptString,
     {{"http://a.org/c.htm", "", EscapedQuotes, 22}}},
    {"BareScriptStringProposesTwoQuotes", R"(x = http://a.org/c.htm; y)", "http", ScriptString,
     {{"http://a.org/c.htm;", "\"\"", Bare, 19}}},
    {"StyleUrlBrokenProposesTwoQuotes", R"(body { background: url(bg.gif) })", "(bg", StyleUrl,
     {{"bg.gif", "\"\"", Delimited, 8}}},
    {"StyleUrlTargetWithSpaceNotQuoted", R"(p { background: url(old/space.htm) })", "(old", StyleUrl,
     {{"old/space.htm", "../other/a b/space.htm", Delimited, 15}}},
    {"StyleUrlQuotedArgumentFound", R"(p { background: url("img/logo.gif") })", "(\"", StyleUrl, {}},
    {"StyleUrlQuotesAndBlanksLeftOutOfSpan", R"(p { background: url( 'old/space.htm' ) })", "( '", StyleUrl,
     {{"old/space.htm", "../other/a b/space.htm", Bare, 13, "old"}}},
    {"StyleUrlParenthesisInsideQuotes", R"~(p { background: url("data:image/svg+xml,rgba(0,0,0)") })~", "(\"",
     StyleUrl, {}},
    {"StyleUrlEmptyQuotesIgnored", R"(p { background: url("") })", "(\"", StyleUrl, {}},

    // The absolute form (useRelativePaths off), in path text of a POSIX host.
    {"GoodRelativeLinkProposedAbsolute", R"(<a href="about.htm#team">)", "\"", kTagAtStart,
     {{"about.htm#team", HOST_FORM("file:///home/ann/site/about.htm#team", "file://\\home\\ann\\site\\about.htm#team"),
       Delimited, 16}},
     [](Harness& h) { h.settings.useRelativePaths = false; }, 0, 0, &kPosixSite},
    {"AbsoluteTargetWithSpaceQuotedInBareValue", R"(<img src=../my%20pics/logo.gif>)", "..", kTagAtStart,
     {{"../my pics/logo.gif",
       HOST_FORM("\"file:///home/ann/my pics/logo.gif\"", "\"file://\\home\\ann\\my pics\\logo.gif\""), Bare, 21}},
     [](Harness& h) { h.settings.useRelativePaths = false; }, 0, 0, &kPosixSite},
    {"PosixFileUrlToListedFileKeptWhenAbsolute", R"(<a href="file:///home/ann/site/about.htm">)", "\"", kTagAtStart,
     {}, [](Harness& h) { h.settings.useRelativePaths = false; }, 0, 0, &kPosixSite},
    {"PosixFileUrlToListedFileMadeRelative", R"(<a href="file:///home/ann/site/about.htm">)", "\"", kTagAtStart,
     {{"file:///home/ann/site/about.htm", "about.htm", Delimited, 33}}, nullptr, 0, 0, &kPosixSite},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Rows, ClassifyTest,
                         ::testing::Combine(::testing::ValuesIn(kRows),
                                            ::testing::Values(Encoding::SingleByte, Encoding::Utf16)),
                         [](const ::testing::TestParamInfo<std::tuple<ClassifyRow, Encoding>>& info) {
                           return std::string(std::get<0>(info.param).name) + "_" +
                                  encodingName(std::get<1>(info.param));
                         });

TEST(ClassifierTest, ReadsOptionsWhenEachTestIsMade) {
  // The Internet check runs before the name search; an option switched off
  // while it runs must already count for the name search.
  Harness harness(kSite);
  harness.settings.checkInternetUrls = true;
  harness.panel.onLine = [&harness] { harness.settings.findReplacements = false; };
  const Document doc = makeDocument(R"(<a href="http://example.com/about.htm">)", Encoding::SingleByte);
  EXPECT_EQ(classifyUrl(harness.context, doc.buffer.view(), 0, 0, 8), 1);
  ASSERT_EQ(harness.urls.count(), 1u);
  EXPECT_EQ(harness.urls.entry(0).replacement, "");
}

TEST(ClassifierTest, ReportsValueLength) {
  Harness harness(kSite);
  const Document doc = makeDocument("<a href=\"ab\tout.htm\">", Encoding::Utf16);
  std::size_t length = 99;
  EXPECT_EQ(classifyUrl(harness.context, doc.buffer.view(), 0, doc.at(0), doc.at(8), &length), 0);
  EXPECT_EQ(length, 9u);  // neither the quotes nor the tab are copied
}

struct FullTableRow {
  const char* name;
  std::size_t freeSlots;
  std::string document;
  int made;
  std::size_t dropped;
};

class ClassifyFullTableTest : public ::testing::TestWithParam<FullTableRow> {};

TEST_P(ClassifyFullTableTest, CountsOnlyAcceptedEntries) {
  const FullTableRow& row = GetParam();
  Harness harness(kSite);
  UrlEntry filler;
  filler.url = "x";
  while (harness.urls.count() < UrlTable::kCapacity - row.freeSlots) ASSERT_TRUE(harness.urls.append(filler));
  const Document doc = makeDocument(row.document, Encoding::SingleByte);
  EXPECT_EQ(classifyUrl(harness.context, doc.buffer.view(), 0, 0, 8), row.made);
  EXPECT_EQ(harness.urls.count(), UrlTable::kCapacity - row.freeSlots + static_cast<std::size_t>(row.made));
  EXPECT_LE(harness.urls.count(), UrlTable::kCapacity);
  EXPECT_EQ(harness.urls.droppedCount(), row.dropped);
  if (row.made > 0) {
    EXPECT_EQ(harness.urls.entry(UrlTable::kCapacity - row.freeSlots).url, "www.example.com");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ClassifyFullTableTest,
    ::testing::Values(FullTableRow{"WwwPairWithTwoSlots", 2, R"(<a href="www.example.com">)", 2, 0},
                      FullTableRow{"WwwPairWithOneSlot", 1, R"(<a href="www.example.com">)", 1, 1},
                      FullTableRow{"WwwPairWithNoSlot", 0, R"(<a href="www.example.com">)", 0, 2},
                      FullTableRow{"BrokenLinkWithNoSlot", 0, R"(<a href="missing.htm">)", 0, 1}),
    [](const ::testing::TestParamInfo<FullTableRow>& info) { return std::string(info.param.name); });

struct FileUrlRow {
  const char* name;
  std::string path;
  std::string fragment;
  bool quote;
  FileUrlStyle style;
  std::string expected;
};

class AbsoluteFileUrlTest : public ::testing::TestWithParam<FileUrlRow> {};

TEST_P(AbsoluteFileUrlTest, WritesForm) {
  const FileUrlRow& row = GetParam();
  EXPECT_EQ(absoluteFileUrl(row.path, row.fragment, row.quote, row.style), row.expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, AbsoluteFileUrlTest,
                         ::testing::Values(FileUrlRow{"DriveForm", "C:\\site\\a.htm", "", false, FileUrlStyle::Drive,
                                                      "file://C|\\site\\a.htm"},
                                           FileUrlRow{"DriveFormFragmentSlashes", "C:\\site\\a.htm", "#x/y", false,
                                                      FileUrlStyle::Drive, "file://C|\\site\\a.htm#x\\y"},
                                           FileUrlRow{"DriveFormQuoted", "C:\\my site\\a.htm", "#top", true,
                                                      FileUrlStyle::Drive, "\"file://C|\\my site\\a.htm#top\""},
                                           FileUrlRow{"PosixForm", "\\home\\ann\\site\\a.htm", "", false,
                                                      FileUrlStyle::Posix, "file:///home/ann/site/a.htm"},
                                           FileUrlRow{"PosixFormKeepsFragment", "\\home\\ann\\site\\a.htm", "#x/y",
                                                      false, FileUrlStyle::Posix, "file:///home/ann/site/a.htm#x/y"},
                                           FileUrlRow{"PosixFormQuoted", "\\home\\ann\\my site\\a.htm", "#top", true,
                                                      FileUrlStyle::Posix, "\"file:///home/ann/my site/a.htm#top\""}),
                         [](const ::testing::TestParamInfo<FileUrlRow>& info) { return std::string(info.param.name); });

// "<a href="x" U+4E2D ".htm">": the CJK character has no single-byte form in
// Windows-1252, and is itself in UTF-8 host text.
class Utf16ValueTest : public ::testing::TestWithParam<std::tuple<platform::HostText, std::string>> {};

TEST_P(Utf16ValueTest, ValueIsHostText) {
  const test_support::ScopedHostText host(std::get<0>(GetParam()));
  Harness harness(kSite);
  DocumentBuffer buffer;
  buffer.encoding = Encoding::Utf16;
  buffer.bytes = {0xFF, 0xFE};
  for (char c : std::string_view("<a href=\"x"))
    buffer.bytes.insert(buffer.bytes.end(), {static_cast<std::uint8_t>(c), 0});
  buffer.bytes.insert(buffer.bytes.end(), {0x2D, 0x4E});
  for (char c : std::string_view(".htm\">")) buffer.bytes.insert(buffer.bytes.end(), {static_cast<std::uint8_t>(c), 0});
  EXPECT_EQ(classifyUrl(harness.context, buffer.view(), 0, 2, 18), 1);
  ASSERT_EQ(harness.urls.count(), 1u);
  EXPECT_EQ(harness.urls.entry(0).url, std::get<1>(GetParam()));
  EXPECT_EQ(harness.urls.entry(0).spanLength, 8);
}

INSTANTIATE_TEST_SUITE_P(HostTexts, Utf16ValueTest,
                         ::testing::Values(std::make_tuple(platform::HostText::Windows1252, "x_.htm"),
                                           std::make_tuple(platform::HostText::Utf8, "x\xE4\xB8\xAD.htm")),
                         [](const auto& info) {
                           return std::get<0>(info.param) == platform::HostText::Utf8 ? "Utf8" : "Windows1252";
                         });

}  // namespace
}  // namespace quillorn
