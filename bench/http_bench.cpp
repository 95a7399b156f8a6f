// One poll's cost against a loopback server, beside libcurl doing the same
// fresh-connection GET, and the reply framing's throughput on large bodies.
#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <string>

#include "poll/http/http_client.h"
#include "poll/http/memory_byte_source.h"
#include "poll/http/reply_reader.h"
#include "tests/support/scripted_server.h"

namespace {

using zelmora::http::BodyFraming;
using zelmora::http::HttpClient;
using zelmora::http::HttpLimits;
using zelmora::http::MemoryByteSource;
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

}  // namespace

BENCHMARK_MAIN();
