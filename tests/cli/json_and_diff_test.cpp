#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>

#include "cli/decisions_file.h"
#include "cli/scan_report.h"
#include "cli/site_search.h"
#include "cli/unified_diff.h"
#include "core/search/search_pass.h"
#include "tests/cli/cli_runner.h"
#include "tests/support/temp_folder.h"

namespace quillorn::cli {
namespace {

namespace fs = std::filesystem;

TEST(ScanReportTest, TextsReadBackAsTheyWere) {
  const ReportJson report = {
      {"texts", {"plain", "quote \" backslash \\ tab \t newline \n control \x01 end", "caf\xC3\xA9"}},
      {"numbers", {-2, 9007199254740993}},
      {"empty", ReportJson::array()}};
  EXPECT_EQ(asPrinted(report), nlohmann::json::parse(report.dump()));
  // Bytes that are not UTF-8 (a host name in another code page) print as
  // U+FFFD instead of ending the program.
  EXPECT_EQ(asPrinted({{"name", "caf\xE9\xFF"}})["name"], "caf\xEF\xBF\xBD\xEF\xBF\xBD");
}

struct BadJsonRow {
  const char* name;
  std::string text;
  const char* says;  // part of the message
};

class BadJsonTest : public ::testing::TestWithParam<BadJsonRow> {};

TEST_P(BadJsonTest, IsRefusedWithWhatAndWhere) {
  const FileList files;
  UrlTable urls;
  const auto read = readDecisions(GetParam().text, "d.json", Settings{}, files, urls);
  ASSERT_FALSE(read.ok());
  const std::string& error = read.error();
  EXPECT_TRUE(error.starts_with("d.json: not a report of 'quillorn-cli scan --json' (")) << error;
  EXPECT_NE(error.find(GetParam().says), std::string::npos) << error;
  EXPECT_LT(error.size(), 400u) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, BadJsonTest,
    ::testing::Values(
        BadJsonRow{"Empty", "", "byte 1, line 1, column 1: "}, BadJsonRow{"Truncated", "{\"a\": [1, 2", "byte 12, "},
        BadJsonRow{"TrailingComma", "[1,]", "byte 4, "}, BadJsonRow{"Fraction", "[1.5]", "no \"files\""},
        BadJsonRow{"TooLarge", "[1e999]", "number overflow"}, BadJsonRow{"LoneSurrogate", "[\"\\ud800\"]", "surrogate"},
        BadJsonRow{"RawControl", "[\"a\x01\"]", "control character"}, BadJsonRow{"TextAfter", "{} x", "byte 4, "},
        BadJsonRow{"UnterminatedString", "[\"abc", "byte 6, "},
        BadJsonRow{"HalfAByteOrderMark", "\xEF\xBB{}", "byte 3, "},
        BadJsonRow{"LongToken", "[\"" + std::string(100000, 'a'), " ... "},
        BadJsonRow{"DeepNesting", std::string(65, '[') + std::string(65, ']'), "nested more than 64 deep"},
        BadJsonRow{"EndlessNesting", std::string(1000000, '['), "nested more than 64 deep"}),
    [](const ::testing::TestParamInfo<BadJsonRow>& info) { return std::string(info.param.name); });

// The decisions file of an expected-output case, against a new search of its site.
struct DecisionsRow {
  const char* name;
  std::function<void(std::string&)> edit;  // of the file's text
};

// The "decisions" case's site, searched offline, and its decisions file with
// the site's path put in.
class SearchedDecisionsCase : public ::testing::Test {
 protected:
  void SetUp() override {
    const fs::path folder = fs::path(QUILLORN_TEST_DATA_DIR) / "fix" / "decisions";
    ScanOptions options;
    options.settings.checkInternetUrls = false;
    options.paths = {(folder / "site").string()};
    prepareRepair(options, repair);
    ASSERT_TRUE(collectSite("fix", options, repair).ok());
    TerminalPanel panel(nullptr, {});
    ASSERT_TRUE(searchSite("fix", repair, panel).ok());
    text = test_support::readFile(folder / "decisions.json");
    test_support::replaceAll(text, "<site>", options.paths.front());
  }

  Repair repair;
  std::string text;
};

class DecisionsFileTest : public SearchedDecisionsCase, public ::testing::WithParamInterface<DecisionsRow> {};

TEST_P(DecisionsFileTest, SameDecisionsAsTheFileAsWritten) {
  const UrlTable& found = repair.urls();

  // The table as the decisions of `decisions` leave it.
  const auto decided = [&](const std::string& decisions) {
    UrlTable urls = found;
    const auto read = readDecisions(decisions, "d.json", repair.settings(), repair.files(), urls);
    EXPECT_TRUE(read.ok()) << read.error();
    if (read.ok()) applyDecisions(urls, read.value());
    return urls;
  };
  const UrlTable asWritten = decided(text);
  GetParam().edit(text);
  const UrlTable edited = decided(text);
  for (std::size_t i = 0; i < found.count(); ++i) {
    EXPECT_EQ(edited.entry(i).replacement, asWritten.entry(i).replacement) << i;
  }
  EXPECT_NE(asWritten.entry(2).replacement, found.entry(2).replacement);  // decided otherwise
}

INSTANTIATE_TEST_SUITE_P(
    Edits, DecisionsFileTest,
    ::testing::Values(DecisionsRow{"ByteOrderMark", [](std::string& text) { text.insert(0, "\xEF\xBB\xBF"); }},
                      DecisionsRow{"EscapedText",
                                   [](std::string& text) {
                                     test_support::replaceAll(text, "\"keep-me.html\"", "\"keep\\u002dme.html\"");
                                     test_support::replaceAll(text, "\"old/a.html\"", "\"old\\/a.html\"");
                                   }},
                      DecisionsRow{"WrittenOnOneLine",
                                   [](std::string& text) { text = nlohmann::json::parse(text).dump(); }}),
    [](const ::testing::TestParamInfo<DecisionsRow>& info) { return std::string(info.param.name); });

// A value that would break the page it goes into is refused, naming its line.
struct UnfitValueRow {
  const char* name;
  std::string value;  // as JSON text, quotes included
  const char* says;
};

class UnfitValueTest : public SearchedDecisionsCase, public ::testing::WithParamInterface<UnfitValueRow> {};

TEST_P(UnfitValueTest, IsRefusedWithItsLine) {
  test_support::replaceAll(text, "\"value\": \"keep-me.html\"", "\"value\": " + GetParam().value);
  UrlTable urls = repair.urls();
  const auto read = readDecisions(text, "d.json", repair.settings(), repair.files(), urls);
  ASSERT_FALSE(read.ok());
  EXPECT_TRUE(read.error().starts_with("d.json: result line 2: ")) << read.error();
  EXPECT_NE(read.error().find(GetParam().says), std::string::npos) << read.error();
}

INSTANTIATE_TEST_SUITE_P(
    Values, UnfitValueTest,
    ::testing::Values(UnfitValueRow{"DoubleQuote", "\"a\\\"b.html\"", "the quote \""},
                      UnfitValueRow{"SingleQuote", "\"a'b.html\"", "the quote '"},
                      UnfitValueRow{"Nul", "\"a\\u0000b.html\"", "control character (byte 0x00)"},
                      UnfitValueRow{"LineBreak", "\"a\\nb.html\"", "control character (byte 0x0A)"},
                      UnfitValueRow{"LongerThanTheSearchReads", "\"" + std::string(65536, 'x') + "\"",
                                    "longer than 65535 characters"}),
    [](const ::testing::TestParamInfo<UnfitValueRow>& info) { return std::string(info.param.name); });

struct ReadRow {
  const char* name;
  std::function<fs::path(const test_support::TempFolder&)> file;
  const char* says;  // part of the message; empty when the file is read
};

class ReadDecisionsTest : public ::testing::TestWithParam<ReadRow> {};

TEST_P(ReadDecisionsTest, ReadsUpToTheLimit) {
  const test_support::TempFolder temp;
  const fs::path file = GetParam().file(temp);
  const auto read = readDecisionsFile(file.string());
  if (std::string(GetParam().says).empty()) {
    ASSERT_TRUE(read.ok()) << read.error();
    EXPECT_EQ(read.value().size(), fs::file_size(file));
  } else {
    ASSERT_FALSE(read.ok());
    const std::string& error = read.error();
    EXPECT_TRUE(error.starts_with(file.string() + ": ")) << error;
    EXPECT_NE(error.find(GetParam().says), std::string::npos) << error;
  }
}

// A sparse file of `size` bytes.
fs::path sparse(const test_support::TempFolder& temp, std::uintmax_t size) {
  const fs::path file = temp.write("d.json", "");
  fs::resize_file(file, size);
  return file;
}

INSTANTIATE_TEST_SUITE_P(
    Files, ReadDecisionsTest,
    ::testing::Values(ReadRow{"AtTheLimit", [](const auto& temp) { return sparse(temp, kDecisionsFileLimit); }, ""},
                      ReadRow{"AboveTheLimit", [](const auto& temp) { return sparse(temp, kDecisionsFileLimit + 1); },
                              "larger than 64 MiB"},
                      ReadRow{"EndlessDevice", [](const auto&) { return fs::path("/dev/zero"); }, "larger than 64 MiB"},
                      ReadRow{"Missing", [](const auto& temp) { return temp.path() / "none.json"; }, "cannot be read"},
                      ReadRow{"Folder", [](const auto& temp) { return temp.path(); }, "cannot be read"}),
    [](const ::testing::TestParamInfo<ReadRow>& info) { return std::string(info.param.name); });

// One file more than a search takes: the refusal gives the count and the
// limit, and with --json says so as JSON.
TEST(TooManyFilesTest, RefusalNamesTheCountAndTheLimit) {
  const test_support::TempFolder temp;
  const fs::path site = temp.path() / "site";
  fs::create_directory(site);
  for (std::size_t i = 0; i <= kMaxSearchFiles; ++i) {
    const int fd = ::open((site / ("f" + std::to_string(i) + ".gif")).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    ::close(fd);
  }
  const test_support::RunResult json =
      test_support::runCli({"scan", "--offline", "--json", site.string()}, test_support::ErrorStream::Discarded);
  EXPECT_EQ(json.exitStatus, 2);
  const nlohmann::json report = nlohmann::json::parse(json.output);
  EXPECT_EQ(report["error"], "tooManyFiles");
  EXPECT_EQ(report["files"], kMaxSearchFiles + 1);
  EXPECT_EQ(report["limit"], kMaxSearchFiles);
  const test_support::RunResult text =
      test_support::runCli({"scan", "--offline", site.string()}, test_support::ErrorStream::Merged);
  EXPECT_EQ(text.exitStatus, 2);
  EXPECT_NE(text.output.find("(65536 files are in the list; one search takes at most 65535)"), std::string::npos)
      << text.output;
}

TEST(UnifiedDiffTest, EqualTextsGiveNoDiff) { EXPECT_EQ(unifiedDiff("a\nb\n", "a\nb\n", "a/x", "b/x"), ""); }

TEST(UnifiedDiffTest, OneChangedLineWithContext) {
  const std::string before = "1\n2\n3\n4\n5\n6\n7\n8\n9\n";
  const std::string after = "1\n2\n3\n4\nfive\n6\n7\n8\n9\n";
  EXPECT_EQ(unifiedDiff(before, after, "a/x", "b/x"),
            "--- a/x\n+++ b/x\n@@ -2,7 +2,7 @@\n 2\n 3\n 4\n-5\n+five\n 6\n 7\n 8\n");
}

TEST(UnifiedDiffTest, DistantChangesMakeTwoHunks) {
  std::string before;
  for (int i = 1; i <= 20; ++i) before += std::to_string(i) + "\n";
  std::string after = before;
  after.replace(after.find("2\n"), 2, "two\n");
  after.replace(after.find("19\n"), 3, "nineteen\n");
  const std::string diff = unifiedDiff(before, after, "a/x", "b/x");
  EXPECT_NE(diff.find("@@ -1,5 +1,5 @@\n 1\n-2\n+two\n 3\n"), std::string::npos) << diff;
  EXPECT_NE(diff.find("@@ -16,5 +16,5 @@\n 16\n 17\n 18\n-19\n+nineteen\n 20\n"), std::string::npos) << diff;
}

TEST(UnifiedDiffTest, MissingFinalNewlineIsMarked) {
  EXPECT_EQ(unifiedDiff("a", "b", "a/x", "b/x"),
            "--- a/x\n+++ b/x\n@@ -1 +1 @@\n-a\n\\ No newline at end of file\n+b\n\\ No newline at end of file\n");
}

TEST(UnifiedDiffTest, InsertionIntoEmptyText) {
  EXPECT_EQ(unifiedDiff("", "new\n", "a/x", "b/x"), "--- a/x\n+++ b/x\n@@ -0,0 +1 @@\n+new\n");
}

TEST(UnifiedDiffTest, ApplyingTheHunksGivesTheNewText) {
  // A small patch applier: the diff must describe exactly the change.
  const std::string before = "a\nb\nc\nd\ne\nf\ng\nh\ni\nj\nk\n";
  const std::string after = "a\nB\nc\nd\ne\nf\ng\nh\ni\nj\nk\nl\n";
  const std::string diff = unifiedDiff(before, after, "a/x", "b/x");
  std::istringstream lines(diff);
  std::string line;
  std::string rebuilt;
  std::size_t consumed = 0;  // lines of `before` taken so far
  std::vector<std::string> old;
  {
    std::istringstream in(before);
    for (std::string l; std::getline(in, l);) old.push_back(l);
  }
  while (std::getline(lines, line)) {
    if (line.rfind("@@ -", 0) == 0) {
      const std::size_t start = std::stoul(line.substr(4));
      while (consumed + 1 < start) rebuilt += old[consumed++] + "\n";
    } else if (!line.empty() && line[0] == ' ') {
      rebuilt += line.substr(1) + "\n";
      ++consumed;
    } else if (!line.empty() && line[0] == '-' && line.rfind("---", 0) != 0) {
      ++consumed;
    } else if (!line.empty() && line[0] == '+' && line.rfind("+++", 0) != 0) {
      rebuilt += line.substr(1) + "\n";
    }
  }
  while (consumed < old.size()) rebuilt += old[consumed++] + "\n";
  EXPECT_EQ(rebuilt, after) << diff;
}

TEST(EndNoticesTest, FindingsThatFoundNoRoomAreNoticedAndNothingElseIs) {
  Repair repair;
  SearchOutcome outcome;
  EXPECT_TRUE(endNotices(repair, outcome).empty());
  outcome.droppedFindings = 3;
  const std::vector<EndNotice> notices = endNotices(repair, outcome);
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0].kind, "droppedFindings");
  EXPECT_EQ(notices[0].count, 3);
  EXPECT_NE(notices[0].text.find("at most 65536"), std::string::npos) << notices[0].text;
}

TEST(CommandLineTest, VersionPrintsTheProjectsVersionAndSucceeds) {
  for (const char* spelling : {"--version", "version"}) {
    const test_support::RunResult run = test_support::runCli({spelling}, test_support::ErrorStream::Merged);
    EXPECT_EQ(run.exitStatus, 0) << spelling;
    EXPECT_TRUE(std::regex_match(run.output, std::regex("quillorn-cli [0-9]+\\.[0-9]+\\.[0-9]+\n"))) << run.output;
  }
}

TEST(CommandLineTest, AnEmptyFolderIsAUsageErrorAndSingleFilesAreToldTheyAreAlone) {
  const test_support::TempFolder temp;
  fs::create_directories(temp.path() / "empty");
  const test_support::RunResult empty =
      test_support::runCli({"scan", "--offline", (temp.path() / "empty").string()}, test_support::ErrorStream::Merged);
  EXPECT_EQ(empty.exitStatus, 2);  // a usage error
  EXPECT_NE(empty.output.find("nothing to search: no files in"), std::string::npos) << empty.output;

  temp.write("site/a.html", "<a href=\"b.html\">b</a>");
  temp.write("site/b.html", "b");
  const std::string page = (temp.path() / "site" / "a.html").string();
  const test_support::RunResult alone =
      test_support::runCli({"scan", "--offline", page, page}, test_support::ErrorStream::Merged);
  const std::string hint = "links are judged against the files given only";
  const std::size_t first = alone.output.find(hint);
  ASSERT_NE(first, std::string::npos) << alone.output;
  EXPECT_EQ(alone.output.find(hint, first + 1), std::string::npos) << alone.output;
  EXPECT_NE(alone.output.find("b.html"), std::string::npos) << alone.output;  // b.html is not known here
}

TEST(DryRunDiffTest, PatchAppliesItFromTheFolderGivenAndWritesWhatFixWrites) {
  const test_support::TempFolder temp;
  const fs::path site = fs::path(QUILLORN_TEST_DATA_DIR) / "scan" / "letter-case" / "site";
  for (const char* copy : {"patched", "fixed"}) fs::copy(site, temp.path() / copy, fs::copy_options::recursive);
  const test_support::RunSetting inTemp{temp.path(), "windows-1252"};
  const test_support::RunResult diff =
      test_support::runCli({"fix", "--offline", "--dry-run", "patched"}, test_support::ErrorStream::Discarded, inTemp);
  ASSERT_NE(diff.output.find("\n--- a/Docs/"), std::string::npos) << diff.output;
  std::ofstream(temp.path() / "dry-run.diff") << diff.output;
  const std::string patch =
      "cd " + test_support::shellQuote((temp.path() / "patched").string()) + " && patch --quiet -p1 < ../dry-run.diff";
  ASSERT_EQ(std::system(patch.c_str()), 0);
  test_support::runCli({"fix", "--offline", "--no-backups", "fixed"}, test_support::ErrorStream::Discarded, inTemp);

  int compared = 0;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(temp.path() / "fixed")) {
    if (!entry.is_regular_file()) continue;
    const fs::path relative = entry.path().lexically_relative(temp.path() / "fixed");
    EXPECT_EQ(test_support::readFile(temp.path() / "patched" / relative), test_support::readFile(entry.path()))
        << relative;
    ++compared;
  }
  EXPECT_GT(compared, 5);
}

}  // namespace
}  // namespace quillorn::cli
