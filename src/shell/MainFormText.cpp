// The main window's text fields and input boxes: made at start-up, painted
// over the screen's pictures, and the mouse and keys they take before the
// window's own handlers.
#include "shell/MainForm.h"

namespace trv {

void TMainForm::CreateTextComponents() {
  if (!elements_.texts.empty()) {
    TextFieldSurface surface;
    surface.currentScreen = [this] { return currentScreen_; };
    // Fields draw straight onto the window, except while its fade owns it.
    surface.canvas = [this]() -> Bitmap* { return window_ && !Fading() ? &window_->Framebuffer() : nullptr; };
    surface.background = [this]() -> const Bitmap* { return &background_; };
    surface.changed = [this](const Rect& r) {
      if (!window_ || r.Empty()) return;
      // The boxes lie over the fields, as windows of their own would.
      if (pathBoxes_) pathBoxes_->Paint(window_->Framebuffer());
      if (window_->Visible()) window_->Present(r);
    };
    textMsg_ = std::make_unique<TTextMsg>(fonts_, elements_.texts, std::move(surface), &platform_.Tracer());
  }
  PathBoxHost host;
  host.currentScreen = [this] { return currentScreen_; };
  host.ownerVisible = [this] { return window_ && window_->Visible(); };
  host.typingSound = [this](const std::string& sound) { RunCommand("playwavonly", sound, 0, 0, 0); };
  host.mouseOverBox = [this] { FormMouseMove(0, -1, -1); };
  // A standard hint: after the pause, below the pointer.
  host.boxHint = [this](const std::string& hint, Point p) {
    hintText_ = hint;
    hintX_ = p.x;
    hintY_ = p.y + kCursorHeight;
    StartHintTimer();
  };
  host.changed = [this](int index) { InputBoxChanged(index); };
  pathBoxes_ = std::make_unique<TPathInputBox>(platform_, std::move(host), title_, false, elements_.inputBoxes);
}

void TMainForm::DestroyTextComponents() {
  textMsg_.reset();
  pathBoxes_.reset();  // writes the typed texts to the settings
}

void TMainForm::PaintTextComponents(Bitmap& canvas) {
  if (textMsg_) textMsg_->PaintTexts(canvas, currentScreen_);
  if (pathBoxes_) pathBoxes_->Paint(canvas);
}

void TMainForm::InputBoxChanged(int index) {
  if (!window_ || Fading()) return;
  if (index < 0 || !pathBoxes_ || std::size_t(index) >= pathBoxes_->Count()) {
    FormPaint();
    return;
  }
  // A box covers its whole rectangle: only it needs drawing again.
  pathBoxes_->Paint(window_->Framebuffer());
  if (window_->Visible()) window_->Present(pathBoxes_->Box(std::size_t(index)).Bounds());
}

void TMainForm::ShowBoxesOnFirstShow() {
  // Boxes appear when a fade into their screen ends; the first screen comes
  // without a fade, so its boxes are shown with the window.
  if (pathBoxes_ && !Fading()) pathBoxes_->SetBoxesHidden(false);
}

void TMainForm::OnWindowFadeStarted() {
  if (pathBoxes_) pathBoxes_->SetBoxesHidden(true);
}

void TMainForm::OnWindowFadeEnded() {
  if (pathBoxes_) pathBoxes_->SetBoxesHidden(false);
  FormPaint();
}

bool TMainForm::RouteKeyToInputBox(int key, unsigned shift) {
  return pathBoxes_ && !Fading() && pathBoxes_->KeyDown(key, shift);
}

bool TMainForm::RouteCharToInputBox(char c) { return pathBoxes_ && !Fading() && pathBoxes_->Char(c); }

std::string TMainForm::InputBoxText() const { return pathBoxes_ ? pathBoxes_->GetBoxText() : std::string(); }

void TMainForm::SetInputBoxText(const std::string& text) {
  if (pathBoxes_) pathBoxes_->SetBoxText(text);
}

void TMainForm::InputBoxesShowForScreen() {
  if (pathBoxes_) pathBoxes_->ShowForScreen(false, 0);
}

bool TMainForm::ElementControlAt(Point p) const {
  // The mouse controls of buttons and switches lie over the hint zones of the
  // fields; they take a point of their own area, edges on the left and top included.
  const std::size_t screen = std::size_t(currentScreen_);
  auto any = [&](const auto& lists) {
    if (screen >= lists.size()) return false;
    for (const auto& e : lists[screen])
      if (Rect{e.left, e.top, e.right, e.bottom}.Contains(p)) return true;
    return false;
  };
  return any(elements_.Buttons) || any(elements_.SingleSwitches) || any(elements_.GroupSwitches);
}

bool TMainForm::TextZoneAt(Point p) const {
  return role_ == Role::Shell && textMsg_ && textMsg_->ZoneAt(p) && !ElementControlAt(p);
}

// The mouse over the main window does nothing while the game dialog is
// modal, as over a disabled window: a click would run a command underneath.
void TMainForm::OnMouseMove(Point p, unsigned shift) {
  if (dialog_ && dialog_->Modal()) return;
  if (pathBoxes_ && pathBoxes_->MouseMove(p, shift)) {
    // Every time: a screen switch may have set the cursor meanwhile.
    window_->SetCursor(Cursor::IBeam);
    overBox_ = true;
    return;
  }
  if (overBox_) window_->SetCursor(Cursor::Arrow);
  overBox_ = false;
  if (TextZoneAt(p)) {
    if (Fading()) return;
    // Entering a zone ends the hover of the element the pointer came from,
    // which would otherwise stay lit until the pointer came back.
    if (!overTextZone_) FormMouseMove(shift, -1, -1);
    overTextZone_ = true;
    if (std::optional<TextHint> hint = textMsg_->HintAt(p)) {
      hintX_ = hint->x;
      hintText_ = hint->text;
      hintY_ = hint->y;
      StartHintTimer();
    } else {
      HideHint();
    }
    return;
  }
  overTextZone_ = false;
  FormMouseMove(shift, p.x, p.y);
}

void TMainForm::OnMouseDown(MouseButton b, Point p, unsigned shift) {
  if (dialog_ && dialog_->Modal()) return;
  if (pathBoxes_ && !Fading() && pathBoxes_->MouseDown(b, p, shift)) {
    HideHint();
    if (pathBoxes_->Capturing() && window_) window_->SetMouseCapture(true);
    return;
  }
  if (TextZoneAt(p)) {
    HideHint();
    return;
  }
  FormMouseDown(b, shift, p.x, p.y);
}

void TMainForm::OnMouseUp(MouseButton b, Point p, unsigned shift) {
  // A box's drag that began before the dialog still ends, or it would keep the capture.
  if (dialog_ && dialog_->Modal() && !(pathBoxes_ && pathBoxes_->Capturing())) return;
  if (pathBoxes_ && pathBoxes_->Capturing()) {
    pathBoxes_->MouseUp(p, shift);
    if (window_) window_->SetMouseCapture(false);
    return;
  }
  if (pathBoxes_ && pathBoxes_->BoxAt(p) >= 0) return;
  if (TextZoneAt(p)) return;  // the zones take no release
  FormMouseUp(b, shift, p.x, p.y);
}

}  // namespace trv
