#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/desktop.h"
#include "platform/desktop_win32/window_procedure.h"

namespace zelmora::platform::win32 {

class Win32Control final : public Control {
 public:
  Win32Control(HWND window, ControlKind kind, HFONT font);
  std::string Text() const override;
  void SetText(const std::string& text) override;
  bool Checked() const override;
  void SetChecked(bool checked) override;
  bool Enabled() const override;
  void SetEnabled(bool enabled) override;
  void OnActivated(std::function<void()> handler) override;

  HWND Handle() const { return window_; }
  ControlKind Kind() const { return kind_; }
  void Activated() const;

 private:
  void FitToText();

  HWND window_;
  ControlKind kind_;
  HFONT font_;
  std::function<void()> onActivated_;
};

// The main window. Its owner is the hidden application window once the program
// is taken off the task bar: owned windows get no task-bar button. While the
// shell has refused the tray icon the window is its own again, so that it
// keeps a task-bar button, and minimising leaves it there.
class Win32MainWindow final : public MainWindow {
 public:
  // Sent with wParam TRUE or FALSE: the tray icon is there, or the shell refused it.
  static constexpr UINT kTrayIconShownMessage = WM_APP + 1;

  Win32MainWindow(HINSTANCE instance, HWND applicationWindow, const MainWindowSpec& design);
  ~Win32MainWindow() override;

  Control& AddControl(const ControlSpec& design) override;
  void SetTabOrder(std::span<Control* const> order) override;
  void TakeOffTaskbar() override;
  void Show() override;
  void Hide() override;
  bool IsVisible() const override;
  void ShowMinimized() override;
  void Restore() override;
  void Close() override;
  void OnMinimized(std::function<void()> handler) override;
  void OnRestored(std::function<void()> handler) override;

  HWND Handle() const { return window_; }
  void TrayIconShown(bool shown);

 private:
  friend struct WindowProcedure<Win32MainWindow>;
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  const Win32Control* FindControl(HWND child) const;
  void CentreOnScreen();
  void SetOwner();

  HINSTANCE instance_;
  HWND applicationWindow_;
  HWND window_ = nullptr;
  HFONT font_ = nullptr;
  HWND focusedControl_ = nullptr;
  bool shownBefore_ = false;
  bool offTaskbar_ = false;
  bool trayIconShown_ = true;  // until the shell says otherwise
  std::vector<std::unique_ptr<Win32Control>> controls_;
  std::function<void()> onMinimized_;
  std::function<void()> onRestored_;
};

}  // namespace zelmora::platform::win32
