#include "score-server/ClientAddress.h"

#include <arpa/inet.h>

#include <cstring>

#include "platform/Text.h"

namespace trv::scored {

std::string ClientKey(std::string_view address) {
  std::string text(address.substr(0, 100));
  in6_addr a6{};
  if (inet_pton(AF_INET6, text.c_str(), &a6) == 1) {
    // An IPv4 address written as IPv6 stays one address.
    static const unsigned char kMapped[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
    if (std::memcmp(a6.s6_addr, kMapped, sizeof kMapped) == 0) {
      char buf[INET_ADDRSTRLEN];
      if (inet_ntop(AF_INET, a6.s6_addr + 12, buf, sizeof buf)) return buf;
    }
    std::memset(a6.s6_addr + 8, 0, 8);
    char buf[INET6_ADDRSTRLEN];
    if (inet_ntop(AF_INET6, &a6, buf, sizeof buf)) return std::string(buf) + "/64";
  }
  return text;
}

std::string LastForwardedFor(std::string_view header) {
  std::size_t comma = header.rfind(',');
  return Trim(comma == std::string_view::npos ? header : header.substr(comma + 1));
}

}  // namespace trv::scored
