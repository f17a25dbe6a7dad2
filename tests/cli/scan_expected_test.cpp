// Expected-output folders for `quillorn-cli scan --json`. Each folder under
// tests/data/scan/ is one case:
//   site/           the files to scan (the PATH given to the command)
//   site-of         optional instead of site/: the case folder, relative to
//                   tests/data, whose site/ this case scans
//   args            optional: extra arguments, one per line
//   expected.json   what the command prints, with the case folder's absolute
//                   path written as <case>
//   host-text       optional: "utf-8" runs the case under UTF-8 host text
//                   (else Windows-1252)
// Set QUILLORN_UPDATE_EXPECTED=1 to write the actual output over expected.json
// (then read the diff before committing it).

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/cli/cli_runner.h"
#include "tests/support/temp_folder.h"

namespace {

using quillorn::test_support::appendArgsFile;
using quillorn::test_support::caseHostText;
using quillorn::test_support::caseNames;
using quillorn::test_support::caseSite;
using quillorn::test_support::caseTestName;
using quillorn::test_support::ErrorStream;
using quillorn::test_support::readFile;
using quillorn::test_support::replaceAll;
using quillorn::test_support::RunResult;
using quillorn::test_support::RunSetting;
using quillorn::test_support::updatingExpected;

const std::filesystem::path kCasesRoot = std::filesystem::path(QUILLORN_TEST_DATA_DIR) / "scan";

// Standard output alone: the report, without what the program says on standard error.
RunResult runCli(const std::vector<std::string>& args, const RunSetting& setting = {}) {
  return quillorn::test_support::runCli(args, ErrorStream::Discarded, setting);
}

std::size_t countOf(const std::string& text, const std::string& what) {
  std::size_t count = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++count;
  return count;
}

// Each case with the files searched on one thread and on four: the same output.
class ScanExpectedTest : public ::testing::TestWithParam<std::tuple<std::string, unsigned>> {};

TEST_P(ScanExpectedTest, PrintsTheExpectedReport) {
  const std::filesystem::path folder = kCasesRoot / std::get<0>(GetParam());
  std::vector<std::string> args = {"scan", "--json", "--offline"};
  appendArgsFile(args, folder / "args");
  args.push_back("--jobs=" + std::to_string(std::get<1>(GetParam())));
  const std::filesystem::path site = caseSite(folder);
  args.push_back(site.string());

  RunResult run = runCli(args, {{}, caseHostText(folder)});
  replaceAll(run.output, site.parent_path().string(), "<case>");
  ASSERT_TRUE(run.exitStatus == 0 || run.exitStatus == 1) << "exit status " << run.exitStatus;

  const std::filesystem::path expectedFile = folder / "expected.json";
  if (updatingExpected()) {
    std::ofstream(expectedFile, std::ios::binary) << run.output;
  }
  const std::string expected = readFile(expectedFile);
  EXPECT_EQ(run.output, expected) << "case folder: " << folder;
  // The exit status follows the findings; lines of Internet URLs not checked are none.
  const std::size_t resultsStart = run.output.find("\"results\": [");
  const std::string results = run.output.substr(resultsStart, run.output.find("\"notChecked\": [") - resultsStart);
  const bool hasFindings = countOf(results, "\"line\": ") > countOf(results, "\"notChecked\": true");
  EXPECT_EQ(run.exitStatus, hasFindings ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, ScanExpectedTest,
                         ::testing::Combine(::testing::ValuesIn(caseNames(kCasesRoot)), ::testing::Values(1U, 4U)),
                         [](const ::testing::TestParamInfo<std::tuple<std::string, unsigned>>& info) {
                           return caseTestName(std::get<0>(info.param)) + "_jobs" +
                                  std::to_string(std::get<1>(info.param));
                         });

// PATHs typed as ".", "..", with a detour through a folder that need not
// exist, or naming a file twice list each file once under one spelling: the
// report is the one of the plain folder.
struct TypedPathRow {
  const char* name;
  const char* folder;  // where the command runs, in the case folder
  std::vector<std::string> paths;
};

void PrintTo(const TypedPathRow& row, std::ostream* out) { *out << row.name; }

class TypedPathTest : public ::testing::TestWithParam<TypedPathRow> {};

TEST_P(TypedPathTest, ReportsAsThePlainFolder) {
  const std::filesystem::path caseFolder = kCasesRoot / "utf8";
  std::vector<std::string> args = {"scan", "--json", "--offline"};
  args.insert(args.end(), GetParam().paths.begin(), GetParam().paths.end());
  RunResult run = runCli(args, {caseFolder / GetParam().folder, caseHostText(caseFolder)});
  replaceAll(run.output, std::filesystem::canonical(caseFolder).string(), "<case>");
  replaceAll(run.output, caseFolder.string(), "<case>");
  EXPECT_EQ(run.output, readFile(caseFolder / "expected.json"));
}

INSTANTIATE_TEST_SUITE_P(Rows, TypedPathTest,
                         ::testing::Values(TypedPathRow{"dot", "site", {"."}},
                                           TypedPathRow{"dot_dot", "site/références", {".."}},
                                           TypedPathRow{"detour", ".", {"./x/../site"}},
                                           TypedPathRow{"twice", ".", {"site", "./site/index.html", "site/../site"}}),
                         [](const ::testing::TestParamInfo<TypedPathRow>& info) {
                           return std::string(info.param.name);
                         });

// A named pipe and a socket in the site would hold a read for ever: the scan
// ends, leaves both out of the file list and names each in its status lines.
// A link that leads to no file is left out and named too, so a link to it is
// broken. The test's time limit guards against a read that waits.
TEST(ScanCommandTest, NamedPipeSocketAndLinkToNoFileAreLeftOutAndNamed) {
  const quillorn::test_support::TempFolder temp("quillorn-scan");
  const std::filesystem::path site = temp.path() / "site";
  temp.makeFifo("site/pipe.html");
  temp.makeSocket("site/sock.html");
  std::filesystem::create_symlink("missing.js", site / "gone.js");
  temp.write("site/index.html", "<a href=\"pipe.html\">p</a>\n<script src=\"gone.js\"></script>\n");

  RunResult run = runCli({"scan", "--json", "--offline", site.string()});
  replaceAll(run.output, site.string(), "<site>");
  EXPECT_EQ(run.exitStatus, 1);
  const nlohmann::json report = nlohmann::json::parse(run.output, nullptr, false);
  ASSERT_FALSE(report.is_discarded()) << run.output;
  EXPECT_EQ(report.at("files"), nlohmann::json::array({"<site>/index.html"}));
  EXPECT_EQ(report.at("status"), nlohmann::json::array({
                                     "<site>/gone.js: left out, a link that leads to no file",
                                     "<site>/pipe.html: left out, not a regular file (a named pipe)",
                                     "<site>/sock.html: left out, not a regular file (a socket)",
                                     ">> Searching for \"saved from url\"...",
                                     "<site>/index.html (58 bytes): ASCII, no \"saved from url\" was found",
                                     ">> Searching for broken links...",
                                     "<site>/index.html (58 bytes): ASCII, 2 broken URL(s) found",
                                 }));
}

// A PATH that names a named pipe is refused as one, never opened.
TEST(ScanCommandTest, NamedPipeAsPathIsAUsageError) {
  const quillorn::test_support::TempFolder temp("quillorn-scan");
  const std::filesystem::path pipe = temp.makeFifo("pipe.html");
  const RunResult run =
      quillorn::test_support::runCli({"scan", "--offline", pipe.string()}, quillorn::test_support::ErrorStream::Merged);
  EXPECT_EQ(run.exitStatus, 2);
  EXPECT_EQ(run.output, "quillorn-cli scan: " + pipe.string() + ": not a regular file (a named pipe)\n");
}

TEST(ScanCommandTest, MissingPathIsAUsageError) {
  const RunResult run = runCli({"scan", "--offline", (kCasesRoot / "no-such-folder").string()});
  EXPECT_EQ(run.exitStatus, 2);
  EXPECT_TRUE(run.output.empty());
}

TEST(ScanCommandTest, UnknownOptionIsAUsageError) {
  EXPECT_EQ(runCli({"scan", "--no-such-option", kCasesRoot.string()}).exitStatus, 2);
  EXPECT_EQ(runCli({"scan"}).exitStatus, 2);
  EXPECT_EQ(runCli({"frobnicate"}).exitStatus, 2);
}

TEST(ScanCommandTest, HelpNamesEveryOption) {
  const RunResult run = runCli({"scan", "--help"});
  EXPECT_EQ(run.exitStatus, 0);
  for (const char* option :
       {"--saved-from-url", "--find-replacements", "--script-protocol-strings", "--script-tag-strings",
        "--check-internet", "--ignore-script-links", "--relative-paths", "--http-prefix", "--mailto-prefix",
        "--decode-urls", "--offline", "--json", "--subfolders"}) {
    EXPECT_NE(run.output.find(option), std::string::npos) << option;
  }
}

}  // namespace
