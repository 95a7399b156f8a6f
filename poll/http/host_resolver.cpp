#include "poll/http/host_resolver.h"

#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "core/ascii_text.h"

namespace zelmora::http {
namespace {

// Shared by the waiting caller and the lookup thread, which may outlive the wait.
struct Lookup {
  std::mutex mutex;
  std::condition_variable done;
  std::optional<platform::Ipv4Address> address;
  std::exception_ptr failure;
};

}  // namespace

platform::Ipv4Address ResolveHost(const std::string& host, const platform::WaitLimit& limit) {
  platform::Ipv4Address address{127, 0, 0, 1};
  if (EqualsIgnoringAsciiCase(host, "localhost") || platform::ParseIpv4Literal(host, address)) return address;
  // Windows resolves an empty name to the machine itself; no server is called "".
  if (host.empty()) throw platform::SocketError(platform::kSocketHostNotFound);

  auto lookup = std::make_shared<Lookup>();
  std::thread([lookup, host] {
    std::optional<platform::Ipv4Address> found;
    std::exception_ptr failure;
    try {
      found = platform::LookupHostIpv4(host);
    } catch (...) {
      failure = std::current_exception();
    }
    const std::lock_guard lock(lookup->mutex);
    lookup->address = found;
    lookup->failure = failure;
    lookup->done.notify_one();
  }).detach();

  std::unique_lock lock(lookup->mutex);
  for (;;) {
    if (lookup->address) return *lookup->address;
    if (lookup->failure) std::rethrow_exception(lookup->failure);
    lookup->done.wait_for(lock, platform::NextWait(limit));
  }
}

}  // namespace zelmora::http
