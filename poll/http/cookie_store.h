#pragma once
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "poll/http/header_list.h"

namespace zelmora::http {

struct Cookie {
  std::string name;
  std::string value;
  std::string domain;
  std::string path;
  std::string expires;                             // the date text as sent
  std::optional<std::chrono::sys_seconds> expiry;  // from "expires", else from "max-age"
  std::int64_t maxAge = -1;
  bool secure = false;
  std::string version;
  std::string comment;
};

// One "Set-cookie" (or "Set-cookie2") value: "name=value" then "; "-separated
// attributes; an attribute value longer than kMaxCookieAttributeBytes counts as
// absent. `now` turns a max-age into an expiry.
Cookie ParseCookie(std::string_view text, std::chrono::sys_seconds now);

// The client's cookies, in memory for the life of the client, guarded by one
// lock (the client's one poll at a time never waits on it).
class CookieStore {
 public:
  // Every "Set-cookie" and "Set-cookie2" line of a reply, for a request to `host`.
  void StoreFromReply(const HeaderList& headers, std::string_view host, std::chrono::sys_seconds now);
  // Ignores a cookie whose name and value are longer than
  // kMaxCookieNameValueBytes or hold a control character, and one for another
  // domain. A new cookie always lands: once kMaxCookies are stored, expired
  // ones leave first, then the one least recently set or sent.
  void Store(Cookie cookie, std::string_view host, std::chrono::sys_seconds now);
  // Drops cookies whose expiry is set and not later than `now`.
  void RemoveExpired(std::chrono::sys_seconds now);
  // The "Cookie" header value for a request to host + path, at most
  // kMaxCookieHeaderBytes long (a cookie that does not fit is left out, the
  // rest still go); empty when no cookie fits. Counts as a use of each cookie sent.
  std::string CookieHeader(std::string_view host, std::string_view path);
  std::size_t Size() const;

 private:
  struct Entry {
    Cookie cookie;
    std::uint64_t lastUse;  // a tick of useClock_: set, replaced or sent
  };
  void RemoveExpiredLocked(std::chrono::sys_seconds now);

  mutable std::mutex mutex_;
  std::vector<Entry> entries_;  // in arrival order; (domain, path, name) unique
  std::uint64_t useClock_ = 0;
};

}  // namespace zelmora::http
