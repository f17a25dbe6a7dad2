#include "core/search/internet_check.h"

namespace quillorn {

bool InternetSession::open() {
  open_ = false;
  return open_;
}

void InternetSession::close() {
  open_ = false;
  lastServer_.clear();
}

bool InternetSession::checkInternetUrl(ProgressPanel& panel, std::string_view /*url*/) {
  panel.appendStatusLine(kCheckingUrlLine);
  // Without a client handle no connection can be made.
  return false;
}

}  // namespace quillorn
