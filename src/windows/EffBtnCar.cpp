#include "windows/EffBtnCar.h"

#include "platform/Log.h"
#include "windows/Blend.h"

namespace trv {

TEffBtnCar::TEffBtnCar(EffectOwner& owner, EventLoop& loop) : owner_(owner), timer_(loop) {
  timer_.SetInterval(1);
  timer_.SetPriority(5);
  timer_.OnTimer = [this](TSuperTimer& t) { Tick(t.TickCount()); };
}

void TEffBtnCar::Start(const Bitmap& from, const Bitmap& to, Point at) {
  if (running_) {
    // Reverse from where the interrupted fade got to.
    offset_ = 255 - (timer_.TickCount() * step_ + offset_);
    timer_.SetEnabled(false);
  }
  if (from.Width() != to.Width() || from.Height() != to.Height())
    Log("effects", "cross-fade between pictures of unequal size: only their common area changes");
  from_.LoadFromBitmap(from);
  to_.LoadFromBitmap(to);
  frame_.SetSize(from.Width(), from.Height());
  at_ = at;
  running_ = true;
  stopRequested_ = false;
  timer_.SetEnabled(false);
  timer_.SetEnabled(true);
}

void TEffBtnCar::Draw(const TFastBMP& picture) {
  Window* window = owner_.EffectWindow();
  if (!window || !owner_.CrossFadesMayDraw()) return;
  picture.Draw(window->Framebuffer(), at_.x, at_.y);
  window->Present(Rect::FromSize(at_.x, at_.y, picture.Width(), picture.Height()));
}

void TEffBtnCar::Tick(int n) {
  const int level = n * step_ + offset_;
  if (level > 255 || stopRequested_) {
    timer_.SetEnabled(false);
    // The last frame is the target picture itself: a blend at 255 stays one
    // unit short of it wherever it is brighter, and that look would remain.
    if (!stopRequested_ && level != 255) Draw(to_);
    offset_ = 0;
    running_ = false;
    from_.Free();
    to_.Free();
    frame_.Free();
    return;
  }
  Blend(frame_, from_, to_, level);
  Draw(frame_);
}

}  // namespace trv
