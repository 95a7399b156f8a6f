#include "notify/tray_icon.h"

#include "core/error_report.h"

namespace zelmora {
namespace {

// The system's double-click time; only a click deferral (with OnDblClick) uses it.
constexpr int kDoubleClickTimeMs = 500;

void Raise(const std::function<void()>& event) {
  if (event) event();
}

}  // namespace

TTrayIcon::TTrayIcon(platform::Desktop& desktop, platform::MainWindow& mainWindow)
    : mainWindow_(mainWindow), icon_(desktop.CreateTrayIcon()) {
  clickDeferral_ = desktop.CreateTimer(Guarded(desktop, [this] { ClickDeferralExpired(); }));
  icon_->OnMouse([this, &desktop](platform::TrayMouse code) {
    Guarded(desktop, [this, code] { MouseNotification(code); })();
  });
  icon_->OnTrayRecreated([this] {
    if (iconVisible_) AddIcon();
  });
  // A window hidden in a tray that has gone would have no way back: it waits
  // minimised on the task bar instead, until the user or the tray brings it back.
  icon_->OnTrayLost([this] {
    if (iconVisible_ && !mainWindow_.IsVisible()) mainWindow_.ShowMinimized();
  });
  mainWindow_.OnMinimized([this] {
    if (MinimizeToTray) SendToTray();
  });
  AddIcon();
}

TTrayIcon::~TTrayIcon() { RemoveIcon(); }

void TTrayIcon::SetHint(std::string hint) {
  if (hint == hint_) return;
  hint_ = std::move(hint);
  UpdateIcon();
}

void TTrayIcon::SetImage(platform::TrayImage image) {
  if (image == image_) return;
  image_ = image;
  UpdateIcon();
}

void TTrayIcon::SetPopupMenu(std::vector<platform::TrayMenuItem> items) {
  hasMenu_ = !items.empty();
  icon_->SetMenu(std::move(items));
}

platform::TrayIconRecord TTrayIcon::FillIconRecord() const { return {hint_, image_}; }

bool TTrayIcon::AddIcon() {
  iconVisible_ = true;
  return icon_->Add(FillIconRecord());
}

bool TTrayIcon::RemoveIcon() {
  iconVisible_ = false;
  return icon_->Remove();
}

bool TTrayIcon::UpdateIcon() { return icon_->Modify(FillIconRecord()); }

void TTrayIcon::HideMainWindow() { mainWindow_.Hide(); }

void TTrayIcon::SendToTray() {
  HideMainWindow();
  AddIcon();
}

void TTrayIcon::RestoreMainWindow() { mainWindow_.Restore(); }

void TTrayIcon::MouseNotification(platform::TrayMouse code) {
  if (!Enabled) return;
  using platform::TrayMouse;
  switch (code) {
    case TrayMouse::LeftDown:
      if (OnDblClick) {
        clickDeferral_->Start(kDoubleClickTimeMs);
        clickDeferralRunning_ = true;
      }
      leftPressed_ = true;
      break;
    case TrayMouse::LeftUp:
      if (leftPressed_) {
        clickPending_ = true;
        if (!clickDeferralRunning_) {
          leftPressed_ = false;
          clickPending_ = false;
          Raise(OnClick);
        }
      }
      leftPressed_ = false;
      break;
    case TrayMouse::LeftDoubleClick:
      clickPending_ = false;
      doubleClickSeen_ = true;
      Raise(OnDblClick);
      break;
    case TrayMouse::RightDown:
      if (hasMenu_) icon_->PopUpMenu();
      break;
    default:
      // The middle button and moves have no handler in this program.
      break;
  }
}

void TTrayIcon::ClickDeferralExpired() {
  clickDeferral_->Stop();
  clickDeferralRunning_ = false;
  if (clickPending_ && !doubleClickSeen_) {
    clickPending_ = false;
    Raise(OnClick);
  }
  doubleClickSeen_ = false;
}

}  // namespace zelmora
