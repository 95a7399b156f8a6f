// Fills a cookie store from arbitrary "Set-Cookie" lines, then builds the
// request head the next poll would send. Whatever the server stored, the head
// must stay one well-formed, bounded request: no control characters from
// cookies, the cookie line within its cap, every field on one line of its own.
#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "poll/http/cookie_store.h"
#include "poll/http/header_list.h"
#include "poll/http/http_limits.h"
#include "poll/http/request_head.h"

namespace {

using namespace zelmora::http;

void Check(bool holds) {
  if (!holds) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte picks the host (a name, an address, an address with
  // leading zeros) and whether the lines are Set-Cookie2.
  static constexpr std::string_view kHosts[] = {"tasks.example.com", "127.0.0.1", "0127.000.0.1"};
  const std::string host(kHosts[data[0] % 3]);
  const char* const setCookie = (data[0] & 0x80) != 0 ? "Set-Cookie2: " : "Set-Cookie: ";
  std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);

  // The first line is the request path, the others what the server set.
  const auto firstEnd = std::min(input.find('\n'), input.size());
  std::string path = "/";
  for (const char c : input.substr(0, firstEnd)) {
    if (static_cast<unsigned char>(c) > ' ' && c != 0x7F) path += c;  // the program's own paths are clean
  }
  input.remove_prefix(std::min(firstEnd + 1, input.size()));
  HeaderList reply;
  while (!input.empty()) {
    const auto end = std::min(input.find('\n'), input.size());
    reply.AddLine(setCookie + std::string(input.substr(0, end)));
    input.remove_prefix(std::min(end + 1, input.size()));
  }

  // A fixed "now" keeps every run reproducible.
  const std::chrono::sys_seconds now{std::chrono::seconds{1'750'000'000}};
  CookieStore cookies;
  cookies.StoreFromReply(reply, host, now);
  cookies.StoreFromReply(reply, host, now);  // the same again only replaces
  cookies.RemoveExpired(now);
  Check(cookies.Size() <= kMaxCookies);

  const std::string cookieLine = cookies.CookieHeader(host, path);
  Check(cookieLine.size() <= kMaxCookieHeaderBytes);
  Check(std::none_of(cookieLine.begin(), cookieLine.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return (byte < 0x20 && c != '\t') || byte == 0x7F;
  }));

  RequestHead request;
  request.target = path;
  request.fields.Set("Host", host);
  request.fields.Set("Accept", "text/html, */*");
  request.fields.Set("Cookie", cookieLine);
  const std::string head = BuildRequestHead(request);

  // Exactly these lines, each whole: nginx refuses a folded request, and the
  // cookie line, free of control characters, cannot split the head.
  std::string expected = "GET " + path + " HTTP/1.1\r\nHost: " + host + "\r\nAccept: text/html, */*\r\n";
  if (!cookieLine.empty()) expected += "Cookie: " + cookieLine + "\r\n";
  Check(head == expected + "\r\n");
  return 0;
}
