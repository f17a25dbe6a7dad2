#include "platform/host_path.h"

#include <algorithm>
#include <system_error>

namespace quillorn::platform {

std::string toPathText(const std::filesystem::path& hostPath) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(hostPath, error);
  // Lexically: "site/sub/.." is "site" even where "sub" is a link elsewhere,
  // as a person who typed it means.
  std::filesystem::path normal = (error ? hostPath : absolute).lexically_normal();
  // "a/b/" and "a/b" are one folder; a root keeps its separator.
  if (!normal.has_filename() && normal.has_relative_path()) normal = normal.parent_path();
  std::string text = normal.string();
#ifndef _WIN32
  std::replace(text.begin(), text.end(), '/', '\\');
#endif
  return text;
}

std::filesystem::path toHostPath(std::string_view pathText) {
  std::string text(pathText);
#ifndef _WIN32
  std::replace(text.begin(), text.end(), '\\', '/');
#endif
  return std::filesystem::path(text);
}

std::string displayPath(std::string_view pathText) { return toHostPath(pathText).string(); }

bool isAbsolutePathText(std::string_view text) {
  if (text.size() >= 3 && text[1] == ':' && text[2] == '\\') return true;
#ifdef _WIN32
  return false;
#else
  return !text.empty() && text[0] == '\\' && (text.size() < 2 || text[1] != '\\');
#endif
}

}  // namespace quillorn::platform
