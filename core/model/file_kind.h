#pragma once
// What a file of the list is to the passes, told by its name alone, and the
// name its backup takes.
//
// Known limits: the content is never looked at, so a page saved as ".txt" is
// not searched and a ".htm" file holding anything else is; extensions compare
// ignoring ASCII case only.

#include <string>
#include <string_view>

namespace quillorn {

// The extension of a path's last component ("" when it has no '.').
std::string_view fileExtension(std::string_view path);

// By its extension: HTML ("htm", "html", "shtml"), a style sheet ("css"), a
// script ("js"), or anything else, which is never opened.
enum class FileKind { Other, Html, StyleSheet, Script };
FileKind fileKind(std::string_view path);

// A file's backup name: its full path with ".bak" appended.
inline constexpr std::string_view kBackupSuffix = ".bak";
std::string backupPath(std::string_view path);

}  // namespace quillorn
