#pragma once
// Running quillorn-cli from the expected-output tests, and what those tests
// share about their case folders.

#include <filesystem>
#include <string>
#include <vector>

namespace quillorn::test_support {

// `text` in single quotes for /bin/sh, each quote in it written as '\''.
std::string shellQuote(const std::string& text);

// Where the program's standard error goes.
enum class ErrorStream {
  Discarded,  // to /dev/null: the output is standard output alone
  Merged,     // into the output; standard input is /dev/null as well
};

struct RunResult {
  std::string output;
  int exitStatus = -1;  // -1 when the program did not exit normally
};

// Where and how the program runs.
struct RunSetting {
  std::filesystem::path folder;  // its current folder; empty: the test's own
  std::string hostText;          // QUILLORN_HOST_TEXT; empty: the host's own
};

// Runs quillorn-cli with `args` through the shell and collects its output.
RunResult runCli(const std::vector<std::string>& args, ErrorStream errors, const RunSetting& setting = {});

// Replaces every `from` in `text` by `to`, left to right, never inside what it
// put in.
void replaceAll(std::string& text, const std::string& from, const std::string& to);

// The names of the folders right under `root`, sorted: one case each.
std::vector<std::string> caseNames(const std::filesystem::path& root);

// A case name as a test name: every character but letters and digits becomes '_'.
std::string caseTestName(const std::string& caseName);

// Appends the non-empty lines of a case's optional `args` file to `args`.
void appendArgsFile(std::vector<std::string>& args, const std::filesystem::path& file);

// The host text a case folder runs under: its optional `host-text` file
// ("utf-8"), else "windows-1252", the rules the older cases were written for.
std::string caseHostText(const std::filesystem::path& caseFolder);

// The site of a case folder: its `site` folder, or, when the case names one
// in a `site-of` file, the `site` folder of that case (relative to the test
// data folder), so that several cases can work on one site.
std::filesystem::path caseSite(const std::filesystem::path& caseFolder);

// True when QUILLORN_UPDATE_EXPECTED=1 asks to write actual results over the expected ones.
bool updatingExpected();

}  // namespace quillorn::test_support
