// Reading, framing and judging replies.
#include <gtest/gtest.h>

#include "poll/http/memory_byte_source.h"
#include "poll/http/reply_reader.h"
#include "tests/http/http_test_support.h"

namespace zelmora::http {
namespace {

using testing::Script;
using testing::ScriptedServer;

std::string GetFrom(const std::string& reply) {
  ScriptedServer server;
  server.Play(reply);
  HttpClient client(QuickLimits());
  return client.Get(server.Address());
}

HttpProtocolError ProtocolErrorFrom(const std::string& reply, std::size_t* connections = nullptr) {
  ScriptedServer server;
  server.Play(reply);
  HttpClient client(QuickLimits());
  try {
    client.Get(server.Address());
  } catch (const HttpProtocolError& error) {
    if (connections != nullptr) *connections = server.Connections();
    return error;
  }
  ADD_FAILURE() << "the GET succeeded";
  return HttpProtocolError("", 0, "");
}

TEST(BodyFraming, LengthTakesExactlyThatManyBytes) {
  EXPECT_EQ(GetFrom("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\n12|34 and more that is not the body"),
            "12|34");
}

TEST(BodyFraming, BodyBytesPassUnchanged) {
  const std::string body("a\r\nb\0c\xD5\x5C\n ", 10);
  EXPECT_EQ(GetFrom("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n" + body), body);
}

TEST(BodyFraming, ZeroLengthAnd204AreEmpty) {
  EXPECT_EQ(GetFrom("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\nignored"), "");
  EXPECT_EQ(GetFrom("HTTP/1.1 204 No Content\r\n\r\nignored"), "");
}

TEST(BodyFraming, ChunkedBodyEndsAtSizeZero) {
  EXPECT_EQ(
      GetFrom("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\n12|34\r\n3\r\nabc\r\n0\r\n\r\n"),
      "12|34abc");
}

TEST(BodyFraming, ChunkSizeWithExtensionCountsAsZero) {
  EXPECT_EQ(GetFrom("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5;name=v\r\n12|34\r\n0\r\n\r\n"),
            "");
}

TEST(BodyFraming, PositiveLengthWinsOverChunking) {
  EXPECT_EQ(GetFrom("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nContent-Length: "
                    "3\r\n\r\n5\r\n12|34\r\n0\r\n\r\n"),
            "5\r\n");
}

TEST(BodyFraming, NoLengthReadsUntilTheServerCloses) {
  EXPECT_EQ(GetFrom("HTTP/1.1 200 OK\r\n\r\n1|2|3|until close"), "1|2|3|until close");
  EXPECT_EQ(GetFrom("HTTP/1.1 200 OK\r\nContent-Length: -4\r\n\r\nnegative"), "negative");
}

TEST(BodyFraming, BodyShorterThanAnnouncedStillSucceeds) {
  EXPECT_EQ(GetFrom("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n" + std::string(40, 'b')),
            std::string(40, 'b'));
}

TEST(StatusHandling, InterimContinueRepliesAreSkipped) {
  EXPECT_EQ(GetFrom("HTTP/1.1 100 Continue\r\nX: 1\r\n\r\nHTTP/1.1 100 Continue\r\n\r\n"
                    "HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nbody"),
            "body");
}

TEST(StatusHandling, RedirectFailsAndIsNotFollowed) {
  std::size_t connections = 0;
  const auto error = ProtocolErrorFrom(
      "HTTP/1.1 302 Found\r\nLocation: http://127.0.0.1:1/elsewhere\r\nContent-Length: 5\r\n\r\nmoved",
      &connections);
  EXPECT_STREQ(error.what(), "HTTP/1.1 302 Found");
  EXPECT_EQ(error.Status(), 302);
  EXPECT_EQ(error.Body(), "moved");
  EXPECT_EQ(connections, 1u);
}

TEST(StatusHandling, SuccessCarryingLocationFails) {
  EXPECT_EQ(ProtocolErrorFrom("HTTP/1.1 200 OK\r\nLocation: /x\r\nContent-Length: 2\r\n\r\nok").Status(),
            200);
  // An empty Location is no redirect.
  EXPECT_EQ(GetFrom("HTTP/1.1 200 OK\r\nLocation: \r\nContent-Length: 2\r\n\r\nok"), "ok");
}

TEST(StatusHandling, NotModifiedFails) {
  EXPECT_STREQ(ProtocolErrorFrom("HTTP/1.1 304 Not Modified\r\n\r\n").what(), "HTTP/1.1 304 Not Modified");
}

TEST(StatusHandling, NotFoundCarriesItsBody) {
  const auto error = ProtocolErrorFrom("HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nno such x");
  EXPECT_STREQ(error.what(), "HTTP/1.1 404 Not Found");
  EXPECT_EQ(error.Status(), 404);
  EXPECT_EQ(error.Body(), "no such x");
}

TEST(StatusHandling, StatusLineWithoutNumberFails) {
  EXPECT_EQ(ProtocolErrorFrom("HTTP/1.1 abc\r\nContent-Length: 0\r\n\r\n").Status(), -1);
  EXPECT_EQ(ProtocolErrorFrom("garbage\r\n\r\n").Status(), -1);
}

TEST(StatusHandling, SlowErrorBodyEndsWithWhatArrived) {
  ScriptedServer server;
  server.Play(Script{Script::Mode::Answer, "HTTP/1.1 500 Oops\r\nContent-Length: 100\r\n\r\npartial", false});
  HttpClient client(QuickLimits());
  try {
    client.Get(server.Address());
    FAIL();
  } catch (const HttpProtocolError& error) {
    EXPECT_STREQ(error.what(), "HTTP/1.1 500 Oops");
    EXPECT_EQ(error.Body(), "partial");
  }
}

TEST(HeaderLines, ContinuationLinesJoinTheirHeader) {
  // Content-Length is folded over two lines: "1" and "0" would be wrong.
  EXPECT_EQ(GetFrom("HTTP/1.1 200 OK\r\nX-Long: a\r\n\tb\r\nContent-Length:\r\n 10\r\n\r\n0123456789tail"),
            "0123456789");
}

TEST(HeaderLines, BareLineFeedsEndLines) {
  EXPECT_EQ(GetFrom("HTTP/1.1 200 OK\nContent-Length: 3\n\nabcdef"), "abc");
}

TEST(HeaderLines, LineOf16383CharactersPassesAnd16384Fails) {
  const std::string prefix = "X-Pad: ";
  const std::string fits = prefix + std::string(16383 - prefix.size(), 'p');
  EXPECT_EQ(GetFrom("HTTP/1.1 200 OK\r\n" + fits + "\r\nContent-Length: 2\r\n\r\nok"), "ok");

  ScriptedServer server;
  server.Play("HTTP/1.1 200 OK\r\n" + fits + "p\r\nContent-Length: 2\r\n\r\nok");
  HttpClient client(QuickLimits());
  EXPECT_EQ(FailureText(client, server.Address()), "Max line length exceeded.");
}

TEST(ChunkSizes, HexDigitsOnlyOtherwiseZero) {
  EXPECT_EQ(ParseChunkSize("1aF", 1 << 20), 0x1afu);
  EXPECT_EQ(ParseChunkSize("10 ignored after space", 1 << 20), 16u);
  EXPECT_EQ(ParseChunkSize("-2", 1 << 20), 0u);
  EXPECT_EQ(ParseChunkSize("0x10", 1 << 20), 0u);
  EXPECT_EQ(ParseChunkSize("", 1 << 20), 0u);
}

TEST(ChunkSizes, HugeSizesFailWithoutOverflow) {
  EXPECT_THROW(ParseChunkSize("100001", 1 << 20), HttpError);
  // Wraps to a small number in 64 bits if not checked digit by digit.
  EXPECT_THROW(ParseChunkSize("10000000000000005", 1 << 20), HttpError);
}

TEST(ReplyReaderPieces, LinesSplitAcrossReadsAreJoined) {
  HttpLimits limits;
  const std::string reply = "first line\r\nsecond\n" + std::string(16384, 'z') + "\r\n";
  MemoryByteSource source(reply, 1);
  ReplyReader reader(source, limits);
  EXPECT_EQ(reader.ReadLine(), "first line");
  EXPECT_EQ(reader.ReadLine(), "second");
  EXPECT_THROW(reader.ReadLine(), HttpError);
}

}  // namespace
}  // namespace zelmora::http
