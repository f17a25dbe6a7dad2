#include "core/model/link_tags.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/rewrite/tag_rewriter.h"
#include "core/search/html_scanner.h"
#include "tests/support/search_harness.h"

namespace quillorn {
namespace {

using test_support::encodingName;
using test_support::makeDocument;

// Every tag of the table with a broken value in each attribute a row names,
// and a STYLE block whose url( ) is broken too.
std::string pageWithEveryTag() {
  std::set<std::string_view> attributes;
  for (const LinkTag& tag : kLinkTags) {
    if (!tag.searchedAttribute.empty()) attributes.insert(tag.searchedAttribute);
  }
  std::string page;
  for (const LinkTag& tag : kLinkTags) {
    page.append("<").append(tag.name);
    for (const std::string_view attribute : attributes) page.append(" ").append(attribute).append("=\"gone.gif\"");
    page += ">";
    if (tag.name == "STYLE") page += "p{background:url(gone.gif)}";
    if (!tag.endTag.empty()) page.append("<").append(tag.endTag).append(">");
    page += "\n";
  }
  return page;
}

// The name after the '<' at `pos`, up to a blank or '>'.
std::string tagNameAt(const TextView& text, Pos pos) {
  std::string name;
  for (Pos p = pos + text.step; text.hasChar(p) && text.charAt(p) != ' ' && text.charAt(p) != '>'; p += text.step) {
    name += text.charAt(p);
  }
  return name;
}

class LinkTagReachTest : public ::testing::TestWithParam<Encoding> {};

// The search records a tag for every row it reads and for no other; a STYLE
// block's url( ) stands without a tag. So a search never hands the rewrite a
// STYLE tag, and the STYLE row's deletion rule is reached only by an entry made
// by hand: deleting every finding of a real search leaves the STYLE element.
TEST_P(LinkTagReachTest, TheSearchRecordsTheSearchedRowsAndNeverAStyleTag) {
  test_support::SearchHarness harness({"C:\\site\\page.htm"});
  harness.settings.textLinkAction = DeletionChoice::ConvertToText;
  const DocumentBuffer document = makeDocument(pageWithEveryTag(), GetParam());
  const TextView text = document.view();
  ASSERT_EQ(scanHtmlFile(harness.context, document, 0).end, PassEnd::Done);

  std::set<std::string> tagged;
  std::size_t styleValues = 0;
  for (const UrlEntry& entry : harness.urls.entries()) {
    EXPECT_EQ(decisionOf(entry).action, UrlAction::Delete) << entry.url;
    if (entry.tagPos >= 0) tagged.insert(tagNameAt(text, entry.tagPos));
    if (entry.tagPos == StyleUrl) ++styleValues;
  }
  std::set<std::string> searched;
  for (const LinkTag& tag : kLinkTags) {
    if (!tag.searchedAttribute.empty()) searched.insert(std::string(tag.name));
  }
  EXPECT_EQ(tagged, searched);
  EXPECT_EQ(tagged.count("STYLE"), 0u);
  EXPECT_EQ(styleValues, 1u);

  StringSink out;
  const std::vector<std::vector<std::size_t>> byFile = entriesByFile(harness.urls, 1);
  rewriteDocument(text, harness.urls, byFile[0], harness.files, harness.settings, 0, out);
  const std::string written = asHostText(TextView(reinterpret_cast<const std::uint8_t*>(out.text.data()),
                                                  out.text.size(), document.encoding, document.charset));
  EXPECT_NE(written.find("<STYLE background=\"gone.gif\""), std::string::npos) << written;
  EXPECT_NE(written.find("url(gone.gif)}</STYLE>"), std::string::npos) << written;
  // A row the search reads does lose its tags.
  EXPECT_EQ(written.find("<APPLET"), std::string::npos) << written;
}

INSTANTIATE_TEST_SUITE_P(Encodings, LinkTagReachTest, ::testing::Values(Encoding::SingleByte, Encoding::Utf16),
                         [](const ::testing::TestParamInfo<Encoding>& info) { return encodingName(info.param); });

}  // namespace
}  // namespace quillorn
