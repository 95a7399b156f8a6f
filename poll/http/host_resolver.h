#pragma once
#include <string>

#include "platform/socket.h"

namespace zelmora::http {

// "LOCALHOST" in any case is 127.0.0.1, a dotted IPv4 literal (four decimal
// parts, each 0 to 255, leading zeros allowed) is itself; any other numeric
// form fails as "Host not found", and every other name goes to the platform's
// lookup. The lookup runs on a helper thread
// so that the wait ends at the limit's deadline or cancel even when the
// platform's resolver hangs; an abandoned lookup finishes on its own.
platform::Ipv4Address ResolveHost(const std::string& host, const platform::WaitLimit& limit);

}  // namespace zelmora::http
