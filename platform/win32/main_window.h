#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/desktop.h"
#include "platform/win32/window_procedure.h"

namespace zelmora::platform::win32 {

class Win32Control final : public Control {
 public:
  Win32Control(HWND window, ControlKind kind, HFONT font);
  std::string text() const override;
  void setText(const std::string& text) override;
  bool checked() const override;
  void setChecked(bool checked) override;
  bool enabled() const override;
  void setEnabled(bool enabled) override;
  void onActivated(std::function<void()> handler) override;

  HWND handle() const { return window_; }
  ControlKind kind() const { return kind_; }
  void activated() const;

 private:
  void fitToText();

  HWND window_;
  ControlKind kind_;
  HFONT font_;
  std::function<void()> onActivated_;
};

// The main window. Its owner is the hidden application window once the program
// is taken off the task bar: owned windows get no task-bar button.
class Win32MainWindow final : public MainWindow {
 public:
  Win32MainWindow(HINSTANCE instance, HWND applicationWindow, const MainWindowSpec& design);
  ~Win32MainWindow() override;

  Control& addControl(const ControlSpec& design) override;
  void setTabOrder(std::span<Control* const> order) override;
  void takeOffTaskbar() override;
  void show() override;
  void hide() override;
  bool isVisible() const override;
  bool isMinimized() const override;
  void restore() override;
  void bringToFront() override;
  void onMinimized(std::function<void()> handler) override;

  HWND handle() const { return window_; }

 private:
  friend struct WindowProcedure<Win32MainWindow>;
  LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
  const Win32Control* findControl(HWND child) const;
  void centreOnScreen();

  HINSTANCE instance_;
  HWND applicationWindow_;
  HWND window_ = nullptr;
  HFONT font_ = nullptr;
  HWND focusedControl_ = nullptr;
  bool shownBefore_ = false;
  std::vector<std::unique_ptr<Win32Control>> controls_;
  std::function<void()> onMinimized_;
};

}  // namespace zelmora::platform::win32
