// quillorn-scanbench: the search of one file, timed on hostile input. Each case
// repeats a small piece of text that defeats one kind of lexing loop (an
// unclosed url(, an unterminated string, quotes that hide tags, blocks that
// never close, tags without an end, long lines, ...) up to the same size, and
// the plain pages of the generated site give the figure to compare with. A
// scan whose cost grows faster than the file shows up as a row far below the
// plain ones.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "bench/site_generator.h"
#include "core/files/file_list.h"
#include "core/search/search_context.h"
#include "core/search/search_pass.h"
#include "platform/host_path.h"

namespace {

using namespace quillorn;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* kUsage = R"(Usage: quillorn-scanbench [--size BYTES] [--reps N] [--limit SECONDS] [--only TEXT]
                         [--single | --utf16]

Times the search of one file (saved-from pass and scanner, as quillorn-cli scan
--offline runs them) on hostile files and on plain pages of the generated site,
each about BYTES long (default 2097152), single-byte and UTF-16, and prints
MB/s for each. N timed runs per file, median shown (default 3). A search still
running after SECONDS (default 60) is stopped at its next stop poll and shown
as such. --only runs the cases whose name contains TEXT; --single and --utf16
run only the files of that kind.
)";

struct Case {
  std::string name;
  std::string extension;              // "htm", "css" or "js": which scanner reads it
  std::function<std::string()> text;  // makes the single-byte text, before any widening
  bool tagStrings = false;
  bool anchors = false;  // with the links to anchors checked
};

// `prefix`, then `unit` as often as fits in `size` bytes, then `suffix`.
std::string repeated(std::string_view prefix, std::string_view unit, std::string_view suffix, std::size_t size) {
  std::string text(prefix);
  while (text.size() + unit.size() + suffix.size() <= size) text.append(unit);
  text.append(suffix);
  return text;
}

// The site's files of one extension, one after another, repeated up to `size`.
std::string plainText(const fs::path& site, std::string_view extension, std::size_t size) {
  std::string pages;
  for (const auto& entry : fs::recursive_directory_iterator(site)) {
    if (!entry.is_regular_file() || entry.path().extension() != std::string(".").append(extension)) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::string bytes(static_cast<std::size_t>(entry.file_size()), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    // UTF-16 pages are widened by the benchmark itself.
    if (bytes.size() >= 2 && (static_cast<unsigned char>(bytes[0]) >= 0xFE)) continue;
    pages += bytes;
    if (pages.size() >= size) break;
  }
  if (pages.empty()) return {};
  std::string text;
  while (text.size() + pages.size() <= size) text += pages;
  text.append(pages, 0, size - text.size());
  return text;
}

// The cases; each text is made only when its case runs.
std::vector<Case> makeCases(const fs::path& site, std::size_t size) {
  // The url( arguments that hold control characters overlap: each one's
  // search resumes inside the one before.
  const std::string controls(1000, '\x01');
  std::vector<Case> cases = {
      {"plain-page", "htm", [=] { return plainText(site, "html", size); }},
      {"plain-sheet", "css", [=] { return plainText(site, "css", size); }},
      {"plain-script", "js", [=] { return plainText(site, "js", size); }},
      {"style-unclosed-url", "htm", [=] { return repeated("<style>", "url(", "", size); }},
      {"sheet-unclosed-url", "css", [=] { return repeated("", "url(", "", size); }},
      {"sheet-url-far-close", "css", [=] { return repeated("", "url(", ")", size); }},
      {"sheet-quoted-parens", "css", [=] { return repeated("", "url(\"x)\"", "", size); }},
      {"sheet-url-controls", "css", [=] { return repeated("url(", controls + "url(", ")", size); }},
      {"style-quoted-tags", "htm", [=] { return repeated("", "<style \">\"", "\"<p>url(a.gif)", size); }},
      {"style-comment-no-end", "htm", [=] { return repeated("", "<style<!--url(a.gif)", "", size); }},
      {"style-no-tag-end", "htm", [=] { return repeated("", "<style ", ">url(a.gif)", size); }},
      {"script-unclosed-string", "htm", [=] { return repeated("<script>", "http://\n", "</script>", size); }},
      {"script-quoted-tags", "htm", [=] { return repeated("", "<script \">\"", "</script>", size); }},
      {"script-comment-no-end", "htm", [=] { return repeated("", "<script<!--'http://a.b/' ", "</script>", size); }},
      {"script-opened-never-closed", "htm", [=] { return repeated("", "<script ", "", size); }},
      {"script-file-bare-urls", "js", [=] { return repeated("", "http://\n", "", size); }},
      {"script-file-escaped-quote", "js", [=] { return repeated("", "\\'http://\n", "", size); }},
      {"script-file-comments", "js", [=] { return repeated("", "/* 'http://a.b/' ", "", size); }},
      {"script-file-tags", "js", [=] { return repeated("", "<script <img src=\"", "", size); }, true},
      {"long-line", "js", [=] { return repeated("", "x='http://a.b/';", "", size); }},
      {"tags-without-end", "htm", [=] { return repeated("", "<a href=x ", "", size); }},
      {"tags-unclosed-quotes", "htm", [=] { return repeated("", "<a href=\"x ", "", size); }},
      {"attribute-quote-soup", "htm", [=] { return repeated("", "<img title=\"a' src='b\" ", "", size); }},
      {"attribute-hops-over-tags", "htm", [=] { return repeated("", "<a\"\"=\"", "", size); }},
      {"attribute-controls", "htm", [=] { return repeated("", "<ahref=\x01", "", size); }},
      {"attribute-control-runs", "htm", [=] { return repeated("", "<ahref=" + controls, "", size); }},
      {"comments-without-end", "htm", [=] { return repeated("", "<!-- saved from url=", "", size); }},
      {"comments-quoted", "htm", [=] { return repeated("", "<!-- \"<!-- '", "", size); }},
      {"comments-hop-over-comments", "htm", [=] { return repeated("", "<!--\"\"=\"", "", size); }},
      {"plain-page-anchors", "htm", [=] { return plainText(site, "html", size); }, false, true},
      {"anchor-links-missing", "htm", [=] { return repeated("<p id=x>", "<a href=#y>", "", size); }, false, true},
      {"anchor-links-found", "htm", [=] { return repeated("<p id=x>", "<a href=#x>", "", size); }, false, true},
      {"anchor-ids", "htm", [=] { return repeated("", "<p id=x>", "", size); }, false, true},
      {"anchor-attribute-soup", "htm", [=] { return repeated("", "<a name=\"x' id='", "", size); }, false, true},
      {"anchor-script-no-end", "htm", [=] { return repeated("<script>", "<a name=x>", "", size); }, false, true},
  };
  return cases;
}

// Never stops by itself; asks to stop once the deadline has passed.
class DeadlinePanel : public ProgressPanel {
 public:
  explicit DeadlinePanel(Clock::time_point deadline) : deadline_(deadline) {}
  void appendStatusLine(std::string_view) override {}
  void setOverallProgress(std::int64_t, std::int64_t) override {}
  void setFileProgress(std::int64_t, std::int64_t) override {}
  void setPanelStatus(PanelStatus, std::string_view) override {}
  bool pollStopRequest() override { return Clock::now() > deadline_; }

 private:
  Clock::time_point deadline_;
};

struct Timing {
  double seconds = 0;
  std::size_t findings = 0;
  bool stopped = false;
};

Timing searchOnce(const fs::path& file, const Case& which, double limitSeconds) {
  Settings settings;
  settings.checkInternetUrls = false;
  settings.scriptTagStrings = which.tagStrings;
  settings.checkAnchors = which.anchors;
  FileList files;
  files.addSelectedFiles({platform::toPathText(file)}, [] { return false; });
  UrlTable urls;
  SavedFromTable savedFrom;
  quillorn::SiteAddresses siteAddresses;
  quillorn::PageAnchors anchors;
  InternetSession internet;
  const Clock::time_point start = Clock::now();
  DeadlinePanel panel(start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(limitSeconds)));
  SearchContext context{settings, files, urls, savedFrom, internet, panel, siteAddresses, anchors};
  const Outcome<SearchOutcome, SearchError> outcome = search(context);
  Timing timing;
  timing.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  timing.findings = urls.count() + urls.droppedCount();
  timing.stopped = !outcome.ok() || outcome.value().end != PassEnd::Done;
  return timing;
}

std::string widened(std::string_view text) {
  std::string bytes = "\xFF\xFE";
  for (char c : text) {
    bytes.push_back(c);
    bytes.push_back('\0');
  }
  return bytes;
}

bool parseNumber(const char* text, double& value) {
  char* end = nullptr;
  value = std::strtod(text, &end);
  return end != text && *end == '\0' && value > 0;
}

}  // namespace

int main(int argc, char** argv) {
  double size = 2097152;
  double reps = 3;
  double limit = 60;
  std::string only;
  bool single = true;
  bool utf16 = true;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--size" && hasValue && parseNumber(argv[i + 1], size)) {
      ++i;
    } else if (arg == "--reps" && hasValue && parseNumber(argv[i + 1], reps)) {
      ++i;
    } else if (arg == "--limit" && hasValue && parseNumber(argv[i + 1], limit)) {
      ++i;
    } else if (arg == "--only" && hasValue) {
      only = argv[++i];
    } else if (arg == "--single") {
      utf16 = false;
    } else if (arg == "--utf16") {
      single = false;
    } else {
      std::cerr << kUsage;
      return arg == "--help" ? 0 : 2;
    }
  }

  std::string pattern = (fs::temp_directory_path() / "quillorn-scanbench.XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    std::cerr << "quillorn-scanbench: cannot make a temporary folder\n";
    return 1;
  }
  const fs::path work(pattern);
  bench::SiteOptions siteOptions;
  siteOptions.pages = 120;
  const bench::GenerateResult site = bench::generateSite(work / "site", siteOptions);
  if (!site.ok) {
    std::cerr << "quillorn-scanbench: " << site.error << '\n';
    return 1;
  }

  const auto bytes = static_cast<std::size_t>(size);
  std::printf("search of one file, median of %d runs (the plain-* rows are the yardstick)\n", static_cast<int>(reps));
  std::printf("%-28s %-4s %-6s %8s %9s %9s %9s\n", "case", "file", "text", "MB", "findings", "seconds", "MB/s");
  for (const Case& item : makeCases(work / "site", bytes)) {
    if (!only.empty() && item.name.find(only) == std::string::npos) continue;
    const std::string text = item.text();
    for (const bool wide : {false, true}) {
      if (!(wide ? utf16 : single)) continue;
      // The same characters either way, so UTF-16 files are twice the bytes.
      const std::string content = wide ? widened(text) : text;
      const fs::path file = work / ("case." + item.extension);
      std::ofstream(file, std::ios::binary | std::ios::trunc) << content;
      std::vector<Timing> runs;
      for (int r = 0; r < static_cast<int>(reps); ++r) {
        runs.push_back(searchOnce(file, item, limit));
        if (runs.back().stopped) break;
      }
      std::sort(runs.begin(), runs.end(), [](const Timing& a, const Timing& b) { return a.seconds < b.seconds; });
      const Timing& median = runs[runs.size() / 2];
      const double megabytes = static_cast<double>(content.size()) / 1e6;
      if (median.stopped) {
        std::printf("%-28s %-4s %-6s %8.2f %9s %9s %9s\n", item.name.c_str(), item.extension.c_str(),
                    wide ? "utf16" : "single", megabytes, "-", ("> " + std::to_string(static_cast<int>(limit))).c_str(),
                    "stopped");
      } else {
        std::printf("%-28s %-4s %-6s %8.2f %9zu %9.3f %9.1f\n", item.name.c_str(), item.extension.c_str(),
                    wide ? "utf16" : "single", megabytes, median.findings, median.seconds, megabytes / median.seconds);
      }
      std::fflush(stdout);
    }
  }
  std::error_code error;
  fs::remove_all(work, error);
  return 0;
}
