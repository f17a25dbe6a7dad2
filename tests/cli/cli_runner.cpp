#include "tests/cli/cli_runner.h"

#include <sys/wait.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "tests/support/temp_folder.h"

namespace quillorn::test_support {
namespace fs = std::filesystem;

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

RunResult runCli(const std::vector<std::string>& args, ErrorStream errors, const RunSetting& setting) {
  std::string command;
  if (!setting.folder.empty()) command += "cd " + shellQuote(setting.folder.string()) + " && ";
  if (!setting.hostText.empty()) command += "QUILLORN_HOST_TEXT=" + shellQuote(setting.hostText) + " ";
  command += shellQuote(QUILLORN_CLI_PATH);
  for (const std::string& arg : args) {
    command += ' ';  // appended apart: g++ 12 warns (-Wrestrict) on " " + text at -O2
    command += shellQuote(arg);
  }
  command += errors == ErrorStream::Discarded ? " 2>/dev/null" : " 2>&1 </dev/null";
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

std::vector<std::string> caseNames(const fs::path& root) {
  std::vector<std::string> names;
  for (const auto& item : fs::directory_iterator(root)) {
    if (item.is_directory()) names.push_back(item.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string caseTestName(const std::string& caseName) {
  std::string name;
  for (char c : caseName) name.push_back(std::isalnum(static_cast<unsigned char>(c)) ? c : '_');
  return name;
}

void appendArgsFile(std::vector<std::string>& args, const fs::path& file) {
  if (!fs::exists(file)) return;
  std::istringstream lines(readFile(file));
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty()) args.push_back(line);
  }
}

namespace {

// The first line of `file`, or empty when there is none.
std::string firstLine(const fs::path& file) {
  std::istringstream lines(readFile(file));
  std::string line;
  std::getline(lines, line);
  return line;
}

}  // namespace

std::string caseHostText(const fs::path& caseFolder) {
  const std::string chosen = firstLine(caseFolder / "host-text");
  return chosen.empty() ? "windows-1252" : chosen;
}

fs::path caseSite(const fs::path& caseFolder) {
  const std::string other = firstLine(caseFolder / "site-of");
  return other.empty() ? caseFolder / "site" : fs::path(QUILLORN_TEST_DATA_DIR) / other / "site";
}

bool updatingExpected() {
  const char* update = std::getenv("QUILLORN_UPDATE_EXPECTED");
  return update != nullptr && std::string(update) == "1";
}

}  // namespace quillorn::test_support
