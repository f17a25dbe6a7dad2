#pragma once
// Everything one search works with: the options, the file list, the tables it
// fills, the Internet session, the panel it reports to, what it learns of
// the site's own addresses and the anchors of its pages. The repair
// (core/repair/repair.h) builds one over what it holds for each search.
//
// Known limits: it holds references only; everything it names must outlive
// the search.

#include <cstddef>
#include <string>
#include <vector>

#include "core/files/file_list.h"
#include "core/model/progress_panel.h"
#include "core/model/url_table.h"
#include "core/search/internet_check.h"
#include "core/search/page_anchors.h"
#include "core/search/saved_from_table.h"
#include "core/search/site_addresses.h"
#include "core/settings/settings.h"

namespace quillorn {

// An Internet URL recorded before every "saved from url" address was known:
// its entry proposes deletion until the saved-from table is asked.
struct SavedFromLookup {
  std::size_t entry = 0;        // the entry's index in the table it was recorded in
  std::string requested;        // what the saved-from table is asked for
  std::size_t suffixStart = 0;  // where the query and fragment start in the entry's url
};

struct SearchContext {
  const Settings& settings;
  const FileList& files;
  UrlTable& urls;
  SavedFromTable& savedFrom;
  InternetSession& internet;
  ProgressPanel& panel;
  SiteAddresses& siteAddresses;
  PageAnchors& anchors;
  // When set, the saved-from table is not asked while the file is read: the
  // Internet URLs recorded are kept here, to be asked for by
  // proposeSavedFromCopies once the table is complete.
  std::vector<SavedFromLookup>* savedFromLater = nullptr;
};

}  // namespace quillorn
