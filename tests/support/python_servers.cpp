#include "tests/support/python_servers.h"

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

// Each script sets up its server, or prints what is missing and ends with 3;
// kServeUntilParentEnds then prints "port N" and serves until the standard
// input closes.
constexpr const char* kFtpScript = R"PY(
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
    auth_failed_timeout = 0
Handler.authorizer = authorizer
server = FTPServer(("127.0.0.1", 0), Handler)
port = server.address[1]
serve = lambda: server.serve_forever(timeout=0.2)
)PY";

constexpr const char* kHttpsScript = R"PY(
import http.server, os, sys, threading
try:
    import ssl
except ImportError:
    print("no ssl module", flush=True)
    sys.exit(3)
class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        self.send_response(200 if self.path == "/ok" else 404)
        self.send_header("Content-Length", "0")
        self.end_headers()
    def log_message(self, *args):
        pass
class Server(http.server.HTTPServer):
    def handle_error(self, request, address):
        pass
server = Server(("127.0.0.1", 0), Handler)
context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.load_cert_chain(sys.argv[1], sys.argv[2])
server.socket = context.wrap_socket(server.socket, server_side=True)
port = server.server_address[1]
serve = lambda: server.serve_forever(poll_interval=0.2)
)PY";

// What every script ends with: it names its `port` and how to `serve`.
constexpr const char* kServeUntilParentEnds = R"PY(
print("port", port, flush=True)
def watch_parent():
    sys.stdin.read()
    os._exit(0)
threading.Thread(target=watch_parent, daemon=True).start()
serve()
)PY";

const std::filesystem::path kTlsFolder = std::filesystem::path(QUILLORN_TEST_DATA_DIR) / "tls";

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

PythonServer::PythonServer(const char* script, const std::vector<std::string>& args, const std::string& whatIsMissing) {
  std::string reasons;
  for (const std::string& python : pythonCandidates()) {
    std::string why;
    if (start(python, script, args, why)) return;
    reasons += "\n  " + python + ": " + why;
  }
  failure_ = whatIsMissing + reasons;
}

PythonServer::~PythonServer() { stop(); }

bool PythonServer::start(const std::string& python, const char* script, const std::vector<std::string>& args,
                         std::string& why) {
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
  const std::string program = std::string(script) + kServeUntilParentEnds;
  std::vector<char*> argv = {const_cast<char*>(python.c_str()), const_cast<char*>("-c"),
                             const_cast<char*>(program.c_str())};
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);

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

void PythonServer::stop() {
  if (input_ >= 0) ::close(input_);
  input_ = -1;
  if (child_ > 0) {
    ::kill(child_, SIGKILL);
    ::waitpid(child_, nullptr, 0);
  }
  child_ = -1;
}

FtpTestServer::FtpTestServer(const std::filesystem::path& root)
    : PythonServer(kFtpScript, {root.string()},
                   "No FTP server for the tests: no python3 could run pyftpdlib (Debian package "
                   "python3-pyftpdlib; tools/setup.sh installs it).") {}

HttpsTestServer::HttpsTestServer()
    : PythonServer(kHttpsScript, {certificate().string(), (kTlsFolder / "localhost.key").string()},
                   "No HTTPS server for the tests: no python3 could serve HTTP over TLS.") {}

std::filesystem::path HttpsTestServer::certificate() { return kTlsFolder / "localhost.pem"; }

}  // namespace quillorn::test_support
