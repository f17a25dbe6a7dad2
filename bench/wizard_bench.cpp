// Times the wizard on Qt's offscreen platform, every step started by its
// button as a person would, with every line, bar and repaint the window makes
// on the way. The options go to a registry file in a temporary folder, never
// the user's.
//
//   quillorn-wizard-bench SITE_DIR
//       page 2 adds the site's folder with its subfolders, page 4 searches it
//       with the Internet check off (bench/wizard_bench.sh runs it beside
//       `quillorn-cli scan`)
//   quillorn-wizard-bench --internet SITE_DIR [CONNECTIONS]
//       the same with the Internet check on, CONNECTIONS requests under way at
//       one time (default 64); besides the search's time, the longest the
//       event loop went without a round (a 10 ms timer's longest interval) and
//       the longest between two repaints of the status list
//       (bench/internet_bench.sh runs it against its loopback server)
//   quillorn-wizard-bench --repair SITE_DIR
//       the same, then pages 5 to 7 with their first choices: the results
//       list, the deletion properties, the question answered Yes and the
//       rewriting of the site, which it changes (give it a copy;
//       bench/wizard_repair_bench.sh runs it beside `quillorn-cli fix`). The
//       Internet URLs that the search could not check are taken out of the
//       findings first, as `fix` takes them out, so both make the same changes.
//   quillorn-wizard-bench --review
//       page 5 alone on a found-URL table made up for it: 65,536 findings in
//       20,000 lines, one of them standing for 10,000 findings; the fill when
//       the page is shown, and Apply on that line
//
// Prints one line of figures.

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "core/settings/settings.h"
#include "platform/registry_file.h"
#include "ui/list_box.h"
#include "ui/scripted_desktop.h"
#include "wizard/resources/templates.h"
#include "wizard/shell/frame.h"

namespace wizard = quillorn::wizard;

namespace {

double secondsOf(const QElapsedTimer& timer) { return static_cast<double>(timer.nsecsElapsed()) / 1e9; }

// The longest time between two events: call tick() at each; the first gap
// runs from the moment it was made.
class GapClock {
 public:
  GapClock() { clock_.start(); }
  // Counts an event and ends the gap since the last.
  void tick() {
    ++ticks_;
    longestNs_ = std::max(longestNs_, clock_.nsecsElapsed());
    clock_.restart();
  }
  // The gap still open counted too, as if an event came now.
  double longestMs() const { return static_cast<double>(std::max(longestNs_, clock_.nsecsElapsed())) / 1e6; }
  // The closed gaps alone.
  double longestClosedMs() const { return static_cast<double>(longestNs_) / 1e6; }
  int ticks() const { return ticks_; }

 private:
  QElapsedTimer clock_;
  qint64 longestNs_ = 0;
  int ticks_ = 0;
};

// Ticks `gaps` at every paint event of the widget it watches.
class PaintWatch : public QObject {
 public:
  explicit PaintWatch(GapClock& gaps) : gaps_(gaps) {}
  // Never filters the event out.
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) gaps_.tick();
    return false;
  }

 private:
  GapClock& gaps_;
};

// The made-up table of --review: 65,536 findings in 20,000 groups. Group 0
// has 10,000 findings spread over the whole table; the others share the rest
// in turn, with deletions, replacements and relative paths among them.
void fillReviewTable(quillorn::UrlTable& urls) {
  constexpr std::size_t kFindings = quillorn::UrlTable::kCapacity;
  constexpr std::size_t kBigGroup = 10000;
  constexpr std::size_t kOtherGroups = 19999;
  urls.clear();
  std::size_t other = 0;
  for (std::size_t i = 0; i < kFindings; ++i) {
    quillorn::UrlEntry entry;
    entry.quoteKind = quillorn::Delimited;
    entry.spanLength = 20;
    entry.valuePos = static_cast<std::int64_t>(i) * 40;
    entry.tagPos = entry.valuePos - 9;
    if ((i * kBigGroup) % kFindings < kBigGroup) {
      entry.url = "archive/retired/gone.html";
    } else {
      const std::size_t group = 1 + other++ % kOtherGroups;
      entry.url = "sec" + std::to_string(group % 250) + "/topic/page-" + std::to_string(group) + ".html";
      switch (group % 3) {
        case 0: break;
        case 1: entry.replacement = "sec0/moved/page-" + std::to_string(group) + ".html"; break;
        default: entry.replacement = "???file:///srv/site/media/archive/p" + std::to_string(group) + ".gif"; break;
      }
    }
    urls.append(std::move(entry));
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc >= 2 ? argv[1] : "";
  const bool review = argc == 2 && mode == "--review";
  const bool repairRun = argc == 3 && mode == "--repair";
  const bool internet = (argc == 3 || argc == 4) && mode == "--internet";
  std::uint32_t connections = quillorn::platform::kDefaultInternetConnections;
  if (internet && argc == 4) {
    const std::string_view text = argv[3];
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), connections);
    if (error != std::errc() || end != text.data() + text.size() || connections < 1 ||
        connections > quillorn::kMaxInternetConnections) {
      std::fprintf(stderr, "quillorn-wizard-bench: CONNECTIONS is 1 to %u\n", quillorn::kMaxInternetConnections);
      return 2;
    }
  }
  if (!review && !repairRun && !internet && !(argc == 2 && mode.rfind("--", 0) != 0)) {
    std::fprintf(stderr,
                 "usage: quillorn-wizard-bench [--repair] SITE_DIR | --internet SITE_DIR [CONNECTIONS] | --review\n");
    return 2;
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication application(argc, argv);
  const QTemporaryDir scratch;
  // --review searches a one-page site of its own, so that page 5 can be shown.
  std::string site = internet ? argv[2] : argv[argc - 1];
  if (review) {
    site = (std::filesystem::path(scratch.path().toStdString()) / "site").string();
    std::filesystem::create_directories(site);
    std::FILE* page = std::fopen((site + "/index.html").c_str(), "wb");
    if (page == nullptr) return 1;
    std::fputs("<a href=\"gone.html\">gone</a>\n", page);
    std::fclose(page);
  }
  quillorn::ui::ScriptedDesktop desktop;  // every question gets its default answer
  desktop.folderAnswers.push_back({QString::fromLocal8Bit(site.c_str())});

  quillorn::platform::RegistryFile registry(std::filesystem::path(scratch.path().toStdString()) / "registry.reg");
  // The request count is stored only, shown on no page: the frame reads it from here.
  if (internet && !registry.createKey(quillorn::kSettingsKeyPath).setDword("InternetConnections", connections)) {
    return 1;
  }
  quillorn::Repair repair;
  const auto frame = wizard::openFrame(repair, registry, "\\opt\\Quillorn\\Quillorn");
  if (frame == nullptr) return 1;
  frame->show();
  quillorn::ui::handleWaitingEvents();
  const auto frameButton = [&](int id) { return frame->controls().control(id); };

  quillorn::ui::press(frameButton(wizard::frame_ids::kNext));
  QElapsedTimer timer;
  timer.start();
  quillorn::ui::press(frame->page(1).controls().control(wizard::files_ids::kAddFolders));
  const double addSeconds = secondsOf(timer);

  quillorn::ui::press(frameButton(wizard::frame_ids::kNext));
  frame->page(2).controls().setChecked(wizard::options_ids::kCheckInternetUrls, internet);
  const quillorn::ui::ControlSet& search = frame->page(3).controls();
  // Rounds of the event loop and repaints of the status list while the search runs.
  GapClock loopGaps;
  GapClock paintGaps;
  QTimer ticker;
  ticker.setTimerType(Qt::PreciseTimer);
  ticker.setInterval(10);
  QObject::connect(&ticker, &QTimer::timeout, [&loopGaps] { loopGaps.tick(); });
  PaintWatch paintWatch(paintGaps);
  if (internet) {
    search.listBox(wizard::search_ids::kStatusList)->viewport()->installEventFilter(&paintWatch);
    ticker.start();
  }
  QElapsedTimer pages;
  pages.start();
  timer.restart();
  quillorn::ui::press(frameButton(wizard::frame_ids::kNext));
  const double searchSeconds = secondsOf(timer);
  ticker.stop();
  const double loopGapMs = loopGaps.longestMs();
  const quillorn::ui::ControlSet& results = frame->page(4).controls();

  if (review) {
    fillReviewTable(repair.urls());
    timer.restart();
    quillorn::ui::press(frameButton(wizard::frame_ids::kNext));
    const double fillSeconds = secondsOf(timer);
    quillorn::ui::ListBox* list = results.listBox(wizard::results_ids::kList);
    list->selectRow(0);
    quillorn::ui::handleWaitingEvents();
    results.setText(wizard::results_ids::kReplacement, QStringLiteral("archive/index.html"));
    timer.restart();
    quillorn::ui::press(results.control(wizard::results_ids::kApply));
    const double applySeconds = secondsOf(timer);
    std::printf("findings %zu lines %d fill_s %.3f apply_s %.4f label \"%s\" line0 \"%s\"\n", repair.urls().count(),
                list->count(), fillSeconds, applySeconds, qPrintable(results.text(wizard::results_ids::kCount)),
                qPrintable(list->line(0)));
    return 0;
  }

  if (internet) {
    std::printf(
        "connections %u files %zu add_s %.3f search_s %.3f max_loop_gap_ms %.1f max_paint_gap_ms %.1f paints %d "
        "checked %zu lines %d findings %zu status \"%s\"\n",
        connections, repair.files().count(), addSeconds, searchSeconds, loopGapMs, paintGaps.longestClosedMs(),
        paintGaps.ticks(), repair.internet().checkedUrls().size(),
        search.listBox(wizard::search_ids::kStatusList)->count(), repair.urls().count(),
        qPrintable(search.text(wizard::search_ids::kStatusLine)));
    return 0;
  }

  if (!repairRun) {
    std::printf("files %zu add_s %.3f search_s %.3f lines %d findings %zu status \"%s\"\n", repair.files().count(),
                addSeconds, searchSeconds, search.listBox(wizard::search_ids::kStatusList)->count(),
                repair.urls().count(), qPrintable(search.text(wizard::search_ids::kStatusLine)));
    return 0;
  }

  // The findings `fix` works on: without the Internet URLs that the search
  // could not check, which `fix` leaves alone and page 5 would offer to
  // delete. Both then make the same changes.
  repair.urls().eraseIf([](const quillorn::UrlEntry& entry) { return entry.internetUrl; });
  timer.restart();
  quillorn::ui::press(frameButton(wizard::frame_ids::kNext));  // page 5
  const double resultsSeconds = secondsOf(timer);
  quillorn::ui::press(frameButton(wizard::frame_ids::kNext));  // page 6
  timer.restart();
  quillorn::ui::press(frameButton(wizard::frame_ids::kNext));  // the question, then page 7
  const double rewriteSeconds = secondsOf(timer);
  const double pagesSeconds = secondsOf(pages);
  const quillorn::ui::ControlSet& processing = frame->page(6).controls();
  std::printf(
      "files %zu add_s %.3f search_s %.3f results_s %.3f rewrite_s %.3f pages4to7_s %.3f lines %d rewritten %d "
      "status \"%s\"\n",
      repair.files().count(), addSeconds, searchSeconds, resultsSeconds, rewriteSeconds, pagesSeconds,
      results.listBox(wizard::results_ids::kList)->count(),
      processing.listBox(wizard::processing_ids::kStatusList)->count(),
      qPrintable(processing.text(wizard::processing_ids::kStatusLine)));
  return 0;
}
