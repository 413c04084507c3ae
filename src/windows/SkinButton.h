#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <memory>

#include "platform/Bitmap.h"
#include "platform/EventLoop.h"
#include "script/ShellElements.h"
#include "windows/EffBtnCar.h"
#include "windows/SkinPictures.h"

namespace trv {

// Picture numbers of a button, from 0. The game fades some buttons through
// pictures 5 to 7.
constexpr std::size_t kBtnNormal = 0;
constexpr std::size_t kBtnHover = 1;
constexpr std::size_t kBtnPressed = 2;
constexpr std::size_t kBtnInactive = 3;
constexpr std::size_t kBtnPictures = 7;

// Picture numbers of a switch, from 0.
constexpr std::size_t kSwOff = 0;
constexpr std::size_t kSwOffHover = 1;
constexpr std::size_t kSwOnHover = 2;
constexpr std::size_t kSwOn = 3;
constexpr std::size_t kSwPictures = 4;

// Called when a cross-fade cannot run because a picture is missing: the
// owner then shows the element's new look with a repaint.
using RepaintFunction = std::function<void()>;

// One picture button of a skinned window: its record (place, pictures'
// names, command, hint, sound), its pictures, its marks and its cross-fade.
// The record belongs to the window's model and outlives the button.
class TSkinButton {
 public:
  TSkinButton(EffectOwner& owner, EventLoop& loop, RepaintFunction repaint = {});
  TSkinButton(const TSkinButton&) = delete;
  TSkinButton& operator=(const TSkinButton&) = delete;

  void Bind(RBtn* record) { record_ = record; }
  RBtn& Record() { return *record_; }
  const RBtn& Record() const { return *record_; }
  Rect Bounds() const { return {record_->left, record_->top, record_->right, record_->bottom}; }
  // Edges are outside: left < x < right and top < y < bottom.
  bool Contains(Point p) const { return Bounds().StrictlyContains(p); }

  // Loads pictures 1 to `count`; picture 1's size gives the right and bottom
  // edges. A picture that cannot be read keeps what it held.
  void LoadPictures(const TPictureLoader& loader, std::size_t count = 4);
  Bitmap& Picture(std::size_t i) { return pictures_[i]; }
  const Bitmap& Picture(std::size_t i) const { return pictures_[i]; }

  // Cross-fades picture `from` into picture `to` at the button; without both
  // pictures nothing runs and the owner repaints instead.
  void CrossFade(std::size_t from, std::size_t to);
  TEffBtnCar& Animation() { return *animation_; }
  const TEffBtnCar& Animation() const { return *animation_; }

  // Over the rectangle: picture 4 when inactive, picture 2 when active and
  // under the mouse, nothing otherwise (the background holds picture 1).
  void Paint(Bitmap& canvas) const;
  // Picture 1 into the background at the rectangle.
  void PaintNormal(Bitmap& background) const;

  bool hover = false;    // under the mouse
  bool pressed = false;  // pressed, and the mouse has not left it since
  bool active = true;    // an inactive button shows picture 4, takes no press and runs nothing

 private:
  RBtn* record_ = nullptr;
  std::array<Bitmap, kBtnPictures> pictures_;
  std::unique_ptr<TEffBtnCar> animation_;
  RepaintFunction repaint_;
};

// One switch: its record (place, state, commands, hint, sound) in the
// window's model, its four pictures and its cross-fade.
class TSkinSwitch {
 public:
  TSkinSwitch(EffectOwner& owner, EventLoop& loop, RepaintFunction repaint = {});
  TSkinSwitch(const TSkinSwitch&) = delete;
  TSkinSwitch& operator=(const TSkinSwitch&) = delete;

  void Bind(RSwthOne* record) {
    record_ = record;
    single_ = record;
    group_ = nullptr;
  }
  void Bind(RSwthGrp* record) {
    record_ = record;
    group_ = record;
    single_ = nullptr;
  }
  RSwitch& Record() { return *record_; }
  const RSwitch& Record() const { return *record_; }
  // The record as bound: null for the other kind.
  RSwthOne* Single() const { return single_; }
  RSwthGrp* Group() const { return group_; }
  Rect Bounds() const { return {record_->left, record_->top, record_->right, record_->bottom}; }
  bool Contains(Point p) const { return Bounds().StrictlyContains(p); }

  // As for buttons, with the four pictures.
  void LoadPictures(const TPictureLoader& loader);
  Bitmap& Picture(std::size_t i) { return pictures_[i]; }
  const Bitmap& Picture(std::size_t i) const { return pictures_[i]; }
  void CrossFade(std::size_t from, std::size_t to);
  TEffBtnCar& Animation() { return *animation_; }

  // The pointer comes over it or leaves it: the look follows, on or off.
  void Enter();
  void Leave();
  // Turns it on or off with the cross-fade between the hovered looks.
  void Toggle();

  // Under the mouse: picture 3 when on, 2 when off; at rest: picture 4 when
  // on, nothing when off.
  void Paint(Bitmap& canvas) const;
  void PaintNormal(Bitmap& background) const;

 private:
  RSwitch* record_ = nullptr;
  RSwthOne* single_ = nullptr;
  RSwthGrp* group_ = nullptr;
  std::array<Bitmap, kSwPictures> pictures_;
  std::unique_ptr<TEffBtnCar> animation_;
  RepaintFunction repaint_;
};

}  // namespace trv
