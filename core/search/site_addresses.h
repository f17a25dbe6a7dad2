#pragma once
// The site's own addresses: where on the Internet its pages say they live.
// A page's <link rel="canonical"> and a saved page's "saved from url" comment
// each tie one page of the list to one Internet address. Such an address
// names a server of the site's own and, where the address and the page's path
// end alike, the address of a folder of the site: a page at \site\a\b.html
// whose canonical address is https://own/x/a/b.html puts \site\ at
// https://own/x/. The addresses of the options (Settings::siteAddresses) name
// servers and folders too, each standing for the folder the site was given
// as, and so does the root of an own server that no address places.
//
// Known limits: servers compare by host and port (the scheme's default port
// dropped) ignoring ASCII case and the scheme, so http and https of one host
// are one server, and "www.example.org" and "example.org" are two; paths
// compare ignoring ASCII case, as the file list does; a folder's address
// without its closing '/' (https://own/x) names no file.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/files/file_list.h"
#include "core/search/saved_from_table.h"
#include "core/settings/settings.h"

namespace quillorn {

// A page's address as its <link rel="canonical"> gives it (as read, decoded
// when the search decodes URLs), with the LINK tag that gives it.
struct PageAddress {
  std::int32_t fileIndex = 0;
  std::int64_t tagPos = 0;
  std::string url;
};

// What the search learns of the site's own addresses as it reads the pages,
// and the folder that the addresses of the options stand for.
class SiteAddresses {
 public:
  // The folder (path text) the site was given as; set by the search's owner
  // and kept by clear(). Empty: the addresses of the options place no folder.
  void setSiteFolder(std::string folder) { siteFolder_ = std::move(folder); }
  const std::string& siteFolder() const { return siteFolder_; }

  // Forgets the canonical addresses of the last search.
  void clear();
  void addCanonical(PageAddress address);
  // Adds the canonical addresses `later` collected apart, in its order.
  void takeFrom(SiteAddresses&& later);
  const std::vector<PageAddress>& canonical() const { return canonical_; }
  // Whether the tag at `tagPos` of file `fileIndex` gave a canonical address:
  // that link is the page's own name and stays as it is written.
  bool isCanonicalTag(std::int32_t fileIndex, std::int64_t tagPos) const;

 private:
  std::string siteFolder_;
  std::vector<PageAddress> canonical_;
  std::unordered_set<std::uint64_t> canonicalTags_;  // file index and tag position
};

// An absolute Internet URL's server (host and port, the scheme's default
// port dropped, ASCII letters in small case) and path (from its first '/' up
// to its query or fragment; "/" when it has none); nothing when it has no
// "://" or no host.
struct UrlParts {
  std::string server;
  std::string path;
};
std::optional<UrlParts> urlParts(std::string_view url);

// Where the Internet URLs of the own servers lead in the site, built once
// from what a search found and the options.
class SiteMap {
 public:
  SiteMap(const Settings& settings, const FileList& files, const SavedFromTable& savedFrom,
          const SiteAddresses& addresses);

  bool empty() const { return roots_.empty(); }
  // Whether `url` (an absolute Internet URL) is on one of the site's own servers.
  bool isOwn(std::string_view url) const;
  // The path text that `url` names below the deepest folder of its server
  // that holds it: ending in '\' when the URL's path ends in '/'. Nothing when
  // the server is no own one or none of its folders holds the URL.
  std::optional<std::string> localPath(std::string_view url) const;

 private:
  struct Root {
    std::string urlFolder;    // the path of the folder's address, from '/' to '/', folded
    std::string localFolder;  // path text ending in '\'
  };
  void addPage(std::string_view url, std::string_view pagePath);
  void addRoot(const std::string& server, Root root);

  // By server; each server's folders deepest first. An own server that no
  // address places has its root at the site's folder, or, without one, no
  // folder at all.
  std::unordered_map<std::string, std::vector<Root>> roots_;
};

}  // namespace quillorn
