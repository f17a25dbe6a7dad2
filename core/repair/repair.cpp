#include "core/repair/repair.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "core/rewrite/tag_rewriter.h"
#include "core/text/url_transforms.h"
#include "platform/host_path.h"

namespace quillorn {

void Repair::clearList() {
  files_.removeAll();
  roots_.clear();
}

RepairOutcome<Done> Repair::begin(Intent intent) {
  intent_ = intent;
  if (lock_.held()) return Done{};
  if (lock_.acquire(roots_) != SiteLock::Status::Taken) {
    return Failed{RepairFailure{RepairError::SiteBusy, lock_.busyFolder(), lock_.busyError()}};
  }
  return Done{};
}

SearchContext Repair::searchContext(ProgressPanel& panel) {
  return SearchContext{settings_, files_, urls_, savedFrom_, internet_, panel, siteAddresses_, anchors_};
}

std::string Repair::siteFolder() const {
  // The first folder given, or without one the folder of the first file given.
  for (const SiteRoot& root : roots_) {
    std::error_code error;
    if (std::filesystem::is_directory(platform::toHostPath(root.path), error)) return root.path;
  }
  return roots_.empty() ? std::string() : splitPath(roots_.front().path).folder;
}

RepairOutcome<Done> Repair::prepareSearch(ProgressPanel& panel) {
  // What the site's addresses of the options stand for, once per search.
  siteAddresses_.setSiteFolder(siteFolder());
  SearchContext context = searchContext(panel);
  if (!beginSearch(context)) return Failed{RepairFailure{RepairError::TooManyFiles, {}, 0}};
  return Done{};
}

SearchOutcome Repair::runSearch(ProgressPanel& panel, const ClearedFile& cleared) {
  // A killed rewrite's leftovers go before the search reads the files, so the
  // search reads what the rewriting will find.
  if (lock_.held() && intent_ == Intent::Rewrite) {
    for (const std::filesystem::path& target : recoverInterruptedRewrites(files_, lock_)) {
      if (cleared) cleared(target);
    }
  }
  SearchContext context = searchContext(panel);
  return quillorn::runSearch(context);
}

RepairOutcome<SearchOutcome> Repair::search(ProgressPanel& panel, const ClearedFile& cleared) {
  if (RepairOutcome<Done> prepared = prepareSearch(panel); !prepared.ok()) return Failed{prepared.error()};
  return runSearch(panel, cleared);
}

ResultsFill Repair::group(bool hideDelete, bool hideReplace, const StopPoll& pollStop) {
  return fillResults(urls_, hideDelete, hideReplace, pollStop);
}

DecisionResult Repair::decide(std::int32_t group, std::string_view text, bool relativePath) {
  return applyDecision(urls_, group, text, relativePath);
}

void Repair::decide(const std::vector<GroupDecision>& decisions) { applyDecisions(urls_, decisions); }

void Repair::plan(const std::function<void(std::size_t, const FilePlan&)>& each) const {
  const std::vector<std::vector<std::size_t>> byFile = entriesByFile(urls_, files_.count());
  const RewritePlanInput input{settings_, files_, urls_, lock_, byFile};
  for (std::size_t i = 0; i < files_.count(); ++i) each(i, planFile(input, i));
}

RepairOutcome<RewritePassOutcome> Repair::rewrite(ProgressPanel& panel, std::function<bool()> confirmStop,
                                                  std::function<void(const FileSkip&)> reportSkip) {
  if (RepairOutcome<Done> begun = begin(Intent::Rewrite); !begun.ok()) return Failed{begun.error()};
  RewritePassContext context{settings_, files_, urls_, lock_, panel, std::move(confirmStop), std::move(reportSkip)};
  Outcome<RewritePassOutcome, DiskFailure> pass = runRewritingPass(context);
  // The site is free again: the companion may restore it now.
  lock_.release();
  if (!pass.ok()) return Failed{RepairFailure{RepairError::DiskFull, pass.error().file, pass.error().error}};
  return std::move(pass.value());
}

}  // namespace quillorn
