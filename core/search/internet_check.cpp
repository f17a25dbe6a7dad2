#include "core/search/internet_check.h"

#include <array>

#include "core/text/ascii.h"

namespace quillorn {
namespace {

using platform::HttpTransport;
using platform::InternetFailure;
using platform::InternetOpen;
using platform::InternetService;

struct InternetScheme {
  std::string_view prefix;
  InternetService service;
  HttpTransport transport = HttpTransport::Plain;
};

constexpr std::array<InternetScheme, 4> kSchemes = {{
    {"http://", InternetService::Http},
    {"https://", InternetService::Http, HttpTransport::Tls},
    {"ftp://", InternetService::Ftp},
    {"gopher://", InternetService::Gopher},
}};

const InternetScheme* schemeOf(std::string_view url) {
  for (const InternetScheme& scheme : kSchemes) {
    if (startsWithIgnoreAsciiCase(url, scheme.prefix)) return &scheme;
  }
  return nullptr;
}

InternetOpen openOf(InternetService service) {
  switch (service) {
    case InternetService::Http: return InternetOpen::HttpGet;
    case InternetService::Ftp: return InternetOpen::FtpFile;
    case InternetService::Gopher: return InternetOpen::GopherItem;
  }
  return InternetOpen::HttpGet;
}

// What makes two requests one: their kind, transport, server part (letter
// case ignored) and object.
std::string requestKey(const platform::InternetRequest& request) {
  std::string key;
  key.reserve(request.server.size() + request.object.size() + 3);
  key.push_back(static_cast<char>('0' + static_cast<int>(request.open)));
  key.push_back(request.transport == HttpTransport::Tls ? 's' : 'p');
  key.append(asciiUpperCopy(request.server));
  key.push_back('\0');
  key.append(request.object);
  return key;
}

}  // namespace

InternetSession::InternetSession(const platform::InternetClientOptions& options) : client_(options) {}

InternetSession::Prefetch::Prefetch(InternetSession& session) : session_(session) {
  session_.plan_ = Replay();
  session_.prefetching_ = true;
}

InternetSession::Prefetch::~Prefetch() { session_.prefetching_ = false; }

void InternetSession::forget() {
  live_ = Replay();
  plan_ = Replay();
  requests_.clear();
  checked_.clear();
  checkedIndex_.clear();
  stopped_ = false;
  nextOrder_ = 0;
  lastPoll_ = std::chrono::steady_clock::now();
}

bool InternetSession::open() {
  if (client_.isOpen()) return true;
  // A new handle has no connection and no answers yet, whatever was named before it.
  forget();
  if (!client_.open()) return false;
  ++handlesOpened_;
  return true;
}

void InternetSession::close() {
  client_.close();
  // The answers go with the handle; what was asked and checked stays
  // readable until the next open.
  live_ = Replay();
  plan_ = Replay();
}

InternetSession::RequestId InternetSession::requestFor(const platform::InternetRequest& request,
                                                       std::optional<RequestId> after) {
  const auto [it, added] = requests_.try_emplace(requestKey(request), RequestId{});
  if (added) it->second = client_.submit(request, nextOrder_++, after);
  return it->second;
}

InternetSession::Step InternetSession::advance(Replay& replay, std::string_view url) {
  Step step;
  const InternetScheme* scheme = schemeOf(url);
  if (scheme == nullptr) return step;
  step.internetUrl = true;

  const std::string_view rest = url.substr(scheme->prefix.size());
  const std::size_t slash = rest.find('/');
  const std::string_view server = rest.substr(0, slash);
  const std::string_view object = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);

  if (!equalsIgnoreAsciiCase(server, replay.lastServer)) {
    replay.connection = Connection();
    // Without a handle no connection can be made; the name is remembered all
    // the same, as it is when the connection fails.
    if (client_.isOpen()) {
      Connection& connection = replay.connection;
      connection.made = true;
      connection.service = scheme->service;
      connection.server = std::string(server);
      // An FTP connection is a logged-in one; HTTP and gopher connect per request.
      if (scheme->service == InternetService::Ftp) {
        connection.login = requestFor({InternetOpen::FtpLogin, HttpTransport::Plain, connection.server, {}}, {});
      }
      if (&replay == &live_) ++connectionsMade_;
    }
    replay.lastServer = std::string(server.substr(0, kMaxServerNameLength));
  }

  const Connection& connection = replay.connection;
  if (!connection.made) {
    step.failure = client_.isOpen() ? InternetFailure::NoConnection : InternetFailure::NotOpen;
    return step;
  }
  // The connection may have been made for another scheme on the same server;
  // the open then fails, as one of the wrong kind does, without a word sent.
  if (connection.service != scheme->service) {
    step.failure = InternetFailure::OtherService;
    return step;
  }
  step.request = requestFor({openOf(scheme->service), scheme->transport, connection.server, std::string(object)},
                            connection.login);
  return step;
}

const platform::InternetAnswer* InternetSession::await(ProgressPanel& panel, RequestId id) {
  client_.hurry(id);
  for (;;) {
    const platform::InternetAnswer* answer = client_.answer(id);
    if (answer == nullptr) {
      client_.run(kCheckWaitSlice);
      answer = client_.answer(id);
    }
    // Answers that each come within a slice must not keep the window from
    // its events for the length of a long page of links.
    const auto now = std::chrono::steady_clock::now();
    if (answer == nullptr || now - lastPoll_ >= kCheckPollInterval) {
      lastPoll_ = now;
      if (panel.pollStopRequest()) {
        stopped_ = true;
        client_.cancelAll();
        return nullptr;
      }
    }
    if (answer != nullptr) return answer;
  }
}

void InternetSession::note(std::string_view url, const InternetOutcome& outcome) {
  std::string key(url);
  key.push_back('\0');
  key.append(outcome.reachable ? "1" : "0").append(std::to_string(outcome.status)).push_back(':');
  key.append(std::to_string(static_cast<int>(outcome.failure)));
  const auto [it, added] = checkedIndex_.try_emplace(std::move(key), checked_.size());
  if (added) checked_.push_back({std::string(url), outcome, 0});
  ++checked_[it->second].occurrences;
}

bool InternetSession::checkInternetUrl(ProgressPanel& panel, std::string_view url) {
  if (prefetching_) {
    advance(plan_, url);
    return true;
  }
  // After a stop the search is ending: nothing more is asked or awaited.
  if (stopped_) return false;
  panel.appendStatusLine(kCheckingUrlLine);

  const Step step = advance(live_, url);
  if (!step.internetUrl) return false;
  InternetOutcome outcome;
  outcome.failure = step.failure;
  if (step.request) {
    const platform::InternetAnswer* answer = await(panel, *step.request);
    if (answer == nullptr) return false;
    outcome = {answer->reachable, answer->status, answer->failure};
  }
  note(url, outcome);
  return outcome.reachable;
}

}  // namespace quillorn
