#pragma once
// Text between the program and the screen. The program works on single-byte
// text and on path text ("\" separators); a person reads UTF-8 and host paths.
// Conversions happen here and nowhere else in the window layer.

#include <QString>

#include <string>
#include <string_view>

namespace quillorn::ui {

// Working text (status lines, URLs, messages) as the screen shows it.
QString displayText(std::string_view workingText);

// What a person typed (an edit box's text) as working text.
std::string workingTextOf(const QString& screenText);

// Path text as the host path a person reads.
QString displayPath(std::string_view pathText);

// The path text of a host path from a chooser or a typed entry, made absolute.
std::string pathTextOf(const QString& hostPath);

// A template caption as a screen reader names it: mnemonic marks removed,
// "&&" kept as one '&', line breaks as spaces.
QString accessibleCaption(std::string_view caption);

}  // namespace quillorn::ui
