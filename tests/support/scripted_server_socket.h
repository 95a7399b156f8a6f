#pragma once
// The few socket calls the scripted server makes, alike on POSIX and on Windows
// Sockets 2.2. Every socket handed out here is non-blocking. On Windows the
// caller keeps the socket library started (platform::SocketLibrary).
#include <cstddef>
#include <cstdint>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace zelmora::testing::sockets {

#ifdef _WIN32

using Socket = SOCKET;
inline const Socket kNoSocket = INVALID_SOCKET;

inline bool MakeNonBlocking(Socket socket) {
  u_long on = 1;
  return ::ioctlsocket(socket, FIONBIO, &on) == 0;
}

inline Socket OpenStream() {
  const Socket socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (socket != kNoSocket && !MakeNonBlocking(socket)) {
    ::closesocket(socket);
    return kNoSocket;
  }
  return socket;
}

inline Socket Accept(Socket listener) {
  const Socket socket = ::accept(listener, nullptr, nullptr);
  if (socket != kNoSocket && !MakeNonBlocking(socket)) {
    ::closesocket(socket);
    return kNoSocket;
  }
  return socket;
}

inline void Close(Socket socket) { ::closesocket(socket); }
inline void ShutdownSending(Socket socket) { ::shutdown(socket, SD_SEND); }

inline bool ConnectInProgress() { return ::WSAGetLastError() == WSAEWOULDBLOCK; }

// True once the socket is ready for `events` (or has failed) within `milliseconds`.
inline bool Poll(Socket socket, short events, int milliseconds) {
  WSAPOLLFD entry{socket, events, 0};
  return ::WSAPoll(&entry, 1, milliseconds) > 0;
}

inline long Send(Socket socket, const char* bytes, std::size_t size) {
  const int piece = size > (1u << 30) ? (1 << 30) : static_cast<int>(size);
  return ::send(socket, bytes, piece, 0);
}

inline long Receive(Socket socket, char* buffer, std::size_t size) {
  const int piece = size > (1u << 30) ? (1 << 30) : static_cast<int>(size);
  return ::recv(socket, buffer, piece, 0);
}

// After a failed Send or Receive: nothing could move now, try again later.
inline bool LastCallWouldBlock() {
  const int error = ::WSAGetLastError();
  return error == WSAEWOULDBLOCK || error == WSAEINTR;
}

#else

using Socket = int;
inline constexpr Socket kNoSocket = -1;

inline Socket OpenStream() { return ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0); }
inline Socket Accept(Socket listener) {
  return ::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
}
inline void Close(Socket socket) { ::close(socket); }
inline void ShutdownSending(Socket socket) { ::shutdown(socket, SHUT_WR); }

inline bool ConnectInProgress() { return errno == EINPROGRESS; }

inline bool Poll(Socket socket, short events, int milliseconds) {
  pollfd entry{socket, events, 0};
  return ::poll(&entry, 1, milliseconds) > 0;
}

// MSG_NOSIGNAL: a client that has gone must not kill the test with SIGPIPE.
inline long Send(Socket socket, const char* bytes, std::size_t size) {
  return ::send(socket, bytes, size, MSG_NOSIGNAL);
}

inline long Receive(Socket socket, char* buffer, std::size_t size) { return ::recv(socket, buffer, size, 0); }

inline bool LastCallWouldBlock() { return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR; }

#endif

// A later Close sends a reset instead of the orderly end of the stream.
inline void ResetOnClose(Socket socket) {
  linger abort{};
  abort.l_onoff = 1;
  abort.l_linger = 0;
  ::setsockopt(socket, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort), sizeof abort);
}

inline sockaddr_in LoopbackAddress(std::uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  return address;
}

// Starts connecting to 127.0.0.1:port; false when that failed at once.
inline bool StartConnect(Socket socket, std::uint16_t port) {
  const sockaddr_in address = LoopbackAddress(port);
  return ::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 ||
         ConnectInProgress();
}

// Listens on 127.0.0.1 at a port the system picks; kNoSocket on failure.
inline Socket ListenOnLoopback(std::uint16_t& port, int backlog = 64) {
  const Socket listener = OpenStream();
  if (listener == kNoSocket) return kNoSocket;
  sockaddr_in address = LoopbackAddress(0);
  socklen_t length = sizeof address;
  if (::bind(listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      ::listen(listener, backlog) != 0 ||
      ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    Close(listener);
    return kNoSocket;
  }
  port = ntohs(address.sin_port);
  return listener;
}

}  // namespace zelmora::testing::sockets
