#pragma once
#include <string>

#include "poll/http/cookie_store.h"
#include "poll/http/http_limits.h"
#include "poll/http/reply_reader.h"

namespace zelmora::http {

// Kept from reply to reply: a 401 or 407 naming "Basic" makes every later
// request carry the matching header (with an empty user name and password).
struct AuthRecord {
  bool basicAuthorization = false;
  bool basicProxyAuthorization = false;
};

// What one reply is read against.
struct ReplyContext {
  std::string host;  // the request's host, for the cookies' domain check
  CookieStore& cookies;
  AuthRecord& auth;
  const HttpLimits& limits;
};

// Reads one reply (up to kMaxInterimReplies interim 100 replies before it),
// stores its cookies and judges it. Returns the body of a 2xx reply; throws
// HttpProtocolError for any other status and every redirect, with the first
// kMaxBodyBytes of its body, and HttpError or SocketError for a broken reply.
// `keep_connection` tells whether the connection may be used again; it is set
// before a protocol error is thrown and is false after any other failure.
std::string ReceiveReply(ReplyReader& reader, const ReplyContext& context, bool& keepConnection);

}  // namespace zelmora::http
