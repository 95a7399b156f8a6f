#pragma once
#include <chrono>
#include <string>

#include "poll/http/http_client.h"
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
