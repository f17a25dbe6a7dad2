#include "cli/terminal_panel.h"

#include <unistd.h>
#include <csignal>
#include <cstdio>
#include <ostream>
#include <string>
#include <utility>

#include "cli/terminal_text.h"
#include "platform/code_page.h"

namespace quillorn::cli {
namespace {

volatile std::sig_atomic_t gStop = 0;

extern "C" void onInterrupt(int) {
  gStop = 1;
  // The next Ctrl-C ends the process the usual way.
  std::signal(SIGINT, SIG_DFL);
}

constexpr std::size_t kBarWidth = 30;
constexpr std::size_t kNameWidth = 45;
constexpr auto kFirstDrawAfter = std::chrono::seconds(1);
constexpr auto kRedrawAfter = std::chrono::milliseconds(100);

}  // namespace

std::string progressLine(std::int64_t done, std::int64_t total, std::string_view count, std::string_view name) {
  if (total <= 0) return {};
  done = done < 0 ? 0 : (done > total ? total : done);
  const auto filled = static_cast<std::size_t>(done * static_cast<std::int64_t>(kBarWidth) / total);
  std::string line = "[" + std::string(filled, '#') + std::string(kBarWidth - filled, '.') + "] ";
  line += std::to_string(done) + "/" + std::to_string(total) + " files";
  if (!count.empty()) line.append(", ").append(count);
  if (name.empty()) return line;
  if (name.size() > kNameWidth) {
    // Cut at a character's start, never inside its UTF-8 bytes.
    std::size_t cut = name.size() - (kNameWidth - 3);
    while (cut < name.size() && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) ++cut;
    return line.append(" ...").append(name.substr(cut));
  }
  return line.append(" ").append(name);
}

void installStopKey() {
  struct sigaction action {};
  action.sa_handler = onInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
}

bool stopRequested() { return gStop != 0; }

TerminalPanel::TerminalPanel(std::ostream* echo, std::function<std::string(std::int64_t)> fileName)
    : echo_(echo),
      fileName_(std::move(fileName)),
      barEnabled_(isatty(STDERR_FILENO) == 1),
      echoOnTerminal_(echo != nullptr && isatty(STDOUT_FILENO) == 1) {}

TerminalPanel::~TerminalPanel() { clearBar(); }

void TerminalPanel::appendStatusLine(std::string_view line) {
  lines_.emplace_back(line);
  if (echo_ != nullptr) {
    // The line goes where the bar is only when both are on the terminal.
    if (echoOnTerminal_) clearBar();
    *echo_ << terminalText(platform::toDisplayUtf8(line)) << '\n';
    if (barEnabled_) echo_->flush();
  }
}

void TerminalPanel::setOverallProgress(std::int64_t upperBound, std::int64_t position) {
  upper_ = upperBound;
  position_ = position;
  drawBar();
}

void TerminalPanel::setFileProgress(std::int64_t, std::int64_t) {}

void TerminalPanel::setPanelStatus(PanelStatus status, std::string_view text) {
  status_ = status;
  statusText_ = text;
}

bool TerminalPanel::pollStopRequest() {
  drawBar();
  return stopRequested();
}

void TerminalPanel::setProgressCount(std::int64_t fileCount, ProgressCount count) {
  fileCount_ = fileCount;
  count_ = std::move(count);
  countText_.clear();
}

void TerminalPanel::clearBar() {
  if (!barShown_) return;
  std::fprintf(stderr, "\r\033[K");
  std::fflush(stderr);
  barShown_ = false;
}

void TerminalPanel::drawBar() {
  if (!barEnabled_ || upper_ <= 0 || (fileCount_ > 0 && upper_ != fileCount_)) return;
  const auto now = std::chrono::steady_clock::now();
  if (now - start_ < kFirstDrawAfter || (barShown_ && now - lastDraw_ < kRedrawAfter)) return;
  lastDraw_ = now;
  const std::int64_t done = position_ < 0 ? 0 : (position_ > upper_ ? upper_ : position_);
  const std::string name =
      (fileName_ && done < upper_) ? terminalText(platform::toDisplayUtf8(fileName_(done))) : std::string();
  if (count_.value && (countText_.empty() || now - lastCount_ >= kRedrawAfter)) {
    countText_ = std::to_string(count_.value()) + " " + count_.noun;
    lastCount_ = now;
  }
  std::fprintf(stderr, "\r\033[K%s", progressLine(done, upper_, countText_, name).c_str());
  std::fflush(stderr);
  barShown_ = true;
}

}  // namespace quillorn::cli
