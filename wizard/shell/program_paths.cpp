#include "wizard/shell/program_paths.h"

#include "core/text/ascii.h"

namespace quillorn::wizard {
namespace {

constexpr std::string_view kUninstallSwitch = "-uninstall";
#ifdef _WIN32
constexpr std::string_view kCompanionTail = "\\..\\Ravelet\\Ravelet.exe";
#else
constexpr std::string_view kCompanionTail = "\\..\\Ravelet\\Ravelet";
#endif

}  // namespace

bool endsWithUninstallSwitch(std::string_view commandLine) {
  return commandLine.size() >= kUninstallSwitch.size() &&
         equalsIgnoreAsciiCase(commandLine.substr(commandLine.size() - kUninstallSwitch.size()), kUninstallSwitch);
}

std::string programDirectoryOf(std::string_view programFile) {
  std::size_t cut = programFile.rfind('\\');
  if (cut == std::string_view::npos) cut = programFile.rfind('/');
  if (cut == std::string_view::npos) return {};
  std::string directory(programFile.substr(0, cut));
  if (!directory.empty() && directory.back() == ':') directory.push_back('\\');
  return directory;
}

std::string companionPathOf(std::string_view programDirectory) {
  return std::string(programDirectory) + std::string(kCompanionTail);
}

std::string helpAddressOf(std::string_view programDirectory, std::string_view topic) {
  std::string address(programDirectory);
  address += "\\UserGuide.chm::/Files/";
  address += topic;
  address += ">MainWnd";
  return address;
}

}  // namespace quillorn::wizard
