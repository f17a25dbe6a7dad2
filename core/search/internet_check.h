#pragma once
// The reachability check of "http://", "ftp://" and "gopher://" URLs, with the
// client handle the search opens and closes and the one connection it keeps to
// the last server named.
//
// This build has no network client yet: open() fails, as an Internet handle
// that could not be opened does, and every check then reports "not reachable"
// after writing its status line.

#include <string>
#include <string_view>

#include "core/search/progress_panel.h"

namespace quillorn {

inline constexpr std::string_view kCheckingUrlLine = "Checking the URL in the Internet...";

class InternetSession {
 public:
  // Opens the client handle; false when it could not be opened.
  bool open();
  // Closes the connection and the handle and forgets the last server name.
  void close();
  bool isOpen() const { return open_; }
  const std::string& lastServerName() const { return lastServer_; }
  void clearLastServerName() { lastServer_.clear(); }

  // Writes "Checking the URL in the Internet..." to `panel`, then tells whether
  // `url` could be opened.
  bool checkInternetUrl(ProgressPanel& panel, std::string_view url);

 private:
  bool open_ = false;
  std::string lastServer_;
};

}  // namespace quillorn
