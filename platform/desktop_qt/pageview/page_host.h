#pragma once
#include <QObject>
#include <QRect>
#include <QWebEngineView>
#include <memory>
#include <optional>

class QWindow;

namespace zelmora::platform::qt {

class PopupPage;

// The web view of the popup, embedded into the reminder's popup window when a
// parent window is given. Carries out the reminder's commands and reports each
// finished load on stdout.
class PageHost : public QObject {
  Q_OBJECT
 public:
  PageHost(std::optional<quintptr> parentWindow, const QRect& viewBounds);
  ~PageHost() override;

  void HandleCommand(const QByteArray& line);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Embed();

  std::unique_ptr<QWindow> parent_;  // the reminder's window, seen as a foreign window
  std::unique_ptr<QWebEngineView> view_;
  PopupPage* page_ = nullptr;  // owned by the view
};

}  // namespace zelmora::platform::qt
