#pragma once
// The text routines that turn URL texts into file paths and back. All work on
// single-byte text and never touch the disk. Paths are Windows-form path text:
// a drive letter and ':', '\' separators; URL forms use '/' and, after
// "file://", the drive written with '|' instead of ':'.
//
// Known limits: a "%" escape becomes one byte whatever it was part of, and a
// named entity outside the table of 100 stays as written.

#include <string>
#include <string_view>

namespace quillorn {

enum class SeparatorMode { Windows, Url };

struct SplitPathResult {
  std::string folder;  // text before the last separator, "\" appended after a drive ("C:\")
  std::string name;    // text after it
};

// Splits at the last '\' or, when there is none, the last '/'. A path with
// neither has an empty folder and is its own last component.
SplitPathResult splitPath(std::string_view path);

struct SplitFragmentResult {
  std::string base;      // text before the first '#'
  std::string fragment;  // the first '#' and everything after it; empty without '#'
};

SplitFragmentResult splitFragment(std::string_view url);

// Converts separators in place. Windows: '|' -> ':', '/' -> '\'. URL: ':' -> '|',
// '\' -> '/'. In a text with "://", only the part after the first "://" is
// converted, and always by ':' -> '|', '/' -> '\'.
void convertSeparators(std::string& text, SeparatorMode mode);

// Decodes in place: character references first (the 100 HTML entities of the
// table, and numeric ones such as "&#45;" or "&#x2D;", with or without their
// ';'), then "%" escapes in one pass. A numeric reference to a character the
// working text cannot hold stays as written. A '%' not followed by two
// hexadecimal digits stays as it is; a "%00" ends the text there.
void decodeUrl(std::string& text);

// decodeUrl's two steps, each alone: the character references, and the "%"
// escapes.
void decodeCharacterReferences(std::string& text);
void decodePercentEscapes(std::string& text);

// Appends `byte` as a "%" escape with capital hexadecimal digits ("%3F").
void appendPercentEscape(unsigned char byte, std::string& out);

// `target` (a path or "file://" URL, optionally wrapped in double quotes)
// expressed from the folder of `baseFile`. Other URLs ("http://...") come back
// unchanged.
std::string makeRelativePath(std::string_view target, std::string_view baseFile, SeparatorMode mode);

}  // namespace quillorn
