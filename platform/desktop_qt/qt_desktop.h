#pragma once
#include <QObject>
#include <QString>
#include <mutex>

#include "platform/desktop.h"
#include "platform/desktop_qt/event_sound.h"

namespace zelmora::platform::qt {

// The desktop on Qt Widgets. Create it after the QApplication and destroy it
// before; Run() runs the application's event loop.
class QtDesktop final : public platform::Desktop {
 public:
  QtDesktop();
  ~QtDesktop() override;
  QtDesktop(const QtDesktop&) = delete;
  QtDesktop& operator=(const QtDesktop&) = delete;

  void SetApplicationTitle(std::string_view title) override;
  std::unique_ptr<platform::MainWindow> CreateMainWindow(const platform::MainWindowSpec& design) override;
  std::unique_ptr<platform::PopupWindow> CreatePopup(const platform::PopupSpec& design) override;
  std::unique_ptr<platform::TrayIcon> CreateTrayIcon() override;
  std::unique_ptr<platform::TimerBackend> CreateTimer(std::function<void()> onTick) override;
  void PostToUi(std::function<void()> task) override;
  platform::Rect WorkArea() const override;
  void ShowError(const std::string& text) override;
  void ShellOpen(const std::string& address) override;
  std::chrono::system_clock::time_point Now() const override;
  std::string LongTimeText(std::chrono::system_clock::time_point when) const override;
  std::chrono::year_month_day LocalDate(std::chrono::system_clock::time_point when) const override;
  std::unique_ptr<platform::InstanceClaim> ClaimInstance() override;
  void PlayNewTaskSound() override;
  int Run() override;

 private:
  QString applicationTitle_;
  EventSound sound_;
  // Workers may post while the program shuts down; posts after that are dropped,
  // and posts still queued go with this object.
  std::mutex postMutex_;
  bool acceptingPosts_ = true;
  QObject postTarget_;
};

}  // namespace zelmora::platform::qt
