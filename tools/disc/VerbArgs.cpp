#include "disc/VerbArgs.h"

#include <algorithm>
#include <ostream>

#include "disc/DiscError.h"
#include "platform/Text.h"

namespace trv::disc {

VerbArgs ParseVerbArgs(const std::vector<std::string>& args, std::size_t positionalCount,
                       std::initializer_list<std::string_view> flags,
                       std::initializer_list<std::string_view> valued) {
  auto known = [](std::initializer_list<std::string_view> list, const std::string& a) {
    return std::find(list.begin(), list.end(), a) != list.end();
  };
  VerbArgs parsed;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (optionsEnded || a.size() < 2 || a[0] != '-') {
      parsed.positional.push_back(a);
    } else if (a == "--") {
      optionsEnded = true;
    } else if (known(flags, a)) {
      parsed.options[a] = "";
    } else if (known(valued, a)) {
      if (i + 1 >= args.size()) throw UsageError(a + " needs a value");
      parsed.options[a] = args[++i];
    } else {
      throw UsageError("unknown option " + a);
    }
  }
  if (parsed.positional.size() != positionalCount)
    throw UsageError("expected " + std::to_string(positionalCount) + " arguments, got " +
                     std::to_string(parsed.positional.size()));
  return parsed;
}

std::string ArgToCp1251(const std::string& utf8) {
  bool ok = true;
  std::string s = Utf8ToCp1251(utf8, &ok);
  if (!ok) throw DiscError("\"" + utf8 + "\" cannot be written in code page 1251");
  return s;
}

void WriteBytes(std::ostream& out, const std::vector<std::uint8_t>& bytes) {
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

}  // namespace trv::disc
