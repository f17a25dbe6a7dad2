#include "cli/terminal_panel.h"

#include <unistd.h>
#include <csignal>
#include <cstdio>
#include <ostream>

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

constexpr int kBarWidth = 30;
constexpr std::size_t kNameWidth = 45;

}  // namespace

void installStopKey() {
  struct sigaction action {};
  action.sa_handler = onInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
}

bool stopRequested() { return gStop != 0; }

TerminalPanel::TerminalPanel(std::ostream* echo, std::function<std::string(std::int64_t)> fileName)
    : echo_(echo), fileName_(std::move(fileName)), barEnabled_(isatty(STDERR_FILENO) == 1) {}

TerminalPanel::~TerminalPanel() { clearBar(); }

void TerminalPanel::appendStatusLine(std::string_view line) {
  lines_.emplace_back(line);
  if (echo_ != nullptr) {
    clearBar();
    *echo_ << terminalText(platform::toDisplayUtf8(line)) << '\n';
    if (barEnabled_) echo_->flush();
  }
}

void TerminalPanel::setOverallProgress(std::int64_t upperBound, std::int64_t position) {
  upper_ = upperBound;
  position_ = position;
  drawBar(false);
}

void TerminalPanel::setFileProgress(std::int64_t, std::int64_t) {}

void TerminalPanel::setPanelStatus(PanelStatus status, std::string_view text) {
  status_ = status;
  statusText_ = text;
}

bool TerminalPanel::pollStopRequest() {
  drawBar(false);
  return stopRequested();
}

void TerminalPanel::clearBar() {
  if (!barShown_) return;
  std::fprintf(stderr, "\r\033[K");
  std::fflush(stderr);
  barShown_ = false;
}

void TerminalPanel::drawBar(bool force) {
  if (!barEnabled_ || upper_ <= 0) return;
  const auto now = std::chrono::steady_clock::now();
  if (!force && barShown_ && now - lastDraw_ < std::chrono::milliseconds(100)) return;
  lastDraw_ = now;
  const std::int64_t done = position_ < 0 ? 0 : (position_ > upper_ ? upper_ : position_);
  const int filled = static_cast<int>(done * kBarWidth / upper_);
  std::string bar(static_cast<std::size_t>(filled), '#');
  bar.append(static_cast<std::size_t>(kBarWidth - filled), '.');
  std::string name =
      (fileName_ && done < upper_) ? terminalText(platform::toDisplayUtf8(fileName_(done))) : std::string();
  if (name.size() > kNameWidth) {
    // Cut at a character's start, never inside its UTF-8 bytes.
    std::size_t cut = name.size() - (kNameWidth - 3);
    while (cut < name.size() && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) ++cut;
    name = "..." + name.substr(cut);
  }
  std::fprintf(stderr, "\r\033[K[%s] %lld/%lld %s", bar.c_str(), static_cast<long long>(done),
               static_cast<long long>(upper_), name.c_str());
  std::fflush(stderr);
  barShown_ = true;
}

}  // namespace quillorn::cli
