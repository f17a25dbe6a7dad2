#include "core/search/site_addresses.h"

#include <algorithm>
#include <utility>

#include "core/text/ascii.h"
#include "core/text/url_transforms.h"

namespace quillorn {
namespace {

// The port a scheme is served on when the URL names none.
std::string_view defaultPort(std::string_view scheme) {
  if (scheme == "http") return "80";
  if (scheme == "https") return "443";
  if (scheme == "ftp") return "21";
  if (scheme == "gopher") return "70";
  return {};
}

// A component of a path and where it starts.
struct Component {
  std::string_view text;
  std::size_t start = 0;
};

// The non-empty components between `separator`s.
std::vector<Component> componentsOf(std::string_view path, char separator) {
  std::vector<Component> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find(separator, start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) parts.push_back({path.substr(start, end - start), start});
    start = end + 1;
  }
  return parts;
}

std::string withClosingSlash(std::string text, char slash) {
  if (text.empty() || text.back() != slash) text.push_back(slash);
  return text;
}

// One key for a tag of a file: file indices stay below 2^24 (a search takes
// at most 65535 files), tag positions below 2^40 (no file read is that large).
std::uint64_t tagKey(std::int32_t fileIndex, std::int64_t tagPos) {
  return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(fileIndex)) << 40) ^ static_cast<std::uint64_t>(tagPos);
}

}  // namespace

void SiteAddresses::clear() {
  canonical_.clear();
  canonicalTags_.clear();
}

void SiteAddresses::addCanonical(PageAddress address) {
  canonicalTags_.insert(tagKey(address.fileIndex, address.tagPos));
  canonical_.push_back(std::move(address));
}

void SiteAddresses::takeFrom(SiteAddresses&& later) {
  for (PageAddress& address : later.canonical_) addCanonical(std::move(address));
  later.clear();
}

bool SiteAddresses::isCanonicalTag(std::int32_t fileIndex, std::int64_t tagPos) const {
  return canonicalTags_.contains(tagKey(fileIndex, tagPos));
}

std::optional<UrlParts> urlParts(std::string_view url) {
  const std::size_t schemeEnd = url.find("://");
  if (schemeEnd == std::string_view::npos || schemeEnd == 0) return std::nullopt;
  const std::string scheme = asciiLowerCopy(url.substr(0, schemeEnd));
  const std::size_t hostStart = schemeEnd + 3;
  std::size_t hostEnd = url.find_first_of("/?#", hostStart);
  if (hostEnd == std::string_view::npos) hostEnd = url.size();
  std::string_view authority = url.substr(hostStart, hostEnd - hostStart);
  if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos) authority.remove_prefix(at + 1);
  UrlParts parts;
  parts.server = asciiLowerCopy(authority);
  // A port after the host (not a ':' inside a bracketed IPv6 address).
  const std::size_t colon = parts.server.rfind(':');
  if (colon != std::string::npos && parts.server.find(']', colon) == std::string::npos) {
    const std::string_view port = std::string_view(parts.server).substr(colon + 1);
    if (port.empty() || port == defaultPort(scheme)) parts.server.resize(colon);
  }
  if (parts.server.empty()) return std::nullopt;
  std::size_t pathEnd = url.find_first_of("?#", hostEnd);
  if (pathEnd == std::string_view::npos) pathEnd = url.size();
  parts.path = hostEnd < url.size() && url[hostEnd] == '/' ? std::string(url.substr(hostEnd, pathEnd - hostEnd)) : "/";
  return parts;
}

SiteMap::SiteMap(const Settings& settings, const FileList& files, const SavedFromTable& savedFrom,
                 const SiteAddresses& addresses) {
  for (std::size_t i = 0; i < savedFrom.count(); ++i) {
    const SavedFromEntry& entry = savedFrom.entry(i);
    addPage(entry.savedUrl, files.path(static_cast<std::size_t>(entry.savedFileIndex)));
  }
  for (const PageAddress& address : addresses.canonical()) {
    addPage(address.url, files.path(static_cast<std::size_t>(address.fileIndex)));
  }
  // The options' addresses are typed as a browser shows them; decoded as the
  // search decodes what it reads, so they compare alike.
  std::vector<std::string> unplaced;
  for (const std::string& typed : settings.siteAddresses) {
    std::string address = typed;
    if (settings.convertCodedChars) decodeUrl(address);
    const std::optional<UrlParts> parts = urlParts(address);
    if (!parts) continue;
    if (addresses.siteFolder().empty()) {
      roots_.try_emplace(parts->server);
      continue;
    }
    addRoot(parts->server,
            {asciiUpperCopy(withClosingSlash(parts->path, '/')), withClosingSlash(addresses.siteFolder(), '\\')});
  }
  // A server that no address places has its root at the site's folder.
  if (addresses.siteFolder().empty()) return;
  for (auto& [server, roots] : roots_) {
    if (roots.empty()) roots.push_back({"/", withClosingSlash(addresses.siteFolder(), '\\')});
  }
}

void SiteMap::addPage(std::string_view url, std::string_view pagePath) {
  const std::optional<UrlParts> parts = urlParts(url);
  if (!parts) return;
  roots_.try_emplace(parts->server);
  const std::vector<Component> local = componentsOf(pagePath, '\\');
  std::vector<Component> remote = componentsOf(parts->path, '/');
  if (local.empty()) return;
  // The address of a folder stands for its index page.
  const std::string_view fileName = local.back().text;
  if (parts->path.back() == '/' && startsWithIgnoreAsciiCase(fileName, "index.")) remote.push_back({fileName, 0});
  // The path's end that both name alike.
  std::size_t common = 0;
  while (common < local.size() && common < remote.size() &&
         equalsIgnoreAsciiCase(local[local.size() - 1 - common].text, remote[remote.size() - 1 - common].text)) {
    ++common;
  }
  if (common == 0) return;
  std::string urlFolder = "/";
  for (std::size_t i = 0; i + common < remote.size(); ++i) urlFolder.append(remote[i].text).push_back('/');
  const std::string localFolder(pagePath.substr(0, local[local.size() - common].start));
  addRoot(parts->server, {asciiUpperCopy(urlFolder), localFolder});
}

void SiteMap::addRoot(const std::string& server, Root root) {
  std::vector<Root>& roots = roots_[server];
  for (const Root& known : roots) {
    if (known.urlFolder == root.urlFolder) return;  // the first address to place a folder places it
  }
  // Deepest first; among equals, in the order found.
  const auto at = std::find_if(roots.begin(), roots.end(),
                               [&](const Root& known) { return known.urlFolder.size() < root.urlFolder.size(); });
  roots.insert(at, std::move(root));
}

bool SiteMap::isOwn(std::string_view url) const {
  const std::optional<UrlParts> parts = urlParts(url);
  return parts && roots_.contains(parts->server);
}

std::optional<std::string> SiteMap::localPath(std::string_view url) const {
  const std::optional<UrlParts> parts = urlParts(url);
  if (!parts) return std::nullopt;
  const auto found = roots_.find(parts->server);
  if (found == roots_.end()) return std::nullopt;
  const std::string folded = asciiUpperCopy(parts->path);
  for (const Root& root : found->second) {
    if (!folded.starts_with(root.urlFolder)) continue;
    std::string path = root.localFolder;
    for (const char c : std::string_view(parts->path).substr(root.urlFolder.size()))
      path.push_back(c == '/' ? '\\' : c);
    return path;
  }
  return std::nullopt;
}

}  // namespace quillorn
