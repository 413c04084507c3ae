#include "disc/Verbs.h"

#include <filesystem>
#include <iterator>
#include <new>

#include "disc/DiscError.h"
#include "store/ReadBin.h"

namespace trv::disc {
namespace {

// Later verbs slot in here, one row each.
constexpr VerbInfo kVerbs[] = {
    {"ls", "ARCHIVE", "list an archive's directory: offset, size, name", VerbLs},
    {"cat", "ARCHIVE NAME", "write an archive entry to stdout (case ignored, first match)", VerbCat},
    {"png", "ARCHIVE NAME OUT.png", "write a picture entry of an archive as a PNG file", VerbPng},
    {"pack", "OUT.dhl DIR", "make an archive of every file under DIR", VerbPack},
    {"tree-ls", "TREE", "list a packed tree: kind, stored size, unpacked size, path", VerbTreeLs},
    {"tree-cat", "TREE PATH [--prefix PREFIX]", "write the unpacked file PATH of a tree to stdout", VerbTreeCat},
    {"tree-pack", "OUT.dat DIR [--plain-directory] [--store-only]", "make a packed tree of DIR", VerbTreePack},
    {"lines", "FILE [--lower]", "the script lines of FILE (plain or scrambled) as a JSON array", VerbLines},
    {"scramble", "IN OUT", "write the scrambled form of the script IN", VerbScramble},
    {"unscramble", "IN OUT", "write the plain text of the scrambled script IN", VerbUnscramble},
    {"dump", "DISC [--program-dir DIR] [--cd-root DIR]",
     "the header and elements of Struct.txt in DISC (a folder with Mev.dhl, or the archive) as JSON", VerbDump},
    {"icon", "DISC SIZE OUT.png", "write the disc's application icon (icon= of Struct.txt) as a SIZE x SIZE PNG file",
     VerbIcon},
};

std::vector<VerbInfo>& ExtraVerbs() {
  static std::vector<VerbInfo> extra;
  return extra;
}

void Usage(std::ostream& os) {
  os << "usage: trivion-disc VERB ARGUMENTS\n\nverbs:\n";
  for (const VerbInfo& v : AllVerbs()) {
    std::string head = std::string("  ") + v.name + " " + v.arguments;
    os << head << "\n      " << v.summary << "\n";
  }
}

}  // namespace

std::span<const VerbInfo> AllVerbs() {
  static std::vector<VerbInfo> all;
  all.assign(std::begin(kVerbs), std::end(kVerbs));
  all.insert(all.end(), ExtraVerbs().begin(), ExtraVerbs().end());
  return all;
}

void AddVerbs(std::span<const VerbInfo> verbs) { ExtraVerbs().insert(ExtraVerbs().end(), verbs.begin(), verbs.end()); }

int RunTool(const std::vector<std::string>& args, ToolIo& io) {
  if (args.empty()) {
    Usage(io.err);
    return 1;
  }
  const std::string& name = args.front();
  if (name == "help" || name == "--help" || name == "-h") {
    Usage(io.out);
    return 0;
  }
  const VerbInfo* verb = nullptr;
  const auto all = AllVerbs();
  for (const VerbInfo& v : all)
    if (name == v.name) verb = &v;
  if (!verb) {
    io.err << "trivion-disc: unknown verb \"" << name << "\"\n\n";
    Usage(io.err);
    return 1;
  }
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  try {
    return verb->run(rest, io);
  } catch (const UsageError& e) {
    io.err << "trivion-disc " << verb->name << ": " << e.what() << "\nusage: trivion-disc " << verb->name << " "
           << verb->arguments << "\n";
  } catch (const DiscError& e) {
    io.err << "trivion-disc " << verb->name << ": " << e.what() << "\n";
  } catch (const StoreError& e) {
    io.err << "trivion-disc " << verb->name << ": " << e.what() << "\n";
  } catch (const std::filesystem::filesystem_error& e) {
    io.err << "trivion-disc " << verb->name << ": " << e.what() << "\n";
  } catch (const std::bad_alloc&) {
    io.err << "trivion-disc " << verb->name << ": out of memory\n";
  }
  return 1;
}

}  // namespace trv::disc
