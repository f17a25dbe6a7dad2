// quillorn-slowserver: a web server on the loopback interface that answers
// every request after a fixed delay, for bench/internet_bench.sh. It listens
// on one port of 127.0.0.1 .. 127.0.0.H, so a site can name H servers, and
// each request waits out its own delay: many connections at once are answered
// side by side, never one after another. One thread and poll(), nothing else.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kUsage = R"(Usage: quillorn-slowserver [--delay-ms D] [--hosts H] [--port P] [--lifetime-s S]
                          [--requests-file F]

Listens on port P (0 or absent: one the system picks) of 127.0.0.1 to
127.0.0.H (H from 1 to 250, default 1), prints "port P" once listening, and
answers every HTTP request D milliseconds after it arrived (default 50): 404
Not Found for paths starting with /missing, 200 OK for the others, both with
an empty body on a kept-alive connection. F, when given, is rewritten with the
number of requests answered before each answer goes out. On SIGTERM or SIGINT,
or after S seconds (default 600), prints "requests N" and exits 0.
)";

// The longest request head kept; a connection sending more is closed.
constexpr std::size_t kMaxHead = 64 * 1024;
// The longest poll() sleeps, so that a signal is seen soon whatever happens.
constexpr int kMaxSleepMs = 200;

volatile sig_atomic_t stopRequested = 0;

// Notes the signal; the loop ends at its next round.
void onStopSignal(int) { stopRequested = 1; }

// False when `text` is not a whole unsigned decimal number.
bool parseNumber(std::string_view text, std::uint64_t& value) {
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && ptr == end && !text.empty();
}

struct Answer {
  Clock::time_point due;
  bool missing = false;
  bool close = false;
};

struct Connection {
  int fd = -1;
  std::string in;
  std::string out;
  std::deque<Answer> waiting;  // in the order the requests came
  bool closing = false;        // close once `out` is sent
};

// A non-blocking socket bound to 127.0.0.`host`:`port` and listening; -1 on failure.
int listenOn(int host, std::uint16_t port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  const int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl((127U << 24) | static_cast<std::uint32_t>(host));
  if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || listen(fd, SOMAXCONN) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

// The port a bound socket got.
std::uint16_t boundPort(int fd) {
  sockaddr_in address{};
  socklen_t length = sizeof address;
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) return 0;
  return ntohs(address.sin_port);
}

// Listening sockets on `port` of 127.0.0.1 .. 127.0.0.`hosts`; with port 0 the
// system picks one on 127.0.0.1 and the others take the same, tried afresh
// when one of them is taken. Empty on failure; `port` is set to the one used.
std::vector<int> listenAll(int hosts, std::uint16_t& port) {
  const bool pick = port == 0;
  for (int attempt = 0; attempt < (pick ? 20 : 1); ++attempt) {
    std::vector<int> fds;
    const int first = listenOn(1, pick ? 0 : port);
    if (first < 0) return {};
    fds.push_back(first);
    const std::uint16_t chosen = boundPort(first);
    for (int host = 2; host <= hosts; ++host) {
      const int fd = listenOn(host, chosen);
      if (fd < 0) break;
      fds.push_back(fd);
    }
    if (static_cast<int>(fds.size()) == hosts) {
      port = chosen;
      return fds;
    }
    for (const int fd : fds) close(fd);
  }
  return {};
}

// Replaces `path` with the count, through a temporary file, so a reader never sees half of it.
void writeCount(const std::string& path, std::uint64_t count) {
  if (path.empty()) return;
  const std::string temporary = path + ".tmp";
  std::FILE* file = std::fopen(temporary.c_str(), "w");
  if (file == nullptr) return;
  std::fprintf(file, "%llu\n", static_cast<unsigned long long>(count));
  std::fclose(file);
  std::rename(temporary.c_str(), path.c_str());
}

// Takes the whole request heads off the front of `c.in` and schedules their answers.
void takeRequests(Connection& c, Clock::time_point now, std::chrono::milliseconds delay) {
  std::size_t end = 0;
  while ((end = c.in.find("\r\n\r\n")) != std::string::npos) {
    const std::string_view head(c.in.data(), end);
    const std::string_view line = head.substr(0, head.find("\r\n"));
    const std::size_t pathStart = line.find(' ');
    const std::string_view path = pathStart == std::string_view::npos ? "" : line.substr(pathStart + 1);
    Answer answer;
    answer.due = now + delay;
    answer.missing = path.rfind("/missing", 0) == 0;
    // HTTP/1.0 closes unless asked not to; a "Connection: close" header anywhere closes too.
    answer.close = line.ends_with("HTTP/1.0") || head.find("onnection: close") != std::string_view::npos;
    c.waiting.push_back(answer);
    c.in.erase(0, end + 4);
  }
  if (c.in.size() > kMaxHead) c.closing = true;
}

// Sends what `c.out` holds, as far as the socket takes it; marks the connection for closing on an error.
void sendOut(Connection& c) {
  while (!c.out.empty()) {
    const ssize_t sent = send(c.fd, c.out.data(), c.out.size(), MSG_NOSIGNAL);
    if (sent < 0) {
      if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return;
      c.out.clear();
      c.waiting.clear();
      c.closing = true;
      return;
    }
    c.out.erase(0, static_cast<std::size_t>(sent));
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::uint64_t delayMs = 50, hosts = 1, port = 0, lifetimeS = 600;
  std::string requestsFile;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "-h" || arg == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (arg == "--requests-file" && i + 1 < argc) {
      requestsFile = argv[++i];
      continue;
    }
    std::uint64_t* target = arg == "--delay-ms"     ? &delayMs
                            : arg == "--hosts"      ? &hosts
                            : arg == "--port"       ? &port
                            : arg == "--lifetime-s" ? &lifetimeS
                                                    : nullptr;
    if (target == nullptr || i + 1 >= argc || !parseNumber(argv[i + 1], *target)) {
      std::fprintf(stderr, "quillorn-slowserver: bad argument '%s'\n%s", argv[i], kUsage);
      return 2;
    }
    ++i;
  }
  if (hosts < 1 || hosts > 250 || port > 65535 || delayMs > 600000) {
    std::fprintf(stderr, "quillorn-slowserver: --hosts is 1 to 250, --port 0 to 65535, --delay-ms at most 600000\n");
    return 2;
  }

  std::uint16_t listenPort = static_cast<std::uint16_t>(port);
  std::vector<int> listeners = listenAll(static_cast<int>(hosts), listenPort);
  if (listeners.empty()) {
    std::fprintf(stderr, "quillorn-slowserver: cannot listen on port %llu of 127.0.0.1 to 127.0.0.%llu\n",
                 static_cast<unsigned long long>(port), static_cast<unsigned long long>(hosts));
    return 1;
  }
  struct sigaction action {};
  action.sa_handler = onStopSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
  writeCount(requestsFile, 0);
  std::printf("port %u\n", static_cast<unsigned>(listenPort));
  std::fflush(stdout);

  const std::chrono::milliseconds delay(delayMs);
  const Clock::time_point end = Clock::now() + std::chrono::seconds(lifetimeS);
  std::uint64_t answered = 0;
  std::vector<Connection> connections;
  std::vector<pollfd> polled;
  constexpr std::string_view kOk = "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n";
  constexpr std::string_view kMissing = "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n";

  while (stopRequested == 0) {
    Clock::time_point now = Clock::now();
    if (now >= end) break;
    Clock::time_point wake = std::min(end, now + std::chrono::milliseconds(kMaxSleepMs));
    polled.clear();
    for (const int fd : listeners) polled.push_back({fd, POLLIN, 0});
    for (const Connection& c : connections) {
      if (!c.waiting.empty()) wake = std::min(wake, c.waiting.front().due);
      polled.push_back({c.fd, static_cast<short>(POLLIN | (c.out.empty() ? 0 : POLLOUT)), 0});
    }
    const auto sleep = std::chrono::ceil<std::chrono::milliseconds>(wake - now).count();
    if (poll(polled.data(), polled.size(), static_cast<int>(std::max<decltype(sleep)>(sleep, 0))) < 0 &&
        errno != EINTR) {
      break;
    }
    now = Clock::now();

    // Requests in; due answers out.
    const std::size_t known = connections.size();
    for (std::size_t i = 0; i < known; ++i) {
      Connection& c = connections[i];
      const short events = polled[listeners.size() + i].revents;
      if ((events & (POLLIN | POLLHUP | POLLERR)) != 0 && !c.closing) {
        char buffer[16384];
        const ssize_t got = recv(c.fd, buffer, sizeof buffer, 0);
        if (got > 0) {
          c.in.append(buffer, static_cast<std::size_t>(got));
          takeRequests(c, now, delay);
        } else if (got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
          c.waiting.clear();  // the client has gone: nobody reads the answers
          c.closing = true;
        }
      }
      while (!c.waiting.empty() && c.waiting.front().due <= now) {
        const Answer answer = c.waiting.front();
        c.waiting.pop_front();
        writeCount(requestsFile, ++answered);
        c.out.append(answer.missing ? kMissing : kOk);
        c.out.append(answer.close ? "Connection: close\r\n\r\n" : "Connection: keep-alive\r\n\r\n");
        if (answer.close) {
          c.waiting.clear();
          c.closing = true;
        }
      }
      sendOut(c);
    }
    std::erase_if(connections, [](Connection& c) {
      if (!c.closing || !c.out.empty() || !c.waiting.empty()) return false;
      close(c.fd);
      return true;
    });

    for (std::size_t i = 0; i < listeners.size(); ++i) {
      if ((polled[i].revents & POLLIN) == 0) continue;
      for (int taken = 0; taken < 256; ++taken) {
        const int fd = accept4(listeners[i], nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) break;
        connections.push_back({fd, {}, {}, {}, false});
      }
    }
  }

  for (const Connection& c : connections) close(c.fd);
  for (const int fd : listeners) close(fd);
  std::printf("requests %llu\n", static_cast<unsigned long long>(answered));
  std::fflush(stdout);
  return 0;
}
