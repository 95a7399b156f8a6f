#include "platform/desktop_win32/win32_single_instance.h"

#include <functional>
#include <utility>

namespace zelmora::platform::win32 {
namespace {

constexpr wchar_t kMutexName[] = L"Local\\Zelmora.Reminder";
constexpr wchar_t kShowMessageName[] = L"Zelmora.ShowMainWindow";

class Win32InstanceClaim final : public InstanceClaim {
 public:
  Win32InstanceClaim(HANDLE mutex, MessageWindow& window, UINT showMessage)
      : mutex_(mutex), window_(window), showMessage_(showMessage) {
    // A request may come before the program has said what to do with it.
    window_.OnRegisteredMessage(showMessage_, [this] {
      if (onShowRequest_) {
        onShowRequest_();
      } else {
        pending_ = true;
      }
    });
    // A reminder started with more rights still hears a start with fewer.
    ChangeWindowMessageFilterEx(window_.Handle(), showMessage_, MSGFLT_ALLOW, nullptr);
  }
  ~Win32InstanceClaim() override {
    window_.OnRegisteredMessage(showMessage_, nullptr);
    if (mutex_ != nullptr) CloseHandle(mutex_);
  }
  Win32InstanceClaim(const Win32InstanceClaim&) = delete;
  Win32InstanceClaim& operator=(const Win32InstanceClaim&) = delete;

  void OnShowRequest(std::function<void()> handler) override {
    onShowRequest_ = std::move(handler);
    if (std::exchange(pending_, false) && onShowRequest_) onShowRequest_();
  }

 private:
  HANDLE mutex_;
  MessageWindow& window_;
  UINT showMessage_;
  std::function<void()> onShowRequest_;
  bool pending_ = false;
};

}  // namespace

std::unique_ptr<InstanceClaim> ClaimWin32Instance(MessageWindow& window) {
  const UINT showMessage = RegisterWindowMessageW(kShowMessageName);
  HANDLE mutex = CreateMutexW(nullptr, FALSE, kMutexName);
  if (mutex != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    // The running reminder may take the foreground this start was given.
    AllowSetForegroundWindow(ASFW_ANY);
    PostMessageW(HWND_BROADCAST, showMessage, 0, 0);
    return nullptr;
  }
  // Without a mutex (the name taken by another kind of object) run unguarded
  // rather than refuse to start.
  return std::make_unique<Win32InstanceClaim>(mutex, window, showMessage);
}

}  // namespace zelmora::platform::win32
