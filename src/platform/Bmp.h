#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/Bitmap.h"

namespace trv {

// Largest picture the decoder accepts, so that a damaged header cannot make it
// allocate without bound.
constexpr int kMaxBmpDimension = 16384;
constexpr std::uint64_t kMaxBmpPixels = 64ull * 1024 * 1024;

// Decodes a Windows bitmap file (BITMAPFILEHEADER followed by a core, info, V4
// or V5 header): 1, 4, 8, 16, 24 and 32 bits per pixel, uncompressed, RLE4,
// RLE8 and bit fields, bottom-up and top-down. A malformed file gives nullopt
// and a reason in *error; nothing is read outside `bytes`.
std::optional<Bitmap> DecodeBmp(std::span<const std::uint8_t> bytes, std::string* error = nullptr);

// Writes a 24-bit bottom-up bitmap file.
std::vector<std::uint8_t> EncodeBmp(const Bitmap& bitmap);

}  // namespace trv
