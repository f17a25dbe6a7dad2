#include "core/model/file_kind.h"

#include <cstddef>

#include "core/text/ascii.h"

namespace quillorn {

std::string_view fileExtension(std::string_view path) {
  std::size_t separator = path.rfind('\\');
  if (separator == std::string_view::npos) separator = path.rfind('/');
  const std::string_view component = separator == std::string_view::npos ? path : path.substr(separator + 1);
  const std::size_t dot = component.rfind('.');
  if (dot == std::string_view::npos) return {};
  return component.substr(dot + 1);
}

FileKind fileKind(std::string_view path) {
  const std::string_view extension = fileExtension(path);
  if (equalsIgnoreAsciiCase(extension, "htm") || equalsIgnoreAsciiCase(extension, "html") ||
      equalsIgnoreAsciiCase(extension, "shtml"))
    return FileKind::Html;
  if (equalsIgnoreAsciiCase(extension, "css")) return FileKind::StyleSheet;
  if (equalsIgnoreAsciiCase(extension, "js")) return FileKind::Script;
  return FileKind::Other;
}

std::string backupPath(std::string_view path) { return std::string(path) + std::string(kBackupSuffix); }

}  // namespace quillorn
