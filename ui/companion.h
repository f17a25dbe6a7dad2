#pragma once
// How one of our programs finds a window of another that runs in the same
// user session: the window announces itself under its class and title, and
// answers who it is (class, title, user data) and requests to come to the
// front. The wizard finds a running Ravelet this way, by the class and title
// below, and trusts it only when its user data is the companion marker.
//
// An announcement is a local socket in the session's folder of windows
// ($XDG_RUNTIME_DIR/quillorn-windows, or a folder of the user's own under the
// temporary folder when the session has none), named after the class, the
// title, the process and a count, so several copies and a crashed one's
// leftover can be told apart. Only the user may connect. A request is one
// line: "identify" is answered "<class>\t<title>\t<user data in decimal>\n";
// "front" brings the window to the front (restored when minimized) and is not
// answered.
//
// Known limits: POSIX hosts; the window's title is taken when it starts to
// announce (a later change of title is not followed).

#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

class QLocalServer;
class QLocalSocket;
class QWidget;

namespace quillorn::ui {

// The companion's window: its dialog class, title and the marker in its user data.
inline const QString kCompanionClass = QStringLiteral("#32770");
inline const QString kCompanionTitle = QStringLiteral("Ravelet");
inline constexpr std::uint32_t kCompanionMarker = 0x222333;

// Announces `window` (its title as it is now) with `windowClass` and
// `userData` for as long as the object lives; silently nothing when the
// session's folder cannot be had.
class WindowAnnouncer : public QObject {
 public:
  WindowAnnouncer(QWidget* window, const QString& windowClass, std::uint32_t userData);
  ~WindowAnnouncer() override;
  WindowAnnouncer(const WindowAnnouncer&) = delete;
  WindowAnnouncer& operator=(const WindowAnnouncer&) = delete;

 private:
  void answer(QLocalSocket* client);

  QWidget* window_;
  QString windowClass_;
  QString title_;
  std::uint32_t userData_;
  QLocalServer* server_;
};

// A window found in the session, with the connection to it.
class AnnouncedWindow {
 public:
  explicit AnnouncedWindow(std::unique_ptr<QLocalSocket> connection);
  ~AnnouncedWindow();
  AnnouncedWindow(AnnouncedWindow&&) noexcept;
  AnnouncedWindow& operator=(AnnouncedWindow&&) noexcept;

  // Empty when the window did not say who it is in time (its program is busy).
  std::optional<std::uint32_t> userData;

  // Asks the window to come to the front.
  void bringToFront();

 private:
  std::unique_ptr<QLocalSocket> connection_;
};

// The first window announced with `windowClass` and `title` that answers the
// connection (in the order of the announcements' names), or none. Waits at
// most about a second per window, handling events meanwhile but no input.
std::optional<AnnouncedWindow> findAnnouncedWindow(const QString& windowClass, const QString& title);

}  // namespace quillorn::ui
