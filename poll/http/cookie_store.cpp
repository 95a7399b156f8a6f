#include "poll/http/cookie_store.h"

#include <algorithm>
#include <mutex>

#include "core/ascii_text.h"
#include "platform/socket.h"
#include "poll/http/cookie_date.h"

namespace zelmora::http {
namespace {

// Keeps now + max-age representable; about 3000 years.
constexpr std::int64_t kLongestMaxAgeSeconds = 100'000'000'000;

std::int64_t ParseMaxAge(std::string_view text) { return ParseWholeNumber<std::int64_t>(text).value_or(-1); }

std::string_view Unquoted(std::string_view text) {
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') return text.substr(1, text.size() - 2);
  return text;
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
    cookie.expiry = now + std::chrono::seconds(std::min(cookie.maxAge, kLongestMaxAgeSeconds));
  }
  return cookie;
}

void CookieStore::StoreFromReply(const HeaderList& headers, std::string_view host,
                                 std::chrono::sys_seconds now) {
  for (const auto& text : headers.Values("Set-cookie")) Store(ParseCookie(text, now), host);
  for (const auto& text : headers.Values("Set-cookie2")) {
    Cookie cookie = ParseCookie(text, now);
    if (cookie.version.empty()) cookie.version.push_back('2');
    Store(std::move(cookie), host);
  }
}

void CookieStore::Store(Cookie cookie, std::string_view host) {
  if (cookie.domain.empty()) cookie.domain = host;
  if (!DomainFitsHost(cookie.domain, host)) return;
  std::unique_lock lock(mutex_);
  const auto same = std::find_if(cookies_.begin(), cookies_.end(), [&](const Cookie& stored) {
    return stored.domain == cookie.domain && stored.path == cookie.path && stored.name == cookie.name;
  });
  if (same != cookies_.end()) {
    *same = std::move(cookie);
  } else if (cookies_.size() < kMaxCookies) {
    cookies_.push_back(std::move(cookie));
  }
}

void CookieStore::RemoveExpired(std::chrono::sys_seconds now) {
  std::unique_lock lock(mutex_);
  std::erase_if(cookies_, [now](const Cookie& cookie) { return cookie.expiry && *cookie.expiry <= now; });
}

std::string CookieStore::CookieHeader(std::string_view host, std::string_view path) const {
  const std::string requestPlace = LowerAscii(std::string(host) + std::string(path));
  std::vector<const Cookie*> chosen;
  std::shared_lock lock(mutex_);
  for (const auto& cookie : cookies_) {
    if (requestPlace.find(LowerAscii(cookie.domain + cookie.path)) != std::string::npos &&
        !cookie.path.empty() && path.starts_with(cookie.path) && !cookie.secure && !cookie.value.empty()) {
      chosen.push_back(&cookie);
    }
  }
  // Most specific path first.
  std::stable_sort(chosen.begin(), chosen.end(), [](const Cookie* a, const Cookie* b) {
    return LowerAscii(a->path) > LowerAscii(b->path);
  });
  std::string header;
  for (const Cookie* cookie : chosen) {
    if (!header.empty()) header += "; ";
    header += cookie->name + "=" + cookie->value;
  }
  return header;
}

std::size_t CookieStore::Size() const {
  std::shared_lock lock(mutex_);
  return cookies_.size();
}

}  // namespace zelmora::http
