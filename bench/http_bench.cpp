// One poll's cost against a loopback server, beside libcurl doing the same
// fresh-connection GET, the reply framing's throughput on large bodies, and
// what hostile servers can still cost: a poll after a cookie flood, and an
// endless stream of interim replies.
#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <string>

#include "poll/http/http_client.h"
#include "poll/http/http_limits.h"
#include "poll/http/memory_byte_source.h"
#include "poll/http/reply_reader.h"
#include "poll/http/reply_receiver.h"
#include "tests/support/scripted_server.h"

namespace {

using zelmora::http::AuthRecord;
using zelmora::http::BodyFraming;
using zelmora::http::CookieStore;
using zelmora::http::HttpClient;
using zelmora::http::HttpError;
using zelmora::http::HttpLimits;
using zelmora::http::MemoryByteSource;
using zelmora::http::ReplyContext;
using zelmora::http::ReplyReader;
using zelmora::testing::ScriptedServer;

// What the task server answers to a counter request, give or take the text.
const std::string kCounterBody = "0|1234|56|New tasks every morning";
const std::string kCounterReply =
    "HTTP/1.1 200 OK\r\nServer: Apache\r\nContent-Type: text/html\r\nContent-Length: " +
    std::to_string(kCounterBody.size()) + "\r\n\r\n" + kCounterBody;
const std::string kCounterTarget = "/tx.php?action=getnum&taskid=1200&noteid=55&type1=1&type2=1";

void PollGetAndDisconnect(benchmark::State& state) {
  ScriptedServer server;
  server.Play(kCounterReply);
  const std::string address = server.Address(kCounterTarget);
  HttpClient client;
  for (auto _ : state) {
    if (client.Get(address) != kCounterBody) {
      state.SkipWithError("wrong body");
      break;
    }
    client.Disconnect();
  }
}
BENCHMARK(PollGetAndDisconnect)->Unit(benchmark::kMicrosecond)->UseRealTime();

std::size_t AppendToString(char* data, std::size_t size, std::size_t count, void* body) {
  static_cast<std::string*>(body)->append(data, size * count);
  return size * count;
}

void CurlFreshConnectionGet(benchmark::State& state) {
  ScriptedServer server;
  server.Play(kCounterReply);
  const std::string address = server.Address(kCounterTarget);
  curl_global_init(CURL_GLOBAL_DEFAULT);
  CURL* curl = curl_easy_init();
  std::string body;
  curl_easy_setopt(curl, CURLOPT_URL, address.c_str());
  curl_easy_setopt(curl, CURLOPT_USERAGENT, "Mozilla/3.0 (compatible; Zelmora Reminder)");
  curl_easy_setopt(curl, CURLOPT_FRESH_CONNECT, 1L);
  curl_easy_setopt(curl, CURLOPT_FORBID_REUSE, 1L);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, AppendToString);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
  for (auto _ : state) {
    body.clear();
    const CURLcode result = curl_easy_perform(curl);
    if (result != CURLE_OK) {
      state.SkipWithError(curl_easy_strerror(result));
      break;
    }
    if (body != kCounterBody) {
      state.SkipWithError("wrong body");
      break;
    }
  }
  curl_easy_cleanup(curl);
  curl_global_cleanup();
}
BENCHMARK(CurlFreshConnectionGet)->Unit(benchmark::kMicrosecond)->UseRealTime();

constexpr std::size_t kLargeBody = 8 << 20;
constexpr std::size_t kNetworkPiece = 64 * 1024;  // what one recv() tends to hand over

HttpLimits LargeBodyLimits() {
  HttpLimits limits;
  limits.maxBodyBytes = kLargeBody;
  return limits;
}

void FramingContentLength(benchmark::State& state) {
  const std::string body(kLargeBody, 'b');
  const HttpLimits limits = LargeBodyLimits();
  for (auto _ : state) {
    MemoryByteSource source(body, kNetworkPiece);
    ReplyReader reader(source, limits);
    std::string received;
    reader.ReadBody(BodyFraming{static_cast<std::int64_t>(kLargeBody), false}, received);
    benchmark::DoNotOptimize(received);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kLargeBody));
}
BENCHMARK(FramingContentLength)->Unit(benchmark::kMillisecond);

void FramingChunked(benchmark::State& state) {
  const std::size_t chunk = static_cast<std::size_t>(state.range(0));
  std::string wire;
  char sizeLine[32];
  for (std::size_t sent = 0; sent < kLargeBody; sent += chunk) {
    wire.append(sizeLine,
                static_cast<std::size_t>(std::snprintf(sizeLine, sizeof sizeLine, "%zx\r\n", chunk)));
    wire.append(chunk, 'c');
    wire += "\r\n";
  }
  wire += "0\r\n\r\n";
  const HttpLimits limits = LargeBodyLimits();
  for (auto _ : state) {
    MemoryByteSource source(wire, kNetworkPiece);
    ReplyReader reader(source, limits);
    std::string received;
    reader.ReadBody(BodyFraming{-1, true}, received);
    benchmark::DoNotOptimize(received);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kLargeBody));
}
BENCHMARK(FramingChunked)->Arg(1024)->Arg(16 * 1024)->Unit(benchmark::kMillisecond);

// What a hostile server once sent in one reply: interim replies full of
// session cookies of ~16 KB (now ignored) and ~4 KB (kept), full of blanks
// and commas.
std::string CookieFloodReply() {
  std::string flood;
  int name = 0;
  for (int head = 0; head <= zelmora::http::kMaxInterimReplies; ++head) {
    const bool final = head == zelmora::http::kMaxInterimReplies;
    flood += final ? "HTTP/1.1 200 OK\r\n" : "HTTP/1.1 100 Continue\r\n";
    for (int line = 0; line < 99; ++line) {
      std::string value;
      while (value.size() < (line % 2 != 0 ? 16000u : 4080u)) value += "a,b ";
      flood += "Set-Cookie: f" + std::to_string(name++) + "=" + value + "; path=/\r\n";
    }
    if (final) flood += "Content-Length: " + std::to_string(kCounterBody.size()) + "\r\n";
    flood += "\r\n";
  }
  return flood + kCounterBody;
}

// The third and later polls after the flood: CPU of the polling thread only.
void PollAfterACookieFlood(benchmark::State& state) {
  ScriptedServer server;
  server.Play(CookieFloodReply());
  server.Play(kCounterReply);
  const std::string address = server.Address(kCounterTarget);
  HttpClient client;
  for (int poll = 0; poll < 2; ++poll) {
    client.Get(address);
    client.Disconnect();
  }
  for (auto _ : state) {
    if (client.Get(address) != kCounterBody) {
      state.SkipWithError("wrong body");
      break;
    }
    client.Disconnect();
  }
  state.counters["request_bytes"] = static_cast<double>(server.Requests().back().size());
}
BENCHMARK(PollAfterACookieFlood)->Unit(benchmark::kMillisecond)->UseRealTime();

// Interim replies without end, each head as large as the caps allow, cookies
// included: the GET must give up after kMaxInterimReplies of them.
void EndlessInterimReplies(benchmark::State& state) {
  using namespace zelmora::http;
  std::string head = "HTTP/1.1 100 Continue\r\n";
  for (std::size_t line = 0; line < kMaxHeaderLines; ++line) {
    const std::size_t size = line % 2 != 0 ? kMaxLineLength - 40 : kMaxCookieNameValueBytes - 20;
    head += "Set-Cookie: i" + std::to_string(line) + "=" + std::string(size, 'v') + "; path=/\r\n";
  }
  head += "\r\n";
  std::string stream;
  for (int copy = 0; copy < 2 * kMaxInterimReplies; ++copy) stream += head;
  const HttpLimits limits;
  std::size_t read = 0;
  for (auto _ : state) {
    MemoryByteSource source(stream, kNetworkPiece);
    ReplyReader reader(source, limits);
    CookieStore cookies;
    AuthRecord auth;
    bool keepConnection = false;
    try {
      ReceiveReply(reader, ReplyContext{"127.0.0.1", cookies, auth, limits}, keepConnection);
      state.SkipWithError("the stream was accepted");
      break;
    } catch (const HttpError&) {
    }
    read = stream.size() - source.Left();
  }
  state.counters["bytes_read"] = static_cast<double>(read);
}
BENCHMARK(EndlessInterimReplies)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
