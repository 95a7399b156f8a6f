#include "platform/desktop_qt/qt_tray_icon.h"

#include <QCoreApplication>

#include "platform/desktop_qt/handler_call.h"
#include "platform/desktop_qt/program_icon.h"
#include "platform/desktop_qt/x11/xcb_helpers.h"

namespace zelmora::platform::qt {

using platform::TrayMouse;

QtTrayIcon::QtTrayIcon(platform::Desktop& desktop) : desktop_(desktop), icon_(ProgramIcon()) {
  QObject::connect(&icon_, &QSystemTrayIcon::activated, &icon_,
                   [this](QSystemTrayIcon::ActivationReason reason) { Report(reason); });
  // Closing the main window ends the loop; the popup's page view may take a
  // while to shut down after that, and the icon must not linger meanwhile.
  QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, &icon_, [this] {
    icon_.hide();
    FlushX11();
  });
  trayHostWatcher_ = std::make_unique<TrayHostWatcher>(
      [this] {
        // Qt docks the icon on the same announcement; tell the logic afterwards.
        QMetaObject::invokeMethod(
            &icon_, [this] { CallHandler(desktop_, onTrayRecreated_); }, Qt::QueuedConnection);
      },
      [this] {
        QMetaObject::invokeMethod(
            &icon_, [this] { CallHandler(desktop_, onTrayLost_); }, Qt::QueuedConnection);
      });
}

QtTrayIcon::~QtTrayIcon() { icon_.setContextMenu(nullptr); }

void QtTrayIcon::Fill(const platform::TrayIconRecord& record) {
  // The tooltip changes with every poll; the image seldom.
  if (record.image != image_) {
    image_ = record.image;
    icon_.setIcon(image_ == platform::TrayImage::Dimmed ? DimmedProgramIcon() : ProgramIcon());
  }
  icon_.setToolTip(QString::fromStdString(record.tip));
}

bool QtTrayIcon::Add(const platform::TrayIconRecord& record) {
  // Like the shell, the tray refuses an icon that is already there.
  const bool accepted = !icon_.isVisible() && QSystemTrayIcon::isSystemTrayAvailable();
  Fill(record);
  icon_.show();
  return accepted;
}

bool QtTrayIcon::Modify(const platform::TrayIconRecord& record) {
  Fill(record);
  return IsShown();
}

bool QtTrayIcon::IsShown() const { return icon_.isVisible() && QSystemTrayIcon::isSystemTrayAvailable(); }

namespace {

void ShowState(QAction& action, const platform::TrayMenuItem& item) {
  if (item.checked) action.setChecked(item.checked());
  if (item.enabled) action.setEnabled(item.enabled());
}

QAction* AddEntry(QMenu& menu, const platform::TrayMenuItem& item);

void FillSubmenu(QMenu& submenu, const std::function<std::vector<platform::TrayMenuItem>()>& entries) {
  submenu.clear();
  for (const platform::TrayMenuItem& entry : entries()) ShowState(*AddEntry(submenu, entry), entry);
}

// One entry of the menu; its check mark and enabled state are the caller's.
QAction* AddEntry(QMenu& menu, const platform::TrayMenuItem& item) {
  if (item.text.empty()) return menu.addSeparator();
  if (item.submenu) {
    QMenu* submenu = menu.addMenu(QString::fromStdString(item.text));
    // Filled now as well, so that it never opens empty where the menu is shown
    // before its submenus are asked.
    FillSubmenu(*submenu, item.submenu);
    QObject::connect(submenu, &QMenu::aboutToShow, submenu,
                     [submenu, entries = item.submenu] { FillSubmenu(*submenu, entries); });
    return submenu->menuAction();
  }
  QAction* action = menu.addAction(QString::fromStdString(item.text));
  action->setCheckable(static_cast<bool>(item.checked));
  // Queued: the handler may close the main window or pop up a message box,
  // which is better done once the menu has gone.
  QObject::connect(action, &QAction::triggered, &menu, [chosen = item.chosen] {
    if (chosen) QMetaObject::invokeMethod(QCoreApplication::instance(), chosen, Qt::QueuedConnection);
  });
  return action;
}

}  // namespace

void QtTrayIcon::SetMenu(std::vector<platform::TrayMenuItem> items) {
  items_ = std::move(items);
  icon_.setContextMenu(nullptr);
  menu_.reset();
  if (items_.empty()) return;
  menu_ = std::make_unique<QMenu>();
  for (const platform::TrayMenuItem& item : items_) AddEntry(*menu_, item);
  QObject::connect(menu_.get(), &QMenu::aboutToShow, menu_.get(), [this] { RefreshMenu(); });
  RefreshMenu();
  icon_.setContextMenu(menu_.get());
}

// The check marks and the enabled entries tell the state of the moment the menu opens.
void QtTrayIcon::RefreshMenu() {
  const QList<QAction*> actions = menu_->actions();
  for (std::size_t i = 0; i < items_.size() && i < static_cast<std::size_t>(actions.size()); ++i) {
    ShowState(*actions[static_cast<qsizetype>(i)], items_[i]);
  }
}

void QtTrayIcon::ShowMessage(const platform::TrayMessage& message) {
  constexpr int kShownMs = 10000;
  icon_.showMessage(QString::fromStdString(message.title), QString::fromStdString(message.text),
                    message.kind == platform::TrayMessage::Kind::Warning ? QSystemTrayIcon::Warning
                                                                         : QSystemTrayIcon::Information,
                    kShownMs);
}

bool QtTrayIcon::Remove() {
  const bool wasThere = icon_.isVisible();
  icon_.hide();
  return wasThere;
}

void QtTrayIcon::OnMouse(std::function<void(TrayMouse)> handler) { onMouse_ = std::move(handler); }

void QtTrayIcon::OnTrayRecreated(std::function<void()> handler) { onTrayRecreated_ = std::move(handler); }

void QtTrayIcon::OnTrayLost(std::function<void()> handler) { onTrayLost_ = std::move(handler); }

void QtTrayIcon::Report(QSystemTrayIcon::ActivationReason reason) {
  if (!onMouse_) return;
  for (const TrayMouse code : TrayMouseCodes(reason)) CallHandler(desktop_, [&] { onMouse_(code); });
}

std::span<const TrayMouse> TrayMouseCodes(QSystemTrayIcon::ActivationReason reason) {
  static constexpr TrayMouse kLeftClick[] = {TrayMouse::LeftDown, TrayMouse::LeftUp};
  // Qt reports the first click of a double click as a Trigger of its own.
  static constexpr TrayMouse kLeftDoubleClick[] = {TrayMouse::LeftDoubleClick, TrayMouse::LeftUp};
  static constexpr TrayMouse kMiddleClick[] = {TrayMouse::MiddleDown, TrayMouse::MiddleUp};
  static constexpr TrayMouse kRightClick[] = {TrayMouse::RightDown, TrayMouse::RightUp};
  switch (reason) {
    case QSystemTrayIcon::Trigger: return kLeftClick;
    case QSystemTrayIcon::DoubleClick: return kLeftDoubleClick;
    case QSystemTrayIcon::MiddleClick: return kMiddleClick;
    case QSystemTrayIcon::Context: return kRightClick;
    case QSystemTrayIcon::Unknown: break;
  }
  return {};
}

}  // namespace zelmora::platform::qt
