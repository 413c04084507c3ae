#pragma once

#include "media/SuperTimer.h"
#include "windows/EffectOwner.h"
#include "windows/FastBMP.h"

namespace trv {

// The picture cross-fade of one element: a rectangle of the owner's window
// changes from one picture to another, `step` levels per tick. A new start
// while one runs continues from the look reached.
class TEffBtnCar {
 public:
  TEffBtnCar(EffectOwner& owner, EventLoop& loop);

  void Start(const Bitmap& from, const Bitmap& to, Point at);
  // The next tick ends the fade without its last frame.
  void RequestStop() { stopRequested_ = true; }
  bool Running() const { return running_; }
  void SetStep(int step) { step_ = step; }
  int Step() const { return step_; }
  int Offset() const { return offset_; }

 private:
  void Tick(int n);
  void Draw(const TFastBMP& picture);

  EffectOwner& owner_;
  TSuperTimer timer_;
  TFastBMP from_, to_, frame_;
  Point at_;
  bool running_ = false;
  bool stopRequested_ = false;
  int offset_ = 0;
  int step_ = 10;
};

}  // namespace trv
