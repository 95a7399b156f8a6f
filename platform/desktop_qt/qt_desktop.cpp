#include "platform/desktop_qt/qt_desktop.h"

#include <QApplication>
#include <QDateTime>
#include <QDesktopServices>
#include <QLocale>
#include <QMessageBox>
#include <QScreen>
#include <QUrl>

#include "platform/desktop_qt/handler_call.h"
#include "platform/desktop_qt/long_time_text.h"
#include "platform/desktop_qt/program_icon.h"
#include "platform/desktop_qt/qt_main_window.h"
#include "platform/desktop_qt/qt_popup_window.h"
#include "platform/desktop_qt/qt_single_instance.h"
#include "platform/desktop_qt/qt_timer_backend.h"
#include "platform/desktop_qt/qt_tray_icon.h"
#include "platform/desktop_qt/x11/window_system.h"

namespace zelmora::platform::qt {

QtDesktop::QtDesktop() {
  QApplication::setWindowIcon(ProgramIcon());
  // The main window ends the program, not the last window: closing the popup while
  // the main window sits in the tray must not quit.
  QApplication::setQuitOnLastWindowClosed(false);
  if (QGuiApplication::platformName() == QStringLiteral("wayland")) {
    // Said at every start: without it the missing popup would go unexplained.
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Zelmora"),
                                QString::fromUtf8(WaylandLimits()), QMessageBox::Ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
  }
}

QtDesktop::~QtDesktop() {
  std::lock_guard lock(postMutex_);
  acceptingPosts_ = false;
}

std::unique_ptr<platform::MainWindow> QtDesktop::CreateMainWindow(const platform::MainWindowSpec& design) {
  return std::make_unique<QtMainWindow>(*this, design);
}

std::unique_ptr<platform::PopupWindow> QtDesktop::CreatePopup(const platform::PopupSpec& design) {
  return CreateQtPopupWindow(*this, design);
}

std::unique_ptr<platform::TrayIcon> QtDesktop::CreateTrayIcon() {
  return std::make_unique<QtTrayIcon>(*this);
}

std::unique_ptr<platform::TimerBackend> QtDesktop::CreateTimer(std::function<void()> onTick) {
  return std::make_unique<QtTimerBackend>(*this, std::move(onTick));
}

void QtDesktop::PostToUi(std::function<void()> task) {
  std::lock_guard lock(postMutex_);
  if (!acceptingPosts_) return;
  QMetaObject::invokeMethod(
      &postTarget_, [this, task = std::move(task)] { CallHandler(*this, task); }, Qt::QueuedConnection);
}

platform::Rect QtDesktop::WorkArea() const {
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  return {area.left(), area.top(), area.width(), area.height()};
}

void QtDesktop::SetApplicationTitle(std::string_view title) {
  applicationTitle_ = QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size()));
}

void QtDesktop::ShowError(const std::string& text) {
  QMessageBox box(QMessageBox::Critical, applicationTitle_, QString::fromStdString(text), QMessageBox::Ok);
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

void QtDesktop::ShellOpen(const std::string& address) {
  QString target = QString::fromStdString(address);
  // Addresses come as the shell takes them, often without a scheme ("host/path").
  if (!target.contains(QStringLiteral("://"))) target.prepend(QStringLiteral("http://"));
  QDesktopServices::openUrl(QUrl(target, QUrl::TolerantMode));
}

std::chrono::system_clock::time_point QtDesktop::Now() const { return std::chrono::system_clock::now(); }

std::string QtDesktop::LongTimeText(std::chrono::system_clock::time_point when) const {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count();
  const QTime local = QDateTime::fromMSecsSinceEpoch(ms).time();
  return qt::LongTimeText(QLocale::system(), local).toStdString();
}

std::chrono::year_month_day QtDesktop::LocalDate(std::chrono::system_clock::time_point when) const {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count();
  const QDate local = QDateTime::fromMSecsSinceEpoch(ms).date();
  return std::chrono::year(local.year()) / static_cast<unsigned>(local.month()) /
         static_cast<unsigned>(local.day());
}

std::unique_ptr<platform::InstanceClaim> QtDesktop::ClaimInstance() { return ClaimQtInstance(); }

void QtDesktop::PlayNewTaskSound() { sound_.Play("message-new-instant", "新任务"); }

int QtDesktop::Run() { return QApplication::exec(); }

}  // namespace zelmora::platform::qt
