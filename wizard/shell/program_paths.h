#pragma once
// The texts the wizard derives from its command line and its own location:
// the "-uninstall" switch, the program's folder, the companion's path and the
// help address. All are path text ("\" separators), as the rest of the
// program writes paths; only where a file is touched do they become host
// paths again.

#include <string>
#include <string_view>

namespace quillorn::wizard {

// Whether the command line (program path included) ends with "-uninstall",
// in any letter case. Nothing else is looked at, so "-uninstall" followed by
// anything, even a space, is not the switch.
bool endsWithUninstallSwitch(std::string_view commandLine);

// The folder of the program's own file: the text before its last "\" (before
// its last "/" when it has no "\"; empty when it has neither), with a "\"
// added when it is a bare drive ("C:" becomes "C:\"). A program right under
// the POSIX root has an empty folder, so the paths below start at the root.
std::string programDirectoryOf(std::string_view programFile);

// The companion beside the wizard's own folder: <dir>\..\Ravelet\Ravelet.
std::string companionPathOf(std::string_view programDirectory);

// <dir>\UserGuide.chm::/Files/<topic>>MainWnd, exactly so concatenated.
std::string helpAddressOf(std::string_view programDirectory, std::string_view topic);

}  // namespace quillorn::wizard
