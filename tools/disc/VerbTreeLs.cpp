#include <set>

#include "disc/DiscError.h"
#include "disc/VerbArgs.h"
#include "disc/Verbs.h"
#include "platform/Text.h"
#include "store/PackedTree.h"

namespace trv::disc {
namespace {

struct Lister {
  const TPackedTree& tree;
  ToolIo& io;
  // In a sound tree every folder has one entry leading to it. A damaged one may
  // loop or lead to a folder from many places (listing it 2^depth times).
  std::set<std::uint32_t> listed;
  bool damaged = false;

  void List(std::uint32_t folderIndex, const std::string& path, int depth = 0) {
    const auto& folders = tree.Folders();
    const auto& entries = tree.Entries();
    if (folderIndex >= folders.size()) {
      Complain("folder " + std::to_string(folderIndex) + " of " + path + " does not exist");
      return;
    }
    const TPackedTree::Folder& folder = folders[folderIndex];
    if (std::uint64_t(folder.first) + folder.count > entries.size()) {
      Complain("folder " + path + " lists entries beyond the end of the table");
      return;
    }
    if (!listed.insert(folderIndex).second) {
      Complain("folder " + path + " is folder " + std::to_string(folderIndex) + ", already listed");
      return;
    }
    // No lookup can reach deeper: paths hold at most 1024 characters.
    if (depth > int(TPackedTree::kMaxPath / 2)) {
      Complain("folder " + path + " is nested deeper than any path can reach");
      return;
    }
    for (std::uint32_t i = folder.first; i < folder.first + folder.count; ++i) {
      const TPackedTree::Entry& e = entries[i];
      const std::string name = path.empty() ? Cp1251ToUtf8(e.Name()) : path + "\\" + Cp1251ToUtf8(e.Name());
      const bool isFolder = e.kind == TPackedTree::kKindFolder;
      io.out << (isFolder ? 'D' : 'F') << '\t' << e.stored << '\t' << e.unpacked << '\t' << name << '\n';
      if (isFolder) List(e.offset, name, depth + 1);
    }
  }

  void Complain(const std::string& what) {
    io.err << "trivion-disc tree-ls: damaged tree: " << what << "\n";
    damaged = true;
  }
};

}  // namespace

int VerbTreeLs(const std::vector<std::string>& args, ToolIo& io) {
  const VerbArgs a = ParseVerbArgs(args, 1);
  TPackedTree tree;
  if (tree.OpenTreeNative(ArgPath(a.positional[0])) != 0)
    throw DiscError(a.positional[0] + " is not a readable tree");
  Lister lister{tree, io, {}};
  lister.List(tree.RootFolder(), "");
  return lister.damaged ? 1 : 0;
}

}  // namespace trv::disc
