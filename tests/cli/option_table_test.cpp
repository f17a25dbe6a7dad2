// The option table: what each kind of row gives, the words of its usage
// errors, and the help lines it writes.
#include "cli/option_table.h"

#include <gtest/gtest.h>

namespace quillorn::cli {
namespace {

constexpr OptionRow kRows[] = {
    {"--tidy", OptionKind::Pair, "", ""},
    {"--no-walk", OptionKind::Pair, "", ""},
    {"--quiet", OptionKind::Switch, "", ""},
    {"--url", OptionKind::Value, "URL", ""},
    {"--mode", OptionKind::Choice, "fast|slow|safe", ""},
    {"--count", OptionKind::Number, "N", "", 1, 9},
    {"--messy", OptionKind::Alias, "--no-tidy", ""},
};

struct ValueRow {
  const char* name;
  std::vector<std::string> args;
  bool tidy = true;  // as on() says with true for "not given"
  bool walk = true;
  std::optional<std::string> url = std::nullopt;
  std::vector<std::string> operands = {};
};

class OptionValueTest : public ::testing::TestWithParam<ValueRow> {};

TEST_P(OptionValueTest, LaterGivenWins) {
  const ValueRow& row = GetParam();
  const ParsedOptions parsed = parseOptions({kRows}, row.args);
  ASSERT_EQ(parsed.error, "");
  EXPECT_EQ(parsed.on("--tidy", true), row.tidy);
  EXPECT_EQ(parsed.on("--walk", true), row.walk);
  EXPECT_EQ(parsed.value("--url"), row.url);
  EXPECT_EQ(parsed.operands, row.operands);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, OptionValueTest,
    ::testing::Values(ValueRow{"PairOff", {"--tidy", "--no-tidy"}, false},
                      ValueRow{"PairOnAgain", {"--no-tidy", "--tidy"}, true},
                      ValueRow{"AliasAfterPair", {"--tidy", "--messy"}, false},
                      ValueRow{"RowNamedByItsNoForm", {"--walk", "--no-walk"}, true, false},
                      ValueRow{"OtherFormOfThatRow", {"--no-walk", "--walk"}, true, true},
                      ValueRow{"ValueTwice", {"--url", "a", "--url=b"}, true, true, "b"},
                      ValueRow{"EmptyValue", {"--url=", "x"}, true, true, "", {"x"}},
                      ValueRow{"DashesAsValue", {"--url", "--", "x"}, true, true, "--", {"x"}},
                      ValueRow{"DashesEndOptions", {"a", "--", "--tidy", "-"}, true, true, {}, {"a", "--tidy", "-"}}),
    [](const ::testing::TestParamInfo<ValueRow>& info) { return std::string(info.param.name); });

struct ErrorRow {
  const char* name;
  std::vector<std::string> args;
  const char* error;
};

class OptionErrorTest : public ::testing::TestWithParam<ErrorRow> {};

TEST_P(OptionErrorTest, NamesTheArgument) { EXPECT_EQ(parseOptions({kRows}, GetParam().args).error, GetParam().error); }

INSTANTIATE_TEST_SUITE_P(
    Rows, OptionErrorTest,
    ::testing::Values(ErrorRow{"Unknown", {"--fast=1"}, "unknown option '--fast=1'"},
                      ErrorRow{"ShortNotInTable", {"-q"}, "unknown option '-q'"},
                      ErrorRow{"SwitchWithEmptyValue", {"--quiet="}, "--quiet takes no value: '--quiet='"},
                      ErrorRow{"AliasWithValue", {"--messy=1"}, "--messy takes no value: '--messy=1'"},
                      ErrorRow{"ValueAtTheEnd", {"a", "--url"}, "--url needs a value"},
                      ErrorRow{"NotAWord", {"--mode", "quick"}, "--mode takes fast, slow or safe, not 'quick'"},
                      ErrorRow{"NumberBelow", {"--count=0"}, "--count takes a number from 1 to 9: '0'"},
                      ErrorRow{"NumberAbove", {"--count", "10"}, "--count takes a number from 1 to 9: '10'"},
                      ErrorRow{"FirstIsKept", {"--fast", "--url"}, "unknown option '--fast'"}),
    [](const ::testing::TestParamInfo<ErrorRow>& info) { return std::string(info.param.name); });

TEST(OptionTableTest, NumbersAtTheLimits) {
  EXPECT_EQ(parseOptions({kRows}, {"--count", "1"}).number("--count"), 1u);
  EXPECT_EQ(parseOptions({kRows}, {"--count=9"}).number("--count"), 9u);
  EXPECT_EQ(parseOptions({kRows}, {}).number("--count"), std::nullopt);
}

// Column 13: a name of 10 characters leaves one space, one of 11 none.
TEST(OptionTableTest, HelpLines) {
  constexpr OptionRow rows[] = {
      {"-t", OptionKind::Alias, "--tidy", ""},
      {"--tidy", OptionKind::Pair, "", "tidy up\nthe site"},
      {"--url", OptionKind::Value, "URL", "the address"},
      {"--mode", OptionKind::Choice, "fast|slow", "how"},
      {"--no-backup", OptionKind::Switch, "", "keep none"},
      {"--quiet", OptionKind::Switch, "", ""},
      {"--offline", OptionKind::Alias, "--no-tidy", "no tidying"},
  };
  EXPECT_EQ(optionHelp({rows}, 13),
            "  -t, --tidy tidy up\n"
            "             the site\n"
            "  --url URL  the address\n"
            "  --mode fast|slow\n"
            "             how\n"
            "  --no-backup\n"
            "             keep none\n"
            "  --offline  no tidying\n");
}

}  // namespace
}  // namespace quillorn::cli
