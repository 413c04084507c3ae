#pragma once

#include <string>
#include <string_view>

namespace trv::scored {

// The key that logon tokens are counted under for a peer address: an IPv4
// address as it is, an IPv6 address by its /64 network (one subscriber
// commonly holds a whole /64), anything unparsable as given.
std::string ClientKey(std::string_view address);

// The client address from an X-Forwarded-For value that a trusted proxy
// completed: its last entry, trimmed; empty when there is none.
std::string LastForwardedFor(std::string_view header);

}  // namespace trv::scored
