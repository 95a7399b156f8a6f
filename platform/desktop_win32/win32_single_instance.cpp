#include "platform/desktop_win32/win32_single_instance.h"

#include <functional>
#include <utility>

namespace zelmora::platform::win32 {
namespace {

// The installer's script (cmake/nsis/NSIS.template.in) uses the same names.
constexpr wchar_t kMutexName[] = L"Local\\Zelmora.Reminder";
constexpr wchar_t kShowMessageName[] = L"Zelmora.ShowMainWindow";
constexpr wchar_t kCloseMessageName[] = L"Zelmora.Close";

// A request that may come before the program has said what to do with it.
class Request {
 public:
  void Arrived() {
    if (handler_) {
      // A copy: the handler may replace itself.
      std::function<void()> handler = handler_;
      handler();
    } else {
      pending_ = true;
    }
  }
  void SetHandler(std::function<void()> handler) {
    handler_ = std::move(handler);
    if (handler_ && std::exchange(pending_, false)) Arrived();
  }

 private:
  std::function<void()> handler_;
  bool pending_ = false;
};

class Win32InstanceClaim final : public InstanceClaim {
 public:
  Win32InstanceClaim(HANDLE mutex, MessageWindow& window)
      : mutex_(mutex),
        window_(window),
        showMessage_(RegisterWindowMessageW(kShowMessageName)),
        closeMessage_(RegisterWindowMessageW(kCloseMessageName)) {
    window_.OnRegisteredMessage(showMessage_, [this] { show_.Arrived(); });
    window_.OnRegisteredMessage(closeMessage_, [this] { close_.Arrived(); });
    // A reminder started with more rights still hears a start, or an installer, with fewer.
    ChangeWindowMessageFilterEx(window_.Handle(), showMessage_, MSGFLT_ALLOW, nullptr);
    ChangeWindowMessageFilterEx(window_.Handle(), closeMessage_, MSGFLT_ALLOW, nullptr);
  }
  ~Win32InstanceClaim() override {
    window_.OnRegisteredMessage(showMessage_, nullptr);
    window_.OnRegisteredMessage(closeMessage_, nullptr);
    if (mutex_ != nullptr) CloseHandle(mutex_);
  }
  Win32InstanceClaim(const Win32InstanceClaim&) = delete;
  Win32InstanceClaim& operator=(const Win32InstanceClaim&) = delete;

  void OnShowRequest(std::function<void()> handler) override { show_.SetHandler(std::move(handler)); }
  void OnCloseRequest(std::function<void()> handler) override { close_.SetHandler(std::move(handler)); }

 private:
  HANDLE mutex_;
  MessageWindow& window_;
  UINT showMessage_;
  UINT closeMessage_;
  Request show_;
  Request close_;
};

}  // namespace

std::unique_ptr<InstanceClaim> ClaimWin32Instance(MessageWindow& window) {
  HANDLE mutex = CreateMutexW(nullptr, FALSE, kMutexName);
  const DWORD error = GetLastError();
  // Access denied: a reminder run as administrator made the mutex, which a
  // start with the user's ordinary rights may not open. It runs all the same.
  if ((mutex != nullptr && error == ERROR_ALREADY_EXISTS) ||
      (mutex == nullptr && error == ERROR_ACCESS_DENIED)) {
    if (mutex != nullptr) CloseHandle(mutex);
    // The running reminder may take the foreground this start was given.
    AllowSetForegroundWindow(ASFW_ANY);
    PostMessageW(HWND_BROADCAST, RegisterWindowMessageW(kShowMessageName), 0, 0);
    return nullptr;
  }
  // Without a mutex (the name taken by another kind of object) run unguarded
  // rather than refuse to start.
  return std::make_unique<Win32InstanceClaim>(mutex, window);
}

}  // namespace zelmora::platform::win32
