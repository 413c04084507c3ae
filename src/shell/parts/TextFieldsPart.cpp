#include "shell/parts/TextFieldsPart.h"

#include "windows/Hints.h"

namespace trv {

TTextFieldsPart::TTextFieldsPart(ScreenPartHost& host, FontEngine* fonts, const TDynamicTextArray& texts, Trace* trace)
    : host_(host) {
  TextFieldSurface surface;
  surface.currentScreen = [this] { return host_.CurrentScreen(); };
  // Fields draw straight onto the window, except while its fade owns it.
  surface.canvas = [this]() -> Bitmap* {
    Window* w = host_.ScreenWindow();
    return w && !host_.Fading() ? &w->Framebuffer() : nullptr;
  };
  surface.background = [this]() -> const Bitmap* { return &host_.ScreenBackground(); };
  surface.changed = [this](const Rect& r) {
    if (!r.Empty()) host_.PartChanged(*this, r);
  };
  fields_ = std::make_unique<TTextMsg>(fonts, texts, std::move(surface), trace);
}

void TTextFieldsPart::Paint(Bitmap& canvas) const { fields_->PaintTexts(canvas, host_.CurrentScreen()); }

// The buttons' and switches' controls lie over the zones: a zone takes only
// the points of its own that no element's control covers.
bool TTextFieldsPart::ZoneAt(Point p) const { return fields_->ZoneAt(p) && !host_.ElementControlAt(p); }

bool TTextFieldsPart::MouseMove(Point p, unsigned /*shift*/) {
  if (!ZoneAt(p)) {
    over_ = false;
    return false;
  }
  if (host_.Fading()) return true;
  // Entering a zone ends the hover of the element the pointer came from,
  // which would otherwise stay lit until the pointer came back.
  if (!over_) host_.LeaveElements();
  over_ = true;
  if (std::optional<TextHint> hint = fields_->HintAt(p))
    host_.ScreenHints().Arm(hint->text, {hint->x, hint->y});
  else
    host_.ScreenHints().Hide();
  return true;
}

bool TTextFieldsPart::MouseDown(MouseButton, Point p, unsigned) {
  if (!ZoneAt(p)) return false;
  host_.ScreenHints().Hide();
  return true;
}

bool TTextFieldsPart::MouseUp(MouseButton, Point p, unsigned) { return ZoneAt(p); }  // the zones take no release

void TTextFieldsPart::TraceState(Trace::Event& ev) const { ev.Json("fields", fields_->StateJson()); }

}  // namespace trv
