#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "platform/Bitmap.h"

namespace trv::disc {

enum class ClipCodec {
  MotionJpeg,  // every frame whole: larger, any frame decodes alone
  Mpeg4,       // part 2, a key frame every 12: much smaller for still scenes
};

struct ClipFormat {
  int width = 0;
  int height = 0;
  int framesPerSecond = 25;
  // JPEG quantiser scale, 2 (best, largest) to 31 (smallest).
  int quality = 4;
  ClipCodec codec = ClipCodec::MotionJpeg;  // the other one when the libraries lack it
};

// Writes an AVI file of motion-JPEG frames (every frame a key frame, so the
// player can start at any frame and step without decoding the ones before)
// or of MPEG-4 part 2, whichever is asked for and the libraries have. The file is
// written beside its place and renamed there by Finish(); an encoder dropped
// before that removes what it wrote. Output is bit-exact for equal frames.
class ClipEncoder {
 public:
  ~ClipEncoder();
  ClipEncoder(const ClipEncoder&) = delete;
  ClipEncoder& operator=(const ClipEncoder&) = delete;

  // nullptr with *error set when the format is unusable or the file cannot be made.
  static std::unique_ptr<ClipEncoder> Create(const std::filesystem::path& path, const ClipFormat& format,
                                             std::string* error);

  // The frame must have the clip's size.
  bool AddFrame(const Bitmap& frame, std::string* error);
  // Flushes, writes the index and moves the file into place.
  bool Finish(std::string* error);

  int FramesWritten() const { return frames_; }
  // "mjpeg" or "mpeg4".
  const char* CodecName() const;

 private:
  struct State;
  ClipEncoder();
  bool Drain(std::string* error);

  std::unique_ptr<State> state_;
  int frames_ = 0;
};

}  // namespace trv::disc
