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

// Makes `pics` as long as `count`, each new set with its own cross-fade.
template <typename Pics>
void ResizeSets(std::vector<Pics>& pics, std::size_t count, EffectOwner& owner, EventLoop& loop) {
  while (pics.size() > count) pics.pop_back();
  while (pics.size() < count) {
    pics.emplace_back();
    pics.back().animation = std::make_unique<TEffBtnCar>(owner, loop);
  }
}

}  // namespace

void TMainForm::LoadScreenPictures(int screen) {
  HideHint();
  if (screen < 0 || std::size_t(screen) >= elements_.Buttons.size()) {
    Log("screen", "there is no screen " + std::to_string(screen + 1));
    return;
  }
  currentScreen_ = screen;
  window_->SetCursor(Cursor::Arrow);
  window_->SetCursor(Cursor::Wait);
  if (std::size_t(screen) < elements_.ScreenPictures.size()) {
    Bitmap picture;
    if (LoadPicture(elements_.ScreenPictures[std::size_t(screen)], &picture)) background_ = std::move(picture);
  }
  Rect bounds = window_->Bounds();
  if (!window_->Visible() && !shown_) {
    // Placed at the centre of the desktop before the first show; left and top
    // stay from then on.
    const Size desktop = platform_.ScreenSize();
    bounds = Rect::FromSize(std::max(0, (desktop.width - background_.Width()) / 2),
                            std::max(0, (desktop.height - background_.Height()) / 2), 0, 0);
  }
  const Rect newBounds = Rect::FromSize(bounds.left, bounds.top, background_.Width(), background_.Height());
  // The fade starts from what the screen shows now, before the window takes
  // its new size and look.
  if (window_->Visible()) fadeBefore_ = platform_.CaptureScreen(newBounds);
  window_->SetBounds(newBounds);

  TDynamicBtnArray& buttons = elements_.Buttons[std::size_t(screen)];
  ResizeSets(btnPics_, buttons.size(), *this, platform_.Loop());
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    RBtn& b = buttons[i];
    TBtnPics& set = btnPics_[i];
    if (LoadPicture(b.fn[0], &set.pictures[0])) {
      b.right = b.left + set.pictures[0].Width();
      b.bottom = b.top + set.pictures[0].Height();
    }
    for (std::size_t k = 1; k < 7; ++k)
      if (k < 4 || !b.fn[k].empty()) LoadPicture(b.fn[k], &set.pictures[k]);
    set.animation->SetStep(10);
  }
  auto loadSwitches = [&](auto& switches, TDynamicSwthOnePicArray& pics) {
    ResizeSets(pics, switches.size(), *this, platform_.Loop());
    for (std::size_t i = 0; i < switches.size(); ++i) {
      auto& s = switches[i];
      if (LoadPicture(s.fn[0], &pics[i].pictures[0])) {
        s.right = s.left + pics[i].pictures[0].Width();
        s.bottom = s.top + pics[i].pictures[0].Height();
      }
      for (std::size_t k = 1; k < 4; ++k) LoadPicture(s.fn[k], &pics[i].pictures[k]);
    }
  };
  loadSwitches(elements_.SingleSwitches[std::size_t(screen)], swOnePics_);
  loadSwitches(elements_.GroupSwitches[std::size_t(screen)], swGrpPics_);

  for (TBtnPics& set : btnPics_) {
    set.hover = false;
    set.pressed = false;
    set.active = true;
    set.animation->RequestStop();
  }
  // The background carries every element's normal look; painting adds only
  // what differs from it.
  for (std::size_t i = 0; i < buttons.size(); ++i)
    CopyPicture(background_, btnPics_[i].pictures[0], buttons[i].left, buttons[i].top, buttons[i].right,
                buttons[i].bottom);
  auto drawSwitches = [&](const auto& switches, const TDynamicSwthOnePicArray& pics) {
    for (std::size_t i = 0; i < switches.size(); ++i)
      CopyPicture(background_, pics[i].pictures[0], switches[i].left, switches[i].top, switches[i].right,
                  switches[i].bottom);
  };
  drawSwitches(elements_.SingleSwitches[std::size_t(screen)], swOnePics_);
  drawSwitches(elements_.GroupSwitches[std::size_t(screen)], swGrpPics_);

  platform_.Tracer().Emit("screen").Int("screen", screen + 1);
  if (window_->Visible()) {
    fade_->Start();
    FormPaint();
  }
  window_->SetCursor(Cursor::Arrow);
}

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
  }
  window_->Present();
}

void TMainForm::PaintNormal(Bitmap& target) { PaintTo(target); }

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
