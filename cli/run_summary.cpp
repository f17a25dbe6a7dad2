#include "cli/run_summary.h"

#include <numeric>
#include <unordered_set>
#include <vector>

#include "cli/site_search.h"
#include "core/rewrite/tag_rewriter.h"

namespace quillorn::cli {

std::size_t linkCount(const UrlTable& urls) {
  std::vector<std::size_t> entries(urls.count());
  std::iota(entries.begin(), entries.end(), std::size_t{0});
  return valueCount(urls, entries);
}

// Every link of `findings` is one of `all`: they are what is left of it.
std::size_t linksApart(const UrlTable& all, const UrlTable& findings) { return linkCount(all) - linkCount(findings); }

std::string scanSummary(const ScanCounts& counts) {
  return "Files: " + std::to_string(counts.filesSearched) + " searched, " + std::to_string(counts.filesWithFindings) +
         " with findings. Findings: " + std::to_string(counts.findings) + ".";
}

std::string scanSummaryLine(const Repair& repair, const UrlTable& findings) {
  std::unordered_set<std::int32_t> files;
  for (const UrlEntry& entry : findings.entries()) files.insert(entry.fileIndex);
  return scanSummary({searchedFileCount(repair), findings.count(), files.size()});
}

std::string fixSummary(const FixCounts& counts, bool dryRun) {
  const RewriteTally& tally = counts.tally;
  std::string reasons;
  const auto reason = [&reasons](std::size_t count, const char* why) {
    if (count == 0) return;
    reasons += (reasons.empty() ? "" : ", ") + std::to_string(count) + " " + why;
  };
  reason(tally.linksKept, "kept by a policy");
  reason(counts.notChecked, "not checked");
  reason(tally.linksInSkippedFiles, dryRun ? "in files that would not be rewritten" : "in files not rewritten");
  reason(counts.notReached, "not reached before the stop");
  const std::size_t left = tally.linksKept + counts.notChecked + tally.linksInSkippedFiles + counts.notReached;

  const char* change = dryRun ? " would change" : " changed";
  std::string line = "Files: " + std::to_string(counts.filesSearched) + " searched, " +
                     std::to_string(tally.filesRewritten) + change + ". Links: " + std::to_string(tally.linksChanged) +
                     change + ", " + std::to_string(left) +
                     (dryRun ? " would be left as they were" : " left as they were");
  if (!reasons.empty()) line += " (" + reasons + ")";
  return line + ".";
}

}  // namespace quillorn::cli
