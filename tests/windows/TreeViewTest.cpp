// The tree and list view: its geometry (scroll bar, rows, columns), scrolling
// by mouse, wheel and keys, the caption search, hints of cut captions and
// what it paints.
#include <gtest/gtest.h>

#include "platform/Keys.h"
#include "platform/Text.h"
#include "platform/headless/HeadlessPlatform.h"
#include "support/TestSupport.h"
#include "windows/TreeView.h"

namespace trv::test {
namespace {

constexpr Color kBack = MakeColor(1, 2, 3);
constexpr Color kText = MakeColor(250, 250, 250);
constexpr Color kSelect = MakeColor(40, 72, 150);

class TreeViewTest : public ::testing::Test {
 protected:
  TreeViewTest() {
    PlatformConfig config;
    config.settingsDir = home.Path();
    platform = std::make_unique<HeadlessPlatform>(config);
  }
  // A list view of `rows` players at (10, 20), 286 x 200.
  TTreeView List(int rows, const std::string& font = "Courier New") {
    TTreeView v(Rect{10, 20, 296, 220});
    v.SetListForm(true);
    v.SetFont(platform->Fonts().CreateFont(FontSpec{font, 11, kFontBold, 0}));
    TreeViewLook look;
    look.text = kText;
    look.selectBack = kSelect;
    look.back = kBack;
    look.track = MakeColor(12, 24, 56);
    look.thumb = MakeColor(201, 160, 64);
    v.SetLook(look);
    for (int i = 0; i < rows; ++i) v.AddItem(Utf8ToCp1251("Игрок ") + std::to_string(i + 1), std::to_string(1000 - i));
    v.SetVisible(true);
    return v;
  }

  TempDir home;
  std::unique_ptr<HeadlessPlatform> platform;
};

TEST_F(TreeViewTest, ScrollBarShowsOnlyWhenRowsDoNotFitAndFollowsTheTopRow) {
  TTreeView fits = List(3);
  EXPECT_TRUE(fits.ScrollBar().bar.Empty());
  EXPECT_EQ(fits.RowsArea(), fits.Bounds());

  TTreeView v = List(40);
  const int visible = v.VisibleRows();
  ASSERT_LT(visible, 40);
  const TreeScrollBar s = v.ScrollBar();
  EXPECT_EQ(s.bar, (Rect{296 - TTreeView::kScrollBarWidth, 20, 296, 220}));
  EXPECT_EQ(s.up, (Rect{s.bar.left, 20, 296, 20 + TTreeView::kScrollBarWidth}));
  EXPECT_EQ(s.down, (Rect{s.bar.left, 220 - TTreeView::kScrollBarWidth, 296, 220}));
  EXPECT_EQ(s.thumb.top, s.track.top);
  EXPECT_EQ(s.thumb.Height(), s.track.Height() * visible / 40);
  v.ScrollTo(1000);  // beyond the end: the last rows fill the view
  EXPECT_EQ(v.TopRow(), 40 - visible);
  EXPECT_EQ(v.ScrollBar().thumb.bottom, v.ScrollBar().track.bottom);
  v.ScrollTo(-5);
  EXPECT_EQ(v.TopRow(), 0);
}

TEST_F(TreeViewTest, RowsAndColumnsAreWhereTheyDraw) {
  TTreeView v = List(40);
  const int h = v.RowHeight();
  EXPECT_EQ(v.ItemAt({20, 20}), 0);
  EXPECT_EQ(v.ItemAt({20, 20 + 2 * h + 1}), 2);
  EXPECT_EQ(v.ItemAt({290, 25}), -1) << "the scroll bar is no row";
  EXPECT_EQ(v.ItemAt({9, 25}), -1);
  v.ScrollTo(5);
  EXPECT_EQ(v.ItemAt({20, 21}), 5);
  // The second column is 90 wide at the right of the rows; the first takes
  // the rest, never less than 176.
  const Rect first = v.CellRect(5, 0), second = v.CellRect(5, 1);
  EXPECT_EQ(first.left, 10);
  EXPECT_EQ(first.right, second.left);
  EXPECT_EQ(second.Width(), TTreeView::kSecondColumn);
  EXPECT_EQ(second.right, v.RowsArea().right);
  TTreeView narrow(Rect{0, 0, 200, 100});
  narrow.SetListForm(true);
  narrow.AddItem("a", "1");
  EXPECT_EQ(narrow.FirstColumnWidth(), TTreeView::kFirstColumnMin);
  EXPECT_TRUE(narrow.CellRect(0, 1).right > narrow.Bounds().right) << "the second column runs out of view";
  // A plain tree has one column, children indented under their parent.
  TTreeView tree(Rect{0, 0, 200, 100});
  const int a = tree.AddItem("a");
  tree.AddItem("b");
  const int child = tree.AddItem("a1", {}, a);
  EXPECT_EQ(tree.ItemOfRow(1), child);
  EXPECT_EQ(tree.CellRect(child, 0).left, TTreeView::kIndent);
  EXPECT_TRUE(tree.CellRect(child, 1).Empty());
}

TEST_F(TreeViewTest, NarrowAndEmptyRectanglesStayUsable) {
  TTreeView v(Rect{50, 50, 40, 40});
  EXPECT_EQ(v.Bounds().Width(), TTreeView::kMinWidth);
  EXPECT_EQ(v.Bounds().Height(), 0);
  v.AddItem("a");
  v.SetVisible(true);
  EXPECT_EQ(v.VisibleRows(), 1);
  EXPECT_EQ(v.ItemAt({55, 50}), -1);
  Bitmap canvas(100, 100, kBack);
  v.Paint(canvas);  // nothing to draw into, nothing drawn
  EXPECT_EQ(canvas, Bitmap(100, 100, kBack));
}

TEST_F(TreeViewTest, MouseScrollsByArrowsTrackThumbAndWheel) {
  TTreeView v = List(40);
  const TreeScrollBar s = v.ScrollBar();
  Point down{s.down.left + 2, s.down.top + 2};
  v.MouseDown(down);
  v.MouseUp(down);
  EXPECT_EQ(v.TopRow(), 1);
  v.MouseDown({s.up.left + 2, s.up.top + 2});
  v.MouseUp({s.up.left + 2, s.up.top + 2});
  EXPECT_EQ(v.TopRow(), 0);
  // A click on the track below the thumb pages down.
  v.MouseDown({s.track.left + 2, s.track.bottom - 2});
  v.MouseUp({s.track.left + 2, s.track.bottom - 2});
  EXPECT_EQ(v.TopRow(), v.VisibleRows());
  v.ScrollTo(0);
  // The thumb dragged to the bottom of the track shows the last rows, even
  // when the pointer leaves the view on the way.
  const TreeScrollBar t = v.ScrollBar();
  v.MouseDown({t.thumb.left + 2, t.thumb.top + 2});
  EXPECT_TRUE(v.Dragging());
  EXPECT_TRUE(v.MouseMove({400, t.thumb.top + 2 + t.track.Height()}));
  EXPECT_EQ(v.TopRow(), 40 - v.VisibleRows());
  v.MouseUp({400, 500});
  EXPECT_FALSE(v.Dragging());
  // The wheel turns three rows a notch, only over the view.
  v.ScrollTo(10);
  EXPECT_TRUE(v.MouseWheel(-120, {20, 30}));
  EXPECT_EQ(v.TopRow(), 13);
  EXPECT_FALSE(v.MouseWheel(120, {0, 0}));
  EXPECT_EQ(v.TopRow(), 13);
  // The arrow under the mouse is lit.
  v.MouseMove({s.up.left + 2, s.up.top + 2});
  EXPECT_TRUE(v.HotArrow(1));
  v.MouseMove({20, 30});
  EXPECT_FALSE(v.HotArrow(1));
}

TEST_F(TreeViewTest, ClicksFocusRowsAndTellTheirEvents) {
  TTreeView v = List(5);
  std::vector<std::string> events;
  v.onSelect = [&](int i) { events.push_back("select " + std::to_string(i)); };
  v.onPress = [&] { events.push_back("press"); };
  v.onClick = [&] { events.push_back("click"); };
  v.onMouseMove = [&](Point) { events.push_back("move"); };
  const Point row2{30, 20 + 2 * v.RowHeight() + 1};
  v.MouseMove(row2);
  v.MouseDown(row2);
  v.MouseUp(row2);
  EXPECT_EQ(v.Focused(), 2);
  EXPECT_EQ(events, (std::vector<std::string>{"move", "press", "select 2", "click"}));
  // A hidden view takes nothing.
  v.SetVisible(false);
  EXPECT_FALSE(v.MouseDown(row2));
}

TEST_F(TreeViewTest, KeysMoveTheFocusOrScrollWhenNothingIsFocused) {
  TTreeView v = List(40);
  const int page = v.VisibleRows();
  EXPECT_TRUE(v.KeyDown(vk::Down));
  EXPECT_EQ(v.Focused(), -1);
  EXPECT_EQ(v.TopRow(), 1) << "without a focused item the rows scroll";
  v.KeyDown(vk::End);
  EXPECT_EQ(v.TopRow(), 40 - page);
  v.SetFocused(0);
  EXPECT_EQ(v.TopRow(), 0) << "focusing scrolls the item into view";
  v.KeyDown(vk::Next);
  EXPECT_EQ(v.Focused(), page);
  EXPECT_EQ(v.TopRow(), 1);
  v.KeyDown(vk::End);
  EXPECT_EQ(v.Focused(), 39);
  v.KeyDown(vk::Up);
  EXPECT_EQ(v.Focused(), 38);
  v.KeyDown(vk::Home);
  EXPECT_EQ(v.Focused(), 0);
  EXPECT_FALSE(v.KeyDown(vk::Return));
}

TEST_F(TreeViewTest, CaptionSearchStartsAfterTheFocusedItemAndWraps) {
  TTreeView v(Rect{0, 0, 200, 100});
  for (const char* name : {"Анна", "Борис", "Вера", "Боря"}) v.AddItem(Utf8ToCp1251(name));
  EXPECT_EQ(v.FindCaption(Utf8ToCp1251("бор"), false), 1);
  EXPECT_EQ(v.FindCaption(Utf8ToCp1251("БОРИС"), true), 1);
  EXPECT_EQ(v.FindCaption(Utf8ToCp1251("бор"), true), -1);
  v.SetFocused(1);
  EXPECT_EQ(v.FindCaption(Utf8ToCp1251("бор"), false), 3) << "after the focused item first";
  v.SetFocused(3);
  EXPECT_EQ(v.FindCaption(Utf8ToCp1251("а"), false), 0) << "then from the start";
  EXPECT_EQ(v.FindCaption(Utf8ToCp1251("боря"), false), 3) << "the focused item comes last";
  EXPECT_EQ(v.FindCaption(Utf8ToCp1251("глеб"), false), -1);
}

TEST_F(TreeViewTest, ALongNameIsCutAtItsColumnAndHintedInFull) {
  TTreeView v = List(0);
  const std::string name(255, '\xC6');  // "Ж" 255 times
  v.AddItem(name, "120");
  v.AddItem("Bob", "45");
  const Rect first = v.CellRect(0, 0);
  auto hint = v.HintAt({first.left + 5, first.top + 2});
  ASSERT_TRUE(hint);
  EXPECT_EQ(hint->first, name);
  EXPECT_EQ(hint->second, (Point{first.left, first.bottom}));
  EXPECT_FALSE(v.HintAt({first.left + 5, v.CellRect(1, 0).top + 2})) << "a caption that fits has no hint";
  // The long name stops at its column: the score column shows only the
  // score, right-aligned, its left part untouched.
  Bitmap canvas(320, 240, kBack);
  v.Paint(canvas);
  const Rect second = v.CellRect(0, 1);
  int leftmostText = second.right, rightmostText = second.left;
  for (int y = second.top; y < second.bottom; ++y)
    for (int x = second.left; x < second.right; ++x)
      if (canvas.Pixel(x, y) == kText) {
        leftmostText = std::min(leftmostText, x);
        rightmostText = std::max(rightmostText, x);
      }
  EXPECT_GT(leftmostText, second.left + second.Width() / 2) << "the name ran into the score column";
  EXPECT_GE(rightmostText, second.right - TTreeView::kTextMargin - 12);
}

TEST_F(TreeViewTest, TheFocusedRowHasTheSelectionColoursAndARedFrame) {
  TTreeView v = List(3);
  v.SetFocused(1);
  Bitmap canvas(320, 240, kBack);
  v.Paint(canvas);
  const Rect row{v.RowsArea().left, 20 + v.RowHeight(), v.RowsArea().right, 20 + 2 * v.RowHeight()};
  EXPECT_EQ(canvas.Pixel(row.left, row.top), TTreeView::kActiveFrame);
  EXPECT_EQ(canvas.Pixel(row.right - 1, row.bottom - 1), TTreeView::kActiveFrame);
  EXPECT_EQ(canvas.Pixel(row.left + 1, row.top + 1), kSelect);
  EXPECT_EQ(canvas.Pixel(row.left + 1, row.top - 2), kBack);
  EXPECT_EQ(canvas.Pixel(5, 5), kBack) << "nothing outside the view";
}

TEST_F(TreeViewTest, TheBackgroundIsStretchedOverTheView) {
  TTreeView v(Rect{10, 10, 110, 60});
  Bitmap picture(2, 1, MakeColor(255, 0, 0));
  picture.SetPixel(1, 0, MakeColor(0, 0, 255));
  v.SetBackground(picture);
  v.SetVisible(true);
  Bitmap canvas(120, 70, kBack);
  v.Paint(canvas);
  EXPECT_EQ(canvas.Pixel(10, 10), MakeColor(255, 0, 0));
  EXPECT_EQ(canvas.Pixel(59, 59), MakeColor(255, 0, 0));
  EXPECT_EQ(canvas.Pixel(60, 10), MakeColor(0, 0, 255));
  EXPECT_EQ(canvas.Pixel(109, 59), MakeColor(0, 0, 255));
  EXPECT_EQ(canvas.Pixel(110, 10), kBack);
}

}  // namespace
}  // namespace trv::test
