#include "cli/terminal_text.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "tests/cli/cli_runner.h"
#include "tests/support/temp_folder.h"

namespace quillorn::cli {
namespace {

struct TextRow {
  const char* name;
  std::string text;
  std::string shown;
};

class TerminalTextTest : public ::testing::TestWithParam<TextRow> {};

TEST_P(TerminalTextTest, ShowsControlsAsEscapes) { EXPECT_EQ(terminalText(GetParam().text), GetParam().shown); }

INSTANTIATE_TEST_SUITE_P(
    Texts, TerminalTextTest,
    ::testing::Values(
        TextRow{"Plain", "a b\\c \"d\" ~", "a b\\c \"d\" ~"}, TextRow{"LineBreaks", "a\nb\r\tc", "a\\nb\\r\\tc"},
        TextRow{"OtherControls", std::string("\0\x1b[2J\x7f", 6), "\\x00\\x1b[2J\\x7f"},
        TextRow{"Utf8", "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"},
        TextRow{"C1Controls", "\xC2\x80\xC2\x9B\xC2\x9F\xC2\xA0", "\\u0080\\u009b\\u009f\xC2\xA0"},
        TextRow{"NotUtf8", "caf\xE9 \xFF", "caf\\xe9 \\xff"}, TextRow{"CutShort", "a\xE2\x82", "a\\xe2\\x82"},
        TextRow{"OverLong", "\xC0\xAF\xE0\x80\xAF", "\\xc0\\xaf\\xe0\\x80\\xaf"},
        TextRow{"Surrogate", "\xED\xA0\x80", "\\xed\\xa0\\x80"},
        TextRow{"BeyondUnicode", "\xF4\x90\x80\x80", "\\xf4\\x90\\x80\\x80"}),
    [](const ::testing::TestParamInfo<TextRow>& info) { return std::string(info.param.name); });

// A file whose name holds line breaks cannot print a line of its own: every
// line of the text output is the program's, and the JSON keeps the name exact.
TEST(TerminalTextTest, NameCannotForgeALine) {
  const test_support::TempFolder temp;
  const std::string forged = "a\nDone (9 of 9 URL(s) processed successfully)\r\n\x1b[1A.html";
  temp.write("site/" + forged, "<img src=\"old/b.gif\">\n");
  temp.write("site/b.gif", "GIF89a");
  const std::string site = (temp.path() / "site").string();

  const test_support::RunResult json =
      test_support::runCli({"scan", "--json", "--offline", site}, test_support::ErrorStream::Discarded);
  EXPECT_EQ(nlohmann::json::parse(json.output)["files"][0], site + "/" + forged);

  for (const std::vector<std::string>& args : {std::vector<std::string>{"scan", "--offline", site},
                                               std::vector<std::string>{"fix", "--offline", "--dry-run", site},
                                               std::vector<std::string>{"fix", "--offline", site}}) {
    const test_support::RunResult run = test_support::runCli(args, test_support::ErrorStream::Merged);
    EXPECT_NE(run.output.find("a\\nDone (9 of 9 URL(s) processed successfully)\\r\\n\\x1b[1A.html"), std::string::npos)
        << run.output;
    std::istringstream lines(run.output);
    for (std::string line; std::getline(lines, line);) {
      EXPECT_EQ(line.find_first_of("\r\x1b"), std::string::npos) << args[1] << ": " << line;
      EXPECT_FALSE(line.starts_with("Done (9")) << args[1] << ": " << line;
    }
  }
}

}  // namespace
}  // namespace quillorn::cli
