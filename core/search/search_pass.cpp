#include "core/search/search_pass.h"

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "core/search/file_status_line.h"
#include "core/search/html_scanner.h"
#include "core/search/ordered_pool.h"
#include "core/search/replacement_search.h"
#include "core/search/script_scanner.h"
#include "core/search/style_sheet_scanner.h"
#include "core/search/url_classifier.h"
#include "core/text/document_buffer.h"

namespace quillorn {
namespace {

constexpr std::string_view kBrokenLinkHeader = ">> Searching for broken links...";

std::string doneText(const SearchContext& context) {
  return "Done (" + std::to_string(context.urls.count()) + " change(s) in " + std::to_string(context.files.count()) +
         " file(s))";
}

std::string droppedFindingsLine(std::size_t dropped) {
  return std::to_string(dropped) + " more URL(s) needing attention were not recorded: the list holds at most " +
         std::to_string(UrlTable::kCapacity) + ".";
}

// Ends the Internet session, whether the search finished or was stopped.
void endInternetSession(InternetSession& internet) {
  internet.clearLastServerName();
  internet.close();
}

// The search's panel, keeping a stop once one was reported: a stop that a
// check saw while it waited for its answer ends the pass at its next poll.
class StopLatch final : public ProgressPanel {
 public:
  explicit StopLatch(ProgressPanel& panel) : panel_(panel) {}
  void appendStatusLine(std::string_view line) override { panel_.appendStatusLine(line); }
  void setOverallProgress(std::int64_t upperBound, std::int64_t position) override {
    panel_.setOverallProgress(upperBound, position);
  }
  void setFileProgress(std::int64_t position, std::int64_t steps) override { panel_.setFileProgress(position, steps); }
  void setPanelStatus(PanelStatus status, std::string_view text) override { panel_.setPanelStatus(status, text); }
  bool pollStopRequest() override {
    if (!stopped_) stopped_ = panel_.pollStopRequest();
    return stopped_;
  }

 private:
  ProgressPanel& panel_;
  bool stopped_ = false;
};

// What the Internet prefetch scans with: it shows nothing, but the stop key
// is the search's.
class SilentPanel final : public ProgressPanel {
 public:
  explicit SilentPanel(ProgressPanel& stops) : stops_(stops) {}
  void appendStatusLine(std::string_view) override {}
  void setOverallProgress(std::int64_t, std::int64_t) override {}
  void setFileProgress(std::int64_t, std::int64_t) override {}
  void setPanelStatus(PanelStatus, std::string_view) override {}
  bool pollStopRequest() override { return stops_.pollStopRequest(); }

 private:
  ProgressPanel& stops_;
};

// Why a file that failed to load was not searched, when it is a reason to
// name it: a file gone since it was listed, or one that cannot be read, is
// passed over without a word.
std::optional<Unsearched> unsearchedReason(platform::ReadStatus status) {
  switch (status) {
    case platform::ReadStatus::NotRegular: return Unsearched::NotRegularFile;
    case platform::ReadStatus::TooLarge: return Unsearched::TooLarge;
    case platform::ReadStatus::Read:
    case platform::ReadStatus::Missing:
    case platform::ReadStatus::Unreadable: break;
  }
  return std::nullopt;
}

// Hands the loaded file `index` of the list, of a kind searched, to its scanner.
PassCount scanLoadedFile(SearchContext& context, const DocumentBuffer& buffer, FileKind kind, std::size_t index) {
  const auto fileIndex = static_cast<std::int32_t>(index);
  switch (kind) {
    case FileKind::Html: return scanHtmlFile(context, buffer, fileIndex);
    case FileKind::StyleSheet: return scanStyleFile(context, buffer, fileIndex);
    case FileKind::Script: return scanScriptFile(context, buffer, fileIndex);
    case FileKind::Other: break;
  }
  return {};
}

// Hands file `index` of the list to its scanner when it is a page, a style
// sheet or a script that can be read; with `record`, records what was read,
// so that the rewrite can tell whether the file still holds it, or names and
// records a file that is too large or no regular file, so that the rewrite
// names it too.
PassCount scanListedFile(SearchContext& context, std::size_t index, bool record) {
  const std::string& path = context.files.path(index);
  const FileKind kind = fileKind(path);
  if (kind == FileKind::Other) return {};
  Outcome<DocumentBuffer, LoadFailure> loaded = loadDocument(path);
  if (!loaded.ok()) {
    const std::optional<Unsearched> why = unsearchedReason(loaded.error().status);
    if (record && why) {
      const UnsearchedFile file{index, *why};
      context.urls.recordUnsearched(file);
      context.panel.appendStatusLine(unsearchedLine(context, file, loaded.error().found.size));
    }
    return {};
  }
  DocumentBuffer& buffer = loaded.value();
  // The positions recorded are offsets into these bytes.
  if (record) context.urls.recordSource(index, sourceStampOf(buffer));
  detectEncoding(buffer);
  return scanLoadedFile(context, buffer, kind, index);
}

// The files of the list from `first` on, one after another, adding to what
// `pass` counted: the broken-link pass on one thread.
PassCount scanListedFiles(SearchContext& context, std::size_t first, PassCount pass) {
  const std::size_t fileCount = context.files.count();
  const auto upperBound = static_cast<std::int64_t>(fileCount);
  for (std::size_t i = first; i < fileCount; ++i) {
    const PassCount file = scanListedFile(context, i, true);
    pass.count += file.count;
    if (file.end == PassEnd::Stopped) {
      pass.end = PassEnd::Stopped;
      return pass;
    }
    context.panel.setOverallProgress(upperBound, static_cast<std::int64_t>(i) + 1);
  }
  return pass;
}

// How long the search's own thread waits for the next file's results before
// it asks the stop key again.
constexpr std::chrono::milliseconds kStopPollInterval{20};

// Results a pool thread may have ready ahead of the file whose turn it is,
// per thread, when nothing needs them all first.
constexpr std::size_t kFilesAheadPerThread = 8;

// What one file gave a search whose files are read on a pool of threads: what
// the search on one thread makes of it, kept apart until the file's turn.
struct FileScan {
  std::optional<SourceStamp> source;
  std::optional<UnsearchedFile> unsearched;
  std::optional<SavedFromFinding> savedFrom;
  PassCount scan;
  std::vector<std::string> lines;                                     // the broken-link pass's lines for the file
  std::optional<std::pair<std::int64_t, std::int64_t>> fileProgress;  // the lower bar as the scan left it
  UrlTable urls;
  PageAnchors anchors;
  SiteAddresses addresses;
  std::vector<SavedFromLookup> savedFromLater;
};

// The panel of one file's scan on a pool thread: it keeps what the scan shows
// until the file's turn; its stop key is the pool's.
class FilePanel final : public ProgressPanel {
 public:
  FilePanel(FileScan& scan, const OrderedPool<FileScan>& pool) : scan_(scan), pool_(pool) {}
  void appendStatusLine(std::string_view line) override { scan_.lines.emplace_back(line); }
  void setOverallProgress(std::int64_t, std::int64_t) override {}
  void setFileProgress(std::int64_t position, std::int64_t steps) override {
    scan_.fileProgress.emplace(position, steps);
  }
  void setPanelStatus(PanelStatus, std::string_view) override {}
  bool pollStopRequest() override { return pool_.stopRequested(); }

 private:
  FileScan& scan_;
  const OrderedPool<FileScan>& pool_;
};

// The search with its files read and scanned on a pool of threads, each file
// read once for both passes. The pool's threads touch none of the search's
// tables: each file's findings go into tables of its own, and the search's
// thread adds them to the search's in list order, with the file's status
// lines, so that tables and lines are those of a search on one thread.
//
// With the "saved from url" pass on, a file's Internet URLs are recorded
// without the local copy it would propose, since the addresses are known only
// when every page was read; they are given it when the file's turn comes,
// after that pass. The results of every file are kept until then: the
// findings and status lines of the search, without the files' bytes.
// Otherwise at most kFilesAheadPerThread results per thread wait.
//
// A file whose findings would not fit into the table is searched again on
// the search's thread, as are the files after it, so that what is dropped
// and counted is what a search on one thread drops.
class PooledSearch {
 public:
  PooledSearch(SearchContext& context, unsigned threads)
      : context_(context),
        savedFromFirst_(context.settings.useSavedFromUrl),
        pool_(context.files.count(), threads, savedFromFirst_ ? context.files.count() : kFilesAheadPerThread * threads,
              [this](std::size_t index) { return scanApart(index); }) {}

  PassEnd runSavedFromPass() {
    ProgressPanel& panel = context_.panel;
    beginSavedFromPass(panel);
    const std::size_t fileCount = context_.files.count();
    const auto upperBound = static_cast<std::int64_t>(fileCount);
    for (std::size_t i = 0; i < fileCount; ++i) {
      if (fileKind(context_.files.path(i)) == FileKind::Html) {
        FileScan* scan = resultOf(i);
        if (scan == nullptr) return PassEnd::Stopped;
        if (scan->savedFrom) {
          SavedFromFinding& found = *scan->savedFrom;
          if (found.address) context_.savedFrom.add(std::move(*found.address), static_cast<std::int32_t>(i));
          panel.appendStatusLine(found.line);
        }
        // Every HTML file polls, read or not, as on one thread.
        if (panel.pollStopRequest()) return stopPool();
      }
      panel.setOverallProgress(upperBound, static_cast<std::int64_t>(i) + 1);
    }
    return PassEnd::Done;
  }

  PassCount runBrokenLinkPass() {
    ProgressPanel& panel = context_.panel;
    panel.appendStatusLine(kBrokenLinkHeader);
    const std::size_t fileCount = context_.files.count();
    const auto upperBound = static_cast<std::int64_t>(fileCount);
    PassCount pass;
    for (std::size_t i = 0; i < fileCount; ++i) {
      // A file of a kind not searched gives nothing, as on one thread: it is
      // neither waited for nor polled at.
      const bool searched = fileKind(context_.files.path(i)) != FileKind::Other;
      if (searched) {
        FileScan* scan = resultOf(i);
        if (scan == nullptr || scan->scan.end == PassEnd::Stopped) {
          pass.end = PassEnd::Stopped;
          return pass;
        }
        if (scan->urls.droppedCount() > 0 || context_.urls.count() + scan->urls.count() > UrlTable::kCapacity) {
          return searchOnThisThread(i, pass);
        }
        pass.count += scan->scan.count;
        addToSearch(i, *scan);
      }
      pool_.release(i);
      panel.setOverallProgress(upperBound, static_cast<std::int64_t>(i) + 1);
      if (searched && panel.pollStopRequest()) {
        stopPool();
        pass.end = PassEnd::Stopped;
        return pass;
      }
    }
    return pass;
  }

 private:
  // Runs on a pool thread: reads file `index` and scans it into tables of its own.
  FileScan scanApart(std::size_t index) {
    FileScan scan;
    const std::string& path = context_.files.path(index);
    const FileKind kind = fileKind(path);
    if (kind == FileKind::Other) return scan;
    Outcome<DocumentBuffer, LoadFailure> loaded = loadDocument(path);
    if (!loaded.ok()) {
      if (const std::optional<Unsearched> why = unsearchedReason(loaded.error().status)) {
        scan.unsearched = UnsearchedFile{index, *why};
        scan.lines.push_back(unsearchedLine(context_, *scan.unsearched, loaded.error().found.size));
      }
      return scan;
    }
    DocumentBuffer& buffer = loaded.value();
    scan.source = sourceStampOf(buffer);
    detectEncoding(buffer);
    const auto fileIndex = static_cast<std::int32_t>(index);
    if (savedFromFirst_ && kind == FileKind::Html) scan.savedFrom = savedFromOf(context_, buffer, fileIndex);
    FilePanel panel(scan, pool_);
    SearchContext apart{context_.settings,  context_.files,    scan.urls,
                        context_.savedFrom, context_.internet, panel,
                        scan.addresses,     scan.anchors,      savedFromFirst_ ? &scan.savedFromLater : nullptr};
    scan.scan = scanLoadedFile(apart, buffer, kind, index);
    return scan;
  }

  // The results of file `index`, once they are there; nullptr when the user
  // stopped the search while it waited.
  FileScan* resultOf(std::size_t index) {
    for (;;) {
      if (FileScan* scan = pool_.wait(index, kStopPollInterval)) return scan;
      if (context_.panel.pollStopRequest()) {
        stopPool();
        return nullptr;
      }
    }
  }

  PassEnd stopPool() {
    pool_.stop();
    return PassEnd::Stopped;
  }

  void addToSearch(std::size_t index, FileScan& scan) {
    if (scan.source) context_.urls.recordSource(index, *scan.source);
    if (scan.unsearched) context_.urls.recordUnsearched(*scan.unsearched);
    const std::size_t offset = context_.urls.count();
    context_.urls.takeEntries(std::move(scan.urls));
    proposeSavedFromCopies(context_, scan.savedFromLater, offset);
    context_.anchors.takeFrom(std::move(scan.anchors), static_cast<std::int64_t>(offset));
    context_.siteAddresses.takeFrom(std::move(scan.addresses));
    if (scan.fileProgress) context_.panel.setFileProgress(scan.fileProgress->first, scan.fileProgress->second);
    for (const std::string& line : scan.lines) context_.panel.appendStatusLine(line);
  }

  // The broken-link pass from file `first` on, one file after another on
  // this thread, adding to what `pass` counted.
  PassCount searchOnThisThread(std::size_t first, PassCount pass) {
    stopPool();
    return scanListedFiles(context_, first, pass);
  }

  SearchContext& context_;
  const bool savedFromFirst_;
  OrderedPool<FileScan> pool_;  // last: its threads start when it is made
};

// Scans every file once ahead of the search with the Internet session in its
// prefetch mode, so that the requests the checks will need are under way, in
// the order the checks will ask for them, before the first check waits. The
// findings of this scan are dropped file by file. Stopped when the user asked
// to stop.
PassEnd prefetchInternetUrls(SearchContext& context) {
  InternetSession::Prefetch prefetch(context.internet);
  SilentPanel silent(context.panel);
  UrlTable dropped;
  // The search proper learns the site's addresses and its pages' anchors.
  SiteAddresses unusedAddresses;
  PageAnchors unusedAnchors;
  Settings settings = context.settings;
  settings.checkAnchors = false;
  SearchContext ahead{settings,         context.files, dropped,         context.savedFrom,
                      context.internet, silent,        unusedAddresses, unusedAnchors};
  for (std::size_t i = 0; i < context.files.count(); ++i) {
    if (scanListedFile(ahead, i, false).end == PassEnd::Stopped) return PassEnd::Stopped;
    dropped.clear();
    context.internet.pump();
  }
  return PassEnd::Done;
}

}  // namespace

unsigned searchThreads(const Settings& settings) {
  if (settings.searchThreads > 0) return settings.searchThreads;
  return std::max(1U, std::thread::hardware_concurrency());
}

bool beginSearch(SearchContext& context) {
  context.savedFrom.clear();
  context.siteAddresses.clear();
  context.anchors.clear();
  context.urls.clear();
  // A session left over from an interrupted visit is not reused.
  endInternetSession(context.internet);
  if (context.settings.checkInternetUrls) {
    // A failed open is not reported here: every check then says "not reachable".
    context.internet.setConnectionLimit(context.settings.internetConnections);
    context.internet.open();
  }

  ProgressPanel& panel = context.panel;
  panel.setPanelStatus(PanelStatus::Running, kRunningText);
  panel.setOverallProgress(2, 1);
  panel.setFileProgress(0, 2);

  if (context.files.count() > kMaxSearchFiles) {
    // Nothing will run that could use the session, so it ends here too.
    endInternetSession(context.internet);
    return false;
  }
  return true;
}

SearchOutcome runSearch(SearchContext& searchContext) {
  StopLatch panel(searchContext.panel);
  SearchContext context{searchContext.settings,      searchContext.files,    searchContext.urls,
                        searchContext.savedFrom,     searchContext.internet, panel,
                        searchContext.siteAddresses, searchContext.anchors};
  SearchOutcome outcome;

  // What the file list left out is named before anything is read.
  for (const LeftOutEntry& entry : context.files.leftOut()) panel.appendStatusLine(leftOutLine(entry));

  // The Internet checks ask their session in the search's order, so a search
  // that makes them reads the files on this thread.
  const unsigned threads = searchThreads(context.settings);
  std::optional<PooledSearch> pooled;
  if (threads > 1 && context.files.count() > 1 && !context.settings.checkInternetUrls) pooled.emplace(context, threads);

  if (context.settings.useSavedFromUrl &&
      (pooled ? pooled->runSavedFromPass() : runSavedFromPass(context)) == PassEnd::Stopped) {
    pooled.reset();
    endInternetSession(context.internet);
    outcome.end = PassEnd::Stopped;
    outcome.statusText = std::string(kStoppedText);
    panel.setPanelStatus(PanelStatus::Stopped, outcome.statusText);
    return outcome;
  }

  const PassCount broken = pooled ? pooled->runBrokenLinkPass() : runBrokenLinkPass(context);
  pooled.reset();
  outcome.brokenTotal = broken.count;
  // Only now, with every page read, are the anchors of every page and the
  // site's own servers known.
  if (broken.end == PassEnd::Done) {
    if (context.settings.checkAnchors) outcome.brokenTotal += checkAnchorLinks(context).recorded;
    proposeOwnPages(context);
  }
  // Nothing reads the pages' anchors once their links are judged.
  context.anchors.clear();
  endInternetSession(context.internet);

  outcome.droppedFindings = context.urls.droppedCount();
  if (outcome.droppedFindings > 0) panel.appendStatusLine(droppedFindingsLine(outcome.droppedFindings));

  if (broken.end == PassEnd::Stopped) {
    outcome.end = PassEnd::Stopped;
    outcome.statusText = std::string(kStoppedText);
    panel.setPanelStatus(PanelStatus::Stopped, outcome.statusText);
  } else {
    outcome.statusText = doneText(context);
    panel.setPanelStatus(PanelStatus::Done, outcome.statusText);
  }
  return outcome;
}

Outcome<SearchOutcome, SearchError> search(SearchContext& context) {
  if (!beginSearch(context)) return Failed{SearchError::TooManyFiles};
  return runSearch(context);
}

PassCount runBrokenLinkPass(SearchContext& context) {
  ProgressPanel& panel = context.panel;
  panel.appendStatusLine(kBrokenLinkHeader);

  const std::size_t fileCount = context.files.count();
  PassCount pass;
  if (fileCount == 0) return pass;

  if (context.settings.checkInternetUrls && context.internet.isOpen() &&
      prefetchInternetUrls(context) == PassEnd::Stopped) {
    pass.end = PassEnd::Stopped;
    return pass;
  }

  return scanListedFiles(context, 0, pass);
}

}  // namespace quillorn
