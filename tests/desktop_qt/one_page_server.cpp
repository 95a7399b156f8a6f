#include "tests/desktop_qt/one_page_server.h"

#include <QTcpSocket>

namespace zelmora::e2e {

OnePageServer::OnePageServer(QByteArray page) : page_(std::move(page)) {
  server_.listen(QHostAddress::LocalHost, 0);
  QObject::connect(&server_, &QTcpServer::newConnection, [this] { Answer(); });
}

void OnePageServer::Answer() {
  while (QTcpSocket* socket = server_.nextPendingConnection()) {
    QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
      // Only the request head matters; answer once it is complete.
      const QByteArray head = socket->peek(64 * 1024);
      if (!head.contains("\r\n\r\n")) return;
      socket->readAll();
      const QByteArray requestLine = head.left(head.indexOf("\r\n"));
      // The engine asks for the icon after the page, at a moment of its own
      // choosing; it is not one of the pages the tests look for.
      if (requestLine.startsWith("GET /favicon.ico ")) {
        socket->write("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        socket->disconnectFromHost();
        return;
      }
      requestLines_.append(requestLine);
      socket->write(
          "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nConnection: close\r\n"
          "Content-Length: " +
          QByteArray::number(page_.size()) + "\r\n\r\n" + page_);
      socket->disconnectFromHost();
    });
  }
}

quint16 RefusedPort() {
  QTcpServer probe;
  probe.listen(QHostAddress::LocalHost, 0);
  return probe.serverPort();
}

}  // namespace zelmora::e2e
