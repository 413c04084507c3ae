// The mouse over the current screen's buttons and switches, their hints, the
// drag of the window, and how the window paints the screen.
#include "platform/Keys.h"
#include "shell/MainForm.h"

namespace trv {

void TMainForm::FormMouseMove(unsigned /*shift*/, int x, int y) {
  if (Fading() || !SkinnedScreen() || std::size_t(currentScreen_) >= elements_.Buttons.size()) return;
  const SkinHover hover = controls_.MouseMove({x, y});
  if (hover.enteredButton >= 0) {
    TSkinButton& b = controls_.Button(std::size_t(hover.enteredButton));
    // A button's hint goes below the button at the pointer's x; moving
    // straight from a button with a hint to one without must not show the
    // first one's hint under the second.
    Hints().Arm(b.Record().hint, {x, b.Record().bottom});
    if (b.active && (b.Record().name == "mt" || b.Record().name == "mm")) PlayWav(b.Record().sound, true);
  } else if (hover.button >= 0) {
    Hints().SetAnchorX(x);
  } else if (hover.enteredSwitch) {
    // Switch hints are the standard ones: after the pause, below the pointer,
    // when hints show at all. Button hints are the window's own and always show.
    if (options_.ShowHints) Hints().Arm(hover.enteredSwitch->hint, {x, y + kCursorHeight});
    else Hints().Hide();
  } else if (hover.overSwitch) {
    Hints().SetAnchor({x, y + kCursorHeight});
  } else {
    Hints().Hide();
  }
}

void TMainForm::FormMouseDown(MouseButton /*button*/, unsigned shift, int x, int y) {
  Hints().Hide();
  if (Fading()) return;
  if (!SkinnedScreen()) return;
  if (std::size_t(currentScreen_) >= elements_.Buttons.size()) return;
  if (FavoritePopupOpen()) HidePopups();
  const SkinClick click = controls_.MouseDown({x, y}, shift);
  if (click.hit == SkinClick::Hit::kButton) {
    if (FavoritePopupOpen()) HidePopups();
    return;
  }
  HidePopups();
  if (click.hit != SkinClick::Hit::kNothing) {
    if (click.run) RunCommand(click.command, click.sound, click.index, click.Source(), 0);
    return;
  }
  // An empty spot: the user drags the borderless window by it.
  DragWindow();
  if (FavoritePopupOpen()) HidePopups();
}

void TMainForm::FormMouseUp(MouseButton /*button*/, unsigned shift, int x, int y) {
  if (Fading() || !SkinnedScreen() || std::size_t(currentScreen_) >= elements_.Buttons.size()) return;
  const SkinClick click = controls_.MouseUp({x, y}, shift);
  if (click.run) RunCommand(click.command, click.sound, click.index, click.Source(), 0);
}

void TMainForm::HideHint() { Hints().Hide(); }

void TMainForm::PaintSkin(Bitmap& target) {
  if (standardWindow_) return PaintStandardWindow(target);
  target.Blit(0, 0, SkinBackground());
  // The background carries every element's resting look; only what differs is drawn.
  if (std::size_t(currentScreen_) < elements_.Buttons.size()) controls_.Paint(target);
  parts_.Paint(target);
}

Bitmap TMainForm::ScreenUnder() {
  if (fadeBefore_) {
    Bitmap before = std::move(*fadeBefore_);
    fadeBefore_.reset();
    return before;
  }
  return TSkinWindow::ScreenUnder();
}

}  // namespace trv
