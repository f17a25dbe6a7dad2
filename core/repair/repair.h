#pragma once
// One repair of one site, as every front end runs it. It holds the options,
// the file list and the folders and files it was built from, the site lock,
// the two tables the search fills and the Internet session the search uses.
// Its steps come in this order, each one call:
//
//   begin    lock the site's folders: one run at a time on a folder tree
//   search   clear up what a killed run left (when begun for a rewrite),
//            then the saved-from and broken-link passes
//   group    the results lines, and `decide` for a line's group
//   plan     what the rewriting would write, file by file (a preview)
//   rewrite  the rewriting pass; the site is free again when it ends
//   release  give the site up without rewriting (going back, a preview)
//
// The front ends show and collect: the wizard's pages fill the list and the
// options and show the panels, the command line parses its arguments and
// prints; neither of them decides what comes before what.
//
// Known limits: one site per object; a front end that searches a second time
// reuses it (the search empties both tables first).

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/files/file_list.h"
#include "core/files/site_lock.h"
#include "core/model/progress_panel.h"
#include "core/model/url_table.h"
#include "core/review/decisions.h"
#include "core/review/results.h"
#include "core/rewrite/rewrite_plan.h"
#include "core/rewrite/rewriting_pass.h"
#include "core/search/internet_check.h"
#include "core/search/page_anchors.h"
#include "core/search/saved_from_table.h"
#include "core/search/search_pass.h"
#include "core/search/site_addresses.h"
#include "core/settings/settings.h"
#include "platform/outcome.h"

namespace quillorn {

enum class RepairError {
  SiteBusy,      // another run holds a folder tree that overlaps the site's, or (`error` set) a folder
                 // cannot be locked to tell; `path` names the folder
  TooManyFiles,  // the list holds more than kMaxSearchFiles files: nothing was searched
  DiskFull,      // a write failed as it would for every file; `path` kept its old content, `error` says why
};

struct RepairFailure {
  RepairError code = RepairError::SiteBusy;
  std::string path;  // SiteBusy: the busy folder; DiskFull: the file (host paths)
  int error = 0;     // DiskFull, and SiteBusy when the folder could not be locked: the errno value
};

template <typename T>
using RepairOutcome = Outcome<T, RepairFailure>;

// Told of each file (host path) whose leftovers of a killed run were cleared
// up, before the search reads anything.
using ClearedFile = std::function<void(const std::filesystem::path& target)>;

class Repair {
 public:
  // Whether the repair is to write the files or only to show what it would
  // write: only a rewrite clears up after a killed run.
  enum class Intent { Rewrite, Preview };

  Repair() = default;
  Repair(const Repair&) = delete;
  Repair& operator=(const Repair&) = delete;

  Settings& settings() { return settings_; }
  const Settings& settings() const { return settings_; }

  // The file list, and the folders and files it was built from: the
  // rewriting writes only inside them.
  FileList& files() { return files_; }
  const FileList& files() const { return files_; }
  const std::vector<SiteRoot>& roots() const { return roots_; }
  void addRoot(SiteRoot root) { roots_.push_back(std::move(root)); }
  // An empty list without roots, for the next site; the other options stay.
  void clearList();

  UrlTable& urls() { return urls_; }
  const UrlTable& urls() const { return urls_; }
  const SavedFromTable& savedFrom() const { return savedFrom_; }
  const InternetSession& internet() const { return internet_; }
  const SiteLock& lock() const { return lock_; }

  // Locks the trees of the roots. Nothing changes when they are held already.
  // SiteBusy when another run holds an overlapping tree; nothing is held then.
  RepairOutcome<Done> begin(Intent intent = Intent::Rewrite);
  bool begun() const { return lock_.held(); }

  // The search in its two halves, for a front end that shows the panel
  // running before the passes take the thread: prepareSearch empties both
  // tables and opens the Internet session (TooManyFiles: nothing searched);
  // runSearch, when begun for a rewrite, first clears up what a killed run
  // left in the locked folders (each file told to `cleared`), then runs the
  // passes.
  RepairOutcome<Done> prepareSearch(ProgressPanel& panel);
  SearchOutcome runSearch(ProgressPanel& panel, const ClearedFile& cleared = {});
  // Both halves at once.
  RepairOutcome<SearchOutcome> search(ProgressPanel& panel, const ClearedFile& cleared = {});

  // The results lines of the table (one per group of equal findings), with
  // every entry's group set.
  ResultsFill group(bool hideDelete, bool hideReplace, const StopPoll& pollStop);
  // The decision for the entries of one group, or of many groups at once.
  DecisionResult decide(std::int32_t group, std::string_view text, bool relativePath);
  void decide(const std::vector<GroupDecision>& decisions);

  // Each file's plan, in list order, as the rewriting would follow it.
  void plan(const std::function<void(std::size_t index, const FilePlan& plan)>& each) const;

  // The rewriting pass over the list, begun first when it was not. The site is
  // released when the pass ends, whatever its end. `confirmStop` is asked when
  // the panel reports a stop request; `reportSkip` hears of each skipped file.
  RepairOutcome<RewritePassOutcome> rewrite(ProgressPanel& panel, std::function<bool()> confirmStop,
                                            std::function<void(const FileSkip&)> reportSkip = {});

  // Gives the site up; a later step begins again.
  void release() { lock_.release(); }

 private:
  SearchContext searchContext(ProgressPanel& panel);
  // The folder that the site addresses of the options stand for.
  std::string siteFolder() const;

  Settings settings_;
  FileList files_;
  std::vector<SiteRoot> roots_;
  SiteLock lock_;
  Intent intent_ = Intent::Rewrite;
  UrlTable urls_;
  SavedFromTable savedFrom_;
  SiteAddresses siteAddresses_;
  PageAnchors anchors_;
  InternetSession internet_;
};

}  // namespace quillorn
