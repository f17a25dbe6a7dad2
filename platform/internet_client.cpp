#include "platform/internet_client.h"

#include <curl/curl.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <ctime>
#include <deque>
#include <limits>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

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

long milliseconds(std::chrono::milliseconds duration) { return static_cast<long>(duration.count()); }

std::string_view trimLineEnd(std::string_view line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  return line;
}

std::string_view trimSpaces(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

using Clock = std::chrono::steady_clock;

// What the exchange under way has seen so far.
struct Exchange {
  int status = 0;                 // HTTP: status of the answer being read
  long long contentLength = -1;   // HTTP: its Content-Length, -1 when none
  bool transferEncoding = false;  // HTTP: its body comes in chunks
  bool answered = false;          // HTTP: a final answer's headers are complete
  std::string location;           // HTTP: the answer's Location
  std::string retryAfter;         // HTTP: the answer's Retry-After
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
  } else if (equalsIgnoreAsciiCase(name, "Location")) {
    exchange.location = std::string(value);
  } else if (equalsIgnoreAsciiCase(name, "Retry-After")) {
    exchange.retryAfter = std::string(value);
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

InternetService serviceOf(InternetOpen open) {
  switch (open) {
    case InternetOpen::HttpGet: return InternetService::Http;
    case InternetOpen::FtpLogin:
    case InternetOpen::FtpFile: return InternetService::Ftp;
    case InternetOpen::GopherItem: return InternetService::Gopher;
  }
  return InternetService::Http;
}

bool isRedirect(int status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// The wait a Retry-After asks for: seconds, or an HTTP date. None when it is
// neither.
std::optional<std::chrono::seconds> retryAfterDelay(const std::string& value) {
  if (value.empty()) return std::nullopt;
  long long seconds = 0;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), seconds);
  if (error == std::errc() && end == value.data() + value.size()) {
    return std::chrono::seconds(std::max(seconds, 0LL));
  }
  const time_t when = curl_getdate(value.c_str(), nullptr);
  if (when < 0) return std::nullopt;
  return std::chrono::seconds(std::max<long long>(static_cast<long long>(when - std::time(nullptr)), 0));
}

// A request as one address: scheme, server part as written, object escaped
// as it is sent. Redirects are resolved against it and compared by it.
std::string addressOf(InternetService service, HttpTransport transport, std::string_view server,
                      std::string_view object) {
  std::string text(schemeOf(service, transport));
  text.append("://").append(server).push_back('/');
  text.append(encodeObject(object, service));
  return text;
}

// Where a redirect from `from` (an http or https address) to `location`
// leads, as scheme, server part and object; none when it does not lead to an
// http or https address.
struct Hop {
  HttpTransport transport = HttpTransport::Plain;
  std::string server;
  std::string object;
};

std::optional<Hop> redirectTarget(const std::string& from, const std::string& location) {
  CURLU* url = curl_url();
  if (url == nullptr) return std::nullopt;
  std::optional<Hop> hop;
  char* text = nullptr;
  if (curl_url_set(url, CURLUPART_URL, from.c_str(), CURLU_PATH_AS_IS) == CURLUE_OK &&
      curl_url_set(url, CURLUPART_URL, location.c_str(), CURLU_URLENCODE) == CURLUE_OK &&
      curl_url_set(url, CURLUPART_FRAGMENT, nullptr, 0) == CURLUE_OK &&
      curl_url_get(url, CURLUPART_URL, &text, 0) == CURLUE_OK) {
    std::string_view target(text);
    Hop next;
    bool web = true;
    if (target.starts_with("http://")) {
      target.remove_prefix(7);
    } else if (target.starts_with("https://")) {
      target.remove_prefix(8);
      next.transport = HttpTransport::Tls;
    } else {
      web = false;
    }
    if (web) {
      const std::size_t slash = target.find('/');
      next.server = std::string(target.substr(0, slash));
      if (slash != std::string_view::npos) next.object = std::string(target.substr(slash + 1));
      hop = std::move(next);
    }
  }
  curl_free(text);
  curl_url_cleanup(url);
  return hop;
}

bool isCertificateFailure(CURLcode code) {
  return code == CURLE_PEER_FAILED_VERIFICATION || code == CURLE_SSL_CACERT_BADFILE || code == CURLE_SSL_ISSUER_ERROR ||
         code == CURLE_SSL_INVALIDCERTSTATUS || code == CURLE_SSL_PINNEDPUBKEYNOTMATCH;
}

bool isFtpRefusal(CURLcode code) {
  return code == CURLE_LOGIN_DENIED || code == CURLE_REMOTE_FILE_NOT_FOUND || code == CURLE_FTP_COULDNT_RETR_FILE ||
         code == CURLE_REMOTE_ACCESS_DENIED || code == CURLE_FTP_COULDNT_USE_REST || code == CURLE_FTP_PORT_FAILED ||
         code == CURLE_FTP_ACCEPT_FAILED || code == CURLE_FTP_COULDNT_SET_TYPE || code == CURLE_QUOTE_ERROR;
}

// Why an exchange that ended with `code` reached nothing.
InternetFailure failureOf(CURLcode code, InternetService service) {
  if (code == CURLE_COULDNT_RESOLVE_HOST || code == CURLE_COULDNT_RESOLVE_PROXY) return InternetFailure::NameNotFound;
  if (code == CURLE_COULDNT_CONNECT) return InternetFailure::NoConnection;
  if (code == CURLE_OPERATION_TIMEDOUT) return InternetFailure::TimedOut;
  if (isCertificateFailure(code)) return InternetFailure::Certificate;
  if (service == InternetService::Ftp && isFtpRefusal(code)) return InternetFailure::FtpRefused;
  return InternetFailure::NoAnswer;
}

// Failures that say nothing of the server but that it did not answer.
bool isSilence(InternetFailure failure) {
  return failure == InternetFailure::NameNotFound || failure == InternetFailure::NoConnection ||
         failure == InternetFailure::TimedOut || failure == InternetFailure::NoAnswer;
}

// How far down the waiting requests a round looks for one that may start:
// requests held back by their server's limit are passed over, but not
// without end.
constexpr std::size_t kStartWindow = 1024;

constexpr InternetClient::RequestId kClosedRequest = static_cast<InternetClient::RequestId>(-1);

}  // namespace

struct InternetClient::Engine {
  enum class State { Waiting, Running, Answered };

  struct Job {
    InternetRequest request;  // the exchange to make: the request, or where its redirects led
    std::int64_t order = 0;
    std::optional<RequestId> after;
    State state = State::Waiting;
    ServerPart server;
    std::string serverKey;  // the host and port, in lower case: what the per-server limit counts
    std::string address;    // the request as an address, for redirects
    CURL* easy = nullptr;
    Exchange exchange;
    std::vector<std::string> visited;  // the addresses asked for, redirects included
    int redirects = 0;
    bool retried = false;
    Clock::time_point readyAt{};
    InternetAnswer answer;
  };

  struct Server {
    std::size_t running = 0;
    bool tried = false;         // an exchange with it came to an end that will not be tried again
    bool answered = false;      // gave any answer in this client's life
    bool silent = false;        // let an exchange run out of time, never having answered
    bool unresolvable = false;  // its name does not resolve
  };

  InternetClientOptions options;
  CURLM* multi = nullptr;
  CURL* model = nullptr;  // the easy handle every exchange is copied from
  std::deque<Job> jobs;   // by id; a deque, so that a job's exchange stays where libcurl was told it is
  std::set<std::pair<std::int64_t, RequestId>> waiting;
  std::map<std::string, Server> servers;
  std::size_t running = 0;
  std::size_t unanswered = 0;
  std::size_t exchanges = 0;
  std::int64_t nextHurried = std::numeric_limits<std::int64_t>::min();
  bool answeredInRound = false;
  std::optional<Clock::time_point> nextReady;  // the earliest retry still waiting for its time

  explicit Engine(InternetClientOptions clientOptions) : options(std::move(clientOptions)) {}
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;
  ~Engine() {
    for (Job& job : jobs) dropExchange(job);
    if (multi != nullptr) curl_multi_cleanup(multi);
    if (model != nullptr) curl_easy_cleanup(model);
  }

  void aim(Job& job, InternetRequest request) {
    job.request = std::move(request);
    job.server = parseServerPart(job.request.server);
    const InternetService service = serviceOf(job.request.open);
    const long port = job.server.port != 0 ? job.server.port : portOf(options.ports, service, job.request.transport);
    job.serverKey = job.server.host;
    for (char& c : job.serverKey) c = lowerAscii(c);
    job.serverKey.append(":").append(std::to_string(port));
    job.address = addressOf(service, job.request.transport, job.request.server, job.request.object);
  }

  void dropExchange(Job& job) {
    if (job.easy == nullptr) return;
    curl_multi_remove_handle(multi, job.easy);
    curl_easy_cleanup(job.easy);
    job.easy = nullptr;
    --running;
    Server& server = servers[job.serverKey];
    if (server.running > 0) --server.running;
  }

  void settle(Job& job, bool reachable, InternetFailure failure) {
    job.state = State::Answered;
    job.answer.reachable = reachable;
    job.answer.failure = reachable ? InternetFailure::None : failure;
    --unanswered;
    answeredInRound = true;
  }

  void requeue(RequestId id, Clock::time_point readyAt) {
    Job& job = jobs[id];
    job.state = State::Waiting;
    job.readyAt = readyAt;
    waiting.emplace(job.order, id);
  }

  bool start(RequestId id) {
    Job& job = jobs[id];
    CURL* easy = curl_easy_duphandle(model);
    if (easy == nullptr) return false;
    const InternetService service = serviceOf(job.request.open);
    std::string url(schemeOf(service, job.request.transport));
    url.append("://").append(job.server.host).push_back('/');
    url.append(encodeObject(job.request.object, service));
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_PORT,
                     job.server.port != 0 ? job.server.port : portOf(options.ports, service, job.request.transport));
    curl_easy_setopt(easy, CURLOPT_PRIVATE, reinterpret_cast<void*>(static_cast<std::uintptr_t>(id)));
    if (job.server.user) {
      curl_easy_setopt(easy, CURLOPT_USERNAME, job.server.user->c_str());
      curl_easy_setopt(easy, CURLOPT_PASSWORD, job.server.password.c_str());
    }
    if (service == InternetService::Http) {
      curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
      curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, onHttpHeader);
      curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, onHttpBody);
    } else {
      curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, ignoreHeader);
      curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, onFirstData);
      // A login alone: a "no body" request of the login folder connects and
      // logs in, with no listing and no file.
      if (job.request.open == InternetOpen::FtpLogin) curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
    }
    job.exchange = Exchange();
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &job.exchange);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &job.exchange);
    if (curl_multi_add_handle(multi, easy) != CURLM_OK) {
      curl_easy_cleanup(easy);
      return false;
    }
    job.easy = easy;
    job.state = State::Running;
    job.visited.push_back(job.address);
    ++job.answer.exchanges;
    ++exchanges;
    ++running;
    ++servers[job.serverKey].running;
    return true;
  }

  // Starts, in order, the waiting requests that may start; answers at once
  // those that need no exchange.
  void startWhatMay() {
    const Clock::time_point now = Clock::now();
    nextReady.reset();
    std::size_t looked = 0;
    for (auto it = waiting.begin(); it != waiting.end() && running < options.maxTransfers && looked < kStartWindow;
         ++looked) {
      const RequestId id = it->second;
      Job& job = jobs[id];
      if (job.after) {
        const Job& first = jobs[*job.after];
        if (first.state != State::Answered) {
          ++it;
          continue;
        }
        if (!first.answer.reachable) {
          it = waiting.erase(it);
          settle(job, false, first.answer.failure);
          continue;
        }
      }
      if (job.readyAt > now) {
        if (!nextReady || job.readyAt < *nextReady) nextReady = job.readyAt;
        ++it;
        continue;
      }
      const bool folder =
          job.request.open == InternetOpen::FtpFile && (job.request.object.empty() || job.request.object.back() == '/');
      Server& server = servers[job.serverKey];
      if (!job.server.valid || folder || server.silent || server.unresolvable) {
        it = waiting.erase(it);
        InternetFailure failure = InternetFailure::TimedOut;
        if (!job.server.valid || server.unresolvable) failure = InternetFailure::NameNotFound;
        if (folder) failure = InternetFailure::FtpRefused;
        settle(job, false, failure);
        continue;
      }
      // A server not heard of yet gets one exchange, so that a name that does
      // not resolve or a host that does not answer costs one wait, not six.
      if (server.running >= (server.tried ? options.maxPerServer : 1)) {
        ++it;
        continue;
      }
      it = waiting.erase(it);
      if (!start(id)) settle(job, false, InternetFailure::NoConnection);
    }
  }

  // Decides about the exchange of `id` that libcurl ended with `code`: an
  // answer, a redirect to follow, or a try again later.
  void finish(RequestId id, CURLcode code) {
    Job& job = jobs[id];
    curl_off_t connectTime = 0;
    curl_easy_getinfo(job.easy, CURLINFO_CONNECT_TIME_T, &connectTime);
    dropExchange(job);
    const Exchange& exchange = job.exchange;
    const InternetService service = serviceOf(job.request.open);
    Server& server = servers[job.serverKey];
    const Clock::time_point now = Clock::now();

    if (service == InternetService::Http && exchange.answered) {
      server.answered = true;
      server.tried = true;
      job.answer.status = exchange.status;
      if (isRedirect(exchange.status) && !exchange.location.empty()) {
        if (const std::optional<Hop> next = redirectTarget(job.address, exchange.location)) {
          const std::string nextAddress = addressOf(InternetService::Http, next->transport, next->server, next->object);
          if (std::find(job.visited.begin(), job.visited.end(), nextAddress) != job.visited.end()) {
            settle(job, false, InternetFailure::RedirectLoop);
          } else if (job.redirects >= kMaxRedirects) {
            settle(job, false, InternetFailure::TooManyRedirects);
          } else {
            ++job.redirects;
            aim(job, {InternetOpen::HttpGet, next->transport, next->server, next->object});
            requeue(id, now);
          }
          return;
        }
      }
      if (exchange.status == 429 && !job.retried) {
        const std::optional<std::chrono::seconds> delay = retryAfterDelay(exchange.retryAfter);
        if (delay && *delay <= kMaxRetryAfter) {
          job.retried = true;
          requeue(id, now + *delay);
          return;
        }
      }
      if (exchange.status == 404) return settle(job, false, InternetFailure::NotFound);
      if (exchange.status == 410) return settle(job, false, InternetFailure::Gone);
      return settle(job, true, InternetFailure::None);
    }

    bool reached = false;
    InternetFailure failure = failureOf(code, service);
    switch (job.request.open) {
      case InternetOpen::HttpGet: break;
      case InternetOpen::FtpLogin: reached = code == CURLE_OK; break;
      case InternetOpen::FtpFile:
        // An empty file completes at once; any other is stopped at its first bytes.
        reached = code == CURLE_OK || (code == CURLE_WRITE_ERROR && exchange.dataArrived);
        break;
      case InternetOpen::GopherItem:
        reached = exchange.dataArrived && exchange.firstByte != '3';
        if (exchange.dataArrived || code == CURLE_OK || code == CURLE_GOT_NOTHING)
          failure = InternetFailure::GopherError;
        break;
    }
    if (reached) {
      server.answered = true;
      server.tried = true;
      return settle(job, true, InternetFailure::None);
    }
    const bool connected = connectTime > 0;
    const bool reset = code == CURLE_RECV_ERROR || code == CURLE_SEND_ERROR;
    const bool connectTimedOut = code == CURLE_OPERATION_TIMEDOUT && !connected;
    if ((reset || connectTimedOut) && !job.retried) {
      job.retried = true;
      requeue(id, now + options.retryDelay);
      return;
    }
    server.tried = true;
    if (!isSilence(failure)) server.answered = true;
    if (code == CURLE_OPERATION_TIMEDOUT && !server.answered) server.silent = true;
    if (failure == InternetFailure::NameNotFound) server.unresolvable = true;
    settle(job, false, failure);
  }

  void collectFinished() {
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(multi, &left)) {
      if (message->msg != CURLMSG_DONE) continue;
      char* privateData = nullptr;
      curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &privateData);
      const CURLcode code = message->data.result;
      finish(static_cast<RequestId>(reinterpret_cast<std::uintptr_t>(privateData)), code);
    }
  }
};

// ---- InternetClient ----

InternetClient::InternetClient(InternetClientOptions options) : options_(std::move(options)) {}

InternetClient::~InternetClient() = default;
InternetClient::InternetClient(InternetClient&& other) noexcept = default;
InternetClient& InternetClient::operator=(InternetClient&& other) noexcept = default;

bool InternetClient::isOpen() const { return engine_ != nullptr; }

bool InternetClient::open() {
  if (engine_ != nullptr) return true;
  if (!libcurlReady()) return false;
  auto engine = std::make_unique<Engine>(options_);
  engine->options.maxTransfers = std::max<std::size_t>(engine->options.maxTransfers, 1);
  engine->options.maxPerServer = std::max<std::size_t>(engine->options.maxPerServer, 1);
  engine->multi = curl_multi_init();
  CURL* easy = curl_easy_init();
  engine->model = easy;
  if (engine->multi == nullptr || easy == nullptr) return false;

  curl_easy_setopt(easy, CURLOPT_USERAGENT, std::string(kInternetAgent).c_str());
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, milliseconds(options_.connectTimeout));
  curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, milliseconds(options_.requestTimeout));
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https,ftp,gopher");
  // A TLS server must prove who it is; one that cannot is not reachable.
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
  if (!options_.trustedCertificates.empty()) {
    curl_easy_setopt(easy, CURLOPT_CAINFO, options_.trustedCertificates.c_str());
  }
  // Redirects are followed here, one exchange each, so that every hop waits
  // its turn at its own server.
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  // The object goes to the server as written, "../" included.
  curl_easy_setopt(easy, CURLOPT_PATH_AS_IS, 1L);
  // One RETR of the whole path, as the name stands, rather than a CWD per folder.
  curl_easy_setopt(easy, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_NOCWD));
  // An empty proxy name turns off the one the environment names.
  if (!options_.environmentProxy) curl_easy_setopt(easy, CURLOPT_PROXY, "");

  engine_ = std::move(engine);
  return true;
}

void InternetClient::close() { engine_.reset(); }

void InternetClient::setMaxTransfers(std::size_t count) {
  options_.maxTransfers = std::max<std::size_t>(count, 1);
  if (engine_ != nullptr) engine_->options.maxTransfers = options_.maxTransfers;
}

InternetClient::RequestId InternetClient::submit(InternetRequest request, std::int64_t order,
                                                 std::optional<RequestId> after) {
  if (engine_ == nullptr) return kClosedRequest;
  Engine& engine = *engine_;
  const RequestId id = engine.jobs.size();
  Engine::Job& job = engine.jobs.emplace_back();
  engine.aim(job, std::move(request));
  job.order = order;
  if (after && *after < id) job.after = after;
  ++engine.unanswered;
  engine.waiting.emplace(order, id);
  return id;
}

void InternetClient::hurry(RequestId id) {
  if (engine_ == nullptr || id >= engine_->jobs.size()) return;
  Engine& engine = *engine_;
  Engine::Job& job = engine.jobs[id];
  if (job.state != Engine::State::Waiting) return;
  engine.waiting.erase({job.order, id});
  job.order = engine.nextHurried++;
  engine.waiting.emplace(job.order, id);
  if (job.after) hurry(*job.after);
}

void InternetClient::run(std::chrono::milliseconds wait) {
  if (engine_ == nullptr) return;
  Engine& engine = *engine_;
  const Clock::time_point deadline = Clock::now() + wait;
  engine.answeredInRound = false;
  for (;;) {
    engine.startWhatMay();
    int active = 0;
    curl_multi_perform(engine.multi, &active);
    engine.collectFinished();
    if (engine.answeredInRound) {
      // What the answers let start goes now, not at the next call.
      engine.startWhatMay();
      curl_multi_perform(engine.multi, &active);
      return;
    }
    const Clock::time_point now = Clock::now();
    if (now >= deadline || engine.unanswered == 0) return;
    Clock::time_point until = deadline;
    if (engine.nextReady && *engine.nextReady < until) until = *engine.nextReady;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - now).count();
    curl_multi_poll(engine.multi, nullptr, 0, static_cast<int>(std::max<long long>(left, 1)), nullptr);
  }
}

const InternetAnswer* InternetClient::answer(RequestId id) const {
  static const InternetAnswer kNotOpen{false, 0, InternetFailure::NotOpen, 0};
  if (id == kClosedRequest) return &kNotOpen;
  if (engine_ == nullptr || id >= engine_->jobs.size()) return nullptr;
  const Engine::Job& job = engine_->jobs[id];
  return job.state == Engine::State::Answered ? &job.answer : nullptr;
}

void InternetClient::cancelAll() {
  if (engine_ == nullptr) return;
  Engine& engine = *engine_;
  engine.waiting.clear();
  for (Engine::Job& job : engine.jobs) {
    if (job.state == Engine::State::Answered) continue;
    engine.dropExchange(job);
    engine.settle(job, false, InternetFailure::Stopped);
  }
}

std::size_t InternetClient::outstanding() const { return engine_ == nullptr ? 0 : engine_->unanswered; }

std::size_t InternetClient::exchangesSent() const { return engine_ == nullptr ? 0 : engine_->exchanges; }

}  // namespace quillorn::platform
