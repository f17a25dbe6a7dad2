#include "ui/companion.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <unistd.h>

namespace quillorn::ui {
namespace {

constexpr int kAnswerWaitMs = 1000;

// The session's folder of announcements, made (owner only) when missing;
// empty when it cannot be had.
QString windowsFolder() {
  QString session = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (session.isEmpty() || !QDir::isAbsolutePath(session)) {
    session = QDir::tempPath() + QStringLiteral("/quillorn-%1").arg(getuid());
  }
  const QString folder = session + QStringLiteral("/quillorn-windows");
  if (!QDir().mkpath(folder)) return {};
  QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  return folder;
}

// What every announcement of a class and title begins with; the process id
// and a count follow.
QString namePrefix(const QString& windowClass, const QString& title) {
  return QString::fromLatin1(QUrl::toPercentEncoding(windowClass) + '.' + QUrl::toPercentEncoding(title) + '.');
}

// Runs events (no input) until `done` holds or the wait is over.
template <typename Done>
bool waitUntil(QLocalSocket& socket, Done done) {
  if (done()) return true;
  QEventLoop loop;
  QTimer timer;
  timer.setSingleShot(true);
  QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
  QObject::connect(&socket, &QLocalSocket::connected, &loop, &QEventLoop::quit);
  QObject::connect(&socket, &QLocalSocket::readyRead, &loop, &QEventLoop::quit);
  QObject::connect(&socket, &QLocalSocket::errorOccurred, &loop, &QEventLoop::quit);
  QObject::connect(&socket, &QLocalSocket::disconnected, &loop, &QEventLoop::quit);
  timer.start(kAnswerWaitMs);
  while (!done() && timer.isActive() && socket.state() != QLocalSocket::UnconnectedState) {
    loop.exec(QEventLoop::ExcludeUserInputEvents);
  }
  return done();
}

}  // namespace

WindowAnnouncer::WindowAnnouncer(QWidget* window, const QString& windowClass, std::uint32_t userData)
    : window_(window),
      windowClass_(windowClass),
      title_(window->windowTitle()),
      userData_(userData),
      server_(new QLocalServer(this)) {
  const QString folder = windowsFolder();
  if (folder.isEmpty()) return;
  static int announcements = 0;
  const QString name = folder + QLatin1Char('/') + namePrefix(windowClass_, title_) +
                       QStringLiteral("%1-%2").arg(QCoreApplication::applicationPid()).arg(++announcements);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  // A leftover of the same name belongs to a process that has ended.
  if (!server_->listen(name) && QLocalServer::removeServer(name)) server_->listen(name);
  QObject::connect(server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* client = server_->nextPendingConnection()) {
      QObject::connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
      QObject::connect(client, &QLocalSocket::readyRead, this, [this, client] { answer(client); });
      answer(client);
    }
  });
}

WindowAnnouncer::~WindowAnnouncer() = default;

void WindowAnnouncer::answer(QLocalSocket* client) {
  while (client->canReadLine()) {
    const QByteArray request = client->readLine().trimmed();
    if (request == "identify") {
      client->write(windowClass_.toUtf8() + '\t' + title_.toUtf8() + '\t' + QByteArray::number(userData_) + '\n');
      client->flush();
    } else if (request == "front") {
      window_->setWindowState(window_->windowState() & ~Qt::WindowMinimized);
      window_->show();
      window_->raise();
      window_->activateWindow();
    }
  }
}

AnnouncedWindow::AnnouncedWindow(std::unique_ptr<QLocalSocket> connection) : connection_(std::move(connection)) {}
AnnouncedWindow::~AnnouncedWindow() = default;
AnnouncedWindow::AnnouncedWindow(AnnouncedWindow&&) noexcept = default;
AnnouncedWindow& AnnouncedWindow::operator=(AnnouncedWindow&&) noexcept = default;

void AnnouncedWindow::bringToFront() {
  if (connection_ == nullptr) return;
  connection_->write("front\n");
  connection_->flush();
  connection_->disconnectFromServer();
}

std::optional<AnnouncedWindow> findAnnouncedWindow(const QString& windowClass, const QString& title) {
  const QString folder = windowsFolder();
  if (folder.isEmpty()) return std::nullopt;
  const QString prefix = namePrefix(windowClass, title);
  const QStringList names =
      QDir(folder).entryList({prefix + QLatin1Char('*')}, QDir::System | QDir::Files | QDir::Hidden, QDir::Name);
  for (const QString& name : names) {
    const QString path = folder + QLatin1Char('/') + name;
    auto socket = std::make_unique<QLocalSocket>();
    socket->connectToServer(path);
    if (!waitUntil(*socket, [&] { return socket->state() == QLocalSocket::ConnectedState; })) {
      // Nobody listens there any more: the program that announced it has ended.
      if (socket->error() == QLocalSocket::ConnectionRefusedError) QLocalServer::removeServer(path);
      continue;
    }
    socket->write("identify\n");
    socket->flush();
    std::optional<std::uint32_t> userData;
    if (waitUntil(*socket, [&] { return socket->canReadLine(); })) {
      const QList<QByteArray> fields = socket->readLine().trimmed().split('\t');
      if (fields.size() != 3 || QString::fromUtf8(fields[0]) != windowClass || QString::fromUtf8(fields[1]) != title) {
        continue;
      }
      bool number = false;
      const std::uint32_t answered = fields[2].toUInt(&number);
      if (number) userData = answered;
    }
    AnnouncedWindow found(std::move(socket));
    found.userData = userData;
    return found;
  }
  return std::nullopt;
}

}  // namespace quillorn::ui
