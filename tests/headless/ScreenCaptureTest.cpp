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

TEST(ScreenCaptureTest, ShowingAndRaisingBringAWindowToTheTopOfItsLayer) {
  test::TempDir dir;
  HeadlessPlatform platform({dir / "settings", ""});
  auto first = platform.CreateWindow({"main", "", Rect::FromSize(0, 0, 10, 10)});
  auto second = platform.CreateWindow({"dialog", "", Rect::FromSize(0, 0, 10, 10)});
  auto onTop = platform.CreateWindow({"hint", "", Rect::FromSize(5, 5, 10, 10), true});
  const Color red = MakeColor(255, 0, 0), green = MakeColor(0, 255, 0), black = MakeColor(0, 0, 0);
  for (auto [w, c] : std::initializer_list<std::pair<Window*, Color>>{
           {first.get(), red}, {second.get(), green}, {onTop.get(), black}}) {
    w->Framebuffer().Fill(w->Framebuffer().Bounds(), c);
    w->Show();
  }
  auto colors = [&] {
    const Bitmap shot = platform.CaptureScreen(Rect::FromSize(0, 0, 10, 10));
    return std::make_pair(shot.Pixel(1, 1), shot.Pixel(6, 6));
  };
  first->Raise();
  EXPECT_EQ(colors(), std::make_pair(red, black));  // never above the always-on-top window
  onTop->SetTopmost(false);
  second->Raise();
  EXPECT_EQ(colors(), std::make_pair(green, green));
  first->Hide();
  first->Show();
  EXPECT_EQ(colors(), std::make_pair(red, red));
  EXPECT_EQ(platform.Stack().WindowAt({6, 6}), first.get());
}

}  // namespace
}  // namespace trv
