// No server, however slow or hostile, holds a GET forever or fills memory.
#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "poll/http/memory_byte_source.h"
#include "poll/http/reply_reader.h"
#include "tests/http/http_test_support.h"

namespace zelmora::http {
namespace {

using namespace std::chrono_literals;
using testing::Script;
using testing::ScriptedServer;

constexpr const char* kTimedOut = "Socket Error # 10060\r\nConnection timed out.";

TEST(TimeOuts, ServerThatNeverAnswers) {
  ScriptedServer server;
  server.Play(Script{Script::Mode::NeverAnswer, ""});
  HttpClient client(QuickLimits());
  EXPECT_EQ(FailureText<SocketError>(client, server.Address()), kTimedOut);
}

TEST(TimeOuts, ServerThatNeverAcceptsTheConnection) {
  testing::FullAcceptQueue overloaded;
  HttpLimits limits = QuickLimits();
  limits.connectTimeout = 300ms;
  HttpClient client(limits);
  EXPECT_EQ(FailureText<SocketError>(client, overloaded.Address()), kTimedOut);
}

TEST(TimeOuts, ServerThatDripsOneByteAtATime) {
  ScriptedServer server;
  Script drip{Script::Mode::Drip, "HTTP/1.1 200 OK\r\n\r\n" + std::string(1000, 'd')};
  drip.dripInterval = 50ms;  // always faster than the read time-out
  server.Play(drip);
  HttpLimits limits = QuickLimits();
  limits.exchangeTimeout = 800ms;
  HttpClient client(limits);
  EXPECT_EQ(FailureText<SocketError>(client, server.Address()), kTimedOut);
}

TEST(TimeOuts, ServerThatKeepsALengthlessReplyOpen) {
  ScriptedServer server;
  server.Play(Script{Script::Mode::Answer, "HTTP/1.1 200 OK\r\n\r\n1|2|3", false});
  HttpClient client(QuickLimits());
  EXPECT_EQ(FailureText<SocketError>(client, server.Address()), kTimedOut);
}

TEST(TimeOuts, AbortEndsAGetFromAnotherThread) {
  ScriptedServer server;
  server.Play(Script{Script::Mode::NeverAnswer, ""});
  HttpClient client;  // minutes of patience: only Abort can end this GET
  auto get =
      std::async(std::launch::async, [&] { return FailureText<SocketError>(client, server.Address()); });
  while (server.Connections() == 0) std::this_thread::sleep_for(5ms);
  client.Abort();
  EXPECT_EQ(get.get(), "Socket Error # 10004\r\nInterrupted system call.");
  // Aborted for good: the program is leaving.
  EXPECT_EQ(FailureText<SocketError>(client, server.Address()),
            "Socket Error # 10004\r\nInterrupted system call.");
}

TEST(SizeBounds, EndlessBodyFailsAtTheCap) {
  ScriptedServer server;
  server.Play(Script{Script::Mode::Endless, "HTTP/1.1 200 OK\r\n\r\n"});
  HttpLimits limits = QuickLimits();
  limits.maxBodyBytes = 256 * 1024;
  HttpClient client(limits);
  EXPECT_EQ(FailureText<HttpError>(client, server.Address()),
            "Reply body larger than the limit of 262144 bytes.");
}

TEST(SizeBounds, AnnouncedLengthAboveTheCapFailsAtOnce) {
  ScriptedServer server;
  server.Play("HTTP/1.1 200 OK\r\nContent-Length: 999999999999\r\n\r\nx");
  HttpClient client(QuickLimits());
  EXPECT_EQ(FailureText<HttpError>(client, server.Address()),
            "Reply body larger than the limit of 1048576 bytes.");
}

TEST(SizeBounds, ChunksAddingUpPastTheCapFail) {
  HttpLimits limits;
  limits.maxBodyBytes = 10;
  const std::string reply = "6\r\nabcdef\r\n6\r\nghijkl\r\n0\r\n\r\n";
  MemoryByteSource source(reply);
  ReplyReader reader(source, limits);
  std::string body;
  EXPECT_THROW(reader.ReadBody(BodyFraming{-1, true}, body), HttpError);
  EXPECT_LE(body.size(), 10u);
}

TEST(SizeBounds, EndlessHeaderLinesFail) {
  std::string reply = "HTTP/1.1 200 OK\r\n";
  for (int i = 0; i < 101; ++i) reply += "X-" + std::to_string(i) + ": v\r\n";
  ScriptedServer server;
  server.Play(reply + "\r\n");
  HttpClient client(QuickLimits());
  EXPECT_EQ(FailureText<HttpError>(client, server.Address()), "More than 100 header lines in the reply.");
}

TEST(Connections, KeptOpenOnlyWhenTheReplyAllowsIt) {
  ScriptedServer server;
  server.Play(Script{Script::Mode::Answer, "HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\na", false});
  server.Play(Script{Script::Mode::Answer,
                     "HTTP/1.1 200 OK\r\nContent-Length: 1\r\nConnection: close\r\n\r\nb", false});
  server.Play(Script{Script::Mode::Answer, "HTTP/1.0 200 OK\r\nContent-Length: 1\r\n\r\nc", false});
  HttpClient client(QuickLimits());
  EXPECT_EQ(client.Get(server.Address()), "a");
  client.Disconnect();  // a poll always ends here, so the next one connects anew
  EXPECT_EQ(client.Get(server.Address()), "b");
  EXPECT_EQ(client.Get(server.Address()), "c");  // the client closed after "close"
  EXPECT_EQ(server.Connections(), 3u);
}

TEST(Connections, KeptConnectionCarriesTheNextRequest) {
  ScriptedServer server;
  server.Play(Script{Script::Mode::Answer, "HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\na", false});
  HttpClient client(QuickLimits());
  EXPECT_EQ(client.Get(server.Address()), "a");
  // The server answers once per connection: a reused connection gets no reply.
  EXPECT_EQ(FailureText<SocketError>(client, server.Address()), kTimedOut);
  EXPECT_EQ(server.Connections(), 1u);
}

}  // namespace
}  // namespace zelmora::http
