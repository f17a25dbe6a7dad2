#pragma once
// The Internet client the link check talks through, over libcurl: a client
// handle holding what every request shares, a connection to one server for one
// service, and the three opens the check needs (an HTTP request, an FTP file, a
// gopher item). It keeps the behaviour of the Windows client the program was
// first written against:
//
// - A connection is made to a server part as the URL wrote it: a host name, an
//   IPv4 address or an IPv6 address in brackets, optionally preceded by a user
//   name (and ":" password) and "@", optionally followed by ":" and a port. A
//   port is used in place of the service's own; a user name logs in (FTP) or is
//   sent as the credentials of every request (HTTP). A server part that is not
//   of that form cannot be resolved; neither can a name under the reserved
//   ".invalid" domain (RFC 6761), which is turned away without asking the
//   resolver.
// - Connecting to an HTTP or gopher server sends nothing yet; connecting to an
//   FTP server connects and logs in (anonymously unless a user is named) at
//   once, and a failure there leaves no connection.
// - A connection serves only the service it was opened for: an open of another
//   kind fails at once, without any traffic. An HTTP connection serves both
//   plain and TLS requests (http and https), each on its own port unless the
//   server part names one.
// - HTTP: a GET of the object that counts as answered as soon as the server's
//   answer (status line and headers) has arrived, whatever its status; the body
//   is never read. Redirects are not followed: a redirect is an answer too.
//   Over TLS the server's certificate must verify (a trusted chain and the name
//   asked for); a server whose certificate does not is not answered.
//   FTP: the file is opened for reading (RETR is accepted, an empty file
//   included); the data is not read. Gopher: the selector is sent and the reply
//   is a success unless it is empty or an error item ('3').
// - Time-outs: kConnectTimeout to set up a connection (name lookup included),
//   kRequestTimeout for any one exchange as a whole; running out is a failure.
//
// Nothing here throws; every failure is a false result.
//
// Known limits: redirects are not followed, bodies never read, and a proxy is
// only taken from the environment.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace quillorn::platform {

// Enough for a server that is up but slow; short enough that a page full of
// dead hosts does not keep the person waiting for minutes per link.
inline constexpr std::chrono::seconds kConnectTimeout{10};
inline constexpr std::chrono::seconds kRequestTimeout{20};

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
};

class InternetConnection;

// The client handle.
class InternetClient {
 public:
  explicit InternetClient(InternetClientOptions options = {});
  ~InternetClient();
  InternetClient(InternetClient&& other) noexcept;
  InternetClient& operator=(InternetClient&& other) noexcept;
  InternetClient(const InternetClient&) = delete;
  InternetClient& operator=(const InternetClient&) = delete;

  // Sets up the handle; false when libcurl could not be initialised. Opening
  // an open handle keeps it.
  bool open();
  // Releases the handle; connections made through it stay usable until they
  // are closed themselves.
  void close();
  bool isOpen() const { return handle_ != nullptr; }
  const InternetClientOptions& options() const { return options_; }

  // A connection to `server` (the text between the scheme's "//" and the next
  // "/", as written) for `service`, on the port it names or else the
  // service's. An empty (failed) connection when the handle is not open, or,
  // for FTP, when the server cannot be reached or refuses the login.
  InternetConnection connect(std::string_view server, InternetService service);

 private:
  InternetClientOptions options_;
  void* handle_ = nullptr;  // the libcurl easy handle every connection is copied from
};

// One server, one service. Consecutive requests share the TCP connection when
// the server keeps it open and the previous answer left nothing unread.
class InternetConnection {
 public:
  InternetConnection();
  ~InternetConnection();
  InternetConnection(InternetConnection&& other) noexcept;
  InternetConnection& operator=(InternetConnection&& other) noexcept;
  InternetConnection(const InternetConnection&) = delete;
  InternetConnection& operator=(const InternetConnection&) = delete;

  bool isOpen() const { return state_ != nullptr; }
  void close();

  // Sends a GET for `object` (the URL's text after the server's "/") over
  // `transport`; true when an answer arrived, any status. False on a
  // connection of another service.
  bool sendHttpRequest(std::string_view object, HttpTransport transport = HttpTransport::Plain);
  // Opens file `object` for reading; true when the server began the transfer.
  // A name ending in "/" names a folder, which cannot be opened. False on a
  // connection of another service.
  bool openFtpFile(std::string_view object);
  // Opens gopher item `object` (its type character, then the selector); true
  // when the server replied with something other than an error item. False on
  // a connection of another service.
  bool openGopherItem(std::string_view object);

 private:
  friend class InternetClient;
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace quillorn::platform
