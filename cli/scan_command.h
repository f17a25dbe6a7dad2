#pragma once
// `quillorn-cli scan`, and the exit statuses every command shares.
//
// Known limits: the text output escapes control characters in names and URLs,
// so only --json gives every name exactly.

#include <string>
#include <vector>

namespace quillorn::cli {

// Exit statuses of the command line.
inline constexpr int kExitClean = 0;       // nothing needs attention
inline constexpr int kExitFindings = 1;    // findings were recorded
inline constexpr int kExitUsage = 2;       // usage error, unreadable PATH, too many files
inline constexpr int kExitIncomplete = 4;  // the result is incomplete or weakened (said at the end)
inline constexpr int kExitStopped = 130;   // stopped with Ctrl-C

// `quillorn-cli scan ARGS...`: adds the PATHs to a file list, searches it and
// prints what the wizard's search and results pages would show.
int runScanCommand(const std::vector<std::string>& args);

}  // namespace quillorn::cli
