// The media header reader over arbitrary bytes, as a file opened for play
// gives it: it must never read outside the input, allocate without bound or
// hang, and whatever it accepts must describe something a device can play.
#include <climits>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "platform/media/MediaProbe.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace trv;
  MediaInfo info;
  std::string why;
  const int rc = ProbeMediaBytes(std::span<const std::uint8_t>(data, size), &info, &why);
  if (rc != mci::kOk) {
    Check(!why.empty());  // every refusal says why
    Check(rc == mci::kInvalidFile || rc == mci::kUnsupportedFormat || rc == mci::kFileRead);
    return 0;
  }
  Check(info.hasAudio || info.hasVideo);
  Check(info.lengthMs >= 0 && info.lengthMs <= INT32_MAX);
  if (info.hasVideo) {
    Check(info.rateNum > 0 && info.rateDen > 0);
    Check(info.natural.width > 0 && info.natural.width <= kMaxVideoSide);
    Check(info.natural.height > 0 && info.natural.height <= kMaxVideoSide);
  }
  return 0;
}
