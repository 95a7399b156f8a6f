#pragma once
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "platform/desktop.h"
#include "platform/desktop_qt/qt_controls.h"

namespace zelmora::platform::qt {

// The form widget: fixed client size; reports minimising and un-minimising;
// closing it ends the message loop.
class FormWidget final : public QWidget {
 public:
  FormWidget();
  std::function<void()> onMinimized;
  std::function<void()> onUnminimized;

 protected:
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
};

class QtMainWindow final : public platform::MainWindow {
 public:
  QtMainWindow(platform::Desktop& desktop, const platform::MainWindowSpec& design);
  ~QtMainWindow() override;

  platform::Control& AddControl(const platform::ControlSpec& design) override;
  void SetTabOrder(std::span<platform::Control* const> order) override;
  void TakeOffTaskbar() override;
  void Show() override;
  void Hide() override;
  bool IsVisible() const override;
  void ShowMinimized() override;
  void Restore() override;
  void Close() override;
  void OnMinimized(std::function<void()> handler) override;
  void OnRestored(std::function<void()> handler) override;

  QWidget& Widget() const { return *form_; }

 private:
  void Place();
  void ShowWindow();
  void Unminimized();

  platform::Desktop& desktop_;
  std::unique_ptr<FormWidget> form_;
  std::vector<std::unique_ptr<QtControl>> controls_;
  std::function<void()> onMinimized_;
  std::function<void()> onRestored_;
  bool offTaskbar_ = false;
  bool placed_ = false;
  bool onTaskbarWhileMinimized_ = false;
};

}  // namespace zelmora::platform::qt
