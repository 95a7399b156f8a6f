#pragma once
#include <QByteArray>
#include <QTcpServer>

namespace zelmora::e2e {

// Answers every HTTP request on 127.0.0.1 with the same small page (the icon
// with 404), on the caller's event loop. Remembers the request lines.
class OnePageServer {
 public:
  explicit OnePageServer(QByteArray page);
  quint16 Port() const { return server_.serverPort(); }
  QByteArray LastRequestLine() const { return requestLines_.isEmpty() ? QByteArray() : requestLines_.last(); }
  const QList<QByteArray>& RequestLines() const { return requestLines_; }
  int Requests() const { return int(requestLines_.size()); }

 private:
  void Answer();

  QTcpServer server_;
  QByteArray page_;
  QList<QByteArray> requestLines_;
};

// A port on 127.0.0.1 that nobody listens on (bound once, then released).
quint16 RefusedPort();

}  // namespace zelmora::e2e
