#include "wizard/shell/frame.h"

#include <QCloseEvent>
#include <QKeySequence>
#include <QShortcut>

#include <fstream>

#include "core/settings/settings.h"
#include "platform/host_path.h"
#include "ui/companion.h"
#include "ui/desktop.h"
#include "ui/text.h"
#include "wizard/resources/pictures.h"
#include "wizard/resources/templates.h"
#include "wizard/shell/about_box.h"
#include "wizard/shell/program_paths.h"
#include "wizard/shell/step_table.h"

namespace quillorn::wizard {
namespace {

QString fromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

Frame::Frame(Repair& repair, platform::RegistryFile& registry, std::string_view programFile)
    : ui::Dialog(nullptr, dialogTemplate(frame_ids::kTemplate), true),
      repair_(repair),
      registry_(registry),
      programDirectory_(programDirectoryOf(programFile)),
      companionPath_(companionPathOf(programDirectory_)),
      lock_([this](int window) -> const ui::ControlSet* {
        if (window == FrameLock::kFrameWindow) return &controls();
        return pages_[static_cast<std::size_t>(window)] != nullptr ? &page(window).controls() : nullptr;
      }),
      stopKey_(this) {
  setWindowIcon(wizardIcon());
  // Pages have captions with these letters too ("Do &not change",
  // "Re&place with URL:"); the keyboard user still leaves every page by them.
  claimMnemonic(frame_ids::kNext, 'N');
  claimMnemonic(frame_ids::kPrevious, 'P');
  claimMnemonic(frame_ids::kExit, 'X');
  // The companion's file is looked for once; without it the button stays off.
  if (!std::ifstream(platform::toHostPath(companionPath_), std::ios::binary).is_open()) {
    controls().enable(frame_ids::kCompanion, false);
  }

  // Every page sets its controls from the loaded options while it is made.
  const QPoint pageOrigin = ui::mapDialogRect(kPageArea, ui::baseUnits(font())).topLeft();
  for (int step = 0; step < kStepCount; ++step) {
    WizardPage* page = stepTable()[static_cast<std::size_t>(step)].createPage(*this);
    page->move(pageOrigin);
    pages_[static_cast<std::size_t>(step)] = page;
  }

  // F1 anywhere in the frame or its pages, unless the lock holds Help.
  auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
  connect(f1, &QShortcut::activated, this, [this] {
    if (controls().isEnabled(frame_ids::kHelp)) ui::desktop().openHelp(fromUtf8(helpAddress()));
  });

  showStep();
}

Frame::~Frame() = default;

void Frame::lockControls() { lock_.lockControls(); }

void Frame::unlockControls() {
  lock_.unlockControls();
  if (closePending_)
    QMetaObject::invokeMethod(
        this, [this] { requestClose(); }, Qt::QueuedConnection);
}

void Frame::withdrawCloseRequest() {
  closePending_ = false;
  stopKey_.withdrawStop();
}

void Frame::allowNext(bool allowed) { controls().enable(frame_ids::kNext, allowed); }

void Frame::allowPrevious(bool allowed) { controls().enable(frame_ids::kPrevious, allowed); }

void Frame::focusNext() {
  ++focusChoices_;
  controls().setFocus(frame_ids::kNext);
}

void Frame::focusPrevious() {
  ++focusChoices_;
  controls().setFocus(frame_ids::kPrevious);
}

bool Frame::nextHasFocus() const { return controls().hasFocus(frame_ids::kNext); }

void Frame::quitAfterFatalError(const QString& text) {
  showEmergencyQuit(text);
  done(-1);
}

std::string Frame::helpAddress() const {
  return helpAddressOf(programDirectory_, stepTable()[static_cast<std::size_t>(currentStep_)].helpTopic);
}

void Frame::onCommand(int id, int code) {
  if (code != ui::kClicked) return;
  switch (id) {
    case frame_ids::kPrevious: previous(); break;
    case frame_ids::kNext: next(); break;
    case frame_ids::kExit: requestClose(); break;
    case frame_ids::kAbout: showAboutBox(*this); break;
    case frame_ids::kHelp: ui::desktop().openHelp(fromUtf8(helpAddress())); break;
    case frame_ids::kCompanion: startCompanion(); break;
    default: break;
  }
}

void Frame::closeEvent(QCloseEvent* event) {
  event->ignore();
  requestClose();
}

void Frame::reject() {}

void Frame::showStep() {
  const WizardStep& step = stepTable()[static_cast<std::size_t>(currentStep_)];
  showStepPicture(controls(), step.picture, stripPicture_);
  // On the last page Next starts the run over.
  controls().setText(frame_ids::kNext,
                     currentStep_ == kProcessingStep ? QStringLiteral("&Start over") : QStringLiteral("&Next >>"));
  // The page's first control takes the focus, unless the page gave it to
  // Previous or Next itself while it was shown (a search that cannot begin).
  const int focusChoices = focusChoices_;
  page(currentStep_).show();
  if (focusChoices_ == focusChoices && !page(currentStep_).controls().focusFirst()) {
    controls().setFocus(frame_ids::kNext);
  }
  if (currentStep_ == kWelcomeStep) {
    for (WizardPage* each : pages_) each->firstPageShown();
  }
  setWindowTitle(QStringLiteral("Quillorn - ") + fromUtf8(step.title));
}

void Frame::previous() {
  if (currentStep_ == 0) return;
  page(currentStep_).hide();
  --currentStep_;
  showStep();
}

void Frame::next() {
  if (currentStep_ == kDeletionStep) {
    const ui::MessageRequest question{
        QStringLiteral("Quillorn"),
        QStringLiteral("Now the changes will be applied permanently\nAre you sure that everything is correct?"),
        ui::MessageIcon::Question, ui::MessageButtons::YesNo, ui::MessageAnswer::Yes};
    if (ui::desktop().ask(this, question) != ui::MessageAnswer::Yes) return;
  }
  page(currentStep_).hide();
  if (currentStep_ == kProcessingStep) {
    startOver();
    currentStep_ = 0;
  } else {
    ++currentStep_;
  }
  showStep();
}

void Frame::startOver() {
  // Only the file list and the two replacement addresses start afresh; the
  // other options, the decisions and the results stay until their pages
  // renew them.
  repair_.clearList();
  repair_.settings().imageReplacementUrl.clear();
  repair_.settings().backgroundReplacementUrl.clear();
  for (WizardPage* each : pages_) each->startOver();
}

void Frame::startCompanion() {
  // The first window of the companion's class and title decides: ours comes
  // to the front, a stranger's makes the button do nothing.
  std::optional<ui::AnnouncedWindow> running = ui::findAnnouncedWindow(ui::kCompanionClass, ui::kCompanionTitle);
  if (!running) {
    ui::desktop().startProgram(ui::displayPath(companionPath_));
  } else if (running->userData == ui::kCompanionMarker) {
    running->bringToFront();
  }
}

void Frame::requestClose() {
  if (lock_.locked()) {
    closePending_ = true;
    stopKey_.requestStop();
    return;
  }
  const SettingsResult saved = saveSettings(registry_, repair_.settings());
  if (!saved.ok()) {
    quitAfterFatalError(fromUtf8(saved.message));
    return;
  }
  done(0);
}

void showEmergencyQuit(const QString& text) {
  ui::desktop().ask(nullptr, {QStringLiteral("Emergency Quit"), text, ui::MessageIcon::Error, ui::MessageButtons::Ok,
                              ui::MessageAnswer::Ok});
}

std::unique_ptr<Frame> openFrame(Repair& repair, platform::RegistryFile& registry, std::string_view programFile) {
  const SettingsResult loaded = loadSettings(registry, repair.settings());
  if (!loaded.ok()) {
    showEmergencyQuit(fromUtf8(loaded.message));
    return nullptr;
  }
  return std::make_unique<Frame>(repair, registry, programFile);
}

}  // namespace quillorn::wizard
