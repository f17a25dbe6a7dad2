#include <gtest/gtest.h>

#include <sstream>

#include "cli/json_reader.h"
#include "cli/json_writer.h"
#include "cli/unified_diff.h"

namespace quillorn::cli {
namespace {

TEST(JsonReaderTest, ReadsWhatTheWriterWrites) {
  std::ostringstream out;
  JsonWriter json(out);
  json.beginObject();
  json.key("texts");
  json.beginArray();
  json.value("plain");
  json.value("quote \" backslash \\ tab \t newline \n control \x01 end");
  json.value("caf\xC3\xA9");
  json.endArray();
  json.key("numbers");
  json.beginArray();
  json.value(std::int64_t{-2});
  json.value(std::int64_t{9007199254740993});
  json.endArray();
  json.key("empty");
  json.beginArray();
  json.endArray();
  json.endObject();

  const JsonParse parsed = parseJson(out.str());
  ASSERT_TRUE(parsed.ok) << parsed.error << "\n" << out.str();
  const JsonValue* texts = parsed.value.find("texts");
  ASSERT_NE(texts, nullptr);
  ASSERT_EQ(texts->items.size(), 3u);
  EXPECT_EQ(texts->items[1].text, "quote \" backslash \\ tab \t newline \n control \x01 end");
  EXPECT_EQ(texts->items[2].text, "caf\xC3\xA9");
  const JsonValue* numbers = parsed.value.find("numbers");
  ASSERT_NE(numbers, nullptr);
  EXPECT_EQ(numbers->items[0].number, -2);
  EXPECT_EQ(numbers->items[1].number, 9007199254740993);
  EXPECT_EQ(parsed.value.find("empty")->items.size(), 0u);
  EXPECT_EQ(parsed.value.find("missing"), nullptr);
}

TEST(JsonReaderTest, DecodesUnicodeEscapes) {
  const JsonParse parsed = parseJson(R"(["\u00e9\u20ac\ud83d\ude00\/"])");
  ASSERT_TRUE(parsed.ok) << parsed.error;
  EXPECT_EQ(parsed.value.items[0].text, "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80/");
}

struct BadJsonRow {
  const char* name;
  const char* text;
};

class BadJsonTest : public ::testing::TestWithParam<BadJsonRow> {};

TEST_P(BadJsonTest, IsRefusedWithAPosition) {
  const JsonParse parsed = parseJson(GetParam().text);
  EXPECT_FALSE(parsed.ok);
  EXPECT_NE(parsed.error.find("byte"), std::string::npos) << parsed.error;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, BadJsonTest,
    ::testing::Values(BadJsonRow{"Empty", ""}, BadJsonRow{"Truncated", "{\"a\": [1, 2"},
                      BadJsonRow{"TrailingComma", "[1,]"}, BadJsonRow{"Fraction", "[1.5]"},
                      BadJsonRow{"TooLarge", "[9223372036854775808]"}, BadJsonRow{"LoneSurrogate", "[\"\\ud800\"]"},
                      BadJsonRow{"RawControl", "[\"a\x01\"]"}, BadJsonRow{"TextAfter", "{} x"},
                      BadJsonRow{"UnterminatedString", "[\"abc"}, BadJsonRow{"DeepNesting", "[[[[[[[[[[[[[[[[[[[["
                                                                                              "[[[[[[[[[[[[[[[[[[[["
                                                                                              "[[[[[[[[[[[[[[[[[[[["
                                                                                              "[[[[[[[[[[[[[[[[[[[["}),
    [](const ::testing::TestParamInfo<BadJsonRow>& info) { return std::string(info.param.name); });

TEST(UnifiedDiffTest, EqualTextsGiveNoDiff) { EXPECT_EQ(unifiedDiff("a\nb\n", "a\nb\n", "a/x", "b/x"), ""); }

TEST(UnifiedDiffTest, OneChangedLineWithContext) {
  const std::string before = "1\n2\n3\n4\n5\n6\n7\n8\n9\n";
  const std::string after = "1\n2\n3\n4\nfive\n6\n7\n8\n9\n";
  EXPECT_EQ(unifiedDiff(before, after, "a/x", "b/x"),
            "--- a/x\n+++ b/x\n@@ -2,7 +2,7 @@\n 2\n 3\n 4\n-5\n+five\n 6\n 7\n 8\n");
}

TEST(UnifiedDiffTest, DistantChangesMakeTwoHunks) {
  std::string before;
  for (int i = 1; i <= 20; ++i) before += std::to_string(i) + "\n";
  std::string after = before;
  after.replace(after.find("2\n"), 2, "two\n");
  after.replace(after.find("19\n"), 3, "nineteen\n");
  const std::string diff = unifiedDiff(before, after, "a/x", "b/x");
  EXPECT_NE(diff.find("@@ -1,5 +1,5 @@\n 1\n-2\n+two\n 3\n"), std::string::npos) << diff;
  EXPECT_NE(diff.find("@@ -16,5 +16,5 @@\n 16\n 17\n 18\n-19\n+nineteen\n 20\n"), std::string::npos) << diff;
}

TEST(UnifiedDiffTest, MissingFinalNewlineIsMarked) {
  EXPECT_EQ(unifiedDiff("a", "b", "a/x", "b/x"),
            "--- a/x\n+++ b/x\n@@ -1 +1 @@\n-a\n\\ No newline at end of file\n+b\n\\ No newline at end of file\n");
}

TEST(UnifiedDiffTest, InsertionIntoEmptyText) {
  EXPECT_EQ(unifiedDiff("", "new\n", "a/x", "b/x"), "--- a/x\n+++ b/x\n@@ -0,0 +1 @@\n+new\n");
}

TEST(UnifiedDiffTest, ApplyingTheHunksGivesTheNewText) {
  // A small patch applier: the diff must describe exactly the change.
  const std::string before = "a\nb\nc\nd\ne\nf\ng\nh\ni\nj\nk\n";
  const std::string after = "a\nB\nc\nd\ne\nf\ng\nh\ni\nj\nk\nl\n";
  const std::string diff = unifiedDiff(before, after, "a/x", "b/x");
  std::istringstream lines(diff);
  std::string line;
  std::string rebuilt;
  std::size_t consumed = 0;  // lines of `before` taken so far
  std::vector<std::string> old;
  {
    std::istringstream in(before);
    for (std::string l; std::getline(in, l);) old.push_back(l);
  }
  while (std::getline(lines, line)) {
    if (line.rfind("@@ -", 0) == 0) {
      const std::size_t start = std::stoul(line.substr(4));
      while (consumed + 1 < start) rebuilt += old[consumed++] + "\n";
    } else if (!line.empty() && line[0] == ' ') {
      rebuilt += line.substr(1) + "\n";
      ++consumed;
    } else if (!line.empty() && line[0] == '-' && line.rfind("---", 0) != 0) {
      ++consumed;
    } else if (!line.empty() && line[0] == '+' && line.rfind("+++", 0) != 0) {
      rebuilt += line.substr(1) + "\n";
    }
  }
  while (consumed < old.size()) rebuilt += old[consumed++] + "\n";
  EXPECT_EQ(rebuilt, after) << diff;
}

}  // namespace
}  // namespace quillorn::cli
