#include "shell/parts/PopupLayout.h"

#include <algorithm>

#include "script/ScriptValues.h"

namespace trv {

namespace {

// Script coordinates far off any screen are held to a range that cannot overflow.
constexpr int kCoordLimit = 32767;
int Coord(std::int64_t v) { return int(std::clamp<std::int64_t>(v, -kCoordLimit, kCoordLimit)); }

}  // namespace

Point PlacePopup(Point requested, int left, int top, Point clientOrigin, Size size, Rect desktop) {
  Point p{Coord(requested.x), Coord(requested.y)};
  if (left != -1) p.x = Coord(std::int64_t(clientOrigin.x) + left);
  if (top != -1) p.y = Coord(std::int64_t(clientOrigin.y) + top);
  if (p.y + size.height > desktop.bottom) p.y = desktop.bottom - size.height;
  if (p.x + size.width > desktop.right) p.x = desktop.right - size.width;
  if (p.x < desktop.left) p.x = desktop.left;
  if (p.y < desktop.top) p.y = desktop.top;
  return p;
}

int PopupMargin(int itemTop) { return itemTop < 0 ? kPopupDefaultMargin : std::min(itemTop, kPopupMaxMargin); }

int LayoutPopupItems(std::vector<PopupItemBox>& items, int itemLeft, int margin, int windowWidth, int maxHeight) {
  // Everything from the first item that is hidden or not placed is placed anew.
  bool redo = false;
  for (PopupItemBox& item : items) {
    if (!item.shown || !item.placed) redo = true;
    if (redo) item.placed = false;
  }
  int total = 0;
  int bottom = margin;
  bool full = false;  // once an item does not fit, none after it is placed
  for (PopupItemBox& item : items) {
    if (!item.shown) continue;
    if (!item.placed) {
      if (full || (maxHeight > 0 && bottom + item.height + margin > maxHeight)) {
        full = true;
        continue;
      }
      item.left = itemLeft == -1 ? (windowWidth - item.width) / 2 : itemLeft;
      item.top = bottom;
      item.placed = true;
    }
    bottom = item.top + item.height;
    total += item.height;
  }
  return total;
}

void StretchPopupBackground(Bitmap& background, int newHeight, int margin) {
  const int oldHeight = background.Height();
  const int width = background.Width();
  newHeight = std::max(newHeight, 0);
  if (newHeight == oldHeight || width <= 0) {
    if (width <= 0) background.Resize(0, 0);
    return;
  }
  margin = std::clamp(margin, 0, std::min(oldHeight, newHeight));
  Bitmap out(width, newHeight);
  // The top rows stay, the last `margin` rows go to the new bottom, and the
  // rows between repeat the middle row when the picture grows.
  const int keepTop = std::min(oldHeight - margin, newHeight - margin);
  out.Blit(0, 0, background, {0, 0, width, keepTop});
  if (oldHeight > 0)
    for (int y = keepTop; y < newHeight - margin; ++y) out.Blit(0, y, background, {0, oldHeight / 2, width, oldHeight / 2 + 1});
  out.Blit(0, newHeight - margin, background, {0, oldHeight - margin, width, oldHeight});
  background = std::move(out);
}

CaptionPlace PlaceCaption(Size item, Size text) {
  CaptionPlace place;
  if (text.height < item.height) {
    place.rect.top = (item.height - text.height) / 2;
    place.rect.bottom = place.rect.top + text.height;
  } else {
    place.rect.top = 1;
    place.rect.bottom = item.height - 1;
  }
  place.rect.left = 7;
  place.fits = text.width + 14 < item.width;
  place.rect.right = place.fits ? 7 + text.width : item.width - 7;
  return place;
}

bool PopupSlides(std::uint64_t nowMs, std::uint64_t lastShownMs, int currentScreen) {
  return currentScreen == 0 && (lastShownMs == 0 || nowMs - lastShownMs > 250);
}

int SlideRows(std::uint64_t elapsedMs, int height) {
  if (elapsedMs >= kPopupSlideMs) return height;
  return int(std::int64_t(height) * std::int64_t(elapsedMs) / kPopupSlideMs);
}

std::optional<Polygon> PopupShape(const TDynamicStringArray& vertex, Size size, std::string* why) {
  Polygon polygon;
  for (const std::string& item : vertex) {
    if (item.empty()) continue;
    const std::size_t comma = item.find(',');
    if (comma == std::string::npos) {
      if (why) *why = "a point without a comma: \"" + item + "\"";
      return std::nullopt;
    }
    // The integers before and after the comma.
    polygon.push_back({ReadInt(item.substr(0, comma), 1), ReadInt(item.substr(comma + 1), 1)});
  }
  if (polygon.empty()) return std::nullopt;
  if (polygon.size() < 3) {
    if (why) *why = "fewer than three points";
    return std::nullopt;
  }
  for (int y = 0; y < size.height; ++y)
    for (int x = 0; x < size.width; ++x)
      if (PolygonContains(polygon, x, y)) return polygon;
  if (why) *why = "the outline leaves no pixel of the window inside";
  return std::nullopt;
}

}  // namespace trv
