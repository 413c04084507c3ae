// The current screen's pictures and how the window paints them.
#include "platform/Log.h"
#include "shell/MainForm.h"

namespace trv {
namespace {

// Copies the picture to the element's rectangle, from its top-left. An empty
// picture (one that failed to load) draws nothing.
void CopyPicture(Bitmap& canvas, const Bitmap& picture, int left, int top, int right, int bottom) {
  if (picture.Empty()) return;
  canvas.Blit(left, top, picture, Rect{0, 0, right - left, bottom - top});
}

template <typename Switch>
void PaintSwitches(Bitmap& canvas, const std::vector<Switch>& switches, const TDynamicSwthOnePicArray& pics) {
  for (std::size_t i = 0; i < switches.size() && i < pics.size(); ++i) {
    const Switch& s = switches[i];
    int picture = -1;
    if (s.underMouse) picture = s.on ? 2 : 1;
    else if (s.on) picture = 3;
    if (picture >= 0) CopyPicture(canvas, pics[i].pictures[std::size_t(picture)], s.left, s.top, s.right, s.bottom);
  }
}

}  // namespace

void TMainForm::PaintTo(Bitmap& canvas) {
  canvas.Blit(0, 0, background_);
  if (std::size_t(currentScreen_) >= elements_.Buttons.size()) return;
  const TDynamicBtnArray& buttons = elements_.Buttons[std::size_t(currentScreen_)];
  for (std::size_t i = 0; i < buttons.size() && i < btnPics_.size(); ++i) {
    const RBtn& b = buttons[i];
    const TBtnPics& set = btnPics_[i];
    if (!set.active) CopyPicture(canvas, set.pictures[3], b.left, b.top, b.right, b.bottom);
    else if (set.hover) CopyPicture(canvas, set.pictures[1], b.left, b.top, b.right, b.bottom);
  }
  PaintSwitches(canvas, elements_.SingleSwitches[std::size_t(currentScreen_)], swOnePics_);
  PaintSwitches(canvas, elements_.GroupSwitches[std::size_t(currentScreen_)], swGrpPics_);
}

void TMainForm::FormPaint() {
  if (!window_) return;
  Bitmap& fb = window_->Framebuffer();
  if (Fading()) {
    fade_->DrawFrame(fb);
  } else {
    PaintTo(fb);
    PaintTextComponents(fb);
  }
  window_->Present();
}

void TMainForm::PaintNormal(Bitmap& target) {
  PaintTo(target);
  PaintTextComponents(target);
}

Bitmap TMainForm::ScreenUnder() {
  if (fadeBefore_) {
    Bitmap before = std::move(*fadeBefore_);
    fadeBefore_.reset();
    return before;
  }
  return platform_.CaptureScreen(window_->Bounds());
}

bool TMainForm::CrossFadesMayDraw() const { return !Fading(); }

void TMainForm::CrossFade(TEffBtnCar* animation, const Bitmap& from, const Bitmap& to, Point at) {
  if (animation) animation->Start(from, to, at);
}

}  // namespace trv
