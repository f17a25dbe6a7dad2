#include "core/text/anchor_names.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "tests/support/search_harness.h"

namespace quillorn {
namespace {

std::vector<std::string> namesOf(const AnchorNames& names) {
  std::vector<std::string> all;
  for (std::size_t i = 0; i < names.size(); ++i) all.emplace_back(names.name(i));
  return all;
}

struct AnchorRow {
  std::string_view name;
  std::string_view page;
  std::vector<std::string> anchors;  // sorted
};

class AnchorNamesTest : public testing::TestWithParam<std::tuple<AnchorRow, Encoding>> {};

TEST_P(AnchorNamesTest, FindsWhatABrowserWouldGoTo) {
  const auto& [row, encoding] = GetParam();
  const DocumentBuffer document = test_support::makeDocument(row.page, encoding);
  EXPECT_EQ(namesOf(collectAnchorNames(document.view())), row.anchors);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, AnchorNamesTest,
    testing::Combine(
        testing::Values(
            AnchorRow{"IdOfAnyElement", R"(<div id="a"><P ID='b'><span id=c>)", {"a", "b", "c"}},
            AnchorRow{"NameOnlyOfA", R"(<a name="x"><div name="y"><abbr name="z"><A NAME=w>)", {"w", "x"}},
            AnchorRow{"FirstIdOfATag", R"(<div id="one" id="two">)", {"one"}},
            AnchorRow{"WholeAttributeNamesOnly", R"(<div data-id="x" valid="y" idx="z" xid="v">)", {}},
            AnchorRow{"BlanksAroundEquals", "<p id = \"x\"\n>", {"x"}},
            AnchorRow{"GreaterThanInQuotes", R"(<div title="a>b" id="after"><p title='c>' id=d>)", {"after", "d"}},
            AnchorRow{"ReferencesDecoded", R"(<p id="a&amp;b"><p id="&#65;&#x42;">)", {"AB", "a&b"}},
            AnchorRow{"RepeatsAndEmptyOnce", R"(<p id="x"><p id="x"><p id=""><p id>)", {"x"}},
            AnchorRow{"CommentHoldsNone", R"(<!-- <a name="c"> --><p id="d"><!--x-->)", {"d"}},
            AnchorRow{"ScriptAndStyleTextHoldNone",
                      R"(<script>s='<a name="s">'</script ><style>/*<p id="t">*/</STYLE><p id="u">)",
                      {"u"}},
            AnchorRow{"TitleAndTextAreaHoldNone",
                      R"(<title><a name="t"></title><textarea><p id="a"></textarea><p id="v">)",
                      {"v"}},
            AnchorRow{"ScriptNeverClosedHoldsTheRest", R"(<script><p id="w">)", {}},
            AnchorRow{"ScriptPrefixIsAnotherElement", R"(<scripts><p id="x"></scripts>)", {"x"}},
            AnchorRow{"EndTagsAndDoctypeHoldNone", R"(<!DOCTYPE html id="a"></p id="b"><?xml id="c"?>)", {}},
            AnchorRow{"LessThanOfTheText", R"(a < b <= c <p id="x">)", {"x"}},
            AnchorRow{"QuoteNeverClosed", R"(<p id="x>)", {}},
            AnchorRow{"SelfClosing", R"(<a/name="n"/><br/id="i">)", {"i", "n"}}),
        testing::Values(Encoding::SingleByte, Encoding::Utf16)),
    [](const auto& info) {
      return std::string(std::get<0>(info.param).name) + "_" + test_support::encodingName(std::get<1>(info.param));
    });

struct NearRow {
  std::string_view name;
  std::vector<std::string_view> anchors;
  std::string_view fragment;
  std::string_view proposal;  // empty: none
};

class NearMatchTest : public testing::TestWithParam<NearRow> {};

TEST_P(NearMatchTest, ProposesOnlyTheOneNearName) {
  const NearRow& row = GetParam();
  AnchorNames names;
  for (const std::string_view anchor : row.anchors) names.add(anchor);
  names.seal();
  EXPECT_EQ(names.nearMatch(row.fragment), row.proposal);
  for (const std::string_view anchor : row.anchors) EXPECT_TRUE(names.contains(anchor)) << anchor;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, NearMatchTest,
    testing::Values(NearRow{"LetterCase", {"Setup", "intro"}, "SETUP", "Setup"},
                    NearRow{"HyphenForUnderscore", {"intro_part", "intro"}, "Intro-Part", "intro_part"},
                    NearRow{"BlankForHyphen", {"two words"}, "two-words", "two words"},
                    NearRow{"TwoNearNamesNoProposal", {"X-y", "x_Y", "z"}, "x y", ""},
                    NearRow{"OtherLettersNoProposal", {"setup"}, "set-up", ""},
                    NearRow{"NoAnchors", {}, "top-part", ""}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quillorn
