#pragma once

#include <string>
#include <vector>

namespace quillorn::cli {

// `quillorn-cli fix ARGS...`: searches like `scan`, takes the proposals (or a
// decisions file) as the decisions, applies the deletion policies and rewrites
// the files, keeping backups.
int runFixCommand(const std::vector<std::string>& args);

// `quillorn-cli restore ARGS...`: restores or deletes the backups of a folder tree.
int runRestoreCommand(const std::vector<std::string>& args);

}  // namespace quillorn::cli
