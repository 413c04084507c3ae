// The score server's reading of form bodies and numbers, over arbitrary bytes
// as a client (or anyone) posts them. A form read once must read the same
// after being written back out; a number read must be the one way the client
// writes it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "score-server/Wire.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

std::string Encode(const std::map<std::string, std::string>& fields) {
  std::string body;
  for (const auto& [name, value] : fields) {
    if (!body.empty()) body += '&';
    body += trv::scored::UrlEncode(name) + "=" + trv::scored::UrlEncode(value);
  }
  return body;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace trv::scored;
  const std::string_view input(reinterpret_cast<const char*>(data), size);

  if (const auto form = ParseForm(input)) {
    for (const auto& [name, value] : *form) Check(name.size() + value.size() <= size);
    const auto again = ParseForm(Encode(*form));
    Check(again && *again == *form);
  }

  // The bounds come from the first bytes, the number from the rest.
  const std::int64_t bound = size >= 1 ? std::int64_t(data[0]) * 1000003 : 0;
  const std::int64_t min = size >= 2 && (data[1] & 1) ? -bound : 0;
  const std::int64_t max = size >= 2 && (data[1] & 2) ? INT64_MAX : bound;
  const std::string_view text = input.substr(std::min<std::size_t>(size, 2));
  if (const auto value = ParseDecimal(text, min, max)) {
    Check(*value >= min && *value <= max);
    Check(std::to_string(*value) == text);
  }

  const std::string html = HtmlEscape(input);
  Check(html.find_first_of("<>\"'") == std::string::npos);
  return 0;
}
