#include <cstdio>

#include "disc/DiscFiles.h"
#include "disc/VerbArgs.h"
#include "disc/Verbs.h"
#include "platform/Json.h"
#include "platform/Text.h"
#include "script/ScriptLines.h"

namespace trv::disc {

int VerbLines(const std::vector<std::string>& args, ToolIo& io) {
  const VerbArgs a = ParseVerbArgs(args, 1, {"--lower"});
  const std::vector<std::uint8_t> bytes = ReadWholeFile(ArgPath(a.positional[0]));
  TDynamicStringArray lines;
  SplitLines(bytes.data(), bytes.size(), a.Has("--lower"), lines);
  if (lines.empty()) {
    io.out << "[]\n";
    return 0;
  }
  io.out << "[\n";
  for (std::size_t i = 0; i < lines.size(); ++i)
    io.out << "  " << JsonQuote(Cp1251ToUtf8(lines[i])) << (i + 1 < lines.size() ? ",\n" : "\n");
  io.out << "]\n";
  return 0;
}

}  // namespace trv::disc
