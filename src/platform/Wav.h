#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace trv {

// The PCM part of a RIFF WAVE file: what both sound players need to play it or
// to know how long it lasts.
struct WavInfo {
  int channels = 0;        // 1..8
  int sampleRate = 0;      // frames per second
  int bitsPerSample = 0;   // 8, 16, 24 or 32 (PCM) or 32 (IEEE float)
  bool isFloat = false;
  std::span<const std::uint8_t> samples;  // interleaved frames, inside the parsed bytes
  std::uint64_t DurationMs() const;
};

// Parses a WAV file held in `bytes` (PCM or IEEE float, WAVE_FORMAT_EXTENSIBLE
// included). Chunks that point past the end are cut to what is there; a file
// without "fmt " or "data" gives nullopt and a reason in *error.
std::optional<WavInfo> ParseWav(std::span<const std::uint8_t> bytes, std::string* error = nullptr);

}  // namespace trv
