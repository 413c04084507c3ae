#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "score-server/ScoreService.h"

namespace trv::scored {

struct CommandLine {
  std::string host;
  int port = 0;  // 0: any free port
  std::string db;  // an SQLite file, or postgresql://...
  int games = 3;
  std::int64_t maxScore = kHighestReachableScore;
  int workers = 16;
  int requestSeconds = 5;
  bool trustProxy = false;  // take the client from X-Forwarded-For (behind a load balancer only)
};

// trivion-scored --listen HOST:PORT --db FILE|postgresql://... [--games N]
// [--max-score N] [--workers N] [--request-seconds N] [--trust-proxy].
// Nothing and *error (a usage message) on anything else.
std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& args, std::string* error);

}  // namespace trv::scored
