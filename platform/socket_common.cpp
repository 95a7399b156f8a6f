// Host-name lookup: getaddrinfo is the same call in POSIX and Windows Sockets.
#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#endif

#include <cstring>

#include "platform/socket.h"

namespace zelmora::platform {

Ipv4Address LookupHostIpv4(const std::string& name) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) {
    throw SocketError(kSocketHostNotFound);
  }
  const auto* address = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
  Ipv4Address result;
  std::memcpy(result.data(), &address->sin_addr.s_addr, result.size());
  ::freeaddrinfo(found);
  return result;
}

}  // namespace zelmora::platform
