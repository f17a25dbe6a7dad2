#pragma once
// Decisions files: the report of `scan --json` with the "value" and
// "relativePath" of some of its result lines edited, read back by
// `fix --decisions` and checked against a new search of the same site.
//
// Known limits: only the "value" and "relativePath" of result lines are
// taken; any other edit, or a site that changed since the scan, refuses the
// whole file, and no decision is made per occurrence.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/files/file_list.h"
#include "core/model/url_table.h"
#include "core/review/decisions.h"
#include "core/settings/settings.h"
#include "platform/outcome.h"

namespace quillorn::cli {

// No report of a search the program can make comes near this size.
inline constexpr std::size_t kDecisionsFileLimit = std::size_t{64} << 20;

// The text of the file at `path`, reading no more than one byte beyond
// kDecisionsFileLimit; or why not (it cannot be read, or it is larger than
// the limit).
Outcome<std::string, std::string> readDecisionsFile(const std::string& path);

// The decisions of the decisions file `text` (named `name` in messages; a
// UTF-8 byte-order mark may lead) for `urls`, the findings of a search of
// `files` with `settings`, whose entries it groups as the results page does.
// The file must describe those findings: the same files, entries and result
// lines. Each line whose "value" or "relativePath" differs from what the
// report shows is a decision, to be taken as the page takes an edit; a line
// left as shown is none. Or what is wrong and where.
Outcome<std::vector<GroupDecision>, std::string> readDecisions(std::string_view text, const std::string& name,
                                                               const Settings& settings, const FileList& files,
                                                               UrlTable& urls);

}  // namespace quillorn::cli
