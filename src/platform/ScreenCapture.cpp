#include "platform/ScreenCapture.h"

#include <algorithm>

namespace trv {

Bitmap ComposeScreen(const Rect& screenRect, const std::vector<Window*>& bottomToTop, Color desktop) {
  Bitmap out(std::max(0, screenRect.Width()), std::max(0, screenRect.Height()), desktop);
  for (Window* w : bottomToTop) {
    if (!w || !w->Visible()) continue;
    const Rect bounds = w->Bounds();
    const Rect common = bounds.Intersect(screenRect);
    if (common.Empty()) continue;
    const Bitmap& fb = w->Framebuffer();
    const Polygon* shape = w->Region();
    if (!shape) {
      out.Blit(common.left - screenRect.left, common.top - screenRect.top, fb,
               common.Offset(-bounds.left, -bounds.top));
      continue;
    }
    const std::vector<std::uint8_t> mask = RasterizePolygon(*shape, fb.Width(), fb.Height());
    for (int y = common.top; y < common.bottom; ++y) {
      const int wy = y - bounds.top;
      if (wy < 0 || wy >= fb.Height()) continue;
      const std::uint8_t* src = fb.Row(wy);
      std::uint8_t* dst = out.Row(y - screenRect.top);
      for (int x = common.left; x < common.right; ++x) {
        const int wx = x - bounds.left;
        if (wx < 0 || wx >= fb.Width() || !mask[std::size_t(wy) * std::size_t(fb.Width()) + std::size_t(wx)]) continue;
        std::copy_n(src + wx * 3, 3, dst + (x - screenRect.left) * 3);
      }
    }
  }
  return out;
}

}  // namespace trv
