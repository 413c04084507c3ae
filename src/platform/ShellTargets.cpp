#include "platform/ShellTargets.h"

#include "platform/Text.h"

namespace trv {
namespace {

bool IsSchemeChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' ||
         c == '-' || c == '.';
}

bool HasScheme(std::string_view s) {
  const std::size_t colon = s.find(':');
  if (colon == std::string_view::npos || colon < 2) return false;
  if (!((s[0] >= 'a' && s[0] <= 'z') || (s[0] >= 'A' && s[0] <= 'Z'))) return false;
  for (std::size_t i = 1; i < colon; ++i)
    if (!IsSchemeChar(s[i])) return false;
  return true;
}

}  // namespace

bool IsDesktopAddress(std::string_view target) {
  const std::string t = Trim(std::string(target));
  return HasScheme(t) || (t.size() > 4 && EqualsNoCaseAscii(t.substr(0, 4), "www."));
}

}  // namespace trv
