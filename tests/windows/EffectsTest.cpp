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
  void OnWindowFadeEnded() override { ++ended; }
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
  // The red level seen after each virtual millisecond.
  std::vector<int> Frames(int count) {
    std::vector<int> out;
    for (int i = 0; i < count; ++i) {
      platform.VirtualLoop().Advance(1);
      out.push_back(Red());
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
  EXPECT_EQ(owner.ended, 1);
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
