#include "windows/SkinWindow.h"

#include "platform/Log.h"
#include "script/ScriptLists.h"

namespace trv {

TSkinWindow::TSkinWindow(Platform& platform)
    : platform_(platform), hints_(platform, [this] { return window_.get(); }) {}

TSkinWindow::~TSkinWindow() { DestroySkinWindow(); }

void TSkinWindow::CreateSkinWindow(const WindowOptions& options) {
  window_ = platform_.CreateWindow(options);
  window_->SetEvents(this);
  fade_ = std::make_unique<TEffCar>(*this, platform_.Loop());
}

void TSkinWindow::DestroySkinWindow() {
  hints_.Clear();
  if (window_) {
    window_->SetEvents(nullptr);
    window_->Hide();
  }
  fade_.reset();
}

void TSkinWindow::FormPaint() {
  if (!window_ || !ReadyToPaint()) return;
  Bitmap& fb = window_->Framebuffer();
  if (Fading()) fade_->DrawFrame(fb);
  else PaintSkin(fb);
  window_->Present();
}

Bitmap TSkinWindow::ScreenUnder() { return platform_.CaptureScreen(window_->Bounds()); }

void TSkinWindow::SetShape(const Polygon& polygon) {
  if (window_) window_->SetRegion(polygon);
}

bool TSkinWindow::SetShape(const TDynamicStringArray& lines, std::size_t& index, const ScriptPaths& paths) {
  try {
    SetShape(ReadVertexList(lines, index, paths));
    return true;
  } catch (const ScriptError& e) {
    Log("window", std::string("the window shape cannot be read: ") + e.what());
    return false;
  }
}

void TSkinWindow::StartFade() {
  if (fade_) fade_->Start();
}

void TSkinWindow::DragWindow() {
  if (!window_) return;
  window_->SetMouseCapture(false);
  window_->BeginDrag();
}

bool TSkinWindow::RunModal(const std::function<bool()>& done) {
  struct ModalMark {
    int& depth;
    explicit ModalMark(int& d) : depth(d) { ++depth; }
    ~ModalMark() { --depth; }
  } mark(modalDepth_);
  return platform_.Loop().RunModal(done);
}

bool TSkinWindow::ShowModalFaded(const std::function<bool()>& done) {
  StartFade();
  window_->Show();
  window_->Raise();
  FormPaint();
  return RunModal(done);
}

}  // namespace trv
