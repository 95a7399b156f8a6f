#pragma once
#include <chrono>
#include <cstddef>

namespace zelmora::http {

// Bounds that keep one poll from hanging or growing without end, whatever the
// server does. The counter reply is a few dozen bytes and a poll runs every ten
// seconds or more, so every bound is far above what a healthy server needs.
struct HttpLimits {
  // Name lookup plus TCP connect. A reachable server answers a SYN in well under
  // a second; ten seconds still rides out two SYN retransmissions (1 s, 3 s).
  std::chrono::milliseconds connectTimeout{10000};
  // Longest silence while a reply is awaited or read. A loaded PHP server may
  // think for a few seconds before the first byte.
  std::chrono::milliseconds readTimeout{15000};
  // The whole GET from connect to last body byte: ends a server that drips bytes
  // just fast enough to beat the read time-out.
  std::chrono::milliseconds exchangeTimeout{60000};
  // The wait for each piece of an error reply's body, which nobody reads anyway.
  std::chrono::milliseconds errorBodyReadTimeout{2000};
  // A reply body (success or error) larger than this fails the GET; so does a
  // single chunk. 1 MiB is thousands of times the counter reply and still cheap.
  std::size_t maxBodyBytes = 1 << 20;
  // Status line excluded. Real replies carry about ten header lines.
  std::size_t maxHeaderLines = 100;
  // Status, header and chunk-size lines, counting a CR before the LF.
  std::size_t maxLineLength = 16384;
};

}  // namespace zelmora::http
