#pragma once
// An anonymous, read-only FTP server on a free port of 127.0.0.1 for the
// Internet check's tests: Python's pyftpdlib (Debian python3-pyftpdlib, which
// tools/setup.sh installs) run as a child process. The first python3 on PATH,
// or /usr/bin/python3, that can import pyftpdlib serves. The child ends when
// the object is destroyed, and by itself when this process ends (it watches
// its standard input, which only this process holds open).

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <string>

namespace quillorn::test_support {

class FtpTestServer {
 public:
  explicit FtpTestServer(const std::filesystem::path& root);
  ~FtpTestServer();
  FtpTestServer(const FtpTestServer&) = delete;
  FtpTestServer& operator=(const FtpTestServer&) = delete;

  bool running() const { return child_ > 0; }
  // Why the server is not running.
  const std::string& failure() const { return failure_; }
  std::uint16_t port() const { return port_; }

 private:
  bool start(const std::string& python, const std::filesystem::path& root, std::string& why);
  void stop();

  pid_t child_ = -1;
  int input_ = -1;  // the child's standard input, held open while it runs
  std::uint16_t port_ = 0;
  std::string failure_;
};

}  // namespace quillorn::test_support
