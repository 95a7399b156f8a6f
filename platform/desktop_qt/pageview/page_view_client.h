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
// navigation is sent once more; when that second try fails too, Failed says
// why. A helper that ends while its page is in sight is started again on the
// last address, once per showing.
class PageViewClient : public QObject {
  Q_OBJECT
 public:
  PageViewClient(quintptr parentWindow, const QRect& viewBounds, QString program = PageViewProgramPath(),
                 PageViewTiming timing = {});
  ~PageViewClient() override;

  // Starts the helper if it is not running and hands it the address. A helper
  // that cannot be started is reported by Failed.
  void Navigate(const QUrl& address);
  // Starts the helper if it is not running, for a navigation soon: its engine
  // takes a while to start. A helper that cannot start is reported by the
  // navigation.
  void Prepare();
  // Whether the page is in sight. Out of sight the helper silences and stops
  // it. Back in sight, the page comes back, and a helper that is gone
  // (released, or ended by itself) starts again on the last address; that load
  // is not reported by LoadFinished: the page was shown before and merely
  // comes back.
  void SetShown(bool shown);
  // Ends the helper, whatever its page is doing. The last address stays.
  void Release();

  bool Running() const;
  bool Loading() const { return pending_ != Pending::None; }

 signals:
  // A page finished loading, successfully or with an error page.
  void LoadFinished(bool ok);
  // The page view cannot show the page: why, in one line.
  void Failed(const QString& reason);
  // The user asked the page for a new window: an http or https address.
  void OpenRequested(const QUrl& address);

 private:
  enum class Pending { None, Answer, Page };

  void Restore();
  void SendNavigation();
  void Send(const QByteArray& line);
  bool StartHelper(QString& failure);
  void StopHelper();
  void ReadEvents();
  void ReadErrorOutput();
  void HelperEnded();
  void NavigationFailed(const QString& reason);

  quintptr parentWindow_;
  QRect viewBounds_;
  QString program_;
  PageViewTiming timing_;
  std::unique_ptr<QProcess> helper_;
  LineBuffer lines_;
  QByteArray lastErrorLine_;  // what the helper last said on its error output
  QTimer answerDeadline_;
  QUrl lastAddress_;
  Pending pending_ = Pending::None;
  bool shown_ = false;
  bool quietLoad_ = false;         // the next finished load brings a page back
  bool retried_ = false;           // the navigation on its way was sent a second time
  bool restartedInSight_ = false;  // a helper that ended in sight was started again
};

}  // namespace zelmora::platform::qt
