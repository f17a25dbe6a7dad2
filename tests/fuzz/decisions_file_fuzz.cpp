// Feeds arbitrary bytes, as a decisions file, to the reader that
// `fix --decisions` uses, against a search of a small committed site. "<site>"
// in the input stands for that site's folder, so the seeds (its reports) pass
// the checks of files and findings and reach the decisions themselves. The
// check below is the reader's contract: a decision never adds, drops or moves
// a finding.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "cli/decisions_file.h"
#include "cli/terminal_panel.h"
#include "core/review/decisions.h"
#include "core/search/search_pass.h"
#include "platform/host_path.h"

namespace {

using namespace quillorn;

void check(bool condition) {
  if (!condition) std::abort();
}

// The site searched once, offline, as `fix --offline` searches it.
struct Site {
  Site() {
    settings.checkInternetUrls = false;
    files.addFolder(true, platform::toPathText(folder), [] { return false; });
    cli::TerminalPanel panel(nullptr, {});
    SearchContext context{settings, files, urls, savedFrom, internet, panel, siteAddresses, anchors};
    const Outcome<SearchOutcome, SearchError> searched = search(context);
    check(searched.ok() && searched.value().end == PassEnd::Done && urls.count() > 0);
  }
  const std::string folder = QUILLORN_FUZZ_SITE;
  Settings settings;
  FileList files;
  UrlTable urls;
  SavedFromTable savedFrom;
  quillorn::SiteAddresses siteAddresses;
  quillorn::PageAnchors anchors;
  InternetSession internet;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Site site;
  std::string text(reinterpret_cast<const char*>(data), size);
  for (std::size_t at = text.find("<site>"); at != std::string::npos;
       at = text.find("<site>", at + site.folder.size())) {
    text.replace(at, 6, site.folder);
  }
  UrlTable urls = site.urls;
  const auto decisions = cli::readDecisions(text, "fuzz.json", site.settings, site.files, urls);
  if (decisions.ok()) applyDecisions(urls, decisions.value());
  check(urls.count() == site.urls.count());
  for (std::size_t i = 0; i < urls.count(); ++i) {
    const UrlEntry& after = urls.entry(i);
    const UrlEntry& before = site.urls.entry(i);
    check(after.url == before.url && after.valuePos == before.valuePos && after.spanLength == before.spanLength &&
          after.fileIndex == before.fileIndex);
  }
  return 0;
}
