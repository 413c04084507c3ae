// The bitmap decoder over arbitrary bytes: it must never read outside the input,
// and whatever it accepts must be a sane picture that survives a round trip.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "platform/Bmp.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace trv;
  std::string error;
  const auto bitmap = DecodeBmp(std::span<const std::uint8_t>(data, size), &error);
  if (!bitmap) {
    Check(!error.empty());  // every refusal says why
    return 0;
  }
  const Bitmap& b = *bitmap;
  Check(!b.Empty());
  Check(b.Width() <= kMaxBmpDimension && b.Height() <= kMaxBmpDimension);
  Check(std::uint64_t(b.Width()) * std::uint64_t(b.Height()) <= kMaxBmpPixels);
  Check(b.Stride() == (b.Width() * 3 + 3) / 4 * 4);
  Check(b.ByteSize() == std::size_t(b.Stride()) * std::size_t(b.Height()));

  // Re-encoding and decoding gives the same picture, padding bytes included (they
  // take part in the comparison). Skipped for the rare huge pictures a short RLE
  // stream can declare, which would only slow the search down.
  if (std::uint64_t(b.Width()) * std::uint64_t(b.Height()) <= (1u << 20)) {
    const auto again = DecodeBmp(EncodeBmp(b));
    Check(again.has_value() && *again == b);
  }
  return 0;
}
