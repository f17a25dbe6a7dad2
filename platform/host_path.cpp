#include "platform/host_path.h"

#include <algorithm>
#include <system_error>

namespace quillorn::platform {

std::string toPathText(const std::filesystem::path& hostPath) {
  std::error_code error;
  std::filesystem::path absolute = std::filesystem::absolute(hostPath, error);
  std::string text = (error ? hostPath : absolute).string();
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

}  // namespace quillorn::platform
