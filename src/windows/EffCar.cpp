#include "windows/EffCar.h"

#include "windows/Blend.h"

namespace trv {

TEffCar::TEffCar(EffectOwner& owner, EventLoop& loop) : owner_(owner), timer_(loop) {
  timer_.SetInterval(1);
  timer_.SetPriority(5);
  timer_.OnTimer = [this](TSuperTimer& t) { Tick(t.TickCount()); };
}

void TEffCar::Start() {
  Window* window = owner_.EffectWindow();
  if (!window) return;
  const int w = window->Framebuffer().Width(), h = window->Framebuffer().Height();
  before_.SetSize(w, h);
  after_.SetSize(w, h);
  frame_.SetSize(w, h);
  Bitmap under = owner_.ScreenUnder();
  before_.Bits().Blit(0, 0, under);
  frame_.CopyFrom(before_);
  Bitmap look(w, h);
  owner_.PaintNormal(look);  // with running still false: the normal painting
  after_.LoadFromBitmap(look);
  running_ = true;
  owner_.OnWindowFadeStarted();
  timer_.SetEnabled(false);  // a fade that runs starts over
  timer_.SetEnabled(true);
}

void TEffCar::Show() {
  if (Window* window = owner_.EffectWindow()) {
    frame_.Draw(window->Framebuffer(), 0, 0);
    window->Present();
  }
}

void TEffCar::Tick(int n) {
  if (30 * n <= 254) {
    Blend(frame_, before_, after_, 30 * n);
    Show();
    return;
  }
  timer_.SetEnabled(false);
  Blend(frame_, before_, after_, 255);
  Show();
  running_ = false;
  before_.Free();
  after_.Free();
  frame_.Free();
  owner_.OnWindowFadeEnded();
}

}  // namespace trv
