#include "tests/support/loopback_servers.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <stdexcept>
#include <utility>

namespace quillorn::test_support {
namespace {

constexpr int kPollMilliseconds = 50;

// A TCP socket bound to a free port of 127.0.0.1; its port through `port`.
int bindLoopback(std::uint16_t& port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) throw std::runtime_error(std::string("socket: ") + std::strerror(errno));
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    throw std::runtime_error(std::string("bind: ") + std::strerror(errno));
  }
  socklen_t length = sizeof address;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  port = ntohs(address.sin_port);
  return fd;
}

void sendAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent <= 0) return;  // the client went away; nothing to do about it
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
}

std::string httpAnswer(std::string_view statusLine, std::string_view extraHeaders, std::string_view body) {
  std::string text = "HTTP/1.1 ";
  text.append(statusLine).append("\r\nServer: loopback\r\nConnection: keep-alive\r\n");
  text.append(extraHeaders);
  text.append("Content-Length: ").append(std::to_string(body.size())).append("\r\n\r\n");
  text.append(body);
  return text;
}

std::string headerValue(std::string_view head, std::string_view name) {
  std::size_t lineStart = head.find("\r\n");
  while (lineStart != std::string_view::npos && lineStart + 2 < head.size()) {
    lineStart += 2;
    const std::size_t lineEnd = head.find("\r\n", lineStart);
    const std::string_view line = head.substr(lineStart, lineEnd - lineStart);
    const std::size_t colon = line.find(':');
    if (colon != std::string_view::npos && colon == name.size() &&
        ::strncasecmp(line.data(), name.data(), name.size()) == 0) {
      std::string_view value = line.substr(colon + 1);
      while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
      return std::string(value);
    }
    lineStart = lineEnd;
  }
  return {};
}

}  // namespace

// ---- LoopbackServer ----

LoopbackServer::LoopbackServer(DataHandler onData, AcceptHandler onAccept)
    : onData_(std::move(onData)), onAccept_(std::move(onAccept)) {
  listener_ = bindLoopback(port_);
  if (::listen(listener_, 16) != 0) {
    ::close(listener_);
    throw std::runtime_error(std::string("listen: ") + std::strerror(errno));
  }
  thread_ = std::thread([this] { run(); });
}

LoopbackServer::~LoopbackServer() {
  stop_ = true;
  thread_.join();
  ::close(listener_);
}

void LoopbackServer::run() {
  struct Client {
    int fd;
    std::string received;
  };
  std::vector<Client> clients;

  const auto hangUp = [&clients](std::size_t index) {
    ::close(clients[index].fd);
    clients.erase(clients.begin() + static_cast<std::ptrdiff_t>(index));
  };

  while (!stop_) {
    std::vector<pollfd> watched;
    watched.push_back({listener_, POLLIN, 0});
    for (const Client& client : clients) watched.push_back({client.fd, POLLIN, 0});
    if (::poll(watched.data(), watched.size(), kPollMilliseconds) <= 0) continue;

    // Clients first, by their poll entries (1..n), from the last so that a
    // hang-up does not move the ones still to be handled.
    for (std::size_t entry = watched.size() - 1; entry >= 1; --entry) {
      if ((watched[entry].revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
      const std::size_t index = entry - 1;
      char buffer[4096];
      const ssize_t got = ::recv(clients[index].fd, buffer, sizeof buffer, 0);
      if (got <= 0) {
        hangUp(index);
        continue;
      }
      clients[index].received.append(buffer, static_cast<std::size_t>(got));
      while (std::optional<ServerReply> reply = onData_(clients[index].received)) {
        clients[index].received.erase(0, reply->consumed);
        if (reply->reset) {
          // A zero linger makes close() send a reset instead of the usual goodbye.
          const linger abortive{1, 0};
          ::setsockopt(clients[index].fd, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
          hangUp(index);
          break;
        }
        sendAll(clients[index].fd, reply->bytes);
        if (reply->close) {
          hangUp(index);
          break;
        }
        if (reply->consumed == 0) break;
      }
    }

    if ((watched[0].revents & POLLIN) != 0) {
      const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) continue;
      ++accepted_;
      ServerReply greeting;
      if (onAccept_) greeting = onAccept_();
      sendAll(fd, greeting.bytes);
      if (greeting.close) {
        ::close(fd);
      } else {
        clients.push_back({fd, {}});
      }
    }
  }
  for (const Client& client : clients) ::close(client.fd);
}

// ---- HttpTestServer ----

HttpTestServer::HttpTestServer() : server_([this](std::string_view received) { return answer(received); }) {}

std::vector<HttpTestServer::Request> HttpTestServer::requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

std::optional<ServerReply> HttpTestServer::answer(std::string_view received) {
  const std::size_t headEnd = received.find("\r\n\r\n");
  if (headEnd == std::string_view::npos) return std::nullopt;
  const std::string_view head = received.substr(0, headEnd + 2);
  const std::string_view requestLine = head.substr(0, head.find("\r\n"));

  Request request;
  const std::size_t firstSpace = requestLine.find(' ');
  const std::size_t secondSpace = requestLine.find(' ', firstSpace + 1);
  request.method = std::string(requestLine.substr(0, firstSpace));
  if (firstSpace != std::string_view::npos) {
    request.target = std::string(requestLine.substr(firstSpace + 1, secondSpace - firstSpace - 1));
  }
  request.userAgent = headerValue(head, "User-Agent");
  {
    std::lock_guard lock(mutex_);
    requests_.push_back(request);
  }

  ServerReply reply;
  reply.consumed = headEnd + 4;
  const std::string& target = request.target;
  std::size_t timesAsked = 0;
  {
    std::lock_guard lock(mutex_);
    for (const Request& earlier : requests_) timesAsked += earlier.target == target ? 1 : 0;
  }
  const auto redirect = [&reply](std::string_view status, std::string_view location) {
    reply.bytes = httpAnswer(status, "Location: " + std::string(location) + "\r\n", "");
  };
  if (target.starts_with("/hops/")) {
    const int left = std::stoi(target.substr(6));
    if (left > 0) {
      redirect("302 Found", "/hops/" + std::to_string(left - 1));
    } else {
      reply.bytes = httpAnswer("200 OK", "", "");
    }
  } else if (target == "/gone") {
    reply.bytes = httpAnswer("410 Gone", "Content-Type: text/html\r\n", "<html>gone</html>");
  } else if (target == "/forbidden") {
    reply.bytes = httpAnswer("403 Forbidden", "Content-Type: text/html\r\n", "<html>no robots</html>");
  } else if (target == "/to-ok" || target == "/moved%20page") {
    redirect("302 Found", "/ok");
  } else if (target == "/to-missing") {
    redirect("301 Moved Permanently", "/missing");
  } else if (target == "/loop") {
    redirect("302 Found", "/loop-back");
  } else if (target == "/loop-back") {
    redirect("302 Found", "http://127.0.0.1:" + std::to_string(server_.port()) + "/loop");
  } else if (target == "/busy" && timesAsked == 1) {
    reply.bytes = httpAnswer("429 Too Many Requests", "Retry-After: 1\r\n", "slow down");
  } else if (target == "/busy-date" && timesAsked == 1) {
    // The wait as the date it ends at, a second from now.
    const std::time_t then = std::time(nullptr) + 1;
    std::tm parts{};
    ::gmtime_r(&then, &parts);
    char date[64];
    std::strftime(date, sizeof date, "%a, %d %b %Y %H:%M:%S GMT", &parts);
    reply.bytes = httpAnswer("429 Too Many Requests", "Retry-After: " + std::string(date) + "\r\n", "slow down");
  } else if (target == "/busy-long") {
    reply.bytes = httpAnswer("429 Too Many Requests", "Retry-After: 120\r\n", "slow down");
  } else if (target == "/reset-once" && timesAsked == 1) {
    reply.reset = true;
  } else if (target == "/busy" || target == "/busy-date" || target == "/reset-once") {
    reply.bytes = httpAnswer("200 OK", "", "");
  } else if (target == "/") {
    reply.bytes = httpAnswer("200 OK", "Content-Type: text/html\r\n", "<html><body>home</body></html>");
  } else if (target.starts_with("/silent")) {
    // no answer, and the connection stays
  } else if (target == "/ok") {
    reply.bytes = httpAnswer("200 OK", "Content-Type: text/html\r\n", "<html><body>ok</body></html>");
  } else if (target == "/broken") {
    reply.bytes = httpAnswer("500 Internal Server Error", "Content-Type: text/html\r\n", "<html>broken</html>");
  } else if (target == "/empty") {
    reply.bytes = httpAnswer("200 OK", "", "");
  } else if (target == "/no-content") {
    reply.bytes = "HTTP/1.1 204 No Content\r\nConnection: keep-alive\r\n\r\n";
  } else if (target == "/continue") {
    reply.bytes = "HTTP/1.1 100 Continue\r\n\r\n" + httpAnswer("200 OK", "", "");
  } else if (target == "/chunked") {
    reply.bytes =
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: keep-alive\r\n\r\n"
        "5\r\nhello\r\n0\r\n\r\n";
  } else if (target == "/redirect") {
    reply.bytes = httpAnswer("301 Moved Permanently", "Location: /hangup\r\n", "");
  } else if (target == "/stall") {
    reply.bytes = "HTTP/1.1 200 OK\r\nContent-Length: 100000\r\nConnection: keep-alive\r\n\r\n";
  } else if (target == "/hangup") {
    reply.close = true;
  } else {
    reply.bytes = httpAnswer("404 Not Found", "Content-Type: text/html\r\n", "<html>not found</html>");
  }
  return reply;
}

// ---- GopherTestServer ----

GopherTestServer::GopherTestServer() : server_([this](std::string_view received) { return answer(received); }) {}

std::vector<std::string> GopherTestServer::selectors() const {
  std::lock_guard lock(mutex_);
  return selectors_;
}

std::optional<ServerReply> GopherTestServer::answer(std::string_view received) {
  const std::size_t lineEnd = received.find("\r\n");
  if (lineEnd == std::string_view::npos) return std::nullopt;
  const std::string selector(received.substr(0, lineEnd));
  {
    std::lock_guard lock(mutex_);
    selectors_.push_back(selector);
  }
  ServerReply reply;
  reply.consumed = lineEnd + 2;
  reply.close = true;  // a gopher reply ends with the connection
  if (selector == "/hello") {
    reply.bytes = "Hello from the loopback gopher server.\r\n.\r\n";
  } else if (selector == "/silent") {
    // no reply at all
  } else {
    reply.bytes = "3'" + selector + "' does not exist\terror.host\t1\r\n.\r\n";
  }
  return reply;
}

// ---- HangUpServer ----

HangUpServer::HangUpServer()
    : server_([](std::string_view) { return std::optional<ServerReply>(); },
              [] {
                ServerReply reply;
                reply.close = true;
                return reply;
              }) {}

// ---- RefusingPort ----

RefusingPort::RefusingPort() { socket_ = bindLoopback(port_); }

RefusingPort::~RefusingPort() { ::close(socket_); }

// ---- DeafPort ----

DeafPort::DeafPort() {
  socket_ = bindLoopback(port_);
  if (::listen(socket_, 64) != 0) {
    ::close(socket_);
    throw std::runtime_error(std::string("listen: ") + std::strerror(errno));
  }
}

DeafPort::~DeafPort() { ::close(socket_); }

bool DeafPort::waitForConnection(int milliseconds) const {
  // A listening socket reads as ready once a connection waits to be accepted.
  pollfd watched{socket_, POLLIN, 0};
  return ::poll(&watched, 1, milliseconds) == 1;
}

}  // namespace quillorn::test_support
