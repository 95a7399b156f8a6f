#include "platform/desktop_qt/qt_single_instance.h"

#include <QGuiApplication>
#include <QLocalSocket>
#include <QSessionManager>
#include <QStandardPaths>
#include <QThread>
#include <cstdio>
#include <utility>

namespace zelmora::platform::qt {
namespace {

constexpr char kShowRequest[] = "show\n";
// A reminder that has just taken the lock listens a moment later; a second start
// made in that moment waits for it.
constexpr int kConnectAttempts = 50;
constexpr int kConnectPauseMs = 100;
constexpr int kExchangeTimeoutMs = 2000;

bool AskToShow(const QString& socketPath) {
  for (int attempt = 0; attempt < kConnectAttempts; ++attempt) {
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (socket.waitForConnected(kExchangeTimeoutMs)) {
      socket.write(kShowRequest);
      const bool sent = socket.waitForBytesWritten(kExchangeTimeoutMs);
      socket.disconnectFromServer();
      if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(kExchangeTimeoutMs);
      return sent;
    }
    QThread::msleep(kConnectPauseMs);
  }
  return false;
}

void Warn(const QString& text) { std::fprintf(stderr, "zelmora: %s\n", text.toLocal8Bit().constData()); }

}  // namespace

QtInstanceClaim::QtInstanceClaim(std::unique_ptr<QLockFile> lock, const QString& socketPath)
    : lock_(std::move(lock)) {
  if (socketPath.isEmpty()) return;
  QObject::connect(&server_, &QLocalServer::newConnection, &server_, [this] { Accept(); });
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  // Holding the lock, a socket file left behind can only be a dead reminder's.
  QLocalServer::removeServer(socketPath);
  if (!server_.listen(socketPath)) Warn("cannot listen at " + socketPath + ": " + server_.errorString());
}

void QtInstanceClaim::OnShowRequest(std::function<void()> handler) {
  onShowRequest_ = std::move(handler);
  if (std::exchange(showRequestPending_, false)) ShowRequested();
}

void QtInstanceClaim::Accept() {
  while (QLocalSocket* connection = server_.nextPendingConnection()) {
    QObject::connect(connection, &QLocalSocket::disconnected, connection, &QObject::deleteLater);
    QObject::connect(connection, &QLocalSocket::readyRead, connection, [this, connection] {
      while (connection->canReadLine()) {
        if (connection->readLine() == kShowRequest) ShowRequested();
      }
    });
  }
}

void QtInstanceClaim::ShowRequested() {
  if (onShowRequest_) {
    onShowRequest_();
  } else {
    showRequestPending_ = true;
  }
}

std::unique_ptr<platform::InstanceClaim> ClaimInstanceIn(const QString& directory) {
  const QString lockPath = directory + QStringLiteral("/zelmora.lock");
  const QString socketPath = directory + QStringLiteral("/zelmora.socket");
  auto lock = std::make_unique<QLockFile>(lockPath);
  lock->setStaleLockTime(0);  // stale only when its process is gone, never by age
  if (lock->tryLock(0)) return std::make_unique<QtInstanceClaim>(std::move(lock), socketPath);
  if (lock->error() == QLockFile::LockFailedError) {
    if (!AskToShow(socketPath)) {
      qint64 pid = 0;
      QString host;
      QString name;
      lock->getLockInfo(&pid, &host, &name);
      Warn(QStringLiteral("the reminder already running (process %1) does not answer").arg(pid));
    }
    return nullptr;
  }
  // The lock cannot even be tried (no runtime directory, no permission): run
  // rather than refuse to start.
  Warn("cannot use " + lockPath + "; running without the one-reminder guard");
  return std::make_unique<QtInstanceClaim>(nullptr, QString());
}

std::unique_ptr<platform::InstanceClaim> ClaimQtInstance() {
  auto claim = ClaimInstanceIn(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation));
  if (claim) {
    // A session manager would start a second reminder beside the one started at login.
    QObject::connect(qApp, &QGuiApplication::saveStateRequest, qApp,
                     [](QSessionManager& manager) { manager.setRestartHint(QSessionManager::RestartNever); });
  }
  return claim;
}

}  // namespace zelmora::platform::qt
