#include "platform/desktop_qt/qt_main_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QWindowStateChangeEvent>
#include <utility>

#include "platform/desktop_qt/form_font.h"
#include "platform/desktop_qt/handler_call.h"
#include "platform/desktop_qt/program_icon.h"
#include "platform/desktop_qt/x11/frame_extents.h"
#include "platform/desktop_qt/x11/x11_hints.h"

namespace zelmora::platform::qt {

FormWidget::FormWidget()
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint) {}

void FormWidget::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange) return;
  const auto* change = static_cast<QWindowStateChangeEvent*>(event);
  const bool minimized = windowState() & Qt::WindowMinimized;
  if (minimized == bool(change->oldState() & Qt::WindowMinimized)) return;
  if (!minimized) {
    if (onUnminimized) onUnminimized();
    return;
  }
  // The handler hides the window; let the window system finish minimising first.
  QMetaObject::invokeMethod(
      this,
      [this] {
        if (onMinimized) onMinimized();
      },
      Qt::QueuedConnection);
}

void FormWidget::closeEvent(QCloseEvent* event) {
  QWidget::closeEvent(event);
  // exit(), not quit(): quit() asks every visible window to close first, and the
  // popup only hides when asked, so a popup in sight would keep the program on.
  if (event->isAccepted()) QCoreApplication::exit(0);
}

QtMainWindow::QtMainWindow(platform::Desktop& desktop, const platform::MainWindowSpec& design)
    : desktop_(desktop), form_(std::make_unique<FormWidget>()) {
  form_->setWindowTitle(
      QString::fromUtf8(design.caption.data(), static_cast<qsizetype>(design.caption.size())));
  form_->setWindowIcon(ProgramIcon());
  form_->setFont(FormFont());
  form_->setFixedSize(design.clientSize.width, design.clientSize.height);
  form_->onMinimized = [this] { CallHandler(desktop_, onMinimized_); };
  form_->onUnminimized = [this] { Unminimized(); };
  RequestFrameExtents(*form_);  // for centring the whole window, frame included
}

// The form goes first: its widgets call back into the controls until then.
QtMainWindow::~QtMainWindow() { form_.reset(); }

platform::Control& QtMainWindow::AddControl(const platform::ControlSpec& design) {
  controls_.push_back(std::make_unique<QtControl>(desktop_, *form_, design));
  return *controls_.back();
}

void QtMainWindow::SetTabOrder(std::span<platform::Control* const> order) {
  for (std::size_t i = 1; i < order.size(); ++i) {
    auto* first = dynamic_cast<QtControl*>(order[i - 1]);
    auto* second = dynamic_cast<QtControl*>(order[i]);
    if (first && second) QWidget::setTabOrder(&first->Widget(), &second->Widget());
  }
  // The window starts with the focus on the first control of its tab order.
  if (auto* first = order.empty() ? nullptr : dynamic_cast<QtControl*>(order.front()))
    first->Widget().setFocus();
}

void QtMainWindow::TakeOffTaskbar() {
  offTaskbar_ = true;
  if (form_->isVisible()) KeepOffTaskbar(*form_);
}

void QtMainWindow::Place() {
  if (placed_) return;
  placed_ = true;
  // The whole window, frame included, goes to the centre: the client area is
  // placed where the frame leaves it.
  const QMargins frame = FrameExtents(*form_).value_or(QMargins());
  const QSize outer = form_->size().grownBy(frame);
  const QRect desktop = QGuiApplication::primaryScreen()->geometry();
  const QPoint corner = desktop.topLeft() + QPoint((desktop.width() - outer.width()) / 2,
                                                   (desktop.height() - outer.height()) / 2);
  form_->setGeometry(QRect(corner + QPoint(frame.left(), frame.top()), form_->size()));
}

void QtMainWindow::ShowWindow() {
  Place();
  if (offTaskbar_ && !form_->isVisible()) KeepOffTaskbar(*form_);
  form_->show();
}

void QtMainWindow::Show() { ShowWindow(); }

void QtMainWindow::Hide() {
  // Hiding leaves the tray icon as the only way back. Without a tray to hold
  // it (none on this desktop, or its host has gone), a minimised window stays
  // iconified and gets a task-bar entry while it is.
  if (form_->isMinimized() && !QSystemTrayIcon::isSystemTrayAvailable()) {
    if (offTaskbar_ && !onTaskbarWhileMinimized_) SetTaskbarEntry(*form_, true);
    onTaskbarWhileMinimized_ = true;
    return;
  }
  form_->hide();
}

void QtMainWindow::Unminimized() {
  Place();  // a window that started minimised is placed now
  if (std::exchange(onTaskbarWhileMinimized_, false) && offTaskbar_) SetTaskbarEntry(*form_, false);
  CallHandler(desktop_, onRestored_);
}

bool QtMainWindow::IsVisible() const { return form_->isVisible(); }

// Only asked for where no tray icon could be shown: the task-bar entry is then
// the one way back, so the window keeps it.
void QtMainWindow::ShowMinimized() {
  // Not placed yet: Qt maps a native window that was moved after its creation
  // in normal state. It is placed when first restored.
  onTaskbarWhileMinimized_ = true;
  form_->setAttribute(Qt::WA_ShowWithoutActivating);
  form_->showMinimized();
  form_->setAttribute(Qt::WA_ShowWithoutActivating, false);
}

void QtMainWindow::Close() { form_->close(); }

void QtMainWindow::Restore() {
  // Un-minimising maps a hidden window; the task-bar state must be there first,
  // since window managers ignore it once the window is mapped.
  if (offTaskbar_ && !form_->isVisible()) KeepOffTaskbar(*form_);
  form_->setWindowState(form_->windowState() & ~Qt::WindowMinimized);
  ShowWindow();
  form_->raise();
  form_->activateWindow();
  CallHandler(desktop_, onRestored_);
}

void QtMainWindow::OnMinimized(std::function<void()> handler) { onMinimized_ = std::move(handler); }

void QtMainWindow::OnRestored(std::function<void()> handler) { onRestored_ = std::move(handler); }

}  // namespace zelmora::platform::qt
