// Cookies: stored from replies, sent back, expired.
#include <gtest/gtest.h>

#include "poll/http/cookie_date.h"
#include "poll/http/cookie_store.h"
#include "tests/http/http_test_support.h"

namespace zelmora::http {
namespace {

using testing::ScriptedServer;
using namespace std::chrono;

std::string CookieLineOf(const std::string& request) {
  const auto start = request.find("\r\nCookie: ");
  if (start == std::string::npos) return "";
  return request.substr(start + 10, request.find("\r\n", start + 2) - start - 10);
}

std::string Reply(const std::string& headers) {
  return "HTTP/1.1 200 OK\r\n" + headers + "Content-Length: 2\r\n\r\nok";
}

TEST(CookiesOnTheWire, StoredCookieIsSentOnLaterPollsUntilItExpires) {
  ScriptedServer server;
  server.Play(Reply("Set-Cookie: sid=abc; path=/\r\nset-cookie: theme=dark; Path=\"/\"\r\n"));
  server.Play(Reply(""));
  server.Play(Reply("Set-Cookie: sid=abc; path=/; expires=Thu, 01-Jan-1970 00:00:01 GMT\r\n"));
  server.Play(Reply(""));
  HttpClient client(QuickLimits());
  for (int poll = 0; poll < 4; ++poll) {
    client.Get(server.Address("/tx.php?action=getnum"));
    client.Disconnect();
  }
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 4u);
  EXPECT_EQ(CookieLineOf(requests[0]), "");
  EXPECT_EQ(CookieLineOf(requests[1]), "sid=abc; theme=dark");
  EXPECT_EQ(CookieLineOf(requests[2]), "sid=abc; theme=dark");
  EXPECT_EQ(CookieLineOf(requests[3]), "theme=dark");
  // The Cookie line comes last, just before the empty line.
  EXPECT_TRUE(requests[1].ends_with("\r\nCookie: sid=abc; theme=dark\r\n\r\n"));
}

TEST(CookiesOnTheWire, AFloodOfBigCookiesNeverKeepsTheSessionCookieOut) {
  // Interim replies full of session cookies, some over the size browsers take,
  // more than the store holds; the server's own session cookie comes last.
  std::string flood;
  for (int head = 0; head <= 3; ++head) {
    flood += head < 3 ? "HTTP/1.1 100 Continue\r\n" : "HTTP/1.1 200 OK\r\n";
    for (int i = 0; i < 98; ++i) {
      flood += "Set-Cookie: c" + std::to_string(head * 100 + i) + "=" +
               std::string(i % 7 ? 3000 : 5000, 'v') + "; path=/\r\n";
    }
    flood += head < 3 ? "\r\n" : "Set-Cookie: sid=s1; path=/\r\nContent-Length: 2\r\n\r\nok";
  }
  ScriptedServer server;
  server.Play(flood);
  server.Play(Reply(""));
  HttpClient client(QuickLimits());
  for (int poll = 0; poll < 3; ++poll) {
    EXPECT_EQ(client.Get(server.Address()), "ok");
    client.Disconnect();
  }
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(CookieLineOf(requests[0]), "");
  // The cookie line is full but bounded, and the session cookie is on it.
  for (const std::size_t later : {1, 2}) {
    EXPECT_GT(requests[later].size(), kMaxCookieHeaderBytes / 2);
    EXPECT_LT(requests[later].size(), kMaxCookieHeaderBytes + 200);
    EXPECT_TRUE(CookieLineOf(requests[later]).ends_with("; sid=s1"));
  }
}

TEST(CookieSelection, SecureEmptyPathlessAndForeignCookiesAreNotSent) {
  CookieStore store;
  const auto now = floor<seconds>(system_clock::now());
  store.Store(ParseCookie("secure=1; path=/; secure", now), "h.example.com", now);
  store.Store(ParseCookie("empty=; path=/", now), "h.example.com", now);
  store.Store(ParseCookie("nopath=1", now), "h.example.com", now);
  store.Store(ParseCookie("foreign=1; path=/; domain=other.com", now), "h.example.com", now);
  store.Store(ParseCookie("parent=1; path=/; domain=.example.com", now), "h.example.com", now);
  store.Store(ParseCookie("deep=1; path=/app/", now), "h.example.com", now);
  EXPECT_EQ(store.Size(), 5u);  // the foreign domain is dropped
  EXPECT_EQ(store.CookieHeader("h.example.com", "/"), "parent=1");
  EXPECT_EQ(store.CookieHeader("h.example.com", "/app/"), "deep=1; parent=1");
  EXPECT_EQ(store.CookieHeader("example.com", "/"), "");
}

TEST(CookieSelection, LongestPathFirstAndSameNameReplaced) {
  CookieStore store;
  const auto now = floor<seconds>(system_clock::now());
  store.Store(ParseCookie("a=1; path=/", now), "127.0.0.1", now);
  store.Store(ParseCookie("b=2; path=/x/", now), "127.0.0.1", now);
  store.Store(ParseCookie("a=3; path=/", now), "127.0.0.1", now);
  EXPECT_EQ(store.Size(), 2u);
  EXPECT_EQ(store.CookieHeader("127.0.0.1", "/x/"), "b=2; a=3");
}

TEST(CookieSelection, Ipv4HostNeedsTheExactDomain) {
  CookieStore store;
  const auto now = floor<seconds>(system_clock::now());
  store.Store(ParseCookie("a=1; path=/; domain=0.0.1", now), "127.0.0.1", now);
  store.Store(ParseCookie("b=1; path=/; domain=127.0.0.1", now), "127.0.0.1", now);
  EXPECT_EQ(store.CookieHeader("127.0.0.1", "/"), "b=1");
}

TEST(CookieExpiry, MaxAgeCountsFromNowAndExpiresWins) {
  const auto now = floor<seconds>(system_clock::now());
  EXPECT_EQ(ParseCookie("a=1; max-age=60", now).expiry, now + seconds(60));
  EXPECT_EQ(ParseCookie("a=1; max-age=x", now).expiry, std::nullopt);
  EXPECT_EQ(ParseCookie("a=1; expires=Sun, 06 Nov 1994 08:49:37 GMT; max-age=60", now).expiry,
            sys_days{1994y / November / 6} + 8h + 49min + 37s);

  CookieStore store;
  store.Store(ParseCookie("gone=1; path=/; max-age=0", now), "h", now);
  store.Store(ParseCookie("kept=1; path=/; max-age=10", now), "h", now);
  store.RemoveExpired(now);
  EXPECT_EQ(store.CookieHeader("h", "/"), "kept=1");
}

TEST(CookiesFromReplies, InterimErrorAndVersion2CookiesAllCount) {
  MemoryExchange exchange;
  EXPECT_THROW(
      exchange.Receive("HTTP/1.1 100 Continue\r\nSet-Cookie: a=1; path=/\r\n\r\n"
                       "HTTP/1.1 404 Not Found\r\nSet-Cookie: b=2; path=/\r\nSet-Cookie2: c=3; path=/\r\n"
                       "set-cookie2: d=4; Version=1; path=/\r\nContent-Length: 0\r\n\r\n"),
      HttpProtocolError);
  EXPECT_EQ(exchange.cookies.CookieHeader("127.0.0.1", "/"), "a=1; b=2; c=3; d=4");
}

TEST(CookiesFromReplies, ControlCharactersInNameOrValueDropTheCookie) {
  MemoryExchange exchange;
  exchange.Receive(
      "HTTP/1.1 200 OK\r\nSet-Cookie: a=1\rX-Injected: yes; path=/\r\nSet-Cookie: b\x01=2; path=/\r\n"
      "Set-Cookie: c=3\x7F; path=/\r\nSet-Cookie: tab=4\t5; path=/\r\nSet-Cookie: gbk=\xB9\xAB; path=/\r\n"
      "Content-Length: 0\r\n\r\n");
  // A tab may stand in a header value; GBK bytes are no control characters.
  EXPECT_EQ(exchange.cookies.CookieHeader("127.0.0.1", "/"), "tab=4\t5; gbk=\xB9\xAB");
  CookieStore store;
  const auto now = floor<seconds>(system_clock::now());
  store.Store(ParseCookie(std::string("nul=a\0b; path=/", 15), now), "h", now);
  EXPECT_EQ(store.Size(), 0u);
}

TEST(CookieBounds, OversizedCookiesAndAttributesAreIgnored) {
  CookieStore store;
  const auto now = floor<seconds>(system_clock::now());
  store.Store(ParseCookie("n=" + std::string(kMaxCookieNameValueBytes - 1, 'v') + "; path=/", now), "h", now);
  store.Store(ParseCookie("m=" + std::string(kMaxCookieNameValueBytes, 'v') + "; path=/", now), "h", now);
  EXPECT_EQ(store.Size(), 1u);
  // A stored cookie is not replaced by an oversized one of the same name.
  store.Store(ParseCookie("n=" + std::string(kMaxCookieNameValueBytes, 'w') + "; path=/", now), "h", now);
  EXPECT_EQ(store.CookieHeader("h", "/"), "n=" + std::string(kMaxCookieNameValueBytes - 1, 'v'));

  // An overlong attribute counts as absent, the rest of the cookie stays.
  const std::string overlong(kMaxCookieAttributeBytes + 1, 'x');
  const Cookie cookie =
      ParseCookie("c=1; comment=" + overlong + "; domain=" + overlong + "; path=/; max-age=5", now);
  EXPECT_EQ(cookie.comment, "");
  EXPECT_EQ(cookie.domain, "");
  EXPECT_EQ(cookie.path, "/");
  EXPECT_EQ(ParseCookie("c=1; path=/" + overlong, now).path, "");
  EXPECT_EQ(ParseCookie("c=1; expires=" + overlong + "; max-age=5", now).expiry, now + seconds(5));
}

TEST(CookieBounds, AtTheCapACookieThatDoesNotFitIsLeftOutAndTheRestStillGo) {
  CookieStore store;
  const auto now = floor<seconds>(system_clock::now());
  for (int i = 0; i < 10; ++i) {
    store.Store(ParseCookie("r" + std::to_string(i) + "=" + std::string(998, 'v') + "; path=/", now), "h",
                now);
  }
  store.Store(ParseCookie("d=" + std::string(998, 'd') + "; path=/deep/", now), "h", now);
  store.Store(ParseCookie("sid=1; path=/", now), "h", now);
  const std::string line = store.CookieHeader("h", "/deep/");
  EXPECT_LE(line.size(), kMaxCookieHeaderBytes);
  // 1000 bytes for each cookie, 2 for each "; ": the deep one and six more fit,
  // and the small one after those that do not.
  EXPECT_TRUE(line.starts_with("d=" + std::string(998, 'd') + "; r0="));
  EXPECT_NE(line.find("; r5="), std::string::npos);
  EXPECT_EQ(line.find("; r6="), std::string::npos);
  EXPECT_TRUE(line.ends_with("; sid=1"));
}

// A full store takes every new cookie: expired ones leave first, then the one
// least recently set or sent.
TEST(CookieBounds, ANewCookieAlwaysLandsInAFullStore) {
  CookieStore store;
  const auto now = floor<seconds>(system_clock::now());
  auto set = [&store](const std::string& text, sys_seconds when) {
    store.Store(ParseCookie(text, when), "h", when);
  };
  set("a=1; path=/a/", now);
  for (std::size_t i = 0; i + 2 < kMaxCookies; ++i) set("f" + std::to_string(i) + "=1; path=/f/", now);
  set("brief=1; path=/f/; max-age=10", now);
  ASSERT_EQ(store.Size(), kMaxCookies);

  const auto later = now + 20s;
  set("sid=1; path=/a/", later);  // in the place of the expired one
  EXPECT_EQ(store.CookieHeader("h", "/a/"), "a=1; sid=1");
  set("late=1; path=/f/", later);  // in the place of f0: "a" has just been sent
  EXPECT_EQ(store.Size(), kMaxCookies);
  EXPECT_EQ(store.CookieHeader("h", "/a/"), "a=1; sid=1");
  const std::string line = store.CookieHeader("h", "/f/");
  EXPECT_TRUE(line.starts_with("f1=1; f2=1")) << line;
  EXPECT_TRUE(line.ends_with("; f297=1; late=1")) << line;
}

TEST(CookieDates, TheUsualFormsAreRead) {
  const auto expected = sys_days{1994y / November / 6} + 8h + 49min + 37s;
  EXPECT_EQ(ParseCookieDate("Sun, 06 Nov 1994 08:49:37 GMT"), expected);
  EXPECT_EQ(ParseCookieDate("Sunday, 06-Nov-94 08:49:37 GMT"), expected);
  EXPECT_EQ(ParseCookieDate("Sun Nov  6 08:49:37 1994"), expected);
  EXPECT_EQ(ParseCookieDate("Fri, 31 Dec 9999 23:59:59 GMT"),
            sys_days{9999y / December / 31} + 23h + 59min + 59s);
  EXPECT_EQ(ParseCookieDate("tomorrow"), std::nullopt);
  EXPECT_EQ(ParseCookieDate("Sun, 31 Feb 1994 08:49:37 GMT"), std::nullopt);
}

TEST(CookieDates, FarFutureYearsStayInTheFarFuture) {
  const auto lastSecond = sys_days{9999y / December / 31} + 23h + 59min + 59s;
  EXPECT_EQ(ParseCookieDate("Sat, 01 Jan 10000 00:00:00 GMT"), lastSecond);
  EXPECT_EQ(ParseCookieDate("Sat, 01 Jan 32768 00:00:00 GMT"), lastSecond);
  EXPECT_EQ(ParseCookieDate("Sat, 01 Jan 67506 00:00:00 GMT"), lastSecond);  // 1970 in 16 bits
  EXPECT_EQ(ParseCookieDate("Sat, 01 Jan 99999999999999999999 00:00:00 GMT"), lastSecond);

  CookieStore store;
  const auto now = floor<seconds>(system_clock::now());
  store.Store(ParseCookie("a=1; path=/; expires=Sat, 01 Jan 67506 00:00:00 GMT", now), "h", now);
  store.RemoveExpired(now);
  EXPECT_EQ(store.CookieHeader("h", "/"), "a=1");
}

}  // namespace
}  // namespace zelmora::http
