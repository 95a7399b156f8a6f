#include "poll/http/host_resolver.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "core/ascii_text.h"
#include "poll/http/http_errors.h"

namespace zelmora::http {
namespace {

// Whether a lookup thread is running. A resolver that hangs must not leave a
// thread behind for every poll: while one lookup runs no other starts.
std::atomic<bool> lookupRunning{false};

// Shared by the waiting caller and the lookup thread, which may outlive the wait.
struct Lookup {
  std::mutex mutex;
  std::condition_variable done;
  std::optional<platform::Ipv4Address> address;
  std::exception_ptr failure;
};

// A name whose last label is a number (decimal, or hexadecimal after "0x") is
// an address in one of the forms the system's lookup reads its own way (octal
// parts, fewer parts, one big number): no registered name looks like that.
bool LooksLikeAnAddress(std::string_view host) {
  std::string_view label = host.substr(host.rfind('.') + 1);
  if (label.size() > 2 && label[0] == '0' && (label[1] == 'x' || label[1] == 'X')) {
    label.remove_prefix(2);
    return std::all_of(label.begin(), label.end(),
                       [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
  }
  return !label.empty() &&
         std::all_of(label.begin(), label.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

platform::Ipv4Address ResolveHost(const std::string& host, const platform::WaitLimit& limit,
                                  const HostLookup& lookup) {
  platform::Ipv4Address address{127, 0, 0, 1};
  if (EqualsIgnoringAsciiCase(host, "localhost") || platform::ParseIpv4Literal(host, address)) return address;
  // Windows resolves an empty name to the machine itself; no server is called "".
  // An address that is not four decimal parts must not become whatever the
  // system's lookup makes of it: "0300.0.0.1" would be 192.0.0.1.
  if (host.empty() || LooksLikeAnAddress(host)) throw platform::SocketError(platform::kSocketHostNotFound);

  if (lookupRunning.exchange(true)) {
    throw HttpError("The name lookup of " + host + " that an earlier poll started has not finished yet.");
  }
  auto pending = std::make_shared<Lookup>();
  // Nothing ever waits for this thread: leaving the program gives up the
  // wait below, and the lookup ends on its own.
  const auto run = [pending, host, lookup] {
    std::optional<platform::Ipv4Address> found;
    std::exception_ptr failure;
    try {
      found = lookup(host);
    } catch (...) {
      failure = std::current_exception();
    }
    // Cleared before the answer is out, so the next poll never finds it set.
    lookupRunning.store(false);
    const std::lock_guard lock(pending->mutex);
    pending->address = found;
    pending->failure = failure;
    pending->done.notify_one();
  };
  try {
    std::thread(run).detach();
  } catch (...) {
    lookupRunning.store(false);
    throw;
  }

  std::unique_lock lock(pending->mutex);
  for (;;) {
    if (pending->address) return *pending->address;
    if (pending->failure) std::rethrow_exception(pending->failure);
    pending->done.wait_for(lock, platform::NextWait(limit));
  }
}

}  // namespace zelmora::http
