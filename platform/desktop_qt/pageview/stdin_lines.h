#pragma once
#include <QByteArray>
#include <QObject>
#include <QSocketNotifier>

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
  QByteArray pending_;
  bool discarding_ = false;  // inside a line that was too long
};

}  // namespace zelmora::platform::qt
