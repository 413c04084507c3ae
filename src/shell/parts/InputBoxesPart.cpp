#include "shell/parts/InputBoxesPart.h"

#include "platform/Platform.h"
#include "windows/Hints.h"

namespace trv {

TInputBoxesPart::TInputBoxesPart(ScreenPartHost& host, Platform& platform, const std::string& title,
                                 const TDynamicPathInputArray& list)
    : host_(host) {
  PathBoxHost h;
  h.currentScreen = [this] { return host_.CurrentScreen(); };
  h.ownerVisible = [this] {
    Window* w = host_.ScreenWindow();
    return w && w->Visible();
  };
  h.typingSound = [this](const std::string& sound) { host_.PlayTypingSound(sound); };
  h.mouseOverBox = [this] { host_.LeaveElements(); };
  // A standard hint: after the pause, below the pointer, when hints show.
  h.boxHint = [this](const std::string& hint, Point p) {
    if (host_.ShowHints()) host_.ScreenHints().Arm(hint, {p.x, p.y + kCursorHeight});
  };
  h.changed = [this](int index) { Changed(index); };
  boxes_ = std::make_unique<TPathInputBox>(platform, std::move(h), title, false, list);
}

void TInputBoxesPart::Changed(int index) {
  Window* w = host_.ScreenWindow();
  if (!w || host_.Fading()) return;
  if (index < 0 || std::size_t(index) >= boxes_->Count()) {
    host_.PartChanged(*this, {});
    return;
  }
  // A box covers its whole rectangle: only it needs drawing again.
  boxes_->Paint(w->Framebuffer());
  host_.PartChanged(*this, boxes_->Box(std::size_t(index)).Bounds());
}

void TInputBoxesPart::ShowForScreen(int /*screen*/) { boxes_->ShowForScreen(false, 0); }

void TInputBoxesPart::Paint(Bitmap& canvas) const { boxes_->Paint(canvas); }

bool TInputBoxesPart::MouseMove(Point p, unsigned shift) {
  Window* w = host_.ScreenWindow();
  if (boxes_->MouseMove(p, shift)) {
    // Every time: a screen switch may have set the cursor meanwhile.
    if (w) w->SetCursor(Cursor::IBeam);
    over_ = true;
    return true;
  }
  if (over_ && w) w->SetCursor(Cursor::Arrow);
  over_ = false;
  return false;
}

bool TInputBoxesPart::MouseDown(MouseButton b, Point p, unsigned shift) {
  if (host_.Fading() || !boxes_->MouseDown(b, p, shift)) return false;
  host_.ScreenHints().Hide();
  if (Window* w = host_.ScreenWindow(); w && boxes_->Capturing()) w->SetMouseCapture(true);
  return true;
}

bool TInputBoxesPart::MouseUp(MouseButton, Point p, unsigned shift) {
  if (boxes_->Capturing()) {
    boxes_->MouseUp(p, shift);
    if (Window* w = host_.ScreenWindow()) w->SetMouseCapture(false);
    return true;
  }
  return boxes_->BoxAt(p) >= 0;
}

bool TInputBoxesPart::KeyDown(int key, unsigned shift) { return !host_.Fading() && boxes_->KeyDown(key, shift); }

bool TInputBoxesPart::Char(char c) { return !host_.Fading() && boxes_->Char(c); }

void TInputBoxesPart::TraceState(Trace::Event& ev) const {
  // Only scripts that have boxes show them, so traces of others stay as they were.
  if (boxes_->Count()) ev.Json("boxes", boxes_->StateJson());
}

}  // namespace trv
