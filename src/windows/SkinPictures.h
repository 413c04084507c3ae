#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Bitmap.h"

namespace trv {

class TReadBin;
class TPackedTree;

// Where the skinned windows take their pictures from: Windows bitmaps stored
// as entries of the content archive, or as files of the packed interface tree
// (the trees' backgrounds).
class TPictureLoader {
 public:
  // Either source may be null; `logTag` names the window in log lines.
  explicit TPictureLoader(const TReadBin* archive = nullptr, const TPackedTree* tree = nullptr,
                          std::string logTag = "picture");

  // The archive entry `name` (case ignored). False, with a log line, when the
  // name is empty, the entry is missing or is no bitmap; `out` is then left as
  // it was, so that a caller may keep an older picture.
  bool Load(const std::string& name, Bitmap* out) const;
  // The same from the packed tree (or the disc file of that Windows path).
  bool LoadFromTree(const std::string& path, Bitmap* out) const;

  const TReadBin* Archive() const { return archive_; }

 private:
  bool Decode(const std::string& name, const std::vector<std::uint8_t>& bytes, Bitmap* out) const;

  const TReadBin* archive_;
  const TPackedTree* tree_;
  std::string logTag_;
};

}  // namespace trv
