#pragma once
// Servers for the Internet check's tests that Python runs as a child process,
// each on a free port of 127.0.0.1:
//   FtpTestServer    an anonymous, read-only FTP server: pyftpdlib (Debian
//                    python3-pyftpdlib, which tools/setup.sh installs);
//   HttpsTestServer  an HTTP server over TLS with the certificate of
//                    tests/data/tls (which names "localhost" only).
// The first python3 on PATH, or /usr/bin/python3, that can run the server
// serves. The child ends when the object is destroyed, and by itself when this
// process ends (it watches its standard input, which only this process holds
// open).

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace quillorn::test_support {

// One server script run by python3; it prints "port N" once it listens.
class PythonServer {
 public:
  PythonServer(const char* script, const std::vector<std::string>& args, const std::string& whatIsMissing);
  ~PythonServer();
  PythonServer(const PythonServer&) = delete;
  PythonServer& operator=(const PythonServer&) = delete;

  bool running() const { return child_ > 0; }
  // Why the server is not running.
  const std::string& failure() const { return failure_; }
  std::uint16_t port() const { return port_; }

 private:
  bool start(const std::string& python, const char* script, const std::vector<std::string>& args, std::string& why);
  void stop();

  pid_t child_ = -1;
  int input_ = -1;  // the child's standard input, held open while it runs
  std::uint16_t port_ = 0;
  std::string failure_;
};

// Serves the files under `root` to anonymous users.
class FtpTestServer : public PythonServer {
 public:
  explicit FtpTestServer(const std::filesystem::path& root);
};

// Answers GET /ok with 200 and anything else with 404, each without a body,
// over TLS only.
class HttpsTestServer : public PythonServer {
 public:
  HttpsTestServer();
  // The certificate the server presents, to be trusted by the client.
  static std::filesystem::path certificate();
};

}  // namespace quillorn::test_support
