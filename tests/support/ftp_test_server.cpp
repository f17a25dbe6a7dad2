#include "tests/support/ftp_test_server.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace quillorn::test_support {
namespace {

// Prints "port N" once it listens, or "no pyftpdlib" and ends with 3.
constexpr const char* kServerScript = R"PY(
import logging, os, sys, threading
try:
    from pyftpdlib.authorizers import DummyAuthorizer
    from pyftpdlib.handlers import FTPHandler
    from pyftpdlib.servers import FTPServer
except ImportError:
    print("no pyftpdlib", flush=True)
    sys.exit(3)
logging.disable(logging.CRITICAL)
authorizer = DummyAuthorizer()
authorizer.add_anonymous(sys.argv[1])
class Handler(FTPHandler):
    pass
Handler.authorizer = authorizer
server = FTPServer(("127.0.0.1", 0), Handler)
print("port", server.address[1], flush=True)
def watch_parent():
    sys.stdin.read()
    os._exit(0)
threading.Thread(target=watch_parent, daemon=True).start()
server.serve_forever(timeout=0.2)
)PY";

constexpr std::chrono::seconds kStartLimit{20};

std::vector<std::string> pythonCandidates() {
  std::vector<std::string> candidates;
  const char* path = std::getenv("PATH");
  std::string_view rest = path != nullptr ? path : "";
  while (!rest.empty()) {
    const std::size_t colon = rest.find(':');
    const std::string_view folder = rest.substr(0, colon);
    if (!folder.empty()) {
      const std::string candidate = std::string(folder) + "/python3";
      if (::access(candidate.c_str(), X_OK) == 0) candidates.push_back(candidate);
    }
    if (colon == std::string_view::npos) break;
    rest.remove_prefix(colon + 1);
  }
  candidates.push_back("/usr/bin/python3");
  return candidates;
}

// The first line the child writes, or "" when none comes in time.
std::string readFirstLine(int fd) {
  std::string line;
  const auto deadline = std::chrono::steady_clock::now() + kStartLimit;
  while (std::chrono::steady_clock::now() < deadline) {
    pollfd entry{fd, POLLIN, 0};
    if (::poll(&entry, 1, 100) <= 0) continue;
    char c = 0;
    if (::read(fd, &c, 1) != 1) break;
    if (c == '\n') return line;
    line.push_back(c);
  }
  return line;
}

}  // namespace

FtpTestServer::FtpTestServer(const std::filesystem::path& root) {
  std::string reasons;
  for (const std::string& python : pythonCandidates()) {
    std::string why;
    if (start(python, root, why)) return;
    reasons += "\n  " + python + ": " + why;
  }
  failure_ =
      "No FTP server for the tests: no python3 could run pyftpdlib (Debian package python3-pyftpdlib; "
      "tools/setup.sh installs it)." +
      reasons;
}

FtpTestServer::~FtpTestServer() { stop(); }

bool FtpTestServer::start(const std::string& python, const std::filesystem::path& root, std::string& why) {
  int input[2];
  int output[2];
  if (::pipe2(input, O_CLOEXEC) != 0) {
    why = "no pipe";
    return false;
  }
  if (::pipe2(output, O_CLOEXEC) != 0) {
    ::close(input[0]);
    ::close(input[1]);
    why = "no pipe";
    return false;
  }
  const std::string rootText = root.string();
  std::vector<char*> argv = {const_cast<char*>(python.c_str()), const_cast<char*>("-c"),
                             const_cast<char*>(kServerScript), const_cast<char*>(rootText.c_str()), nullptr};

  const pid_t child = ::fork();
  if (child == 0) {
    ::dup2(input[0], 0);
    ::dup2(output[1], 1);
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    ::execv(python.c_str(), argv.data());
    ::_exit(127);
  }
  ::close(input[0]);
  ::close(output[1]);
  if (child < 0) {
    ::close(input[1]);
    ::close(output[0]);
    why = "fork failed";
    return false;
  }

  const std::string line = readFirstLine(output[0]);
  ::close(output[0]);
  child_ = child;
  input_ = input[1];
  if (line.starts_with("port ")) {
    port_ = static_cast<std::uint16_t>(std::strtoul(line.c_str() + 5, nullptr, 10));
    if (port_ != 0) return true;
  }
  why = line.empty() ? "did not start" : line;
  stop();
  return false;
}

void FtpTestServer::stop() {
  if (input_ >= 0) ::close(input_);
  input_ = -1;
  if (child_ > 0) {
    ::kill(child_, SIGKILL);
    ::waitpid(child_, nullptr, 0);
  }
  child_ = -1;
}

}  // namespace quillorn::test_support
