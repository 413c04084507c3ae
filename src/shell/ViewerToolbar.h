#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "platform/Bitmap.h"
#include "platform/Geometry.h"
#include "platform/Graphics.h"

namespace trv {

// The standard window's toolbar and status bar, drawn into the window's
// framebuffer: flat buttons with captions and 20 x 20 pictures from three
// lists (enabled, disabled, under the mouse), laid out from the left in the
// order back, forward, divider, print, minimize, the hidden ones left out.
// It knows what was pressed; the window decides what a button does.
class TViewerToolbar {
 public:
  // In the order of creation.
  enum Button : int { kMinimize, kPrint, kDivider, kForward, kBack, kButtonCount };

  struct Item {
    std::string caption;  // CP1251
    std::string hint;     // CP1251
    int picture = -1;     // index into the picture lists, -1 for none
    bool divider = false;
    bool dropDown = false;  // a drop-down button carrying a menu
    bool visible = true;
    bool enabled = true;
  };

  // A menu of a drop-down button: its caption and picture, and its items.
  struct Menu {
    std::string caption;  // CP1251
    int picture = -1;
    std::vector<std::string> items;
  };

  // `fonts` may be null: the captions are left out then.
  explicit TViewerToolbar(FontEngine* fonts);

  Item& At(Button b) { return items_[b]; }
  const Item& At(Button b) const { return items_[b]; }
  const Menu& BackMenu() const { return backMenu_; }
  const Menu& ForwardMenu() const { return forwardMenu_; }

  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  bool StatusVisible() const { return statusVisible_; }
  void SetStatusVisible(bool visible) { statusVisible_ = visible; }

  // The toolbar's height (0 while hidden) and its buttons' places.
  int Height() const;
  Rect ButtonRect(Button b) const;
  // The button under `p`, kButtonCount for none (dividers take no clicks).
  Button HitTest(Point p) const;

  // Draws the toolbar along the top and, when shown, the status bar along the
  // bottom of `target`.
  void Paint(Bitmap& target) const;

  // The pointer moved: true when the button under it changed (the window
  // repaints and arms the hint of Hot()).
  bool MouseMove(Point p);
  void MouseLeave();
  Button Hot() const { return hot_; }
  // A press on a button; false when it hit none.
  bool MouseDown(Point p);
  // The release: the button clicked (pressed and released over it), or kButtonCount.
  Button MouseUp(Point p);

  // The three picture lists, for tests.
  const std::array<std::vector<Bitmap>, 3>& Pictures() const { return pictures_; }

  static constexpr int kPictureSize = 20;
  static constexpr int kDividerWidth = 10;
  static constexpr int kStatusHeight = 20;

 private:
  int ButtonWidth(const Item& item) const;
  int ButtonHeight() const;

  std::array<Item, kButtonCount> items_;
  Menu backMenu_;
  Menu forwardMenu_;
  // enabled, disabled, under the mouse
  std::array<std::vector<Bitmap>, 3> pictures_;
  std::unique_ptr<Font> font_;
  int captionWidth_ = 0;
  bool visible_ = true;
  bool statusVisible_ = true;
  Button hot_ = kButtonCount;
  Button pressed_ = kButtonCount;
};

// The system's button face, the standard window's colour.
inline constexpr Color kButtonFace = MakeColor(240, 240, 240);

}  // namespace trv
