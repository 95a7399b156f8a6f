#pragma once
#include <chrono>
#include <cstddef>
#include <cstdint>

namespace zelmora::http {

// Bounds that keep one poll from hanging, burning a core or growing without end,
// whatever the server does. The counter reply is a few dozen bytes and a poll
// runs every ten seconds or more, so every bound is far above what a healthy
// server needs. README lists them for operators; keep that table in step.

// Name lookup plus TCP connect. A reachable server answers a SYN in well under
// a second; ten seconds still rides out two SYN retransmissions (1 s, 3 s).
inline constexpr std::chrono::milliseconds kConnectTimeout{10000};
// Longest silence while a reply is awaited or read. A loaded PHP server may
// think for a few seconds before the first byte.
inline constexpr std::chrono::milliseconds kReadTimeout{15000};
// The whole GET from connect to last body byte: ends a server that drips bytes
// just fast enough to beat the read time-out.
inline constexpr std::chrono::milliseconds kExchangeTimeout{60000};
// The wait for each piece of an error reply's body, which nobody reads anyway.
inline constexpr std::chrono::milliseconds kErrorBodyReadTimeout{2000};
// A success body larger than this fails the GET (an error body is cut here);
// so does a single chunk. 1 MiB is thousands of times the counter reply.
inline constexpr std::size_t kMaxBodyBytes = 1 << 20;
// Per reply head, status line excluded. Real replies carry about ten.
inline constexpr std::size_t kMaxHeaderLines = 100;
// Status, header and chunk-size lines, counting a CR before the LF.
inline constexpr std::size_t kMaxLineLength = 16384;
// "100 Continue" replies before the real one. Servers send one at most; an
// endless stream of them would otherwise be read for the whole exchange.
inline constexpr int kMaxInterimReplies = 10;

// Cookies. The store lives as long as the program and every stored cookie goes
// out with every poll, so what one reply stores must stay small for good.

// Cookies kept at once; past this a new one takes the place of an expired
// one, else of the one least recently set or sent. 300 is the floor browsers
// were once asked to keep.
inline constexpr std::size_t kMaxCookies = 300;
// Name plus value of one cookie; a longer one is ignored, as browsers do.
inline constexpr std::size_t kMaxCookieNameValueBytes = 4096;
// One attribute value (path, domain, expires...); a longer one is ignored, as
// browsers do, so no cookie holds more than a few KB.
inline constexpr std::size_t kMaxCookieAttributeBytes = 1024;
// The value of the Cookie line; a cookie that would take it past this is left
// out (the least specific first) and smaller ones still go. Common servers
// refuse a header line over 8 KB (Apache: 8190 bytes).
inline constexpr std::size_t kMaxCookieHeaderBytes = 8000;
// An "expires" year past this reads as the last second of it: far enough for
// any cookie, and within what the calendar types hold (a 16-bit year wraps).
inline constexpr int kLatestCookieYear = 9999;
// A longer "max-age" counts as this one (about 3000 years), which keeps now +
// max-age representable.
inline constexpr std::int64_t kLongestCookieMaxAgeSeconds = 100'000'000'000;

// The bounds one client is made with; tests shorten them.
struct HttpLimits {
  std::chrono::milliseconds connectTimeout = kConnectTimeout;
  std::chrono::milliseconds readTimeout = kReadTimeout;
  std::chrono::milliseconds exchangeTimeout = kExchangeTimeout;
  std::chrono::milliseconds errorBodyReadTimeout = kErrorBodyReadTimeout;
  std::size_t maxBodyBytes = kMaxBodyBytes;
  std::size_t maxHeaderLines = kMaxHeaderLines;
  std::size_t maxLineLength = kMaxLineLength;
};

}  // namespace zelmora::http
