#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <memory>
#include <mutex>
#include <string>

namespace trv {

// The FreeType library handle, shared by every face made from it.
class FtLibrary {
 public:
  FtLibrary();
  ~FtLibrary();
  FtLibrary(const FtLibrary&) = delete;
  FtLibrary& operator=(const FtLibrary&) = delete;
  FT_Library Get() const { return library_; }
  std::mutex& Mutex() { return mutex_; }  // FT_New_Face and FT_Done_Face

 private:
  FT_Library library_ = nullptr;
  std::mutex mutex_;
};

// One opened face file, shared by the fonts of every size made from it. Each
// font has its own FT_Size; the mutex serialises the face's glyph slot.
class FtFace {
 public:
  static std::shared_ptr<FtFace> Open(std::shared_ptr<FtLibrary> library, const std::string& file, int index);
  ~FtFace();
  FtFace(const FtFace&) = delete;
  FtFace& operator=(const FtFace&) = delete;

  FT_Face Get() const { return face_; }
  std::mutex& Mutex() { return mutex_; }

 private:
  FtFace(std::shared_ptr<FtLibrary> library, FT_Face face) : library_(std::move(library)), face_(face) {}
  std::shared_ptr<FtLibrary> library_;
  FT_Face face_;
  std::mutex mutex_;
};

}  // namespace trv
