#pragma once

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace trv::disc {

struct VerbArgs {
  std::vector<std::string> positional;
  std::map<std::string, std::string, std::less<>> options;  // "--name" -> value ("" for a flag)
  bool Has(std::string_view option) const { return options.find(option) != options.end(); }
  std::string Value(std::string_view option) const {
    auto it = options.find(option);
    return it == options.end() ? std::string() : it->second;
  }
};

// Splits a verb's arguments into `positionalCount` positional ones and the
// known options ("--" ends the options). Throws UsageError otherwise.
VerbArgs ParseVerbArgs(const std::vector<std::string>& args, std::size_t positionalCount,
                       std::initializer_list<std::string_view> flags = {},
                       std::initializer_list<std::string_view> valued = {});

// A command-line argument (UTF-8) as CP1251; throws DiscError when it has
// characters outside the code page.
std::string ArgToCp1251(const std::string& utf8);

// A command-line path argument as a native path.
inline std::filesystem::path ArgPath(const std::string& arg) { return std::filesystem::path(arg); }

void WriteBytes(std::ostream& out, const std::vector<std::uint8_t>& bytes);

}  // namespace trv::disc
