#include "core/search/search_pass.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/search/html_scanner.h"
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

}  // namespace

bool beginSearch(SearchContext& context) {
  context.savedFrom.clear();
  context.urls.clear();
  // A session left over from an interrupted visit is not reused.
  endInternetSession(context.internet);
  if (context.settings.checkInternetUrls) {
    // A failed open is not reported here: every check then says "not reachable".
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

SearchOutcome runSearch(SearchContext& context) {
  ProgressPanel& panel = context.panel;
  SearchOutcome outcome;

  if (context.settings.useSavedFromUrl && runSavedFromPass(context) == PassEnd::Stopped) {
    endInternetSession(context.internet);
    outcome.state = SearchState::Stopped;
    outcome.statusText = std::string(kStoppedText);
    panel.setPanelStatus(PanelStatus::Stopped, outcome.statusText);
    return outcome;
  }

  const PassCount broken = runBrokenLinkPass(context);
  outcome.brokenTotal = broken.count;
  endInternetSession(context.internet);

  outcome.droppedFindings = context.urls.droppedCount();
  if (outcome.droppedFindings > 0) panel.appendStatusLine(droppedFindingsLine(outcome.droppedFindings));

  if (broken.end == PassEnd::Stopped) {
    outcome.state = SearchState::Stopped;
    outcome.statusText = std::string(kStoppedText);
    panel.setPanelStatus(PanelStatus::Stopped, outcome.statusText);
  } else {
    outcome.state = SearchState::Done;
    outcome.statusText = doneText(context);
    panel.setPanelStatus(PanelStatus::Done, outcome.statusText);
  }
  return outcome;
}

SearchOutcome search(SearchContext& context) {
  if (!beginSearch(context)) {
    SearchOutcome refused;
    refused.state = SearchState::Refused;
    refused.statusText = std::string(kRunningText);  // the status line keeps its text
    return refused;
  }
  return runSearch(context);
}

PassCount runBrokenLinkPass(SearchContext& context) {
  ProgressPanel& panel = context.panel;
  panel.appendStatusLine(kBrokenLinkHeader);

  const std::size_t fileCount = context.files.count();
  PassCount pass;
  if (fileCount == 0) return pass;

  const auto upperBound = static_cast<std::int64_t>(fileCount);
  for (std::size_t i = 0; i < fileCount; ++i) {
    const std::string& path = context.files.path(i);
    const FileKind kind = fileKind(path);
    if (kind != FileKind::Other) {
      // A file that cannot be read (gone since it was listed, say) is passed
      // over without a line.
      if (std::optional<DocumentBuffer> buffer = loadDocument(path)) {
        // What was read, so that the rewrite can tell whether the file still
        // holds it: the positions recorded below are offsets into these bytes.
        context.urls.recordSource(i, sourceStampOf(*buffer));
        detectEncoding(*buffer);
        const auto fileIndex = static_cast<std::int32_t>(i);
        PassCount file;
        switch (kind) {
          case FileKind::Html: file = scanHtmlFile(context, *buffer, fileIndex); break;
          case FileKind::StyleSheet: file = scanStyleFile(context, *buffer, fileIndex); break;
          case FileKind::Script: file = scanScriptFile(context, *buffer, fileIndex); break;
          case FileKind::Other: break;
        }
        pass.count += file.count;
        if (file.end == PassEnd::Stopped) {
          pass.end = PassEnd::Stopped;
          return pass;
        }
      }
    }
    panel.setOverallProgress(upperBound, static_cast<std::int64_t>(i) + 1);
  }
  return pass;
}

}  // namespace quillorn
