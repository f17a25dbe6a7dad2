#include "wizard/resources/file_filters.h"

namespace quillorn::wizard {

std::vector<ui::FileFilter> siteFileFilters() {
  return {
      {QStringLiteral("All HTML-related Files (*.htm, *.html, *.shtml, *.gif, *.jpg, *.png, *.css, *.js)"),
       QStringLiteral("*.htm;*.html;*.shtml;*.gif;*.jpg;*.png;*.css;*.js")},
      {QStringLiteral("HTML Files (*.htm, *.html, *.shtml)"), QStringLiteral("*.htm;*.html;*.shtml")},
      // The label names bitmaps too, but they are not among the patterns.
      {QStringLiteral("Image Files (*.gif, *.jpg, *.png, *.bmp)"), QStringLiteral("*.gif;*.jpg;*.png")},
      {QStringLiteral("Style Sheets (*.css)"), QStringLiteral("*.css")},
      {QStringLiteral("JavaScript Files (*.js)"), QStringLiteral("*.js")},
      {QStringLiteral("All Files (*.*)"), QStringLiteral("*.*")},
  };
}

std::vector<ui::FileFilter> imageFileFilters() {
  const std::vector<ui::FileFilter> site = siteFileFilters();
  return {site[2], site.back()};
}

}  // namespace quillorn::wizard
