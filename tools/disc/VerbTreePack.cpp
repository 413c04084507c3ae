#include "disc/TreeWriter.h"
#include "disc/VerbArgs.h"
#include "disc/Verbs.h"

namespace trv::disc {

int VerbTreePack(const std::vector<std::string>& args, ToolIo&) {
  const VerbArgs a = ParseVerbArgs(args, 2, {"--plain-directory", "--store-only"});
  TreeOptions options;
  options.compressDirectory = !a.Has("--plain-directory");
  options.compressFiles = !a.Has("--store-only");
  TreeWriter writer;
  writer.AddDirectory(ArgPath(a.positional[1]));
  writer.Write(ArgPath(a.positional[0]), options);
  return 0;
}

}  // namespace trv::disc
