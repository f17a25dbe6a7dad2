#pragma once
// Where the search points a broken link: at the file a same-name search
// finds, and for an Internet URL of the site's own servers at the page that
// the URL names in the site.
//
// Among several files of one name, the one whose folders end like the
// folders the link names (the longest run of equal folder names, compared
// from the file's folder upwards, ignoring ASCII case) is taken; a tie goes
// to the file fewest folders up from the page, then to the first in list
// order. An Internet URL of another server gets no same-name proposal: a
// page of the same name on someone else's server is another page.
//
// Known limits: only folder names are compared, never content, size or
// date; a URL's query plays no part.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/files/file_list.h"
#include "core/search/search_context.h"
#include "core/search/site_addresses.h"

namespace quillorn {

// The file-list entry of the same name as `linkPath` (path text, or a URL's
// path) that a link of page `pageIndex` is best pointed at; -1 when no entry
// has that name.
std::int64_t sameNameTarget(const FileList& files, std::string_view linkPath, std::size_t pageIndex);

// The page that the Internet URL `url` (absolute, without query and
// fragment) of page `pageIndex` names in the site: the file its path maps
// onto exactly (a folder's address: its index.html or index.htm), else the
// same-name file for the mapped path, or for the URL's own path when no
// folder of the site holds it. -1 when the URL is on no own server or
// nothing fits.
std::int64_t ownPageTarget(const FileList& files, const SiteMap& site, std::string_view url, std::size_t pageIndex);

// Proposes a page of the site for every Internet URL the search recorded
// without a target, when replacements are searched for and the URL is on
// one of the site's own servers; the link of a page's canonical address is
// left as it is written.
void proposeOwnPages(SearchContext& context);

}  // namespace quillorn
