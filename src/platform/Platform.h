#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "platform/EventLoop.h"
#include "platform/Geometry.h"
#include "platform/Graphics.h"
#include "platform/Http.h"
#include "platform/Keyboard.h"
#include "platform/MediaDevice.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "platform/Sound.h"
#include "platform/Trace.h"
#include "platform/Window.h"

namespace trv {

struct PlatformConfig {
  // Where the settings store keeps its files; empty: $XDG_CONFIG_HOME/trivion.
  std::filesystem::path settingsDir;
  // JSON-lines trace file; empty: no file.
  std::string tracePath;
};

// Everything the program asks of the system, handed down from start-up.
class Platform {
 public:
  virtual ~Platform() = default;

  virtual std::string_view BackendName() const = 0;
  virtual EventLoop& Loop() = 0;
  virtual Sound& Audio() = 0;
  // Music and clips: media devices, and the output gain of everything played.
  virtual MediaSystem& Media() = 0;
  virtual Registry& Settings() = 0;
  virtual Shell& Desktop() = 0;
  virtual Keyboard& Keys() = 0;
  virtual Trace& Tracer() = 0;
  virtual FontEngine& Fonts() = 0;
  virtual Http& Web() = 0;

  virtual std::unique_ptr<Window> CreateWindow(const WindowOptions& options) = 0;
  virtual Size ScreenSize() const = 0;
  // What the screen shows in `screenRect` (the program's own windows on the
  // desktop), the picture a window fade starts from.
  virtual Bitmap CaptureScreen(const Rect& screenRect) = 0;

  virtual std::string ClipboardText() = 0;  // CP1251
  virtual void SetClipboardText(const std::string& cp1251) = 0;

  // A plain message box with an OK button; returns when it is closed.
  virtual void ShowMessageBox(const std::string& caption, const std::string& text) = 0;
};

std::unique_ptr<Platform> CreateSdlPlatform(const PlatformConfig& config);
std::unique_ptr<Platform> CreateHeadlessPlatform(const PlatformConfig& config);

}  // namespace trv
