#include "core/search/search_pass.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/search/file_status_line.h"
#include "core/search/html_scanner.h"
#include "core/search/replacement_search.h"
#include "core/search/script_scanner.h"
#include "core/search/style_sheet_scanner.h"
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
  const auto fileIndex = static_cast<std::int32_t>(index);
  switch (kind) {
    case FileKind::Html: return scanHtmlFile(context, buffer, fileIndex);
    case FileKind::StyleSheet: return scanStyleFile(context, buffer, fileIndex);
    case FileKind::Script: return scanScriptFile(context, buffer, fileIndex);
    case FileKind::Other: break;
  }
  return {};
}

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

  if (context.settings.useSavedFromUrl && runSavedFromPass(context) == PassEnd::Stopped) {
    endInternetSession(context.internet);
    outcome.end = PassEnd::Stopped;
    outcome.statusText = std::string(kStoppedText);
    panel.setPanelStatus(PanelStatus::Stopped, outcome.statusText);
    return outcome;
  }

  const PassCount broken = runBrokenLinkPass(context);
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

  const auto upperBound = static_cast<std::int64_t>(fileCount);
  for (std::size_t i = 0; i < fileCount; ++i) {
    const PassCount file = scanListedFile(context, i, true);
    pass.count += file.count;
    if (file.end == PassEnd::Stopped) {
      pass.end = PassEnd::Stopped;
      return pass;
    }
    panel.setOverallProgress(upperBound, static_cast<std::int64_t>(i) + 1);
  }
  return pass;
}

}  // namespace quillorn
