#pragma once
// Text for a terminal: names and URLs come from the site and may hold any
// byte, so nothing they hold may move the cursor, clear a line or start a new
// one that looks like the program's own.
//
// Known limits: only control characters and bytes that are no UTF-8 are
// escaped; characters that merely look alike pass through.

#include <string>
#include <string_view>

namespace quillorn::cli {

// `utf8` with every control character written as a visible escape: \n, \r and
// \t by name, other C0 controls and DEL as \xNN, C1 controls (U+0080 to U+009F)
// as \uNNNN, and each byte that is not part of a well-formed UTF-8 sequence
// as \xNN. Everything else is kept as it is.
std::string terminalText(std::string_view utf8);

}  // namespace quillorn::cli
