#pragma once

#include <memory>

#include "platform/Graphics.h"

namespace trv {

// FreeType rasterising with fontconfig matching, shared by both backends.
std::unique_ptr<FontEngine> CreateFontEngine();

}  // namespace trv
