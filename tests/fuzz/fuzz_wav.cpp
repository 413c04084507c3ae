// The WAV reader over arbitrary bytes, as a sound file from the archive gives
// it: what it accepts must be a playable PCM or float format whose samples lie
// inside the input and hold whole frames; what it refuses says why.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "platform/Wav.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace trv;
  const std::span<const std::uint8_t> bytes(data, size);
  std::string why;
  const std::optional<WavInfo> info = ParseWav(bytes, &why);
  Check(info.has_value() == ParseWav(bytes).has_value());  // the reason is optional, the verdict is not
  if (!info) {
    Check(!why.empty());
    return 0;
  }
  Check(info->channels >= 1 && info->channels <= 8);
  Check(info->sampleRate >= 1 && info->sampleRate <= 768000);
  if (info->isFloat)
    Check(info->bitsPerSample == 32);
  else
    Check(info->bitsPerSample == 8 || info->bitsPerSample == 16 || info->bitsPerSample == 24 ||
          info->bitsPerSample == 32);
  const std::uint8_t* first = info->samples.data();
  if (!info->samples.empty()) {
    Check(first >= data + 12 && first + info->samples.size() <= data + size);
    // Touch both ends, so that a span past the input shows under the sanitizer.
    volatile std::uint8_t ends = first[0] ^ first[info->samples.size() - 1];
    (void)ends;
  }
  const std::size_t frame = std::size_t(info->channels) * std::size_t(info->bitsPerSample / 8);
  Check(info->samples.size() % frame == 0);
  const std::uint64_t frames = info->samples.size() / frame;
  // The length is the frames' play time in whole milliseconds, rounded down.
  const std::uint64_t ms = info->DurationMs(), rate = std::uint64_t(info->sampleRate);
  Check(ms * rate <= frames * 1000 && frames * 1000 < (ms + 1) * rate);
  return 0;
}
