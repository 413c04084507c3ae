#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "SdlTestEnv.h"
#include "platform/DisplayScale.h"
#include "platform/sdl/SdlPlatform.h"
#include "support/TestSupport.h"

namespace trv {
namespace {

using test::EventRecorder;
using Lines = std::vector<std::string>;

// The backend at a forced scale of two (stored in the settings, as a player
// would): the program keeps its own pixels, the screen gets twice as many.
class SdlScaleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    unsetenv(kScaleEnvironment);
    Start(RegValue::Integer(2));
  }
  void TearDown() override {
    unsetenv(kScaleEnvironment);
    window_.reset();
    platform_.reset();
  }
  void Start(const RegValue& stored) {
    window_.reset();
    platform_.reset();
    {
      SettingsStore settings(dir_.Path() / "settings");
      ASSERT_TRUE(settings.WriteValue(RootKey::CurrentUser, kScaleSettingsKey, kScaleSettingsValue, stored));
    }
    PlatformConfig config;
    config.settingsDir = dir_.Path() / "settings";
    platform_ = std::make_unique<SdlPlatform>(config);
    ASSERT_TRUE(platform_->Ready()) << SDL_GetError();
    WindowOptions options;
    options.bounds = Rect::FromSize(40, 30, 200, 150);
    window_ = platform_->CreateWindow(options);
    sdl_ = static_cast<SdlWindow*>(window_.get());
    ASSERT_NE(sdl_->Handle(), nullptr);
    window_->SetEvents(&rec_);
    window_->Show();
    Pump();
    rec_.lines.clear();
  }
  void Pump() {
    for (int i = 0; i < 3; ++i) platform_->Loop().ProcessMessages();
  }
  void Mouse(Uint32 type, int x, int y) {
    SDL_Event e{};
    e.type = type;
    if (type == SDL_MOUSEMOTION) {
      e.motion.windowID = sdl_->SdlId();
      e.motion.x = x;
      e.motion.y = y;
    } else {
      e.button.windowID = sdl_->SdlId();
      e.button.button = SDL_BUTTON_LEFT;
      e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
      e.button.x = x;
      e.button.y = y;
    }
    ASSERT_EQ(SDL_PushEvent(&e), 1);
  }
  Size PhysicalSize() {
    int w = 0, h = 0;
    SDL_GetWindowSize(sdl_->Handle(), &w, &h);
    return {w, h};
  }
  Point PhysicalPosition() {
    int x = 0, y = 0;
    SDL_GetWindowPosition(sdl_->Handle(), &x, &y);
    return {x, y};
  }
  Color SurfacePixel(int x, int y) {
    SDL_Surface* s = SDL_GetWindowSurface(sdl_->Handle());
    if (!s || x >= s->w || y >= s->h) return 0xFFFFFFFF;
    Uint32 raw = 0;
    std::memcpy(&raw, static_cast<std::uint8_t*>(s->pixels) + y * s->pitch + x * s->format->BytesPerPixel,
                s->format->BytesPerPixel);
    Uint8 r, g, b;
    SDL_GetRGB(raw, s->format, &r, &g, &b);
    return MakeColor(r, g, b);
  }

  test::TempDir dir_;
  std::unique_ptr<SdlPlatform> platform_;
  std::unique_ptr<Window> window_;
  SdlWindow* sdl_ = nullptr;
  EventRecorder rec_;
};

TEST_F(SdlScaleTest, WindowsAndTheDesktopAreInProgramPixels) {
  ASSERT_EQ(platform_->Scale(), 2);
  SDL_Rect display{};
  ASSERT_EQ(SDL_GetDisplayBounds(0, &display), 0);
  EXPECT_EQ(platform_->ScreenSize(), (Size{display.w / 2, display.h / 2}));
  EXPECT_EQ(window_->Bounds(), Rect::FromSize(40, 30, 200, 150));
  EXPECT_EQ(window_->Framebuffer().Width(), 200);
  EXPECT_EQ(PhysicalSize(), (Size{400, 300}));
  EXPECT_EQ(PhysicalPosition(), (Point{80, 60}));

  window_->SetBounds(Rect::FromSize(10, 5, 120, 90));
  EXPECT_EQ(PhysicalSize(), (Size{240, 180}));
  EXPECT_EQ(PhysicalPosition(), (Point{20, 10}));
  EXPECT_EQ(window_->Framebuffer().Width(), 120);
  Pump();  // the system's own notices of that move and size change nothing
  EXPECT_EQ(window_->Bounds(), Rect::FromSize(10, 5, 120, 90));

  // A move from outside (a window manager) arrives in screen pixels.
  SDL_SetWindowPosition(sdl_->Handle(), 301, 200);
  SDL_Event moved{};
  moved.type = SDL_WINDOWEVENT;
  moved.window.windowID = sdl_->SdlId();
  moved.window.event = SDL_WINDOWEVENT_MOVED;
  moved.window.data1 = 301;
  moved.window.data2 = 200;
  ASSERT_EQ(SDL_PushEvent(&moved), 1);
  Pump();
  EXPECT_EQ(window_->Bounds(), Rect::FromSize(150, 100, 120, 90));

  window_->Maximize();
  SDL_Rect usable{};
  ASSERT_EQ(SDL_GetDisplayUsableBounds(0, &usable), 0);
  EXPECT_EQ(window_->Bounds(), Rect::FromSize(usable.x / 2, usable.y / 2, usable.w / 2, usable.h / 2));
}

TEST_F(SdlScaleTest, EveryProgramPixelIsShownAsATwoByTwoBlock) {
  Bitmap& fb = window_->Framebuffer();
  fb.Fill(fb.Bounds(), MakeColor(10, 200, 30));
  fb.SetPixel(7, 3, MakeColor(250, 0, 128));
  fb.SetPixel(199, 149, MakeColor(0, 0, 255));
  window_->Present();
  for (int dy = 0; dy < 2; ++dy)
    for (int dx = 0; dx < 2; ++dx) {
      EXPECT_EQ(SurfacePixel(14 + dx, 6 + dy), MakeColor(250, 0, 128)) << dx << "," << dy;
      EXPECT_EQ(SurfacePixel(398 + dx, 298 + dy), MakeColor(0, 0, 255)) << dx << "," << dy;
    }
  EXPECT_EQ(SurfacePixel(13, 6), MakeColor(10, 200, 30));
  EXPECT_EQ(SurfacePixel(16, 7), MakeColor(10, 200, 30));

  // A dirty part is shown where its blocks lie, and nothing else changes.
  fb.Fill(fb.Bounds(), MakeColor(1, 2, 3));
  window_->Present({100, 50, 101, 51});
  EXPECT_EQ(SurfacePixel(200, 100), MakeColor(1, 2, 3));
  EXPECT_EQ(SurfacePixel(201, 101), MakeColor(1, 2, 3));
  EXPECT_EQ(SurfacePixel(202, 100), MakeColor(10, 200, 30));
  EXPECT_EQ(SurfacePixel(199, 100), MakeColor(10, 200, 30));
}

TEST_F(SdlScaleTest, PointerPositionsAreMappedBackToProgramPixels) {
  Mouse(SDL_MOUSEMOTION, 101, 51);
  Mouse(SDL_MOUSEBUTTONDOWN, 398, 299);
  Mouse(SDL_MOUSEBUTTONUP, 2, 3);
  Pump();
  EXPECT_EQ(rec_.lines, (Lines{"move 50,25 0", "downL 199,149 8", "upL 1,1 0"}));
  rec_.lines.clear();

  // A region hit test sees program pixels: the triangle's edge runs through
  // program pixel (50, 49), screen pixels (100..101, 98..99).
  window_->SetRegion({{0, 0}, {100, 0}, {0, 100}});
  Mouse(SDL_MOUSEMOTION, 97, 97);   // program 48,48: inside
  Mouse(SDL_MOUSEMOTION, 103, 99);  // program 51,49: outside
  Pump();
  EXPECT_EQ(rec_.lines, (Lines{"move 48,48 0", "leave"}));
}

TEST_F(SdlScaleTest, EnvironmentWinsOverTheStoredScaleAndBadValuesFallBack) {
  setenv(kScaleEnvironment, "1", 1);
  Start(RegValue::Integer(3));
  EXPECT_EQ(platform_->Scale(), 1);
  EXPECT_EQ(PhysicalSize(), (Size{200, 150}));

  test::LogCapture log;
  setenv(kScaleEnvironment, "4", 1);
  Start(RegValue::Integer(3));
  EXPECT_EQ(platform_->Scale(), 3);
  EXPECT_EQ(PhysicalSize(), (Size{600, 450}));
  EXPECT_TRUE(log.Contains("TRIVION_SCALE \"4\"")) << log.All();
}

}  // namespace
}  // namespace trv
