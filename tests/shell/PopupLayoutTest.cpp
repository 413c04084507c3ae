#include <gtest/gtest.h>

#include "shell/parts/PopupLayout.h"

namespace trv {
namespace {

std::vector<PopupItemBox> Items(std::initializer_list<Size> sizes) {
  std::vector<PopupItemBox> items;
  for (Size s : sizes) items.push_back({true, false, 0, 0, s.width, s.height});
  return items;
}

TEST(PopupLayoutTest, CentredItemsAndDefaultMarginGiveTheWindowItsHeight) {
  auto items = Items({{120, 20}, {120, 30}, {120, 25}});
  const int margin = PopupMargin(-1);
  EXPECT_EQ(margin, 5);
  const int total = LayoutPopupItems(items, -1, margin, 200, 0);
  EXPECT_EQ(total + 2 * margin, 75 + 10);
  for (const auto& i : items) EXPECT_EQ(i.left, 40);
  EXPECT_EQ(items[0].top, 5);
  EXPECT_EQ(items[1].top, 25);
  EXPECT_EQ(items[2].top, 55);
}

TEST(PopupLayoutTest, HiddenItemsLeaveNoGapAndLaterItemsArePlacedAnew) {
  auto items = Items({{50, 10}, {50, 10}, {50, 10}});
  LayoutPopupItems(items, 3, 6, 100, 0);
  EXPECT_EQ(items[2].top, 26);
  items[1].shown = false;
  EXPECT_EQ(LayoutPopupItems(items, 3, 6, 100, 0), 20);
  EXPECT_FALSE(items[1].placed);
  EXPECT_EQ(items[2].left, 3);
  EXPECT_EQ(items[2].top, 16);
}

TEST(PopupLayoutTest, ItemsBeyondTheDesktopStayUnplaced) {
  auto items = Items({{50, 300}, {50, 300}, {50, 300}, {50, 10}});
  EXPECT_EQ(LayoutPopupItems(items, 0, 5, 60, 700), 600);
  EXPECT_TRUE(items[1].placed);
  EXPECT_FALSE(items[2].placed);
  // A small item after one that did not fit is not squeezed in out of order.
  EXPECT_FALSE(items[3].placed);
}

Bitmap Striped(int w, int h) {
  Bitmap b(w, h);
  for (int y = 0; y < h; ++y) b.Fill({0, y, w, y + 1}, MakeColor(std::uint8_t(y), 0, 0));
  return b;
}

TEST(PopupLayoutTest, GrowingBackgroundRepeatsItsMiddleRowAndKeepsItsBottom) {
  Bitmap b = Striped(4, 100);
  StretchPopupBackground(b, 160, 5);
  ASSERT_EQ(b.Height(), 160);
  EXPECT_EQ(RedOf(b.Pixel(2, 94)), 94);
  for (int y = 95; y <= 154; ++y) EXPECT_EQ(RedOf(b.Pixel(2, y)), 50) << y;
  for (int y = 155; y <= 159; ++y) EXPECT_EQ(RedOf(b.Pixel(2, y)), y - 60) << y;
}

TEST(PopupLayoutTest, ShrinkingBackgroundMovesItsBottomUpAndCuts) {
  Bitmap b = Striped(4, 100);
  StretchPopupBackground(b, 60, 5);
  ASSERT_EQ(b.Height(), 60);
  EXPECT_EQ(RedOf(b.Pixel(1, 54)), 54);
  EXPECT_EQ(RedOf(b.Pixel(1, 55)), 95);
  EXPECT_EQ(RedOf(b.Pixel(1, 59)), 99);
  // A margin taller than the picture keeps what there is, never reads outside it.
  Bitmap small = Striped(3, 4);
  StretchPopupBackground(small, 30, 10);
  EXPECT_EQ(small.Height(), 30);
}

TEST(PopupLayoutTest, CaptionIsCentredAndClippedSevenPixelsIn) {
  CaptionPlace fits = PlaceCaption({200, 26}, {80, 14});
  EXPECT_TRUE(fits.fits);
  EXPECT_EQ(fits.rect, (Rect{7, 6, 87, 20}));
  // 186 + 14 is not less than 200: clipped at 7 from the right edge, a hint then.
  CaptionPlace wide = PlaceCaption({200, 26}, {186, 14});
  EXPECT_FALSE(wide.fits);
  EXPECT_EQ(wide.rect.right, 193);
  CaptionPlace tall = PlaceCaption({200, 12}, {50, 14});
  EXPECT_EQ(tall.rect.top, 1);
  EXPECT_EQ(tall.rect.bottom, 11);
}

TEST(PopupLayoutTest, PopupsStayOnTheDesktop) {
  const Rect desktop{0, 0, 1280, 1024};
  EXPECT_EQ(PlacePopup({1250, 1000}, -1, -1, {}, {212, 116}, desktop), (Point{1068, 908}));
  EXPECT_EQ(PlacePopup({-30, -5}, -1, -1, {}, {212, 116}, desktop), (Point{0, 0}));
  // Larger than the desktop: the top-left corner stays on it.
  EXPECT_EQ(PlacePopup({10, 10}, -1, -1, {}, {1400, 2000}, desktop), (Point{0, 0}));
  // A fixed place is relative to the main window's client area, per coordinate.
  EXPECT_EQ(PlacePopup({500, 500}, 40, 406, {240, 212}, {212, 116}, desktop), (Point{280, 618}));
  EXPECT_EQ(PlacePopup({500, 500}, 40, -1, {240, 212}, {212, 116}, desktop), (Point{280, 500}));
  // Places no screen has, from a damaged script, end on the desktop too.
  EXPECT_EQ(PlacePopup({0, 0}, 2147483647, -2147483647, {240, 212}, {212, 116}, desktop), (Point{1068, 0}));
  EXPECT_EQ(PopupMargin(2000000000), kPopupMaxMargin);
}

TEST(PopupLayoutTest, OnlyTheFirstScreenSlidesAndNotTwiceWithin250Ms) {
  EXPECT_TRUE(PopupSlides(5000, 0, 0));
  EXPECT_FALSE(PopupSlides(5000, 0, 1));
  EXPECT_FALSE(PopupSlides(5250, 5000, 0));
  EXPECT_TRUE(PopupSlides(5251, 5000, 0));
  EXPECT_EQ(SlideRows(0, 116), 0);
  EXPECT_EQ(SlideRows(50, 116), 58);
  EXPECT_EQ(SlideRows(400, 116), 116);
}

TEST(PopupLayoutTest, ShapesThatWouldHideTheWindowAreRefused) {
  std::string why;
  EXPECT_FALSE(PopupShape({}, {100, 100}, &why));
  EXPECT_TRUE(why.empty());
  EXPECT_FALSE(PopupShape({"0,0", "50,50"}, {100, 100}, &why));
  EXPECT_FALSE(why.empty());
  why.clear();
  EXPECT_FALSE(PopupShape({"500,500", "600,500", "600,600"}, {100, 100}, &why));
  EXPECT_FALSE(why.empty());
  EXPECT_FALSE(PopupShape({"10;10", "1,1", "2,2"}, {100, 100}, &why));
  // A self-crossing outline (a bow tie) is filled by the winding rule.
  auto bowTie = PopupShape({"0,0", "100,100", "100,0", "0,100"}, {100, 100}, &why);
  ASSERT_TRUE(bowTie);
  EXPECT_EQ(bowTie->size(), 4u);
  EXPECT_TRUE(PolygonContains(*bowTie, 80, 50));
  EXPECT_FALSE(PolygonContains(*bowTie, 50, 20));
}

}  // namespace
}  // namespace trv
