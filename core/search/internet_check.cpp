#include "core/search/internet_check.h"

#include <array>

#include "core/text/ascii.h"

namespace quillorn {
namespace {

using platform::HttpTransport;
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

}  // namespace

InternetSession::InternetSession(const platform::InternetClientOptions& options) : client_(options) {}

bool InternetSession::open() {
  if (client_.isOpen()) return true;
  // A new handle has no connection yet, whatever was named before it.
  connection_.close();
  lastServer_.clear();
  if (!client_.open()) return false;
  ++handlesOpened_;
  return true;
}

void InternetSession::close() {
  connection_.close();
  client_.close();
  lastServer_.clear();
}

bool InternetSession::checkInternetUrl(ProgressPanel& panel, std::string_view url) {
  panel.appendStatusLine(kCheckingUrlLine);

  const InternetScheme* scheme = schemeOf(url);
  if (scheme == nullptr) return false;

  const std::string_view rest = url.substr(scheme->prefix.size());
  const std::size_t slash = rest.find('/');
  const std::string_view server = rest.substr(0, slash);
  const std::string_view object = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);

  if (!equalsIgnoreAsciiCase(server, lastServer_)) {
    connection_.close();
    // Without a handle no connection can be made; the name is remembered all
    // the same, as it is when the connection fails.
    if (client_.isOpen()) {
      connection_ = client_.connect(server, scheme->service);
      ++connectionsMade_;
    }
    lastServer_ = std::string(server.substr(0, kMaxServerNameLength));
  }
  if (!connection_.isOpen()) return false;

  // The connection may have been made for another scheme on the same server;
  // the open then fails as one of the wrong kind does.
  switch (scheme->service) {
    case InternetService::Http: return connection_.sendHttpRequest(object, scheme->transport);
    case InternetService::Ftp: return connection_.openFtpFile(object);
    case InternetService::Gopher: return connection_.openGopherItem(object);
  }
  return false;
}

}  // namespace quillorn
