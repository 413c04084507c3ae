#include "shell/parts/ScreenParts.h"

namespace trv {

void TScreenParts::Clear() {
  fields_ = nullptr;
  boxes_ = nullptr;
  clips_ = nullptr;
  popups_ = nullptr;
  trees_ = nullptr;
  while (!parts_.empty()) parts_.pop_back();
}

void TScreenParts::ShowForScreen(int screen) {
  for (auto& p : parts_) p->ShowForScreen(screen);
}

void TScreenParts::Paint(Bitmap& canvas) const {
  for (const auto& p : parts_) p->Paint(canvas);
}

void TScreenParts::PaintAbove(const ScreenPart* part, Bitmap& canvas) const {
  bool above = part == nullptr;
  for (const auto& p : parts_) {
    if (above) p->Paint(canvas);
    if (p.get() == part) above = true;
  }
}

bool TScreenParts::MouseMove(Point p, unsigned shift) {
  for (auto it = parts_.rbegin(); it != parts_.rend(); ++it)
    if ((*it)->MouseMove(p, shift)) return true;
  return false;
}

bool TScreenParts::MouseDown(MouseButton b, Point p, unsigned shift) {
  for (auto it = parts_.rbegin(); it != parts_.rend(); ++it)
    if ((*it)->MouseDown(b, p, shift)) return true;
  return false;
}

bool TScreenParts::MouseUp(MouseButton b, Point p, unsigned shift) {
  for (auto it = parts_.rbegin(); it != parts_.rend(); ++it)
    if ((*it)->MouseUp(b, p, shift)) return true;
  return false;
}

bool TScreenParts::MouseWheel(int delta, Point p, unsigned shift) {
  for (auto it = parts_.rbegin(); it != parts_.rend(); ++it)
    if ((*it)->MouseWheel(delta, p, shift)) return true;
  return false;
}

bool TScreenParts::KeyDown(int key, unsigned shift) {
  for (auto it = parts_.rbegin(); it != parts_.rend(); ++it)
    if (it->get() != trees_ && (*it)->KeyDown(key, shift)) return true;
  return trees_ && trees_->KeyDown(key, shift);
}

bool TScreenParts::Char(char c) {
  for (auto it = parts_.rbegin(); it != parts_.rend(); ++it)
    if ((*it)->Char(c)) return true;
  return false;
}

void TScreenParts::FadeStarted() {
  for (auto& p : parts_) p->FadeStarted();
}

void TScreenParts::FadeEnded() {
  for (auto& p : parts_) p->FadeEnded();
}

void TScreenParts::TraceState(Trace::Event& ev) const {
  for (const auto& p : parts_) p->TraceState(ev);
}

}  // namespace trv
