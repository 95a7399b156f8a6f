// Every way a GET can fail, with the text the caller gets.
#include <gtest/gtest.h>

#include "tests/http/http_test_support.h"

namespace zelmora::http {
namespace {

using testing::ScriptedServer;

std::string FailureFromReply(const std::string& reply) {
  ScriptedServer server;
  server.Play(reply);
  HttpClient client(QuickLimits());
  return FailureText(client, server.Address());
}

TEST(FailureMessages, HostNotFound) {
  HttpClient client(QuickLimits());
  try {
    client.Get("http:///tx.php");
    FAIL();
  } catch (const SocketError& error) {
    EXPECT_EQ(error.Code(), 11001);
    EXPECT_STREQ(error.what(), "Socket Error # 11001\r\nHost not found.");
  }
}

TEST(FailureMessages, ConnectionRefused) {
  HttpLimits limits = QuickLimits();
  // Windows answers a refused loopback connect only after retrying for about two
  // seconds; Linux refuses at once. Either way it must be 10061, not a time-out.
  limits.connectTimeout = std::chrono::seconds(10);
  limits.exchangeTimeout = std::chrono::seconds(10);
  HttpClient client(limits);
  EXPECT_EQ(FailureText<SocketError>(
                client, "http://127.0.0.1:" + std::to_string(testing::UnusedLoopbackPort()) + "/"),
            "Socket Error # 10061\r\nConnection refused.");
}

TEST(FailureMessages, ConnectionResetByTheServer) {
#ifdef _WIN32
  GTEST_SKIP() << "Wine closes a socket in order even with SO_LINGER 0: no reset to be had";
#endif
  ScriptedServer server;
  server.Play(testing::Script{testing::Script::Mode::Reset, ""});
  HttpClient client(QuickLimits());
  EXPECT_EQ(FailureText<SocketError>(client, server.Address()),
            "Socket Error # 10054\r\nConnection reset by peer.");
}

TEST(FailureMessages, SocketErrorTexts) {
  EXPECT_STREQ(SocketError(10035).what(), "Socket Error # 10035\r\nOperation would block. ");
  EXPECT_STREQ(SocketError(10066).what(), "Socket Error # 10066\r\nDirectory not empty");
  EXPECT_STREQ(SocketError(12345).what(), "Socket Error # 12345\r\n");
}

TEST(FailureMessages, ClosedWhileALineOrChunkIsAwaited) {
  EXPECT_EQ(FailureFromReply(""), "Connection Closed Gracefully.");
  EXPECT_EQ(FailureFromReply("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"),
            "Connection Closed Gracefully.");
  EXPECT_EQ(FailureFromReply("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n9\r\nshort"),
            "Connection Closed Gracefully.");
}

TEST(FailureMessages, HttpsAndUnknownSchemes) {
  HttpClient client(QuickLimits());
  EXPECT_EQ(FailureText<HttpError>(client, "https://127.0.0.1/"), "HTTPS is not supported");
  EXPECT_EQ(FailureText<HttpError>(client, "gopher://127.0.0.1/"), "");
}

TEST(FailureMessages, SuccessAfterTheConnectionWasLostInTheHeaders) {
  EXPECT_EQ(FailureFromReply("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n"), "Undefined situation");
  // An error status stays a protocol error even then.
  EXPECT_EQ(FailureFromReply("HTTP/1.1 503 Busy\r\nContent-Length: 5\r\n"), "HTTP/1.1 503 Busy");
}

TEST(FailureMessages, PortThatIsNotAnInteger) {
  HttpClient client(QuickLimits());
  EXPECT_EQ(FailureText<HttpError>(client, "http://127.0.0.1:80a/"), "'80a' is not a valid integer value");
}

TEST(FailureMessages, ContentRangeWithoutNumbers) {
  EXPECT_EQ(FailureFromReply("HTTP/1.1 200 OK\r\nContent-Range: bytes */1234\r\nContent-Length: 2\r\n\r\nok"),
            "'*/1234' is not a valid integer value");
  EXPECT_EQ(
      FailureFromReply("HTTP/1.1 200 OK\r\nContent-Range: bytes 0-x/1234\r\nContent-Length: 2\r\n\r\nok"),
      "'x' is not a valid integer value");
  ScriptedServer server;
  server.Play("HTTP/1.1 200 OK\r\nContent-Range: bytes 0-1/1234\r\nContent-Length: 2\r\n\r\nok");
  HttpClient client(QuickLimits());
  EXPECT_EQ(client.Get(server.Address()), "ok");
}

TEST(FailureMessages, BasicChallengesAddCredentialsToLaterRequests) {
  ScriptedServer server;
  server.Play(
      "HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"tasks\"\r\nContent-Length: 0\r\n\r\n");
  server.Play(
      "HTTP/1.1 407 Proxy Authentication Required\r\nProxy-Authenticate: basic realm=\"p\"\r\n"
      "Content-Length: 0\r\n\r\n");
  server.Play("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
  HttpClient client(QuickLimits());
  // Each poll ends with Disconnect, so each request goes out on a fresh connection.
  EXPECT_EQ(FailureText<HttpProtocolError>(client, server.Address()), "HTTP/1.1 401 Unauthorized");
  client.Disconnect();
  EXPECT_EQ(FailureText<HttpProtocolError>(client, server.Address()),
            "HTTP/1.1 407 Proxy Authentication Required");
  client.Disconnect();
  client.Get(server.Address());
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[0].find("Authorization"), std::string::npos);
  EXPECT_TRUE(requests[1].ends_with("\r\nAuthorization: Basic Og==\r\n\r\n"));
  EXPECT_TRUE(
      requests[2].ends_with("\r\nAuthorization: Basic Og==\r\nProxy-Authorization: Basic Og==\r\n\r\n"));
}

TEST(FailureMessages, OtherChallengesAddNothing) {
  ScriptedServer server;
  server.Play(
      "HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Digest realm=\"x\"\r\nContent-Length: 0\r\n\r\n");
  HttpClient client(QuickLimits());
  EXPECT_THROW(client.Get(server.Address()), HttpProtocolError);
  client.Disconnect();
  EXPECT_THROW(client.Get(server.Address()), HttpProtocolError);
  EXPECT_EQ(server.Requests().at(1).find("Authorization"), std::string::npos);
}

}  // namespace
}  // namespace zelmora::http
