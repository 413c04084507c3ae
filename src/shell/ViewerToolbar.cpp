#include "shell/ViewerToolbar.h"

#include <algorithm>
#include <utility>

#include "platform/Text.h"

namespace trv {
namespace {

constexpr Color kKey = MakeColor(255, 0, 255);  // the pictures' transparent colour
constexpr Color kText = MakeColor(0, 0, 0);
constexpr Color kDisabledText = MakeColor(160, 160, 160);
constexpr Color kLight = MakeColor(255, 255, 255);
constexpr Color kShadow = MakeColor(160, 160, 160);
constexpr Color kHotFill = MakeColor(229, 241, 251);
constexpr int kPad = 4;
constexpr int kDropWidth = 12;

enum Glyph { kGlyphBack, kGlyphForward, kGlyphPrint, kGlyphMinimize, kGlyphCount };

// The three looks of a picture: its ink and its accent.
struct Inks {
  Color ink;
  Color accent;
};
constexpr Inks kLooks[3] = {
    {MakeColor(40, 40, 40), MakeColor(30, 130, 60)},     // enabled
    {MakeColor(170, 170, 170), MakeColor(200, 200, 200)},  // disabled
    {MakeColor(0, 0, 0), MakeColor(20, 170, 70)},        // under the mouse
};

void Frame(Bitmap& b, const Rect& r, Color topLeft, Color bottomRight) {
  b.Fill({r.left, r.top, r.right, r.top + 1}, topLeft);
  b.Fill({r.left, r.top, r.left + 1, r.bottom}, topLeft);
  b.Fill({r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
  b.Fill({r.right - 1, r.top, r.right, r.bottom}, bottomRight);
}

// An arrow along the middle row: its head and its shaft.
void Arrow(Bitmap& b, bool left, const Inks& c) {
  const int mid = 10;
  for (int i = 0; i < 8; ++i) {
    const int x = left ? 3 + i : 16 - i;
    b.Fill({x, mid - i, x + 1, mid + i + 1}, c.accent);
  }
  b.Fill(left ? Rect{10, 7, 17, 14} : Rect{3, 7, 10, 14}, c.accent);
  b.Fill(left ? Rect{10, 7, 17, 8} : Rect{3, 7, 10, 8}, c.ink);
}

Bitmap DrawPicture(int glyph, const Inks& c) {
  Bitmap b(TViewerToolbar::kPictureSize, TViewerToolbar::kPictureSize, kKey);
  switch (glyph) {
    case kGlyphBack: Arrow(b, true, c); break;
    case kGlyphForward: Arrow(b, false, c); break;
    case kGlyphPrint:
      b.Fill({5, 2, 15, 9}, kLight);  // the sheet
      Frame(b, {5, 2, 15, 9}, c.ink, c.ink);
      b.Fill({2, 8, 18, 16}, c.ink);  // the body
      b.Fill({14, 10, 16, 12}, c.accent);
      b.Fill({5, 13, 15, 18}, kLight);  // the printed sheet
      Frame(b, {5, 13, 15, 18}, c.ink, c.ink);
      break;
    case kGlyphMinimize:
      Frame(b, {2, 3, 18, 16}, c.ink, c.ink);  // a window
      b.Fill({2, 3, 18, 6}, c.accent);          // its title
      b.Fill({5, 12, 12, 14}, c.ink);           // the bar it goes down to
      break;
    default: break;
  }
  return b;
}

void DrawKeyed(Bitmap& target, int x, int y, const Bitmap& picture) {
  for (int py = 0; py < picture.Height(); ++py)
    for (int px = 0; px < picture.Width(); ++px)
      if (const Color c = picture.Pixel(px, py); c != kKey) target.SetPixel(x + px, y + py, c);
}

}  // namespace

TViewerToolbar::TViewerToolbar(FontEngine* fonts) {
  for (int list = 0; list < 3; ++list)
    for (int g = 0; g < kGlyphCount; ++g) pictures_[std::size_t(list)].push_back(DrawPicture(g, kLooks[list]));
  backMenu_ = {Utf8ToCp1251("Назад"), kGlyphBack, std::vector<std::string>(7)};
  forwardMenu_ = {Utf8ToCp1251("Вперед"), kGlyphForward, std::vector<std::string>(7)};
  items_[kMinimize] = {Utf8ToCp1251("Свернуть"), Utf8ToCp1251("Вернуться к красивому окошку"), kGlyphMinimize};
  items_[kPrint] = {Utf8ToCp1251("Печать"), Utf8ToCp1251("Напечатать текущий файл"), kGlyphPrint};
  items_[kDivider].divider = true;
  items_[kForward] = {"", Utf8ToCp1251("Перемещение вперед на одну ссылку"), kGlyphForward, false, true};
  items_[kBack] = {"", Utf8ToCp1251("Перемещение назад на одну ссылку"), kGlyphBack, false, true};
  if (fonts) {
    FontSpec face;
    face.sizePt = 8;
    font_ = fonts->CreateFont(face);
  }
  if (font_)
    for (const Item& item : items_) captionWidth_ = std::max(captionWidth_, font_->TextExtent(item.caption).width);
}

void TViewerToolbar::SetVisible(bool visible) {
  visible_ = visible;
  if (!visible) hot_ = pressed_ = kButtonCount;
}

int TViewerToolbar::ButtonHeight() const {
  return kPad + kPictureSize + (font_ ? 2 + font_->Height() : 0) + kPad;
}

int TViewerToolbar::Height() const { return visible_ ? ButtonHeight() + 4 : 0; }

int TViewerToolbar::ButtonWidth(const Item& item) const {
  if (item.divider) return kDividerWidth;
  // Buttons with captions share one width, as a toolbar showing captions lays them out.
  return std::max(kPictureSize, captionWidth_) + 2 * kPad + (item.dropDown ? kDropWidth : 0);
}

Rect TViewerToolbar::ButtonRect(Button b) const {
  if (!visible_ || b < 0 || b >= kButtonCount || !items_[b].visible) return {};
  int x = 2;
  // Shown in the reverse order of creation.
  for (int i = kButtonCount - 1; i >= 0; --i) {
    const Item& item = items_[std::size_t(i)];
    if (!item.visible) continue;
    const int w = ButtonWidth(item);
    if (i == b) return Rect::FromSize(x, 2, w, ButtonHeight());
    x += w;
  }
  return {};
}

TViewerToolbar::Button TViewerToolbar::HitTest(Point p) const {
  for (int i = 0; i < kButtonCount; ++i) {
    const Button b = Button(i);
    if (!items_[b].divider && ButtonRect(b).Contains(p)) return b;
  }
  return kButtonCount;
}

void TViewerToolbar::Paint(Bitmap& target) const {
  if (statusVisible_) {
    const Rect status{0, target.Height() - kStatusHeight, target.Width(), target.Height()};
    target.Fill(status, kButtonFace);
    Frame(target, {status.left + 2, status.top + 2, status.right - 2, status.bottom - 1}, kShadow, kLight);
  }
  if (!visible_) return;
  target.Fill({0, 0, target.Width(), Height()}, kButtonFace);
  target.Fill({0, 0, target.Width(), 1}, kLight);
  for (int i = 0; i < kButtonCount; ++i) {
    const Button b = Button(i);
    const Item& item = items_[b];
    const Rect r = ButtonRect(b);
    if (r.Empty()) continue;
    if (item.divider) {
      const int x = r.left + kDividerWidth / 2 - 1;
      target.Fill({x, r.top + 2, x + 1, r.bottom - 2}, kShadow);
      target.Fill({x + 1, r.top + 2, x + 2, r.bottom - 2}, kLight);
      continue;
    }
    const bool hot = item.enabled && hot_ == b;
    const bool down = hot && pressed_ == b;
    // Flat: a button shows its edge only under the mouse.
    if (hot) {
      target.Fill(r, kHotFill);
      Frame(target, r, down ? kShadow : kLight, down ? kLight : kShadow);
    }
    const int list = !item.enabled ? 1 : hot ? 2 : 0;
    const int shift = down ? 1 : 0;
    const int face = r.Width() - (item.dropDown ? kDropWidth : 0);
    if (item.picture >= 0)
      DrawKeyed(target, r.left + (face - kPictureSize) / 2 + shift, r.top + kPad + shift,
                pictures_[std::size_t(list)][std::size_t(item.picture)]);
    if (item.dropDown) {
      // The small arrow of the drop-down part.
      const int ax = r.left + face + 2, ay = r.top + kPad + kPictureSize / 2 - 1;
      for (int k = 0; k < 3; ++k) target.Fill({ax + k, ay + k, ax + 7 - k, ay + k + 1}, item.enabled ? kText : kShadow);
    }
    if (font_ && !item.caption.empty()) {
      Rect text = Rect::FromSize(r.left + shift, r.top + kPad + kPictureSize + 2 + shift, face, font_->Height());
      font_->DrawText(target, text, item.caption, dt::Center | dt::SingleLine | dt::NoPrefix,
                      item.enabled ? kText : kDisabledText);
    }
  }
}

bool TViewerToolbar::MouseMove(Point p) {
  const Button under = HitTest(p);
  if (under == hot_) return false;
  hot_ = under;
  return true;
}

void TViewerToolbar::MouseLeave() { hot_ = pressed_ = kButtonCount; }

bool TViewerToolbar::MouseDown(Point p) {
  pressed_ = HitTest(p);
  hot_ = pressed_;
  return pressed_ != kButtonCount;
}

TViewerToolbar::Button TViewerToolbar::MouseUp(Point p) {
  const Button was = std::exchange(pressed_, kButtonCount);
  const Button under = HitTest(p);
  hot_ = under;
  return was != kButtonCount && was == under && items_[was].enabled ? was : kButtonCount;
}

}  // namespace trv
