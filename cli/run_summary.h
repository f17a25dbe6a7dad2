#pragma once
// The one line that `scan` and `fix` print below the status line, counting
// what the command did: the files it read and what it found or changed in
// them. The status line above it is the wizard's, whose counts are its own
// (every file of the list, every entry processed).
//
// Known limits: a stopped fix counts the links of the files it did not reach
// as such, without telling what it would have done with them.

#include <cstddef>
#include <string>

#include "core/model/url_table.h"
#include "core/repair/repair.h"
#include "core/rewrite/rewrite_plan.h"

namespace quillorn::cli {

struct ScanCounts {
  std::size_t filesSearched = 0;
  std::size_t findings = 0;
  std::size_t filesWithFindings = 0;
};

// "Files: 20 searched, 5 with findings. Findings: 12."
std::string scanSummary(const ScanCounts& counts);

// The summary of a scan of `repair` whose findings are `findings`.
std::string scanSummaryLine(const Repair& repair, const UrlTable& findings);

// The links (values: entries at one offset of one file are one) of `urls`.
std::size_t linkCount(const UrlTable& urls);

// The links of `all` that none of `findings` (taken from `all`) holds: those
// of the Internet URLs not checked that fix leaves alone.
std::size_t linksApart(const UrlTable& all, const UrlTable& findings);

struct FixCounts {
  std::size_t filesSearched = 0;
  RewriteTally tally;
  std::size_t notChecked = 0;  // links of Internet URLs not checked, which fix leaves alone
  std::size_t notReached = 0;  // links of the files after a stop
};

// "Files: 20 searched, 5 changed. Links: 12 changed, 4 left as they were (3
// kept by a policy, 1 not checked)."; with `dryRun`, what fix would do:
// "Files: 20 searched, 5 would change. Links: 12 would change, 4 would be
// left as they were (...)". The reasons are those of the tally's kept links
// and skipped files, the links not checked and those not reached.
std::string fixSummary(const FixCounts& counts, bool dryRun);

}  // namespace quillorn::cli
