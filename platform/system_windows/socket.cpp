// Windows Sockets 2.2 behind platform/socket.h. Sockets stay non-blocking; every
// wait goes through select() in short slices so a raised cancel flag is seen promptly.
#include "platform/socket.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <cstring>

#include "platform/sockets/socket_address.h"

namespace zelmora::platform {
namespace {

[[noreturn]] void ThrowLastError() { throw SocketError(WSAGetLastError()); }

SOCKET AsSocket(std::intptr_t handle) { return static_cast<SOCKET>(handle); }

enum class Direction { Read, Write };

// Waits until the socket can be read or written; a failed connect shows up in
// the exception set. Throws on time-out or cancel.
void WaitReady(SOCKET socket, Direction direction, const WaitLimit& limit) {
  for (;;) {
    const auto slice = NextWait(limit);
    const auto micros = std::chrono::ceil<std::chrono::microseconds>(slice).count();
    timeval timeout{static_cast<long>(micros / 1000000), static_cast<long>(micros % 1000000)};
    fd_set ready;
    FD_ZERO(&ready);
    FD_SET(socket, &ready);
    fd_set failed;
    FD_ZERO(&failed);
    FD_SET(socket, &failed);
    const int count = ::select(0, direction == Direction::Read ? &ready : nullptr,
                               direction == Direction::Write ? &ready : nullptr, &failed, &timeout);
    if (count == SOCKET_ERROR) ThrowLastError();
    if (count > 0) return;  // errors surface in the following call
  }
}

}  // namespace

SocketLibrary::SocketLibrary() {
  WSADATA data;
  if (::WSAStartup(MAKEWORD(2, 2), &data) != 0) throw Error("Winsock Initialization Error.");
  if (data.wVersion != MAKEWORD(2, 2)) {
    ::WSACleanup();
    throw Error("Winsock Initialization Error.");
  }
}

SocketLibrary::~SocketLibrary() { ::WSACleanup(); }

std::unique_ptr<TcpConnection> TcpConnection::Connect(const Ipv4Address& address, std::uint16_t port,
                                                      const WaitLimit& limit) {
  const SOCKET socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (socket == INVALID_SOCKET) ThrowLastError();
  // Owns the socket from here on, so every failure below closes it.
  std::unique_ptr<TcpConnection> connection(new TcpConnection(static_cast<std::intptr_t>(socket)));

  u_long nonBlocking = 1;
  if (::ioctlsocket(socket, FIONBIO, &nonBlocking) != 0) ThrowLastError();

  const sockaddr_in local = AnyLocalAddress();
  if (::bind(socket, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) ThrowLastError();

  const sockaddr_in remote = RemoteAddress(address, port);
  if (::connect(socket, reinterpret_cast<const sockaddr*>(&remote), sizeof remote) != 0) {
    if (WSAGetLastError() != WSAEWOULDBLOCK) ThrowLastError();
    WaitReady(socket, Direction::Write, limit);
    int error = 0;
    int length = sizeof error;
    if (::getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) != 0) {
      ThrowLastError();
    }
    if (error != 0) throw SocketError(error);
  }
  return connection;
}

TcpConnection::~TcpConnection() { Close(); }

void TcpConnection::SendAll(std::string_view bytes, const WaitLimit& limit) {
  const SOCKET socket = AsSocket(handle_);
  while (!bytes.empty()) {
    NextWait(limit);
    const int piece = static_cast<int>(std::min<std::size_t>(bytes.size(), 1 << 30));
    const int sent = ::send(socket, bytes.data(), piece, 0);
    if (sent != SOCKET_ERROR) {
      bytes.remove_prefix(static_cast<std::size_t>(sent));
    } else if (WSAGetLastError() == WSAEWOULDBLOCK) {
      WaitReady(socket, Direction::Write, limit);
    } else {
      ThrowLastError();
    }
  }
}

std::size_t TcpConnection::ReceiveSome(char* buffer, std::size_t size, const WaitLimit& limit) {
  const SOCKET socket = AsSocket(handle_);
  const int piece = static_cast<int>(std::min<std::size_t>(size, 1 << 30));
  for (;;) {
    NextWait(limit);
    const int received = ::recv(socket, buffer, piece, 0);
    if (received != SOCKET_ERROR) return static_cast<std::size_t>(received);
    if (WSAGetLastError() != WSAEWOULDBLOCK) ThrowLastError();
    WaitReady(socket, Direction::Read, limit);
  }
}

void TcpConnection::Close() noexcept {
  if (handle_ == static_cast<std::intptr_t>(INVALID_SOCKET)) return;
  const SOCKET socket = AsSocket(handle_);
  ::shutdown(socket, SD_SEND);
  ::closesocket(socket);
  handle_ = static_cast<std::intptr_t>(INVALID_SOCKET);
}

}  // namespace zelmora::platform
