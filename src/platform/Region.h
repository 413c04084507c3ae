#pragma once

#include <cstdint>
#include <vector>

#include "platform/Geometry.h"

namespace trv {

// A window shape: a polygon filled by the non-zero winding rule, as a polygon
// region of the scripts' "vertexmain" lists is.
using Polygon = std::vector<Point>;

// True when the pixel whose centre is (x + 0.5, y + 0.5) lies inside the polygon
// by the winding rule. An empty polygon contains nothing.
bool PolygonContains(const Polygon& polygon, int x, int y);

// A width x height mask, one byte per pixel (1 inside, 0 outside), rows top-down.
std::vector<std::uint8_t> RasterizePolygon(const Polygon& polygon, int width, int height);

}  // namespace trv
