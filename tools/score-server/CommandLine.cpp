#include "score-server/CommandLine.h"

#include "score-server/Wire.h"

namespace trv::scored {

std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& args, std::string* error) {
  CommandLine line;
  bool haveListen = false;
  auto fail = [&](const std::string& why) -> std::optional<CommandLine> {
    *error = why + "\nusage: trivion-scored --listen HOST:PORT --db FILE [--games N]";
    return std::nullopt;
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a != "--listen" && a != "--db" && a != "--games") return fail("unknown argument: " + a);
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
      if (v.empty()) return fail("--db needs a file name");
      line.db = v;
    } else {
      auto games = ParseDecimal(v, 1, 100000);
      if (!games) return fail("--games wants a number from 1, got " + v);
      line.games = static_cast<int>(*games);
    }
  }
  if (!haveListen) return fail("--listen is required");
  if (line.db.empty()) return fail("--db is required");
  return line;
}

}  // namespace trv::scored
