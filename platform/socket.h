#pragma once
// Blocking-style IPv4 TCP client sockets with deadlines and a cancel flag.
// Failures are reported with the Windows Sockets error codes on every platform
// (POSIX errno values are mapped), so the texts the user may see are the same.
#include <array>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/error.h"

namespace zelmora::platform {

// Windows Sockets codes the program itself raises.
inline constexpr int kSocketInterrupted = 10004;
inline constexpr int kSocketTimedOut = 10060;
inline constexpr int kSocketHostNotFound = 11001;

// The text after "Socket Error # <code>" and CR LF; empty for a code not listed.
inline std::string_view SocketErrorText(int code) {
  switch (code) {
    case 10004: return "Interrupted system call.";
    case 10009: return "Bad file number.";
    case 10013: return "Access denied.";
    case 10014: return "Bad address.";
    case 10022: return "Invalid argument.";
    case 10024: return "Too many open files.";
    case 10035: return "Operation would block. ";
    case 10036: return "Operation now in progress.";
    case 10037: return "Operation already in progress.";
    case 10038: return "Socket operation on non-socket.";
    case 10039: return "Destination address required.";
    case 10040: return "Message too long.";
    case 10041: return "Protocol wrong type for socket.";
    case 10042: return "Bad protocol option.";
    case 10043: return "Protocol not supported.";
    case 10044: return "Socket type not supported.";
    case 10045: return "Operation not supported on socket.";
    case 10046: return "Protocol family not supported.";
    case 10047: return "Address family not supported by protocol family.";
    case 10048: return "Address already in use.";
    case 10049: return "Cannot assign requested address.";
    case 10050: return "Network is down.";
    case 10051: return "Network is unreachable.";
    case 10052: return "Net dropped connection or reset.";
    case 10053: return "Software caused connection abort.";
    case 10054: return "Connection reset by peer.";
    case 10055: return "No buffer space available.";
    case 10056: return "Socket is already connected.";
    case 10057: return "Socket is not connected.";
    case 10058: return "Cannot send or receive after socket is closed.";
    case 10059: return "Too many references, cannot splice.";
    case 10060: return "Connection timed out.";
    case 10061: return "Connection refused.";
    case 10062: return "Too many levels of symbolic links.";
    case 10063: return "File name too long.";
    case 10064: return "Host is down.";
    case 10065: return "No route to host.";
    case 10066: return "Directory not empty";
    case 11001: return "Host not found.";
    default: return {};
  }
}

class SocketError : public Error {
 public:
  explicit SocketError(int code)
      : Error("Socket Error # " + std::to_string(code) + "\r\n" + std::string(SocketErrorText(code))),
        code_(code) {}
  int Code() const noexcept { return code_; }

 private:
  int code_;
};

// Keeps the platform's socket library started (Winsock 2.2 on Windows) while it lives.
class SocketLibrary {
 public:
  SocketLibrary();  // throws Error with the library's start-up text
  ~SocketLibrary();
  SocketLibrary(const SocketLibrary&) = delete;
  SocketLibrary& operator=(const SocketLibrary&) = delete;
};

// When a blocking call must give up: at the deadline (timed out), or as soon as
// the cancel flag is raised from another thread (interrupted).
struct WaitLimit {
  std::chrono::steady_clock::time_point deadline;
  const std::atomic<bool>* cancel = nullptr;
};

// How long a blocking call may wait next: until the deadline, but never longer
// than the moment the cancel flag must be looked at again. Throws SocketError
// 10004 once the flag is raised and 10060 once the deadline has passed, also
// while data keeps flowing.
std::chrono::steady_clock::duration NextWait(const WaitLimit& limit);

using Ipv4Address = std::array<std::uint8_t, 4>;

// The first IPv4 address the platform's host lookup gives for a name. Blocks for
// as long as the platform's resolver takes. Throws SocketError 11001 when nothing
// is found.
Ipv4Address LookupHostIpv4(const std::string& name);

// Four decimal parts, each 0 to 255, and nothing else. A part may carry any
// number of leading zeros and is still decimal ("0127" is 127), where the
// system's lookup would read it as octal.
inline bool ParseIpv4Literal(std::string_view text, Ipv4Address& address) {
  for (std::size_t part = 0; part < 4; ++part) {
    std::size_t digits = 0;
    unsigned value = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') {
      value = value * 10 + static_cast<unsigned>(text[digits] - '0');
      if (value > 255) return false;  // also keeps the value from overflowing
      ++digits;
    }
    if (digits == 0) return false;
    address[part] = static_cast<std::uint8_t>(value);
    text.remove_prefix(digits);
    if (part < 3) {
      if (text.empty() || text.front() != '.') return false;
      text.remove_prefix(1);
    }
  }
  return text.empty();
}

class TcpConnection {
 public:
  static std::unique_ptr<TcpConnection> Connect(const Ipv4Address& address, std::uint16_t port,
                                                const WaitLimit& limit);
  ~TcpConnection();  // closes like Close()
  TcpConnection(const TcpConnection&) = delete;
  TcpConnection& operator=(const TcpConnection&) = delete;

  void SendAll(std::string_view bytes, const WaitLimit& limit);
  // Reads what has arrived, at most size bytes, waiting for at least one byte.
  // Returns 0 once the peer has closed its sending direction.
  std::size_t ReceiveSome(char* buffer, std::size_t size, const WaitLimit& limit);
  // Shuts down the sending direction and closes; results are ignored.
  void Close() noexcept;

 private:
  explicit TcpConnection(std::intptr_t handle) : handle_(handle) {}
  std::intptr_t handle_;
};

}  // namespace zelmora::platform
