#pragma once
// The reachability check of "http://", "https://", "ftp://" and "gopher://"
// URLs, with the client handle the search opens and closes and the one
// connection it keeps to the last server named.
//
// A URL's server part is the text after the scheme prefix up to the first "/"
// (with any user name and port written there); its object part is the text
// after that "/". One connection is kept, to the last server part checked: a
// URL on another server (compared ignoring ASCII case) replaces it, a URL on
// the same server reuses it whatever its scheme, and an open of another
// service than the one the connection was made for fails without being sent
// (http and https are one service, HTTP). Connecting for FTP logs in; a
// failed login leaves the following FTP URLs on that server unreachable.
//
// The rule is replayed here, without the network, to tell which request each
// check needs; the requests themselves run side by side in the client, each
// distinct one once per search (the key: the request's kind, the server part
// ignoring case, the scheme and the object; an FTP file also waits for its
// server's login). The answers come back in the order of the checks, so the
// findings and status lines are those of checking one URL at a time. A search
// can let the session see its URLs ahead of time (Prefetch), so that their
// requests are under way before the check that needs them. What counts as
// reachable per scheme, and the time-outs, are those of
// platform::InternetClient.
//
// Known limits: answers are kept for one search only; checks poll the
// panel's stop key at least every kCheckPollInterval (every kCheckWaitSlice
// while one waits), and once stopped the session answers every later check
// "not reachable" without a line until it is opened again.

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/model/progress_panel.h"
#include "platform/internet_client.h"

namespace quillorn {

inline constexpr std::string_view kCheckingUrlLine = "Checking the URL in the Internet...";

// The longest last server name kept; a longer server part is remembered cut
// to this length (it could not be resolved anyway).
inline constexpr std::size_t kMaxServerNameLength = 263;

// The longest the checks go without asking the panel whether to stop (which
// also lets a window repaint), and how long a check that waits lets the
// requests run between two looks at its answer.
inline constexpr std::chrono::milliseconds kCheckPollInterval{40};
inline constexpr std::chrono::milliseconds kCheckWaitSlice{20};

// How one check of a URL came out.
struct InternetOutcome {
  bool reachable = false;
  int status = 0;  // HTTP: the status of the last answer; 0 when none came
  platform::InternetFailure failure = platform::InternetFailure::None;
};

// A URL as it was checked, one outcome, and how many checks came to it.
struct CheckedUrl {
  std::string url;
  InternetOutcome outcome;
  std::size_t occurrences = 0;
};

class InternetSession {
 public:
  // The program's session: ports 80, 21 and 70, the environment's proxy.
  InternetSession() = default;
  // Tests only: other ports (servers of their own on loopback) and no proxy.
  explicit InternetSession(const platform::InternetClientOptions& options);

  // How many requests may be under way at one time (at least 1); 1 asks for
  // them one after another, in the order of the checks.
  void setConnectionLimit(std::size_t count) { client_.setMaxTransfers(count); }

  // Opens the client handle, starting with no connection, no last server
  // name and no answers; false when it could not be opened. An open handle
  // is kept.
  bool open();
  // Closes the connection and the handle (every request still under way
  // with it) and forgets the last server name.
  void close();
  bool isOpen() const { return client_.isOpen(); }
  const std::string& lastServerName() const { return live_.lastServer; }
  void clearLastServerName() { live_.lastServer.clear(); }

  // Writes "Checking the URL in the Internet..." to `panel`, then tells whether
  // `url` could be opened. Without an open handle nothing is reachable. While
  // the answer is awaited, and when the last poll is kCheckPollInterval ago,
  // `panel` is polled for a stop; a stop ends every request under way and
  // makes this and every later check "not reachable".
  bool checkInternetUrl(ProgressPanel& panel, std::string_view url);

  // While one lives, checkInternetUrl only replays the rule for the URL (from
  // a state of its own, which starts afresh) and queues what it will need, in
  // that order: no line, nothing awaited, and every URL "reachable".
  class Prefetch {
   public:
    explicit Prefetch(InternetSession& session);
    ~Prefetch();
    Prefetch(const Prefetch&) = delete;
    Prefetch& operator=(const Prefetch&) = delete;

   private:
    InternetSession& session_;
  };
  // Starts what may start and moves the requests under way on, without waiting.
  void pump() { client_.run(std::chrono::milliseconds(0)); }

  // Whether a check was stopped since the session was opened.
  bool stopped() const { return stopped_; }
  // Every URL checked since the session was opened, with its outcome, in the
  // order first checked (a URL whose checks came out differently has one
  // item per outcome).
  const std::vector<CheckedUrl>& checkedUrls() const { return checked_; }

  // How many times a client handle was opened, and how many connections were
  // made through one (failed ones included), over the session's life; the
  // distinct requests asked for and the exchanges sent since it was opened.
  std::size_t handlesOpened() const { return handlesOpened_; }
  std::size_t connectionsMade() const { return connectionsMade_; }
  std::size_t requestsMade() const { return requests_.size(); }
  std::size_t exchangesSent() const { return client_.exchangesSent(); }

 private:
  using RequestId = platform::InternetClient::RequestId;

  // The connection the rule keeps, as replayed.
  struct Connection {
    bool made = false;
    platform::InternetService service = platform::InternetService::Http;
    std::string server;  // as the URL that made it wrote it
    std::optional<RequestId> login;
  };
  struct Replay {
    std::string lastServer;
    Connection connection;
  };
  // What the rule makes of one URL: not an Internet URL, unreachable with
  // nothing to ask, or the request whose answer decides.
  struct Step {
    bool internetUrl = false;
    platform::InternetFailure failure = platform::InternetFailure::None;
    std::optional<RequestId> request;
  };

  Step advance(Replay& replay, std::string_view url);
  RequestId requestFor(const platform::InternetRequest& request, std::optional<RequestId> after);
  const platform::InternetAnswer* await(ProgressPanel& panel, RequestId id);
  void note(std::string_view url, const InternetOutcome& outcome);
  void forget();

  platform::InternetClient client_;
  Replay live_;
  Replay plan_;
  bool prefetching_ = false;
  bool stopped_ = false;
  std::chrono::steady_clock::time_point lastPoll_{};
  std::int64_t nextOrder_ = 0;
  std::unordered_map<std::string, RequestId> requests_;
  std::vector<CheckedUrl> checked_;
  std::unordered_map<std::string, std::size_t> checkedIndex_;
  std::size_t handlesOpened_ = 0;
  std::size_t connectionsMade_ = 0;
};

}  // namespace quillorn
