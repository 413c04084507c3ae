#pragma once

#include "media/SuperTimer.h"
#include "windows/EffectOwner.h"
#include "windows/FastBMP.h"

namespace trv {

// The window fade: the owner's new look fades in over what the screen showed,
// levels 30, 60, ..., 240 on the first eight ticks, then 255.
class TEffCar {
 public:
  TEffCar(EffectOwner& owner, EventLoop& loop);

  void Start();
  // The current frame, for the owner's paint handler while Running.
  void DrawFrame(Bitmap& canvas) const { frame_.Draw(canvas, 0, 0); }
  bool Running() const { return running_; }

 private:
  void Tick(int n);
  void Show();

  EffectOwner& owner_;
  TSuperTimer timer_;
  bool running_ = false;
  TFastBMP before_, after_, frame_;
};

}  // namespace trv
