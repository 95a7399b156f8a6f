#pragma once
#include <QWebEnginePage>

namespace zelmora::platform::qt {

// The popup's page. Until a page has loaded nobody has seen it (the popup waits
// out of sight for the load), so a box it opened then would hold the popup back
// until someone found and answered it: such boxes are answered at once instead
// (an alert dropped, a confirm or prompt cancelled). The engine's question
// whether to leave a page is answered "leave" when the reminder replaces the
// page with the next task's. Once the page is in sight, it asks the user as a
// browser would.
class PopupPage : public QWebEnginePage {
  Q_OBJECT
 public:
  explicit PopupPage(QObject* parent);

  // The reminder's navigation, not the page's own.
  void LoadForReminder(const QUrl& address);

 protected:
  void javaScriptAlert(const QUrl& origin, const QString& message) override;
  bool javaScriptConfirm(const QUrl& origin, const QString& message) override;
  bool javaScriptPrompt(const QUrl& origin, const QString& message, const QString& defaultValue,
                        QString* result) override;

 private:
  bool replacing_ = false;  // from the reminder's load until the engine starts it
  bool loaded_ = false;     // the current page has finished loading
};

}  // namespace zelmora::platform::qt
