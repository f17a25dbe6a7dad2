#pragma once
// Path text and host paths. Every algorithm of the program works on path text:
// "\" separators, the form a Windows path has. A host path becomes path text
// where the program receives it (a chooser, a folder walk, the command line)
// and goes back to a host path only where a file is opened, created, moved or
// deleted. On Windows the two forms are the same; on POSIX hosts every "/" of
// the host path is written "\" in the path text (/home/ann/a.htm is
// \home\ann\a.htm). Bytes other than separators pass through unchanged.
//
// Known limits: on POSIX hosts a '\' inside a file name cannot be told from
// a separator once the name is path text.

#include <filesystem>
#include <string>
#include <string_view>

namespace quillorn::platform {

// The path text of a host path as the program receives it (a chooser, the
// command line): made absolute against the current folder and lexically
// normal first, so that "." and ".." segments, doubled separators and a
// trailing separator are gone and each file has one spelling.
std::string toPathText(const std::filesystem::path& hostPath);

// The host path that path text names.
std::filesystem::path toHostPath(std::string_view pathText);

// The host path of path text as a person reads it (file list, status lines).
std::string displayPath(std::string_view pathText);

// Whether `text` is absolute path text, which can be made relative to a page:
// a drive path ("C:\site\a.gif") on every host, and on POSIX hosts also the
// path text of a host path ("\home\ann\a.gif"). A leading "\\" is neither:
// it is no path this program makes, and steps up to it would only mangle it.
bool isAbsolutePathText(std::string_view text);

}  // namespace quillorn::platform
