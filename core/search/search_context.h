#pragma once
// Everything one search works with: the options, the file list, the tables it
// fills, the Internet session, the panel it reports to, what it learns of
// the site's own addresses and the anchors of its pages. The repair
// (core/repair/repair.h) builds one over what it holds for each search.
//
// Known limits: it holds references only; everything it names must outlive
// the search.

#include "core/files/file_list.h"
#include "core/model/progress_panel.h"
#include "core/model/url_table.h"
#include "core/search/internet_check.h"
#include "core/search/page_anchors.h"
#include "core/search/saved_from_table.h"
#include "core/search/site_addresses.h"
#include "core/settings/settings.h"

namespace quillorn {

struct SearchContext {
  const Settings& settings;
  const FileList& files;
  UrlTable& urls;
  SavedFromTable& savedFrom;
  InternetSession& internet;
  ProgressPanel& panel;
  SiteAddresses& siteAddresses;
  PageAnchors& anchors;
};

}  // namespace quillorn
