#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QList>

namespace zelmora::platform::qt {

// Cuts a byte stream into lines. A line longer than the limit is dropped whole,
// so a peer that never ends its line cannot make the buffer grow without bound.
class LineBuffer {
 public:
  explicit LineBuffer(qsizetype maxLineBytes) : maxLineBytes_(maxLineBytes) {}

  // Takes the next bytes of the stream; returns the lines they complete, without
  // their line breaks ("\n" or "\r\n").
  QList<QByteArray> Append(QByteArrayView bytes);

 private:
  qsizetype maxLineBytes_;
  QByteArray pending_;
  bool discarding_ = false;  // inside a line that was too long
};

}  // namespace zelmora::platform::qt
