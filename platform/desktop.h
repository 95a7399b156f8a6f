#pragma once
// The seam between the reminder's logic and a desktop. Backends (Qt, Win32, the
// in-memory fake of the tests) only map these calls onto their window system;
// every rule about tasks, timers and settings lives above this header.
//
// Threads: everything here is called on the user-interface thread, except
// Desktop::PostToUi and Desktop::Now, which any thread may call.
// Texts crossing the seam are UTF-8.

#include <chrono>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zelmora::platform {

struct Point {
  int x = 0;
  int y = 0;
};

struct Size {
  int width = 0;
  int height = 0;
  bool operator==(const Size&) const = default;
};

struct Rect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool operator==(const Rect&) const = default;
};

enum class ControlKind {
  GroupBox,      // frame with a caption
  Edit,          // single-line edit box
  Label,         // static text that grows with its text
  WrappedLabel,  // static text of fixed size, word-wrapped
  CheckBox,
  Button,
  Link,  // blue text with a hand cursor that can be clicked
};

struct ControlSpec {
  std::string_view name;  // the control's name, e.g. "edt1" (used by tests and tools)
  ControlKind kind = ControlKind::Label;
  Rect bounds;  // client coordinates at 96 dpi
  std::string_view caption;
  bool checked = false;  // check boxes only
};

class Control {
 public:
  virtual ~Control() = default;
  virtual std::string Text() const = 0;
  virtual void SetText(const std::string& text) = 0;
  virtual bool Checked() const = 0;
  virtual void SetChecked(bool checked) = 0;
  virtual bool Enabled() const = 0;
  virtual void SetEnabled(bool enabled) = 0;
  // A button pressed, a link clicked, or a check box toggled by the user.
  virtual void OnActivated(std::function<void()> handler) = 0;
};

struct MainWindowSpec {
  std::string_view caption;  // window caption
  Size clientSize;
};

class MainWindow {
 public:
  virtual ~MainWindow() = default;
  // Controls live as long as the window; the reference stays valid.
  virtual Control& AddControl(const ControlSpec& design) = 0;
  virtual void SetTabOrder(std::span<Control* const> order) = 0;
  // Keeps the program off the task bar (the tool-window style of the application window).
  virtual void TakeOffTaskbar() = 0;
  // First call centres the window on the desktop.
  virtual void Show() = 0;
  virtual void Hide() = 0;
  virtual bool IsVisible() const = 0;
  // Shown minimised, without taking the focus: where there is no tray to live in.
  virtual void ShowMinimized() = 0;
  // Un-minimise, show in normal state and bring the program to the foreground.
  virtual void Restore() = 0;
  // As the close box does: the window closes and the message loop ends.
  virtual void Close() = 0;
  // The user minimised the window (minimise box or system menu).
  virtual void OnMinimized(std::function<void()> handler) = 0;
  // The window came back into sight: through Restore(), or from minimised by
  // the desktop's own means (its task-bar entry).
  virtual void OnRestored(std::function<void()> handler) = 0;
};

struct PopupSpec {
  std::string_view caption;
  Size clientSize;
  Point initialPosition;  // screen coordinates, used as they stand
  Rect viewBounds;        // the page view inside the client area; may overhang it
};

// The always-on-top, non-activating notification window with its page view.
class PopupWindow {
 public:
  virtual ~PopupWindow() = default;
  virtual void SetLeft(int left) = 0;
  virtual void SetTop(int top) = 0;
  virtual Point Position() const = 0;
  // Outer size: frame and caption included.
  virtual Size OuterSize() const = 0;
  // Visible with the normal show command if hidden, then raised; never activates.
  virtual void Show() = 0;
  virtual void Hide() = 0;
  virtual bool IsVisible() const = 0;
  // Starts loading; the finished page is announced through OnDocumentComplete.
  // Throws Error when the view refuses the navigation.
  virtual void Navigate(const std::u16string& address) = 0;
  virtual void OnDocumentComplete(std::function<void()> handler) = 0;
  // The page view cannot show pages (why, in one line), or shows them again (an
  // empty text). Never called where the page view cannot fail on its own.
  virtual void OnPageViewTrouble(std::function<void(const std::string& reason)> /*handler*/) {}
  // A page will be asked for soon: a page view that takes a while to start may
  // start now. Nothing is loaded or shown.
  virtual void PreparePageView() {}
};

// Mouse codes as the tray reports them (the Windows mouse message numbers).
enum class TrayMouse : int {
  Move = 0x200,
  LeftDown = 0x201,
  LeftUp = 0x202,
  LeftDoubleClick = 0x203,
  RightDown = 0x204,
  RightUp = 0x205,
  RightDoubleClick = 0x206,
  MiddleDown = 0x207,
  MiddleUp = 0x208,
  MiddleDoubleClick = 0x209,
};

enum class TrayImage {
  Program,  // the program's icon
  Dimmed,   // the same, greyed out
};

// What the icon shows, handed over with every add and change.
struct TrayIconRecord {
  std::string tip;  // tooltip, lines separated by '\n'; empty: none. Cut to the desktop's limit.
  TrayImage image = TrayImage::Program;
};

// One entry of the icon's menu; an empty text makes a separator.
struct TrayMenuItem {
  std::string text;
  std::function<void()> chosen;
  // Asked each time the menu opens. A check item has `checked`; without
  // `enabled` the item is always enabled.
  std::function<bool()> checked;
  std::function<bool()> enabled;
  // An entry with a submenu: its entries, asked each time it opens.
  std::function<std::vector<TrayMenuItem>()> submenu = {};
};

// A desktop notification from the icon: a balloon on Windows, the desktop's
// notification (or Qt's own balloon) on Linux.
struct TrayMessage {
  enum class Kind { Information, Warning };
  std::string title;
  std::string text;  // lines separated by '\n'
  Kind kind = Kind::Information;
};

class TrayIcon {
 public:
  virtual ~TrayIcon() = default;
  // Each returns whether the tray accepted the request (callers may ignore it).
  virtual bool Add(const TrayIconRecord& record) = 0;
  virtual bool Modify(const TrayIconRecord& record) = 0;
  virtual bool Remove() = 0;
  // Whether the icon sits in a tray now (false while no tray host runs).
  virtual bool IsShown() const = 0;
  virtual void SetMenu(std::vector<TrayMenuItem> items) = 0;
  // Opens the menu at the mouse. Desktops whose tray opens an icon's menu by
  // itself, by its own rule, ignore this.
  virtual void PopUpMenu() = 0;
  // Shows a notification from the icon, without a sound of its own.
  virtual void ShowMessage(const TrayMessage& message) = 0;
  virtual void OnMouse(std::function<void(TrayMouse)> handler) = 0;
  // The tray host came back (on Windows: the "TaskbarCreated" broadcast).
  virtual void OnTrayRecreated(std::function<void()> handler) = 0;
  // The tray host went away: the icon sits in no tray until one comes back.
  // Desktops that cannot tell never call it.
  virtual void OnTrayLost(std::function<void()> handler) = 0;
};

// A raw window-system timer: fires every interval until stopped.
class TimerBackend {
 public:
  virtual ~TimerBackend() = default;
  // Starts a fresh countdown (also when already running). Throws Error when the
  // window system has no timer left.
  virtual void Start(int intervalMs) = 0;
  virtual void Stop() = 0;
};

// This user session's one running reminder, held for the program's lifetime.
class InstanceClaim {
 public:
  virtual ~InstanceClaim() = default;
  // Another start of the program asked for the main window.
  virtual void OnShowRequest(std::function<void()> handler) = 0;
  // Another program (the installer or the uninstaller, about to replace or
  // remove the program's files) asked the reminder to end. Desktops where
  // nothing asks this never call the handler.
  virtual void OnCloseRequest(std::function<void()> handler) { static_cast<void>(handler); }
};

class Desktop {
 public:
  virtual ~Desktop() = default;
  // The application's title: the text of its task-bar entry (where the desktop has
  // one) and the caption of every error report. Set once, before any window.
  virtual void SetApplicationTitle(std::string_view title) = 0;
  virtual std::unique_ptr<MainWindow> CreateMainWindow(const MainWindowSpec& design) = 0;
  virtual std::unique_ptr<PopupWindow> CreatePopup(const PopupSpec& design) = 0;
  virtual std::unique_ptr<TrayIcon> CreateTrayIcon() = 0;
  virtual std::unique_ptr<TimerBackend> CreateTimer(std::function<void()> onTick) = 0;
  // Runs the task on the user-interface thread, in posting order. Any thread.
  virtual void PostToUi(std::function<void()> task) = 0;
  // Primary display's work area, asked afresh at every call.
  virtual Rect WorkArea() const = 0;
  // Message box with an OK button and a stop icon, captioned with the application's title.
  virtual void ShowError(const std::string& text) = 0;
  // Hands an address to the desktop shell's "open"; failures are ignored.
  virtual void ShellOpen(const std::string& address) = 0;
  // Current wall-clock time. Any thread.
  virtual std::chrono::system_clock::time_point Now() const = 0;
  // The time of day in the user's locale's long time form (no date).
  virtual std::string LongTimeText(std::chrono::system_clock::time_point when) const = 0;
  // The calendar day `when` falls on in the user's time zone.
  virtual std::chrono::year_month_day LocalDate(std::chrono::system_clock::time_point when) const = 0;
  // Claims the session's one reminder (on Linux: one per display). When another
  // reminder holds it, asks that one to show its main window and returns null
  // once it has; throws Error when it does not answer. Call it before creating
  // any window.
  virtual std::unique_ptr<InstanceClaim> ClaimInstance() = 0;
  // The desktop's own sound for a new message; nothing where there is none.
  virtual void PlayNewTaskSound() = 0;
  // Runs the message loop until the main window is closed.
  virtual int Run() = 0;
};

}  // namespace zelmora::platform
