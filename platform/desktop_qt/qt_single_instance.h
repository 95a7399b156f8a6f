#pragma once
// One reminder per user session on Linux: a lock file and a local socket in the
// user's runtime directory. The lock's holder listens on the socket; a second
// start finds the lock taken and asks, through the socket, for the main window.
// A lock left by a reminder that died is stale (its process is gone) and is
// taken over.
#include <QLocalServer>
#include <QLockFile>
#include <QString>
#include <functional>
#include <memory>

#include "platform/desktop.h"

namespace zelmora::platform::qt {

class QtInstanceClaim final : public platform::InstanceClaim {
 public:
  // Holds `lock` and listens at socketPath (empty: runs unguarded, listens nowhere).
  QtInstanceClaim(std::unique_ptr<QLockFile> lock, const QString& socketPath);
  void OnShowRequest(std::function<void()> handler) override;

 private:
  void Accept();
  void ShowRequested();

  std::unique_ptr<QLockFile> lock_;
  QLocalServer server_;
  std::function<void()> onShowRequest_;
  bool showRequestPending_ = false;
};

// `directory` holds zelmora.lock and zelmora.socket. Null when another
// reminder holds the lock (it has been asked to show its main window).
std::unique_ptr<platform::InstanceClaim> ClaimInstanceIn(const QString& directory);
// In the user's runtime directory ($XDG_RUNTIME_DIR).
std::unique_ptr<platform::InstanceClaim> ClaimQtInstance();

}  // namespace zelmora::platform::qt
