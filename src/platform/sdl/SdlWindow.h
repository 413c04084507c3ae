#pragma once

#include <SDL.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/Window.h"

namespace trv {

class SdlPlatform;

// A borderless SDL window. The framebuffer is copied to the window surface on
// Present, each pixel as a block of the platform's scale; bounds, the region
// and the mouse are in program pixels. Where the video driver can shape windows (X11) the region is applied
// with the shape extension, which clips both drawing and mouse input; elsewhere
// the region only filters mouse input.
class SdlWindow : public Window {
 public:
  SdlWindow(SdlPlatform& platform, const WindowOptions& options);
  ~SdlWindow() override;

  const std::string& Role() const override { return options_.role; }
  void SetEvents(WindowEvents* events) override { events_ = events; }
  WindowEvents* Events() const override { return events_; }
  Bitmap& Framebuffer() override { return framebuffer_; }
  void Present() override;
  void Present(const Rect& dirty) override;
  void SetBounds(const Rect& screenRect) override;
  Rect Bounds() const override { return bounds_; }
  void Show() override { ShowWindow(!options_.noActivate); }
  void ShowNoActivate() override { ShowWindow(false); }
  void Hide() override;
  bool Visible() const override { return visible_; }
  bool HasFocus() const override;
  void Minimize() override;
  void Restore() override;
  bool Minimized() const override { return minimized_; }
  void Raise() override;
  void SetTopmost(bool topmost) override;
  void SetRegion(const Polygon& polygon) override;
  void ClearRegion() override;
  const Polygon* Region() const override { return region_ ? &*region_ : nullptr; }
  void SetCaption(const std::string& cp1251) override;
  const std::string& Caption() const override { return options_.caption; }
  void SetIcon(const Bitmap& icon) override;
  void SetCursor(Cursor cursor) override;
  void BeginDrag() override;
  void SetMouseCapture(bool capture) override;
  void AcceptFiles(bool accept) override { acceptFiles_ = accept; }
  void Close() override;
  void SetFramed(bool framed) override;
  bool Framed() const override { return framed_; }
  void Maximize() override;
  void ShowNormal() override;
  bool Maximized() const override { return maximized_; }
  void SetColor(Color color) override { color_ = color; }

  // For the platform's event routing and for tests.
  SDL_Window* Handle() const { return window_; }
  Uint32 SdlId() const { return sdlId_; }
  std::uint64_t Serial() const { return serial_; }
  bool Shaped() const { return shaped_; }
  bool NoActivate() const { return options_.noActivate; }
  bool Topmost() const { return options_.topmost; }
  bool AcceptsFiles() const { return acceptFiles_; }
  Cursor CurrentCursor() const { return cursor_; }

 private:
  friend class SdlPlatform;
  void ShowWindow(bool activate);
  // Applies the region (or the full rectangle) to the window at its size.
  void ApplyShape();
  // The system moved or resized the window (a window manager, the desktop);
  // screen pixels, which these turn into the program's.
  void NoteMoved(int screenX, int screenY);
  void NoteResized(int screenWidth, int screenHeight);
  // Minimize/restore that came from outside.
  void NoteMinimized(bool minimized);

  SdlPlatform& platform_;
  WindowOptions options_;
  WindowEvents* events_ = nullptr;
  SDL_Window* window_ = nullptr;
  Uint32 sdlId_ = 0;
  std::uint64_t serial_ = 0;
  bool shaped_ = false;
  Rect bounds_;
  Bitmap framebuffer_;
  bool visible_ = false;
  bool minimized_ = false;
  std::optional<Polygon> region_;
  Cursor cursor_ = Cursor::Arrow;
  bool acceptFiles_ = false;
  bool shapeSet_ = false;  // a shape was given to the system, so size changes redo it
  bool presentFailed_ = false;
  bool framed_ = false;
  bool maximized_ = false;
  Rect normalBounds_;
  Color color_ = MakeColor(255, 255, 255);
};

// An SDL surface showing a Bitmap's pixels without copying them.
SDL_Surface* WrapBitmap(const Bitmap& bitmap);

}  // namespace trv
