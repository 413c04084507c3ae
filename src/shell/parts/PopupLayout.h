#pragma once

// The arithmetic of the popup lists, apart from any window: where a popup
// goes on the desktop, where its items stand, how its background follows its
// height, where an item's caption is drawn and when a popup slides open.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Bitmap.h"
#include "platform/Geometry.h"
#include "platform/Region.h"
#include "script/MyTypes.h"

namespace trv {

// The margin a popup's item origin -1 stands for.
constexpr int kPopupDefaultMargin = 5;

// The top-left corner of a popup of `size` asked for at screen point
// `requested`: a fixed place (left, top not -1, client coordinates of the
// main window whose client origin is `clientOrigin`) wins over the request;
// then the popup is kept on the desktop, bottom and right edges first, so that
// a popup larger than the desktop keeps its top-left corner on it.
Point PlacePopup(Point requested, int left, int top, Point clientOrigin, Size size, Rect desktop);

// One item as the layout sees it.
struct PopupItemBox {
  bool shown = false;
  bool placed = false;
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

// The margin a popup uses: `itemTop`, or 5 for -1 (and for any other
// negative value, which would put the items above the window); never more
// than kPopupMaxMargin, so that a script cannot make a popup of unbounded size.
constexpr int kPopupMaxMargin = 500;
int PopupMargin(int itemTop);

// Places the shown items in a column: the first hidden or unplaced item and
// every one after it are placed anew, at `itemLeft` (centred in `windowWidth`
// when -1), one under the other from the margin down. Items that would reach
// below `maxHeight` (the desktop's height; 0: no limit) stay unplaced.
// Returns the height the items take together.
int LayoutPopupItems(std::vector<PopupItemBox>& items, int itemLeft, int margin, int windowWidth, int maxHeight);

// Makes `background` `newHeight` rows high: its last `margin` rows move to the
// new bottom; rows in between a growing picture gains repeat its middle row
// (the one at the old height div 2). A margin larger than the picture keeps
// what there is.
void StretchPopupBackground(Bitmap& background, int newHeight, int margin);

// Where an item's caption is drawn. The text starts 7 pixels in, is centred
// vertically when it is lower than the item and clipped to the rectangle;
// `fits` is false when it needed more than the item's width less 14 pixels
// (the caption then becomes the item's hint).
struct CaptionPlace {
  Rect rect;
  bool fits = true;
};
CaptionPlace PlaceCaption(Size item, Size text);

// Whether a popup slides open: only on the first screen, and only when more
// than 250 ms passed since it was last shown (`lastShownMs` 0: never).
bool PopupSlides(std::uint64_t nowMs, std::uint64_t lastShownMs, int currentScreen);
constexpr std::uint32_t kPopupSlideMs = 100;
// How many rows of a popup `height` high a slide shows `elapsedMs` after it began.
int SlideRows(std::uint64_t elapsedMs, int height);

// The popup's shape from its "x,y" items. Lists of fewer than three points,
// and outlines that leave no pixel of the `size` window inside, give no shape
// (a window with such a shape would be invisible); `why` then says why, for
// the log, unless the list was empty.
std::optional<Polygon> PopupShape(const TDynamicStringArray& vertex, Size size, std::string* why);

}  // namespace trv
