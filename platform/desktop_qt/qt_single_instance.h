#pragma once
// One reminder per display of a user's session on Linux: a lock file and a
// Unix-domain socket in the user's runtime directory, both named after the
// display. The lock's holder listens on the socket once its event loop runs; a
// second start finds the lock taken and asks, through the socket, for the main
// window, and waits for the answer. The kernel lets go of the lock when its
// holder ends, however it ends.
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/desktop.h"

class QSocketNotifier;

namespace zelmora::platform::qt {

class QtInstanceClaim final : public platform::InstanceClaim {
 public:
  // Holds the lock (a descriptor; -1: runs unguarded, for `problem`) and,
  // once the event loop runs, listens at socketPath.
  QtInstanceClaim(int lock, std::string socketPath, std::string problem);
  ~QtInstanceClaim() override;
  QtInstanceClaim(const QtInstanceClaim&) = delete;
  QtInstanceClaim& operator=(const QtInstanceClaim&) = delete;

  void OnShowRequest(std::function<void()> handler) override;

 private:
  struct Caller;
  void Listen();
  void Accept();
  void Read(Caller& caller);
  void Hang(Caller& caller);
  void ShowRequested();

  int lock_;
  std::string socketPath_;
  std::string problem_;
  int listener_ = -1;
  std::unique_ptr<QSocketNotifier> listening_;
  std::vector<std::unique_ptr<Caller>> callers_;
  std::function<void()> onShowRequest_;
  bool showRequestPending_ = false;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// The display this program shows on, as a name fit for a file: "x11-0" for
// DISPLAY=:0, "wayland-0", or Qt's platform name.
QString DisplayKey();

// `directory` holds zelmora-DISPLAY.lock and zelmora-DISPLAY.socket. Null when
// another reminder holds the lock and has answered that it shows its main
// window. Throws Error when that reminder does not answer. A guard that cannot
// be set up costs nothing but the guard: the claim says why in the log.
std::unique_ptr<platform::InstanceClaim> ClaimInstanceIn(const QString& directory, const QString& display);
// In the user's runtime directory ($XDG_RUNTIME_DIR), for this display.
std::unique_ptr<platform::InstanceClaim> ClaimQtInstance();

}  // namespace zelmora::platform::qt
