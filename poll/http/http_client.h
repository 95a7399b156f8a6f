#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/socket.h"
#include "poll/http/cookie_store.h"
#include "poll/http/http_errors.h"
#include "poll/http/http_limits.h"
#include "poll/http/reply_receiver.h"

namespace zelmora::http {

// The program's one HTTP/1.1 client: a plain GET over a fresh TCP connection,
// byte-exact, with cookies, and bounded in time and memory. One thread at a time
// may call Get and Disconnect; Abort may be called from any thread.
class HttpClient {
 public:
  // Starts the platform's socket library; throws Error when it cannot.
  explicit HttpClient(HttpLimits limits = {});
  ~HttpClient();
  HttpClient(const HttpClient&) = delete;
  HttpClient& operator=(const HttpClient&) = delete;

  // The body of a 2xx reply, byte for byte. Throws SocketError, HttpError or
  // HttpProtocolError on every failure.
  std::string Get(const std::string& address);
  // Closes the connection if one is open. Never fails.
  void Disconnect() noexcept;
  // Makes a Get in progress fail within about 50 ms, and every later Get fail
  // at once (SocketError 10004). For leaving the program while a poll hangs.
  void Abort() noexcept;

 private:
  void Connect(const std::string& host, std::uint16_t port, const platform::WaitLimit& limit);
  std::string BuildHead(const std::string& target, const std::string& hostHeader, const std::string& host,
                        const std::string& path);

  platform::SocketLibrary socketLibrary_;
  const HttpLimits limits_;
  std::atomic<bool> aborted_{false};
  std::unique_ptr<platform::TcpConnection> connection_;
  std::string connectedHost_;
  std::uint16_t connectedPort_ = 0;
  CookieStore cookies_;
  AuthRecord auth_;
};

}  // namespace zelmora::http
