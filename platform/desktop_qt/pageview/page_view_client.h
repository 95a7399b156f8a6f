#pragma once
#include <QObject>
#include <QProcess>
#include <QRect>
#include <QTimer>
#include <QUrl>
#include <chrono>
#include <memory>

#include "platform/desktop_qt/pageview/line_buffer.h"

namespace zelmora::platform::qt {

// Where zelmora-pageview is: beside the running program, else where it was built.
QString PageViewProgramPath();

struct PageViewTiming {
  // A healthy helper acknowledges a navigation at once, even while its engine
  // starts cold on a busy machine. The page itself may take longer: a slow task
  // server is no hung helper.
  std::chrono::milliseconds answerDeadline{15000};
  // Time the engine gets to shut down cleanly before it is killed.
  std::chrono::milliseconds quitTimeout{3000};
};

// The reminder's side of zelmora-pageview: starts the helper on first need,
// embedded into the given window. The web engine lives only in the helper, so
// the reminder stays small until a page is shown, gets all of that memory back
// when the helper is released, and survives a crash or a hang of the engine.
//
// A helper that does not acknowledge a navigation within the answer deadline,
// or that ends while a page is on its way, is ended and started again, and the
// navigation is sent once more. When that second try fails too, Failed is
// raised, once until a page loads again, so a helper that can never start is
// reported once rather than at every task.
class PageViewClient : public QObject {
  Q_OBJECT
 public:
  PageViewClient(quintptr parentWindow, const QRect& viewBounds, QString program = PageViewProgramPath(),
                 PageViewTiming timing = {});
  ~PageViewClient() override;

  // Starts the helper if it is not running and hands it the address.
  // Throws zelmora::Error when the helper cannot be started.
  void Navigate(const QUrl& address);
  // Ends the helper unless a page is on its way; returns whether it is gone.
  // The last address stays for Restore.
  bool Release();
  // With no helper running (released, or ended by itself), starts one on the
  // last address. Its load is not reported by LoadFinished: the page was shown
  // before and merely comes back. A helper that cannot start raises Failed.
  void Restore();

  bool Running() const;
  bool Loading() const { return pending_ != Pending::None; }

 signals:
  // A page finished loading, successfully or with the engine's error page.
  void LoadFinished(bool ok);
  // The helper failed a navigation twice in a row.
  void Failed(const QString& reason);

 private:
  enum class Pending { None, Answer, Page };

  void SendNavigation();
  void StartHelper();
  void StopHelper();
  void ReadEvents();
  void HelperEnded();
  void NavigationFailed(const QString& reason);

  quintptr parentWindow_;
  QRect viewBounds_;
  QString program_;
  PageViewTiming timing_;
  std::unique_ptr<QProcess> helper_;
  LineBuffer lines_;
  QTimer answerDeadline_;
  QUrl lastAddress_;
  Pending pending_ = Pending::None;
  bool quietLoad_ = false;  // the next finished load is a Restore's
  bool retried_ = false;    // the navigation on its way was sent a second time
  bool failureReported_ = false;
};

}  // namespace zelmora::platform::qt
