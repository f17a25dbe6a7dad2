#pragma once
// `quillorn-cli fix` and `quillorn-cli restore`: the rewriting and the
// restoring of backups from the command line.
//
// Known limits: decisions are taken per result line (a decisions file), never
// per occurrence; Ctrl-C is asked about between files, never within one.

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
