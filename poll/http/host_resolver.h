#pragma once
#include <functional>
#include <string>

#include "platform/socket.h"

namespace zelmora::http {

// The platform's host lookup, or a stand-in.
using HostLookup = std::function<platform::Ipv4Address(const std::string& name)>;

// "LOCALHOST" in any case is 127.0.0.1, a dotted IPv4 literal (four decimal
// parts, each 0 to 255, leading zeros allowed) is itself; any other numeric
// form fails as "Host not found", and every other name goes to `lookup`. The
// lookup runs on a helper thread so that the wait ends at the limit's deadline
// or cancel even when the platform's resolver hangs; an abandoned lookup
// finishes on its own. At most one lookup runs at a time in the process:
// while an abandoned one still runs, resolving a name fails at once (HttpError).
platform::Ipv4Address ResolveHost(const std::string& host, const platform::WaitLimit& limit,
                                  const HostLookup& lookup = platform::LookupHostIpv4);

}  // namespace zelmora::http
