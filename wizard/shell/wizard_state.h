#pragma once
// What the wizard's pages share for the whole run: the options, the file list,
// the two tables the search fills and the Internet session it uses. The frame
// owns one and hands it to every page.

#include "core/files/file_list.h"
#include "core/search/internet_check.h"
#include "core/search/saved_from_table.h"
#include "core/model/url_table.h"
#include "core/settings/settings.h"

namespace quillorn::wizard {

struct WizardState {
  Settings settings;
  FileList files;
  UrlTable urls;
  SavedFromTable savedFrom;
  InternetSession internet;
};

}  // namespace quillorn::wizard
