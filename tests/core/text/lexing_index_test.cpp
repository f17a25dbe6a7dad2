// The index and the memos must give exactly what the plain routines give:
// each row is checked at every position, in both encodings, answered from the
// index's lists and by its plain reading.

#include "core/text/lexing_index.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "core/text/markup_lexing.h"
#include "tests/support/search_harness.h"

namespace quillorn {
namespace {

using namespace std::string_literals;
using test_support::encodingName;
using test_support::makeDocument;

struct Row {
  const char* name;
  std::string text;
};

// clang-format off
const Row kRows[] = {
    {"QuotesHideTags", R"~(<style ">"url(a)<style ">"url(b)"<p>url(c)>)~"},
    {"CommentWrappedBlocks", "<style<!--url(a)<style<!--'url(b)>url(c)'>url(d)"},
    {"EscapedQuoteOpensSearch", R"~(x\"url(a)'<b>url(b)'<c\'>url(c)\"<)~"},
    {"BracketsBeforeEquals", "<=url(a)>=url(b)<x>url(c)=<url(d)"},
    {"ControlsInValues", "url(\x01\x01url(\x01\x02url(a)\x1f)\0{url(\t\nb)"s},
    {"UnclosedValues", R"~('http://a "http://b \"http://c <x http://d \'http://e)~"},
    {"ProtocolsBeforeClosingTag", R"~("http://a"<=http://b</script>'http://c)~"},
    {"TagValuesAndBraces", "a=>x} >b{ c)\"d\\\"e' f"},
    {"QuotedArgumentsHideParens", R"~(url("x)"url('a)"b)'c)url("{)url(")'"")x)~"},
    {"OneQuote", "'"},
    {"Nothing", ""},
};
// clang-format on

using IndexCase = std::tuple<Row, Encoding>;

class LexingIndexTest : public testing::TestWithParam<IndexCase> {
 protected:
  void SetUp() override { buffer_ = makeDocument(std::get<0>(GetParam()).text, std::get<1>(GetParam())); }
  TextView text() const { return buffer_.view(); }
  // Every position a question can name: the grid, one off it, and just outside.
  std::vector<Pos> positions() const {
    std::vector<Pos> all;
    for (Pos p = -1; p <= text().end() + 1; ++p) all.push_back(p);
    return all;
  }
  // Where a search may be cut: the end, and every '<'.
  std::vector<Pos> cuts() const {
    std::vector<Pos> all = {text().end()};
    for (Pos p = 0; text().hasChar(p); p += text().step) {
      if (text().charAt(p) == '<') all.push_back(p);
    }
    return all;
  }

  DocumentBuffer buffer_;
};

TEST_P(LexingIndexTest, AnswersAsThePlainRoutines) {
  const TextView plain = text();
  // No plain reading, a little (so searches are cut off part way), the default.
  for (const std::int64_t budget : {std::int64_t{0}, std::int64_t{3}, std::int64_t{17}, std::int64_t{-1}}) {
    LexingIndex index(plain, budget);
    for (const Pos end : cuts()) {
      const TextView cut(plain.data, static_cast<std::size_t>(end), plain.encoding());
      for (const Pos start : positions()) {
        for (const StopMode mode : {StopAtTag, StopAtTagEnd, NoStop}) {
          for (const std::string_view pattern : {"url(", "HTTP://", "<x"}) {
            EXPECT_EQ(index.findInBlock(start, pattern, mode, end), findInBlock(cut, start, pattern, mode))
                << "budget " << budget << " cut " << end << " start " << start << " mode " << mode << " " << pattern;
          }
        }
      }
    }
    for (const Pos pos : positions()) {
      for (const ValueMode mode : {AttributeValue, StyleValue, TagValue}) {
        EXPECT_EQ(index.valueLength(pos, mode), quillorn::valueLength(plain, pos, mode))
            << "budget " << budget << " pos " << pos << " mode " << mode;
      }
      EXPECT_EQ(index.findTagEnd(pos), findTagEnd(plain, pos)) << "budget " << budget << " pos " << pos;
    }
  }
}

TEST_P(LexingIndexTest, ValuesReadOverKnownControlRunsAreTheSame) {
  LexingIndex index(text(), 0);
  // With no plain budget, the first question about a position collects the lists.
  index.findTagEnd(0);
  EXPECT_EQ(index.usesLists(), text().size > 0);
  const TextView runs = index.view();
  for (const Pos pos : positions()) {
    for (const ValueMode mode : {AttributeValue, StyleValue, TagValue}) {
      const ValueRead run = readValue(runs, pos, mode);
      const ValueRead plain = readValue(text(), pos, mode);
      EXPECT_EQ(run.count, plain.count);
      EXPECT_EQ(run.text, plain.text);
      EXPECT_EQ(run.quoteKind, plain.quoteKind);
      EXPECT_EQ(run.spanLength, plain.spanLength) << "pos " << pos << " mode " << mode;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, LexingIndexTest,
                         testing::Combine(testing::ValuesIn(kRows),
                                          testing::Values(Encoding::SingleByte, Encoding::Utf16)),
                         [](const testing::TestParamInfo<IndexCase>& info) {
                           return std::string(std::get<0>(info.param).name) + "_" +
                                  encodingName(std::get<1>(info.param));
                         });

// Tags whose searches run on into the tags after them.
// clang-format off
const Row kAttributeRows[] = {
    {"HopsOverTags", R"~(<a""="<a""="<a""=" href=x>)~"},
    {"ControlsTakeTheNextTag", "<a href=\x01<a href=\x01<a src=\x02\x03<a href='\x01'x' href=y>"},
    {"MixedQuotes", R"~(<a title='"' href="<a '" href=\"<a src="x" href=y>)~"},
    {"ControlsAtTheEnd", "<a href=x\x01<a href=\x01"},
    {"NameInComment", "<!-- saved from url=(0022)http://a/ --><!-- saved from url=\x01<b>"},
};
// clang-format on

using AttributeCase = std::tuple<Row, Encoding>;
class AttributeMemoTest : public testing::TestWithParam<AttributeCase> {};

TEST_P(AttributeMemoTest, FindsWhatFindAttributeFinds) {
  const DocumentBuffer buffer = makeDocument(std::get<0>(GetParam()).text, std::get<1>(GetParam()));
  const TextView text = buffer.view();
  for (const std::string_view name : {"href", "src", "saved from url"}) {
    AttributeMemo memo;
    // Front to back as a pass goes, then back to front over the same memo.
    std::vector<Pos> tags;
    for (Pos p = 0; text.hasChar(p); p += text.step) tags.push_back(p);
    std::vector<Pos> order = tags;
    order.insert(order.end(), tags.rbegin(), tags.rend());
    for (const Pos tag : order) {
      Pos plainPos = 0;
      Pos memoPos = 0;
      EXPECT_EQ(findAttribute(text, tag, name, &memoPos, memo), findAttribute(text, tag, name, nullptr, &plainPos))
          << name << " at " << tag;
      EXPECT_EQ(memoPos, plainPos) << name << " at " << tag;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, AttributeMemoTest,
                         testing::Combine(testing::ValuesIn(kAttributeRows),
                                          testing::Values(Encoding::SingleByte, Encoding::Utf16)),
                         [](const testing::TestParamInfo<AttributeCase>& info) {
                           return std::string(std::get<0>(info.param).name) + "_" +
                                  encodingName(std::get<1>(info.param));
                         });

}  // namespace
}  // namespace quillorn
