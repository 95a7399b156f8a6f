// Reading, framing and judging replies. Only the tests that need a real
// connection (time-outs, what a connection sees) use a scripted server.
#include <gtest/gtest.h>

#include "tests/http/http_test_support.h"

namespace zelmora::http {
namespace {

using testing::Script;
using testing::ScriptedServer;

std::string GetFrom(std::string_view reply) { return MemoryExchange().Receive(reply); }

HttpProtocolError ProtocolErrorFrom(std::string_view reply) { return MemoryExchange().ProtocolError(reply); }

std::string FailureFrom(std::string_view reply) {
  try {
    GetFrom(reply);
  } catch (const Error& error) {
    return error.what();
  }
  return "<no failure>";
}

std::string Interims(int count) {
  std::string interims;
  for (int i = 0; i < count; ++i)
    interims += "HTTP/1.1 100 Continue\r\nX-Step: " + std::to_string(i) + "\r\n\r\n";
  return interims;
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

TEST(BodyFraming, PositiveLengthWinsOverChunkingAndZeroLengthDoesNot) {
  EXPECT_EQ(GetFrom("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nContent-Length: "
                    "3\r\n\r\n5\r\n12|34\r\n0\r\n\r\n"),
            "5\r\n");
  EXPECT_EQ(GetFrom("HTTP/1.1 200 OK\r\nContent-Length: 0\r\nTransfer-Encoding: chunked\r\n\r\n"
                    "5\r\n12|34\r\n0\r\n\r\n"),
            "12|34");
}

TEST(BodyFraming, NoLengthReadsUntilTheServerCloses) {
  EXPECT_EQ(GetFrom("HTTP/1.1 200 OK\r\n\r\n1|2|3|until close"), "1|2|3|until close");
  EXPECT_EQ(GetFrom("HTTP/1.1 200 OK\r\nContent-Length: -4\r\n\r\nnegative"), "negative");
}

TEST(BodyFraming, BodyShorterThanAnnouncedStillSucceeds) {
  EXPECT_EQ(GetFrom("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n" + std::string(40, 'b')),
            std::string(40, 'b'));
}

TEST(StatusHandling, InterimContinueRepliesAreSkippedUpToTheCap) {
  const std::string final = "HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nbody";
  EXPECT_EQ(GetFrom(Interims(kMaxInterimReplies) + final), "body");
  // An endless stream of them must not be read for the whole exchange.
  EXPECT_EQ(FailureFrom(Interims(kMaxInterimReplies + 1) + final),
            "More than 10 interim replies before the reply.");
}

TEST(StatusHandling, RedirectsFailWithOrWithoutLocation) {
  const auto error = ProtocolErrorFrom(
      "HTTP/1.1 302 Found\r\nLocation: http://127.0.0.1:1/elsewhere\r\nContent-Length: 5\r\n\r\nmoved");
  EXPECT_STREQ(error.what(), "HTTP/1.1 302 Found");
  EXPECT_EQ(error.Status(), 302);
  EXPECT_EQ(error.Body(), "moved");
  EXPECT_EQ(ProtocolErrorFrom("HTTP/1.1 300 Multiple Choices\r\nContent-Length: 0\r\n\r\n").Status(), 300);
  EXPECT_EQ(ProtocolErrorFrom("HTTP/1.1 399 Odd\r\nContent-Length: 0\r\n\r\n").Status(), 399);
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

TEST(StatusHandling, NulInTheStatusTextIsKeptWhole) {
  const std::string statusText("HTTP/1.1 404 Not\0Found", 22);
  const auto error = ProtocolErrorFrom(statusText + "\r\nContent-Length: 0\r\n\r\n");
  EXPECT_EQ(error.StatusText(), statusText);
  EXPECT_EQ(error.Status(), 404);
  // The message is a C string: the NUL shows as a stand-in, nothing is cut.
  EXPECT_STREQ(error.what(), "HTTP/1.1 404 Not?Found");
}

TEST(StatusHandling, ErrorBodyOverTheCapKeepsTheStatusAndTheFirstPart) {
  const std::string body(40, 'e');
  for (const std::string& framed : {"Content-Length: 40\r\n\r\n" + body,
                                    "Transfer-Encoding: chunked\r\n\r\n28\r\n" + body + "\r\n0\r\n\r\n",
                                    "Transfer-Encoding: chunked\r\n\r\n8\r\n" + body.substr(0, 8) +
                                        "\r\n20\r\n" + body.substr(8) + "\r\n0\r\n\r\n",
                                    "\r\n" + body}) {
    MemoryExchange exchange;
    exchange.limits.maxBodyBytes = 16;
    const auto error = exchange.ProtocolError("HTTP/1.1 500 Oops\r\n" + framed);
    EXPECT_STREQ(error.what(), "HTTP/1.1 500 Oops") << framed;
    EXPECT_EQ(error.Status(), 500);
    EXPECT_EQ(error.Body(), body.substr(0, 16)) << framed;
    EXPECT_FALSE(exchange.keepConnection) << "the rest of the body is still on the connection";
  }
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

TEST(KeepAlive, ByVersionConnectionAndProxyConnection) {
  struct Case {
    const char* head;
    bool kept;
  };
  for (const Case& c :
       {Case{"HTTP/1.1 200 OK\r\n", true}, Case{"HTTP/1.1 200 OK\r\nConnection: Close\r\n", false},
        Case{"HTTP/1.1 200 OK\r\nProxy-Connection: close\r\n", false}, Case{"HTTP/1.0 200 OK\r\n", false},
        Case{"HTTP/1.0 200 OK\r\nConnection: Keep-Alive\r\n", true},
        Case{"HTTP/1.0 200 OK\r\nProxy-Connection: keep-alive\r\n", true},
        Case{"HTTP/1.0 200 OK\r\nConnection: close\r\nProxy-Connection: keep-alive\r\n", true},
        Case{"HTTP/0.9 200 OK\r\n", false}}) {
    MemoryExchange exchange;
    EXPECT_EQ(exchange.Receive(std::string(c.head) + "Content-Length: 2\r\n\r\nok"), "ok");
    EXPECT_EQ(exchange.keepConnection, c.kept) << c.head;
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

TEST(HeaderLines, LineLengthCountsACrButNotTheLf) {
  const std::string prefix = "X-Pad: ";
  const std::string line16383 = prefix + std::string(16383 - prefix.size(), 'p');
  const std::string ok = "Content-Length: 2\r\n\r\nok";
  EXPECT_EQ(GetFrom("HTTP/1.1 200 OK\r\n" + line16383 + "\r\n" + ok), "ok");
  EXPECT_EQ(FailureFrom("HTTP/1.1 200 OK\r\n" + line16383 + "p\r\n" + ok), "Max line length exceeded.");
  // Without a CR the same 16384 characters fit.
  EXPECT_EQ(GetFrom("HTTP/1.1 200 OK\r\n" + line16383 + "p\n" + ok), "ok");
  EXPECT_EQ(FailureFrom("HTTP/1.1 200 OK\r\n" + line16383 + "pp\n" + ok), "Max line length exceeded.");
}

TEST(HeaderLines, MoreThanTheLimitWaitingWithoutLfFailsHoweverItArrives) {
  const HttpLimits limits;
  const std::string fitting = std::string(16384, 'z') + "\nnext\n";
  const std::string overlong = std::string(16385, 'z') + "\n";
  for (const std::size_t piece : {1, 1000, 16384, 16385, 65536}) {
    // All 16384 characters may wait for an LF that comes in a later piece.
    MemoryByteSource fits(fitting, piece);
    ReplyReader fitsReader(fits, limits);
    EXPECT_EQ(fitsReader.ReadLine().size(), 16384u) << piece;
    EXPECT_EQ(fitsReader.ReadLine(), "next") << piece;
    // One more fails, whether or not its LF has arrived yet.
    MemoryByteSource over(overlong, piece);
    ReplyReader overReader(over, limits);
    try {
      overReader.ReadLine();
      ADD_FAILURE() << piece;
    } catch (const HttpError& error) {
      EXPECT_STREQ(error.what(), "Max line length exceeded.") << piece;
    }
  }
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

}  // namespace
}  // namespace zelmora::http
