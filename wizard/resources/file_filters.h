#pragma once
// The file types the wizard's file choosers offer: page 2's for a site's
// files, and the Browse buttons' of pages 5 and 6.
//
// Known limits: the image label names bitmaps, which the patterns leave out,
// as the wizard always offered them.

#include <vector>

#include "ui/desktop.h"

namespace quillorn::wizard {

// The types the file choosers offer for a site's files, the first selected.
std::vector<ui::FileFilter> siteFileFilters();
// The types offered for a replacement image: images, then every file.
std::vector<ui::FileFilter> imageFileFilters();

}  // namespace quillorn::wizard
