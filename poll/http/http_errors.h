#pragma once
#include <string>
#include <utility>

#include "core/error.h"
#include "platform/socket.h"

namespace zelmora::http {

// Connect, send and receive failures: "Socket Error # <code>" CR LF <text>.
using SocketError = platform::SocketError;

// The client's own failures: malformed addresses and replies, and replies that
// break one of its bounds. Texts may quote the server's bytes.
class HttpError : public Error {
 public:
  using Error::Error;
};

// A body, or one chunk of it, larger than the client's cap.
class BodyTooLargeError : public HttpError {
 public:
  using HttpError::HttpError;
};

// A reply other than 100 or 2xx, or any redirect: what() is the status line as
// received, StatusText() the same byte for byte. RetryAfter() is the reply's
// Retry-After value as sent (empty when none), for the caller to pace itself by.
class HttpProtocolError : public HttpError {
 public:
  HttpProtocolError(std::string statusText, int status, std::string body, std::string retryAfter = {})
      : HttpError(statusText),
        statusText_(std::move(statusText)),
        status_(status),
        body_(std::move(body)),
        retryAfter_(std::move(retryAfter)) {}
  const std::string& StatusText() const noexcept { return statusText_; }
  int Status() const noexcept { return status_; }
  const std::string& Body() const noexcept { return body_; }
  const std::string& RetryAfter() const noexcept { return retryAfter_; }

 private:
  std::string statusText_;
  int status_;
  std::string body_;
  std::string retryAfter_;
};

inline constexpr const char* kConnectionClosedGracefully = "Connection Closed Gracefully.";

// The peer closed the connection while a line or chunk data was awaited.
class ConnectionClosedError : public HttpError {
 public:
  ConnectionClosedError() : HttpError(kConnectionClosedGracefully) {}
};
inline constexpr const char* kMaxLineLengthExceeded = "Max line length exceeded.";

// A port or range number that is not an integer; the text users have always seen.
inline HttpError InvalidIntegerError(const std::string& text) {
  return HttpError("'" + text + "' is not a valid integer value");
}

}  // namespace zelmora::http
