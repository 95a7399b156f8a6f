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

TEST(CookiesOnTheWire, CookiesFromErrorAndInterimRepliesCount) {
  ScriptedServer server;
  server.Play(
      "HTTP/1.1 100 Continue\r\nSet-Cookie: a=1; path=/\r\n\r\n"
      "HTTP/1.1 404 Not Found\r\nSet-Cookie: b=2; path=/\r\nContent-Length: 0\r\n\r\n");
  server.Play(Reply(""));
  HttpClient client(QuickLimits());
  EXPECT_THROW(client.Get(server.Address()), HttpProtocolError);
  client.Disconnect();
  client.Get(server.Address());
  EXPECT_EQ(CookieLineOf(server.Requests().at(1)), "a=1; b=2");
}

TEST(CookieSelection, SecureEmptyPathlessAndForeignCookiesAreNotSent) {
  CookieStore store;
  const auto now = floor<seconds>(system_clock::now());
  store.Store(ParseCookie("secure=1; path=/; secure", now), "h.example.com");
  store.Store(ParseCookie("empty=; path=/", now), "h.example.com");
  store.Store(ParseCookie("nopath=1", now), "h.example.com");
  store.Store(ParseCookie("foreign=1; path=/; domain=other.com", now), "h.example.com");
  store.Store(ParseCookie("parent=1; path=/; domain=.example.com", now), "h.example.com");
  store.Store(ParseCookie("deep=1; path=/app/", now), "h.example.com");
  EXPECT_EQ(store.Size(), 5u);  // the foreign domain is dropped
  EXPECT_EQ(store.CookieHeader("h.example.com", "/"), "parent=1");
  EXPECT_EQ(store.CookieHeader("h.example.com", "/app/"), "deep=1; parent=1");
  EXPECT_EQ(store.CookieHeader("example.com", "/"), "");
}

TEST(CookieSelection, LongestPathFirstAndSameNameReplaced) {
  CookieStore store;
  const auto now = floor<seconds>(system_clock::now());
  store.Store(ParseCookie("a=1; path=/", now), "127.0.0.1");
  store.Store(ParseCookie("b=2; path=/x/", now), "127.0.0.1");
  store.Store(ParseCookie("a=3; path=/", now), "127.0.0.1");
  EXPECT_EQ(store.Size(), 2u);
  EXPECT_EQ(store.CookieHeader("127.0.0.1", "/x/"), "b=2; a=3");
}

TEST(CookieSelection, Ipv4HostNeedsTheExactDomain) {
  CookieStore store;
  const auto now = floor<seconds>(system_clock::now());
  store.Store(ParseCookie("a=1; path=/; domain=0.0.1", now), "127.0.0.1");
  store.Store(ParseCookie("b=1; path=/; domain=127.0.0.1", now), "127.0.0.1");
  EXPECT_EQ(store.CookieHeader("127.0.0.1", "/"), "b=1");
}

TEST(CookieExpiry, MaxAgeCountsFromNowAndExpiresWins) {
  const auto now = floor<seconds>(system_clock::now());
  EXPECT_EQ(ParseCookie("a=1; max-age=60", now).expiry, now + seconds(60));
  EXPECT_EQ(ParseCookie("a=1; max-age=x", now).expiry, std::nullopt);
  EXPECT_EQ(ParseCookie("a=1; expires=Sun, 06 Nov 1994 08:49:37 GMT; max-age=60", now).expiry,
            sys_days{1994y / November / 6} + 8h + 49min + 37s);

  CookieStore store;
  store.Store(ParseCookie("gone=1; path=/; max-age=0", now), "h");
  store.Store(ParseCookie("kept=1; path=/; max-age=10", now), "h");
  store.RemoveExpired(now);
  EXPECT_EQ(store.CookieHeader("h", "/"), "kept=1");
}

TEST(CookieExpiry, StoreStaysBoundedAgainstEndlessNewNames) {
  CookieStore store;
  const auto now = floor<seconds>(system_clock::now());
  for (int i = 0; i < 1000; ++i) {
    std::string text = std::to_string(i);
    text.insert(0, 1, 'n').append("=1; path=/");  // not "n" + ...: gcc 12 -O2 warns falsely (-Wrestrict)
    store.Store(ParseCookie(text, now), "h");
  }
  EXPECT_EQ(store.Size(), CookieStore::kMaxCookies);
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

}  // namespace
}  // namespace zelmora::http
