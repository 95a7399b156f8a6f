#include "poll/http/host_resolver.h"

#include <algorithm>
#include <cctype>
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

platform::Ipv4Address ResolveHost(const std::string& host, const platform::WaitLimit& limit) {
  platform::Ipv4Address address{127, 0, 0, 1};
  if (EqualsIgnoringAsciiCase(host, "localhost") || platform::ParseIpv4Literal(host, address)) return address;
  // Windows resolves an empty name to the machine itself; no server is called "".
  // An address that is not four decimal parts must not become whatever the
  // system's lookup makes of it: "0300.0.0.1" would be 192.0.0.1.
  if (host.empty() || LooksLikeAnAddress(host)) throw platform::SocketError(platform::kSocketHostNotFound);

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
