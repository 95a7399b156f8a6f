#include "platform/desktop_qt/pageview/popup_page.h"

namespace zelmora::platform::qt {

PopupPage::PopupPage(QObject* parent) : QWebEnginePage(parent) {
  // The engine asks whether to leave the old page before it starts the new load.
  connect(this, &QWebEnginePage::loadStarted, this, [this] {
    replacing_ = false;
    loaded_ = false;
  });
  connect(this, &QWebEnginePage::loadFinished, this, [this] { loaded_ = true; });
}

void PopupPage::LoadForReminder(const QUrl& address) {
  replacing_ = true;
  loaded_ = false;
  load(address);
}

void PopupPage::javaScriptAlert(const QUrl& origin, const QString& message) {
  if (loaded_) QWebEnginePage::javaScriptAlert(origin, message);
}

bool PopupPage::javaScriptConfirm(const QUrl& origin, const QString& message) {
  if (replacing_) return true;
  return loaded_ && QWebEnginePage::javaScriptConfirm(origin, message);
}

bool PopupPage::javaScriptPrompt(const QUrl& origin, const QString& message, const QString& defaultValue,
                                 QString* result) {
  return loaded_ && QWebEnginePage::javaScriptPrompt(origin, message, defaultValue, result);
}

}  // namespace zelmora::platform::qt
