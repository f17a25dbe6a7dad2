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
// service than the one the connection was made for fails (http and https are
// one service, HTTP). What counts as reachable per scheme, and the time-outs,
// are those of platform::InternetClient.
//
// Known limits: one connection is kept, so URLs that alternate between servers
// connect anew each time; a failed open is never retried.

#include <cstddef>
#include <string>
#include <string_view>

#include "core/model/progress_panel.h"
#include "platform/internet_client.h"

namespace quillorn {

inline constexpr std::string_view kCheckingUrlLine = "Checking the URL in the Internet...";

// The longest last server name kept; a longer server part is remembered cut
// to this length (it could not be resolved anyway).
inline constexpr std::size_t kMaxServerNameLength = 263;

class InternetSession {
 public:
  // The program's session: ports 80, 21 and 70, the environment's proxy.
  InternetSession() = default;
  // Tests only: other ports (servers of their own on loopback) and no proxy.
  explicit InternetSession(const platform::InternetClientOptions& options);

  // Opens the client handle, starting with no connection and no last server
  // name; false when it could not be opened. An open handle is kept.
  bool open();
  // Closes the connection and the handle and forgets the last server name.
  void close();
  bool isOpen() const { return client_.isOpen(); }
  const std::string& lastServerName() const { return lastServer_; }
  void clearLastServerName() { lastServer_.clear(); }

  // Writes "Checking the URL in the Internet..." to `panel`, then tells whether
  // `url` could be opened. Without an open handle nothing is reachable.
  bool checkInternetUrl(ProgressPanel& panel, std::string_view url);

  // How many times a client handle was opened, and how many connections were
  // made through one (failed ones included), over the session's life.
  std::size_t handlesOpened() const { return handlesOpened_; }
  std::size_t connectionsMade() const { return connectionsMade_; }

 private:
  platform::InternetClient client_;
  platform::InternetConnection connection_;
  std::string lastServer_;
  std::size_t handlesOpened_ = 0;
  std::size_t connectionsMade_ = 0;
};

}  // namespace quillorn
