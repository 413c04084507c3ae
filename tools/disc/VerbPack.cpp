#include "disc/ArchiveWriter.h"
#include "disc/DiscFiles.h"
#include "disc/VerbArgs.h"
#include "disc/Verbs.h"

namespace fs = std::filesystem;

namespace trv::disc {

int VerbPack(const std::vector<std::string>& args, ToolIo&) {
  const VerbArgs a = ParseVerbArgs(args, 2);
  const fs::path out = ArgPath(a.positional[0]);
  std::error_code ec;
  const fs::path outFull = fs::weakly_canonical(out, ec);
  ArchiveWriter writer;
  for (const FoundFile& file : CollectFiles(ArgPath(a.positional[1]))) {
    // An earlier archive written into the folder itself is not content.
    std::error_code fileEc;
    if (!outFull.empty() && fs::weakly_canonical(file.native, fileEc) == outFull) continue;
    writer.AddFile(file.name, file.native);
  }
  writer.Write(out);
  return 0;
}

}  // namespace trv::disc
