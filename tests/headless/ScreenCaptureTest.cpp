#include <gtest/gtest.h>

#include "platform/headless/HeadlessPlatform.h"
#include "support/TestSupport.h"

namespace trv {
namespace {

TEST(ScreenCaptureTest, ComposesVisibleWindowsInOrderWithinTheirShapes) {
  test::TempDir dir;
  PlatformConfig config;
  config.settingsDir = dir / "settings";
  HeadlessPlatform platform(config);
  auto back = platform.CreateWindow({"main", "", Rect::FromSize(10, 10, 30, 30)});
  auto top = platform.CreateWindow({"hint", "", Rect::FromSize(20, 20, 20, 20), true});
  auto hidden = platform.CreateWindow({"popup", "", Rect::FromSize(0, 0, 40, 40)});
  back->Framebuffer().Fill(back->Framebuffer().Bounds(), MakeColor(255, 0, 0));
  top->Framebuffer().Fill(top->Framebuffer().Bounds(), MakeColor(0, 255, 0));
  hidden->Framebuffer().Fill(hidden->Framebuffer().Bounds(), MakeColor(0, 0, 255));
  // The always-on-top window was made first of the two visible ones here, but
  // must still come out on top; its shape cuts off its lower-right half.
  top->Show();
  back->Show();
  top->SetRegion({{0, 0}, {20, 0}, {0, 20}});

  const Bitmap shot = platform.CaptureScreen(Rect::FromSize(5, 5, 40, 40));
  ASSERT_EQ(shot.Width(), 40);
  EXPECT_EQ(shot.Pixel(0, 0), MakeColor(0, 0, 0));          // desktop
  EXPECT_EQ(shot.Pixel(6, 6), MakeColor(255, 0, 0));        // the back window at (11, 11)
  EXPECT_EQ(shot.Pixel(16, 16), MakeColor(0, 255, 0));      // the top one inside its shape
  EXPECT_EQ(shot.Pixel(30, 30), MakeColor(255, 0, 0));     // outside its shape, over the back window
  EXPECT_EQ(shot.Pixel(39, 39), MakeColor(0, 0, 0));        // past both
}

}  // namespace
}  // namespace trv
