#include "core/rewrite/tag_rewriter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "tests/support/host_text.h"

namespace quillorn {
namespace {

constexpr std::string_view kPagePath = R"(C:\site\sub\page.htm)";
constexpr std::string_view kOtherPagePath = R"(C:\site\other.htm)";
// The same page as path text on a POSIX host.
constexpr std::string_view kPosixPage = R"(\home\ann\site\sub\page.htm)";

#ifdef _WIN32
constexpr bool kPosixHost = false;
#else
constexpr bool kPosixHost = true;
#endif

using enum DeletionChoice;

// ------------------------------------------------------------ row helpers

// One table entry, placed by text: the tag is the `nth` occurrence of `tag`
// in the document, the value the first occurrence of `value` after the tag
// (or the `nth` one in the document when there is no tag). The raw fields
// place an entry where no text could, for tables edited by hand.
struct PlacedEntry {
  std::string_view replacement = {};
  std::string_view tag = {};    // text at the tag's '<'; empty: `origin`
  std::string_view value = {};  // the value's whole span as written, delimiters included
  int nth = 0;
  std::int64_t origin = ScriptString;
  std::string_view url = {};  // defaults to the replacement
  std::int32_t file = 0;
  std::optional<std::int64_t> rawValuePos = {};  // in single-byte characters
  std::optional<std::int64_t> rawSpan = {};
  std::optional<std::int32_t> rawQuoteKind = {};
};

struct Policy {
  DeletionChoice text = Keep;
  DeletionChoice image = Keep;
  DeletionChoice background = Keep;
  bool relative = true;
  std::string_view imageUrl = {};
  std::string_view backgroundUrl = {};
};

// Every policy that would change a value to delete.
constexpr Policy kDestructive{ConvertToText, MakeEmpty, MakeEmpty, true, "", ""};

struct Row {
  std::string_view name = {};
  std::string_view doc = {};
  std::vector<PlacedEntry> entries = {};
  Policy policy = {};
  std::string_view expected = {};
  std::string_view docPath = kPagePath;
};

void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }

// How a span's first characters delimit it.
QuoteKind kindOf(std::string_view span) {
  if (span.size() >= 2 && span[0] == '\\' && (span[1] == '"' || span[1] == '\'')) return EscapedQuotes;
  if (!span.empty() && (span[0] == '"' || span[0] == '\'' || span[0] == '(')) return Delimited;
  return Bare;
}

std::int64_t findNth(std::string_view doc, std::string_view needle, int nth, std::size_t from = 0) {
  std::size_t at = doc.find(needle, from);
  for (int i = 0; i < nth && at != std::string_view::npos; ++i) at = doc.find(needle, at + 1);
  if (at == std::string_view::npos) {
    ADD_FAILURE() << "text not in document: " << needle;
    return 0;
  }
  return static_cast<std::int64_t>(at);
}

// A single-byte test text in the document's encoding; UTF-16 documents start
// with their byte-order mark.
std::string encode(std::string_view ascii, Encoding encoding) {
  if (encoding == Encoding::SingleByte) return std::string(ascii);
  std::string out = "\xFF\xFE";
  for (char c : ascii) {
    out.push_back(c);
    out.push_back('\0');
  }
  return out;
}

// A position in the single-byte text as a byte offset in the encoded document.
std::int64_t mapPos(std::int64_t pos, Encoding encoding) {
  if (encoding == Encoding::SingleByte || pos < 0) return pos;
  return 2 + 2 * pos;
}

UrlTable buildTable(const Row& row, Encoding encoding) {
  UrlTable table;
  for (const PlacedEntry& placed : row.entries) {
    UrlEntry entry;
    entry.replacement = std::string(placed.replacement);
    entry.url = std::string(placed.url.empty() ? placed.replacement : placed.url);
    entry.fileIndex = placed.file;
    std::int64_t tagPos = placed.origin;
    if (!placed.tag.empty()) tagPos = findNth(row.doc, placed.tag, placed.nth);
    std::int64_t valuePos = 0;
    if (!placed.value.empty()) {
      valuePos = placed.tag.empty() ? findNth(row.doc, placed.value, placed.nth)
                                    : findNth(row.doc, placed.value, 0, static_cast<std::size_t>(tagPos));
    }
    entry.tagPos = mapPos(tagPos, encoding);
    entry.valuePos = mapPos(placed.rawValuePos.value_or(valuePos), encoding);
    entry.spanLength = placed.rawSpan.value_or(static_cast<std::int64_t>(placed.value.size()));
    entry.quoteKind = placed.rawQuoteKind ? static_cast<QuoteKind>(*placed.rawQuoteKind) : kindOf(placed.value);
    EXPECT_TRUE(table.append(std::move(entry)));
  }
  return table;
}

Settings buildSettings(const Policy& policy) {
  Settings settings;
  settings.textLinkAction = policy.text;
  settings.imageUrlAction = policy.image;
  settings.backgroundUrlAction = policy.background;
  settings.deletionRelativePaths = policy.relative;
  settings.imageReplacementUrl = std::string(policy.imageUrl);
  settings.backgroundReplacementUrl = std::string(policy.backgroundUrl);
  return settings;
}

FileList buildFiles(std::string_view docPath) {
  FileList files;
  files.addSelectedFiles({std::string(docPath)}, {});
  files.addSelectedFiles({std::string(kOtherPagePath)}, {});
  return files;
}

// ------------------------------------------------------------ the rows

std::vector<Row> imageAndBackgroundRows() {
  return {
      {"ImgKeepLeavesValue",
       "<IMG src='gone.gif'>",
       {{"", "<IMG", "'gone.gif'"}},
       {ConvertToText, Keep, MakeEmpty},
       "<IMG src='gone.gif'>"},
      {"ImgMakeEmptyKeepsSingleQuotes",
       "<IMG src='gone.gif'>",
       {{"", "<IMG", "'gone.gif'"}},
       {.image = MakeEmpty},
       "<IMG src=''>"},
      {"ImgMakeEmptyBareGetsTwoQuotes",
       "<IMG src=gone.gif>",
       {{R"("")", "<IMG", "gone.gif"}},
       {.image = MakeEmpty},
       R"(<IMG src="">)"},
      {"ImgReplaceQuotedWithImageUrl",
       "<IMG src='gone.gif'>",
       {{"", "<IMG", "'gone.gif'"}},
       {.image = ReplaceWithUrl, .background = ReplaceWithUrl, .imageUrl = "blank.gif", .backgroundUrl = "bg.gif"},
       "<IMG src='blank.gif'>"},
      {"ImgReplaceBareQuotesUrl",
       "<IMG src=gone.gif>",
       {{R"("")", "<IMG", "gone.gif"}},
       {.image = ReplaceWithUrl, .imageUrl = "blank.gif"},
       R"(<IMG src="blank.gif">)"},
      {"ImgReplaceWithEmptyUrlEmpties",
       "<IMG src=gone.gif>",
       {{R"("")", "<IMG", "gone.gif"}},
       {.image = ReplaceWithUrl, .imageUrl = ""},
       R"(<IMG src="">)"},
      {"ImgReplaceFileUrlMadeRelative",
       "<IMG src='gone.gif'>",
       {{"", "<IMG", "'gone.gif'"}},
       {.image = ReplaceWithUrl, .relative = true, .imageUrl = R"(file://C|\site\img\blank.gif)"},
       "<IMG src='../img/blank.gif'>"},
      {"ImgReplaceFileUrlMadeRelativeBare",
       "<IMG src=gone.gif>",
       {{R"("")", "<IMG", "gone.gif"}},
       {.image = ReplaceWithUrl, .relative = true, .imageUrl = R"(file://C|\site\img\blank.gif)"},
       R"(<IMG src="../img/blank.gif">)"},
      {"ImgReplaceFileUrlKeptWhenRelativeOff",
       "<IMG src='gone.gif'>",
       {{"", "<IMG", "'gone.gif'"}},
       {.image = ReplaceWithUrl, .relative = false, .imageUrl = R"(file://C|\site\img\blank.gif)"},
       R"(<IMG src='file://C|\site\img\blank.gif'>)"},
      {"ImgReplaceDrivePathMadeRelative",
       "<IMG src='gone.gif'>",
       {{"", "<IMG", "'gone.gif'"}},
       {.image = ReplaceWithUrl, .imageUrl = R"(C:\site\img\blank.gif)"},
       R"(<IMG src='..\img\blank.gif'>)"},
      {"ImgReplaceDrivePathKeptWhenRelativeOff",
       "<IMG src='gone.gif'>",
       {{"", "<IMG", "'gone.gif'"}},
       {.image = ReplaceWithUrl, .relative = false, .imageUrl = R"(C:\site\img\blank.gif)"},
       R"(<IMG src='C:\site\img\blank.gif'>)"},
      {"ImgLowerCaseTagName",
       R"(<img SRC="gone.gif">)",
       {{"", "<img", R"("gone.gif")"}},
       {.image = MakeEmpty},
       R"(<img SRC="">)"},
      {"ImgNameRunIntoByLineBreakMatchesNothing",
       "<IMG\nsrc='gone.gif'>",
       {{"", "<IMG", "'gone.gif'"}},
       kDestructive,
       "<IMG\nsrc='gone.gif'>"},
      {"ImgNameRunIntoByTabMatchesNothing",
       "<IMG\tsrc='gone.gif'>",
       {{"", "<IMG", "'gone.gif'"}},
       kDestructive,
       "<IMG\tsrc='gone.gif'>"},
      {"ControlCharsInsideNamePassedOver",
       "<I\r\nMG src='gone.gif'>",
       {{"", "<I", "'gone.gif'"}},
       {.image = MakeEmpty},
       "<I\r\nMG src=''>"},
      {"NameCutByEndOfDocumentMatchesNothing",
       "<P title='gone.gif'><IMG",
       {{.replacement = "", .tag = "<IMG", .rawValuePos = 9, .rawSpan = 10, .rawQuoteKind = Delimited}},
       kDestructive,
       "<P title='gone.gif'><IMG"},
      {"NameEndedByLastBlank",
       "<P title='gone.gif'><IMG ",
       {{.replacement = "", .tag = "<IMG", .rawValuePos = 9, .rawSpan = 10, .rawQuoteKind = Delimited}},
       {.image = MakeEmpty},
       "<P title=''><IMG "},
      {"NameEndedByLastGreaterThan",
       "<P title='gone.gif'><IMG>",
       {{.replacement = "", .tag = "<IMG", .rawValuePos = 9, .rawSpan = 10, .rawQuoteKind = Delimited}},
       {.image = MakeEmpty},
       "<P title=''><IMG>"},
      {"GreaterEqualsDoesNotEndName",
       "<P title='gone.gif'><IMG>= ",
       {{.replacement = "", .tag = "<IMG", .rawValuePos = 9, .rawSpan = 10, .rawQuoteKind = Delimited}},
       kDestructive,
       "<P title='gone.gif'><IMG>= "},
      {"InputFollowsBackgroundPolicy",
       R"(<INPUT src="gone.gif">)",
       {{"", "<INPUT", R"("gone.gif")"}},
       {.background = MakeEmpty},
       R"(<INPUT src="">)"},
      {"BodyFollowsBackgroundPolicy",
       R"(<BODY background="gone.gif">)",
       {{"", "<BODY", R"("gone.gif")"}},
       {.background = MakeEmpty},
       R"(<BODY background="">)"},
      {"TableFollowsBackgroundPolicy",
       R"(<TABLE background="gone.gif">)",
       {{"", "<TABLE", R"("gone.gif")"}},
       {.background = MakeEmpty},
       R"(<TABLE background="">)"},
      {"TdFollowsBackgroundPolicy",
       R"(<td background="gone.gif">)",
       {{"", "<td", R"("gone.gif")"}},
       {.background = MakeEmpty},
       R"(<td background="">)"},
      {"TrFollowsBackgroundPolicy",
       R"(<TR background="gone.gif">)",
       {{"", "<TR", R"("gone.gif")"}},
       {.background = MakeEmpty},
       R"(<TR background="">)"},
      {"BodyIgnoresImagePolicy",
       R"(<BODY background="gone.gif">)",
       {{"", "<BODY", R"("gone.gif")"}},
       {.image = MakeEmpty, .background = Keep},
       R"(<BODY background="gone.gif">)"},
      {"TdReplaceWithBackgroundUrlBare",
       "<TD background=gone.gif>",
       {{R"("")", "<TD", "gone.gif"}},
       {.image = ReplaceWithUrl, .background = ReplaceWithUrl, .imageUrl = "img.gif", .backgroundUrl = "bg.gif"},
       R"(<TD background="bg.gif">)"},
      {"TableReplaceWithRelativeBackgroundUrl",
       R"(<TABLE background="gone.gif">)",
       {{"", "<TABLE", R"("gone.gif")"}},
       {.background = ReplaceWithUrl, .backgroundUrl = R"(C:\site\bg.gif)"},
       R"(<TABLE background="..\bg.gif">)"},
      {"ThIsNoBackgroundTag",
       R"(<TH background="gone.gif">)",
       {{"", "<TH", R"("gone.gif")"}},
       kDestructive,
       R"(<TH background="gone.gif">)"},
  };
}

std::vector<Row> textLinkRows() {
  constexpr std::string_view kLink = "<P><A href='missing.htm'>Home</A></P>";
  const std::vector<PlacedEntry> linkEntry = {{"", "<A", "'missing.htm'"}};
  return {
      {"AnchorKeep", kLink, linkEntry, {Keep, MakeEmpty, MakeEmpty}, kLink},
      {"AnchorConvertToText", kLink, linkEntry, {.text = ConvertToText}, "<P>Home</P>"},
      {"AnchorMakeEmptyGivesHash", kLink, linkEntry, {.text = MakeEmpty}, "<P><A href='#'>Home</A></P>"},
      {"AnchorBareMakeEmptyGivesBareHash",
       "<A href=missing.htm>Home</A>",
       {{R"("")", "<A", "missing.htm"}},
       {.text = MakeEmpty},
       "<A href=#>Home</A>"},
      {"AnchorLowerCaseEndTagRemoved",
       "<a href='missing.htm'>Home</a>!",
       {{"", "<a", "'missing.htm'"}},
       {.text = ConvertToText},
       "Home!"},
      {"AnchorReplaceWithUrlIsNoTextLinkChoice",
       kLink,
       linkEntry,
       {ReplaceWithUrl, ReplaceWithUrl, ReplaceWithUrl, true, "img.gif", "bg.gif"},
       kLink},
      {"AreaConvertGivesHash",
       R"(<AREA href="gone.htm">)",
       {{"", "<AREA", R"("gone.htm")"}},
       {.text = ConvertToText},
       R"(<AREA href="#">)"},
      {"AreaMakeEmptyGivesHash",
       R"(<AREA href="gone.htm">)",
       {{"", "<AREA", R"("gone.htm")"}},
       {.text = MakeEmpty},
       R"(<AREA href="#">)"},
      {"AreaKeep",
       R"(<AREA href="gone.htm">)",
       {{"", "<AREA", R"("gone.htm")"}},
       {Keep, MakeEmpty, MakeEmpty},
       R"(<AREA href="gone.htm">)"},
      {"LinkConvertGivesHash",
       R"(<LINK href="gone.css">)",
       {{"", "<LINK", R"("gone.css")"}},
       {.text = ConvertToText},
       R"(<LINK href="#">)"},
      {"LinkMakeEmptyGivesHash",
       R"(<link href=gone.css>)",
       {{R"("")", "<link", "gone.css"}},
       {.text = MakeEmpty},
       "<link href=#>"},
      {"LinkKeep",
       R"(<LINK href="gone.css">)",
       {{"", "<LINK", R"("gone.css")"}},
       {Keep, MakeEmpty, MakeEmpty},
       R"(<LINK href="gone.css">)"},
      {"StyleConvertRemovesElement",
       R"(<STYLE src="gone.css">p{}</STYLE>x)",
       {{"", "<STYLE", R"("gone.css")"}},
       {.text = ConvertToText},
       "p{}x"},
      {"StyleMakeEmptyGivesHash",
       R"(<STYLE src="gone.css">p{}</STYLE>x)",
       {{"", "<STYLE", R"("gone.css")"}},
       {.text = MakeEmpty},
       R"(<STYLE src="#">p{}</STYLE>x)"},
      {"StyleKeep",
       R"(<STYLE src="gone.css">p{}</STYLE>x)",
       {{"", "<STYLE", R"("gone.css")"}},
       {Keep, MakeEmpty, MakeEmpty},
       R"(<STYLE src="gone.css">p{}</STYLE>x)"},
      {"BgsoundConvertLosesOnlyStartTag",
       R"(<BGSOUND src="gone.wav"><P>x</P>)",
       {{"", "<BGSOUND", R"("gone.wav")"}},
       {.text = ConvertToText},
       "<P>x</P>"},
      {"ScriptWithoutContentConvertedAway",
       R"(a<SCRIPT src="gone.js"></SCRIPT>b)",
       {{"", "<SCRIPT", R"("gone.js")"}},
       {.text = ConvertToText},
       "ab"},
      {"EmbedConvertedAway",
       R"([<EMBED src="gone.swf"></EMBED>])",
       {{"", "<EMBED", R"("gone.swf")"}},
       {.text = ConvertToText},
       "[]"},
      {"EmbedBareMakeEmpty",
       "<EMBED src=gone.swf>",
       {{R"("")", "<EMBED", "gone.swf"}},
       {.text = MakeEmpty},
       R"(<EMBED src="">)"},
      {"ScriptMakeEmpty",
       R"(<SCRIPT src="gone.js"></SCRIPT>)",
       {{"", "<SCRIPT", R"("gone.js")"}},
       {.text = MakeEmpty},
       R"(<SCRIPT src=""></SCRIPT>)"},
      {"BgsoundAppletIframeConvert",
       R"(<BGSOUND src="a.wav"><APPLET code='b.class'>x</APPLET><IFRAME src="c.htm">y</IFRAME>)",
       {{"", "<BGSOUND", R"("a.wav")"}, {"", "<APPLET", "'b.class'"}, {"", "<IFRAME", R"("c.htm")"}},
       {.text = ConvertToText},
       "xy"},
      // Converted to text, an element with an end tag keeps what it holds
      // (the fallback a browser shows without the element), whatever the case.
      {"IframeConvertKeepsItsFallback",
       R"(<iframe src="missing.html"><p>fallback</p></iframe>)",
       {{"", "<iframe", R"("missing.html")"}},
       {.text = ConvertToText},
       "<p>fallback</p>"},
      {"AppletConvertKeepsItsFallback",
       R"(<applet src="gone.class"><p>fallback</p></applet>)",
       {{"", "<applet", R"("gone.class")"}},
       {.text = ConvertToText},
       "<p>fallback</p>"},
      {"EmbedConvertKeepsItsFallback",
       R"(<embed src="gone.swf"><p>fallback</p></embed>)",
       {{"", "<embed", R"("gone.swf")"}},
       {.text = ConvertToText},
       "<p>fallback</p>"},
      {"BgsoundConvertKeepsWhatItHolds",
       R"(<bgsound src="gone.wav"><p>fallback</p></bgsound>)",
       {{"", "<bgsound", R"("gone.wav")"}},
       {.text = ConvertToText},
       "<p>fallback</p>"},
      {"ScriptConvertKeepsWhatItHolds",
       R"(<script src="gone.js"><p>fallback</p></script>)",
       {{"", "<script", R"("gone.js")"}},
       {.text = ConvertToText},
       "<p>fallback</p>"},
      {"BgsoundAppletIframeMakeEmpty",
       R"(<BGSOUND src="a.wav"><APPLET code='b.class'>x</APPLET><IFRAME src="c.htm">y</IFRAME>)",
       {{"", "<BGSOUND", R"("a.wav")"}, {"", "<APPLET", "'b.class'"}, {"", "<IFRAME", R"("c.htm")"}},
       {.text = MakeEmpty},
       R"(<BGSOUND src=""><APPLET code=''>x</APPLET><IFRAME src="">y</IFRAME>)"},
      {"BgsoundAppletIframeKeep",
       R"(<BGSOUND src="a.wav"><APPLET code='b.class'>x</APPLET><IFRAME src="c.htm">y</IFRAME>)",
       {{"", "<BGSOUND", R"("a.wav")"}, {"", "<APPLET", "'b.class'"}, {"", "<IFRAME", R"("c.htm")"}},
       {Keep, MakeEmpty, MakeEmpty},
       R"(<BGSOUND src="a.wav"><APPLET code='b.class'>x</APPLET><IFRAME src="c.htm">y</IFRAME>)"},
      {"LongerNameStartingWithRuleNameMatchesNothing",
       R"(<BGSOUNDS src="a.wav"><IMGS src="b.gif">)",
       {{"", "<BGSOUNDS", R"("a.wav")"}, {"", "<IMGS", R"("b.gif")"}},
       kDestructive,
       R"(<BGSOUNDS src="a.wav"><IMGS src="b.gif">)"},
      {"OtherNamesUnchanged",
       R"(<FRAME src="a.htm"><BLOCKQUOTE cite="b.htm"><IMGX src="c.gif">)",
       {{"", "<FRAME", R"("a.htm")"}, {"", "<BLOCKQUOTE", R"("b.htm")"}, {"", "<IMGX", R"("c.gif")"}},
       kDestructive,
       R"(<FRAME src="a.htm"><BLOCKQUOTE cite="b.htm"><IMGX src="c.gif">)"},
      {"ScriptStringDeleteUnchanged",
       R"(x = "http://gone.example/";)",
       {{.replacement = "", .value = R"("http://gone.example/")", .origin = ScriptString}},
       kDestructive,
       R"(x = "http://gone.example/";)"},
      {"StyleUrlDeleteUnchanged",
       "body { background: url(gone.gif) }",
       {{.replacement = "", .value = "(gone.gif)", .origin = StyleUrl}},
       kDestructive,
       "body { background: url(gone.gif) }"},
      {"ScriptStringReplaced",
       R"(x = "http://old.example/";)",
       {{.replacement = "http://new.example/", .value = R"("http://old.example/")", .origin = ScriptString}},
       kDestructive,
       R"(x = "http://new.example/";)"},
      {"StyleUrlReplacedKeepsParentheses",
       "body { background: url(old.gif) }",
       {{.replacement = "new.gif", .value = "(old.gif)", .origin = StyleUrl}},
       {},
       "body { background: url(new.gif) }"},
      {"ConsecutiveScriptStringsAllReplaced",
       R"(a="http://a.example/";b="http://b.example/";)",
       {{.replacement = "http://a2.example/", .value = R"("http://a.example/")"},
        {.replacement = "http://b2.example/", .value = R"("http://b.example/")"}},
       {},
       R"(a="http://a2.example/";b="http://b2.example/";)"},
  };
}

std::vector<Row> endTagRows() {
  const Policy convert{.text = ConvertToText};
  const PlacedEntry gone{"", "<A", "'gone.htm'"};
  return {
      {"ConvertAroundAbbrKeepsLinkEndTag",
       "<A href='gone.htm'><ABBR>W3C</ABBR></A>",
       {gone},
       convert,
       "<ABBR>W3C</ABBR></A>"},
      {"ConvertEndTagNeverComes", "<A href='gone.htm'>Home", {gone}, convert, "Home"},
      {"ConvertEndTagWithoutTagEndKeepsRest", "<A href='gone.htm'>Home</A", {gone}, convert, "Home</A"},
      {"ConvertStartTagWithoutEndKeepsAll", "x<A href='gone.htm'", {gone}, convert, "x<A href='gone.htm'"},
      {"ConvertStartTagEndingOnlyInGreaterEqualsKeepsAll",
       "x<A href='gone.htm' n>=1",
       {gone},
       convert,
       "x<A href='gone.htm' n>=1"},
      {"ConvertStartTagEndSkipsGreaterEquals", R"(<A href='gone.htm' t=">=">Home</A>)", {gone}, convert, "Home"},
      {"ConvertTitleWithGreaterThanLeavesRestOfTag",
       "<A title='a>b' href='gone.htm'>Home</A>",
       {gone},
       convert,
       "b' href='gone.htm'>Home"},
      {"ConvertNestedPendingNames",
       "<A href='gone.htm'><SCRIPT src='gone.js'></SCRIPT>text</A>end",
       {gone, {"", "<SCRIPT", "'gone.js'"}},
       convert,
       "textend"},
      {"ConvertTwoLinksEachLosesEndTag",
       "<A href='a.htm'>x</A> <A href='b.htm'>y</A>",
       {{"", "<A", "'a.htm'"}, {"", "<A", "'b.htm'", 1}},
       convert,
       "x y"},
      {"ConvertLaterStartTagKeepsEndTag",
       "<A href='gone.htm'>x<A href='ok.htm'>y</A>",
       {gone},
       convert,
       "x<A href='ok.htm'>y</A>"},
      {"ConvertEndTagWaitsForLaterValue",
       "<A href='gone.htm'><IMG src='x.gif'></A>",
       {gone, {"y.gif", "<IMG", "'x.gif'"}},
       convert,
       "<IMG src='y.gif'>"},
      {"ConvertLaterValueInsideRemovedTagSkipped",
       R"(<A href="gone.htm" title="old.htm">Home</A>)",
       {{"", "<A", R"("gone.htm")"}, {"new.htm", "<A", R"("old.htm")"}},
       convert,
       "Home"},
      {"ConvertRemovesManyElementsInOrder",
       "<A href='1'>a</A><A href='2'>b</A><A href='3'>c</A>",
       {{"", "<A", "'1'"}, {"", "<A", "'2'", 1}, {"", "<A", "'3'", 2}},
       convert,
       "abc"},
  };
}

std::vector<Row> replacementRows() {
  return {
      {"ReplacePlain",
       R"(<A href="old.htm">Home</A>)",
       {{"new.htm", "<A", R"("old.htm")"}},
       kDestructive,
       R"(<A href="new.htm">Home</A>)"},
      {"ReplaceBareWithQuotedText",
       "<A href=old.htm>",
       {{R"("new page.htm")", "<A", "old.htm"}},
       {},
       R"(<A href="new page.htm">)"},
      {"ReplaceSingleQuotes", "<A href='old.htm'>", {{"new.htm", "<A", "'old.htm'"}}, {}, "<A href='new.htm'>"},
      {"ReplaceEscapedQuotes",
       R"(document.write("<A href=\"gone.htm\">");)",
       {{"new.htm", "<A", R"(\"gone.htm\")"}},
       {},
       R"(document.write("<A href=\"new.htm\">");)"},
      {"ReplaceEscapedMixedDelimitersCopied",
       R"(s = "<IMG src=\'gone.gif\">";)",
       {{"new.gif", "<IMG", R"(\'gone.gif\")"}},
       {},
       R"(s = "<IMG src=\'new.gif\">";)"},
      {"RelativeFileUrlQuoted",
       R"(<IMG src="gone.gif">)",
       {{R"(???file://C|\site\img\a.gif)", "<IMG", R"("gone.gif")"}},
       {},
       R"(<IMG src="../img/a.gif">)"},
      {"RelativeFileUrlInQuotesForBareValue",
       "<IMG src=gone.gif>",
       {{R"(???"file://C|\site\my img\a.gif")", "<IMG", "gone.gif"}},
       {},
       R"(<IMG src="../my img/a.gif">)"},
      {"RelativeFileUrlOtherDriveStaysAbsolute",
       "<IMG src='gone.gif'>",
       {{R"(???file://D|\other\a.gif)", "<IMG", "'gone.gif'"}},
       {},
       R"(<IMG src='file://D|\other\a.gif'>)"},
      {"RelativeDrivePath",
       "<IMG src='gone.gif'>",
       {{R"(???C:\site\img\a.gif)", "<IMG", "'gone.gif'"}},
       {},
       R"(<IMG src='..\img\a.gif'>)"},
      {"RelativeDrivePathInQuotesForBareValue",
       "<IMG src=gone.gif>",
       {{R"(???"C:\site\my img\a.gif")", "<IMG", "gone.gif"}},
       {},
       R"(<IMG src="..\my img\a.gif">)"},
      {"RelativeMarkerOnHttpUrlWritesUrl",
       "<IMG src='gone.gif'>",
       {{"???http://example.com/a.gif", "<IMG", "'gone.gif'"}},
       {},
       "<IMG src='http://example.com/a.gif'>"},
      {"RelativeMarkerOnRelativePathWritesPath",
       "<IMG src='gone.gif'>",
       {{"???img/a.gif", "<IMG", "'gone.gif'"}},
       {},
       "<IMG src='img/a.gif'>"},
      {"RelativeFromOtherDocumentFolder",
       "<IMG src='gone.gif'>",
       {{R"(???file://C|\site\img\a.gif)", "<IMG", "'gone.gif'"}},
       {},
       "<IMG src='img/a.gif'>",
       R"(C:\site\index.htm)"},
      {"RelativePosixFileUrl",
       "<IMG src='gone.gif'>",
       {{"???file:///home/ann/site/img/a.gif", "<IMG", "'gone.gif'"}},
       {},
       "<IMG src='../img/a.gif'>",
       kPosixPage},
      {"RelativePosixPathText",
       "<IMG src='gone.gif'>",
       {{R"(???\home\ann\site\img\a.gif)", "<IMG", "'gone.gif'"}},
       {},
       kPosixHost ? R"(<IMG src='..\img\a.gif'>)" : R"(<IMG src='\home\ann\site\img\a.gif'>)",
       kPosixPage},
      {"DoNotChangeWritesDecodedUrl",
       R"(<A href="a%20b.htm">)",
       {{.replacement = "a b.htm", .tag = "<A", .value = R"("a%20b.htm")", .url = "a b.htm"}},
       {},
       R"(<A href="a b.htm">)"},
      {"DoNotChangeDropsControlCharacters",
       "<A href=\"a\nb.htm\">",
       {{.replacement = "ab.htm", .tag = "<A", .value = "\"a\nb.htm\"", .url = "ab.htm"}},
       {},
       R"(<A href="ab.htm">)"},
      {"PrefixProposalThenDeleteOnlyLaterApplies",
       R"(<A href="www.example.com">x</A>)",
       {{"http://www.example.com", "<A", R"("www.example.com")"}, {"", "<A", R"("www.example.com")"}},
       {.text = MakeEmpty},
       R"(<A href="#">x</A>)"},
      {"PrefixProposalThenKeptDeleteChangesNothing",
       R"(<A href="www.example.com">x</A>)",
       {{"http://www.example.com", "<A", R"("www.example.com")"}, {"", "<A", R"("www.example.com")"}},
       {.text = Keep},
       R"(<A href="www.example.com">x</A>)"},
      {"TwoReplacementsForOneValueLaterWins",
       R"(<A href="old.htm">)",
       {{"first.htm", "<A", R"("old.htm")"}, {"second.htm", "<A", R"("old.htm")"}},
       {},
       R"(<A href="second.htm">)"},
      {"EqualOffsetInOtherFileIsAnotherValue",
       R"(<A href="old.htm">)",
       {{"new.htm", "<A", R"("old.htm")"},
        {.replacement = "other.htm", .tag = "<A", .value = R"("old.htm")", .file = 1}},
       {},
       R"(<A href="new.htm">)"},
      {"ValueReplacedBeforeItsTagIsNeverRemoved",
       R"(<A name="old.htm" href="gone.htm">Home</A>)",
       {{"new.htm", "<A", R"("old.htm")"}, {"", "<A", R"("gone.htm")"}},
       {.text = ConvertToText},
       R"(<A name="new.htm" href="gone.htm">Home</A>)"},
      {"TableNotInFileOrder",
       R"(<A href="a.htm">x</A><A href="b.htm">y</A>)",
       {{"b2.htm", "<A", R"("b.htm")", 1}, {"a2.htm", "<A", R"("a.htm")"}},
       {},
       R"(<A href="a2.htm">x</A><A href="b2.htm">y</A>)"},
      {"NoOccurrencesCopiedUnchanged",
       "<P>nothing <A href='x.htm'>here</A></P>",
       {},
       kDestructive,
       "<P>nothing <A href='x.htm'>here</A></P>"},
      {"OtherFilesEntriesIgnored",
       "<A href='x.htm'>here</A>",
       {{.replacement = "", .tag = "<A", .value = "'x.htm'", .file = 1}},
       kDestructive,
       "<A href='x.htm'>here</A>"},
  };
}

// Entries whose positions do not fit the document (a hand-edited table).
std::vector<Row> outOfBoundsRows() {
  constexpr std::string_view kImg = "<IMG src='gone.gif'>";
  return {
      {"ValuePastEndIgnored",
       kImg,
       {{.replacement = "new.gif", .tag = "<IMG", .rawValuePos = 1000, .rawSpan = 3}},
       {},
       kImg},
      {"ValueJustPastEndIgnored",
       kImg,
       {{.replacement = "new.gif", .tag = "<IMG", .rawValuePos = 21, .rawSpan = 0}},
       {},
       kImg},
      {"EmptyValueAtEndWritten",
       kImg,
       {{.replacement = "new.gif", .tag = "<IMG", .rawValuePos = 20, .rawSpan = 0}},
       {},
       "<IMG src='gone.gif'>new.gif"},
      {"SpanEndingAtEndOfDocumentWritten",
       "<IMG src='gone.gif'",
       {{"new.gif", "<IMG", "'gone.gif'"}},
       {},
       "<IMG src='new.gif'"},
      {"SpanOneCharacterPastEndIgnored",
       "<IMG src='gone.gif'",
       {{.replacement = "new.gif", .tag = "<IMG", .value = "'gone.gif'", .rawSpan = 11}},
       {},
       "<IMG src='gone.gif'"},
      {"HugeSpanIgnored",
       kImg,
       {{.replacement = "new.gif", .tag = "<IMG", .value = "'gone.gif'", .rawSpan = INT64_MAX / 2}},
       {},
       kImg},
      {"NegativeSpanIgnored",
       kImg,
       {{.replacement = "new.gif", .tag = "<IMG", .value = "'gone.gif'", .rawSpan = -1}},
       {},
       kImg},
      {"NegativeValuePosIgnored",
       kImg,
       {{.replacement = "new.gif", .tag = "<IMG", .rawValuePos = -4, .rawSpan = 2}},
       {},
       kImg},
      {"UnknownQuoteKindIgnored",
       kImg,
       {{.replacement = "new.gif", .tag = "<IMG", .value = "'gone.gif'", .rawQuoteKind = 3}},
       {},
       kImg},
      {"SpanShorterThanItsDelimitersIgnored",
       kImg,
       {{.replacement = "new.gif", .tag = "<IMG", .value = "'gone.gif'", .rawSpan = 3, .rawQuoteKind = EscapedQuotes}},
       {},
       kImg},
      {"TagPastEndMatchesNothing",
       kImg,
       {{.replacement = "", .value = "'gone.gif'", .origin = 500}},
       kDestructive,
       kImg},
      {"BadEntryDoesNotStopOthers",
       R"(<IMG src='gone.gif'><A href="old.htm">)",
       {{.replacement = "new.gif", .tag = "<IMG", .value = "'gone.gif'", .rawSpan = 500},
        {"new.htm", "<A", R"("old.htm")"}},
       {},
       R"(<IMG src='gone.gif'><A href="new.htm">)"},
  };
}

std::vector<Row> allRows() {
  std::vector<Row> rows;
  for (auto make : {imageAndBackgroundRows, textLinkRows, endTagRows, replacementRows, outOfBoundsRows}) {
    for (Row& row : make()) rows.push_back(std::move(row));
  }
  return rows;
}

// ------------------------------------------------------------ running a row

struct Rewritten {
  std::string text;
  RewriteResult result;
};

Rewritten rewriteRow(const Row& row, Encoding encoding, const std::vector<std::size_t>* listOverride = nullptr) {
  const std::string doc = encode(row.doc, encoding);
  const UrlTable table = buildTable(row, encoding);
  const FileList files = buildFiles(row.docPath);
  const Settings settings = buildSettings(row.policy);
  const std::vector<std::size_t> list =
      listOverride != nullptr ? *listOverride : entriesByFile(table, files.count())[0];
  StringSink sink;
  const RewriteResult result = rewriteDocument(TextView::of(doc, encoding), table, list, files, settings, 0, sink);
  return {sink.text, result};
}

class RewriteRowTest : public testing::TestWithParam<std::tuple<Row, Encoding>> {};

TEST_P(RewriteRowTest, WritesExpectedDocument) {
  const auto& [row, encoding] = GetParam();
  const Rewritten out = rewriteRow(row, encoding);
  EXPECT_EQ(out.text, encode(row.expected, encoding));
  EXPECT_FALSE(out.result.writeFailed);
  std::size_t ownEntries = 0;
  for (const PlacedEntry& placed : row.entries) ownEntries += placed.file == 0 ? 1 : 0;
  EXPECT_EQ(out.result.occurrences, ownEntries);
  // A document comes out as it was exactly when none of its values changed.
  EXPECT_EQ(out.result.changedValues == 0, out.text == encode(row.doc, encoding)) << out.result.changedValues;
}

INSTANTIATE_TEST_SUITE_P(Rows, RewriteRowTest,
                         testing::Combine(testing::ValuesIn(allRows()),
                                          testing::Values(Encoding::SingleByte, Encoding::Utf16)),
                         [](const testing::TestParamInfo<std::tuple<Row, Encoding>>& info) {
                           return std::string(std::get<0>(info.param).name) +
                                  (std::get<1>(info.param) == Encoding::Utf16 ? "_Utf16" : "_SingleByte");
                         });

// ------------------------------------------------------------ values changed

struct ChangedRow {
  Row row;
  std::size_t values = 0;   // valueCount of the row's entries
  std::size_t changed = 0;  // of them, changed by the output
};

void PrintTo(const ChangedRow& row, std::ostream* os) { *os << row.row.name; }

class ChangedValuesTest : public testing::TestWithParam<ChangedRow> {};

TEST_P(ChangedValuesTest, CountsTheValuesTheOutputChanges) {
  const ChangedRow& row = GetParam();
  const UrlTable table = buildTable(row.row, Encoding::SingleByte);
  EXPECT_EQ(valueCount(table, entriesByFile(table, 1)[0]), row.values);
  const Rewritten out = rewriteRow(row.row, Encoding::SingleByte);
  EXPECT_EQ(out.text, row.row.expected);
  EXPECT_EQ(out.result.changedValues, row.changed);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ChangedValuesTest,
    testing::Values(ChangedRow{{"KeptImageBesideReplacedLink",
                                R"(<IMG src="gone.gif"><A href="old.htm">)",
                                {{"", "<IMG", R"("gone.gif")"}, {"new.htm", "<A", R"("old.htm")"}},
                                {},
                                R"(<IMG src="gone.gif"><A href="new.htm">)"},
                               2,
                               1},
                    ChangedRow{{"DoNotChangeWritesTheSameBytes",
                                R"(<A href="old.htm">)",
                                {{.replacement = "old.htm", .tag = "<A", .value = R"("old.htm")"}},
                                kDestructive,
                                R"(<A href="old.htm">)"},
                               1,
                               0},
                    ChangedRow{{"ScriptStringIsNeverDeleted",
                                R"(x = "gone.htm";)",
                                {{.replacement = "", .value = R"("gone.htm")"}},
                                kDestructive,
                                R"(x = "gone.htm";)"},
                               1,
                               0},
                    ChangedRow{{"ValueInsideARemovedTag",
                                R"(<A href="gone.htm" title="old.htm">x</A>)",
                                {{"", "<A", R"("gone.htm")"}, {"new.htm", "<A", R"("old.htm")"}},
                                {.text = ConvertToText},
                                "x"},
                               2,
                               2},
                    ChangedRow{
                        {"TwoEntriesOfOneValueAreOne",
                         R"(<A href="www.x.example">)",
                         {{"http://www.x.example", "<A", R"("www.x.example")"}, {"", "<A", R"("www.x.example")"}},
                         {},
                         R"(<A href="www.x.example">)"},
                        1,
                        0},
                    ChangedRow{{"KeptDeletionThenReplacementOfOneValue",
                                R"(<IMG src="old.gif">)",
                                {{"", "<IMG", R"("old.gif")"}, {"new.gif", "<IMG", R"("old.gif")"}},
                                {},
                                R"(<IMG src="new.gif">)"},
                               1,
                               1}),
    [](const testing::TestParamInfo<ChangedRow>& info) { return std::string(info.param.row.name); });

// ------------------------------------------------------------ listing order

TEST(RewriteOrderTest, EqualOffsetsKeepTableOrderWhateverTheListOrder) {
  // The delete comes first in the table and empties the value; the later
  // replacement then lies in written text. Listed the other way round, the
  // result must not change.
  const Row row{"",
                R"(<IMG src="old.gif">)",
                {{"", "<IMG", R"("old.gif")"}, {"new.gif", "<IMG", R"("old.gif")"}},
                {.image = MakeEmpty},
                R"(<IMG src="">)"};
  const std::vector<std::size_t> reversed = {1, 0};
  for (const Encoding encoding : {Encoding::SingleByte, Encoding::Utf16}) {
    EXPECT_EQ(rewriteRow(row, encoding).text, encode(row.expected, encoding));
    EXPECT_EQ(rewriteRow(row, encoding, &reversed).text, encode(row.expected, encoding));
  }
}

TEST(RewriteOrderTest, ListedIndicesOfOtherFilesOrOutOfRangeAreNotOccurrences) {
  const Row row{
      "",
      R"(<A href="old.htm">)",
      {{"new.htm", "<A", R"("old.htm")"}, {.replacement = "x.htm", .tag = "<A", .value = R"("old.htm")", .file = 1}},
      {},
      R"(<A href="new.htm">)"};
  const std::vector<std::size_t> list = {0, 1, 7, 0};
  const Rewritten out = rewriteRow(row, Encoding::SingleByte, &list);
  EXPECT_EQ(out.text, row.expected);
  EXPECT_EQ(out.result.occurrences, 1u);
}

TEST(RewriteOrderTest, ManyRemovedStartTagsWithoutEndTags) {
  std::string doc;
  std::string expected;
  UrlTable table;
  for (int i = 0; i < 3000; ++i) {
    UrlEntry entry;
    entry.tagPos = static_cast<std::int64_t>(doc.size());
    doc += "<BGSOUND src='";
    entry.valuePos = static_cast<std::int64_t>(doc.size()) - 1;
    entry.spanLength = 2;
    entry.quoteKind = Delimited;
    doc += "'>x";
    expected += "x";
    table.append(entry);
  }
  const FileList files = buildFiles(kPagePath);
  Settings settings;
  settings.textLinkAction = ConvertToText;
  StringSink sink;
  const RewriteResult result = rewriteDocument(TextView::of(doc, Encoding::SingleByte), table,
                                               entriesByFile(table, files.count())[0], files, settings, 0, sink);
  EXPECT_EQ(sink.text, expected);
  EXPECT_EQ(result.occurrences, 3000u);
}

// ------------------------------------------------------------ UTF-16 documents

TEST(RewriteUtf16Test, NewValueIsWidenedBetweenOwnDelimiters) {
  const Row row{"", "<A href='gone.htm'>", {{"", "<A", "'gone.htm'"}}, {.text = MakeEmpty}, ""};
  const std::string out = rewriteRow(row, Encoding::Utf16).text;
  const std::string tail(out.end() - 8, out.end());
  EXPECT_EQ(tail, std::string("'\0#\0'\0>\0", 8));
}

TEST(RewriteUtf16Test, ValueOffTheCharacterGridIgnored) {
  const std::string doc = encode("<A href='old.htm'>", Encoding::Utf16);
  UrlTable table;
  UrlEntry entry;
  entry.replacement = "new.htm";
  entry.tagPos = 2;
  entry.valuePos = 2 + 2 * 8 + 1;  // one byte into the opening quote
  entry.spanLength = 4;
  entry.quoteKind = Delimited;
  table.append(entry);
  const FileList files = buildFiles(kPagePath);
  StringSink sink;
  const RewriteResult result =
      rewriteDocument(TextView::of(doc, Encoding::Utf16), table, {0}, files, Settings{}, 0, sink);
  EXPECT_EQ(sink.text, doc);
  EXPECT_EQ(result.occurrences, 1u);
}

TEST(ComposeValueTest, WidensThroughTheCodePage) {
  const test_support::ScopedHostText host(platform::HostText::Windows1252);
  const std::string doc = encode("x='old'", Encoding::Utf16);
  UrlEntry entry;
  entry.valuePos = 2 + 2 * 2;
  entry.spanLength = 5;
  entry.quoteKind = Delimited;
  // 0xE9 is e-acute (U+00E9), 0x80 the euro sign (U+20AC).
  EXPECT_EQ(composeValue(TextView::of(doc, Encoding::Utf16), entry, "\xE9\x80"),
            std::string("'\0\xE9\0\xAC\x20'\0", 8));
}

// Under UTF-8 host text a new value takes the page's own text: UTF-16 every
// character, a UTF-8 page its bytes, a Windows-1252 page the byte where the
// character has one; what the page cannot hold goes in as "%" escapes of its
// UTF-8 bytes (every character beyond ASCII in a page of pure ASCII), and so
// does a byte that is no part of a character.
struct PageTextRow {
  const char* name;
  std::string page;  // the value 'old' stands after this text
  Encoding encoding;
  std::string value;
  std::string expected;  // between the value's own quotes
};

const std::string kEuroCjkEacute = "\xE2\x82\xAC\xE4\xB8\xAD\xC3\xA9.gif";  // U+20AC U+4E2D U+00E9
const PageTextRow kPageTextRows[] = {
    {"Utf16", "", Encoding::Utf16, kEuroCjkEacute, std::string("\xAC\x20\x2D\x4E\xE9\0.\0g\0i\0f\0", 14)},
    {"Utf16BeyondTheBmp", "", Encoding::Utf16, "\xF0\x9F\x98\x80", std::string("\x3D\xD8\x00\xDE", 4)},
    {"Utf16StrayByte", "", Encoding::Utf16, "a\xE9",
     std::string("a\0%\0E\0"
                 "9\0",
                 8)},
    {"Utf8Page", "\xC3\xA9 ", Encoding::SingleByte, kEuroCjkEacute, kEuroCjkEacute},
    {"Utf8PageStrayByte", "\xC3\xA9 ", Encoding::SingleByte, "a\xE9", "a%E9"},
    {"Windows1252Page", "\xE9 ", Encoding::SingleByte, kEuroCjkEacute, "\x80%E4%B8%AD\xE9.gif"},
    {"AsciiPage", "", Encoding::SingleByte, kEuroCjkEacute, "%E2%82%AC%E4%B8%AD%C3%A9.gif"},
};

class PageTextTest : public ::testing::TestWithParam<PageTextRow> {};

TEST_P(PageTextTest, ValueTakesThePagesText) {
  const PageTextRow& row = GetParam();
  const test_support::ScopedHostText host(platform::HostText::Utf8);
  const std::string doc = row.encoding == Encoding::Utf16 ? encode("x='old'", row.encoding) : row.page + "x='old'";
  UrlEntry entry;
  entry.valuePos = mapPos(static_cast<std::int64_t>(row.page.size()) + 2, row.encoding);
  entry.spanLength = 5;
  entry.quoteKind = Delimited;
  const std::string quote = encode("'", row.encoding).substr(row.encoding == Encoding::Utf16 ? 2 : 0);
  EXPECT_EQ(composeValue(TextView::of(doc, row.encoding), entry, row.value), quote + row.expected + quote);
}

INSTANTIATE_TEST_SUITE_P(Rows, PageTextTest, ::testing::ValuesIn(kPageTextRows),
                         [](const ::testing::TestParamInfo<PageTextRow>& info) {
                           return std::string(info.param.name);
                         });

TEST(ComposeValueTest, EscapedQuotesKeepBothPairs) {
  const std::string doc = R"(a=\"gone.htm\";)";
  UrlEntry entry;
  entry.valuePos = 2;
  entry.spanLength = 12;
  entry.quoteKind = EscapedQuotes;
  EXPECT_EQ(composeValue(TextView::of(doc, Encoding::SingleByte), entry, "new.htm"), R"(\"new.htm\")");
}

// ------------------------------------------------------------ failing writes

// Accepts `accept` writes, refuses the next, and counts any attempt after it.
class FailingSink : public OutputSink {
 public:
  explicit FailingSink(int accept) : accept_(accept) {}
  bool write(const std::uint8_t* bytes, std::size_t count) override {
    if (refused_) {
      ++callsAfterRefusal;
      return false;
    }
    if (calls++ == accept_) {
      refused_ = true;
      return false;
    }
    text.append(reinterpret_cast<const char*>(bytes), count);
    return true;
  }
  std::string text;
  int calls = 0;
  int callsAfterRefusal = 0;

 private:
  int accept_;
  bool refused_ = false;
};

TEST(RewriteWriteFailureTest, StopsAtTheFirstRefusedWrite) {
  const Row row{"",
                R"(<P><A href='gone.htm'>Home</A> <IMG src="old.gif"> <SCRIPT src=x.js></SCRIPT></P>)",
                {{"", "<A", "'gone.htm'"}, {"new.gif", "<IMG", R"("old.gif")"}, {R"("")", "<SCRIPT", "x.js"}},
                {.text = ConvertToText},
                R"(<P>Home <IMG src="new.gif"> </P>)"};
  for (const Encoding encoding : {Encoding::SingleByte, Encoding::Utf16}) {
    const std::string doc = encode(row.doc, encoding);
    const UrlTable table = buildTable(row, encoding);
    const FileList files = buildFiles(kPagePath);
    const Settings settings = buildSettings(row.policy);
    const std::vector<std::size_t> list = entriesByFile(table, files.count())[0];
    const std::string full = encode(row.expected, encoding);

    FailingSink counting(1 << 30);
    ASSERT_FALSE(rewriteDocument(TextView::of(doc, encoding), table, list, files, settings, 0, counting).writeFailed);
    ASSERT_EQ(counting.text, full);
    const int writes = counting.calls;
    ASSERT_GE(writes, 5);

    for (int accept = 0; accept <= writes; ++accept) {
      SCOPED_TRACE(accept);
      FailingSink sink(accept);
      const RewriteResult result = rewriteDocument(TextView::of(doc, encoding), table, list, files, settings, 0, sink);
      EXPECT_EQ(result.writeFailed, accept < writes);
      EXPECT_EQ(result.occurrences, 3u);
      EXPECT_EQ(sink.callsAfterRefusal, 0);
      EXPECT_EQ(full.substr(0, sink.text.size()), sink.text);
      if (accept == writes) {
        EXPECT_EQ(sink.text, full);
      }
    }
  }
}

// ------------------------------------------------------------ entriesByFile

TEST(EntriesByFileTest, GroupsInTableOrderAndDropsUnknownFiles) {
  UrlTable table;
  for (const std::int32_t file : {1, 0, 1, 5, -1, 0}) {
    UrlEntry entry;
    entry.fileIndex = file;
    table.append(entry);
  }
  const auto byFile = entriesByFile(table, 3);
  ASSERT_EQ(byFile.size(), 3u);
  EXPECT_EQ(byFile[0], (std::vector<std::size_t>{1, 5}));
  EXPECT_EQ(byFile[1], (std::vector<std::size_t>{0, 2}));
  EXPECT_TRUE(byFile[2].empty());
}

// ------------------------------------------------------------ resolveTarget

struct ResolveRow {
  std::string_view name;
  std::string_view target;
  std::string_view expected;
  std::string_view documentPath = kPagePath;
};

void PrintTo(const ResolveRow& row, std::ostream* os) { *os << row.name; }

class ResolveTargetTest : public testing::TestWithParam<ResolveRow> {};

TEST_P(ResolveTargetTest, MakesRelativeOnlyFileUrlsAndDrivePaths) {
  const ResolveRow& row = GetParam();
  EXPECT_EQ(resolveTarget(row.target, row.documentPath), row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ResolveTargetTest,
    testing::Values(
        ResolveRow{"FileUrl", R"(file://C|\site\img\a.gif)", "../img/a.gif"},
        ResolveRow{"FileUrlSameFolder", R"(file://C|\site\sub\b.htm)", "b.htm"},
        ResolveRow{"FileUrlOtherDrive", R"(file://D|\other\y.htm)", R"(file://D|\other\y.htm)"},
        ResolveRow{"QuotedFileUrlKeepsQuotes", R"("file://C|\site\a b.gif")", R"("../a b.gif")"},
        ResolveRow{"HttpUnchanged", "http://example.com/a.gif", "http://example.com/a.gif"},
        ResolveRow{"QuotedHttpUnchanged", R"("http://example.com/a b.gif")", R"("http://example.com/a b.gif")"},
        ResolveRow{"DrivePath", R"(C:\site\img\a.gif)", R"(..\img\a.gif)"},
        ResolveRow{"DrivePathOtherDrive", R"(D:\other\y.gif)", R"(D:\other\y.gif)"},
        ResolveRow{"QuotedDrivePathKeepsQuotes", R"("C:\site\a b.gif")", R"("..\a b.gif")"},
        ResolveRow{"DrivePathWithSlashesUnchanged", "C:/site/a.gif", "C:/site/a.gif"},
        ResolveRow{"DriveBarWithoutSchemeUnchanged", R"(C|\site\a.gif)", R"(C|\site\a.gif)"},
        ResolveRow{"MailtoUnchanged", "mailto:ann@example.com", "mailto:ann@example.com"},
        ResolveRow{"RelativePathUnchanged", "img/a.gif", "img/a.gif"}, ResolveRow{"EmptyUnchanged", "", ""},
        ResolveRow{"LoneQuoteUnchanged", "\"", "\""},
        ResolveRow{"PosixFileUrl", "file:///home/ann/site/img/a.gif", "../img/a.gif", kPosixPage},
        ResolveRow{"PosixPathText", R"(\home\ann\site\img\a.gif)",
                   kPosixHost ? R"(..\img\a.gif)" : R"(\home\ann\site\img\a.gif)", kPosixPage},
        ResolveRow{"PosixPathTextElsewhere", R"(\srv\a.gif)", kPosixHost ? R"(..\..\..\..\srv\a.gif)" : R"(\srv\a.gif)",
                   kPosixPage},
        ResolveRow{"QuotedPosixPathText", R"("\home\ann\site\a b.gif")",
                   kPosixHost ? R"("..\a b.gif")" : R"("\home\ann\site\a b.gif")", kPosixPage},
        ResolveRow{"DoubleBackslashUnchanged", R"(\\server\share\a.gif)", R"(\\server\share\a.gif)", kPosixPage}),
    [](const testing::TestParamInfo<ResolveRow>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quillorn
