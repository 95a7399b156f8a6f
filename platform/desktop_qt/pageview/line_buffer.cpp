#include "platform/desktop_qt/pageview/line_buffer.h"

namespace zelmora::platform::qt {

QList<QByteArray> LineBuffer::Append(QByteArrayView bytes) {
  QList<QByteArray> lines;
  while (!bytes.isEmpty()) {
    const qsizetype end = bytes.indexOf('\n');
    const QByteArrayView piece = end < 0 ? bytes : bytes.first(end);
    if (!discarding_) {
      if (pending_.size() + piece.size() > maxLineBytes_ + 1) {  // + 1: a '\r' before the '\n'
        pending_.clear();
        discarding_ = true;
      } else {
        pending_.append(piece);
      }
    }
    if (end < 0) break;
    if (!discarding_) {
      if (pending_.endsWith('\r')) pending_.chop(1);
      if (pending_.size() <= maxLineBytes_) lines.append(pending_);
    }
    pending_.clear();
    discarding_ = false;
    bytes = bytes.sliced(end + 1);
  }
  return lines;
}

}  // namespace zelmora::platform::qt
