// Expected-output folders for `quillorn-cli scan --json`. Each folder under
// tests/data/scan/ is one case:
//   site/           the files to scan (the PATH given to the command)
//   args            optional: extra arguments, one per line
//   expected.json   what the command prints, with the case folder's absolute
//                   path written as <case>
// Set QUILLORN_UPDATE_EXPECTED=1 to write the actual output over expected.json
// (then read the diff before committing it).

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::filesystem::path kCasesRoot = std::filesystem::path(QUILLORN_TEST_DATA_DIR) / "scan";

std::vector<std::string> caseNames() {
  std::vector<std::string> names;
  for (const auto& item : std::filesystem::directory_iterator(kCasesRoot)) {
    if (item.is_directory()) names.push_back(item.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string shellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted.push_back(c);
    }
  }
  return quoted + "'";
}

struct RunResult {
  std::string output;
  int exitStatus = -1;
};

RunResult runCli(const std::vector<std::string>& args) {
  std::string command = shellQuote(QUILLORN_CLI_PATH);
  for (const std::string& arg : args) command += " " + shellQuote(arg);
  command += " 2>/dev/null";
  RunResult result;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return result;
  char chunk[4096];
  std::size_t got = 0;
  while ((got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) result.output.append(chunk, got);
  const int status = pclose(pipe);
  result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

void replaceAll(std::string& text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
}

class ScanExpectedTest : public ::testing::TestWithParam<std::string> {};

TEST_P(ScanExpectedTest, PrintsTheExpectedReport) {
  const std::filesystem::path folder = kCasesRoot / GetParam();
  std::vector<std::string> args = {"scan", "--json", "--offline"};
  if (std::filesystem::exists(folder / "args")) {
    std::istringstream lines(readFile(folder / "args"));
    for (std::string line; std::getline(lines, line);) {
      if (!line.empty()) args.push_back(line);
    }
  }
  args.push_back((folder / "site").string());

  RunResult run = runCli(args);
  replaceAll(run.output, folder.string(), "<case>");
  ASSERT_TRUE(run.exitStatus == 0 || run.exitStatus == 1) << "exit status " << run.exitStatus;

  const std::filesystem::path expectedFile = folder / "expected.json";
  const char* update = std::getenv("QUILLORN_UPDATE_EXPECTED");
  if (update != nullptr && std::string(update) == "1") {
    std::ofstream(expectedFile, std::ios::binary) << run.output;
  }
  const std::string expected = readFile(expectedFile);
  EXPECT_EQ(run.output, expected) << "case folder: " << folder;
  // The exit status follows the findings.
  const bool hasEntries = run.output.find("\"entries\": []") == std::string::npos;
  EXPECT_EQ(run.exitStatus, hasEntries ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, ScanExpectedTest, ::testing::ValuesIn(caseNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           std::string name;
                           for (char c : info.param) name.push_back(std::isalnum(static_cast<unsigned char>(c)) ? c : '_');
                           return name;
                         });

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
  for (const char* option : {"--saved-from-url", "--find-replacements", "--script-protocol-strings",
                             "--script-tag-strings", "--check-internet", "--ignore-script-links", "--relative-paths",
                             "--http-prefix", "--mailto-prefix", "--decode-urls", "--offline", "--json",
                             "--subfolders"}) {
    EXPECT_NE(run.output.find(option), std::string::npos) << option;
  }
}

}  // namespace
