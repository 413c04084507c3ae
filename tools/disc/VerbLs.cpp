#include "disc/VerbArgs.h"
#include "disc/Verbs.h"
#include "platform/Text.h"
#include "store/ReadBin.h"

namespace trv::disc {

int VerbLs(const std::vector<std::string>& args, ToolIo& io) {
  const VerbArgs a = ParseVerbArgs(args, 1);
  TReadBin archive;
  archive.OpenNative(ArgPath(a.positional[0]));
  for (const RBin& entry : archive.Entries())
    io.out << entry.offset << '\t' << entry.size << '\t' << Cp1251ToUtf8(entry.name) << '\n';
  return 0;
}

}  // namespace trv::disc
