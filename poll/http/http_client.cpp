#include "poll/http/http_client.h"

#include <algorithm>
#include <chrono>

#include "core/ascii_text.h"
#include "poll/http/address.h"
#include "poll/http/byte_source.h"
#include "poll/http/host_resolver.h"
#include "poll/http/reply_reader.h"
#include "poll/http/request_head.h"

namespace zelmora::http {
namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kAccept = "text/html, */*";
constexpr const char* kUserAgent = "Mozilla/3.0 (compatible; Zelmora Reminder)";
// Base64 of a lone colon: the client never has a user name or a password.
constexpr const char* kEmptyBasicCredentials = "Basic Og==";

// Reply bytes from the open connection; every wait ends at the exchange's
// deadline, after the inactivity time-out, or when the client is aborted.
class ConnectionSource : public ByteSource {
 public:
  ConnectionSource(platform::TcpConnection& connection, const platform::WaitLimit& exchange)
      : connection_(connection), exchange_(exchange) {}

  std::size_t ReadSome(char* buffer, std::size_t size, std::chrono::milliseconds inactivity) override {
    platform::WaitLimit limit = exchange_;
    limit.deadline = std::min(exchange_.deadline, Clock::now() + inactivity);
    return connection_.ReceiveSome(buffer, size, limit);
  }

 private:
  platform::TcpConnection& connection_;
  const platform::WaitLimit exchange_;
};

}  // namespace

HttpClient::HttpClient(HttpLimits limits) : limits_(limits) {}

HttpClient::~HttpClient() { Disconnect(); }

void HttpClient::Disconnect() noexcept { connection_.reset(); }

void HttpClient::Abort() noexcept { aborted_.store(true, std::memory_order_release); }

void HttpClient::Connect(const std::string& host, std::uint16_t port, const platform::WaitLimit& limit) {
  const platform::Ipv4Address address = ResolveHost(host, limit);
  connection_ = platform::TcpConnection::Connect(address, port, limit);
  connectedHost_ = host;
  connectedPort_ = port;
}

std::string HttpClient::BuildHead(const std::string& target, const std::string& hostHeader,
                                  const std::string& host, const std::string& path) {
  RequestHead head;
  head.target = target;
  head.fields.Set("Host", hostHeader);
  head.fields.Set("Accept", kAccept);
  head.fields.Set("User-Agent", kUserAgent);
  if (auth_.basicAuthorization) head.fields.Set("Authorization", kEmptyBasicCredentials);
  if (auth_.basicProxyAuthorization) head.fields.Set("Proxy-Authorization", kEmptyBasicCredentials);
  head.fields.Set("Cookie", cookies_.CookieHeader(host, path));
  return BuildRequestHead(head);
}

std::string HttpClient::Get(const std::string& address) {
  const SplitAddress split = SplitHttpAddress(address);
  if (EqualsIgnoringAsciiCase(split.scheme, "https")) throw HttpError("HTTPS is not supported");
  if (aborted_.load(std::memory_order_acquire)) throw SocketError(platform::kSocketInterrupted);

  const auto start = Clock::now();
  const platform::WaitLimit exchange{start + limits_.exchangeTimeout, &aborted_};
  if (connection_ && (connectedHost_ != split.host || connectedPort_ != split.port)) Disconnect();
  if (!connection_) {
    platform::WaitLimit connect = exchange;
    connect.deadline = std::min(exchange.deadline, start + limits_.connectTimeout);
    Connect(split.host, split.port, connect);
  }

  bool keepConnection = false;
  try {
    cookies_.RemoveExpired(std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now()));
    // The cookie caps keep the head a few KB, built in well under a
    // millisecond; sending it waits in steps that see the deadline and Abort.
    connection_->SendAll(BuildHead(split.Target(), split.hostHeader, split.host, split.path), exchange);
    ConnectionSource source(*connection_, exchange);
    ReplyReader reader(source, limits_);
    std::string body =
        ReceiveReply(reader, ReplyContext{split.host, cookies_, auth_, limits_}, keepConnection);
    if (!keepConnection) Disconnect();
    return body;
  } catch (...) {
    // A connection left in the middle of a reply cannot carry another request.
    if (!keepConnection) Disconnect();
    throw;
  }
}

}  // namespace zelmora::http
