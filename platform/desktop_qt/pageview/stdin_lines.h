#pragma once
#include <QByteArray>
#include <QObject>
#include <QSocketNotifier>

#include "platform/desktop_qt/pageview/line_buffer.h"

namespace zelmora::platform::qt {

// Reads standard input without blocking the event loop and hands it on line by
// line; reports when the other end has closed it.
class StdinLines : public QObject {
  Q_OBJECT
 public:
  explicit StdinLines(QObject* parent = nullptr);

 signals:
  void LineRead(const QByteArray& line);
  void Closed();

 private:
  void ReadAvailable();

  QSocketNotifier notifier_;
  LineBuffer lines_;
};

}  // namespace zelmora::platform::qt
