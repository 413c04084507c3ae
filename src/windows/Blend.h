#pragma once

#include <cstddef>
#include <cstdint>

#include "windows/FastBMP.h"

namespace trv {

// out = from + floor(level * (to - from) / 256) for every colour byte, the
// division rounding toward minus infinity. Level 0 gives `from`; level 255
// gives `to` where it is not above `from` and one less where it is. Buffers of
// unequal size are blended over their common area only; then it returns false
// (the callers report it once per fade rather than once per frame).
bool Blend(TFastBMP& out, const TFastBMP& from, const TFastBMP& to, int level);

// One run of bytes, by each implementation; all give identical results.
using BlendRowFn = void (*)(std::uint8_t* out, const std::uint8_t* from, const std::uint8_t* to, std::size_t n,
                            int level);
void BlendRowScalar(std::uint8_t* out, const std::uint8_t* from, const std::uint8_t* to, std::size_t n, int level);
// nullptr when the processor lacks the instructions.
BlendRowFn BlendRowSse2();
BlendRowFn BlendRowAvx2();
// The fastest one this processor has.
BlendRowFn BestBlendRow();

}  // namespace trv
