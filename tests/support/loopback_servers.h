#pragma once
// Small servers for the Internet check's tests. Each listens on a free port of
// 127.0.0.1 that the system picks, serves from a thread of its own and stops
// when it is destroyed (the thread polls a stop flag at least every 50 ms).
// Replies are small, so a client that stops reading never blocks a server.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace quillorn::test_support {

// What a server does with the bytes a client sent.
struct ServerReply {
  std::size_t consumed = 0;  // bytes of the request that this reply answers
  std::string bytes;         // sent back as they are
  bool close = false;        // hang up after sending
  bool reset = false;        // hang up with a reset (RST) instead, sending nothing
};

// A TCP server on 127.0.0.1 that hands every connection's unanswered bytes to
// `onData` (nothing yet: std::nullopt) and sends what it says. `onAccept` may
// greet a new connection or hang up on it at once.
class LoopbackServer {
 public:
  using DataHandler = std::function<std::optional<ServerReply>(std::string_view received)>;
  using AcceptHandler = std::function<ServerReply()>;

  explicit LoopbackServer(DataHandler onData, AcceptHandler onAccept = nullptr);
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  std::uint16_t port() const { return port_; }
  // TCP connections accepted so far.
  std::size_t connectionsAccepted() const { return accepted_.load(); }

 private:
  void run();

  DataHandler onData_;
  AcceptHandler onAccept_;
  int listener_ = -1;
  std::uint16_t port_ = 0;
  std::atomic<std::size_t> accepted_{0};
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// An HTTP/1.1 server that keeps connections open. Routes:
//   / and /ok 200 with a body; /missing 404, /gone 410, /forbidden 403 and /broken
//   500, each with a page; /empty 200 with no body; /no-content 204;
//   /continue "100 Continue", then 200; /chunked 200 with a chunked body;
//   /redirect 301 to /hangup; /to-ok and /moved%20page 302 to /ok; /to-missing 301 to
//   /missing; /loop 302 to /loop-back, which sends it back; /hops/N 302 to
//   /hops/N-1, and /hops/0 200; /busy 429 with "Retry-After: 1" the first
//   time, 200 after that; /busy-date the same with the date a second ahead;
//   /busy-long 429 with "Retry-After: 120";
//   /reset-once resets the connection the first time, 200 after that;
//   /stall 200 announcing a body of which not a byte comes (the connection stays);
//   /silent and anything below it never answers (the connection stays);
//   /hangup closes the connection without an answer; anything else 404.
class HttpTestServer {
 public:
  struct Request {
    std::string method;
    std::string target;
    std::string userAgent;
  };

  HttpTestServer();
  std::uint16_t port() const { return server_.port(); }
  std::size_t connectionsAccepted() const { return server_.connectionsAccepted(); }
  std::vector<Request> requests() const;

 private:
  std::optional<ServerReply> answer(std::string_view received);

  mutable std::mutex mutex_;
  std::vector<Request> requests_;
  LoopbackServer server_;  // last: it stops before the members it uses go
};

// A gopher server: selector "/hello" gets a text item, "/missing" the error
// item "3...", "/silent" a hang-up without a reply, any other an error item.
class GopherTestServer {
 public:
  GopherTestServer();
  std::uint16_t port() const { return server_.port(); }
  std::size_t connectionsAccepted() const { return server_.connectionsAccepted(); }
  std::vector<std::string> selectors() const;

 private:
  std::optional<ServerReply> answer(std::string_view received);

  mutable std::mutex mutex_;
  std::vector<std::string> selectors_;
  LoopbackServer server_;
};

// Accepts connections and hangs up on each at once, counting them: a server
// that is there but never speaks its protocol.
class HangUpServer {
 public:
  HangUpServer();
  std::uint16_t port() const { return server_.port(); }
  std::size_t connectionsAccepted() const { return server_.connectionsAccepted(); }

 private:
  LoopbackServer server_;
};

// A port of 127.0.0.1 that refuses connections: bound (so nothing else takes
// it while the object lives) but not listening.
class RefusingPort {
 public:
  RefusingPort();
  ~RefusingPort();
  RefusingPort(const RefusingPort&) = delete;
  RefusingPort& operator=(const RefusingPort&) = delete;
  std::uint16_t port() const { return port_; }

 private:
  int socket_ = -1;
  std::uint16_t port_ = 0;
};

// A port of 127.0.0.1 that takes connections (the system completes them) but
// never answers: it listens, and nothing accepts.
class DeafPort {
 public:
  DeafPort();
  ~DeafPort();
  DeafPort(const DeafPort&) = delete;
  DeafPort& operator=(const DeafPort&) = delete;
  std::uint16_t port() const { return port_; }
  // Waits up to `milliseconds` for a connection to wait at the port; true
  // when one does.
  bool waitForConnection(int milliseconds) const;

 private:
  int socket_ = -1;
  std::uint16_t port_ = 0;
};

}  // namespace quillorn::test_support
