#pragma once

#include <optional>
#include <string>
#include <vector>

namespace trv::scored {

struct CommandLine {
  std::string host;
  int port = 0;  // 0: any free port
  std::string db;
  int games = 3;
};

// trivion-scored --listen HOST:PORT --db FILE [--games N]. Nothing and *error
// (a usage message) on anything else.
std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& args, std::string* error);

}  // namespace trv::scored
