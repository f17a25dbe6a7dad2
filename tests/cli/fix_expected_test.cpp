// Expected-output folders for `quillorn-cli fix` and `restore`. Each folder
// under tests/data/fix/ is one case:
//   site/                  the site before the repair (copied to a temporary folder)
//   site-of                optional instead of site/: the case folder, relative to
//                          tests/data, whose site/ this case repairs
//   host-text              optional: "utf-8" runs the case under UTF-8 host text
//                          (else Windows-1252)
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

#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "core/files/site_lock.h"
#include "platform/file_access.h"
#include "platform/host_path.h"
#include "tests/cli/cli_runner.h"
#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
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
using quillorn::test_support::TempFolder;
using quillorn::test_support::updatingExpected;
using quillorn::test_support::writeFile;

const fs::path kCasesRoot = fs::path(QUILLORN_TEST_DATA_DIR) / "fix";
const fs::path kScanCasesRoot = fs::path(QUILLORN_TEST_DATA_DIR) / "scan";

// Both output streams, with nothing to read on standard input.
RunResult runCli(const std::vector<std::string>& args, const RunSetting& setting = {}) {
  return quillorn::test_support::runCli(args, ErrorStream::Merged, setting);
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

// Copies a case's site; links inside it stay links, so a case can hold one
// that leads nowhere.
void copySite(const fs::path& from, const fs::path& to) {
  fs::copy(fs::canonical(from), to, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
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

// Each case with the files searched on one thread and on four: the same output.
class FixExpectedTest : public ::testing::TestWithParam<std::tuple<std::string, unsigned>> {};

TEST_P(FixExpectedTest, RewritesAsExpectedAndRestoresTheSite) {
  const fs::path folder = kCasesRoot / std::get<0>(GetParam());
  TempFolder temp("quillorn-fix");
  const fs::path site = temp.path() / "site";
  copySite(caseSite(folder), site);
  const std::map<std::string, std::string> before = tree(site);
  const RunSetting setting{{}, caseHostText(folder)};

  std::vector<std::string> args = {"fix", "--offline"};
  appendArgsFile(args, folder / "args");
  args.push_back("--jobs=" + std::to_string(std::get<1>(GetParam())));
  if (fs::exists(folder / "decisions.json")) {
    std::string decisions = readFile(folder / "decisions.json");
    replaceAll(decisions, "<site>", site.string());
    writeFile(temp.path() / "decisions.json", decisions);
    args.push_back("--decisions");
    args.push_back((temp.path() / "decisions.json").string());
  }
  args.push_back(site.string());

  RunResult run = runCli(args, setting);
  replaceAll(run.output, site.string(), "<site>");
  replaceAll(run.output, temp.path().string(), "<temp>");
  const int expectedStatus =
      fs::exists(folder / "expected-status") ? std::stoi(readFile(folder / "expected-status")) : 0;
  EXPECT_EQ(run.exitStatus, expectedStatus) << run.output;

  if (updatingExpected()) {
    fs::remove_all(folder / "expected");
    copySite(site, folder / "expected");
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
    const RunResult restore = runCli({"restore", site.string()}, setting);
    EXPECT_EQ(restore.exitStatus, 0) << restore.output;
    expectSameTree(tree(site), before, "after restore");
  }
}

// Another run is working on a folder of the site (here: this test, holding
// the lock every run takes): fix and restore are refused at once and change
// nothing; once that run is over, fix goes ahead.
TEST(FixConcurrencyTest, RunOnATreeInUseIsRefusedAndChangesNothing) {
  TempFolder temp("quillorn-busy");
  const fs::path site = temp.path() / "site";
  fs::copy(kCasesRoot / "decisions" / "site", site, fs::copy_options::recursive);
  const std::map<std::string, std::string> before = tree(temp.path());
  {
    quillorn::SiteLock otherRun;
    ASSERT_EQ(otherRun.acquire({quillorn::platform::toPathText(site / "images")}, true),
              quillorn::SiteLock::Status::Taken);
    for (const std::vector<std::string>& args : {std::vector<std::string>{"fix", "--offline", site.string()},
                                                 std::vector<std::string>{"restore", site.string()}}) {
      const RunResult run = runCli(args);
      EXPECT_EQ(run.exitStatus, 3) << args.front() << ": " << run.output;
      EXPECT_NE(run.output.find("run is working on \"" + fs::canonical(site).string() + "\" or a folder in it"),
                std::string::npos)
          << run.output;
      expectSameTree(tree(temp.path()), before, args.front() + " while another run works");
    }
  }
  EXPECT_EQ(runCli({"fix", "--offline", site.string()}).exitStatus, 0);
}

// A backup that cannot be put back is named on standard error, is not
// counted, and fails the run; the one that could be put back is.
TEST(RestoreCommandTest, BackupLeftIsNamedAndFailsTheRun) {
  TempFolder temp("quillorn-restore");
  const fs::path site = temp.path() / "site";
  fs::create_directory(site);
  quillorn::test_support::writeFile(site / "a.html.bak", "old a");
  quillorn::test_support::writeFile(site / "b.html.bak", "old b");
  ASSERT_EQ(::mkfifo((site / "b.html").c_str(), 0600), 0);
  const RunResult run = runCli({"restore", site.string()}, ErrorStream::Merged);
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_EQ(run.output, "quillorn-cli restore: left as it was: \"" + (site / "b.html.bak").string() +
                            "\": the file it was made from is now a folder or something else that is not a file\n"
                            "1 backup file(s) processed successfully\n");
  EXPECT_EQ(readFile(site / "a.html"), "old a");
  EXPECT_EQ(readFile(site / "b.html.bak"), "old b");
}

// A site that holds what no run may read: a named pipe and a socket, which
// the file list leaves out, and a page above the size limit (a sparse file, so
// nothing is written to make it), which the search does not read. fix ends,
// rewrites what it can, names and counts the page it skipped, and says last
// that the search left it unread.
struct UnreadRow {
  const char* name;
  bool withPages;  // b.html and a page whose link to it is repaired
  std::string output;
};

// Said once, last, on standard error.
constexpr const char* kBigFileNotice =
    "quillorn-cli fix: 1 file(s) of the list were not searched (1 larger than 256 MiB): the links in them were not "
    "checked\n";

void PrintTo(const UnreadRow& row, std::ostream* out) { *out << row.name; }

class UnreadFilesTest : public ::testing::TestWithParam<UnreadRow> {};

TEST_P(UnreadFilesTest, FixEndsAndCountsTheSkippedPage) {
  TempFolder temp("quillorn-unread");
  const fs::path site = temp.path() / "site";
  temp.makeFifo("site/pipe.html");
  temp.makeSocket("site/sock.html");
  temp.makeSparseFile("site/big.html", quillorn::platform::kMaxReadBytes + 1);
  if (GetParam().withPages) {
    temp.write("site/b.html", "<p>b</p>\n");
    temp.write("site/page.html", "<a href=\"old/b.html\">b</a>\n");
  }

  RunResult run = runCli({"fix", "--offline", site.string()});
  replaceAll(run.output, site.string(), "<site>");
  EXPECT_EQ(run.output, GetParam().output);
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_EQ(fs::file_size(site / "big.html"), quillorn::platform::kMaxReadBytes + 1);
  EXPECT_FALSE(fs::exists(site / "big.html.bak"));
  if (GetParam().withPages) {
    EXPECT_EQ(readFile(site / "page.html"), "<a href=\"b.html\">b</a>\n");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, UnreadFilesTest,
    ::testing::Values(
        UnreadRow{"BesideARepairedPage", true,
                  "Not rewritten: \"<site>/big.html\": it was not searched, as it is larger than 256 MiB\n"
                  "Processing \"<site>/page.html\" (27 bytes) ASCII\n"
                  "Done (1 of 1 URL(s) processed successfully, 1 file(s) skipped)\n"
                  "Files: 2 searched, 1 changed. Links: 1 changed, 0 left as they were.\n"
                  "1 file(s) were not rewritten.\n" +
                      std::string(kBigFileNotice)},
        UnreadRow{"WithNothingElseFound", false,
                  "Not rewritten: \"<site>/big.html\": it was not searched, as it is larger than 256 MiB\n"
                  "Done (0 of 0 URL(s) processed successfully, 1 file(s) skipped)\n"
                  "Files: 0 searched, 0 changed. Links: 0 changed, 0 left as they were.\n"
                  "1 file(s) were not rewritten.\n" +
                      std::string(kBigFileNotice)}),
    [](const ::testing::TestParamInfo<UnreadRow>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(Cases, FixExpectedTest,
                         ::testing::Combine(::testing::ValuesIn(caseNames(kCasesRoot)), ::testing::Values(1U, 4U)),
                         [](const ::testing::TestParamInfo<std::tuple<std::string, unsigned>>& info) {
                           return caseTestName(std::get<0>(info.param)) + "_jobs" +
                                  std::to_string(std::get<1>(info.param));
                         });

// The report of `scan --json`, given back unedited to `fix --decisions`,
// changes exactly what plain `fix` changes: same files, same bytes, same
// output. Run over every expected-output case of scan, each with its own
// arguments; both fixes work on a fresh copy at the same path, so written
// file:// URLs and printed names agree.
class UneditedDecisionsTest : public ::testing::TestWithParam<std::string> {};

TEST_P(UneditedDecisionsTest, ChangeWhatPlainFixChanges) {
  const fs::path folder = kScanCasesRoot / GetParam();
  TempFolder temp("quillorn-unedited");
  const fs::path site = temp.path() / "site";
  const fs::path report = temp.path() / "report.json";
  const RunSetting setting{{}, caseHostText(folder)};
  std::vector<std::string> options = {"--offline"};
  appendArgsFile(options, folder / "args");
  // `command` and `extra` before the case's options, the site last.
  const auto commandLine = [&](std::vector<std::string> args, const std::vector<std::string>& extra) {
    args.insert(args.end(), extra.begin(), extra.end());
    args.insert(args.end(), options.begin(), options.end());
    args.push_back(site.string());
    return args;
  };

  copySite(caseSite(folder), site);
  const RunResult scan =
      quillorn::test_support::runCli(commandLine({"scan"}, {"--json"}), ErrorStream::Discarded, setting);
  ASSERT_TRUE(scan.exitStatus == 0 || scan.exitStatus == 1) << scan.output;
  writeFile(report, scan.output);
  const RunResult decided = runCli(commandLine({"fix"}, {"--decisions", report.string()}), setting);
  const std::map<std::string, std::string> withDecisions = tree(site);

  fs::remove_all(site);
  copySite(caseSite(folder), site);
  const RunResult plain = runCli(commandLine({"fix"}, {}), setting);
  EXPECT_EQ(decided.exitStatus, plain.exitStatus);
  EXPECT_EQ(decided.output, plain.output);
  expectSameTree(withDecisions, tree(site), "fix --decisions with the report unedited");
}

INSTANTIATE_TEST_SUITE_P(ScanCases, UneditedDecisionsTest, ::testing::ValuesIn(caseNames(kScanCasesRoot)),
                         [](const ::testing::TestParamInfo<std::string>& info) { return caseTestName(info.param); });

}  // namespace
