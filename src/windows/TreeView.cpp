#include "windows/TreeView.h"

#include <algorithm>

#include "platform/Keys.h"
#include "platform/Text.h"

namespace trv {
namespace {

constexpr int kPlainRowHeight = 16;
constexpr int kMinThumb = 8;
constexpr int kWheelRows = 3;
constexpr unsigned kRowText = dt::SingleLine | dt::VCenter | dt::NoPrefix;

Rect Grown(Rect r) {
  if (r.right < r.left + TTreeView::kMinWidth) r.right = r.left + TTreeView::kMinWidth;
  if (r.bottom < r.top) r.bottom = r.top;
  return r;
}

// A small filled triangle pointing up or down, centred in `r`.
void Arrow(Bitmap& canvas, const Rect& r, const Rect& clip, bool up, Color c) {
  const int cx = r.left + r.Width() / 2;
  const int h = std::max(1, r.Height() / 4);
  const int y0 = r.top + (r.Height() - h) / 2;
  for (int i = 0; i < h; ++i) {
    const int half = up ? i : h - 1 - i;
    canvas.Fill(Rect{cx - half - 1, y0 + i, cx + half + 1, y0 + i + 1}.Intersect(clip), c);
  }
}

void Frame(Bitmap& canvas, const Rect& r, const Rect& clip, Color c) {
  canvas.Fill(Rect{r.left, r.top, r.right, r.top + 1}.Intersect(clip), c);
  canvas.Fill(Rect{r.left, r.bottom - 1, r.right, r.bottom}.Intersect(clip), c);
  canvas.Fill(Rect{r.left, r.top, r.left + 1, r.bottom}.Intersect(clip), c);
  canvas.Fill(Rect{r.right - 1, r.top, r.right, r.bottom}.Intersect(clip), c);
}

}  // namespace

Bitmap StretchBitmap(const Bitmap& src, int w, int h) {
  if (src.Empty() || w <= 0 || h <= 0) return {};
  Bitmap out(w, h);
  for (int y = 0; y < h; ++y) {
    const int sy = int(std::int64_t(y) * src.Height() / h);
    const std::uint8_t* from = src.Row(sy);
    std::uint8_t* to = out.Row(y);
    for (int x = 0; x < w; ++x) {
      const int sx = int(std::int64_t(x) * src.Width() / w);
      std::copy_n(from + sx * 3, 3, to + x * 3);
    }
  }
  return out;
}

TTreeView::TTreeView(Rect bounds) : bounds_(Grown(bounds)) {}

void TTreeView::SetBounds(Rect bounds) {
  bounds_ = Grown(bounds);
  stretched_ = {};
  ScrollTo(top_);
}

void TTreeView::SetBackground(Bitmap picture) {
  background_ = std::move(picture);
  stretched_ = {};
}

int TTreeView::AddItem(const std::string& caption, const std::string& second, int parent) {
  if (parent < 0 || parent >= Count()) parent = -1;
  Item item{caption, second, parent, parent < 0 ? 0 : items_[std::size_t(parent)].level + 1};
  items_.push_back(std::move(item));
  const int index = Count() - 1;
  if (parent < 0) {
    order_.push_back(index);
  } else {
    // After the parent's last descendant, so the parent's children keep their order.
    std::size_t at = std::size_t(RowOf(parent)) + 1;
    while (at < order_.size() && items_[std::size_t(order_[at])].level > items_[std::size_t(parent)].level) ++at;
    order_.insert(order_.begin() + std::ptrdiff_t(at), index);
  }
  return index;
}

void TTreeView::Clear() {
  items_.clear();
  order_.clear();
  focused_ = -1;
  top_ = 0;
  dragFrom_ = -1;
}

void TTreeView::SetFocused(int item) {
  if (item < 0 || item >= Count()) {
    focused_ = -1;
    return;
  }
  const bool changed = focused_ != item;
  focused_ = item;
  ScrollIntoView(item);
  if (changed && onSelect) onSelect(item);
}

int TTreeView::FindCaption(const std::string& text, bool exact) const {
  const int count = Count();
  const std::string wanted = Lower1251(text);
  const int start = focused_ >= 0 ? RowOf(focused_) + 1 : 0;
  for (int k = 0; k < count; ++k) {
    const int item = ItemOfRow((start + k) % count);
    const std::string caption = Lower1251(items_[std::size_t(item)].caption);
    if (caption.find(wanted) == std::string::npos || (exact && caption != wanted)) continue;
    return item;
  }
  return -1;
}

int TTreeView::RowOf(int item) const {
  const auto it = std::find(order_.begin(), order_.end(), item);
  return it == order_.end() ? -1 : int(it - order_.begin());
}

int TTreeView::ItemOfRow(int row) const {
  return row >= 0 && row < int(order_.size()) ? order_[std::size_t(row)] : -1;
}

int TTreeView::RowHeight() const { return font_ ? std::max(1, font_->Height() + 2) : kPlainRowHeight; }

int TTreeView::VisibleRows() const { return std::max(1, bounds_.Height() / RowHeight()); }

int TTreeView::MaxTop() const { return std::max(0, Count() - VisibleRows()); }

void TTreeView::ScrollTo(int top) { top_ = std::clamp(top, 0, MaxTop()); }

void TTreeView::ScrollIntoView(int item) {
  const int row = RowOf(item);
  if (row < 0) return;
  if (row < top_) ScrollTo(row);
  else if (row >= top_ + VisibleRows()) ScrollTo(row - VisibleRows() + 1);
}

TreeScrollBar TTreeView::ScrollBar() const {
  TreeScrollBar s;
  if (Count() <= VisibleRows()) return s;
  const int w = std::min(kScrollBarWidth, bounds_.Width());
  s.bar = Rect{bounds_.right - w, bounds_.top, bounds_.right, bounds_.bottom};
  // Arrows share a bar too short for both at full size.
  const int arrow = std::min(w, s.bar.Height() / 2);
  s.up = Rect{s.bar.left, s.bar.top, s.bar.right, s.bar.top + arrow};
  s.down = Rect{s.bar.left, s.bar.bottom - arrow, s.bar.right, s.bar.bottom};
  s.track = Rect{s.bar.left, s.up.bottom, s.bar.right, s.down.top};
  const int trackLength = s.track.Height();
  if (trackLength <= 0) return s;
  const int thumb = std::min(trackLength, std::max(kMinThumb, int(std::int64_t(trackLength) * VisibleRows() / Count())));
  const int offset = int(std::int64_t(trackLength - thumb) * top_ / std::max(1, MaxTop()));
  s.thumb = Rect{s.track.left, s.track.top + offset, s.track.right, s.track.top + offset + thumb};
  return s;
}

Rect TTreeView::RowsArea() const {
  Rect r = bounds_;
  const TreeScrollBar s = ScrollBar();
  if (!s.bar.Empty()) r.right = s.bar.left;
  return r;
}

int TTreeView::ItemAt(Point p) const {
  const Rect area = RowsArea();
  if (!area.Contains(p)) return -1;
  return ItemOfRow(top_ + (p.y - area.top) / RowHeight());
}

int TTreeView::FirstColumnWidth() const {
  return std::max(kFirstColumnMin, RowsArea().Width() - kSecondColumn);
}

Rect TTreeView::CellRect(int item, int column) const {
  const int row = RowOf(item);
  if (row < 0 || (column == 1 && !list_) || column < 0 || column > 1) return {};
  const Rect area = RowsArea();
  const int y = area.top + (row - top_) * RowHeight();
  if (!list_) {
    const int indent = items_[std::size_t(item)].level * kIndent;
    return Rect{area.left + indent, y, area.right, y + RowHeight()};
  }
  const int split = area.left + FirstColumnWidth();
  return column == 0 ? Rect{area.left, y, split, y + RowHeight()} : Rect{split, y, split + kSecondColumn, y + RowHeight()};
}

std::optional<std::pair<std::string, Point>> TTreeView::HintAt(Point p) const {
  const int item = ItemAt(p);
  if (item < 0 || !font_) return std::nullopt;
  const Rect area = RowsArea();
  for (int column = 0; column < (list_ ? 2 : 1); ++column) {
    const Rect cell = CellRect(item, column);
    if (!cell.Contains(p)) continue;
    const std::string& text = column == 0 ? items_[std::size_t(item)].caption : items_[std::size_t(item)].second;
    // What shows of the cell is also cut by the view's right edge.
    const int room = std::min(cell.right, area.right) - cell.left - 2 * kTextMargin;
    if (font_->TextExtent(text).width <= room) return std::nullopt;
    return std::make_pair(text, Point{cell.left, cell.bottom});
  }
  return std::nullopt;
}

int TTreeView::ArrowAt(Point p) const {
  const TreeScrollBar s = ScrollBar();
  if (s.up.Contains(p)) return 1;
  if (s.down.Contains(p)) return 2;
  return 0;
}

bool TTreeView::MouseMove(Point p) {
  if (dragFrom_ >= 0) {
    const TreeScrollBar s = ScrollBar();
    const int free = s.track.Height() - s.thumb.Height();
    if (free > 0) ScrollTo(dragTop_ + int(std::int64_t(p.y - dragFrom_) * MaxTop() / free));
    return true;
  }
  if (!visible_ || !bounds_.Contains(p)) {
    hotArrow_ = 0;
    return false;
  }
  hotArrow_ = ArrowAt(p);
  if (onMouseMove) onMouseMove(p);
  return true;
}

bool TTreeView::MouseDown(Point p) {
  if (!visible_ || !bounds_.Contains(p)) return false;
  if (onPress) onPress();
  pressed_ = true;
  const TreeScrollBar s = ScrollBar();
  if (s.bar.Contains(p)) {
    if (s.up.Contains(p)) ScrollTo(top_ - 1);
    else if (s.down.Contains(p)) ScrollTo(top_ + 1);
    else if (s.thumb.Contains(p)) {
      dragFrom_ = p.y;
      dragTop_ = top_;
    } else if (p.y < s.thumb.top) ScrollTo(top_ - VisibleRows());
    else ScrollTo(top_ + VisibleRows());
    return true;
  }
  const int item = ItemAt(p);
  if (item >= 0) SetFocused(item);
  return true;
}

bool TTreeView::MouseUp(Point p) {
  const bool wasDragging = dragFrom_ >= 0;
  dragFrom_ = -1;
  const bool wasPressed = pressed_;
  pressed_ = false;
  if (!visible_ || !bounds_.Contains(p)) return wasDragging || wasPressed;
  if (wasPressed && onClick) onClick();
  return true;
}

bool TTreeView::MouseWheel(int delta, Point p) {
  if (!visible_ || !bounds_.Contains(p)) return false;
  ScrollTo(top_ - delta * kWheelRows / 120);
  return true;
}

bool TTreeView::KeyDown(int key) {
  if (!visible_) return false;
  // Without a focused item (the ratings list keeps none) the keys scroll.
  const int row = focused_ >= 0 ? RowOf(focused_) : -1;
  int target;
  switch (key) {
    case vk::Up: target = row < 0 ? top_ - 1 : row - 1; break;
    case vk::Down: target = row < 0 ? top_ + VisibleRows() : row + 1; break;
    case vk::Prior: target = (row < 0 ? top_ : row) - VisibleRows(); break;
    case vk::Next: target = (row < 0 ? top_ + VisibleRows() - 1 : row) + VisibleRows(); break;
    case vk::Home: target = 0; break;
    case vk::End: target = Count() - 1; break;
    default: return false;
  }
  if (Count() == 0) return true;
  target = std::clamp(target, 0, Count() - 1);
  if (row < 0) {
    if (target < top_) ScrollTo(target);
    else if (target >= top_ + VisibleRows()) ScrollTo(target - VisibleRows() + 1);
  } else {
    SetFocused(ItemOfRow(target));
  }
  return true;
}

void TTreeView::PaintRow(Bitmap& canvas, const Rect& clip, int item, int y) const {
  const Rect area = RowsArea();
  const Rect row{area.left, y, area.right, y + RowHeight()};
  const bool focused = item == focused_;
  if (focused) canvas.Fill(row.Intersect(clip), look_.selectBack);
  if (font_) {
    const Item& it = items_[std::size_t(item)];
    const Color color = focused ? look_.selectText : look_.text;
    for (int column = 0; column < (list_ ? 2 : 1); ++column) {
      const Rect cell = CellRect(item, column);
      Rect text{cell.left + kTextMargin, cell.top, std::min(cell.right, area.right) - kTextMargin, cell.bottom};
      text = text.Intersect(clip);
      if (text.Empty()) continue;
      // The cell as it stands before clipping, so that alignment keeps its place.
      Rect place{cell.left + kTextMargin, cell.top, cell.right - kTextMargin, cell.bottom};
      const unsigned align = column == 1 ? dt::Right : dt::Left;
      if (text == place) {
        font_->DrawText(canvas, place, column == 0 ? it.caption : it.second, kRowText | align, color);
      } else {
        // The font clips to the rectangle it gets: draw into a scratch row and
        // copy only the visible part.
        Bitmap scratch(place.Width(), place.Height());
        scratch.Blit(0, 0, canvas, place);
        Rect local{0, 0, place.Width(), place.Height()};
        font_->DrawText(scratch, local, column == 0 ? it.caption : it.second, kRowText | align, color);
        canvas.Blit(text.left, text.top, scratch, text.Offset(-place.left, -place.top));
      }
    }
  }
  if (focused) Frame(canvas, row, clip, kActiveFrame);
}

void TTreeView::PaintScrollBar(Bitmap& canvas, const Rect& clip) const {
  const TreeScrollBar s = ScrollBar();
  if (s.bar.Empty()) return;
  canvas.Fill(s.bar.Intersect(clip), look_.track);
  canvas.Fill(s.thumb.Intersect(clip), look_.thumb);
  Arrow(canvas, s.up, clip, true, hotArrow_ == 1 ? look_.arrowHot : look_.arrow);
  Arrow(canvas, s.down, clip, false, hotArrow_ == 2 ? look_.arrowHot : look_.arrow);
}

void TTreeView::Paint(Bitmap& canvas) const {
  if (!visible_) return;
  const Rect clip = bounds_.Intersect(canvas.Bounds());
  if (clip.Empty()) return;
  if (!background_.Empty()) {
    if (stretched_.Width() != bounds_.Width() || stretched_.Height() != bounds_.Height())
      stretched_ = StretchBitmap(background_, bounds_.Width(), bounds_.Height());
    canvas.Blit(clip.left, clip.top, stretched_, clip.Offset(-bounds_.left, -bounds_.top));
  } else {
    canvas.Fill(clip, look_.back);
  }
  const Rect area = RowsArea();
  for (int row = top_, y = area.top; row < Count() && y < area.bottom; ++row, y += RowHeight())
    PaintRow(canvas, clip.Intersect(area), ItemOfRow(row), y);
  PaintScrollBar(canvas, clip);
}

}  // namespace trv
