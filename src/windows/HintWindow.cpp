#include "windows/HintWindow.h"

#include <algorithm>

namespace trv {
namespace {

// Room around the text: the border and a little air, as the system's hints have.
constexpr int kExtraWidth = 6;
constexpr int kExtraHeight = 2;
constexpr int kMinSide = 16;
constexpr Color kBorder = MakeColor(0, 0, 0);
constexpr Color kText = MakeColor(0, 0, 0);

}  // namespace

Rect PlaceHint(Point anchor, Size size, Size desktop) {
  Rect r = Rect::FromSize(anchor.x, anchor.y, size.width, size.height);
  if (r.left < 0) r = r.Offset(-r.left, 0);
  if (r.top < 0) r = r.Offset(0, -r.top);
  if (r.right > desktop.width) r = r.Offset(desktop.width - r.right, 0);
  if (r.bottom > desktop.height) r = r.Offset(0, desktop.height - r.bottom);
  return r;
}

THintWindow::THintWindow(Platform& platform, FontEngine* fonts, const FontSpec& font)
    : platform_(platform), font_(fonts ? fonts->CreateFont(font) : nullptr) {}

THintWindow::~THintWindow() = default;

void THintWindow::ShowAt(Point screenPoint, const std::string& text, Color background, Color textColor) {
  const Size desktop = platform_.ScreenSize();
  Rect textRect{0, 0, font_ ? desktop.width : 0, 0};
  const unsigned flags = dt::CalcRect | dt::WordBreak | dt::NoPrefix | dt::Left;
  Bitmap scratch;
  if (font_) font_->DrawText(scratch, textRect, text, flags, kText);
  const Size size{std::max(textRect.Width() + kExtraWidth, kMinSide), std::max(textRect.Height() + kExtraHeight, kMinSide)};
  const Rect bounds = PlaceHint(screenPoint, size, desktop);

  if (!window_) {
    WindowOptions options;
    options.role = "hint";
    options.bounds = bounds;
    options.topmost = true;
    options.noActivate = true;
    options.inTaskbar = false;
    window_ = platform_.CreateWindow(options);
  } else {
    window_->SetBounds(bounds);
  }
  Bitmap& fb = window_->Framebuffer();
  fb.Fill(fb.Bounds(), kBorder);
  fb.Fill({1, 1, fb.Width() - 1, fb.Height() - 1}, background);
  Rect inner{2, 1, fb.Width() - 2, fb.Height() - 1};
  if (font_) font_->DrawText(fb, inner, text, dt::WordBreak | dt::NoPrefix | dt::Left, textColor);
  window_->Show();
  window_->Present();
}

void THintWindow::Hide() {
  if (window_) window_->Hide();
}

bool THintWindow::Visible() const { return window_ && window_->Visible(); }

Rect THintWindow::Bounds() const { return window_ ? window_->Bounds() : Rect{}; }

}  // namespace trv
