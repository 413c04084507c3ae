#pragma once

#include <memory>
#include <string>

#include "platform/Graphics.h"
#include "platform/Platform.h"

namespace trv {

// Where a hint of `size` goes when its top-left is wanted at `anchor`: moved
// back onto the desktop on each side it sticks out of, left, top, right, bottom
// in that order (so a hint wider than the desktop keeps its right edge on it).
Rect PlaceHint(Point anchor, Size size, Size desktop);

// The shell's own hint: a small always-on-top window that never takes the
// focus, text (black unless a script names its colour) on the script's hint
// colour, one-pixel border.
class THintWindow {
 public:
  // Without a font engine the hint is an empty box of the minimum size.
  THintWindow(Platform& platform, FontEngine* fonts, const FontSpec& font);
  ~THintWindow();

  // Lays `text` (CP1251) out no wider than the desktop and shows it at the
  // screen point, held on the desktop.
  void ShowAt(Point screenPoint, const std::string& text, Color background, Color textColor = MakeColor(0, 0, 0));
  void Hide();
  bool Visible() const;
  Rect Bounds() const;

 private:
  Platform& platform_;
  std::unique_ptr<Font> font_;
  std::unique_ptr<Window> window_;
};

}  // namespace trv
