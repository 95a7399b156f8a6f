#include "poll/http/reply_reader.h"

#include <algorithm>

#include "poll/http/http_errors.h"

namespace zelmora::http {
namespace {

// Bytes asked of the source per read.
constexpr std::size_t kReadPiece = 16 * 1024;

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::size_t ParseChunkSize(std::string_view line, std::size_t maxSize) {
  const std::string_view digits = line.substr(0, line.find(' '));
  if (!std::all_of(digits.begin(), digits.end(), [](char c) { return HexDigitValue(c) >= 0; })) return 0;
  std::size_t size = 0;
  for (const char c : digits) {
    size = size * 16 + static_cast<std::size_t>(HexDigitValue(c));
    if (size > maxSize) {
      throw BodyTooLargeError("Chunk size larger than the limit of " + std::to_string(maxSize) + " bytes.");
    }
  }
  return size;
}

ReplyReader::ReplyReader(ByteSource& source, const HttpLimits& limits)
    : source_(source), limits_(limits), inactivity_(limits.readTimeout) {}

bool ReplyReader::Fill() {
  if (peerClosed_) return false;
  if (buffer_.size() - end_ < kReadPiece) {
    // Move the unread bytes to the front, then make room for one more piece.
    buffer_.erase(0, start_);
    end_ -= start_;
    start_ = 0;
    if (buffer_.size() - end_ < kReadPiece) buffer_.resize(end_ + kReadPiece);
  }
  const std::size_t count = source_.ReadSome(buffer_.data() + end_, buffer_.size() - end_, inactivity_);
  end_ += count;
  if (count == 0) peerClosed_ = true;
  return count > 0;
}

std::string ReplyReader::ReadLine() {
  std::size_t searched = 0;
  for (;;) {
    const std::string_view waiting(buffer_.data() + start_, Buffered());
    const auto lf = waiting.find('\n', searched);
    if (lf != std::string_view::npos) {
      if (lf > limits_.maxLineLength) throw HttpError(kMaxLineLengthExceeded);
      std::string line(waiting.substr(0, lf));
      start_ += lf + 1;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      return line;
    }
    if (waiting.size() > limits_.maxLineLength) throw HttpError(kMaxLineLengthExceeded);
    searched = waiting.size();
    if (!Fill()) throw ConnectionClosedError();
  }
}

std::size_t ReplyReader::Take(std::string& out, std::size_t count) {
  const std::size_t fromBuffer = std::min(count, Buffered());
  out.append(buffer_.data() + start_, fromBuffer);
  start_ += fromBuffer;
  std::size_t taken = fromBuffer;
  if (taken == count || peerClosed_) return taken;
  // Large bodies go straight from the source into `out`, without the buffer.
  const std::size_t base = out.size();
  std::size_t filled = 0;
  out.resize(base + (count - taken));
  try {
    while (taken < count) {
      const std::size_t got = source_.ReadSome(out.data() + base + filled, count - taken, inactivity_);
      if (got == 0) {
        peerClosed_ = true;
        break;
      }
      filled += got;
      taken += got;
    }
  } catch (...) {
    out.resize(base + filled);  // keep what arrived, nothing more
    throw;
  }
  out.resize(base + filled);
  return taken;
}

void ReplyReader::ThrowBodyTooLarge() const {
  throw BodyTooLargeError("Reply body larger than the limit of " + std::to_string(limits_.maxBodyBytes) +
                          " bytes.");
}

std::size_t ReplyReader::Fitting(std::size_t held, std::size_t count, PastTheCap pastTheCap) const {
  const std::size_t room = limits_.maxBodyBytes - std::min(held, limits_.maxBodyBytes);
  if (count <= room) return count;
  if (pastTheCap == PastTheCap::Fail) ThrowBodyTooLarge();
  return room;
}

bool ReplyReader::ReadExactly(std::string& body, std::size_t count, PastTheCap pastTheCap) {
  const std::size_t fitting = Fitting(body.size(), count, pastTheCap);
  body.reserve(body.size() + fitting);
  Take(body, fitting);
  return fitting == count;
}

bool ReplyReader::ReadChunked(std::string& body, PastTheCap pastTheCap) {
  for (;;) {
    std::size_t size = 0;
    try {
      size = ParseChunkSize(ReadLine(), limits_.maxBodyBytes);
    } catch (const BodyTooLargeError&) {
      if (pastTheCap == PastTheCap::Fail) throw;
      size = limits_.maxBodyBytes + 1;  // more than there can be room for
    }
    if (size == 0) break;
    const std::size_t fitting = Fitting(body.size(), size, pastTheCap);
    if (Take(body, fitting) < fitting) throw ConnectionClosedError();
    if (fitting < size) return false;
    ReadLine();  // the line end after the chunk data
  }
  ReadLine();  // the line after the last chunk; trailers beyond it stay unread
  return true;
}

bool ReplyReader::ReadUntilClosed(std::string& body, PastTheCap pastTheCap) {
  while (!peerClosed_) {
    // Never more than one byte past the limit, which is enough to tell.
    Take(body, std::min(kReadPiece, limits_.maxBodyBytes + 1 - std::min(body.size(), limits_.maxBodyBytes)));
    if (body.size() > limits_.maxBodyBytes) {
      if (pastTheCap == PastTheCap::Fail) ThrowBodyTooLarge();
      body.resize(limits_.maxBodyBytes);
      return false;
    }
  }
  return true;
}

bool ReplyReader::ReadBody(const BodyFraming& framing, std::string& body, PastTheCap pastTheCap) {
  if (framing.contentLength > 0) {
    // A length past the cap fails before any of it is read, or keeps the first part.
    const auto length = static_cast<std::uint64_t>(framing.contentLength);
    return ReadExactly(
        body, length > limits_.maxBodyBytes ? limits_.maxBodyBytes + 1 : static_cast<std::size_t>(length),
        pastTheCap);
  }
  if (framing.chunked) return ReadChunked(body, pastTheCap);
  if (framing.contentLength < 0) return ReadUntilClosed(body, pastTheCap);
  return true;
}

}  // namespace zelmora::http
