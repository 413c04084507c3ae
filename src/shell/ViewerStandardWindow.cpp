// The standard window: the main window as an ordinary sizeable window of the
// system with a toolbar, entered by the help role and by "standartwin", left
// by the toolbar's minimize button for the skinned look again.
#include "platform/Log.h"
#include "shell/MainForm.h"
#include "shell/ViewerCommandLine.h"

namespace trv {

void TMainForm::EnterStandardWindow() {
  Window* window = SkinWindow();
  if (!window || destroyed_) return;
  HideHint();
  if (parts_.Boxes()) parts_.Boxes()->Boxes().SetBoxesHidden(true);
  // The skinned shape comes back when the window leaves; a framed window is
  // a plain rectangle.
  if (!standardWindow_) {
    savedRegion_.reset();
    if (const Polygon* region = window->Region()) savedRegion_ = *region;
  }
  window->ClearRegion();
  window->SetColor(kButtonFace);
  window->SetFramed(true);
  window->AcceptFiles(true);

  const bool made = !toolbar_;
  if (made) toolbar_ = std::make_unique<TViewerToolbar>(fonts_);
  toolbar_->SetVisible(true);
  // The status bar is made with the toolbar and stays hidden: there is no
  // document whose state it would tell.
  toolbar_->At(TViewerToolbar::kDivider).visible = false;
  toolbar_->At(TViewerToolbar::kForward).visible = false;
  toolbar_->At(TViewerToolbar::kBack).visible = false;
  toolbar_->SetStatusVisible(false);
  // A viewer cannot go back to a skinned look it never had.
  toolbar_->At(TViewerToolbar::kMinimize).visible = !secondaryRun_;
  standardWindow_ = true;
  platform_.Tracer().Emit("viewer").Utf8("op", "enter-standard").Bool("toolbar-made", made);

  if (const std::optional<Size> size = StandardWindowSize(viewerDocument_)) {
    const Rect b = window->Bounds();
    window->SetBounds(Rect::FromSize(b.left, b.top, size->width, size->height));
  }
  if (role_ == Role::Shell) window->Maximize();
  else window->Show();
  FormPaint();
}

void TMainForm::LeaveStandardWindow() {
  Window* window = SkinWindow();
  if (!window || !standardWindow_) return;
  HideHint();
  toolbar_->SetVisible(false);
  toolbar_->SetStatusVisible(false);
  standardWindow_ = false;
  window->SetColor(MakeColor(255, 255, 255));
  window->ShowNormal();
  const Rect b = window->Bounds();
  window->SetBounds(Rect::FromSize(b.left, b.top, SkinBackground().Width(), SkinBackground().Height()));
  window->SetFramed(false);
  if (savedRegion_) window->SetRegion(*savedRegion_);
  savedRegion_.reset();
  if (parts_.Boxes()) parts_.Boxes()->Boxes().SetBoxesHidden(false);
  window->AcceptFiles(true);
  platform_.Tracer().Emit("viewer").Utf8("op", "leave-standard");
  FormPaint();
}

void TMainForm::PaintStandardWindow(Bitmap& target) {
  // No document is shown: the face colour under the toolbar.
  target.Fill(target.Bounds(), kButtonFace);
  if (toolbar_) toolbar_->Paint(target);
}

void TMainForm::StandardMouseMove(Point p) {
  if (!toolbar_ || !toolbar_->MouseMove(p)) return;
  const TViewerToolbar::Button hot = toolbar_->Hot();
  if (hot == TViewerToolbar::kButtonCount) Hints().Hide();
  else Hints().Arm(toolbar_->At(hot).hint, {p.x, p.y + kCursorHeight});
  FormPaint();
}

void TMainForm::OnMouseLeave() {
  if (!standardWindow_ || !toolbar_ || toolbar_->Hot() == TViewerToolbar::kButtonCount) return;
  toolbar_->MouseLeave();
  Hints().Hide();
  FormPaint();
}

void TMainForm::StandardMouseDown(Point p) {
  Hints().Hide();
  if (toolbar_ && toolbar_->MouseDown(p)) FormPaint();
}

void TMainForm::StandardMouseUp(Point p) {
  if (!toolbar_) return;
  const TViewerToolbar::Button clicked = toolbar_->MouseUp(p);
  // Only the minimize button acts; print and the history buttons have nothing to do here.
  if (clicked == TViewerToolbar::kMinimize) {
    platform_.Tracer().Emit("viewer").Utf8("op", "toolbar").Utf8("button", "minimize");
    LeaveStandardWindow();
    return;
  }
  static constexpr const char* kNames[] = {"minimize", "print", "divider", "forward", "back"};
  if (clicked != TViewerToolbar::kButtonCount)
    platform_.Tracer().Emit("viewer").Utf8("op", "toolbar").Utf8("button", kNames[clicked]);
  FormPaint();
}

}  // namespace trv
