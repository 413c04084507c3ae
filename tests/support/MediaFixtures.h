#pragma once

// Media files made by the tests with the disc builder's own writers: WAV,
// MP3, and AVI clips of motion JPEG or MPEG-4 like the demo disc's. The
// binary that includes this links trivion_disc_build.
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "disc/build/ClipEncoder.h"
#include "disc/build/Mp3Encoder.h"
#include "disc/build/SoundSynth.h"
#include "platform/Bitmap.h"

namespace trv::test {

// A quiet sine, interleaved.
inline std::vector<float> Tone(double seconds, int rate, int channels, double hz = 440) {
  const std::size_t frames = std::size_t(seconds * rate);
  std::vector<float> s(frames * std::size_t(channels));
  for (std::size_t i = 0; i < frames; ++i)
    for (int c = 0; c < channels; ++c) s[i * std::size_t(channels) + std::size_t(c)] = 0.25f * float(std::sin(2 * M_PI * hz * double(i) / rate));
  return s;
}

inline std::vector<std::uint8_t> WavBytes(double seconds, int rate = 22050, int channels = 1) {
  return disc::EncodeWav16(Tone(seconds, rate, channels), rate, channels);
}

inline void WriteBytes(const std::filesystem::path& p, const std::vector<std::uint8_t>& bytes) {
  std::filesystem::create_directories(p.parent_path());
  std::FILE* f = std::fopen(p.c_str(), "wb");
  if (!f) return;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

inline bool WriteWav(const std::filesystem::path& p, double seconds, int rate = 22050, int channels = 1) {
  WriteBytes(p, WavBytes(seconds, rate, channels));
  return std::filesystem::exists(p);
}

inline bool WriteMp3(const std::filesystem::path& p, double seconds, int rate = 44100, std::string* error = nullptr) {
  std::string why;
  return disc::EncodeMp3File(Tone(seconds, rate, 2), disc::Mp3Settings{rate, 2, 128000}, p, error ? error : &why);
}

// The colour of frame `i` of a test clip: every frame differs from the one before.
inline Color ClipColour(int i) {
  return MakeColor(std::uint8_t(40 + (i * 37) % 200), std::uint8_t(200 - (i * 53) % 180), std::uint8_t((i * 91) % 255));
}

// A clip of `frames` frames: frame i is ClipColour(i) with a white bar that
// moves across it.
inline bool WriteClip(const std::filesystem::path& p, int width, int height, int fps, int frames,
                      disc::ClipCodec codec = disc::ClipCodec::MotionJpeg, int quality = 4,
                      std::string* error = nullptr) {
  std::string why;
  std::string& e = error ? *error : why;
  disc::ClipFormat format;
  format.width = width;
  format.height = height;
  format.framesPerSecond = fps;
  format.quality = quality;
  format.codec = codec;
  auto enc = disc::ClipEncoder::Create(p, format, &e);
  if (!enc) return false;
  for (int i = 0; i < frames; ++i) {
    Bitmap b(width, height, ClipColour(i));
    const int bar = std::max(2, width / 8);
    b.Fill(Rect::FromSize((i * 3) % std::max(1, width - bar), 0, bar, height), MakeColor(255, 255, 255));
    if (!enc->AddFrame(b, &e)) return false;
  }
  return enc->Finish(&e);
}

}  // namespace trv::test
