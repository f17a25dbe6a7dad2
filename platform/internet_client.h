#pragma once
// The Internet client the link check talks through, over libcurl's multi
// interface: requests are submitted with an order, run side by side (at most
// so many in all and so many to one server), and each ends with an answer
// that says whether its resource could be reached. It keeps the behaviour of
// the Windows client the program was first written against, request by
// request:
//
// - A request names a server part as the URL wrote it: a host name, an IPv4
//   address or an IPv6 address in brackets, optionally preceded by a user
//   name (and ":" password) and "@", optionally followed by ":" and a port. A
//   port is used in place of the service's own; a user name logs in (FTP) or is
//   sent as the credentials of every request (HTTP). A server part that is not
//   of that form cannot be resolved; neither can a name under the reserved
//   ".invalid" domain (RFC 6761), which is turned away without asking the
//   resolver. Neither sends anything.
// - HTTP: a GET of the object that is answered as soon as the server's answer
//   (status line and headers) has arrived; the body is never read. A redirect
//   (301, 302, 303, 307, 308 with a Location) is followed, up to kMaxRedirects
//   times, and the last answer decides: 404 and 410 are not reachable, any
//   other status is. A redirect that comes back to an address it passed, or
//   more than kMaxRedirects of them, is not reachable either. Over TLS the
//   server's certificate must verify (a trusted chain and the name asked
//   for); a server whose certificate does not is not answered.
//   FTP: a login of the server alone (FtpLogin), or a file opened for reading
//   (RETR is accepted, an empty file included; the data is not read). Gopher:
//   the selector is sent and the reply is a success unless it is empty or an
//   error item ('3').
// - Retries, at most one per request: a connection reset, or a connection
//   that could not be set up within the connect time-out, is tried again after
//   retryDelay; an HTTP 429 whose Retry-After asks for at most kMaxRetryAfter
//   is asked again after that wait. Other requests go on meanwhile.
// - Time-outs hold per exchange, from the moment it starts (never while it
//   waits its turn): connectTimeout to set up a connection (name lookup
//   included), requestTimeout for the exchange as a whole.
// - A server (host and port) gets one exchange at a time until one has come
//   to an end, then up to maxPerServer. A server whose name does not resolve,
//   or that let an exchange run out of time without having answered anything,
//   is not asked again: its requests still waiting end the same way without
//   being sent.
//
// Nothing here throws; every failure is an answer.
//
// Known limits: bodies are never read; a proxy is only taken from the
// environment; a redirect to another scheme than http or https is not
// followed (the redirect answer decides).

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace quillorn::platform {

// Enough for a server that is up but slow; short enough that a page full of
// dead hosts does not keep the person waiting for minutes.
inline constexpr std::chrono::seconds kConnectTimeout{10};
inline constexpr std::chrono::seconds kRequestTimeout{20};
// How long a reset connection waits before it is tried again.
inline constexpr std::chrono::seconds kRetryDelay{1};
// The longest Retry-After of a 429 answer that is waited for.
inline constexpr std::chrono::seconds kMaxRetryAfter{30};
// Redirects followed for one request, as browsers do.
inline constexpr int kMaxRedirects = 10;
// Requests under way at one time, in all and to one server (browsers keep six).
inline constexpr std::size_t kDefaultInternetConnections = 64;
inline constexpr std::size_t kMaxConnectionsPerServer = 6;

// The agent name every request carries.
inline constexpr std::string_view kInternetAgent = "Microsoft Internet Explorer";

enum class InternetService { Http, Ftp, Gopher };

// The port each service connects to. The program uses the well-known ones; the
// tests point them at servers of their own on the loopback interface.
struct InternetPorts {
  std::uint16_t http = 80;
  std::uint16_t ftp = 21;
  std::uint16_t gopher = 70;
  std::uint16_t https = 443;
};

// How an HTTP request travels: in the clear (http) or over TLS (https).
enum class HttpTransport { Plain, Tls };

struct InternetClientOptions {
  InternetPorts ports;
  // The proxy that the environment names (http_proxy, ftp_proxy, all_proxy,
  // no_proxy) stands for the system's preconfigured one. The tests turn it off
  // so that nothing they do can leave the machine.
  bool environmentProxy = true;
  // A PEM file of the certificate authorities that TLS servers must chain to;
  // empty: the system's own. The tests name one that trusts their loopback
  // server's certificate.
  std::string trustedCertificates;
  std::size_t maxTransfers = kDefaultInternetConnections;
  std::size_t maxPerServer = kMaxConnectionsPerServer;
  // The program's limits; the tests shorten them.
  std::chrono::milliseconds connectTimeout = kConnectTimeout;
  std::chrono::milliseconds requestTimeout = kRequestTimeout;
  std::chrono::milliseconds retryDelay = kRetryDelay;
};

// What a request opens.
enum class InternetOpen {
  HttpGet,     // the object over HTTP (transport: plain or TLS)
  FtpLogin,    // the server alone: connect and log in
  FtpFile,     // the object, a file, for reading
  GopherItem,  // the object: its type character, then the selector
};

struct InternetRequest {
  InternetOpen open = InternetOpen::HttpGet;
  HttpTransport transport = HttpTransport::Plain;
  std::string server;  // the text between the scheme's "//" and the next "/", as written
  std::string object;  // the URL's text after that "/"
};

// Why a resource could not be reached.
enum class InternetFailure {
  None,
  NotOpen,           // the client was not open: nothing was sent
  OtherService,      // the connection to that server serves another scheme: nothing was sent
  NameNotFound,      // the server's name does not resolve (or cannot be a name)
  NoConnection,      // the server refused or could not be reached
  TimedOut,          // no connection or no answer in time
  NoAnswer,          // the connection closed, or was reset, before a whole answer
  NotFound,          // HTTP 404
  Gone,              // HTTP 410
  RedirectLoop,      // a redirect came back to an address it passed
  TooManyRedirects,  // more than kMaxRedirects
  Certificate,       // the TLS server's certificate did not verify
  FtpRefused,        // FTP: the login, or the file, was refused
  GopherError,       // gopher: an error item or an empty reply
  Stopped,           // the check was stopped before the answer came
};

struct InternetAnswer {
  bool reachable = false;
  int status = 0;  // HTTP: the status of the last answer; 0 when none came (and for FTP, gopher)
  InternetFailure failure = InternetFailure::None;
  int exchanges = 0;  // exchanges sent for it: tries and redirects
};

class InternetClient {
 public:
  using RequestId = std::size_t;

  explicit InternetClient(InternetClientOptions options = {});
  ~InternetClient();
  InternetClient(InternetClient&& other) noexcept;
  InternetClient& operator=(InternetClient&& other) noexcept;
  InternetClient(const InternetClient&) = delete;
  InternetClient& operator=(const InternetClient&) = delete;

  // Sets up the handle; false when libcurl could not be initialised. Opening
  // an open handle keeps it.
  bool open();
  // Closes every request under way and releases the handle; requests and
  // answers are forgotten.
  void close();
  bool isOpen() const;
  const InternetClientOptions& options() const { return options_; }
  // Requests under way at one time from now on (at least 1).
  void setMaxTransfers(std::size_t count);

  // Queues `request`. Requests start by their `order`, lowest first, as soon
  // as the limits allow; one submitted `after` another starts only once that
  // one was answered reachable (and is answered at once, unreachable, with
  // the same failure, when it was not). On a closed client the request is
  // answered at once: NotOpen.
  RequestId submit(InternetRequest request, std::int64_t order, std::optional<RequestId> after = std::nullopt);
  // Moves a request that has not started yet ahead of all others.
  void hurry(RequestId id);
  // Starts what may start and moves the requests under way on, for at most
  // `wait`: it returns earlier when a request was answered.
  void run(std::chrono::milliseconds wait);
  // The answer of request `id`; null while it is waiting or under way.
  const InternetAnswer* answer(RequestId id) const;
  // Ends every request not answered yet: each is answered Stopped.
  void cancelAll();

  // Requests that have not been answered yet.
  std::size_t outstanding() const;
  // Exchanges sent since the client was opened.
  std::size_t exchangesSent() const;

 private:
  struct Engine;
  InternetClientOptions options_;
  std::unique_ptr<Engine> engine_;
};

}  // namespace quillorn::platform
