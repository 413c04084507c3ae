#include "windows/SkinButton.h"

#include <algorithm>

namespace trv {
namespace {

// Copies the picture over the element's rectangle, from its top-left. An
// empty picture (one that failed to load) draws nothing.
void CopyPicture(Bitmap& canvas, const Bitmap& picture, const Rect& r) {
  if (picture.Empty()) return;
  canvas.Blit(r.left, r.top, picture, Rect{0, 0, r.Width(), r.Height()});
}

// Loads the first `count` pictures named by `record`; the first one's size,
// when it was read, gives the right and bottom edges.
template <typename Record, std::size_t N>
void LoadSet(const TPictureLoader& loader, Record& record, std::array<Bitmap, N>& pictures, std::size_t count) {
  for (std::size_t k = 0; k < count && k < N; ++k) {
    if (!loader.Load(record.fn[k], &pictures[k]) || k != 0) continue;
    record.right = record.left + pictures[k].Width();
    record.bottom = record.top + pictures[k].Height();
  }
}

void StartFade(TEffBtnCar& animation, const Bitmap& from, const Bitmap& to, Point at, const RepaintFunction& repaint) {
  if (from.Empty() || to.Empty()) {
    if (repaint) repaint();
    return;
  }
  animation.Start(from, to, at);
}

}  // namespace

TSkinButton::TSkinButton(EffectOwner& owner, EventLoop& loop, RepaintFunction repaint)
    : animation_(std::make_unique<TEffBtnCar>(owner, loop)), repaint_(std::move(repaint)) {
  animation_->SetStep(10);
}

void TSkinButton::LoadPictures(const TPictureLoader& loader, std::size_t count) {
  LoadSet(loader, *record_, pictures_, count);
}

void TSkinButton::CrossFade(std::size_t from, std::size_t to) {
  StartFade(*animation_, pictures_[from], pictures_[to], {record_->left, record_->top}, repaint_);
}

void TSkinButton::Paint(Bitmap& canvas) const {
  if (!active) CopyPicture(canvas, pictures_[kBtnInactive], Bounds());
  else if (hover) CopyPicture(canvas, pictures_[kBtnHover], Bounds());
}

void TSkinButton::PaintNormal(Bitmap& background) const { CopyPicture(background, pictures_[kBtnNormal], Bounds()); }

TSkinSwitch::TSkinSwitch(EffectOwner& owner, EventLoop& loop, RepaintFunction repaint)
    : animation_(std::make_unique<TEffBtnCar>(owner, loop)), repaint_(std::move(repaint)) {
  animation_->SetStep(10);
}

void TSkinSwitch::LoadPictures(const TPictureLoader& loader) { LoadSet(loader, *record_, pictures_, kSwPictures); }

void TSkinSwitch::CrossFade(std::size_t from, std::size_t to) {
  StartFade(*animation_, pictures_[from], pictures_[to], {record_->left, record_->top}, repaint_);
}

void TSkinSwitch::Enter() {
  if (record_->on) CrossFade(kSwOn, kSwOnHover);
  else CrossFade(kSwOff, kSwOffHover);
  record_->underMouse = true;
}

void TSkinSwitch::Leave() {
  if (record_->on) CrossFade(kSwOnHover, kSwOn);
  else CrossFade(kSwOffHover, kSwOff);
  record_->underMouse = false;
}

void TSkinSwitch::Toggle() {
  if (record_->on) CrossFade(kSwOnHover, kSwOffHover);
  else CrossFade(kSwOffHover, kSwOnHover);
  record_->on = !record_->on;
}

void TSkinSwitch::Paint(Bitmap& canvas) const {
  std::size_t k = kSwPictures;
  if (record_->underMouse) k = record_->on ? kSwOnHover : kSwOffHover;
  else if (record_->on) k = kSwOn;
  if (k < kSwPictures) CopyPicture(canvas, pictures_[k], Bounds());
}

void TSkinSwitch::PaintNormal(Bitmap& background) const { CopyPicture(background, pictures_[kSwOff], Bounds()); }

}  // namespace trv
