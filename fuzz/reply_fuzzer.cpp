// Plays an arbitrary server reply to the client's reply handling: reading lines,
// headers, cookies, judging and framing. Any crash, sanitizer report or
// unexpected exception type is a finding.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "poll/http/cookie_store.h"
#include "poll/http/http_errors.h"
#include "poll/http/memory_byte_source.h"
#include "poll/http/reply_receiver.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  using namespace zelmora::http;
  // The first byte picks how the bytes trickle in, so lines and chunks get
  // split across reads in every way.
  const std::size_t piece = std::size_t{data[0]} + 1;
  const std::string_view reply(reinterpret_cast<const char*>(data + 1), size - 1);

  HttpLimits limits;
  limits.maxBodyBytes = 64 * 1024;  // keeps each run fast; the logic is the same
  CookieStore cookies;
  AuthRecord auth;
  MemoryByteSource source(reply, piece);
  ReplyReader reader(source, limits);
  bool keepConnection = false;
  try {
    const std::string body =
        ReceiveReply(reader, ReplyContext{"127.0.0.1", cookies, auth, limits}, keepConnection);
    if (body.size() > limits.maxBodyBytes) __builtin_trap();
  } catch (const HttpProtocolError& error) {
    if (error.Body().size() > limits.maxBodyBytes) __builtin_trap();
  } catch (const zelmora::Error&) {
    // Every failure the client reports is an Error; anything else escapes.
  }
  // The stored cookies must still make a well-formed list.
  (void)cookies.CookieHeader("127.0.0.1", "/");
  return 0;
}
