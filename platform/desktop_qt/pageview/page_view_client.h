#pragma once
#include <QObject>
#include <QProcess>
#include <QRect>
#include <QUrl>
#include <memory>

namespace zelmora::platform::qt {

// The reminder's side of zelmora-pageview: starts the helper on first need,
// embedded into the given window, and restarts it when it has died. The web
// engine lives only in the helper, so the reminder stays small until a page is
// first shown and survives a crash of the engine.
class PageViewClient : public QObject {
  Q_OBJECT
 public:
  PageViewClient(quintptr parentWindow, const QRect& viewBounds);
  ~PageViewClient() override;

  // Starts the helper if it is not running and hands it the address.
  // Throws zelmora::Error when the helper cannot be started.
  void Navigate(const QUrl& address);

 signals:
  // A page finished loading, successfully or with the engine's error page.
  void LoadFinished(bool ok);

 private:
  void StartHelper();
  void ReadEvents();

  quintptr parentWindow_;
  QRect viewBounds_;
  std::unique_ptr<QProcess> helper_;
  int starts_ = 0;
};

// Where zelmora-pageview is: beside the running program, else where it was built.
QString PageViewProgramPath();

}  // namespace zelmora::platform::qt
