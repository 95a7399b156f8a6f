// What the client puts on the wire.
#include <gtest/gtest.h>

#include "poll/http/cookie_store.h"
#include "poll/http/request_head.h"
#include "tests/http/allocation_count.h"
#include "tests/http/http_test_support.h"

namespace zelmora::http {
namespace {

using testing::ScriptedServer;

constexpr const char* kOk = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok";

TEST(RequestBytes, CounterRequestIsExactlyTheFixedHead) {
  ScriptedServer server;
  server.Play(kOk);
  HttpClient client(QuickLimits());
  const std::string target = "/tx.php?action=getnum&taskid=0&noteid=0&type1=1&type2=1";
  EXPECT_EQ(client.Get(server.Address(target)), "ok");
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0], PlainRequest(target, server));
}

TEST(RequestBytes, BackslashesBecomeSlashesButNotInsideGbkCharacters) {
  ScriptedServer server;
  server.Play(kOk);
  HttpClient client(QuickLimits());
  // "\xD5\x5C" is one GBK character whose second byte looks like a backslash.
  client.Get(server.Address("/a\\b.php?x=\\&name=\xD5\x5C"));
  const std::string expectedLine = "GET /a/b.php?x=/&name=\xD5\x5C HTTP/1.1\r\n";
  EXPECT_EQ(server.Requests().at(0).substr(0, expectedLine.size()), expectedLine);
}

TEST(RequestBytes, FragmentIsNeverSent) {
  ScriptedServer server;
  server.Play(kOk);
  HttpClient client(QuickLimits());
  client.Get(server.Address("/dir/page.php?q=1#part"));
  EXPECT_EQ(server.Requests().at(0), PlainRequest("/dir/page.php?q=1", server));
}

TEST(RequestBytes, AllFieldsFollowTheOneOrder) {
  RequestHead head;
  head.target = "/";
  // Set in scrambled order on purpose.
  head.fields.Set("Cookie", "a=1");
  head.fields.Set("User-Agent", "ua");
  head.fields.Set("Proxy-Authorization", "p");
  head.fields.Set("Host", "h");
  head.fields.Set("Connection", "keep-alive");
  head.fields.Set("Authorization", "x");
  head.fields.Set("Accept", "*/*");
  head.fields.Set("Range", "");  // empty fields are left out
  head.custom.AddLine("X-Custom: 1");
  head.custom.AddLine("");
  EXPECT_EQ(BuildRequestHead(head),
            "GET / HTTP/1.1\r\nConnection: keep-alive\r\nX-Custom: 1\r\nHost: h\r\nAccept: */*\r\n"
            "User-Agent: ua\r\nAuthorization: x\r\nProxy-Authorization: p\r\nCookie: a=1\r\n\r\n");
}

// nginx answers a request holding a folded line with 400, and HTTP/1.1 forbids
// senders to fold: every field goes out on one line, however long.
TEST(RequestBytes, LongFieldsAreNeverFolded) {
  RequestHead head;
  head.target = "/";
  const std::string host = std::string(40, 'h') + " " + std::string(40, 'i');
  const std::string cookies =
      "PHPSESSID=" + std::string(26, 's') + "; ROUTEID=" + std::string(64, 'r') + "; q=\"a, b\"";
  head.fields.Set("Host", host);
  head.fields.Set("Cookie", cookies);
  EXPECT_EQ(BuildRequestHead(head),
            "GET / HTTP/1.1\r\nHost: " + host + "\r\nCookie: " + cookies + "\r\n\r\n");
}

// What building a head costs, counted in bytes allocated rather than seconds.
TEST(RequestHeadCost, HeadStaysSmallAtRealisticAndHostileCookieSizes) {
  const auto now = std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
  struct Case {
    std::size_t cookies;
    std::size_t valueBytes;
    std::size_t pathBytes;
  };
  for (const Case& c : {Case{5, 30, 1}, Case{kMaxCookies, kMaxCookieNameValueBytes - 5, 1},
                        Case{kMaxCookies, 100, kMaxCookieAttributeBytes}}) {
    CookieStore store;
    for (std::size_t i = 0; i < c.cookies; ++i) {
      const std::string name = "c" + std::to_string(i % 100) + "_" + std::to_string(i / 100);
      store.Store(ParseCookie(name + "=" + std::string(c.valueBytes, 'v') + "; path=/" +
                                  std::string(c.pathBytes - 1, 'p'),
                              now),
                  "h", now);
    }
    RequestHead head;
    head.target = "/" + std::string(c.pathBytes - 1, 'p');
    head.fields.Set("Host", "h");
    std::size_t headBytes = 0;
    AllocationCount count;
    head.fields.Set("Cookie", store.CookieHeader("h", head.target));
    headBytes = BuildRequestHead(head).size();
    EXPECT_LT(headBytes, kMaxCookieHeaderBytes * 11 / 10 + head.target.size())
        << c.cookies << " x " << c.valueBytes;
    // A few copies of the head, and a pass over the store's cookies.
    EXPECT_LT(count.Bytes(), 16 * headBytes + 64 * c.cookies) << c.cookies << " x " << c.valueBytes;
  }
}

}  // namespace
}  // namespace zelmora::http
