#pragma once
#include <QByteArray>
#include <QTcpServer>

namespace zelmora::e2e {

// Answers every HTTP request on 127.0.0.1 with the same small page (the icon
// with 404), on the caller's event loop. Remembers the last page's request line.
class OnePageServer {
 public:
  explicit OnePageServer(QByteArray page);
  quint16 Port() const { return server_.serverPort(); }
  const QByteArray& LastRequestLine() const { return lastRequestLine_; }
  int Requests() const { return requests_; }

 private:
  void Answer();

  QTcpServer server_;
  QByteArray page_;
  QByteArray lastRequestLine_;
  int requests_ = 0;
};

// A port on 127.0.0.1 that nobody listens on (bound once, then released).
quint16 RefusedPort();

}  // namespace zelmora::e2e
