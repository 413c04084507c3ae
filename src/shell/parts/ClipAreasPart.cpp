#include "shell/parts/ClipAreasPart.h"

#include "platform/Log.h"
#include "windows/Hints.h"

namespace trv {

TClipAreasPart::TClipAreasPart(ScreenPartHost& host, MediaSystem& media, EventLoop& loop,
                               const TDynamicClipArray& clips, TBackgroundMusic* music)
    : host_(host) {
  for (const RClip& c : clips) areas_.push_back({Rect{c.left, c.top, c.right, c.bottom}, c.bgColor, c.screen, c.html});
  ClipPlayerHost h;
  // A clip shows in the first area of the screen it is played on.
  h.displayArea = [this]() -> std::optional<Rect> {
    const int screen = host_.CurrentScreen();
    for (const Area& a : areas_)
      if (a.screen == screen) return a.rect;
    return std::nullopt;
  };
  h.window = host_.ScreenWindow();
  h.busyCursor = [this](bool busy) {
    if (Window* w = host_.ScreenWindow()) w->SetCursor(busy ? Cursor::Wait : Cursor::Arrow);
  };
  player_ = std::make_unique<TSound>(media, loop, std::move(h), music);
  ShowForScreen(host_.CurrentScreen());
}

void TClipAreasPart::Stop() {
  try {
    player_->Stop();
  } catch (const EMCIDeviceError& e) {
    Log("clips", std::string("stop: ") + e.what());
  }
}

void TClipAreasPart::Pause() {
  try {
    player_->SetNotify(false);
    player_->Pause();
  } catch (const EMCIDeviceError& e) {
    Log("clips", std::string("pause: ") + e.what());
  }
}

void TClipAreasPart::ShowForScreen(int screen) {
  for (Area& a : areas_) {
    if (a.screen == screen) a.visible = true;
    else if (a.screen == previousScreen_) a.visible = false;
  }
  previousScreen_ = screen;
  ShowVideoIfAreaShows();
}

void TClipAreasPart::ShowVideoIfAreaShows() {
  // A clip is shown in the first area of the screen it was played on; an
  // area that shows at the video's place is where it goes on showing.
  bool shown = false;
  if (player_->Display() == host_.ScreenWindow())
    for (const Area& a : areas_) shown = shown || (a.visible && a.rect == player_->DisplayRect());
  player_->ShowVideo(shown || player_->Display() != host_.ScreenWindow());
}

void TClipAreasPart::Paint(Bitmap& canvas) const {
  for (const Area& a : areas_)
    if (a.visible) canvas.Fill(a.rect, a.color);
  // The video shows over its area as the area's own picture.
  if (player_->Display() == host_.ScreenWindow()) player_->DrawVideo(canvas);
}

const TClipAreasPart::Area* TClipAreasPart::VisibleAt(Point p) const {
  for (const Area& a : areas_)
    if (a.visible && a.rect.Contains(p)) return &a;
  return nullptr;
}

bool TClipAreasPart::MouseMove(Point p, unsigned) {
  if (!VisibleAt(p)) return false;
  host_.LeaveElements();
  return true;
}

bool TClipAreasPart::MouseDown(MouseButton, Point p, unsigned) {
  if (!VisibleAt(p)) return false;
  host_.ScreenHints().Hide();
  return true;
}

bool TClipAreasPart::MouseUp(MouseButton, Point p, unsigned) { return VisibleAt(p) != nullptr; }

void TClipAreasPart::TraceState(Trace::Event& ev) const {
  // Only scripts that have clip areas show them, so the traces of others stay as they were.
  if (areas_.empty()) return;
  std::string out = "[";
  for (const Area& a : areas_) {
    if (out.size() > 1) out += ",";
    out += "{\"screen\":" + std::to_string(a.screen + 1) + ",\"visible\":" + (a.visible ? "true" : "false") + "}";
  }
  ev.Json("clips", out + "]");
}

}  // namespace trv
