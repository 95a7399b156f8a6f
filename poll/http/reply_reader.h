#pragma once
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "poll/http/byte_source.h"
#include "poll/http/http_limits.h"

namespace zelmora::http {

// How the body of a reply is delimited.
struct BodyFraming {
  std::int64_t contentLength = -1;  // -1 when absent or not an integer
  bool chunked = false;
};

// What to do with the part of a body past the cap.
enum class PastTheCap {
  Fail,  // the GET fails: a success body must be whole
  Drop,  // keep the first part and leave the rest unread
};

// Buffered reading of one reply: lines, then a body by its framing. Every read
// is bounded by the limits; nothing grows past them.
class ReplyReader {
 public:
  ReplyReader(ByteSource& source, const HttpLimits& limits);

  // The next line without its LF and a CR right before it. Throws
  // ConnectionClosedError when the peer has closed and no complete
  // line is left, and "Max line length exceeded." for an overlong line.
  std::string ReadLine();

  // The body by its framing: a positive length first, then chunks, then until
  // the peer closes (no valid length), else nothing. Appends to `body`, so
  // what arrived before a failure stays there. Past the body cap it throws
  // BodyTooLargeError, or with PastTheCap::Drop stops at the cap and returns
  // false.
  bool ReadBody(const BodyFraming& framing, std::string& body, PastTheCap pastTheCap = PastTheCap::Fail);

  // The longest wait for the next byte from now on.
  void SetInactivityTimeout(std::chrono::milliseconds timeout) { inactivity_ = timeout; }
  // The peer has closed its sending direction (seen, not guessed).
  bool PeerClosed() const { return peerClosed_; }

 private:
  // Reads more into the buffer; false once the peer has closed.
  bool Fill();
  std::size_t Buffered() const { return end_ - start_; }
  // Moves up to `count` bytes into `out`, from the buffer first, then straight
  // from the source. Returns fewer only when the peer closed.
  std::size_t Take(std::string& out, std::size_t count);
  // How many of `count` more bytes fit beside `held` ones under the cap.
  std::size_t Fitting(std::size_t held, std::size_t count, PastTheCap pastTheCap) const;
  [[noreturn]] void ThrowBodyTooLarge() const;
  bool ReadExactly(std::string& body, std::size_t count,
                   PastTheCap pastTheCap);  // closing early ends it quietly
  bool ReadChunked(std::string& body, PastTheCap pastTheCap);
  bool ReadUntilClosed(std::string& body, PastTheCap pastTheCap);

  ByteSource& source_;
  const HttpLimits& limits_;
  std::chrono::milliseconds inactivity_;
  std::string buffer_;  // unread bytes are [start_, end_)
  std::size_t start_ = 0;
  std::size_t end_ = 0;
  bool peerClosed_ = false;
};

// The size on a chunk-size line: the text before the first space, read as hex.
// A line that is not purely hexadecimal (an extension after ";" included)
// counts as 0. Throws BodyTooLargeError when the size passes `maxSize`; the
// check runs on every digit so no size can overflow.
std::size_t ParseChunkSize(std::string_view line, std::size_t maxSize);

}  // namespace zelmora::http
