#pragma once
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <string_view>

#include "poll/http/http_client.h"
#include "poll/http/memory_byte_source.h"
#include "poll/http/reply_reader.h"
#include "poll/http/reply_receiver.h"
#include "tests/support/scripted_server.h"

namespace zelmora::http {

// Short bounds so a test that reaches one ends quickly.
inline HttpLimits QuickLimits() {
  HttpLimits limits;
  limits.connectTimeout = std::chrono::milliseconds(2000);
  limits.readTimeout = std::chrono::milliseconds(400);
  limits.exchangeTimeout = std::chrono::milliseconds(3000);
  limits.errorBodyReadTimeout = std::chrono::milliseconds(200);
  return limits;
}

// The head the client sends for `target` to the scripted server, before any
// cookie or credentials.
inline std::string PlainRequest(const std::string& target, const testing::ScriptedServer& server) {
  return "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(server.Port()) +
         "\r\nAccept: text/html, */*\r\nUser-Agent: Mozilla/3.0 (compatible; Zelmora Reminder)\r\n\r\n";
}

// Reads and judges replies played from memory, for everything that needs no
// socket: framing, header lines, status handling, cookies. Bytes arrive a few
// at a time so lines and chunks are split across reads.
struct MemoryExchange {
  std::string Receive(std::string_view reply, const std::string& host = "127.0.0.1") {
    MemoryByteSource source(reply, piece);
    ReplyReader reader(source, limits);
    return ReceiveReply(reader, ReplyContext{host, cookies, auth, limits}, keepConnection);
  }
  // The protocol error a reply must end in.
  HttpProtocolError ProtocolError(std::string_view reply) {
    try {
      Receive(reply);
    } catch (const HttpProtocolError& error) {
      return error;
    }
    ADD_FAILURE() << "no protocol error";
    return HttpProtocolError("", 0, "");
  }

  HttpLimits limits;
  CookieStore cookies;
  AuthRecord auth;
  bool keepConnection = false;
  std::size_t piece = 7;
};

// Runs a GET that must fail and returns the failure's text.
template <typename ErrorType = Error>
std::string FailureText(HttpClient& client, const std::string& address) {
  try {
    client.Get(address);
  } catch (const ErrorType& error) {
    return error.what();
  }
  return "<no failure>";
}

}  // namespace zelmora::http
