#include "cli/run_summary.h"

#include <set>
#include <unordered_set>
#include <utility>

#include "cli/site_search.h"

namespace quillorn::cli {
namespace {

using Link = std::pair<std::int32_t, std::int64_t>;  // file, value offset

std::set<Link> linksOf(const UrlTable& urls) {
  std::set<Link> links;
  for (const UrlEntry& entry : urls.entries()) links.emplace(entry.fileIndex, entry.valuePos);
  return links;
}

}  // namespace

std::size_t linkCount(const UrlTable& urls) { return linksOf(urls).size(); }

std::size_t linksApart(const UrlTable& all, const UrlTable& findings) {
  std::set<Link> links = linksOf(all);
  for (const Link& link : linksOf(findings)) links.erase(link);
  return links.size();
}

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
