#pragma once
#include <mutex>

#include "platform/desktop.h"

namespace zelmora::qt {

// The desktop on Qt Widgets. Create it after the QApplication and destroy it
// before; run() runs the application's event loop.
class QtDesktop final : public platform::Desktop {
 public:
  QtDesktop();
  ~QtDesktop() override;
  QtDesktop(const QtDesktop&) = delete;
  QtDesktop& operator=(const QtDesktop&) = delete;

  std::unique_ptr<platform::MainWindow> createMainWindow(const platform::MainWindowSpec& design) override;
  std::unique_ptr<platform::PopupWindow> createPopup(const platform::PopupSpec& design) override;
  std::unique_ptr<platform::TrayIcon> createTrayIcon() override;
  std::unique_ptr<platform::TimerBackend> createTimer(std::function<void()> onTick) override;
  void postToUi(std::function<void()> task) override;
  platform::Rect workArea() const override;
  void showError(const std::string& text, const std::string& title) override;
  void shellOpen(const std::string& address) override;
  std::chrono::system_clock::time_point now() const override;
  std::string longTimeText(std::chrono::system_clock::time_point when) const override;
  int run() override;

 private:
  // Workers may post while the program shuts down; posts after that are dropped.
  std::mutex postMutex_;
  bool acceptingPosts_ = true;
};

}  // namespace zelmora::qt
