#include "cli/scan_options.h"

#include <gtest/gtest.h>

namespace quillorn::cli {
namespace {

TEST(ScanOptionsTest, DefaultsAreThoseOfAFreshMachine) {
  const ParseResult parsed = parseScanOptions({"site"});
  ASSERT_TRUE(parsed.ok) << parsed.error;
  const Settings& s = parsed.options.settings;
  EXPECT_TRUE(s.includeSubfolders);
  EXPECT_FALSE(s.scriptTagStrings);
  EXPECT_TRUE(s.scriptProtocolStrings);
  EXPECT_TRUE(s.useSavedFromUrl);
  EXPECT_TRUE(s.useRelativePaths);
  EXPECT_TRUE(s.findReplacements);
  EXPECT_TRUE(s.convertCodedChars);
  EXPECT_TRUE(s.addHttpPrefix);
  EXPECT_TRUE(s.addMailtoPrefix);
  EXPECT_TRUE(s.checkInternetUrls);
  EXPECT_TRUE(s.ignoreScriptLinks);
  EXPECT_FALSE(s.checkAnchors);
  EXPECT_EQ(s.matchCase, kMatchCaseByDefault);
  EXPECT_EQ(parsed.options.format, ReportFormat::Text);
  EXPECT_FALSE(parsed.options.output);
  EXPECT_EQ(parsed.options.paths, std::vector<std::string>{"site"});
}

struct SwitchRow {
  const char* name;
  const char* on;
  bool Settings::*field;
};

class ScanSwitchTest : public ::testing::TestWithParam<SwitchRow> {};

TEST_P(ScanSwitchTest, EachPairSetsItsOwnOption) {
  const SwitchRow& row = GetParam();
  const std::string on = std::string("--") + row.on;
  const std::string off = std::string("--no-") + row.on;
  const ParseResult offParsed = parseScanOptions({on, off, "site"});
  ASSERT_TRUE(offParsed.ok) << offParsed.error;
  EXPECT_FALSE(offParsed.options.settings.*row.field);
  const ParseResult onParsed = parseScanOptions({off, on, "site"});
  ASSERT_TRUE(onParsed.ok) << onParsed.error;
  EXPECT_TRUE(onParsed.options.settings.*row.field);
  // No other option moves.
  Settings expected;
  expected.*row.field = false;
  Settings actual = offParsed.options.settings;
  actual.*row.field = false;
  for (auto field :
       {&Settings::includeSubfolders, &Settings::scriptTagStrings, &Settings::scriptProtocolStrings,
        &Settings::useSavedFromUrl, &Settings::useRelativePaths, &Settings::findReplacements,
        &Settings::convertCodedChars, &Settings::addHttpPrefix, &Settings::addMailtoPrefix,
        &Settings::checkInternetUrls, &Settings::ignoreScriptLinks, &Settings::checkAnchors, &Settings::matchCase}) {
    EXPECT_EQ(actual.*field, expected.*field);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Switches, ScanSwitchTest,
    ::testing::Values(SwitchRow{"SavedFromUrl", "saved-from-url", &Settings::useSavedFromUrl},
                      SwitchRow{"FindReplacements", "find-replacements", &Settings::findReplacements},
                      SwitchRow{"ScriptProtocolStrings", "script-protocol-strings", &Settings::scriptProtocolStrings},
                      SwitchRow{"ScriptTagStrings", "script-tag-strings", &Settings::scriptTagStrings},
                      SwitchRow{"CheckInternet", "check-internet", &Settings::checkInternetUrls},
                      SwitchRow{"CheckAnchors", "check-anchors", &Settings::checkAnchors},
                      SwitchRow{"MatchCase", "match-case", &Settings::matchCase},
                      SwitchRow{"IgnoreScriptLinks", "ignore-script-links", &Settings::ignoreScriptLinks},
                      SwitchRow{"RelativePaths", "relative-paths", &Settings::useRelativePaths},
                      SwitchRow{"HttpPrefix", "http-prefix", &Settings::addHttpPrefix},
                      SwitchRow{"MailtoPrefix", "mailto-prefix", &Settings::addMailtoPrefix},
                      SwitchRow{"DecodeUrls", "decode-urls", &Settings::convertCodedChars},
                      SwitchRow{"Subfolders", "subfolders", &Settings::includeSubfolders}),
    [](const ::testing::TestParamInfo<SwitchRow>& info) { return std::string(info.param.name); });

TEST(ScanOptionsTest, IgnoreCaseTurnsLetterCaseMatchingOff) {
  const ParseResult parsed = parseScanOptions({"--match-case", "--ignore-case", "a"});
  ASSERT_TRUE(parsed.ok) << parsed.error;
  EXPECT_FALSE(parsed.options.settings.matchCase);
}

TEST(ScanOptionsTest, OfflineTurnsTheInternetCheckOff) {
  const ParseResult parsed = parseScanOptions({"--offline", "a", "b"});
  ASSERT_TRUE(parsed.ok);
  EXPECT_FALSE(parsed.options.settings.checkInternetUrls);
  EXPECT_EQ(parsed.options.paths, (std::vector<std::string>{"a", "b"}));
}

struct BadRow {
  const char* name;
  std::vector<std::string> args;
};

class ScanOptionsErrorTest : public ::testing::TestWithParam<BadRow> {};

TEST_P(ScanOptionsErrorTest, IsRefusedWithAMessage) {
  const ParseResult parsed = parseScanOptions(GetParam().args);
  EXPECT_FALSE(parsed.ok);
  EXPECT_FALSE(parsed.error.empty());
}

INSTANTIATE_TEST_SUITE_P(Arguments, ScanOptionsErrorTest,
                         ::testing::Values(BadRow{"NoPath", {"--json"}}, BadRow{"UnknownOption", {"--fast", "site"}},
                                           BadRow{"SwitchWithoutDashes", {"-json", "site"}},
                                           BadRow{"NoPrefixOfUnknown", {"--no-json", "site"}},
                                           BadRow{"PartialName", {"--saved-from", "site"}},
                                           BadRow{"SwitchWithValue", {"--json=1", "site"}},
                                           BadRow{"NoConnections", {"--internet-connections", "0", "site"}},
                                           BadRow{"TooManyConnections", {"--internet-connections", "1025", "site"}},
                                           BadRow{"ConnectionsNotANumber", {"--internet-connections", "8x", "site"}},
                                           BadRow{"ConnectionsEmpty", {"--internet-connections=", "site"}}),
                         [](const ::testing::TestParamInfo<BadRow>& info) { return std::string(info.param.name); });

TEST(ScanOptionsTest, InternetConnectionsFromOneToTheMost) {
  EXPECT_EQ(parseScanOptions({"site"}).options.settings.internetConnections, 64u);
  EXPECT_EQ(parseScanOptions({"--internet-connections", "1", "site"}).options.settings.internetConnections, 1u);
  EXPECT_EQ(parseScanOptions({"--internet-connections=1024", "site"}).options.settings.internetConnections, 1024u);
}

// --json is --format json; the two may not ask for different forms.
TEST(ScanOptionsTest, FormatAndItsShortForm) {
  EXPECT_EQ(parseScanOptions({"--json", "site"}).options.format, ReportFormat::Json);
  EXPECT_EQ(parseScanOptions({"--format=sarif", "site"}).options.format, ReportFormat::Sarif);
  EXPECT_EQ(parseScanOptions({"--json", "--format", "json", "site"}).options.format, ReportFormat::Json);
  EXPECT_EQ(parseScanOptions({"--json", "--format", "html", "site"}).error,
            "--json and --format html ask for two forms: give one");
  EXPECT_FALSE(parseScanOptions({"--format", "xml", "site"}).ok);
  EXPECT_EQ(parseScanOptions({"--output=", "site"}).error, "--output takes a file name");
  EXPECT_EQ(parseScanOptions({"--output", "r.html", "site"}).options.output, "r.html");
}

TEST(ScanOptionsTest, DoubleDashEndsTheOptions) {
  const ParseResult parsed = parseScanOptions({"--", "--json"});
  ASSERT_TRUE(parsed.ok);
  EXPECT_EQ(parsed.options.format, ReportFormat::Text);
  EXPECT_EQ(parsed.options.paths, std::vector<std::string>{"--json"});
}

// The options a command adds: "--url=" gives an empty value (and leaves the
// next argument a PATH); a value that never comes is named.
TEST(ScanOptionsTest, ValuesOfAddedOptions) {
  const OptionRow addUrl[] = {{"--url", OptionKind::Value, "URL", ""}};
  const ParseResult empty = parseSearchOptions({"--url=", "site"}, {addUrl});
  ASSERT_TRUE(empty.ok) << empty.error;
  const std::string url = empty.values.value("--url").value_or("unset");
  EXPECT_EQ(url, "");
  EXPECT_EQ(empty.options.paths, std::vector<std::string>{"site"});
  EXPECT_EQ(parseSearchOptions({"site", "--url"}, {addUrl}).error, "--url needs a value");
}

TEST(ScanOptionsTest, HelpNeedsNoPath) {
  const ParseResult parsed = parseScanOptions({"--help"});
  EXPECT_TRUE(parsed.ok);
  EXPECT_TRUE(parsed.options.help);
}

}  // namespace
}  // namespace quillorn::cli
