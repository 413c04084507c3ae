#include "disc/DiscError.h"
#include "disc/VerbArgs.h"
#include "disc/Verbs.h"
#include "store/PackedTree.h"

namespace trv::disc {

int VerbTreeCat(const std::vector<std::string>& args, ToolIo& io) {
  const VerbArgs a = ParseVerbArgs(args, 2, {}, {"--prefix"});
  TPackedTree tree;
  if (tree.OpenTreeNative(ArgPath(a.positional[0])) != 0)
    throw DiscError(a.positional[0] + " is not a readable tree");
  tree.SetPathPrefix(ArgToCp1251(a.Value("--prefix")));
  const int index = tree.FindFile(ArgToCp1251(a.positional[1]));
  if (index < 0) throw DiscError("the tree holds no file \"" + a.positional[1] + "\"");
  TMemoryStream stream;
  if (tree.ReadEntry(index, stream) != 0) throw DiscError("the file \"" + a.positional[1] + "\" is damaged");
  WriteBytes(io.out, stream.Bytes());
  return 0;
}

}  // namespace trv::disc
