#include <gtest/gtest.h>

#include <cstdlib>

#include "SdlTestEnv.h"
#include "platform/DisplayScale.h"
#include "platform/sdl/SdlPlatform.h"
#include "support/TestSupport.h"

namespace trv {
namespace {

// The backend with a scale stored in the settings, as a player would store it.
struct ScaledBackend {
  ScaledBackend(const test::TempDir& dir, std::int32_t stored) {
    SettingsStore(dir.Path()).WriteInteger(RootKey::CurrentUser, kScaleSettingsKey, kScaleSettingsValue, stored);
    PlatformConfig config;
    config.settingsDir = dir.Path();
    platform = std::make_unique<SdlPlatform>(config);
    WindowOptions options;
    options.bounds = Rect::FromSize(40, 30, 200, 150);
    window = platform->CreateWindow(options);
    sdl = static_cast<SdlWindow*>(window.get());
    window->SetEvents(&rec);
    window->Show();
    Pump();
    rec.lines.clear();
  }
  void Pump() {
    for (int i = 0; i < 3; ++i) platform->Loop().ProcessMessages();
  }
  Rect Physical() {
    int x = 0, y = 0, w = 0, h = 0;
    SDL_GetWindowPosition(sdl->Handle(), &x, &y);
    SDL_GetWindowSize(sdl->Handle(), &w, &h);
    return Rect::FromSize(x, y, w, h);
  }
  std::unique_ptr<SdlPlatform> platform;
  std::unique_ptr<Window> window;
  SdlWindow* sdl = nullptr;
  test::EventRecorder rec;
};

TEST(SdlScaleTest, TheProgramSeesItsOwnPixelsWhileTheScreenGetsTwiceAsMany) {
  unsetenv(kScaleEnvironment);
  test::TempDir dir;
  ScaledBackend b(dir, 2);
  ASSERT_EQ(b.platform->Scale(), 2);
  SDL_Rect display{};
  ASSERT_EQ(SDL_GetDisplayBounds(0, &display), 0);
  EXPECT_EQ(b.platform->ScreenSize(), (Size{display.w / 2, display.h / 2}));
  EXPECT_EQ(b.window->Framebuffer().Width(), 200);
  EXPECT_EQ(b.Physical(), Rect::FromSize(80, 60, 400, 300));

  b.window->SetBounds(Rect::FromSize(10, 5, 120, 90));
  EXPECT_EQ(b.Physical(), Rect::FromSize(20, 10, 240, 180));
  // A move from outside (a window manager) and the pointer come in screen pixels.
  SDL_SetWindowPosition(b.sdl->Handle(), 301, 200);
  SDL_Event e{};
  e.type = SDL_WINDOWEVENT;
  e.window = {SDL_WINDOWEVENT, 0, b.sdl->SdlId(), SDL_WINDOWEVENT_MOVED, 0, 0, 0, 301, 200};
  ASSERT_EQ(SDL_PushEvent(&e), 1);
  e = {};
  e.type = SDL_MOUSEBUTTONDOWN;
  e.button.windowID = b.sdl->SdlId();
  e.button.button = SDL_BUTTON_LEFT;
  e.button.x = 239;
  e.button.y = 1;
  ASSERT_EQ(SDL_PushEvent(&e), 1);
  b.Pump();
  EXPECT_EQ(b.window->Bounds(), Rect::FromSize(150, 100, 120, 90));
  EXPECT_EQ(b.rec.lines, (std::vector<std::string>{"downL 119,0 8"}));

  SDL_Rect usable{};
  ASSERT_EQ(SDL_GetDisplayUsableBounds(0, &usable), 0);
  b.window->Maximize();
  EXPECT_EQ(b.window->Bounds(), Rect::FromSize(usable.x / 2, usable.y / 2, usable.w / 2, usable.h / 2));
}

TEST(SdlScaleTest, TheEnvironmentWinsOverTheStoredScaleUnlessItIsBad) {
  test::TempDir dir;
  setenv(kScaleEnvironment, "1", 1);
  EXPECT_EQ(ScaledBackend(dir, 3).Physical().Width(), 200);
  test::LogCapture log;
  setenv(kScaleEnvironment, "4", 1);
  EXPECT_EQ(ScaledBackend(dir, 3).Physical().Width(), 600);
  EXPECT_TRUE(log.Contains("TRIVION_SCALE \"4\"")) << log.All();
  unsetenv(kScaleEnvironment);
}

}  // namespace
}  // namespace trv
