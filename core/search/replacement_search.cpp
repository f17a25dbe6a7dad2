#include "core/search/replacement_search.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "core/search/url_classifier.h"
#include "core/text/ascii.h"

namespace quillorn {
namespace {

constexpr bool isSeparator(char c) { return c == '\\' || c == '/'; }

// The folder names of a path (every component but the last), in order.
std::vector<std::string_view> folderNames(std::string_view path) {
  std::vector<std::string_view> names;
  std::size_t start = 0;
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (!isSeparator(path[i])) continue;
    if (i > start) names.push_back(path.substr(start, i - start));
    start = i + 1;
  }
  return names;
}

// How many folder names the two lists end with alike.
std::size_t commonTail(const std::vector<std::string_view>& a, const std::vector<std::string_view>& b) {
  std::size_t n = 0;
  while (n < a.size() && n < b.size() && equalsIgnoreAsciiCase(a[a.size() - 1 - n], b[b.size() - 1 - n])) ++n;
  return n;
}

// How many folder names the two lists begin with alike.
std::size_t commonHead(const std::vector<std::string_view>& a, const std::vector<std::string_view>& b) {
  std::size_t n = 0;
  while (n < a.size() && n < b.size() && equalsIgnoreAsciiCase(a[n], b[n])) ++n;
  return n;
}

// The names a folder's address stands for.
constexpr std::array<std::string_view, 2> kIndexNames = {"index.html", "index.htm"};

}  // namespace

std::int64_t sameNameTarget(const FileList& files, std::string_view linkPath, std::size_t pageIndex) {
  const std::span<const std::size_t> same = files.sameNameEntries(linkPath);
  if (same.empty()) return -1;
  if (same.size() == 1) return static_cast<std::int64_t>(same.front());

  std::string link(linkPath);
  if (!collapseDotDotSegments(link)) link = linkPath;
  const std::vector<std::string_view> linkFolders = folderNames(link);
  const std::vector<std::string_view> pageFolders = folderNames(files.path(pageIndex));
  std::size_t best = same.front();
  std::size_t bestTail = 0;
  std::size_t bestClimbs = 0;
  bool first = true;
  for (const std::size_t index : same) {
    const std::vector<std::string_view> folders = folderNames(files.path(index));
    const std::size_t tail = commonTail(linkFolders, folders);
    const std::size_t climbs = pageFolders.size() - commonHead(pageFolders, folders);
    if (first || tail > bestTail || (tail == bestTail && climbs < bestClimbs)) {
      best = index;
      bestTail = tail;
      bestClimbs = climbs;
      first = false;
    }
  }
  return static_cast<std::int64_t>(best);
}

std::int64_t ownPageTarget(const FileList& files, const SiteMap& site, std::string_view url, std::size_t pageIndex) {
  if (!site.isOwn(url)) return -1;
  if (const std::optional<std::string> local = site.localPath(url)) {
    if (local->empty() || local->back() == '\\') {
      for (const std::string_view name : kIndexNames) {
        if (const std::int64_t index = files.findByPath(*local + std::string(name)); index >= 0) return index;
      }
      return -1;
    }
    if (const std::int64_t index = files.findByPath(*local); index >= 0) return index;
    return sameNameTarget(files, *local, pageIndex);
  }
  const std::optional<UrlParts> parts = urlParts(url);
  return parts ? sameNameTarget(files, parts->path, pageIndex) : -1;
}

void proposeOwnPages(SearchContext& context) {
  if (!context.settings.findReplacements) return;
  UrlTable& urls = context.urls;
  const auto unproposed = [](const UrlEntry& entry) { return entry.internetUrl && entry.target < 0; };
  if (std::none_of(urls.entries().begin(), urls.entries().end(), unproposed)) return;
  const SiteMap site(context.settings, context.files, context.savedFrom, context.siteAddresses);
  if (site.empty()) return;
  for (std::size_t i = 0; i < urls.count(); ++i) {
    const UrlEntry& entry = urls.entry(i);
    if (!unproposed(entry) || context.siteAddresses.isCanonicalTag(entry.fileIndex, entry.tagPos)) continue;
    // The entry holds the URL as recorded: its path, then query and fragment.
    const std::size_t pathEnd = std::min(entry.url.find_first_of("?#"), entry.url.size());
    const std::string_view path = std::string_view(entry.url).substr(0, pathEnd);
    const std::string_view suffix = std::string_view(entry.url).substr(pathEnd);
    // As the check asks for them: "//host/" as https, "www." as http.
    std::string absolute;
    if (path.starts_with("//")) {
      absolute = "https:" + std::string(path);
    } else if (path.find("://") == std::string_view::npos) {
      absolute = "http://" + std::string(path);
    } else {
      absolute = path;
    }
    const auto page = static_cast<std::size_t>(entry.fileIndex);
    const std::int64_t target = ownPageTarget(context.files, site, absolute, page);
    if (target < 0) continue;
    urls.setProposal(
        i, static_cast<std::int32_t>(target),
        targetReplacement(context, static_cast<std::size_t>(target), entry.fileIndex, suffix, entry.opening));
  }
}

}  // namespace quillorn
