#include "disc/DiscFiles.h"
#include "disc/VerbArgs.h"
#include "disc/Verbs.h"
#include "script/ScriptLines.h"

namespace trv::disc {

int VerbScramble(const std::vector<std::string>& args, ToolIo&) {
  const VerbArgs a = ParseVerbArgs(args, 2);
  const std::vector<std::uint8_t> bytes = ReadWholeFile(ArgPath(a.positional[0]));
  const std::string text(bytes.begin(), bytes.end());
  WriteWholeFile(ArgPath(a.positional[1]), ScrambleScript(text));
  return 0;
}

}  // namespace trv::disc
