// The wizard's companion button against what runs in the session: a real
// Ravelet window (brought to the front), a window of that title without the
// marker (left alone), a leftover of an ended Ravelet, and nothing at all
// (a Ravelet is started).

#include <QDialog>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <memory>

#include "restorer/restorer_window.h"
#include "tests/gui/wizard_harness.h"
#include "ui/companion.h"
#include "wizard/resources/templates.h"

namespace {

namespace ui = quillorn::ui;
using quillorn::test_support::WizardHarness;

// A socket file of the companion's name that nobody listens on, as a Ravelet
// that was killed leaves it.
void leaveDeadAnnouncement() {
  const QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR") + "/quillorn-windows";
  QDir().mkpath(folder);
  const QByteArray path = QFile::encodeName(folder + "/%2332770.Ravelet.1-1");
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ::close(fd);
}

enum class Running { Nothing, Ravelet, Stranger, DeadRavelet };

struct CompanionRow {
  const char* name;
  Running running;
  bool started;  // a new Ravelet was started
  bool fronted;  // the running window left its minimized state
};

class CompanionTest : public ::testing::TestWithParam<CompanionRow> {};

TEST_P(CompanionTest, TheButtonFindsRaveletByClassTitleAndMarker) {
  const CompanionRow& row = GetParam();
  WizardHarness wizard(true);
  std::unique_ptr<QWidget> window;
  std::unique_ptr<ui::WindowAnnouncer> stranger;
  if (row.running == Running::Ravelet) {
    window = std::make_unique<quillorn::restorer::RestorerWindow>();
  } else if (row.running == Running::Stranger) {
    window = std::make_unique<QDialog>();
    window->setWindowTitle("Ravelet");
    stranger = std::make_unique<ui::WindowAnnouncer>(window.get(), ui::kCompanionClass, 0x222334);
  } else if (row.running == Running::DeadRavelet) {
    leaveDeadAnnouncement();
  }
  if (window) window->showMinimized();

  wizard.clickFrame(quillorn::wizard::frame_ids::kCompanion);

  EXPECT_EQ(wizard.desktop.programs.size(), row.started ? 1 : 0);
  if (window) {
    EXPECT_EQ(!window->isMinimized(), row.fronted);
  }
}

INSTANTIATE_TEST_SUITE_P(Session, CompanionTest,
                         ::testing::Values(CompanionRow{"NothingRunsSoOneStarts", Running::Nothing, true, false},
                                           CompanionRow{"RaveletComesToTheFront", Running::Ravelet, false, true},
                                           CompanionRow{"AStrangerIsLeftAlone", Running::Stranger, false, false},
                                           CompanionRow{"ALeftoverIsNoRavelet", Running::DeadRavelet, true, false}),
                         [](const ::testing::TestParamInfo<CompanionRow>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
