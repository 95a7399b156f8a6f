// POSIX sockets behind platform/socket.h. Sockets stay non-blocking; every wait
// goes through poll() in short slices so a raised cancel flag is seen promptly.
#include "platform/socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/sockets/socket_address.h"

namespace zelmora::platform {
namespace {

int WinsockCodeFromErrno(int error) {
  switch (error) {
    case EINTR: return 10004;
    case EBADF: return 10009;
    case EACCES: return 10013;
    case EFAULT: return 10014;
    case EINVAL: return 10022;
    case EMFILE: return 10024;
    case EWOULDBLOCK: return 10035;
    case EINPROGRESS: return 10036;
    case EALREADY: return 10037;
    case ENOTSOCK: return 10038;
    case EDESTADDRREQ: return 10039;
    case EMSGSIZE: return 10040;
    case EPROTOTYPE: return 10041;
    case ENOPROTOOPT: return 10042;
    case EPROTONOSUPPORT: return 10043;
    case ESOCKTNOSUPPORT: return 10044;
    case EOPNOTSUPP: return 10045;
    case EPFNOSUPPORT: return 10046;
    case EAFNOSUPPORT: return 10047;
    case EADDRINUSE: return 10048;
    case EADDRNOTAVAIL: return 10049;
    case ENETDOWN: return 10050;
    case ENETUNREACH: return 10051;
    case ENETRESET: return 10052;
    case ECONNABORTED: return 10053;
    case ECONNRESET: return 10054;
    case EPIPE: return 10054;  // the peer reset or closed under a send
    case ENOBUFS: return 10055;
    case EISCONN: return 10056;
    case ENOTCONN: return 10057;
    case ESHUTDOWN: return 10058;
    case ETOOMANYREFS: return 10059;
    case ETIMEDOUT: return 10060;
    case ECONNREFUSED: return 10061;
    case ELOOP: return 10062;
    case ENAMETOOLONG: return 10063;
    case EHOSTDOWN: return 10064;
    case EHOSTUNREACH: return 10065;
    case ENOTEMPTY: return 10066;
    default: return error;
  }
}

[[noreturn]] void ThrowLastError() { throw SocketError(WinsockCodeFromErrno(errno)); }

// Waits until the socket is ready for the given poll events; throws on time-out
// or cancel.
void WaitReady(int socket, short events, const WaitLimit& limit) {
  for (;;) {
    const auto slice = NextWait(limit);
    // Round up so a sub-millisecond remainder does not spin.
    const auto timeoutMs = std::chrono::ceil<std::chrono::milliseconds>(slice).count();
    pollfd entry{socket, events, 0};
    const int ready = ::poll(&entry, 1, static_cast<int>(timeoutMs));
    if (ready > 0) return;  // errors and hang-ups surface in the following call
    if (ready < 0 && errno != EINTR) ThrowLastError();
  }
}

}  // namespace

SocketLibrary::SocketLibrary() = default;
SocketLibrary::~SocketLibrary() = default;

std::unique_ptr<TcpConnection> TcpConnection::Connect(const Ipv4Address& address, std::uint16_t port,
                                                      const WaitLimit& limit) {
  const int socket = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
  if (socket < 0) ThrowLastError();
  // Owns the descriptor from here on, so every failure below closes it.
  std::unique_ptr<TcpConnection> connection(new TcpConnection(socket));

#ifdef IP_BIND_ADDRESS_NO_PORT
  // Port 0 is picked at connect, where the kernel may share ports across
  // destinations, instead of at bind, where it searches for an unused one.
  const int deferPort = 1;
  ::setsockopt(socket, IPPROTO_IP, IP_BIND_ADDRESS_NO_PORT, &deferPort, sizeof deferPort);
#endif
  const sockaddr_in local = AnyLocalAddress();
  if (::bind(socket, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) ThrowLastError();

  const sockaddr_in remote = RemoteAddress(address, port);
  if (::connect(socket, reinterpret_cast<const sockaddr*>(&remote), sizeof remote) != 0) {
    if (errno != EINPROGRESS) ThrowLastError();
    WaitReady(socket, POLLOUT, limit);
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &length) != 0) ThrowLastError();
    if (error != 0) throw SocketError(WinsockCodeFromErrno(error));
  }
  return connection;
}

TcpConnection::~TcpConnection() { Close(); }

void TcpConnection::SendAll(std::string_view bytes, const WaitLimit& limit) {
  const int socket = static_cast<int>(handle_);
  while (!bytes.empty()) {
    NextWait(limit);
    const ssize_t sent = ::send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent >= 0) {
      bytes.remove_prefix(static_cast<std::size_t>(sent));
    } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
      WaitReady(socket, POLLOUT, limit);
    } else if (errno != EINTR) {
      ThrowLastError();
    }
  }
}

std::size_t TcpConnection::ReceiveSome(char* buffer, std::size_t size, const WaitLimit& limit) {
  const int socket = static_cast<int>(handle_);
  for (;;) {
    NextWait(limit);
    const ssize_t received = ::recv(socket, buffer, size, 0);
    if (received >= 0) return static_cast<std::size_t>(received);
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
      WaitReady(socket, POLLIN, limit);
    } else if (errno != EINTR) {
      ThrowLastError();
    }
  }
}

void TcpConnection::Close() noexcept {
  if (handle_ < 0) return;
  const int socket = static_cast<int>(handle_);
  ::shutdown(socket, SHUT_WR);
  ::close(socket);
  handle_ = -1;
}

}  // namespace zelmora::platform
