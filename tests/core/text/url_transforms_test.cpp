#include "core/text/url_transforms.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <string_view>

#include "tests/support/host_text.h"

namespace quillorn {
namespace {

using platform::HostText;
using test_support::ScopedHostText;

// Row names become test names, so each row says what it checks.
struct RowName {
  template <typename Info>
  std::string operator()(const Info& info) const {
    return std::string(info.param.name);
  }
};

// ---------------------------------------------------------------- splitPath

struct SplitPathRow {
  std::string_view name;
  std::string_view path;
  std::string_view folder;
  std::string_view lastComponent;
};

class SplitPathTest : public testing::TestWithParam<SplitPathRow> {};

TEST_P(SplitPathTest, GivesFolderAndLastComponent) {
  const SplitPathRow& row = GetParam();
  const SplitPathResult result = splitPath(row.path);
  EXPECT_EQ(result.folder, row.folder);
  EXPECT_EQ(result.name, row.lastComponent);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SplitPathTest,
    testing::Values(SplitPathRow{"FileInFolder", R"(C:\site\a.htm)", R"(C:\site)", "a.htm"},
                    SplitPathRow{"FileAtDriveRootKeepsRootSeparator", R"(C:\a.htm)", R"(C:\)", "a.htm"},
                    SplitPathRow{"DriveRootItself", R"(C:\)", R"(C:\)", ""},
                    SplitPathRow{"TrailingSeparatorGivesEmptyName", R"(C:\site\)", R"(C:\site)", ""},
                    SplitPathRow{"SlashesWhenNoBackslash", "site/img/a.gif", "site/img", "a.gif"},
                    SplitPathRow{"LastBackslashWinsOverLaterSlash", R"(C:\site/img\a/b.gif)", "C:\\site/img",
                                 "a/b.gif"},
                    SplitPathRow{"UrlDriveFormGetsNoRootSeparator", "C|/a.htm", "C|", "a.htm"},
                    SplitPathRow{"NoSeparatorIsItsOwnName", "a.htm", "", "a.htm"},
                    SplitPathRow{"DriveWithoutSeparatorIsItsOwnName", "C:a.htm", "", "C:a.htm"},
                    SplitPathRow{"PosixPathText", R"(\home\ann\site\a.htm)", R"(\home\ann\site)", "a.htm"},
                    SplitPathRow{"SeparatorAtStartGivesEmptyFolder", R"(\a.htm)", "", "a.htm"},
                    SplitPathRow{"Empty", "", "", ""}),
    RowName{});

// ------------------------------------------------------------ splitFragment

struct SplitFragmentRow {
  std::string_view name;
  std::string_view url;
  std::string_view base;
  std::string_view fragment;
};

class SplitFragmentTest : public testing::TestWithParam<SplitFragmentRow> {};

TEST_P(SplitFragmentTest, SplitsAtFirstHash) {
  const SplitFragmentRow& row = GetParam();
  const SplitFragmentResult result = splitFragment(row.url);
  EXPECT_EQ(result.base, row.base);
  EXPECT_EQ(result.fragment, row.fragment);
}

INSTANTIATE_TEST_SUITE_P(Rows, SplitFragmentTest,
                         testing::Values(SplitFragmentRow{"NoHash", "a.htm", "a.htm", ""},
                                         SplitFragmentRow{"OnlyAnchorGivesEmptyBase", "#top", "", "#top"},
                                         SplitFragmentRow{"PageAndAnchor", "sub/a.htm#part2", "sub/a.htm", "#part2"},
                                         SplitFragmentRow{"SecondHashStaysInFragment", "a#b#c", "a", "#b#c"},
                                         SplitFragmentRow{"TrailingHash", "a.htm#", "a.htm", "#"},
                                         SplitFragmentRow{"Empty", "", "", ""}),
                         RowName{});

// -------------------------------------------------------- convertSeparators

struct SeparatorRow {
  std::string_view name;
  std::string_view text;
  SeparatorMode mode;
  std::string_view expected;
};

class ConvertSeparatorsTest : public testing::TestWithParam<SeparatorRow> {};

TEST_P(ConvertSeparatorsTest, ConvertsInPlace) {
  const SeparatorRow& row = GetParam();
  std::string text(row.text);
  convertSeparators(text, row.mode);
  EXPECT_EQ(text, row.expected);
}

constexpr SeparatorMode kWindows = SeparatorMode::Windows;
constexpr SeparatorMode kUrl = SeparatorMode::Url;

INSTANTIATE_TEST_SUITE_P(
    Rows, ConvertSeparatorsTest,
    testing::Values(SeparatorRow{"WindowsFromUrlForm", "C|/site/a.htm", kWindows, R"(C:\site\a.htm)"},
                    SeparatorRow{"UrlFromWindowsForm", R"(C:\site\a.htm)", kUrl, "C|/site/a.htm"},
                    SeparatorRow{"WindowsLeavesColonAndBackslash", R"(C:\a\b)", kWindows, R"(C:\a\b)"},
                    SeparatorRow{"UrlLeavesBarAndSlash", "C|/a/b", kUrl, "C|/a/b"},
                    SeparatorRow{"FileUrlInWindowsMode", "file://C:/site/a.htm", kWindows, R"(file://C|\site\a.htm)"},
                    SeparatorRow{"FileUrlInUrlMode", "file://C:/site\\a.htm", kUrl, R"(file://C|\site\a.htm)"},
                    SeparatorRow{"PosixFileUrl", "file:///home/ann/a.htm", kUrl, R"(file://\home\ann\a.htm)"},
                    SeparatorRow{"TextBeforeSchemeUntouchedInWindowsMode", "C|/x://y/z", kWindows, R"(C|/x://y\z)"},
                    SeparatorRow{"TextBeforeSchemeUntouchedInUrlMode", R"(C:\x://y:z)", kUrl, R"(C:\x://y|z)"},
                    SeparatorRow{"OnlyFirstSchemeMarkerProtects", "http://a:80/b://c", kUrl, R"(http://a|80\b|\\c)"},
                    SeparatorRow{"SchemeMarkerAtEnd", "a:/b://", kWindows, "a:/b://"},
                    SeparatorRow{"EmptyWindows", "", kWindows, ""}, SeparatorRow{"EmptyUrl", "", kUrl, ""}),
    RowName{});

// ---------------------------------------------------------------- decodeUrl

struct DecodeRow {
  std::string_view name;
  std::string_view text;
  std::string_view expected;
  HostText host = HostText::Windows1252;
};

class DecodeUrlTest : public testing::TestWithParam<DecodeRow> {};

TEST_P(DecodeUrlTest, DecodesInPlace) {
  const DecodeRow& row = GetParam();
  const ScopedHostText host(row.host);
  std::string text(row.text);
  decodeUrl(text);
  EXPECT_EQ(text, row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Escapes, DecodeUrlTest,
    testing::Values(DecodeRow{"SpaceEscape", "a%20b", "a b"}, DecodeRow{"LowercaseHex", "a%2fb", "a/b"},
                    DecodeRow{"UppercaseHex", "a%2Fb", "a/b"}, DecodeRow{"HighByte", "caf%E9", "caf\xE9"},
                    DecodeRow{"EscapeAtStartAndEnd", "%41x%42", "AxB"},
                    DecodeRow{"EscapedPercentDecodedOnce", "%2525", "%25"},
                    DecodeRow{"EscapedAmpersandNotTakenAsEntity", "%26amp;", "&amp;"},
                    DecodeRow{"PercentAtEnd", "a%", "a%"}, DecodeRow{"PercentNextToEnd", "a%4", "a%4"},
                    DecodeRow{"PercentWithOneHexDigit", "%4g", "%4g"}, DecodeRow{"PercentWithNonHex", "%zz", "%zz"},
                    DecodeRow{"PercentWithSignNotHex", "%+1", "%+1"}, DecodeRow{"LonePercentThenEscape", "%%41", "%A"},
                    DecodeRow{"ZeroEscapeEndsText", "a%00b", "a"}, DecodeRow{"ZeroEscapeAtStart", "%00abc", ""},
                    DecodeRow{"ZeroEscapeAfterDecodedByte", "%41%00%42", "A"}, DecodeRow{"Empty", "", ""},
                    DecodeRow{"NothingToDecode", "C:\\site\\a.htm", "C:\\site\\a.htm"}),
    RowName{});

INSTANTIATE_TEST_SUITE_P(
    Entities, DecodeUrlTest,
    testing::Values(DecodeRow{"Ampersand", "a.htm?x=1&amp;y=2", "a.htm?x=1&y=2"},
                    DecodeRow{"LatinLetter", "caf&eacute;.htm", "caf\xE9.htm"},
                    DecodeRow{"MarkupCharacters", "&lt;&gt;&quot;", "<>\""},
                    DecodeRow{"LongestName", "&frac14;", "\xBC"}, DecodeRow{"CapitalsAreAnotherName", "&AMP;", "&AMP;"},
                    DecodeRow{"CapitalAumlIsItsOwnEntity", "&Auml;&auml;", "\xC4\xE4"},
                    DecodeRow{"AposIsNotKnown", "&apos;", "&apos;"}, DecodeRow{"NeedsSemicolon", "&amp x", "&amp x"},
                    DecodeRow{"NameMustEndAtSemicolon", "&ampx;", "&ampx;"},
                    DecodeRow{"TruncatedNameAtEnd", "a&eacut", "a&eacut"},
                    DecodeRow{"DecodedAmpersandNotDecodedAgain", "&amp;amp;", "&amp;"},
                    DecodeRow{"BrokenNameThenEntity", "&am&lt;", "&am<"}, DecodeRow{"DoubledAmpersand", "&&lt;", "&<"},
                    DecodeRow{"EntityBetweenEscapes", "%41&amp;%42", "A&B"},
                    DecodeRow{"EntityTouchingEscape", "&quot;%22", "\"\""},
                    DecodeRow{"DecodedAmpersandThenEscape", "&amp;%23", "&#"},
                    DecodeRow{"ZeroEscapeAfterEntity", "&lt;%00&gt;", "<"}),
    RowName{});

// Numeric references decode as browsers read them, to the working text's byte.
INSTANTIATE_TEST_SUITE_P(
    NumericReferences, DecodeUrlTest,
    testing::Values(DecodeRow{"Decimal", "git-fsmonitor&#45;&#45;daemon.html", "git-fsmonitor--daemon.html"},
                    DecodeRow{"Hex", "a&#x2D;b&#X2d;c", "a-b-c"},
                    DecodeRow{"WithoutSemicolon", "a&#45b&#x2D-c", "a-b--c"},
                    DecodeRow{"LeadingZeros", "&#00065;", "A"}, DecodeRow{"LatinLetter", "caf&#233;", "caf\xE9"},
                    DecodeRow{"WindowsRangeIsWindows1252", "&#150;&#x80;", "\x96\x80"},
                    DecodeRow{"CharacterOfThatRangeByItsOwnNumber", "&#8211;&#x20AC;", "\x96\x80"},
                    DecodeRow{"NoWindows1252FormStays", "&#x4E2D;.htm", "&#x4E2D;.htm"},
                    DecodeRow{"ZeroStays", "a&#0;b", "a&#0;b"}, DecodeRow{"SurrogateStays", "&#xD800;", "&#xD800;"},
                    DecodeRow{"BeyondUnicodeStays", "&#99999999999999999999;x", "&#99999999999999999999;x"},
                    DecodeRow{"NoDigitsIsNoReference", "&#;&#x;&#xg;", "&#;&#x;&#xg;"},
                    DecodeRow{"DecimalStopsAtHexLetter", "&#65a", "Aa"},
                    DecodeRow{"DecodedAmpersandNotDecodedAgain", "&#38;amp;", "&amp;"},
                    DecodeRow{"DecodedPercentStartsAnEscape", "&#37;41", "A"},
                    DecodeRow{"EscapedReferenceStays", "%26#45;", "&#45;"}),
    RowName{});

// Under UTF-8 host text references decode to the character's UTF-8 bytes,
// and "%" escapes still to bytes, as browsers send them.
constexpr HostText kUtf8 = HostText::Utf8;
INSTANTIATE_TEST_SUITE_P(
    Utf8HostText, DecodeUrlTest,
    testing::Values(DecodeRow{"LatinEntity", "caf&eacute;.htm", "caf\xC3\xA9.htm", kUtf8},
                    DecodeRow{"MarkupEntity", "a&amp;b", "a&b", kUtf8},
                    DecodeRow{"LatinReference", "caf&#233;", "caf\xC3\xA9", kUtf8},
                    DecodeRow{"WindowsRangeReference", "&#150;&#x80;", "\xE2\x80\x93\xE2\x82\xAC", kUtf8},
                    DecodeRow{"ReferenceBeyondWindows1252", "&#x4E2D;.htm", "\xE4\xB8\xAD.htm", kUtf8},
                    DecodeRow{"ReferenceBeyondTheBmp", "&#x1F600;", "\xF0\x9F\x98\x80", kUtf8},
                    DecodeRow{"SurrogateIsReplacementCharacter", "&#xD800;", "\xEF\xBF\xBD", kUtf8},
                    DecodeRow{"EscapesStayBytes", "caf%E9%C3%A9", "caf\xE9\xC3\xA9", kUtf8}),
    RowName{});

// Each name without its '&' and ';', in the order of their codes 0xA0 to 0xFF.
constexpr std::array<std::string_view, 96> kLatinEntityNames{
    "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",    "copy",   "ordf",
    "laquo",  "not",    "shy",    "reg",    "macr",   "deg",    "plusmn", "sup2",   "sup3",   "acute",  "micro",
    "para",   "middot", "cedil",  "sup1",   "ordm",   "raquo",  "frac14", "frac12", "frac34", "iquest", "Agrave",
    "Aacute", "Acirc",  "Atilde", "Auml",   "Aring",  "AElig",  "Ccedil", "Egrave", "Eacute", "Ecirc",  "Euml",
    "Igrave", "Iacute", "Icirc",  "Iuml",   "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde", "Ouml",
    "times",  "Oslash", "Ugrave", "Uacute", "Ucirc",  "Uuml",   "Yacute", "THORN",  "szlig",  "agrave", "aacute",
    "acirc",  "atilde", "auml",   "aring",  "aelig",  "ccedil", "egrave", "eacute", "ecirc",  "euml",   "igrave",
    "iacute", "icirc",  "iuml",   "eth",    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide",
    "oslash", "ugrave", "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml"};

class DecodeUrlLatinEntityTest : public testing::TestWithParam<std::size_t> {};

TEST_P(DecodeUrlLatinEntityTest, DecodesToItsLatin1Code) {
  const ScopedHostText host(HostText::Windows1252);
  const std::size_t index = GetParam();
  std::string text = "x&" + std::string(kLatinEntityNames[index]) + ";y";
  decodeUrl(text);
  EXPECT_EQ(text, std::string("x") + static_cast<char>(0xA0 + index) + "y");
}

INSTANTIATE_TEST_SUITE_P(Table, DecodeUrlLatinEntityTest, testing::Range<std::size_t>(0, kLatinEntityNames.size()),
                         [](const testing::TestParamInfo<std::size_t>& info) {
                           return std::string(kLatinEntityNames[info.param]);
                         });

TEST(DecodeUrlEntityTableTest, KnowsExactlyTheHundredNames) {
  // All 100 names in one text decode to 100 bytes; near misses around them stay.
  const ScopedHostText host(HostText::Windows1252);
  std::string all;
  std::string expected;
  for (std::size_t i = 0; i < kLatinEntityNames.size(); ++i) {
    all.append("&").append(kLatinEntityNames[i]).append(";");
    expected += static_cast<char>(0xA0 + i);
  }
  all += "&quot;&amp;&lt;&gt;";
  expected += "\"&<>";
  ASSERT_EQ(expected.size(), 100u);
  decodeUrl(all);
  EXPECT_EQ(all, expected);

  for (std::string_view unknown : {"&apos;", "&euro;", "&trade;", "&Yuml;", "&QUOT;", "&Nbsp;", "&LT;", "&;"}) {
    std::string text(unknown);
    decodeUrl(text);
    EXPECT_EQ(text, unknown);
  }
}

// --------------------------------------------------------- makeRelativePath

struct RelativeRow {
  std::string_view name;
  std::string_view target;
  std::string_view baseFile;
  SeparatorMode mode;
  std::string_view expected;
};

class MakeRelativePathTest : public testing::TestWithParam<RelativeRow> {};

TEST_P(MakeRelativePathTest, ExpressesTargetFromBaseFolder) {
  const RelativeRow& row = GetParam();
  EXPECT_EQ(makeRelativePath(row.target, row.baseFile, row.mode), row.expected);
}

constexpr std::string_view kSubPage = R"(C:\site\sub\page.htm)";

INSTANTIATE_TEST_SUITE_P(
    Documented, MakeRelativePathTest,
    testing::Values(
        RelativeRow{"SiblingFolder", R"(C:\site\img\a.gif)", kSubPage, kUrl, "../img/a.gif"},
        RelativeRow{"SameFolder", R"(C:\site\sub\b.htm)", kSubPage, kUrl, "b.htm"},
        RelativeRow{"Subfolder", R"(C:\site\sub\deep\c.htm)", kSubPage, kUrl, "deep/c.htm"},
        RelativeRow{"ParentFolder", R"(C:\site\x.htm)", kSubPage, kUrl, "../x.htm"},
        RelativeRow{"OtherDrive", R"(D:\other\y.htm)", kSubPage, kUrl, R"(file://D|\other\y.htm)"},
        RelativeRow{"SiblingFolderWindows", R"(C:\site\img\a.gif)", kSubPage, kWindows, R"(..\img\a.gif)"},
        RelativeRow{"FolderNamePrefixSharesOnlyRoot", R"(C:\site\x.htm)", R"(C:\site2\p.htm)", kUrl, "../site/x.htm"},
        RelativeRow{"ImageFromTopPage", R"(C:\site\img\blank.gif)", R"(C:\site\index.htm)", kUrl, "img/blank.gif"},
        RelativeRow{"ImageFromSubPage", R"(C:\site\img\blank.gif)", kSubPage, kUrl, "../img/blank.gif"},
        RelativeRow{"FoldsCaseButKeepsTargetCase", R"(C:\Site\IMG\A.gif)", R"(c:\SITE\sub\p.htm)", kUrl,
                    "../IMG/A.gif"}),
    RowName{});

INSTANTIATE_TEST_SUITE_P(
    Forms, MakeRelativePathTest,
    testing::Values(
        RelativeRow{"FileUrlTarget", R"(file://C|\site\img\a.gif)", kSubPage, kUrl, "../img/a.gif"},
        RelativeRow{"FileUrlTargetWindows", R"(file://C|\site\img\a.gif)", kSubPage, kWindows, R"(..\img\a.gif)"},
        RelativeRow{"FileUrlWithSlashes", "file://C|/site/img/a.gif", kSubPage, kUrl, "../img/a.gif"},
        RelativeRow{"FileUrlOtherDriveWindows", "file://D|/x/y.htm", kSubPage, kWindows, R"(D:\x\y.htm)"},
        RelativeRow{"FileUrlOtherDriveUrl", "file://D|/x/y.htm", kSubPage, kUrl, R"(file://D|\x\y.htm)"},
        RelativeRow{"QuotedPath", R"("C:\site\img\a.gif")", kSubPage, kUrl, R"("../img/a.gif")"},
        RelativeRow{"QuotedPathWindows", R"("C:\site\img\a.gif")", kSubPage, kWindows, R"("..\img\a.gif")"},
        RelativeRow{"QuotedFileUrl", R"("file://C|\site\img\a.gif")", kSubPage, kUrl, R"("../img/a.gif")"},
        RelativeRow{"QuotedSameFolder", R"("C:\site\sub\b.htm")", kSubPage, kUrl, R"("b.htm")"},
        RelativeRow{"QuotedOtherDrive", R"("D:\x\y.htm")", kSubPage, kUrl, R"("file://D|\x\y.htm")"},
        RelativeRow{"QuotedOtherDriveWindows", R"("D:\x\y.htm")", kSubPage, kWindows, R"("D:\x\y.htm")"},
        RelativeRow{"SlashedDrivePath", "C:/site/img/a.gif", kSubPage, kUrl, "../img/a.gif"},
        RelativeRow{"SlashedDrivePathWindows", "C:/site/img/a.gif", kSubPage, kWindows, R"(..\img\a.gif)"},
        RelativeRow{"HttpUnchanged", "http://host/a.htm", kSubPage, kUrl, "http://host/a.htm"},
        RelativeRow{"HttpUnchangedWindows", "http://host/a.htm", kSubPage, kWindows, "http://host/a.htm"},
        RelativeRow{"FileSchemeLaterInUrlUnchanged", "ftp://host/file://x", kSubPage, kUrl, "ftp://host/file://x"},
        RelativeRow{"SchemeMarkerInsidePathUnchanged", R"(C:\odd://name\a.htm)", kSubPage, kUrl,
                    R"(C:\odd://name\a.htm)"}),
    RowName{});

INSTANTIATE_TEST_SUITE_P(
    Levels, MakeRelativePathTest,
    testing::Values(
        RelativeRow{"FromDriveRootIntoFolders", R"(C:\site\img\a.gif)", R"(C:\index.htm)", kUrl, "site/img/a.gif"},
        RelativeRow{"UpToDriveRoot", R"(C:\a.htm)", kSubPage, kUrl, "../../a.htm"},
        RelativeRow{"SharedNamePrefixIsNotSharedFolder", R"(C:\site\subway\a.htm)", kSubPage, kUrl, "../subway/a.htm"},
        RelativeRow{"ManyLevelsUp", R"(C:\a\x.htm)", R"(C:\a\b\c\d\p.htm)", kWindows, R"(..\..\..\x.htm)"},
        RelativeRow{"ManyLevelsDown", R"(C:\a\b\c\d\x.htm)", R"(C:\a\p.htm)", kUrl, "b/c/d/x.htm"},
        RelativeRow{"SameDriveLetterOtherCase", R"(c:\site\img\a.gif)", kSubPage, kUrl, "../img/a.gif"}),
    RowName{});

// Path text of a POSIX host: the host's '/' written as '\', no drive.
constexpr std::string_view kPosixPage = R"(\home\ann\site\sub\page.htm)";

INSTANTIATE_TEST_SUITE_P(
    PosixPathText, MakeRelativePathTest,
    testing::Values(
        RelativeRow{"SiblingFolder", R"(\home\ann\site\img\a.gif)", kPosixPage, kUrl, "../img/a.gif"},
        RelativeRow{"SiblingFolderWindows", R"(\home\ann\site\img\a.gif)", kPosixPage, kWindows, R"(..\img\a.gif)"},
        RelativeRow{"SameFolder", R"(\home\ann\site\sub\b.htm)", kPosixPage, kUrl, "b.htm"},
        RelativeRow{"OtherHome", R"(\home\bob\x.htm)", kPosixPage, kUrl, "../../../bob/x.htm"},
        RelativeRow{"StandardFileUrl", "file:///home/ann/site/img/a.gif", kPosixPage, kUrl, "../img/a.gif"},
        RelativeRow{"ProgramFileUrl", R"(file://\home\ann\site\sub\deep\c.htm)", kPosixPage, kUrl, "deep/c.htm"},
        RelativeRow{"QuotedStandardFileUrl", R"("file:///home/ann/site/x.htm")", kPosixPage, kUrl, R"("../x.htm")"}),
    RowName{});

INSTANTIATE_TEST_SUITE_P(Degenerate, MakeRelativePathTest,
                         testing::Values(RelativeRow{"BaseWithoutFolderGivesFileUrl", R"(C:\site\a.htm)", "page.htm",
                                                     kUrl, R"(file://C|\site\a.htm)"},
                                         RelativeRow{"BaseWithoutFolderWindows", R"(C:\site\a.htm)", "page.htm",
                                                     kWindows, R"(C:\site\a.htm)"},
                                         RelativeRow{"EmptyBase", R"(C:\site\a.htm)", "", kUrl,
                                                     R"(file://C|\site\a.htm)"},
                                         RelativeRow{"EmptyTarget", "", kSubPage, kUrl, "file://"},
                                         RelativeRow{"EmptyTargetWindows", "", kSubPage, kWindows, ""},
                                         RelativeRow{"BareNameTargetWindows", "a.htm", kSubPage, kWindows, "a.htm"},
                                         RelativeRow{"EmptyQuotedTargetWindows", R"("")", kSubPage, kWindows, R"("")"},
                                         RelativeRow{"LoneQuoteIsNotAPair", R"(")", kSubPage, kWindows, R"(")"}),
                         RowName{});

}  // namespace
}  // namespace quillorn
