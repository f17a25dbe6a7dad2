#include "platform/internet_client.h"

#include <curl/curl.h>

#include <charconv>
#include <optional>
#include <string>
#include <utility>

namespace quillorn::platform {
namespace {

// libcurl's process-wide set-up, made once on first use and kept until the
// process ends (undoing it is not safe while another thread might use it).
bool libcurlReady() {
  static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  return ready;
}

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalsIgnoreAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
  }
  return true;
}

bool isAsciiAlnum(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool isHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// True when `name` is something a resolver could be asked about: a host name
// of letters, digits, '-', '_' and '.', or an IPv6 address in brackets. A name
// under ".invalid" is not: RFC 6761 wants it answered "no such name" without a
// lookup.
bool isResolvableHostName(std::string_view name) {
  if (name.empty() || name.size() > 254) return false;
  if (name.front() == '[') {
    if (name.size() < 3 || name.back() != ']') return false;
    for (char c : name.substr(1, name.size() - 2)) {
      if (!isHexDigit(c) && c != ':' && c != '.') return false;
    }
    return true;
  }
  for (char c : name) {
    if (!isAsciiAlnum(c) && c != '-' && c != '_' && c != '.') return false;
  }
  std::string_view domain = name;
  if (domain.back() == '.') domain.remove_suffix(1);
  constexpr std::string_view kInvalid = "invalid";
  if (domain.size() < kInvalid.size()) return true;
  const std::string_view last = domain.substr(domain.size() - kInvalid.size());
  const bool wholeLabel = domain.size() == kInvalid.size() || domain[domain.size() - kInvalid.size() - 1] == '.';
  return !(wholeLabel && equalsIgnoreAsciiCase(last, kInvalid));
}

// A server part as a URL writes it: [user[:password]@]host[:port].
struct ServerPart {
  std::string host;  // as written; an IPv6 address keeps its brackets
  std::optional<std::string> user;
  std::string password;
  long port = 0;       // 0: the one of the service
  bool valid = false;  // of that form, with a host that can be looked up
};

ServerPart parseServerPart(std::string_view server) {
  ServerPart part;
  std::string_view hostAndPort = server;
  const std::size_t at = server.rfind('@');
  if (at != std::string_view::npos) {
    const std::string_view userInfo = server.substr(0, at);
    const std::size_t colon = userInfo.find(':');
    if (!userInfo.empty()) part.user = std::string(userInfo.substr(0, colon));
    if (colon != std::string_view::npos) part.password = std::string(userInfo.substr(colon + 1));
    hostAndPort = server.substr(at + 1);
  }
  // The host ends at the ':' before the port; an IPv6 address holds ':' of its own.
  std::size_t hostEnd = hostAndPort.find(':');
  if (!hostAndPort.empty() && hostAndPort.front() == '[') {
    const std::size_t close = hostAndPort.find(']');
    if (close == std::string_view::npos) return part;
    hostEnd = close + 1;
    if (hostEnd < hostAndPort.size() && hostAndPort[hostEnd] != ':') return part;
  }
  part.host = std::string(hostAndPort.substr(0, hostEnd));
  if (hostEnd < hostAndPort.size()) {
    // "host:" with no digits means the service's own port, as browsers read it.
    const std::string_view digits = hostAndPort.substr(hostEnd + 1);
    if (!digits.empty()) {
      unsigned value = 0;
      const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
      if (error != std::errc() || end != digits.data() + digits.size() || value == 0 || value > 65535) return part;
      part.port = static_cast<long>(value);
    }
  }
  part.valid = isResolvableHostName(part.host);
  return part;
}

// The object part as a URL path: bytes that may not stand in a URL are
// %-escaped, everything else (existing escapes included) goes as written. For
// FTP a '?' is part of the file name, not the start of a query.
std::string encodeObject(std::string_view object, InternetService service) {
  constexpr std::string_view kUnsafe = "\"<>\\^`{|}#";
  constexpr char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  encoded.reserve(object.size());
  for (char c : object) {
    const auto byte = static_cast<unsigned char>(c);
    const bool escape = byte <= 0x20 || byte >= 0x7F || kUnsafe.find(c) != std::string_view::npos ||
                        (service == InternetService::Ftp && c == '?');
    if (escape) {
      encoded.push_back('%');
      encoded.push_back(kHex[byte >> 4]);
      encoded.push_back(kHex[byte & 0x0F]);
    } else {
      encoded.push_back(c);
    }
  }
  return encoded;
}

std::string_view schemeOf(InternetService service, HttpTransport transport) {
  switch (service) {
    case InternetService::Http: return transport == HttpTransport::Tls ? "https" : "http";
    case InternetService::Ftp: return "ftp";
    case InternetService::Gopher: return "gopher";
  }
  return "http";
}

long portOf(const InternetPorts& ports, InternetService service, HttpTransport transport) {
  switch (service) {
    case InternetService::Http: return transport == HttpTransport::Tls ? ports.https : ports.http;
    case InternetService::Ftp: return ports.ftp;
    case InternetService::Gopher: return ports.gopher;
  }
  return ports.http;
}

long milliseconds(std::chrono::seconds duration) {
  return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(duration).count());
}

std::string_view trimLineEnd(std::string_view line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  return line;
}

std::string_view trimSpaces(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// What the exchange under way has seen so far.
struct Exchange {
  int status = 0;                 // HTTP: status of the answer being read
  long long contentLength = -1;   // HTTP: its Content-Length, -1 when none
  bool transferEncoding = false;  // HTTP: its body comes in chunks
  bool answered = false;          // HTTP: a final answer's headers are complete
  bool dataArrived = false;       // FTP, gopher: the first data byte came
  char firstByte = 0;             // gopher: the reply's item type
};

// HTTP header lines, one per call. The exchange ends here, at the blank line
// closing the final answer's headers, unless that answer has no body (then
// libcurl completes it and may keep the connection for the next request).
std::size_t onHttpHeader(char* data, std::size_t size, std::size_t count, void* user) {
  Exchange& exchange = *static_cast<Exchange*>(user);
  const std::size_t length = size * count;
  const std::string_view line = trimLineEnd(std::string_view(data, length));

  if (line.empty()) {
    // "100 Continue" and its kind announce the real answer; wait for it.
    if (exchange.status >= 100 && exchange.status < 200) {
      exchange = Exchange();
      return length;
    }
    exchange.answered = true;
    const bool noBody =
        exchange.status == 204 || exchange.status == 304 || (exchange.contentLength == 0 && !exchange.transferEncoding);
    return noBody ? length : 0;
  }

  if (line.starts_with("HTTP/")) {
    const std::size_t space = line.find(' ');
    if (space != std::string_view::npos) {
      const std::string_view code = line.substr(space + 1, 3);
      int value = 0;
      if (std::from_chars(code.data(), code.data() + code.size(), value).ec == std::errc()) exchange.status = value;
    }
    return length;
  }

  const std::size_t colon = line.find(':');
  if (colon == std::string_view::npos) return length;
  const std::string_view name = line.substr(0, colon);
  const std::string_view value = trimSpaces(line.substr(colon + 1));
  if (equalsIgnoreAsciiCase(name, "Content-Length")) {
    long long parsed = -1;
    if (std::from_chars(value.data(), value.data() + value.size(), parsed).ec == std::errc()) {
      exchange.contentLength = parsed;
    }
  } else if (equalsIgnoreAsciiCase(name, "Transfer-Encoding")) {
    exchange.transferEncoding = true;
  }
  return length;
}

// Body bytes are never wanted: the first of them ends the exchange.
std::size_t onHttpBody(char*, std::size_t, std::size_t, void*) { return 0; }

// FTP and gopher data: the first bytes tell all there is to know.
std::size_t onFirstData(char* data, std::size_t size, std::size_t count, void* user) {
  Exchange& exchange = *static_cast<Exchange*>(user);
  if (size * count > 0 && !exchange.dataArrived) {
    exchange.dataArrived = true;
    exchange.firstByte = data[0];
  }
  return 0;
}

// FTP control replies and the like, which the check does not need.
std::size_t ignoreHeader(char*, std::size_t size, std::size_t count, void*) { return size * count; }

}  // namespace

struct InternetConnection::State {
  CURL* easy = nullptr;
  ServerPart server;
  InternetService service = InternetService::Http;
  InternetPorts ports;
  Exchange exchange;

  State() = default;
  State(const State&) = delete;
  State& operator=(const State&) = delete;
  ~State() {
    if (easy != nullptr) curl_easy_cleanup(easy);
  }

  std::string url(std::string_view object, HttpTransport transport) const {
    std::string text(schemeOf(service, transport));
    text.append("://").append(server.host).push_back('/');
    text.append(encodeObject(object, service));
    return text;
  }

  CURLcode perform(std::string_view object, HttpTransport transport = HttpTransport::Plain) {
    exchange = Exchange();
    const std::string address = url(object, transport);
    curl_easy_setopt(easy, CURLOPT_URL, address.c_str());
    curl_easy_setopt(easy, CURLOPT_PORT, server.port != 0 ? server.port : portOf(ports, service, transport));
    return curl_easy_perform(easy);
  }

  // Connects to an FTP server and logs in, leaving the control connection
  // open for the opens that follow. A "no body" request of the login folder
  // does just that: no listing, no file.
  bool logIn() {
    curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
    const CURLcode result = perform("");
    curl_easy_setopt(easy, CURLOPT_NOBODY, 0L);
    return result == CURLE_OK;
  }
};

// ---- InternetClient ----

InternetClient::InternetClient(InternetClientOptions options) : options_(options) {}

InternetClient::~InternetClient() { close(); }

InternetClient::InternetClient(InternetClient&& other) noexcept
    : options_(other.options_), handle_(std::exchange(other.handle_, nullptr)) {}

InternetClient& InternetClient::operator=(InternetClient&& other) noexcept {
  if (this != &other) {
    close();
    options_ = other.options_;
    handle_ = std::exchange(other.handle_, nullptr);
  }
  return *this;
}

bool InternetClient::open() {
  if (handle_ != nullptr) return true;
  if (!libcurlReady()) return false;
  CURL* easy = curl_easy_init();
  if (easy == nullptr) return false;

  curl_easy_setopt(easy, CURLOPT_USERAGENT, std::string(kInternetAgent).c_str());
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, milliseconds(kConnectTimeout));
  curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, milliseconds(kRequestTimeout));
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https,ftp,gopher");
  // A TLS server must prove who it is; one that cannot is not reachable.
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
  if (!options_.trustedCertificates.empty()) {
    curl_easy_setopt(easy, CURLOPT_CAINFO, options_.trustedCertificates.c_str());
  }
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  // The object goes to the server as written, "../" included.
  curl_easy_setopt(easy, CURLOPT_PATH_AS_IS, 1L);
  // One RETR of the whole path, as the name stands, rather than a CWD per folder.
  curl_easy_setopt(easy, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_NOCWD));
  // An empty proxy name turns off the one the environment names.
  if (!options_.environmentProxy) curl_easy_setopt(easy, CURLOPT_PROXY, "");

  handle_ = easy;
  return true;
}

void InternetClient::close() {
  if (handle_ == nullptr) return;
  curl_easy_cleanup(static_cast<CURL*>(handle_));
  handle_ = nullptr;
}

InternetConnection InternetClient::connect(std::string_view server, InternetService service) {
  InternetConnection connection;
  if (handle_ == nullptr) return connection;

  auto state = std::make_unique<InternetConnection::State>();
  state->easy = curl_easy_duphandle(static_cast<CURL*>(handle_));
  if (state->easy == nullptr) return connection;
  state->server = parseServerPart(server);
  state->service = service;
  state->ports = options_.ports;

  CURL* easy = state->easy;
  if (state->server.user) {
    curl_easy_setopt(easy, CURLOPT_USERNAME, state->server.user->c_str());
    curl_easy_setopt(easy, CURLOPT_PASSWORD, state->server.password.c_str());
  }
  if (service == InternetService::Http) {
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, onHttpHeader);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, onHttpBody);
  } else {
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, ignoreHeader);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, onFirstData);
  }
  curl_easy_setopt(easy, CURLOPT_HEADERDATA, &state->exchange);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &state->exchange);

  // An FTP connection is a logged-in one; HTTP and gopher connect per request.
  if (service == InternetService::Ftp && (!state->server.valid || !state->logIn())) return connection;

  connection.state_ = std::move(state);
  return connection;
}

// ---- InternetConnection ----

InternetConnection::InternetConnection() = default;
InternetConnection::~InternetConnection() = default;
InternetConnection::InternetConnection(InternetConnection&& other) noexcept = default;
InternetConnection& InternetConnection::operator=(InternetConnection&& other) noexcept = default;

void InternetConnection::close() { state_.reset(); }

bool InternetConnection::sendHttpRequest(std::string_view object, HttpTransport transport) {
  if (state_ == nullptr || state_->service != InternetService::Http || !state_->server.valid) return false;
  curl_easy_setopt(state_->easy, CURLOPT_HTTPGET, 1L);
  state_->perform(object, transport);
  // Stopping at the end of the headers reads as a write error; what counts is
  // that a whole answer's headers were there.
  return state_->exchange.answered;
}

bool InternetConnection::openFtpFile(std::string_view object) {
  if (state_ == nullptr || state_->service != InternetService::Ftp || !state_->server.valid) return false;
  if (object.empty() || object.back() == '/') return false;
  const CURLcode result = state_->perform(object);
  // An empty file completes at once; any other is stopped at its first bytes.
  return result == CURLE_OK || (result == CURLE_WRITE_ERROR && state_->exchange.dataArrived);
}

bool InternetConnection::openGopherItem(std::string_view object) {
  if (state_ == nullptr || state_->service != InternetService::Gopher || !state_->server.valid) return false;
  state_->perform(object);
  return state_->exchange.dataArrived && state_->exchange.firstByte != '3';
}

}  // namespace quillorn::platform
