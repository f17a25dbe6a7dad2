#include "core/text/markup_lexing.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "core/text/document_buffer.h"
#include "tests/support/host_text.h"

namespace quillorn {
namespace {

using namespace std::string_view_literals;

// A test text held in either encoding. Rows are written as single-byte text
// with offsets into it; for UTF-16 the text is widened behind an FF FE mark
// and every offset becomes offset * 2 + 2.
class EncodedText {
 public:
  EncodedText(std::string_view narrow, Encoding encoding) : encoding_(encoding) {
    if (encoding == Encoding::Utf16) {
      bytes_ = "\xFF\xFE";
      appendWidened(narrow, bytes_);
    } else {
      bytes_ = std::string(narrow);
    }
  }

  // Adds raw bytes after the text (for a UTF-16 buffer of odd length).
  EncodedText& appendRaw(std::string_view raw) {
    bytes_ += raw;
    return *this;
  }

  TextView view() const { return TextView::of(bytes_, encoding_); }
  Pos at(Pos offset) const {
    if (offset < 0) return kNotFound;
    return encoding_ == Encoding::Utf16 ? offset * 2 + 2 : offset;
  }

 private:
  Encoding encoding_;
  std::string bytes_;
};

template <typename Row>
using EncodedCase = std::tuple<Row, Encoding>;

template <typename Row>
std::string caseName(const testing::TestParamInfo<EncodedCase<Row>>& info) {
  return std::string(std::get<0>(info.param).name) +
         (std::get<1>(info.param) == Encoding::Utf16 ? "_Utf16" : "_SingleByte");
}

const auto kBothEncodings = testing::Values(Encoding::SingleByte, Encoding::Utf16);

// ---------------------------------------------------------------------------
// findTag

struct FindTagRow {
  const char* name;
  std::string_view text;
  std::string_view tagName;
  Pos start;
  Pos expected;
};
void PrintTo(const FindTagRow& row, std::ostream* os) { *os << row.name; }

const FindTagRow kFindTagRows[] = {
    {"SmallLettersFoundByCapitals", "<p><td>", "TD", 0, 3},
    {"NameIsPrefix", "<p><TDATA>", "TD", 0, 3},
    {"SingleLetterMatchesLongerTag", "<abbr>", "A", 0, 0},
    {"TagAtStartIncluded", "<a><a>", "A", 3, 3},
    {"SearchRunsPastOtherTags", "<b><i><a>", "a", 0, 6},
    {"NotFound", "<b><i>", "A", 0, kNotFound},
    {"SpaceAfterLessThanNoMatch", "< a>", "A", 0, kNotFound},
    {"EmptyNameGivesNextLessThan", "<a><b>", "", 0, 3},
    {"EmptyNameSkipsStartEvenWithoutLessThan", "x<a", "", 0, 1},
    {"EmptyNameAtLastLessThan", "<a>", "", 0, kNotFound},
    {"EmptyNameFindsFinalLessThan", "a<<", "", 1, 2},
    {"BufferEndsInsideName", "<p><scr", "SCRIPT", 0, kNotFound},
    {"NameEndsAtBufferEnd", "<p><td", "TD", 0, 3},
    {"LessThanIsLastChar", "<p><", "P", 1, kNotFound},
    {"NegativeStart", "<a>", "A", -1, kNotFound},
    {"StartAtEnd", "<a>", "A", 3, kNotFound},
    {"StartBeyondEnd", "<a>", "A", 40, kNotFound},
    {"UnderscoreIsNotFolded", "<a_b>", "A_B", 0, 0},
    {"NonLettersCompareExactly", "<a[b>", "A{B", 0, kNotFound},
};

class FindTagTest : public testing::TestWithParam<EncodedCase<FindTagRow>> {};

TEST_P(FindTagTest, FindsExpectedTag) {
  const auto& [row, encoding] = GetParam();
  const EncodedText text(row.text, encoding);
  const Pos start = row.start < 0 ? row.start : text.at(row.start);
  EXPECT_EQ(findTag(text.view(), row.tagName, start), text.at(row.expected));
}

INSTANTIATE_TEST_SUITE_P(Rows, FindTagTest, testing::Combine(testing::ValuesIn(kFindTagRows), kBothEncodings),
                         caseName<FindTagRow>);

// ---------------------------------------------------------------------------
// findTagOutsideScript

struct OutsideScriptRow {
  const char* name;
  std::string_view text;
  std::string_view tagName;
  std::vector<Pos> hits;  // every hit of a walk from 0 that restarts at the next '<'
};
void PrintTo(const OutsideScriptRow& row, std::ostream* os) { *os << row.name; }

const OutsideScriptRow kOutsideScriptRows[] = {
    //                  0         1         2         3
    //                  0123456789012345678901234567890123456789
    {"TagInsideBlockSkipped", "<a><script><a></script><a>", "A", {0, 23}},
    {"OpeningTagItselfFound", "<p><script>x</script><script>", "SCRIPT", {3, 21}},
    {"ClosingTagItselfFound", "<script>x</script><script></script>", "/SCRIPT", {9, 26}},
    {"CapitalsAndSmallLetters", "<SCRIPT><A></Script><a>", "a", {20}},
    {"TwoBlocks", "<script><a></script><a><script><a></script>", "A", {20}},
    {"UnclosedOpeningHidesRest", "<a><script><a><a>", "A", {0}},
    {"StrayClosingIgnored", "<a></script><a>", "A", {0, 12}},
    {"FirstClosingEndsNestedOpenings", "<script><script><a></script><a>", "A", {28}},
    {"NestedOpeningIsInside", "<script><script></script>", "SCRIPT", {0}},
    {"SkippedTagWithoutEndStopsSearch", "<script><a </script<a", "A", {}},
    {"LessThanComparisonInScriptSkipped", "<script>if (a <b) x();</script><b>", "B", {31}},
    {"EmptyNameResumesAtSkippedTagEnd", "x<p><script><b><c></script><d>", "", {1, 18}},
    {"NoScriptAtAll", "<a><b><a>", "A", {0, 6}},
};

// Walks a document as the tag passes do: each search starts at the next '<'
// after the previous hit.
template <typename Search>
std::vector<Pos> walkHits(const TextView& text, Search search) {
  std::vector<Pos> hits;
  for (Pos from = 0;;) {
    const Pos hit = search(from);
    if (hit == kNotFound) break;
    if (!hits.empty() && hit <= hits.back()) {
      ADD_FAILURE() << "the walk went back to " << hit;
      break;
    }
    hits.push_back(hit);
    from = findTag(text, "", hit);
    if (from == kNotFound) break;
  }
  return hits;
}

class FindTagOutsideScriptTest : public testing::TestWithParam<EncodedCase<OutsideScriptRow>> {
 protected:
  std::vector<Pos> expectedHits(const EncodedText& text) const {
    std::vector<Pos> expected;
    for (Pos hit : std::get<0>(GetParam()).hits) expected.push_back(text.at(hit));
    return expected;
  }
};

TEST_P(FindTagOutsideScriptTest, WalkWithoutCursorFindsHitsOutsideBlocks) {
  const auto& [row, encoding] = GetParam();
  const EncodedText text(row.text, encoding);
  const TextView view = text.view();
  const std::string_view name = row.tagName;
  EXPECT_EQ(walkHits(view, [&](Pos from) { return findTagOutsideScript(view, name, from); }), expectedHits(text));
}

TEST_P(FindTagOutsideScriptTest, WalkWithCursorFindsSameHits) {
  const auto& [row, encoding] = GetParam();
  const EncodedText text(row.text, encoding);
  const TextView view = text.view();
  const std::string_view name = row.tagName;
  ScriptBlockCursor cursor;
  const std::vector<Pos> expected = expectedHits(text);
  EXPECT_EQ(walkHits(view, [&](Pos from) { return findTagOutsideScript(view, name, from, cursor); }), expected);

  // A cursor that has walked past a hit is restarted, not trusted.
  EXPECT_EQ(findTagOutsideScript(view, name, 0, cursor), expected.empty() ? kNotFound : expected.front());
}

INSTANTIATE_TEST_SUITE_P(Rows, FindTagOutsideScriptTest,
                         testing::Combine(testing::ValuesIn(kOutsideScriptRows), kBothEncodings),
                         caseName<OutsideScriptRow>);

// A start inside a block that the search leaves: the state comes from the
// text before the start, not from the start position.
TEST(FindTagOutsideScript, StartInsideBlockStillSkips) {
  for (Encoding encoding : {Encoding::SingleByte, Encoding::Utf16}) {
    const EncodedText text("<script><a><a></script><a>", encoding);
    EXPECT_EQ(findTagOutsideScript(text.view(), "A", text.at(11)), text.at(23));
  }
}

// ---------------------------------------------------------------------------
// findAttribute

struct FindAttributeRow {
  const char* name;
  std::string_view text;
  std::string_view attribute;
  std::size_t count;
  std::string_view value;
  Pos valuePos;  // offset after '=', or -1
};
void PrintTo(const FindAttributeRow& row, std::ostream* os) { *os << row.name; }

const FindAttributeRow kFindAttributeRows[] = {
    //                                  0         1         2         3
    //                                  0123456789012345678901234567890123
    {"DoubleQuotedKeepsOpeningQuote", "<a href=\"x.htm\">", "href", 6, "\"x.htm", 8},
    {"SingleQuoted", "<a href='x.htm'>", "href", 6, "'x.htm", 8},
    {"Bare", "<a href=x.htm>", "href", 5, "x.htm", 8},
    {"BareEndsAtSpace", "<a href=x y>", "href", 1, "x", 8},
    {"BareEndsAtQuote", "<a href=x\"y\">", "href", 1, "x", 8},
    {"QuotedKeepsSpaces", "<a href=\"a b\">", "href", 4, "\"a b", 8},
    {"QuotedKeepsOtherQuote", "<a href=\"it's\">", "href", 5, "\"it's", 8},
    {"EmptyDoubleQuotesCountOne", "<a href=\"\">", "href", 1, "\"", 8},
    {"NameCaseIgnored", "<A HREF=x>", "href", 1, "x", 8},
    {"TitleQuotedWithHrefInside", "<a title=\"see href=bad\" href=good>", "href", 4, "good", 29},
    {"TitleSingleQuotedWithHrefInside", "<a title='href=bad' href=good>", "href", 4, "good", 25},
    {"EscapedQuotesHideName", "<a x=\\\"href=bad\\\" href=good>", "href", 4, "good", 23},
    {"LowsrcMatchedBySrc", "<img lowsrc=lo.gif src=hi.gif>", "src", 6, "lo.gif", 12},
    {"SpaceBeforeEqualsNotFound", "<a href =x>", "href", 0, "", kNotFound},
    {"SpaceAfterEqualsNoValue", "<a href= x>", "href", 0, "", 8},
    {"LongerNameFirstGivesUp", "<a hreflang=en href=x>", "href", 0, "", kNotFound},
    {"TagEndsBeforeName", "<a><b href=x>", "href", 0, "", kNotFound},
    {"LessThanEndsTag", "<a <b href=x>", "href", 0, "", kNotFound},
    {"GreaterEqualsDoesNotEndTag", "<a x>=1 href=y>", "href", 1, "y", 13},
    {"LessEqualsKeptInValue", "<a href=a<=b>", "href", 4, "a<=b", 8},
    {"ValueEndsAtTagEnd", "<a href=>", "href", 0, "", 8},
    {"ValueEndsAtFinalLessThan", "<a href=x<", "href", 1, "x", 8},
    {"EqualsAtBufferEnd", "<a href=", "href", 0, "", 8},
    {"NameCutByBufferEnd", "<a hre", "href", 0, "", kNotFound},
    {"QuotedValueCutByBufferEnd", "<a href=\"x", "href", 2, "\"x", 8},
    {"UnclosedQuoteBeforeName", "<a title=\"x href=y>", "href", 0, "", kNotFound},
    {"ControlCharDropped", "<a href=a\tb>", "href", 2, "ab", 8},
    {"ControlRunTakesNextCharWhatever", "<a href=a\n\r b>", "href", 3, "a b", 8},
    {"ControlAtValueStartTakesNext", "<a href=\nx>", "href", 1, "x", 8},
    {"ControlRunToBufferEnd", "<a href=a\n\r", "href", 1, "a", 8},
    {"ZeroByteTakenAsItIs", "<a href=a\0b>"sv, "href", 3, "a\0b"sv, 8},
};

class FindAttributeTest : public testing::TestWithParam<EncodedCase<FindAttributeRow>> {};

TEST_P(FindAttributeTest, CountsAndCopiesValue) {
  const auto& [row, encoding] = GetParam();
  const EncodedText text(row.text, encoding);
  std::string value = "stale";
  Pos valuePos = 12345;
  EXPECT_EQ(findAttribute(text.view(), text.at(0), row.attribute, &value, &valuePos), row.count);
  EXPECT_EQ(value, row.value);
  EXPECT_EQ(valuePos, text.at(row.valuePos));
  // The count does not depend on whether the value is copied.
  EXPECT_EQ(findAttribute(text.view(), text.at(0), row.attribute, nullptr, nullptr), row.count);
}

INSTANTIATE_TEST_SUITE_P(Rows, FindAttributeTest,
                         testing::Combine(testing::ValuesIn(kFindAttributeRows), kBothEncodings),
                         caseName<FindAttributeRow>);

// ---------------------------------------------------------------------------
// findTagEnd

struct FindTagEndRow {
  const char* name;
  std::string_view text;
  Pos start;
  Pos expected;
};
void PrintTo(const FindTagEndRow& row, std::ostream* os) { *os << row.name; }

const FindTagEndRow kFindTagEndRows[] = {
    {"PlainTag", "<a href=x>b", 0, 10},
    {"GreaterEqualsSkipped", "<a x>=y>", 0, 8},
    {"FinalGreaterThanIsMarkup", "<a>", 0, 3},
    {"OnlyGreaterEqualsAtEnd", "<a>=", 0, kNotFound},
    {"QuotesNotRespected", "<a t='>'>", 0, 7},
    {"StartAtGreaterThan", "<a>", 2, 3},
    {"StartAfterGreaterThan", "<a>b", 3, kNotFound},
    {"NoGreaterThan", "<a href", 0, kNotFound},
    {"NegativeStart", "<a>", -1, kNotFound},
};

class FindTagEndTest : public testing::TestWithParam<EncodedCase<FindTagEndRow>> {};

TEST_P(FindTagEndTest, FindsPositionAfterMarkupGreaterThan) {
  const auto& [row, encoding] = GetParam();
  const EncodedText text(row.text, encoding);
  const Pos start = row.start < 0 ? row.start : text.at(row.start);
  EXPECT_EQ(findTagEnd(text.view(), start), text.at(row.expected));
}

INSTANTIATE_TEST_SUITE_P(Rows, FindTagEndTest, testing::Combine(testing::ValuesIn(kFindTagEndRows), kBothEncodings),
                         caseName<FindTagEndRow>);

// ---------------------------------------------------------------------------
// findInBlock

struct FindInBlockRow {
  const char* name;
  std::string_view text;
  Pos start;
  std::string_view pattern;
  StopMode mode;
  Pos expected;
};
void PrintTo(const FindInBlockRow& row, std::ostream* os) { *os << row.name; }

const FindInBlockRow kFindInBlockRows[] = {
    //                           0         1         2
    //                           012345678901234567890123
    {"Plain", "a url(x)", 0, "url(", NoStop, 2},
    {"CaseIgnored", "a URL(x)", 0, "url(", NoStop, 2},
    {"StartCounts", "url(a) url(b)", 1, "url(", NoStop, 7},
    {"FoundInsideQuotes", "\"http://x\"", 0, "http://", StopAtTag, 1},
    {"LessThanComparisonStops", "if (x < y) \"http://a\"", 0, "http://", StopAtTag, kNotFound},
    {"LessEqualsDoesNotStop", "if (x <= y) \"http://a\"", 0, "http://", StopAtTag, 13},
    {"LessThanInDoubleQuotes", "\"a<b\" http://", 0, "http://", StopAtTag, 6},
    {"LessThanInSingleQuotes", "'<' http://", 0, "http://", StopAtTag, 4},
    {"EscapedQuoteDoesNotClose", "\"a\\\"<\" http://", 0, "http://", StopAtTag, 7},
    {"EscapedQuoteDoesNotOpen", "\\\"<b http://", 0, "http://", StopAtTag, kNotFound},
    {"OtherQuoteInsideRunIgnored", "\"it's <\" http://", 0, "http://", StopAtTag, 9},
    {"ClosedRunThenLessThanStops", "\"a\" < http://", 0, "http://", StopAtTag, kNotFound},
    {"LessThanAtStartStops", "<http://", 0, "http://", StopAtTag, kNotFound},
    {"NoStopIgnoresLessThan", "a < b http://", 0, "http://", NoStop, 6},
    {"TagEndStopsAtGreaterThan", "a > b http://", 0, "http://", StopAtTagEnd, kNotFound},
    {"TagEndIgnoresGreaterEquals", "a >= b http://", 0, "http://", StopAtTagEnd, 7},
    {"TagEndIgnoresLessThan", "a < b http://", 0, "http://", StopAtTagEnd, 6},
    {"TagIgnoresGreaterThan", "a > b http://", 0, "http://", StopAtTag, 6},
    {"CommentEndStops", "<!-- a --> url(x)", 0, "url(", StopAtTagEnd, kNotFound},
    // The quote in "a\"" is examined by two attempts; counting it twice would
    // close the run and stop at the '<'.
    {"QuoteMovesStateOnce", "a\"<x a\"b", 0, "a\"b", StopAtTag, 5},
    {"FailingQuoteMovesStateOnce", "a\"<ab", 0, "ab", StopAtTag, 3},
    {"PatternCutByBufferEnd", "x htt", 0, "http://", NoStop, kNotFound},
    {"PatternEndsAtBufferEnd", "x http://", 0, "http://", NoStop, 2},
    {"EmptyPatternAtStart", "abc", 1, "", StopAtTag, 1},
    {"StartAtEnd", "abc", 3, "a", NoStop, kNotFound},
    {"NegativeStart", "abc", -1, "a", NoStop, kNotFound},
};

class FindInBlockTest : public testing::TestWithParam<EncodedCase<FindInBlockRow>> {};

TEST_P(FindInBlockTest, FindsPatternBeforeBoundary) {
  const auto& [row, encoding] = GetParam();
  const EncodedText text(row.text, encoding);
  const Pos start = row.start < 0 ? row.start : text.at(row.start);
  EXPECT_EQ(findInBlock(text.view(), start, row.pattern, row.mode), text.at(row.expected));
}

INSTANTIATE_TEST_SUITE_P(Rows, FindInBlockTest, testing::Combine(testing::ValuesIn(kFindInBlockRows), kBothEncodings),
                         caseName<FindInBlockRow>);

// ---------------------------------------------------------------------------
// readValue

struct ReadValueRow {
  const char* name;
  std::string_view text;
  Pos pos;
  ValueMode mode;
  std::size_t count;
  std::string_view value;
  QuoteKind quoteKind;
  std::int64_t span;
};
void PrintTo(const ReadValueRow& row, std::ostream* os) { *os << row.name; }

const ReadValueRow kReadValueRows[] = {
    {"DoubleQuoted", "\"a.htm\" x", 0, AttributeValue, 5, "a.htm", Delimited, 7},
    {"SingleQuoted", "'a.htm' x", 0, AttributeValue, 5, "a.htm", Delimited, 7},
    {"DoubleQuotedKeepsSingleQuote", "\"it's\"", 0, AttributeValue, 4, "it's", Delimited, 6},
    {"EmptyQuotes", "\"\"", 0, AttributeValue, 0, "", Delimited, 2},
    {"BareEndsAtSpace", "a.htm x", 0, AttributeValue, 5, "a.htm", Bare, 5},
    {"BareEndsAtQuote", "a.htm'", 0, AttributeValue, 5, "a.htm", Bare, 5},
    {"BareToBufferEnd", "a.htm", 0, AttributeValue, 0, "", Bare, 0},
    {"QuotedToBufferEnd", "\"a.htm", 0, AttributeValue, 0, "", Delimited, 0},
    {"BufferEndsAfterOpeningQuote", "\"", 0, AttributeValue, 0, "", Delimited, 0},
    {"UnclosedQuoteEndsAtLessThan", "\"a.htm<b", 0, AttributeValue, 5, "a.htm", Delimited, 6},
    {"FinalLessThanIsMarkup", "\"ab<", 0, AttributeValue, 2, "ab", Delimited, 3},
    {"GreaterThanEndsAttributeValue", "a>b", 0, AttributeValue, 1, "a", Bare, 1},
    {"LessEqualsCopied", "a<=b c", 0, AttributeValue, 4, "a<=b", Bare, 4},
    {"GreaterEqualsCopied", "\"a>=b\"", 0, AttributeValue, 4, "a>=b", Delimited, 6},
    {"BracesOrdinaryInAttributeValue", "a{b} ", 0, AttributeValue, 4, "a{b}", Bare, 4},
    {"ParenthesisNotDelimiterInAttributeValue", "(a) ", 0, AttributeValue, 3, "(a)", Bare, 3},
    {"EscapedQuotes", "\\\"a.htm\\\" x", 0, AttributeValue, 5, "a.htm", EscapedQuotes, 9},
    {"EscapedSingleClosesOnlyAtEscapedDouble", "\\'a\\'b\\\"", 0, AttributeValue, 4, "a\\'b", EscapedQuotes, 8},
    {"EscapedStateKeepsPlainQuotes", "\\\"a\"b\\\"", 0, AttributeValue, 3, "a\"b", EscapedQuotes, 7},
    {"EscapedStateBackslashCopied", "\\\"a\\b\\\"", 0, AttributeValue, 3, "a\\b", EscapedQuotes, 7},
    {"EscapedStateLessThanStillEnds", "\\\"a\\<b\\\"", 0, AttributeValue, 2, "a\\", EscapedQuotes, 4},
    {"EscapedStateBackslashAtBufferEnd", "\\\"ab\\", 0, AttributeValue, 0, "", EscapedQuotes, 0},
    {"DoubleThenSingleOpener", "\"'abc'", 0, AttributeValue, 3, "abc", Delimited, 6},
    {"ControlCharsSpannedNotCopied", "\"a\tb\r\nc\"", 0, AttributeValue, 3, "abc", Delimited, 8},
    {"ZeroByteIsControl", "a\0b "sv, 0, AttributeValue, 2, "ab", Bare, 3},
    {"ControlsBeforeBufferEnd", "\"ab\n", 0, AttributeValue, 0, "", Delimited, 0},
    {"StartInsideText", "x=\"a\" ", 2, AttributeValue, 1, "a", Delimited, 3},
    {"StyleParenthesised", "(a.gif) x", 0, StyleValue, 5, "a.gif", Delimited, 7},
    {"StyleQuotesInsideParentheses", "(\"a.gif\")", 0, StyleValue, 7, "\"a.gif\"", Delimited, 9},
    {"StyleQuotedWithoutParenthesis", "\"a.gif\")", 0, StyleValue, 5, "a.gif", Delimited, 7},
    {"StyleParenthesisInsideQuotes", "(\"a(1).gif\") x", 0, StyleValue, 10, "\"a(1).gif\"", Delimited, 12},
    {"StyleOtherQuoteInsideQuotes", "('it\"s)') x", 0, StyleValue, 7, "'it\"s)'", Delimited, 9},
    {"StyleBraceEndsInsideQuotes", "(\"a{b\")", 0, StyleValue, 2, "\"a", Delimited, 3},
    {"StyleOpeningBraceEnds", "(a.gif{", 0, StyleValue, 5, "a.gif", Delimited, 6},
    {"StyleClosingBraceEnds", "a.gif}", 0, StyleValue, 5, "a.gif", Bare, 5},
    {"StyleLessThanOrdinary", "(a<b)", 0, StyleValue, 3, "a<b", Delimited, 5},
    {"StyleToBufferEnd", "(a.gif", 0, StyleValue, 0, "", Delimited, 0},
    {"TagName", "<IMG src=x>", 0, TagValue, 4, "<IMG", Bare, 4},
    {"TagNameAcrossLineBreak", "<IMG\nsrc='a'>", 0, TagValue, 8, "<IMGsrc=", Bare, 9},
    {"TagNameEndsAtGreaterThan", "<BR>", 0, TagValue, 3, "<BR", Bare, 3},
    {"TagNameKeepsGreaterEquals", "<A>=B ", 0, TagValue, 5, "<A>=B", Bare, 5},
    {"TagNameCutByBufferEnd", "<IMG", 0, TagValue, 0, "", Bare, 0},
    {"PositionAtEnd", "ab", 2, AttributeValue, 0, "", Bare, 0},
    {"PositionBeyondEnd", "ab", 9, AttributeValue, 0, "", Bare, 0},
};

class ReadValueTest : public testing::TestWithParam<EncodedCase<ReadValueRow>> {};

TEST_P(ReadValueTest, ReadsValueKindAndSpan) {
  const auto& [row, encoding] = GetParam();
  const EncodedText text(row.text, encoding);
  const ValueRead read = readValue(text.view(), text.at(row.pos), row.mode);
  const ValueContent& content = read.content;
  EXPECT_EQ(read.count, row.count);
  EXPECT_EQ(read.text, row.value);
  EXPECT_EQ(read.quoteKind, row.quoteKind);
  EXPECT_EQ(read.spanLength, row.span);
  EXPECT_EQ(valueLength(text.view(), text.at(row.pos), row.mode), row.count);
  // The content is what lies between the delimiters: the value with its controls.
  std::string between;
  const Pos step = encoding == Encoding::Utf16 ? 2 : 1;
  for (Pos p = content.start; p < content.end; p += step) {
    const char c = text.view().charAt(p);
    if (static_cast<unsigned char>(c) >= 32) between.push_back(c);
  }
  EXPECT_EQ(between, row.value);
  if (row.count > 0) {
    EXPECT_LE(content.end, text.at(row.pos) + read.spanLength * step);
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, ReadValueTest, testing::Combine(testing::ValuesIn(kReadValueRows), kBothEncodings),
                         caseName<ReadValueRow>);

// ---------------------------------------------------------------------------
// isInScriptComment

struct ScriptCommentRow {
  const char* name;
  std::string_view text;
  std::string_view probe;  // the position asked about is this text's last occurrence
  bool expected;
};
void PrintTo(const ScriptCommentRow& row, std::ostream* os) { *os << row.name; }

const ScriptCommentRow kScriptCommentRows[] = {
    {"NoComment", "u = \"http://a\";", "http", false},
    {"LineCommentBefore", "x = 1; // see \"http://a\"", "http", true},
    {"EarlierUrlOnSameLine", "a = \"http://b\"; c = \"http://d\";", "http", true},
    {"CommentOnPreviousLineLf", "// note\nu = \"http://a\";", "http", false},
    {"CommentOnPreviousLineCr", "// note\ru = \"http://a\";", "http", false},
    {"SlashesStartingAtPosition", "a //x", "//", true},
    {"SingleSlashBefore", "a / 2; \"http://a\"", "http", false},
    {"InsideBlockComment", "/* u = \"http://a\" */", "http", true},
    {"BlockClosedBefore", "/* c */ u = \"http://a\";", "http", false},
    {"OpenerNeverClosed", "u = \"http://a\"; /* never closed", "http", true},
    {"OpenerClosedLater", "u = \"http://a\"; /* c */", "http", false},
    {"CloserBeforeNextOpener", "u = \"http:\" */ x /* y */", "http", true},
    {"OpenerAndCloserOverlap", "u = \"http:\" /*/ y", "http", false},
};

class IsInScriptCommentTest : public testing::TestWithParam<EncodedCase<ScriptCommentRow>> {};

TEST_P(IsInScriptCommentTest, JudgesPosition) {
  const auto& [row, encoding] = GetParam();
  const EncodedText text(row.text, encoding);
  const auto offset = static_cast<Pos>(row.text.rfind(row.probe));
  ASSERT_GE(offset, 0);
  EXPECT_EQ(isInScriptComment(text.view(), text.at(offset)), row.expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, IsInScriptCommentTest,
                         testing::Combine(testing::ValuesIn(kScriptCommentRows), kBothEncodings),
                         caseName<ScriptCommentRow>);

// ---------------------------------------------------------------------------
// The value buffer: 65535 characters fit, one more and the value is skipped.

struct ValueLimitRow {
  const char* name;
  std::size_t length;
  bool fits;
};
void PrintTo(const ValueLimitRow& row, std::ostream* os) { *os << row.name; }

const ValueLimitRow kValueLimitRows[] = {
    {"OneBelowLimit", kValueBufferChars - 1, true},
    {"AtLimit", kValueBufferChars, true},
    {"OneAboveLimit", kValueBufferChars + 1, false},
};

class ValueLimitTest : public testing::TestWithParam<EncodedCase<ValueLimitRow>> {};

TEST_P(ValueLimitTest, ReadValueSkipsValuesLongerThanBuffer) {
  const auto& [row, encoding] = GetParam();
  // Control characters take no room in the buffer.
  const EncodedText text("\"\t" + std::string(row.length, 'x') + "\"", encoding);
  const std::size_t expected = row.fits ? row.length : 0;
  const ValueRead read = readValue(text.view(), text.at(0), AttributeValue);
  EXPECT_EQ(read.count, expected);
  EXPECT_EQ(read.text.size(), expected);
  EXPECT_EQ(read.spanLength, row.fits ? static_cast<std::int64_t>(row.length) + 3 : 0);
  EXPECT_EQ(valueLength(text.view(), text.at(0), AttributeValue), expected);
}

TEST_P(ValueLimitTest, FindAttributeSkipsValuesLongerThanBuffer) {
  const auto& [row, encoding] = GetParam();
  // The counted value includes its opening quote.
  const EncodedText text("<a href=\"" + std::string(row.length - 1, 'x') + "\">", encoding);
  std::string value = "stale";
  Pos valuePos = kNotFound;
  const std::size_t expected = row.fits ? row.length : 0;
  EXPECT_EQ(findAttribute(text.view(), text.at(0), "href", &value, &valuePos), expected);
  EXPECT_EQ(value.size(), expected);
  EXPECT_EQ(valuePos, text.at(8));
  EXPECT_EQ(findAttribute(text.view(), text.at(0), "href", nullptr, nullptr), expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, ValueLimitTest, testing::Combine(testing::ValuesIn(kValueLimitRows), kBothEncodings),
                         caseName<ValueLimitRow>);

// ---------------------------------------------------------------------------
// UTF-16 only: characters without a single-byte form, and odd trailing bytes.

// "<A" U+4E2D "B=x>" after the order mark; U+4E2D narrows to '_'.
std::string wideWithUnmappable() {
  return std::string(
      "\xFF\xFE<\0A\0\x2D\x4E"
      "B\0=\0x\0>\0",
      16);
}

TEST(MarkupLexingUtf16, UnmappableCharacterMatchesOnlyUnderscore) {
  const test_support::ScopedHostText host(platform::HostText::Windows1252);
  const std::string bytes = wideWithUnmappable();
  const TextView text = TextView::of(bytes, Encoding::Utf16);
  EXPECT_EQ(findTag(text, "A_B", 0), 2);
  EXPECT_EQ(findTag(text, "AN", 0), kNotFound);
  EXPECT_EQ(findInBlock(text, 2, "_", NoStop), 6);
  EXPECT_EQ(findInBlock(text, 2, "-", NoStop), kNotFound);  // its low byte
  std::string value;
  Pos valuePos = kNotFound;
  EXPECT_EQ(findAttribute(text, 2, "_B", &value, &valuePos), 1u);
  EXPECT_EQ(valuePos, 12);
  const ValueRead read = readValue(text, 4, TagValue);
  EXPECT_EQ(read.count, 5u);
  EXPECT_EQ(read.text, "A_B=x");
}

TEST(MarkupLexingUtf16, HighByteMakesCodeUnitAnotherCharacter) {
  // U+013C has the low byte of '<' and is not one.
  const std::string bytes(
      "\xFF\xFE\x3C\x01"
      "a\0",
      6);
  const TextView text = TextView::of(bytes, Encoding::Utf16);
  EXPECT_EQ(findTag(text, "A", 0), kNotFound);
}

struct OddTailRow {
  const char* name;
  std::string_view text;
  char tail;  // the stray last byte, which is no character
};
void PrintTo(const OddTailRow& row, std::ostream* os) { *os << row.name; }

class OddLengthUtf16Test : public testing::TestWithParam<OddTailRow> {};

const OddTailRow kOddTailRows[] = {
    {"LessThan", "<a>x", '<'},   {"GreaterThan", "<a x", '>'}, {"Quote", "<a href=\"x", '"'},
    {"Space", "<a href=x", ' '}, {"Slash", "/", '*'},
};

TEST_P(OddLengthUtf16Test, StrayLastByteIsNeverRead) {
  const OddTailRow& row = GetParam();
  EncodedText text(row.text, Encoding::Utf16);
  text.appendRaw(std::string_view(&row.tail, 1));
  const TextView view = text.view();
  const EncodedText even(row.text, Encoding::Utf16);
  const TextView evenView = even.view();

  // Every routine answers as if the buffer ended before the stray byte.
  for (Pos pos = 0; pos <= view.end(); pos += 2) {
    EXPECT_EQ(findTag(view, "", pos), findTag(evenView, "", pos)) << pos;
    EXPECT_EQ(findTagEnd(view, pos), findTagEnd(evenView, pos)) << pos;
    EXPECT_EQ(findInBlock(view, pos, "*", NoStop), findInBlock(evenView, pos, "*", NoStop)) << pos;
    EXPECT_EQ(findInBlock(view, pos, "x", StopAtTag), findInBlock(evenView, pos, "x", StopAtTag)) << pos;
    EXPECT_EQ(findAttribute(view, pos, "href", nullptr, nullptr),
              findAttribute(evenView, pos, "href", nullptr, nullptr))
        << pos;
    EXPECT_EQ(valueLength(view, pos, AttributeValue), valueLength(evenView, pos, AttributeValue)) << pos;
    EXPECT_EQ(isInScriptComment(view, pos), isInScriptComment(evenView, pos)) << pos;
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, OddLengthUtf16Test, testing::ValuesIn(kOddTailRows),
                         [](const testing::TestParamInfo<OddTailRow>& info) { return std::string(info.param.name); });

// Under UTF-8 host text the values that readValue and findAttribute copy out
// are the document's characters in UTF-8, while positions and counts stay in
// the document's own units. `value` is written in the document's encoding
// (UTF-16 little-endian, without the order mark).
struct HostValueRow {
  const char* name;
  Encoding encoding;
  std::string value;
  std::string expected;
  std::size_t characters;
};

const HostValueRow kHostValueRows[] = {
    {"Utf16Latin", Encoding::Utf16, std::string("c\0\xE9\0", 4), "c\xC3\xA9", 2},
    {"Utf16Cjk", Encoding::Utf16, std::string("\x2D\x4E", 2), "\xE4\xB8\xAD", 1},
    {"Utf16SurrogatePair", Encoding::Utf16, std::string("\x3D\xD8\x00\xDE", 4), "\xF0\x9F\x98\x80", 2},
    {"Utf16LoneHighSurrogate", Encoding::Utf16, std::string("\x3D\xD8x\0", 4), "_x", 2},
    {"Utf16LoneLowSurrogate", Encoding::Utf16, std::string("x\0\x00\xDE", 4), "x_", 2},
    {"Windows1252Page", Encoding::SingleByte, "caf\xE9\x80", "caf\xC3\xA9\xE2\x82\xAC", 5},
    {"Utf8Page", Encoding::SingleByte, "caf\xC3\xA9", "caf\xC3\xA9", 5},
};

class HostValueTest : public testing::TestWithParam<HostValueRow> {};

TEST_P(HostValueTest, ValuesAreHostText) {
  const HostValueRow& row = GetParam();
  const test_support::ScopedHostText host(platform::HostText::Utf8);
  EncodedText text("<a href=\"", row.encoding);
  text.appendRaw(row.value);
  const std::string close = row.encoding == Encoding::Utf16 ? std::string("\"\0>\0", 4) : std::string("\">");
  text.appendRaw(close);

  std::string value;
  Pos valuePos = kNotFound;
  EXPECT_EQ(findAttribute(text.view(), text.at(0), "href", &value, &valuePos), row.characters + 1);
  EXPECT_EQ(value, "\"" + row.expected);
  const ValueRead read = readValue(text.view(), valuePos, AttributeValue);
  EXPECT_EQ(read.count, row.characters);
  EXPECT_EQ(read.text, row.expected);
  EXPECT_EQ(read.spanLength, static_cast<std::int64_t>(row.characters) + 2);
}

INSTANTIATE_TEST_SUITE_P(Rows, HostValueTest, testing::ValuesIn(kHostValueRows),
                         [](const testing::TestParamInfo<HostValueRow>& info) { return std::string(info.param.name); });

// The walks that findTagWalks does at once, done one call at a time.
std::vector<Pos> walkOneByOne(const TextView& text, const TagWalkSpec& walk) {
  std::vector<Pos> hits;
  ScriptBlockCursor cursor;
  const auto next = [&](Pos start) {
    return walk.outsideScript ? findTagOutsideScript(text, walk.name, start, cursor) : findTag(text, walk.name, start);
  };
  for (Pos tag = next(0); tag != kNotFound;) {
    hits.push_back(tag);
    const Pos resume = walk.hopToScriptClose ? findTag(text, "/SCRIPT", tag) : findTag(text, "", tag);
    if (resume == kNotFound) break;
    tag = next(resume);
  }
  return hits;
}

struct TagWalksRow {
  const char* name;
  std::string_view text;
};

class TagWalksTest : public testing::TestWithParam<EncodedCase<TagWalksRow>> {};

TEST_P(TagWalksTest, OneWalkFindsWhatEachSearchFinds) {
  const auto& [row, encoding] = GetParam();
  const EncodedText text(row.text, encoding);
  std::vector<TagWalkSpec> walks;
  for (const std::string_view name : {"A"sv, "AREA"sv, "IMG"sv, "SCRIPT"sv, "STYLE"sv, "TD"sv, "TR"sv, "LINK"sv}) {
    walks.push_back({name, false, false});
    walks.push_back({name, true, false});
    walks.push_back({name, false, true});
    walks.push_back({name, true, true});
  }
  std::vector<std::vector<Pos>> hits(walks.size());
  findTagWalks(text.view(), walks, hits);
  for (std::size_t i = 0; i < walks.size(); ++i) {
    EXPECT_EQ(hits[i], walkOneByOne(text.view(), walks[i]))
        << walks[i].name << (walks[i].outsideScript ? " outside scripts" : "")
        << (walks[i].hopToScriptClose ? " hopping to </SCRIPT" : "");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Documents, TagWalksTest,
    testing::Combine(
        testing::Values(
            TagWalksRow{"Page", "<html><body><a href=x><img src=y><area href=z><abbr>t</abbr><td><tr><table></html>"},
            TagWalksRow{"ScriptBlocks",
                        "<a href=1><script>document.write('<a href=2><img src=3>')</script><IMG src=4>"
                        "<SCRIPT src=5></SCRIPT><style>p{}</style><a href=6>"},
            TagWalksRow{"UnclosedScript", "<a href=1><script><a href=2><img src=3>"},
            TagWalksRow{"CloseWithoutOpen", "</script><a href=1></SCRIPT><img src=2>"},
            // A tag skipped inside a script runs on past a closing tag with no '>'.
            TagWalksRow{"SkippedTagRunsOn", "<script><img </script <img src=2><a href=3></script><a href=4>"},
            TagWalksRow{"SkippedTagNeverEnds", "<script><img src=1"},
            TagWalksRow{"NestedOpenings", "<script><script><a href=1></script><a href=2></script><a href=3>"},
            TagWalksRow{"LessThanAtTheEnd", "<a href=1><"}, TagWalksRow{"NoTags", "plain text < and <= only"}),
        kBothEncodings),
    caseName<TagWalksRow>);

}  // namespace
}  // namespace quillorn
