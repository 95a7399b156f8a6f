#include "poll/http/reply_receiver.h"

#include <chrono>

#include "core/ascii_text.h"
#include "poll/http/header_list.h"
#include "poll/http/http_errors.h"

namespace zelmora::http {
namespace {

struct ReplyHead {
  std::string statusText;
  int status = -1;
  HeaderList headers;
  bool connectionLost = false;  // the peer closed before the empty line
  BodyFraming framing;
};

int ParseStatusCode(std::string_view statusText) {
  const auto space = statusText.find(' ');
  std::string_view rest =
      space == std::string_view::npos ? std::string_view() : Trim(statusText.substr(space + 1));
  rest = rest.substr(0, rest.find(' '));
  return ParseWholeNumber<int>(rest).value_or(-1);
}

std::int64_t ParseContentLength(std::string_view text) {
  return ParseWholeNumber<std::int64_t>(Trim(text)).value_or(-1);
}

// "bytes first-last/length": both numbers must be integers ("*" is not).
void CheckContentRange(std::string_view range) {
  if (range.empty()) return;
  const auto space = range.find(' ');
  std::string_view rest = space == std::string_view::npos ? std::string_view() : range.substr(space + 1);
  const auto dash = rest.find('-');
  const std::string_view first = Trim(rest.substr(0, dash));
  rest = dash == std::string_view::npos ? std::string_view() : rest.substr(dash + 1);
  const std::string_view second = Trim(rest.substr(0, rest.find('/')));
  if (!ParseWholeNumber<std::int64_t>(first)) throw InvalidIntegerError(std::string(first));
  if (!ParseWholeNumber<std::int64_t>(second)) throw InvalidIntegerError(std::string(second));
}

bool NamesBasicScheme(const std::vector<std::string>& challenges) {
  for (const auto& challenge : challenges) {
    if (EqualsIgnoringAsciiCase(std::string_view(challenge).substr(0, challenge.find_first_of(" ,")),
                                "Basic"))
      return true;
  }
  return false;
}

// HTTP/1.0 keeps a connection only when asked to, HTTP/1.1 unless told to close.
bool ReplyAllowsKeepAlive(const ReplyHead& head) {
  const std::string_view version =
      std::string_view(head.statusText).substr(std::min<std::size_t>(5, head.statusText.size()), 3);
  const std::string connection = head.headers.Value("Connection");
  const std::string proxyConnection = head.headers.Value("Proxy-Connection");
  if (EqualsIgnoringAsciiCase(version, "1.0")) {
    return EqualsIgnoringAsciiCase(connection, "keep-alive") ||
           EqualsIgnoringAsciiCase(proxyConnection, "keep-alive");
  }
  if (EqualsIgnoringAsciiCase(version, "1.1")) {
    return !EqualsIgnoringAsciiCase(connection, "close") &&
           !EqualsIgnoringAsciiCase(proxyConnection, "close");
  }
  return false;
}

// One status line and its headers, up to the empty line or the peer's close.
ReplyHead ReadHead(ReplyReader& reader, const ReplyContext& context) {
  ReplyHead head;
  head.statusText = reader.ReadLine();
  try {
    for (std::string line = reader.ReadLine(); !line.empty(); line = reader.ReadLine()) {
      if (head.headers.Lines().size() >= context.limits.maxHeaderLines) {
        throw HttpError("More than " + std::to_string(context.limits.maxHeaderLines) +
                        " header lines in the reply.");
      }
      head.headers.AddLine(std::move(line));
    }
  } catch (const ConnectionClosedError&) {
    head.connectionLost = true;  // keep what arrived; the judging decides
  }
  head.framing.contentLength = ParseContentLength(head.headers.Value("Content-Length"));
  head.framing.chunked =
      LowerAscii(head.headers.Value("Transfer-Encoding")).find("chunked") != std::string::npos;
  CheckContentRange(head.headers.Value("Content-Range"));
  context.cookies.StoreFromReply(head.headers, context.host,
                                 std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now()));
  head.status = ParseStatusCode(head.statusText);
  return head;
}

}  // namespace

std::string ReceiveReply(ReplyReader& reader, const ReplyContext& context, bool& keepConnection) {
  keepConnection = false;
  ReplyHead head = ReadHead(reader, context);
  for (int interim = 1; head.status == 100; ++interim) {
    if (interim > kMaxInterimReplies) {
      throw HttpError("More than " + std::to_string(kMaxInterimReplies) +
                      " interim replies before the reply.");
    }
    head = ReadHead(reader, context);
  }

  const bool redirect =
      (head.status / 100 == 3 && head.status != 304) || !head.headers.Value("Location").empty();
  if (!redirect && head.status >= 200 && head.status <= 299) {
    if (head.connectionLost) throw HttpError("Undefined situation");
    std::string body;
    if (head.status != 204) reader.ReadBody(head.framing, body);
    keepConnection = !reader.PeerClosed() && ReplyAllowsKeepAlive(head);
    return body;
  }

  if (head.status == 401 && NamesBasicScheme(head.headers.Values("WWW-Authenticate"))) {
    context.auth.basicAuthorization = true;
  }
  if (head.status == 407 && NamesBasicScheme(head.headers.Values("Proxy-Authenticate"))) {
    context.auth.basicProxyAuthorization = true;
  }
  std::string errorBody;
  bool bodyComplete = false;
  if (!head.connectionLost) {
    reader.SetInactivityTimeout(context.limits.errorBodyReadTimeout);
    try {
      // Its first part is enough to tell what went wrong; the status stays the failure.
      bodyComplete = reader.ReadBody(head.framing, errorBody, PastTheCap::Drop);
    } catch (const SocketError& error) {
      // Nobody needs all of an error body: a slow one ends with what arrived.
      if (error.Code() != platform::kSocketTimedOut) throw;
    }
    reader.SetInactivityTimeout(context.limits.readTimeout);
  }
  keepConnection = bodyComplete && !reader.PeerClosed() && ReplyAllowsKeepAlive(head);
  throw HttpProtocolError(head.statusText, head.status, std::move(errorBody),
                          head.headers.Value("Retry-After"));
}

}  // namespace zelmora::http
