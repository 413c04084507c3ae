#include "score-server/CommandLine.h"

#include "score-server/Wire.h"

namespace trv::scored {

std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& args, std::string* error) {
  CommandLine line;
  bool haveListen = false;
  auto fail = [&](const std::string& why) -> std::optional<CommandLine> {
    *error = why +
             "\nusage: trivion-scored --listen HOST:PORT --db FILE|postgresql://... [--games N] [--max-score N]"
             " [--workers N] [--request-seconds N] [--trust-proxy]";
    return std::nullopt;
  };
  auto number = [&](const std::string& name, const std::string& v, std::int64_t min, std::int64_t max,
                    auto* out) -> bool {
    auto n = ParseDecimal(v, min, max);
    if (!n) {
      *error = name + " wants a number from " + std::to_string(min) + " to " + std::to_string(max) + ", got " + v;
      return false;
    }
    *out = static_cast<std::remove_pointer_t<decltype(out)>>(*n);
    return true;
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--trust-proxy") {
      line.trustProxy = true;
      continue;
    }
    if (a != "--listen" && a != "--db" && a != "--games" && a != "--max-score" && a != "--workers" &&
        a != "--request-seconds")
      return fail("unknown argument: " + a);
    if (i + 1 >= args.size()) return fail(a + " needs a value");
    const std::string& v = args[++i];
    if (a == "--listen") {
      std::size_t colon = v.rfind(':');
      if (colon == std::string::npos || colon == 0) return fail("--listen wants HOST:PORT, got " + v);
      std::string host = v.substr(0, colon);
      if (host.size() > 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
      auto port = ParseDecimal(v.substr(colon + 1), 0, 65535);
      if (!port) return fail("bad port in --listen " + v);
      line.host = host;
      line.port = static_cast<int>(*port);
      haveListen = true;
    } else if (a == "--db") {
      if (v.empty()) return fail("--db needs a file name or a postgresql:// address");
      line.db = v;
    } else if (a == "--games") {
      if (!number(a, v, 1, 100000, &line.games)) return fail(*error);
    } else if (a == "--max-score") {
      if (!number(a, v, 0, INT32_MAX, &line.maxScore)) return fail(*error);
    } else if (a == "--workers") {
      if (!number(a, v, 1, 1024, &line.workers)) return fail(*error);
    } else if (!number(a, v, 1, 3600, &line.requestSeconds)) {
      return fail(*error);
    }
  }
  if (!haveListen) return fail("--listen is required");
  if (line.db.empty()) return fail("--db is required");
  return line;
}

}  // namespace trv::scored
