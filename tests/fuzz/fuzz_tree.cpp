// The packed tree reader over arbitrary files: the directory, look-ups by
// several paths and by every name it holds, and a read of every entry.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzFile.h"
#include "platform/Log.h"
#include "store/PackedTree.h"
#include "store/ReadBin.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  trv::SetLogFile("/dev/null");  // damaged inputs are logged; keep the disk out of it
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace trv;
  static fuzz::MemFile file("fuzz_tree");
  TPackedTree tree;
  int opened;
  try {
    opened = tree.OpenTreeNative(file.Fill(data, size));
  } catch (const StoreError&) {
    return 0;
  }
  if (opened != 0) {
    if (tree.IsOpen() || !tree.Entries().empty()) __builtin_trap();
    return 0;
  }
  const auto& entries = tree.Entries();
  const auto& folders = tree.Folders();
  if (tree.RootFolder() >= folders.size()) __builtin_trap();

  for (const char* path : {"QUESTIONS.XML", "data\\x.bmp", "c:/game/DATA/X.BMP", "\\A\\B\\C", "A\\", "\\", ""}) {
    const int index = tree.FindFile(path);
    if (index >= 0 && (std::size_t(index) >= entries.size() || entries[index].kind != 1)) __builtin_trap();
  }
  tree.SetPathPrefix("C:\\GAME\\");
  (void)tree.FindFile("c:/game/data/x.bmp");
  tree.SetPathPrefix("");

  // Every name in the root and one level down, as a path; every entry read.
  // The tables can be large for their file size only through the compressed
  // directory, so cap the work per input.
  const std::size_t limit = std::min<std::size_t>(entries.size(), 4096);
  TMemoryStream stream;
  for (std::size_t i = 0; i < limit; ++i) {
    const TPackedTree::Entry& e = entries[i];
    const std::string name = e.Name();
    (void)tree.FindInFolder(name, tree.RootFolder(), int(e.kind));
    (void)tree.FindFile(name);
    if (e.kind == 2) (void)tree.FindFile(name + "\\" + name);
    const int rc = tree.ReadEntry(int(i), stream);
    if (rc == 0 && (stream.Position() != 0 || stream.Size() > std::size_t(e.unpacked))) __builtin_trap();
    if (rc != 0 && rc != -1 && rc != TPackedTree::kDamaged) __builtin_trap();
  }
  for (std::size_t f = 0; f < std::min<std::size_t>(folders.size(), 64); ++f)
    (void)tree.FindInFolder("A", std::uint32_t(f), 1);
  try {
    TComprStream s(tree, "/nonexistent-fuzz-dir/QUESTIONS.XML");
  } catch (const StoreError&) {
  }
  return 0;
}
