#include "poll/http/cookie_store.h"

#include <algorithm>

#include "core/ascii_text.h"
#include "platform/socket.h"
#include "poll/http/cookie_date.h"
#include "poll/http/http_limits.h"

namespace zelmora::http {
namespace {

std::int64_t ParseMaxAge(std::string_view text) { return ParseWholeNumber<std::int64_t>(text).value_or(-1); }

std::string_view Unquoted(std::string_view text) {
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') return text.substr(1, text.size() - 2);
  return text;
}

// Control characters would be sent back inside the request head, where a CR or
// LF splits its lines. A tab may stand in a header value.
bool HasControlCharacter(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return (byte < 0x20 && c != '\t') || byte == 0x7F;
  });
}

// Browsers' rules: an oversized or malformed cookie is ignored, not an error.
bool Acceptable(const Cookie& cookie) {
  return cookie.name.size() + cookie.value.size() <= kMaxCookieNameValueBytes &&
         !HasControlCharacter(cookie.name) && !HasControlCharacter(cookie.value);
}

bool DomainFitsHost(std::string_view domain, std::string_view host) {
  platform::Ipv4Address ignored;
  if (platform::ParseIpv4Literal(host, ignored)) return domain == host;
  if (!domain.empty() && domain.front() == '.') {
    const auto dot = host.find('.');
    host = dot == std::string_view::npos ? std::string_view() : host.substr(dot);
  }
  return host.ends_with(domain);
}

}  // namespace

Cookie ParseCookie(std::string_view text, std::chrono::sys_seconds now) {
  Cookie cookie;
  bool first = true;
  while (true) {
    const auto separator = text.find(';');
    const std::string_view item = Trim(text.substr(0, separator));
    const auto equals = item.find('=');
    const std::string_view name = Trim(item.substr(0, equals));
    const std::string_view value =
        equals == std::string_view::npos ? std::string_view() : Trim(item.substr(equals + 1));
    if (first) {
      cookie.name = name;
      cookie.value = value;
      first = false;
    } else if (value.size() > kMaxCookieAttributeBytes) {
      // Ignored as browsers do; the cookie itself stays.
    } else if (EqualsIgnoringAsciiCase(name, "path")) {
      cookie.path = Unquoted(value);
    } else if (EqualsIgnoringAsciiCase(name, "expires")) {
      cookie.expires = value;
    } else if (EqualsIgnoringAsciiCase(name, "domain")) {
      cookie.domain = value;
    } else if (EqualsIgnoringAsciiCase(name, "secure")) {
      cookie.secure = true;
    } else if (EqualsIgnoringAsciiCase(name, "max-age")) {
      cookie.maxAge = ParseMaxAge(value);
    } else if (EqualsIgnoringAsciiCase(name, "version")) {
      cookie.version = value;
    } else if (EqualsIgnoringAsciiCase(name, "comment")) {
      cookie.comment = value;
    }
    if (separator == std::string_view::npos) break;
    text.remove_prefix(separator + 1);
  }
  if (!cookie.expires.empty()) {
    // An unreadable date leaves the cookie without an expiry, like a session cookie.
    cookie.expiry = ParseCookieDate(cookie.expires);
  } else if (cookie.maxAge >= 0) {
    cookie.expiry = now + std::chrono::seconds(std::min(cookie.maxAge, kLongestCookieMaxAgeSeconds));
  }
  return cookie;
}

void CookieStore::StoreFromReply(const HeaderList& headers, std::string_view host,
                                 std::chrono::sys_seconds now) {
  for (const auto& text : headers.Values("Set-cookie")) Store(ParseCookie(text, now), host, now);
  for (const auto& text : headers.Values("Set-cookie2")) {
    Cookie cookie = ParseCookie(text, now);
    if (cookie.version.empty()) cookie.version.push_back('2');
    Store(std::move(cookie), host, now);
  }
}

void CookieStore::Store(Cookie cookie, std::string_view host, std::chrono::sys_seconds now) {
  if (!Acceptable(cookie)) return;
  if (cookie.domain.empty()) cookie.domain = host;
  if (!DomainFitsHost(cookie.domain, host)) return;
  const std::lock_guard lock(mutex_);
  const auto same = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& stored) {
    return stored.cookie.domain == cookie.domain && stored.cookie.path == cookie.path &&
           stored.cookie.name == cookie.name;
  });
  if (same != entries_.end()) {
    *same = {std::move(cookie), ++useClock_};
    return;
  }
  // A new cookie that has expired already only deletes, and there is nothing to delete.
  if (cookie.expiry && *cookie.expiry <= now) return;
  // Full: room is made as RFC 6265 (5.3) says, so that a flood of cookies can
  // never keep out the session cookie a server sets after it.
  if (entries_.size() >= kMaxCookies) RemoveExpiredLocked(now);
  if (entries_.size() >= kMaxCookies) {
    entries_.erase(std::min_element(entries_.begin(), entries_.end(),
                                    [](const Entry& a, const Entry& b) { return a.lastUse < b.lastUse; }));
  }
  entries_.push_back({std::move(cookie), ++useClock_});
}

void CookieStore::RemoveExpired(std::chrono::sys_seconds now) {
  const std::lock_guard lock(mutex_);
  RemoveExpiredLocked(now);
}

void CookieStore::RemoveExpiredLocked(std::chrono::sys_seconds now) {
  std::erase_if(entries_,
                [now](const Entry& entry) { return entry.cookie.expiry && *entry.cookie.expiry <= now; });
}

std::string CookieStore::CookieHeader(std::string_view host, std::string_view path) {
  const std::string requestPlace = std::string(host) + std::string(path);
  std::vector<Entry*> chosen;
  std::string place;  // one buffer for every cookie's domain + path
  const std::lock_guard lock(mutex_);
  for (auto& entry : entries_) {
    const Cookie& cookie = entry.cookie;
    if (cookie.path.empty() || !path.starts_with(cookie.path) || cookie.secure || cookie.value.empty())
      continue;
    place.assign(cookie.domain).append(cookie.path);
    if (ContainsIgnoringAsciiCase(requestPlace, place)) chosen.push_back(&entry);
  }
  // Most specific path first.
  std::stable_sort(chosen.begin(), chosen.end(), [](const Entry* a, const Entry* b) {
    return LessIgnoringAsciiCase(b->cookie.path, a->cookie.path);
  });
  // Past the cap a cookie is left out, the least specific first: a line that
  // long would make the server refuse every request. A smaller one after it
  // may still fit.
  std::string header;
  const std::uint64_t use = ++useClock_;
  for (Entry* entry : chosen) {
    const Cookie& cookie = entry->cookie;
    const std::size_t added = (header.empty() ? 0 : 2) + cookie.name.size() + 1 + cookie.value.size();
    if (header.size() + added > kMaxCookieHeaderBytes) continue;
    if (!header.empty()) header += "; ";
    header.append(cookie.name).append(1, '=').append(cookie.value);
    entry->lastUse = use;
  }
  return header;
}

std::size_t CookieStore::Size() const {
  const std::lock_guard lock(mutex_);
  return entries_.size();
}

}  // namespace zelmora::http
