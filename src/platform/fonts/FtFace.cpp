#include "platform/fonts/FtFace.h"

#include "platform/Log.h"
#include "platform/RegularFile.h"

namespace trv {

FtLibrary::FtLibrary() {
  if (FT_Init_FreeType(&library_) != 0) {
    library_ = nullptr;
    Log("fonts", "FreeType cannot start: no text will be drawn");
  }
}

FtLibrary::~FtLibrary() {
  if (library_) FT_Done_FreeType(library_);
}

std::shared_ptr<FtFace> FtFace::Open(std::shared_ptr<FtLibrary> library, const std::string& file, int index) {
  if (!library || !library->Get()) return nullptr;
  // FreeType opens the file by name and would wait on a named pipe for ever.
  if (std::string why; !IsReadableRegularFile(file, &why)) {
    Log("fonts", "cannot open the face " + file + ": " + why);
    return nullptr;
  }
  FT_Face face = nullptr;
  {
    std::lock_guard<std::mutex> lock(library->Mutex());
    if (FT_New_Face(library->Get(), file.c_str(), index, &face) != 0) {
      Log("fonts", "cannot open the face " + file);
      return nullptr;
    }
  }
  if (!FT_IS_SCALABLE(face)) {
    Log("fonts", "the face " + file + " has no outlines; it is not used");
    std::lock_guard<std::mutex> lock(library->Mutex());
    FT_Done_Face(face);
    return nullptr;
  }
  FT_Select_Charmap(face, FT_ENCODING_UNICODE);
  return std::shared_ptr<FtFace>(new FtFace(std::move(library), face));
}

FtFace::~FtFace() {
  std::lock_guard<std::mutex> lock(library_->Mutex());
  FT_Done_Face(face_);
}

}  // namespace trv
