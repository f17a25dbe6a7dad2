// quillorn-cli scan with the Internet check on, against servers of this test
// on 127.0.0.1 (the links name their ports): answers that do not vouch for a
// page are listed apart, every check is in the JSON, and Ctrl-C ends a scan
// whose requests are still waiting.

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <string>
#include <thread>

#include "tests/cli/cli_runner.h"
#include "tests/support/loopback_servers.h"
#include "tests/support/temp_folder.h"

namespace quillorn {
namespace {

using test_support::ErrorStream;
using test_support::runCli;

class InternetScanTest : public ::testing::Test {
 protected:
  // The program takes its proxy from the environment; these servers are reached directly.
  void SetUp() override {
    ::setenv("no_proxy", "*", 1);
    ::setenv("NO_PROXY", "*", 1);
  }

  std::string link(const std::string& target) const {
    return "<a href=\"http://127.0.0.1:" + std::to_string(http.port()) + target + "\">x</a>\n";
  }
  std::string url(const std::string& target) const {
    return "http://127.0.0.1:" + std::to_string(http.port()) + target;
  }

  test_support::HttpTestServer http;
  test_support::TempFolder site{"quillorn-internet-scan"};
};

TEST_F(InternetScanTest, UnverifiedAnswersAreListedApartAndFindNothing) {
  site.write("a.htm", link("/ok") + link("/forbidden") + link("/busy-long"));
  site.write("b.htm", link("/forbidden") + link("/broken"));

  const test_support::RunResult run = runCli({"scan", site.path().string()}, ErrorStream::Discarded);

  EXPECT_EQ(run.exitStatus, 0) << run.output;
  EXPECT_NE(run.output.find("Done (0 change(s) in 2 file(s))\n"
                            "Files: 2 searched, 0 with findings. Findings: 0.\n"
                            "UNVERIFIED (2 URL(s), 403): \"" +
                            url("/forbidden") + "\"\nUNVERIFIED (1 URL(s), 429): \"" + url("/busy-long") +
                            "\"\nUNVERIFIED (1 URL(s), 500): \"" + url("/broken") + "\"\n"),
            std::string::npos)
      << run.output;
}

TEST_F(InternetScanTest, JsonGivesEveryCheckedUrlItsOutcome) {
  site.write("a.htm", link("/ok") + link("/missing") + link("/to-missing") + link("/forbidden") + link("/ok"));

  const test_support::RunResult run = runCli({"scan", "--json", site.path().string()}, ErrorStream::Discarded);

  EXPECT_EQ(run.exitStatus, 1);
  const nlohmann::json report = nlohmann::json::parse(run.output);
  const nlohmann::json expected = {
      {{"url", url("/ok")}, {"occurrences", 2}, {"reachable", true}, {"status", 200}},
      {{"url", url("/missing")}, {"occurrences", 1}, {"reachable", false}, {"status", 404}, {"reason", "404"}},
      {{"url", url("/to-missing")}, {"occurrences", 1}, {"reachable", false}, {"status", 404}, {"reason", "404"}},
      {{"url", url("/forbidden")}, {"occurrences", 1}, {"reachable", true}, {"status", 403}, {"unverified", true}},
  };
  EXPECT_EQ(report["internetChecks"], expected);
  EXPECT_EQ(report["unverified"], nlohmann::json::array({"UNVERIFIED (1 URL(s), 403): \"" + url("/forbidden") + "\""}));
  EXPECT_EQ(report["summary"], "Done (2 change(s) in 1 file(s))");
}

TEST_F(InternetScanTest, WhenNoServerCanBeReachedTheEndSaysSoOnceAndTheStatusIsFour) {
  // A port of this machine that nobody listens on: every connection is refused.
  const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length), 0);
  ::close(probe);
  const std::string closed = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port));
  site.write("a.htm", "<a href=\"" + closed + "/a\">a</a> <img src=\"" + closed + "/b.gif\">");

  const test_support::RunResult text = runCli({"scan", site.path().string()}, ErrorStream::Merged);
  EXPECT_EQ(text.exitStatus, 4) << text.output;
  const std::size_t said = text.output.find("the network is likely down");
  ASSERT_NE(said, std::string::npos) << text.output;
  EXPECT_EQ(text.output.find("the network is likely down", said + 1), std::string::npos) << text.output;
  // fix says it too, once and last; the default policies keep both links, so
  // nothing worse happened and the status is 4 as well.
  const test_support::RunResult fixed = runCli({"fix", site.path().string()}, ErrorStream::Merged);
  EXPECT_EQ(fixed.exitStatus, 4) << fixed.output;
  EXPECT_NE(fixed.output.find("Links: 0 changed, 2 left as they were (2 kept by a policy).\n"), std::string::npos)
      << fixed.output;
  EXPECT_TRUE(
      fixed.output.ends_with("the network is likely down, and they are reported as broken; --offline leaves "
                             "them unchecked\n"))
      << fixed.output;
  const nlohmann::json report =
      nlohmann::json::parse(runCli({"scan", "--json", site.path().string()}, ErrorStream::Discarded).output);
  ASSERT_EQ(report["notices"].size(), 1u);
  EXPECT_EQ(report["notices"][0]["kind"], "networkDown");
  EXPECT_EQ(report["notices"][0]["count"], 2);
  // Reached once, the same scan has nothing to say.
  site.write("b.htm", link("/ok"));
  EXPECT_TRUE(
      nlohmann::json::parse(runCli({"scan", "--json", site.path().string()}, ErrorStream::Discarded).output)["notices"]
          .empty());
}

TEST_F(InternetScanTest, OneConnectionAtATimeFindsTheSame) {
  site.write("a.htm", link("/ok") + link("/missing") + link("/gone") + link("/to-ok"));
  const test_support::RunResult many = runCli({"scan", site.path().string()}, ErrorStream::Discarded);
  const test_support::RunResult one =
      runCli({"scan", "--internet-connections", "1", site.path().string()}, ErrorStream::Discarded);
  EXPECT_EQ(many.exitStatus, 1);
  EXPECT_EQ(one.exitStatus, 1);
  EXPECT_EQ(many.output, one.output);
}

TEST_F(InternetScanTest, CtrlCEndsAScanWhoseRequestsWait) {
  test_support::DeafPort deaf;
  std::string page;
  for (int i = 0; i < 20; ++i) {
    page += "<a href=\"http://127.0.0.1:" + std::to_string(deaf.port()) + "/p" + std::to_string(i) + "\">x</a>\n";
  }
  site.write("a.htm", page);

  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const int quiet = ::open("/dev/null", O_WRONLY);
    ::dup2(quiet, STDOUT_FILENO);
    ::dup2(quiet, STDERR_FILENO);
    const std::string path = site.path().string();
    ::execl(QUILLORN_CLI_PATH, QUILLORN_CLI_PATH, "scan", path.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  // Once a request waits at the port, the search is under way and Ctrl-C is its stop key.
  if (!deaf.waitForConnection(10000)) {
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    FAIL() << "the scan sent no request";
  }
  const auto interrupted = std::chrono::steady_clock::now();
  ::kill(child, SIGINT);
  int status = 0;
  pid_t ended = 0;
  // The requests' own time-out is 20 s; a stop must not wait for it. Half of
  // it bounds the wait for the child, which is killed (and fails below) when
  // it has not ended by then.
  while ((ended = ::waitpid(child, &status, WNOHANG)) == 0 &&
         std::chrono::steady_clock::now() - interrupted < std::chrono::seconds(10)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (ended == 0) {
    ::kill(child, SIGKILL);
    ::waitpid(child, &status, 0);
  }
  ASSERT_TRUE(WIFEXITED(status)) << "still waiting 10 s after Ctrl-C";
  EXPECT_EQ(WEXITSTATUS(status), 130);
}

}  // namespace
}  // namespace quillorn
