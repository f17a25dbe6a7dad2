// The report forms of `quillorn-cli scan --format`, on one small site with
// findings of every kind (tests/data/report/site): each form's output is
// compared with tests/data/report/expected/, where the case folder's path is
// written as <case> and the program's version as <version>. Set
// QUILLORN_UPDATE_EXPECTED=1 to write the actual output over the expected one.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cli/finding_places.h"
#include "tests/cli/cli_runner.h"
#include "tests/support/temp_folder.h"

namespace {

using quillorn::test_support::caseHostText;
using quillorn::test_support::ErrorStream;
using quillorn::test_support::readFile;
using quillorn::test_support::replaceAll;
using quillorn::test_support::RunResult;
using quillorn::test_support::shellQuote;
using quillorn::test_support::updatingExpected;

const std::filesystem::path kCase = std::filesystem::path(QUILLORN_TEST_DATA_DIR) / "report";

std::vector<std::string> scanArgs(const std::string& format) {
  return {"scan", "--offline", "--check-anchors", "--format", format, (kCase / "site").string()};
}

// The report with the case folder and the version written as placeholders.
std::string placeholders(std::string text) {
  replaceAll(text, kCase.string(), "<case>");
  replaceAll(text, "\"" QUILLORN_VERSION "\"", "\"<version>\"");
  return text;
}

struct FormatRow {
  const char* format;
  const char* expected;  // file name under expected/
};

void PrintTo(const FormatRow& row, std::ostream* out) { *out << row.format; }

class ReportFormatTest : public ::testing::TestWithParam<FormatRow> {};

TEST_P(ReportFormatTest, PrintsTheExpectedReport) {
  const RunResult run =
      quillorn::test_support::runCli(scanArgs(GetParam().format), ErrorStream::Discarded, {{}, caseHostText(kCase)});
  EXPECT_EQ(run.exitStatus, 1);  // findings
  const std::string output = placeholders(run.output);
  const std::filesystem::path expected = kCase / "expected" / GetParam().expected;
  if (updatingExpected()) std::ofstream(expected, std::ios::binary) << output;
  EXPECT_EQ(output, readFile(expected));
}

INSTANTIATE_TEST_SUITE_P(Forms, ReportFormatTest,
                         ::testing::Values(FormatRow{"text", "text.txt"}, FormatRow{"json", "json.json"},
                                           FormatRow{"sarif", "sarif.json"}, FormatRow{"junit", "junit.xml"},
                                           FormatRow{"markdown", "markdown.md"}, FormatRow{"html", "html.html"}),
                         [](const ::testing::TestParamInfo<FormatRow>& info) {
                           return std::string(info.param.format);
                         });

// What a code-scanning service reads: the SARIF report against the schema of
// SARIF 2.1.0 (kept in tests/data), the JUnit report as XML.
TEST(ReportFormatTest, SarifMeetsItsSchemaAndJunitIsXml) {
  const quillorn::test_support::TempFolder temp("quillorn-report");
  const std::string sarif = (temp.path() / "report.sarif").string();
  const std::string junit = (temp.path() / "report.xml").string();
  std::vector<std::string> args = scanArgs("sarif");
  args.insert(args.end() - 1, {"--output", sarif});
  EXPECT_EQ(quillorn::test_support::runCli(args, ErrorStream::Discarded).exitStatus, 1);
  args = scanArgs("junit");
  args.insert(args.end() - 1, {"--output", junit});
  EXPECT_EQ(quillorn::test_support::runCli(args, ErrorStream::Discarded).exitStatus, 1);

  // Debian's python3 with python3-jsonschema (tools/setup.sh installs both).
  const std::string check =
      "import json, sys, jsonschema, xml.dom.minidom\n"
      "schema = json.load(open(sys.argv[1]))\n"
      "jsonschema.validate(json.load(open(sys.argv[2])), schema, format_checker=jsonschema.FormatChecker())\n"
      "xml.dom.minidom.parse(sys.argv[3])\n";
  const std::string command =
      "/usr/bin/python3 -c " + shellQuote(check) + " " +
      shellQuote((std::filesystem::path(QUILLORN_TEST_DATA_DIR) / "sarif-schema-2.1.0.json").string()) + " " +
      shellQuote(sarif) + " " + shellQuote(junit);
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
}

// --output keeps the progress lines and the summary on standard output, and
// never writes over a file of the site.
TEST(ReportFormatTest, OutputTakesTheReportAndSparesTheSite) {
  const quillorn::test_support::TempFolder temp("quillorn-report");
  const std::filesystem::path file = temp.path() / "report.html";
  std::vector<std::string> args = scanArgs("html");
  args.insert(args.end() - 1, {"--output", file.string()});
  const RunResult run = quillorn::test_support::runCli(args, ErrorStream::Discarded, {{}, caseHostText(kCase)});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_NE(run.output.find(">> Searching for broken links..."), std::string::npos) << run.output;
  EXPECT_TRUE(
      run.output.ends_with("Done (16 change(s) in 4 file(s))\nFiles: 4 searched, 3 with findings. Findings: 13.\n"))
      << run.output;
  EXPECT_EQ(placeholders(readFile(file)), readFile(kCase / "expected" / "html.html"));

  const std::string page = readFile(kCase / "site" / "index.html");
  args = scanArgs("html");
  args.insert(args.end() - 1, {"--output", (kCase / "site" / "sub" / ".." / "index.html").string()});
  const RunResult refused = quillorn::test_support::runCli(args, ErrorStream::Merged);
  EXPECT_EQ(refused.exitStatus, 2);
  EXPECT_NE(refused.output.find("it is a file of the site"), std::string::npos) << refused.output;
  EXPECT_EQ(readFile(kCase / "site" / "index.html"), page);

  args = scanArgs("html");
  args.insert(args.end() - 1, {"--output", (temp.path() / "no-such-folder" / "report.html").string()});
  const RunResult nowhere = quillorn::test_support::runCli(args, ErrorStream::Merged);
  EXPECT_EQ(nowhere.exitStatus, 2);
  EXPECT_NE(nowhere.output.find("its folder does not exist"), std::string::npos) << nowhere.output;
  EXPECT_EQ(nowhere.output.find("Searching"), std::string::npos) << "refused before the search";
}

// Lines end at LF, CR LF or a lone CR; columns count characters, not bytes,
// and a byte-order mark is none. `at` is the character the place is asked for.
struct PlaceRow {
  const char* name;
  std::string bytes;
  quillorn::Encoding encoding;
  std::size_t at;  // byte offset
  std::int64_t line;
  std::int64_t column;
};

void PrintTo(const PlaceRow& row, std::ostream* out) { *out << row.name; }

class LineColumnTest : public ::testing::TestWithParam<PlaceRow> {};

TEST_P(LineColumnTest, CountsLinesAndCharacters) {
  const PlaceRow& row = GetParam();
  const quillorn::TextView text = quillorn::TextView::of(row.bytes, row.encoding);
  const quillorn::cli::LineColumn at = quillorn::cli::lineColumnOf(text, static_cast<quillorn::Pos>(row.at));
  EXPECT_EQ(at.line, row.line);
  EXPECT_EQ(at.column, row.column);
  // From any earlier place on, the walk comes to the same.
  const quillorn::cli::LineColumn half =
      quillorn::cli::lineColumnOf(text, static_cast<quillorn::Pos>(row.at / 2 / text.step * text.step));
  const quillorn::cli::LineColumn again = quillorn::cli::lineColumnAfter(
      text, half, static_cast<quillorn::Pos>(row.at / 2 / text.step * text.step), static_cast<quillorn::Pos>(row.at));
  EXPECT_EQ(again.line, row.line);
  EXPECT_EQ(again.column, row.column);
}

const std::string kWide = std::string("\xFF\xFE", 2) + std::string("a\0\n\0\x3D\xD8\x00\xDEx\0", 10);

INSTANTIATE_TEST_SUITE_P(
    Rows, LineColumnTest,
    ::testing::Values(PlaceRow{"lf", "ab\ncd\nef", quillorn::Encoding::SingleByte, 7, 3, 2},
                      PlaceRow{"crlf", "ab\r\ncd\r\nef", quillorn::Encoding::SingleByte, 9, 3, 2},
                      PlaceRow{"lone_cr", "ab\rcd\ref", quillorn::Encoding::SingleByte, 7, 3, 2},
                      PlaceRow{"utf8", "caf\xC3\xA9 \xE4\xB8\xAD x", quillorn::Encoding::SingleByte, 10, 1, 8},
                      PlaceRow{"utf8_mark",
                               "\xEF\xBB\xBF"
                               "ab",
                               quillorn::Encoding::SingleByte, 4, 1, 2},
                      PlaceRow{"windows_1252", "caf\xE9 x", quillorn::Encoding::SingleByte, 5, 1, 6},
                      PlaceRow{"utf16_pair", kWide, quillorn::Encoding::Utf16, 10, 2, 2}),
    [](const ::testing::TestParamInfo<PlaceRow>& info) { return std::string(info.param.name); });

}  // namespace
