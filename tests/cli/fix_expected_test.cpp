// Expected-output folders for `quillorn-cli fix` and `restore`. Each folder
// under tests/data/fix/ is one case:
//   site/                  the site before the repair (copied to a temporary folder)
//   args                   optional: arguments of `fix`, one per line
//   decisions.json         optional: passed with --decisions, "<site>" standing
//                          for the copied site's folder
//   expected/              the site after the repair, backups included
//   expected-output.txt    what `fix` prints, "<site>" standing for the site's folder
//                          and "<temp>" for the folder around it
//   expected-status        optional: the exit status when it is not 0
//   no-roundtrip           optional: `restore` is not expected to give site/ back
// After `fix`, `restore` runs on the copy and must give back site/ byte for byte.
// QUILLORN_UPDATE_EXPECTED=1 writes the actual results over expected/ and
// expected-output.txt (read the diff before committing them).

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kCasesRoot = fs::path(QUILLORN_TEST_DATA_DIR) / "fix";

std::vector<std::string> caseNames() {
  std::vector<std::string> names;
  for (const auto& item : fs::directory_iterator(kCasesRoot)) {
    if (item.is_directory()) names.push_back(item.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void writeFile(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

std::string shellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

struct RunResult {
  std::string output;
  int exitStatus = -1;
};

RunResult runCli(const std::vector<std::string>& args) {
  std::string command = shellQuote(QUILLORN_CLI_PATH);
  for (const std::string& arg : args) command += " " + shellQuote(arg);
  command += " 2>&1 </dev/null";
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

// Every regular file under `root`, by relative path, with its bytes.
std::map<std::string, std::string> tree(const fs::path& root) {
  std::map<std::string, std::string> files;
  if (!fs::exists(root)) return files;
  for (const auto& item : fs::recursive_directory_iterator(root)) {
    if (item.is_regular_file()) files[fs::relative(item.path(), root).string()] = readFile(item.path());
  }
  return files;
}

void expectSameTree(const std::map<std::string, std::string>& actual,
                    const std::map<std::string, std::string>& expected, const std::string& what) {
  for (const auto& [name, bytes] : expected) {
    const auto found = actual.find(name);
    if (found == actual.end()) {
      ADD_FAILURE() << what << ": missing " << name;
    } else {
      EXPECT_EQ(found->second, bytes) << what << ": " << name << " differs";
    }
  }
  for (const auto& [name, bytes] : actual) {
    if (expected.count(name) == 0) ADD_FAILURE() << what << ": unexpected " << name;
  }
}

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "quillorn-fix-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TempFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

class FixExpectedTest : public ::testing::TestWithParam<std::string> {};

TEST_P(FixExpectedTest, RewritesAsExpectedAndRestoresTheSite) {
  const fs::path folder = kCasesRoot / GetParam();
  TempFolder temp;
  const fs::path site = temp.path() / "site";
  fs::copy(folder / "site", site, fs::copy_options::recursive);
  const std::map<std::string, std::string> before = tree(site);

  std::vector<std::string> args = {"fix", "--offline"};
  if (fs::exists(folder / "args")) {
    std::istringstream lines(readFile(folder / "args"));
    for (std::string line; std::getline(lines, line);) {
      if (!line.empty()) args.push_back(line);
    }
  }
  if (fs::exists(folder / "decisions.json")) {
    std::string decisions = readFile(folder / "decisions.json");
    replaceAll(decisions, "<site>", site.string());
    writeFile(temp.path() / "decisions.json", decisions);
    args.push_back("--decisions");
    args.push_back((temp.path() / "decisions.json").string());
  }
  args.push_back(site.string());

  RunResult run = runCli(args);
  replaceAll(run.output, site.string(), "<site>");
  replaceAll(run.output, temp.path().string(), "<temp>");
  const int expectedStatus =
      fs::exists(folder / "expected-status") ? std::stoi(readFile(folder / "expected-status")) : 0;
  EXPECT_EQ(run.exitStatus, expectedStatus) << run.output;

  const char* update = std::getenv("QUILLORN_UPDATE_EXPECTED");
  if (update != nullptr && std::string(update) == "1") {
    fs::remove_all(folder / "expected");
    fs::copy(site, folder / "expected", fs::copy_options::recursive);
    writeFile(folder / "expected-output.txt", run.output);
  }
  EXPECT_EQ(run.output, readFile(folder / "expected-output.txt"));
  expectSameTree(tree(site), tree(folder / "expected"), "after fix");

  // Nothing but the site's own files and their backups: no temporary files left.
  for (const auto& item : fs::recursive_directory_iterator(temp.path())) {
    const std::string name = item.path().filename().string();
    EXPECT_EQ(name.find("quillorn"), std::string::npos) << "left behind: " << item.path();
  }

  if (!fs::exists(folder / "no-roundtrip")) {
    const RunResult restore = runCli({"restore", site.string()});
    EXPECT_EQ(restore.exitStatus, 0) << restore.output;
    expectSameTree(tree(site), before, "after restore");
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, FixExpectedTest, ::testing::ValuesIn(caseNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           std::string name;
                           for (char c : info.param) name.push_back(std::isalnum(static_cast<unsigned char>(c)) ? c : '_');
                           return name;
                         });

}  // namespace
