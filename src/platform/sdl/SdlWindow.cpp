#include "platform/sdl/SdlWindow.h"

#include <SDL_shape.h>

#include <algorithm>
#include <cstring>

#include "platform/LoopRules.h"
#include "platform/Log.h"
#include "platform/PixelScale.h"
#include "platform/Text.h"
#include "platform/TraceEvents.h"
#include "platform/sdl/SdlPlatform.h"

namespace trv {

SDL_Surface* WrapBitmap(const Bitmap& bitmap) {
  return SDL_CreateRGBSurfaceWithFormatFrom(const_cast<std::uint8_t*>(bitmap.Data()), bitmap.Width(),
                                            bitmap.Height(), 24, bitmap.Stride(), SDL_PIXELFORMAT_BGR24);
}

SdlWindow::SdlWindow(SdlPlatform& platform, const WindowOptions& options)
    : platform_(platform), options_(options), bounds_(options.bounds) {
  framebuffer_.Resize(std::max(0, bounds_.Width()), std::max(0, bounds_.Height()));
  serial_ = platform_.Register(this);
  if (!platform_.Ready()) return;

  Uint32 flags = SDL_WINDOW_HIDDEN | SDL_WINDOW_BORDERLESS;
  if (options_.topmost) flags |= SDL_WINDOW_ALWAYS_ON_TOP;
  // Hints and popups: no focus, no taskbar entry, outside the window manager's
  // placement, as non-activating tool windows are.
  if (options_.noActivate)
    flags |= SDL_WINDOW_POPUP_MENU | SDL_WINDOW_SKIP_TASKBAR;
  else if (!options_.inTaskbar)
    flags |= SDL_WINDOW_SKIP_TASKBAR;
  const std::string title = Cp1251ToUtf8(options_.caption);
  const int scale = platform_.Scale();
  const int w = std::max(1, bounds_.Width()) * scale, h = std::max(1, bounds_.Height()) * scale;
  const int x = bounds_.left * scale, y = bounds_.top * scale;
  // Created at 0,0 (SDL moves a shaped window to its creation point at the
  // first shape, which would undo later moves), then placed.
  window_ = SDL_CreateShapedWindow(title.c_str(), 0, 0, unsigned(w), unsigned(h), flags);
  shaped_ = window_ != nullptr;
  if (!window_) window_ = SDL_CreateWindow(title.c_str(), x, y, w, h, flags);
  if (!window_) {
    Log("window", "cannot create the " + options_.role + " window: " + SDL_GetError());
    return;
  }
  SDL_SetWindowPosition(window_, x, y);
  sdlId_ = SDL_GetWindowID(window_);
}

SdlWindow::~SdlWindow() {
  platform_.Unregister(this);
  if (window_) SDL_DestroyWindow(window_);
}

void SdlWindow::Present() { Present(framebuffer_.Bounds()); }

void SdlWindow::Present(const Rect& dirty) {
  if (!window_ || framebuffer_.Empty()) return;
  SDL_Surface* dst = SDL_GetWindowSurface(window_);
  if (!dst) {
    if (!presentFailed_) Log("window", std::string("no window surface: ") + SDL_GetError());
    presentFailed_ = true;
    return;
  }
  // The framebuffer is in program pixels; the surface has `scale` times as
  // many each way, and every pixel becomes a block (repeated, never blurred).
  const int scale = platform_.Scale();
  const Rect r = dirty.Intersect(framebuffer_.Bounds()).Intersect({0, 0, dst->w / scale, dst->h / scale});
  if (r.Empty()) return;
  const Rect out = ToScreenPixels(r, scale);
  const SDL_PixelFormat* f = dst->format;
  if (f->BytesPerPixel == 4 && f->Rloss == 0 && f->Gloss == 0 && f->Bloss == 0) {
    // The usual 32-bit window surface: convert directly.
    if (SDL_MUSTLOCK(dst)) SDL_LockSurface(dst);
    PutRepeated(framebuffer_, r, scale, {f->Rshift, f->Gshift, f->Bshift, f->Amask},
                static_cast<std::uint8_t*>(dst->pixels), dst->pitch);
    if (SDL_MUSTLOCK(dst)) SDL_UnlockSurface(dst);
  } else if (SDL_Surface* src = WrapBitmap(framebuffer_)) {
    SDL_Rect from{r.left, r.top, r.Width(), r.Height()}, to{out.left, out.top, out.Width(), out.Height()};
    if (scale == 1) {
      SDL_BlitSurface(src, &from, dst, &to);
    } else {
      // Software scaling picks the nearest pixel, which at a whole factor repeats it.
      SDL_BlitScaled(src, &from, dst, &to);
    }
    SDL_FreeSurface(src);
  }
  const SDL_Rect rect{out.left, out.top, out.Width(), out.Height()};
  SDL_UpdateWindowSurfaceRects(window_, &rect, 1);
}

void SdlWindow::SetBounds(const Rect& r) {
  if (r == bounds_) return;
  const bool resized = r.Width() != bounds_.Width() || r.Height() != bounds_.Height();
  bounds_ = r;
  if (window_) {
    const int scale = platform_.Scale();
    if (resized) SDL_SetWindowSize(window_, std::max(1, r.Width()) * scale, std::max(1, r.Height()) * scale);
    SDL_SetWindowPosition(window_, r.left * scale, r.top * scale);
  }
  if (resized) {
    framebuffer_.Resize(std::max(0, r.Width()), std::max(0, r.Height()), color_);
    ApplyShape();
  }
  TraceWindowBounds(platform_.Tracer(), Role(), r);
}

void SdlWindow::NoteMoved(int screenX, int screenY) {
  const int x = ToProgramPixels(screenX, platform_.Scale()), y = ToProgramPixels(screenY, platform_.Scale());
  if (x == bounds_.left && y == bounds_.top) return;
  bounds_ = bounds_.Offset(x - bounds_.left, y - bounds_.top);
}

void SdlWindow::NoteResized(int screenWidth, int screenHeight) {
  // A size between two whole blocks shows the last part column or row empty.
  const int width = screenWidth / platform_.Scale(), height = screenHeight / platform_.Scale();
  if (width == bounds_.Width() && height == bounds_.Height()) return;
  bounds_.right = bounds_.left + width;
  bounds_.bottom = bounds_.top + height;
  framebuffer_.Resize(width, height, color_);
  ApplyShape();
  // The player sized a framed window: its look is drawn again at the new size.
  if (events_) CallGuarded("a paint handler", [&] { events_->OnExpose(); });
}

void SdlWindow::ShowWindow(bool activate) {
  if (visible_ && !minimized_) return;
  if (window_) {
    if (!activate) SDL_SetHint(SDL_HINT_WINDOW_NO_ACTIVATION_WHEN_SHOWN, "1");
    SDL_ShowWindow(window_);
    if (minimized_) SDL_RestoreWindow(window_);
    if (!activate) {
      SDL_SetHint(SDL_HINT_WINDOW_NO_ACTIVATION_WHEN_SHOWN, "0");
    } else {
      SDL_RaiseWindow(window_);
      // Without a window manager nobody else gives the new window the keyboard.
      SDL_SetWindowInputFocus(window_);
    }
  }
  visible_ = true;
  minimized_ = false;
  platform_.OnWindowShown(*this, activate);
  TraceWindow(platform_.Tracer(), Role(), "show");
}

void SdlWindow::Hide() {
  if (!visible_) return;
  if (window_) SDL_HideWindow(window_);
  visible_ = false;
  platform_.OnWindowHidden(*this);
  TraceWindow(platform_.Tracer(), Role(), "hide");
}

bool SdlWindow::HasFocus() const { return platform_.Focused() == this; }

void SdlWindow::NoteMinimized(bool minimized) {
  if (minimized == minimized_) return;
  minimized_ = minimized;
  TraceWindow(platform_.Tracer(), Role(), minimized ? "minimize" : "restore");
  if (!events_) return;
  CallGuarded("a minimize handler", [&] {
    if (minimized)
      events_->OnMinimize();
    else
      events_->OnRestore();
  });
}

void SdlWindow::Minimize() {
  if (minimized_) return;
  if (window_) SDL_MinimizeWindow(window_);
  NoteMinimized(true);
}

void SdlWindow::Restore() {
  if (!minimized_) return;
  if (window_) SDL_RestoreWindow(window_);
  NoteMinimized(false);
}

void SdlWindow::Raise() {
  if (!visible_) return;
  if (window_) SDL_RaiseWindow(window_);
  platform_.stack_.Raise(*this);
}

void SdlWindow::SetTopmost(bool topmost) {
  options_.topmost = topmost;
  if (window_) SDL_SetWindowAlwaysOnTop(window_, topmost ? SDL_TRUE : SDL_FALSE);
  platform_.stack_.SetTopmost(*this, topmost);
}

void SdlWindow::ApplyShape() {
  const int scale = platform_.Scale();
  const int programW = std::max(0, bounds_.Width()), programH = std::max(0, bounds_.Height());
  // A window never shaped is rectangular already.
  if (!shaped_ || !window_ || programW == 0 || programH == 0 || (!region_ && !shapeSet_)) return;
  // The shape is cut in program pixels and repeated, so it follows the
  // repeated picture exactly.
  const int w = programW * scale, h = programH * scale;
  const std::vector<std::uint8_t> mask =
      region_ ? RepeatMask(RasterizePolygon(*region_, programW, programH), programW, programH, scale)
              : std::vector<std::uint8_t>();
  SDL_Surface* shape = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_RGBA32);
  if (!shape) return;
  for (int y = 0; y < h; ++y) {
    auto* row = static_cast<std::uint8_t*>(shape->pixels) + std::size_t(y) * shape->pitch;
    if (!region_) {
      std::memset(row, 0xFF, std::size_t(w) * 4);
      continue;
    }
    const std::uint8_t* in = mask.data() + std::size_t(y) * std::size_t(w);
    for (int x = 0; x < w; ++x) std::memset(row + x * 4, in[x] ? 0xFF : 0x00, 4);
  }
  SDL_WindowShapeMode mode{};
  mode.mode = ShapeModeBinarizeAlpha;
  mode.parameters.binarizationCutoff = 128;
  if (SDL_SetWindowShape(window_, shape, &mode) != 0)
    Log("window", std::string("cannot shape the ") + options_.role + " window: " + SDL_GetError());
  else
    shapeSet_ = true;
  SDL_FreeSurface(shape);
}

void SdlWindow::SetRegion(const Polygon& polygon) {
  region_ = polygon;
  ApplyShape();
  TraceWindowRegion(platform_.Tracer(), Role(), polygon.size());
}

void SdlWindow::ClearRegion() {
  if (!region_) return;
  region_.reset();
  ApplyShape();
  TraceWindowRegion(platform_.Tracer(), Role(), 0);
}

void SdlWindow::SetCaption(const std::string& cp1251) {
  options_.caption = cp1251;
  if (window_) SDL_SetWindowTitle(window_, Cp1251ToUtf8(cp1251).c_str());
}

void SdlWindow::SetIcon(const Bitmap& icon) {
  if (!window_ || icon.Empty()) return;
  if (SDL_Surface* s = WrapBitmap(icon)) {
    SDL_SetWindowIcon(window_, s);
    SDL_FreeSurface(s);
  }
}

void SdlWindow::SetCursor(Cursor cursor) {
  cursor_ = cursor;
  if (window_ && SDL_GetMouseFocus() == window_) platform_.ApplyCursor(*this);
}

void SdlWindow::SetFramed(bool framed) {
  if (framed == framed_) return;
  framed_ = framed;
  if (window_) {
    SDL_SetWindowBordered(window_, framed ? SDL_TRUE : SDL_FALSE);
    SDL_SetWindowResizable(window_, framed ? SDL_TRUE : SDL_FALSE);
  }
  TraceWindow(platform_.Tracer(), Role(), framed ? "frame" : "no-frame");
}

void SdlWindow::Maximize() {
  if (maximized_) return;
  normalBounds_ = bounds_;
  maximized_ = true;
  TraceWindow(platform_.Tracer(), Role(), "maximize");
  SDL_Rect area{0, 0, 0, 0};
  if (window_) {
    SDL_MaximizeWindow(window_);
    const int display = std::max(0, SDL_GetWindowDisplayIndex(window_));
    if (SDL_GetDisplayUsableBounds(display, &area) != 0) area = {0, 0, 0, 0};
  }
  // Without a window manager nobody else sizes the window: the work area is
  // taken here, which is what a manager would give it too.
  if (area.w <= 0 || area.h <= 0) {
    const Size screen = platform_.ScreenSize();
    area = {0, 0, screen.width, screen.height};
  } else {
    const int scale = platform_.Scale();
    const Point corner = ToProgramPixels(Point{area.x, area.y}, scale);
    area = {corner.x, corner.y, area.w / scale, area.h / scale};
  }
  SetBounds(Rect::FromSize(area.x, area.y, area.w, area.h));
}

void SdlWindow::ShowNormal() {
  if (!maximized_) return;
  maximized_ = false;
  TraceWindow(platform_.Tracer(), Role(), "normal");
  if (window_) SDL_RestoreWindow(window_);
  SetBounds(normalBounds_);
}

void SdlWindow::BeginDrag() { platform_.StartDrag(*this); }

void SdlWindow::SetMouseCapture(bool capture) { platform_.router_.SetCapture(*this, capture); }

void SdlWindow::Close() {
  // Like a posted close message: handled later, and only if the window still
  // exists then.
  SdlPlatform* platform = &platform_;
  const std::uint64_t serial = serial_;
  platform_.Loop().Post([platform, serial] {
    SdlWindow* w = platform->FindBySerial(serial);
    if (w && w->events_) w->events_->OnCloseRequest();
  });
}

}  // namespace trv
