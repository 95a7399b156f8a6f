#pragma once
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "platform/desktop.h"
#include "platform/qt/qt_controls.h"

namespace zelmora::qt {

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

  platform::Control& addControl(const platform::ControlSpec& design) override;
  void setTabOrder(std::span<platform::Control* const> order) override;
  void takeOffTaskbar() override;
  void show() override;
  void hide() override;
  bool isVisible() const override;
  bool isMinimized() const override;
  void restore() override;
  void bringToFront() override;
  void onMinimized(std::function<void()> handler) override;

  QWidget& widget() const { return *form_; }

 private:
  void showWindow();

  std::unique_ptr<FormWidget> form_;
  std::vector<std::unique_ptr<QtControl>> controls_;
  bool offTaskbar_ = false;
  bool placed_ = false;
};

}  // namespace zelmora::qt
