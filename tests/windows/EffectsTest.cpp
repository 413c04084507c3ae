#include <gtest/gtest.h>

#include "platform/headless/HeadlessPlatform.h"
#include "support/TestSupport.h"
#include "windows/EffBtnCar.h"
#include "windows/EffCar.h"

namespace trv {
namespace {

// An owner whose window shows grey 0 and whose new look is grey 200.
struct Owner : EffectOwner {
  Window* window = nullptr;
  bool mayDraw = true;
  int ended = 0;
  Window* EffectWindow() override { return window; }
  void PaintNormal(Bitmap& target) override { target.Fill(target.Bounds(), MakeColor(200, 200, 200)); }
  Bitmap ScreenUnder() override { return Bitmap(window->Framebuffer().Width(), window->Framebuffer().Height(), 0); }
  bool CrossFadesMayDraw() const override { return mayDraw; }
  void OnWindowFadeStarted() override { ++started; }
  void OnWindowFadeEnded() override { ++ended; }
  int started = 0;
};

class EffectsTest : public ::testing::Test {
 protected:
  EffectsTest() : platform(Config()) {
    window = platform.CreateWindow({"main", "", Rect::FromSize(0, 0, 20, 10)});
    window->Show();
    owner.window = window.get();
  }
  PlatformConfig Config() {
    PlatformConfig c;
    c.settingsDir = dir / "settings";
    return c;
  }
  int Red(int x = 1, int y = 1) { return RedOf(platform.FindWindow("main")->Presented().Pixel(x, y)); }
  int Presents() { return platform.FindWindow("main")->PresentCount(); }
  // The red level seen at (x, y) after each virtual millisecond.
  std::vector<int> Frames(int count, int x = 1, int y = 1) {
    std::vector<int> out;
    for (int i = 0; i < count; ++i) {
      platform.VirtualLoop().Advance(1);
      out.push_back(Red(x, y));
    }
    return out;
  }
  test::TempDir dir;
  HeadlessPlatform platform;
  std::unique_ptr<Window> window;
  Owner owner;
};

TEST_F(EffectsTest, WindowFadeRunsThirtyStepsThenTheFullLevel) {
  TEffCar fade(owner, platform.Loop());
  fade.Start();
  EXPECT_TRUE(fade.Running());
  std::vector<int> expected;
  for (int level = 30; level <= 240; level += 30) expected.push_back((level * 200) >> 8);
  expected.push_back((255 * 200) >> 8);
  EXPECT_EQ(Frames(9), expected);
  EXPECT_FALSE(fade.Running());
  EXPECT_EQ(owner.started, 1);
  EXPECT_EQ(owner.ended, 1);
  EXPECT_EQ(Red(19, 9), (255 * 200) >> 8);  // the whole window
  Frames(5);
  EXPECT_EQ(owner.ended, 1);  // nothing ticks after the end
}

TEST_F(EffectsTest, WindowFadeFrameForThePaintHandlerAndNoCanvas) {
  TEffCar fade(owner, platform.Loop());
  fade.Start();
  Frames(2);
  Bitmap canvas(20, 10);
  fade.DrawFrame(canvas);
  EXPECT_EQ(canvas, platform.FindWindow("main")->Presented());
  EXPECT_EQ(RedOf(canvas.Pixel(5, 5)), (60 * 200) >> 8);

  Owner nowhere;  // an owner without a canvas gets no fade at all
  TEffCar none(nowhere, platform.Loop());
  none.Start();
  EXPECT_FALSE(none.Running());
  EXPECT_EQ(nowhere.started, 0);
}

TEST_F(EffectsTest, CrossFadeRunsTenToTwoFiftyThenTheTargetInItsRectangle) {
  TEffBtnCar fade(owner, platform.Loop());
  window->Framebuffer().Fill(window->Framebuffer().Bounds(), MakeColor(255, 255, 255));
  const int presents = Presents();
  fade.Start(Bitmap(4, 2, 0), Bitmap(4, 2, MakeColor(200, 200, 200)), {2, 3});
  std::vector<int> expected;
  for (int level = 10; level <= 250; level += 10) expected.push_back((level * 200) >> 8);
  expected.push_back(200);
  EXPECT_EQ(Frames(26, 5, 4), expected);
  EXPECT_FALSE(fade.Running());
  EXPECT_EQ(Presents() - presents, 26);
  EXPECT_EQ(Red(1, 3), 255);  // left of the rectangle
  EXPECT_EQ(Red(6, 4), 255);  // right of it
  EXPECT_EQ(Red(5, 5), 255);  // below it
}

TEST_F(EffectsTest, DestroyingARunningCrossFadeEndsItWithoutALastFrame) {
  auto fade = std::make_unique<TEffBtnCar>(owner, platform.Loop());
  const std::size_t timers = platform.VirtualLoop().ActiveTimerCount();
  fade->Start(Bitmap(20, 10, 0), Bitmap(20, 10, MakeColor(200, 200, 200)), {0, 0});
  Frames(3);
  const int presents = Presents();
  fade.reset();
  Frames(30);
  EXPECT_EQ(Presents(), presents);
  EXPECT_EQ(Red(), (30 * 200) >> 8);
  EXPECT_EQ(platform.VirtualLoop().ActiveTimerCount(), timers);
}

TEST_F(EffectsTest, CrossFadeOfUnequalPicturesUsesTheCommonArea) {
  test::LogCapture log;
  TEffBtnCar fade(owner, platform.Loop());
  fade.Start(Bitmap(6, 6, 0), Bitmap(3, 3, MakeColor(200, 200, 200)), {0, 0});
  EXPECT_EQ(Frames(1, 1, 1), (std::vector<int>{(10 * 200) >> 8}));
  EXPECT_EQ(Red(4, 4), 0);  // outside the smaller picture: the frame's own bytes
  Frames(30);
  EXPECT_FALSE(fade.Running());
  int reports = 0;
  for (const std::string& line : log.Lines()) reports += line.find("unequal size") != std::string::npos;
  EXPECT_EQ(reports, 1);  // once for the fade, not per frame
}

TEST_F(EffectsTest, CrossFadeStepsReversesAndStops) {
  TEffBtnCar fade(owner, platform.Loop());
  const Bitmap black(20, 10, 0), grey(20, 10, MakeColor(200, 200, 200));
  fade.Start(black, grey, {0, 0});
  const std::vector<int> three = Frames(3);
  EXPECT_EQ(three, (std::vector<int>{(10 * 200) >> 8, (20 * 200) >> 8, (30 * 200) >> 8}));
  // Back from level 30: the reverse starts at offset 225 and goes on smoothly.
  fade.Start(grey, black, {0, 0});
  EXPECT_EQ(fade.Offset(), 225);
  EXPECT_EQ(Frames(1), (std::vector<int>{200 + ((235 * -200) >> 8)}));
  std::vector<int> rest = Frames(5);
  EXPECT_EQ(rest.back(), 0);  // past 255 the target itself is drawn
  EXPECT_FALSE(fade.Running());
  EXPECT_EQ(fade.Offset(), 0);

  fade.Start(black, grey, {0, 0});
  Frames(2);
  fade.RequestStop();
  const int before = Red();
  Frames(3);
  EXPECT_EQ(Red(), before);  // no last frame
  EXPECT_FALSE(fade.Running());
}

TEST_F(EffectsTest, CrossFadesWaitWhileTheWindowFadeRunsButKeepRising) {
  TEffBtnCar fade(owner, platform.Loop());
  owner.mayDraw = false;
  fade.Start(Bitmap(20, 10, 0), Bitmap(20, 10, MakeColor(200, 200, 200)), {0, 0});
  const int presents = platform.FindWindow("main")->PresentCount();
  Frames(10);
  EXPECT_EQ(platform.FindWindow("main")->PresentCount(), presents);
  owner.mayDraw = true;
  Frames(1);
  EXPECT_EQ(Red(), (110 * 200) >> 8);
}

}  // namespace
}  // namespace trv
