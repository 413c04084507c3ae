#include "disc/DiscFiles.h"
#include "disc/VerbArgs.h"
#include "disc/Verbs.h"
#include "script/ScriptLines.h"

namespace trv::disc {

int VerbUnscramble(const std::vector<std::string>& args, ToolIo&) {
  const VerbArgs a = ParseVerbArgs(args, 2);
  const std::vector<std::uint8_t> bytes = ReadWholeFile(ArgPath(a.positional[0]));
  const std::string text = UnscrambleScript(bytes);
  WriteWholeFile(ArgPath(a.positional[1]), std::vector<std::uint8_t>(text.begin(), text.end()));
  return 0;
}

}  // namespace trv::disc
