#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Bitmap.h"
#include "platform/Graphics.h"

namespace trv {

// The colours of one tree view, as its script record gives them.
struct TreeViewLook {
  Color text = 0;
  Color selectBack = 0;   // the focused item's background
  Color selectText = 0;   // and its text
  Color track = 0;        // scroll bar: the track,
  Color thumb = 0;        // the thumb,
  Color arrow = 0;        // the arrows,
  Color arrowHot = 0;     // the arrow under the mouse
  Color back = MakeColor(255, 255, 255);  // under the rows when there is no picture
};

// The parts of the vertical scroll bar, in window coordinates; all empty when
// the rows fit and no bar shows.
struct TreeScrollBar {
  Rect bar, up, down, track, thumb;
};

// A tree or list view drawn into its owner's picture; it is no window of its
// own and so never takes the keyboard. Items expand by themselves: every item
// shows, children below their parent, indented, without lines or buttons.
// The list form has two columns (the second a fixed width, right-aligned) and
// no header. One item at most is focused; it is drawn in the selection
// colours inside a red frame.
class TTreeView {
 public:
  static constexpr int kMinWidth = 30;
  static constexpr int kScrollBarWidth = 16;
  static constexpr int kFirstColumnMin = 176;
  static constexpr int kSecondColumn = 90;
  static constexpr int kIndent = 19;
  static constexpr int kTextMargin = 3;
  static constexpr Color kActiveFrame = MakeColor(255, 0, 0);

  struct Item {
    std::string caption;  // CP1251
    std::string second;   // the list form's second column
    int parent = -1;
    int level = 0;
  };

  // `bounds` in window coordinates; narrower than kMinWidth grows to it.
  explicit TTreeView(Rect bounds);

  void SetBounds(Rect bounds);
  Rect Bounds() const { return bounds_; }
  void SetVisible(bool visible) { visible_ = visible; }
  bool Visible() const { return visible_; }
  // Stretched over the whole view; an empty picture leaves the plain back colour.
  void SetBackground(Bitmap picture);
  bool HasBackground() const { return !background_.Empty(); }
  // Null draws no text (rows keep a fixed height).
  void SetFont(std::unique_ptr<Font> font) { font_ = std::move(font); }
  void SetLook(const TreeViewLook& look) { look_ = look; }
  // The two-column list form, with no indent.
  void SetListForm(bool list) { list_ = list; }
  bool ListForm() const { return list_; }

  // Adds an item below `parent` (-1: at the top level); returns its index.
  int AddItem(const std::string& caption, const std::string& second = {}, int parent = -1);
  void Clear();
  int Count() const { return int(items_.size()); }
  const Item& At(int i) const { return items_[std::size_t(i)]; }

  // The focused item, -1 for none. Focusing an item scrolls it into view and
  // tells onSelect; clearing tells nothing.
  int Focused() const { return focused_; }
  void SetFocused(int item);

  // The first item whose caption contains `text` (letter case ignored; with
  // `exact` it must equal it), searched from the row after the focused item
  // to the last and then from the first; -1 when none matches.
  int FindCaption(const std::string& text, bool exact) const;

  // Rows run in display order (parents before their children).
  int RowOf(int item) const;
  int ItemOfRow(int row) const;
  int RowHeight() const;
  int VisibleRows() const;
  int TopRow() const { return top_; }
  void ScrollTo(int top);
  void ScrollIntoView(int item);

  // Geometry, in window coordinates.
  TreeScrollBar ScrollBar() const;
  Rect RowsArea() const;
  // The item under the point, -1 over no row (or over the scroll bar).
  int ItemAt(Point p) const;
  // Where column `column` (0 or 1) of an item draws at the current scroll
  // position (outside the view when scrolled away); empty for no such cell.
  Rect CellRect(int item, int column) const;
  // The first column's width in the list form.
  int FirstColumnWidth() const;

  // The full caption when the one under the point is cut off, with the point
  // the hint shows at.
  std::optional<std::pair<std::string, Point>> HintAt(Point p) const;

  // Mouse in window coordinates: true when the view takes the event (inside
  // it, or while the thumb is dragged).
  bool MouseMove(Point p);
  bool MouseDown(Point p);
  bool MouseUp(Point p);
  // A wheel turn inside the view; 120 is one notch (three rows).
  bool MouseWheel(int delta, Point p);
  // Up, Down, PageUp, PageDown, Home, End; true when taken.
  bool KeyDown(int key);
  bool Dragging() const { return dragFrom_ >= 0; }
  bool HotArrow(int which) const { return hotArrow_ == which; }

  void Paint(Bitmap& canvas) const;

  std::function<void(int item)> onSelect;
  std::function<void()> onClick;
  std::function<void()> onPress;
  std::function<void(Point)> onMouseMove;

 private:
  std::vector<int> DisplayOrder() const;
  int MaxTop() const;
  int ArrowAt(Point p) const;  // 1 up, 2 down, 0 none
  void PaintScrollBar(Bitmap& canvas, const Rect& clip) const;
  void PaintRow(Bitmap& canvas, const Rect& clip, int item, int y) const;

  Rect bounds_;
  bool visible_ = false;
  Bitmap background_;
  mutable Bitmap stretched_;  // the background at the view's size, made at the first paint
  std::unique_ptr<Font> font_;
  TreeViewLook look_;
  bool list_ = false;
  std::vector<Item> items_;
  std::vector<int> order_;  // display order, kept with the items
  int focused_ = -1;
  int top_ = 0;
  int hotArrow_ = 0;
  int dragFrom_ = -1;   // the pointer's y when the thumb drag began
  int dragTop_ = 0;     // the top row then
  bool pressed_ = false;
};

// Nearest-neighbour stretch of `src` to `w` x `h`.
Bitmap StretchBitmap(const Bitmap& src, int w, int h);

}  // namespace trv
