#pragma once

#include <functional>
#include <memory>

#include "platform/Platform.h"
#include "platform/Region.h"
#include "script/ExpandPath.h"
#include "script/MyTypes.h"
#include "windows/EffCar.h"
#include "windows/EffectOwner.h"
#include "windows/Hints.h"

namespace trv {

// The base of every skinned top-level window: a borderless window of the
// platform whose look the subclass paints (its background picture with the
// elements on it), an optional shape, the window fade, the window's hint, a
// drag of the window from any empty spot, and modal showing in a nested loop.
class TSkinWindow : public WindowEvents, public EffectOwner {
 public:
  explicit TSkinWindow(Platform& platform);
  ~TSkinWindow() override;
  TSkinWindow(const TSkinWindow&) = delete;
  TSkinWindow& operator=(const TSkinWindow&) = delete;

  Window* SkinWindow() const { return window_.get(); }
  bool Visible() const { return window_ && window_->Visible(); }
  // The window fade runs: the subclass ignores the mouse and keys meanwhile.
  bool Fading() const { return fade_ && fade_->Running(); }
  // A modal showing of this window is running.
  bool Modal() const { return modalDepth_ > 0; }
  THints& Hints() { return hints_; }
  const THints& Hints() const { return hints_; }

  // The fade's frame while it runs, otherwise the subclass's look; then shown.
  void FormPaint();

  // EffectOwner
  Window* EffectWindow() override { return window_.get(); }
  void PaintNormal(Bitmap& target) override { PaintSkin(target); }
  Bitmap ScreenUnder() override;
  bool CrossFadesMayDraw() const override { return !Fading(); }
  void OnWindowFadeEnded() override { FormPaint(); }

  void OnExpose() override { FormPaint(); }

 protected:
  // Makes the platform window; its events come to this object.
  void CreateSkinWindow(const WindowOptions& options);
  // Releases the window first, so that no event reaches a half-destroyed subclass.
  void DestroySkinWindow();

  // The window's background picture, the elements' resting looks drawn in:
  // what the subclass paints first and what its pictures are copied back from.
  Bitmap& SkinBackground() { return background_; }
  const Bitmap& SkinBackground() const { return background_; }

  // The window's look, painted by the subclass into `target` (the window's
  // size). FormPaint paints nothing while ReadyToPaint is false.
  virtual void PaintSkin(Bitmap& target) = 0;
  virtual bool ReadyToPaint() const { return true; }

  // The window's shape by the winding rule.
  void SetShape(const Polygon& polygon);
  // The shape from the vertex list that starts on lines[index] (index is left
  // on its last line). A malformed list leaves the window as it was, with a
  // log line; false then.
  bool SetShape(const TDynamicStringArray& lines, std::size_t& index, const ScriptPaths& paths);
  // The new look fades in over what the screen showed.
  void StartFade();
  // A press on an empty spot: the player drags the borderless window.
  void DragWindow();
  // Shows the window modally: a nested loop runs until `done()` holds or the
  // program ends (false then). Timers of the rest of the program keep firing
  // meanwhile. The modal mark is taken back however the loop is left.
  bool RunModal(const std::function<bool()>& done);
  // Fades the window in, shows it on top with the keyboard (the player works
  // in it) and runs it modally as RunModal does.
  bool ShowModalFaded(const std::function<bool()>& done);

  Platform& platform_;

 private:
  std::unique_ptr<Window> window_;
  Bitmap background_;
  std::unique_ptr<TEffCar> fade_;
  THints hints_;
  int modalDepth_ = 0;
};

}  // namespace trv
