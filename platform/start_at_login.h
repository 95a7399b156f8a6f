#pragma once
// Starting the reminder when the user logs in, through the system's own
// autostart place: an entry that runs this very program with the given
// arguments. The state is read from the system every time it is asked, so a
// change made elsewhere (the installer, the desktop's settings) shows.
#include <memory>
#include <string>

namespace zelmora::platform {

class StartAtLogin {
 public:
  virtual ~StartAtLogin() = default;
  virtual bool IsOn() const = 0;
  // Throws Error saying what went wrong when the entry cannot be written or removed.
  virtual void Set(bool on) = 0;
};

// Linux: $XDG_CONFIG_HOME/autostart/zelmora.desktop; Windows: the value
// "Zelmora" under HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run.
// Both run the full path of the running program followed by `arguments`.
std::unique_ptr<StartAtLogin> OpenSystemStartAtLogin(std::string arguments);

}  // namespace zelmora::platform
