#pragma once

#include "platform/Bitmap.h"
#include "platform/Window.h"

namespace trv {

// A window whose look the effects change: where frames go and what the
// window fade starts from and ends on.
class EffectOwner {
 public:
  virtual ~EffectOwner() = default;
  virtual Window* EffectWindow() = 0;            // nullptr: nothing is drawn
  virtual void PaintNormal(Bitmap& target) = 0;  // the owner's look, painted off-screen
  virtual Bitmap ScreenUnder() = 0;              // what the screen shows under the owner
  virtual bool CrossFadesMayDraw() const = 0;    // false while the owner's own fade runs
  virtual void OnWindowFadeStarted() {}          // windowed children hide
  virtual void OnWindowFadeEnded() {}            // they show again; the owner repaints
};

}  // namespace trv
