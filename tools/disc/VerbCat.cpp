#include "disc/DiscError.h"
#include "disc/VerbArgs.h"
#include "disc/Verbs.h"
#include "store/ReadBin.h"

namespace trv::disc {

int VerbCat(const std::vector<std::string>& args, ToolIo& io) {
  const VerbArgs a = ParseVerbArgs(args, 2);
  TReadBin archive;
  archive.OpenNative(ArgPath(a.positional[0]));
  const std::string name = ArgToCp1251(a.positional[1]);
  std::vector<std::uint8_t> bytes;
  if (archive.ReadToBuffer(name, bytes) < 0) {
    if (!archive.Exists(name)) throw DiscError("the archive holds no entry \"" + a.positional[1] + "\"");
    throw DiscError("the entry \"" + a.positional[1] + "\" cannot be read");
  }
  WriteBytes(io.out, bytes);
  return 0;
}

}  // namespace trv::disc
