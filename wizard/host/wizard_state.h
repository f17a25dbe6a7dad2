#pragma once
// What the wizard's pages share for the whole run: the options, the file list
// with the folders and files it was built from, the two tables the search
// fills and the Internet session it uses, and the lock on the site's folders.
// The frame owns one and hands it to every page.
//
// The lock is one run at a time on the site, shared with quillorn-cli and the
// companion: the search page takes it for the folders and files added on
// page 2, and it is held through the results and deletion pages to the end of
// the rewriting; going back to the search options, or the end of the
// rewriting, gives it up.

#include <vector>

#include "core/files/file_list.h"
#include "core/files/site_lock.h"
#include "core/model/url_table.h"
#include "core/search/internet_check.h"
#include "core/search/saved_from_table.h"
#include "core/settings/settings.h"

namespace quillorn::wizard {

struct WizardState {
  Settings settings;
  FileList files;
  // What page 2 added the files from: folders with or without their
  // subfolders, and the folders of files added singly. The rewriting writes
  // only inside them.
  std::vector<SiteRoot> siteRoots;
  SiteLock siteLock;
  UrlTable urls;
  SavedFromTable savedFrom;
  InternetSession internet;
};

}  // namespace quillorn::wizard
