#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "platform/Bitmap.h"

namespace trv {

// A picture as a PNG file (8-bit RGB, no interlace), for scenario shots.
std::vector<std::uint8_t> EncodePng(const Bitmap& bitmap);
bool WritePng(const std::filesystem::path& path, const Bitmap& bitmap);

}  // namespace trv
