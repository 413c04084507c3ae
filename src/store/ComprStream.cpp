#include <cerrno>

#include "platform/Paths.h"
#include "platform/Text.h"
#include "store/PackedTree.h"
#include "store/ReadBin.h"

namespace trv {
namespace {

// The disk copies read this way are question banks and pictures; anything
// bigger is not one of them.
constexpr std::uint64_t kMaxDiskFile = 256u << 20;

}  // namespace

TComprStream::TComprStream(const TPackedTree& tree, const std::string& fileName, std::uint16_t mode) {
  (void)mode;  // the disk copy is only ever read, whatever mode the caller names
  const int found = tree.LoadFromTree(fileName, *this);
  if (found == 0) return;
  const std::string shown = Cp1251ToUtf8(fileName);
  // A damaged copy in the tree is an error of its own: quietly reading a disk
  // file of the same name instead would hide it.
  if (found == TPackedTree::kDamaged) throw StoreError("the tree's copy of " + shown + " is damaged");
  auto native = ResolvePath(fileName);
  std::error_code ec;
  if (!native || !std::filesystem::is_regular_file(*native, ec))
    throw StoreError("cannot open " + shown + ": neither the tree nor the disk holds it");
  std::string error;
  auto bytes = ReadNativeFile(*native, kMaxDiskFile, &error);
  if (!bytes) throw StoreError("cannot read " + shown + ": " + error);
  Bytes() = std::move(*bytes);
  Seek(0);
}

}  // namespace trv
