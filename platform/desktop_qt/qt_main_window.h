#pragma once
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "platform/desktop.h"
#include "platform/desktop_qt/qt_controls.h"

namespace zelmora::platform::qt {

// The form widget: fixed client size; reports minimising; closing it ends the
// message loop.
class FormWidget final : public QWidget {
 public:
  FormWidget();
  std::function<void()> onMinimized;

 protected:
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
};

class QtMainWindow final : public platform::MainWindow {
 public:
  explicit QtMainWindow(const platform::MainWindowSpec& design);
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

  QWidget& Widget() const { return *form_; }

 private:
  void Place();
  void ShowWindow();

  std::unique_ptr<FormWidget> form_;
  std::vector<std::unique_ptr<QtControl>> controls_;
  bool offTaskbar_ = false;
  bool placed_ = false;
};

}  // namespace zelmora::platform::qt
