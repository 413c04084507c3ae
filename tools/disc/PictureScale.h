#pragma once

#include "platform/Bitmap.h"

namespace trv::disc {

// `src` resampled to width x height with a box filter: every target pixel is
// the area-weighted mean of the source pixels it covers, so shrinking keeps
// the picture's average colours and enlarging by a whole factor repeats each
// pixel. Throws DiscError for an empty source or a size out of range.
Bitmap ScaleBoxFilter(const Bitmap& src, int width, int height);

}  // namespace trv::disc
