#include <gtest/gtest.h>

#include "platform/WindowStack.h"
#include "platform/headless/HeadlessPlatform.h"
#include "support/TestSupport.h"
#include "windows/Hints.h"
#include "windows/SkinControls.h"
#include "windows/SkinWindow.h"

namespace trv {
namespace {

constexpr Color kNormal = MakeColor(200, 0, 0), kHover = MakeColor(0, 200, 0), kPressed = MakeColor(0, 0, 200),
                kInactive = MakeColor(50, 50, 50);

// A window that paints its background grey and its controls over it.
class Skin : public TSkinWindow {
 public:
  Skin(Platform& platform, SkinMouseRules rules)
      : TSkinWindow(platform), controls(*this, platform.Loop(), rules, [this] { ++repaints; }) {
    CreateSkinWindow({"main", "", Rect::FromSize(10, 10, 200, 100)});
    SkinWindow()->Show();
  }
  void PaintSkin(Bitmap& target) override {
    target.Fill(target.Bounds(), MakeColor(90, 90, 90));
    controls.Paint(target);
  }
  using TSkinWindow::RunModal;
  using TSkinWindow::SetShape;
  TSkinControls controls;
  int repaints = 0;
};

class SkinToolkitTest : public ::testing::Test {
 protected:
  SkinToolkitTest() : platform(Config()) { platform.Tracer().KeepLines(true); }
  PlatformConfig Config() {
    PlatformConfig c;
    c.settingsDir = dir / "settings";
    return c;
  }
  // Two buttons side by side, a single switch and two group switches of one group.
  void Build(Skin& skin) {
    buttons = {RBtn{}, RBtn{}};
    for (int i = 0; i < 2; ++i) {
      buttons[i].left = 10 + 50 * i;
      buttons[i].top = 10;
      buttons[i].right = buttons[i].left + 40;
      buttons[i].bottom = 30;
      buttons[i].command = "go" + std::to_string(i);
      buttons[i].sound = "b.wav";
    }
    singles = {RSwthOne{}};
    singles[0].left = 10, singles[0].top = 50, singles[0].right = 30, singles[0].bottom = 70;
    singles[0].goUp = "up", singles[0].goDown = "down";
    groups = {RSwthGrp{}, RSwthGrp{}};
    for (int i = 0; i < 2; ++i) {
      groups[i].left = 60 + 30 * i, groups[i].top = 50, groups[i].right = 80 + 30 * i, groups[i].bottom = 70;
      groups[i].group = 1;
      groups[i].command = "g" + std::to_string(i);
    }
    groups[0].on = true;
    TSkinControls& c = skin.controls;
    c.ResizeButtons(2);
    c.ResizeSingles(1);
    c.ResizeGroups(2);
    const Color looks[] = {kNormal, kHover, kPressed, kInactive};
    for (std::size_t i = 0; i < 2; ++i) {
      c.Button(i).Bind(&buttons[i]);
      for (std::size_t k = 0; k < 4; ++k) c.Button(i).Picture(k) = Bitmap(40, 20, looks[k]);
      c.Group(i).Bind(&groups[i]);
      for (std::size_t k = 0; k < 4; ++k) c.Group(i).Picture(k) = Bitmap(20, 20, looks[k]);
    }
    c.Single(0).Bind(&singles[0]);
    for (std::size_t k = 0; k < 4; ++k) c.Single(0).Picture(k) = Bitmap(20, 20, looks[k]);
  }
  void Wait(std::uint64_t ms) { platform.VirtualLoop().Advance(ms); }

  test::TempDir dir;
  HeadlessPlatform platform;
  std::vector<RBtn> buttons;
  std::vector<RSwthOne> singles;
  std::vector<RSwthGrp> groups;
};

TEST_F(SkinToolkitTest, ButtonsRunTheirCommandOnlyWhenPressAndReleaseMeetOnThem) {
  Skin skin(platform, {true, true, true});
  Build(skin);
  TSkinControls& c = skin.controls;
  EXPECT_EQ(c.MouseMove({50, 20}).button, -1);  // the right edge is outside
  SkinHover h = c.MouseMove({20, 20});
  EXPECT_EQ(h.enteredButton, 0);
  EXPECT_EQ(c.MouseMove({21, 20}).enteredButton, -1);  // entered once
  EXPECT_EQ(c.MouseDown({21, 20}, 0).hit, SkinClick::Hit::kButton);
  SkinClick up = c.MouseUp({21, 20}, 0);
  EXPECT_TRUE(up.run);
  EXPECT_EQ(up.command, "go0");
  EXPECT_EQ(up.Source(), 0);

  // Pressed, out and back before the release: nothing runs.
  c.MouseDown({21, 20}, 0);
  c.MouseMove({5, 5});
  c.MouseMove({21, 20});
  EXPECT_FALSE(c.MouseUp({21, 20}, 0).run);
  // Pressed here, released on the other button: nothing runs either.
  c.MouseDown({21, 20}, 0);
  EXPECT_FALSE(c.MouseUp({70, 20}, 0).run);
}

TEST_F(SkinToolkitTest, InactiveButtonsByTheRulesOfEachWindow) {
  Skin main(platform, {true, true, true});
  Build(main);
  main.controls.Button(0).active = false;
  // The main window's inactive button takes the pointer (for its hint) and the press, without a fade.
  EXPECT_EQ(main.controls.MouseMove({20, 20}).enteredButton, 0);
  EXPECT_FALSE(main.controls.Button(0).Animation().Running());
  EXPECT_EQ(main.controls.MouseDown({20, 20}, 0).hit, SkinClick::Hit::kButton);
  EXPECT_FALSE(main.controls.MouseUp({20, 20}, 0).run);

  Skin dialog(platform, {false, false, false});
  Build(dialog);
  dialog.controls.Button(0).active = false;
  EXPECT_EQ(dialog.controls.MouseMove({20, 20}).button, -1);
  EXPECT_EQ(dialog.controls.MouseDown({20, 20}, 0).hit, SkinClick::Hit::kNothing);  // the window drags

  Bitmap canvas(200, 100);
  main.controls.Paint(canvas);
  EXPECT_EQ(canvas.Pixel(20, 20), kInactive);  // at every repaint
}

TEST_F(SkinToolkitTest, SwitchesToggleAndGroupsKeepOneOn) {
  Skin skin(platform, {true, true, true});
  Build(skin);
  TSkinControls& c = skin.controls;
  SkinClick down = c.MouseDown({20, 60}, 0);
  EXPECT_EQ(down.Source(), 1);
  EXPECT_EQ(down.command, "down");
  EXPECT_TRUE(singles[0].on);
  down = c.MouseDown({20, 60}, kShift);  // Shift: the look and state change, no command
  EXPECT_FALSE(down.run);
  EXPECT_FALSE(singles[0].on);

  EXPECT_FALSE(c.MouseDown({70, 60}, 0).run);  // on already: nothing
  down = c.MouseDown({100, 60}, 0);
  EXPECT_EQ(down.command, "g1");
  EXPECT_EQ(down.Source(), 2);
  EXPECT_FALSE(groups[0].on);
  EXPECT_TRUE(groups[1].on);

  // A window whose rules know no Shift runs the command anyway.
  Skin dialog(platform, {false, false, false});
  Build(dialog);
  EXPECT_TRUE(dialog.controls.MouseDown({100, 60}, kShift).run);
  // An empty spot: nothing is hit, the window drags.
  EXPECT_EQ(dialog.controls.MouseDown({150, 90}, 0).hit, SkinClick::Hit::kNothing);
}

TEST_F(SkinToolkitTest, AFadeWithoutItsPicturesAsksForARepaint) {
  Skin skin(platform, {true, true, true});
  Build(skin);
  skin.controls.Button(1).Picture(kBtnHover) = Bitmap();
  skin.controls.MouseMove({70, 20});
  EXPECT_EQ(skin.repaints, 1);
  EXPECT_FALSE(skin.controls.Button(1).Animation().Running());
  skin.controls.MouseMove({20, 20});  // leaving button 1 fades nothing either; entering button 0 fades
  EXPECT_TRUE(skin.controls.Button(0).Animation().Running());
}

TEST_F(SkinToolkitTest, HintsWaitTheirPauseShowOnThePaleDefaultAndHideThemselves) {
  Skin skin(platform, {true, true, true});
  THints& hints = skin.Hints();
  hints.Arm("abc", {20, 30});
  Wait(THints::kPauseMs - 1);
  EXPECT_FALSE(hints.Showing());
  hints.SetAnchorX(25);
  Wait(1);
  ASSERT_TRUE(hints.Showing());
  HeadlessWindow* w = platform.FindWindow("hint");
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->Bounds().left, 10 + 25);
  EXPECT_EQ(w->Bounds().top, 10 + 30);
  EXPECT_TRUE(w->NoActivate());
  EXPECT_EQ(w->Framebuffer().Pixel(3, w->Bounds().Height() - 2), kDefaultHintColor);
  Wait(THints::kHidePauseMs);
  EXPECT_FALSE(hints.Showing());
  EXPECT_EQ(platform.FindWindow("hint"), nullptr);  // released when hidden

  hints.Arm("abc", {0, 0});
  hints.Arm("", {0, 0});  // an element without a hint: nothing shows
  Wait(THints::kPauseMs);
  EXPECT_FALSE(hints.Showing());
  EXPECT_TRUE(hints.Text().empty());
}

TEST_F(SkinToolkitTest, TheShapeComesFromTheScriptsVertexList) {
  Skin skin(platform, {true, true, true});
  const ScriptPaths paths{"\\disc\\", "\\"};
  const TDynamicStringArray bad{"vertex=[0,0;1o,0;10,10]"};
  std::size_t index = 0;
  EXPECT_FALSE(skin.SetShape(bad, index, paths));
  EXPECT_EQ(platform.FindWindow("main")->Region(), nullptr);
  const TDynamicStringArray good{"vertex=[0,0;100,0", "100,50]"};
  index = 0;
  EXPECT_TRUE(skin.SetShape(good, index, paths));
  EXPECT_EQ(index, 1u);
  ASSERT_NE(platform.FindWindow("main")->Region(), nullptr);
  EXPECT_EQ(platform.FindWindow("main")->Region()->size(), 3u);
  EXPECT_FALSE(InWindowShape(*platform.FindWindow("main"), {10, 40}));
}

TEST_F(SkinToolkitTest, AModalLoopTakesItsMarkBackHoweverItIsLeft) {
  Skin skin(platform, {true, true, true});
  platform.VirtualLoop().SetIdleDriver([this] {
    Wait(10);
    return true;
  });
  bool ended = false;
  bool modalInside = false;
  platform.Loop().SetTimer(10, false, [] { throw std::runtime_error("a handler failed"); });
  platform.Loop().SetTimer(30, false, [&] {
    modalInside = skin.Modal();
    ended = true;
  });
  try {
    skin.RunModal([&] { return ended; });
  } catch (const std::runtime_error&) {
    // Whether the loop drops the error or lets it through, the mark comes back.
  }
  EXPECT_FALSE(skin.Modal());
  if (!ended) {
    EXPECT_TRUE(skin.RunModal([&] { return ended; }));
  }
  EXPECT_TRUE(modalInside);
  EXPECT_FALSE(skin.Modal());
}

}  // namespace
}  // namespace trv
