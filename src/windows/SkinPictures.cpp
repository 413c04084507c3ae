#include "windows/SkinPictures.h"

#include <optional>
#include <vector>

#include "platform/Bmp.h"
#include "platform/Log.h"
#include "platform/Text.h"
#include "store/PackedTree.h"
#include "store/ReadBin.h"

namespace trv {

TPictureLoader::TPictureLoader(const TReadBin* archive, const TPackedTree* tree, std::string logTag)
    : archive_(archive), tree_(tree), logTag_(std::move(logTag)) {}

bool TPictureLoader::Decode(const std::string& name, const std::vector<std::uint8_t>& bytes, Bitmap* out) const {
  std::string error;
  std::optional<Bitmap> bmp = DecodeBmp(bytes, &error);
  if (!bmp) {
    Log(logTag_, Cp1251ToUtf8(name) + ": " + error);
    return false;
  }
  *out = std::move(*bmp);
  return true;
}

bool TPictureLoader::Load(const std::string& name, Bitmap* out) const {
  if (!archive_ || name.empty()) return false;
  std::vector<std::uint8_t> bytes;
  if (archive_->ReadToBuffer(name, bytes) < 0) {
    Log(logTag_, "no picture " + Cp1251ToUtf8(name) + " in the archive");
    return false;
  }
  return Decode(name, bytes, out);
}

bool TPictureLoader::LoadFromTree(const std::string& path, Bitmap* out) const {
  if (!tree_ || path.empty()) return false;
  try {
    TComprStream stream(*tree_, path);
    return Decode(path, stream.Bytes(), out);
  } catch (const StoreError& e) {
    Log(logTag_, e.what());
    return false;
  }
}

}  // namespace trv
