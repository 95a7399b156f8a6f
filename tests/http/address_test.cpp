// Cutting an address into host, port, Host header and request target.
#include "poll/http/address.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <memory>
#include <thread>

#include "poll/http/host_resolver.h"
#include "poll/http/http_errors.h"

namespace zelmora::http {
namespace {

using namespace std::chrono_literals;

TEST(AddressSplitting, CounterAddressWithoutPort) {
  const SplitAddress split = SplitHttpAddress("http://www.example.com/tx.php?action=getnum&taskid=0");
  EXPECT_EQ(split.host, "www.example.com");
  EXPECT_EQ(split.port, 80);
  EXPECT_EQ(split.hostHeader, "www.example.com");
  EXPECT_EQ(split.path, "/");
  EXPECT_EQ(split.document, "tx.php");
  EXPECT_EQ(split.Target(), "/tx.php?action=getnum&taskid=0");
}

TEST(AddressSplitting, PortAppearsInHostHeaderUnlessItIs80) {
  EXPECT_EQ(SplitHttpAddress("http://h:80/").hostHeader, "h");
  const SplitAddress split = SplitHttpAddress("http://h:8080/a/b/c.php?x=/y");
  EXPECT_EQ(split.port, 8080);
  EXPECT_EQ(split.hostHeader, "h:8080");
  EXPECT_EQ(split.path, "/a/b/");
  EXPECT_EQ(split.document, "c.php");
  EXPECT_EQ(split.query, "?x=/y");
}

TEST(AddressSplitting, UserInformationAndMissingSchemeAndPath) {
  const SplitAddress split = SplitHttpAddress("user:pw@host");
  EXPECT_EQ(split.scheme, "http");
  EXPECT_EQ(split.host, "host");
  EXPECT_EQ(split.Target(), "/");
  EXPECT_EQ(SplitHttpAddress("HTTPS://secure/").port, 443);
}

TEST(AddressSplitting, QueryIsNeverEncodedOrDecoded) {
  EXPECT_EQ(SplitHttpAddress("http://h/tx.php?userid=a b%20\xC4\xE3").Target(),
            "/tx.php?userid=a b%20\xC4\xE3");
}

TEST(AddressSplitting, BadPortsAndUnknownSchemesFail) {
  try {
    SplitHttpAddress("http://h:8o/");
    FAIL();
  } catch (const HttpError& error) {
    EXPECT_STREQ(error.what(), "'8o' is not a valid integer value");
  }
  EXPECT_THROW(SplitHttpAddress("http://h:65536/"), HttpError);
  try {
    SplitHttpAddress("ftp://h/");
    FAIL();
  } catch (const HttpError& error) {
    EXPECT_STREQ(error.what(), "");
  }
  EXPECT_EQ(SplitHttpAddress("ftp://h:21/").port, 21);
}

platform::WaitLimit SoonEnough() {
  return platform::WaitLimit{std::chrono::steady_clock::now() + std::chrono::seconds(10)};
}

TEST(HostResolution, DottedDecimalPartsMayCarryAnyNumberOfLeadingZeros) {
  using Address = platform::Ipv4Address;
  EXPECT_EQ(ResolveHost("LocalHost", SoonEnough()), (Address{127, 0, 0, 1}));
  EXPECT_EQ(ResolveHost("127.0.0.1", SoonEnough()), (Address{127, 0, 0, 1}));
  // Decimal whatever the zeros: the system's lookup would read 0127 as octal 87.
  EXPECT_EQ(ResolveHost("0127.0.0.1", SoonEnough()), (Address{127, 0, 0, 1}));
  EXPECT_EQ(ResolveHost("010.0000.00.000000000000000000255", SoonEnough()), (Address{10, 0, 0, 255}));
}

TEST(HostResolution, OtherNumericHostsNeverReachTheSystemLookup) {
  const platform::SocketLibrary socketLibrary;
  // Each of these the system's lookup turns into some address of its own.
  for (const char* host : {"0300.0.0.1", "127.1", "2130706433", "0x7f.0.0.1", "127.0.0.0x1", "0177.1"}) {
    try {
      const auto address = ResolveHost(host, SoonEnough());
      ADD_FAILURE() << host << " became " << int{address[0]} << "." << int{address[1]} << "."
                    << int{address[2]} << "." << int{address[3]};
    } catch (const SocketError& error) {
      EXPECT_EQ(error.Code(), 11001) << host;
    }
  }
}

TEST(HostResolution, AtMostOneLookupIsUnderWayAndNothingWaitsForIt) {
  // A lookup that hangs until let go, as one does whose name server never answers.
  auto calls = std::make_shared<std::atomic<int>>(0);
  auto firstCall = std::make_shared<std::promise<void>>();
  std::promise<void> letGo;
  const HostLookup lookup = [calls, firstCall, released = letGo.get_future().share()](const std::string&) {
    if (calls->fetch_add(1) == 0) firstCall->set_value();
    released.wait();
    return platform::Ipv4Address{10, 0, 0, 1};
  };
  // Leaving the program gives up the wait at once; the lookup goes on alone.
  const std::atomic<bool> leaving{true};
  try {
    ResolveHost("tasks.example.com", platform::WaitLimit{SoonEnough().deadline, &leaving}, lookup);
    ADD_FAILURE() << "resolved";
  } catch (const SocketError& error) {
    EXPECT_EQ(error.Code(), platform::kSocketInterrupted);
  }
  firstCall->get_future().wait();
  // The next poll finds it still running: it fails at once, with no lookup of its own.
  try {
    ResolveHost("tasks.example.com", platform::WaitLimit{std::chrono::steady_clock::now() + 300ms}, lookup);
    ADD_FAILURE() << "resolved";
  } catch (const Error& error) {
    EXPECT_STREQ(error.what(),
                 "The name lookup of tasks.example.com that an earlier poll started has not finished yet.");
  }
  EXPECT_EQ(calls->load(), 1);

  // Once it is over, lookups run again.
  letGo.set_value();
  for (const auto limit = SoonEnough();;) {
    try {
      EXPECT_EQ(ResolveHost("tasks.example.com", limit, lookup), (platform::Ipv4Address{10, 0, 0, 1}));
      break;
    } catch (const HttpError&) {
      std::this_thread::sleep_for(10ms);  // the first one is still finishing
      platform::NextWait(limit);
    }
  }
  EXPECT_EQ(calls->load(), 2);
}

}  // namespace
}  // namespace zelmora::http
