#pragma once

#include <SDL.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/Window.h"

namespace trv {

class SdlPlatform;

// A borderless SDL window. The framebuffer is copied to the window surface on
// Present. Where the video driver can shape windows (X11) the region is applied
// with the shape extension, which clips both drawing and mouse input; elsewhere
// the region only filters mouse input.
class SdlWindow : public Window {
 public:
  SdlWindow(SdlPlatform& platform, const WindowOptions& options);
  ~SdlWindow() override;

  const std::string& Role() const override { return options_.role; }
  void SetEvents(WindowEvents* events) override { events_ = events; }
  Bitmap& Framebuffer() override { return framebuffer_; }
  void Present() override;
  void Present(const Rect& dirty) override;
  void SetBounds(const Rect& screenRect) override;
  Rect Bounds() const override { return bounds_; }
  void Show() override;
  void Hide() override;
  bool Visible() const override { return visible_; }
  void Minimize() override;
  void Restore() override;
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

  // For the platform's event routing and for tests.
  SDL_Window* Handle() const { return window_; }
  Uint32 SdlId() const { return sdlId_; }
  std::uint64_t Serial() const { return serial_; }
  WindowEvents* Events() const { return events_; }
  bool Shaped() const { return shaped_; }
  bool Minimized() const { return minimized_; }
  bool AcceptsFiles() const { return acceptFiles_; }
  Cursor CurrentCursor() const { return cursor_; }
  // True when client point p belongs to the window's shape.
  bool InShape(Point p) const;

 private:
  friend class SdlPlatform;
  // Applies the region (or the full rectangle) to the window at its size.
  void ApplyShape();
  // The system moved or resized the window (a window manager, the desktop).
  void NoteMoved(int x, int y);
  void NoteResized(int width, int height);
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
  std::vector<std::uint8_t> mask_;  // region_ at the window's size; empty without region
  Cursor cursor_ = Cursor::Arrow;
  bool acceptFiles_ = false;
  bool shapeSet_ = false;  // a shape was given to the system, so size changes redo it
  bool presentFailed_ = false;
};

// An SDL surface showing a Bitmap's pixels without copying them.
SDL_Surface* WrapBitmap(const Bitmap& bitmap);

}  // namespace trv
