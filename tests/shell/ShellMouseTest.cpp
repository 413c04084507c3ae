#include <gtest/gtest.h>

#include "platform/Keys.h"
#include "shell/ShellDisc.h"

namespace trv::test {
namespace {

using A = HeadlessPlatform::MouseAction;

class ShellMouseTest : public ShellTest {
 protected:
  void SetUp() override {
    WriteTestDisc(discDir.Path());
    ASSERT_TRUE(Start()) << stop.reason;
    Wait(100);  // the opening settles
    platform->Tracer().KeepLines(false);
    platform->Tracer().KeepLines(true);
    commandsBefore = TraceOf("command").size();
  }
  void Move(int x, int y) { platform->Mouse("main", A::Move, {x, y}); }
  // A real pointer is over the spot before it clicks there.
  void ClickAt(int x, int y, MouseButton button = MouseButton::Left, unsigned shift = 0) {
    Move(x, y);
    platform->Click("main", {x, y}, button, shift);
  }
  void Down(int x, int y, unsigned shift = 0) { platform->Mouse("main", A::Down, {x, y}, MouseButton::Left, shift); }
  void Up(int x, int y, unsigned shift = 0) { platform->Mouse("main", A::Up, {x, y}, MouseButton::Left, shift); }
  std::vector<std::string> NewCommands() {
    auto all = TraceOf("command");
    return {all.begin() + long(std::min(commandsBefore, all.size())), all.end()};
  }
  std::size_t commandsBefore = 0;
};

TEST_F(ShellMouseTest, HoverCrossFadesAndSoundsOnlyInsideTheStrictRectangle) {
  Move(60, 30);  // x = right edge: outside
  Wait(50);
  EXPECT_EQ(At(59, 30), kNormal);
  EXPECT_TRUE(NewCommands().empty());
  Move(59, 30);
  Wait(50);
  EXPECT_EQ(At(30, 30), kHover);
  auto sounds = NewCommands();
  ASSERT_EQ(sounds.size(), 1u);  // "mt": the sound plays on entering
  EXPECT_NE(sounds[0].find("\"sound\":\"hover.wav\""), std::string::npos);
  EXPECT_NE(sounds[0].find("\"mode\":2"), std::string::npos);
  Move(5, 5);
  Wait(50);
  EXPECT_EQ(At(30, 30), kNormal);
  // The second button has no "mt" name: silent.
  Move(110, 30);
  Wait(50);
  EXPECT_EQ(At(110, 30), kHover);
  EXPECT_EQ(NewCommands().size(), 1u);
}

TEST_F(ShellMouseTest, ReleaseOnThePressedButtonRunsItsCommand) {
  Move(30, 30);
  Down(30, 30);
  Wait(50);
  EXPECT_EQ(At(30, 30), kPressed);
  EXPECT_EQ(NewCommands().size(), 1u);  // only the hover sound
  Up(30, 30);
  const auto commands = NewCommands();
  ASSERT_EQ(commands.size(), 2u);
  EXPECT_NE(commands[1].find("\"command\":\"screen2=store\""), std::string::npos);
  EXPECT_NE(commands[1].find("\"source\":0"), std::string::npos);
}

TEST_F(ShellMouseTest, LeavingBeforeTheReleaseRunsNothingAndRightClicksCount) {
  Move(110, 30);
  Down(110, 30);
  Move(5, 5);
  Move(110, 30);
  Up(110, 30);
  EXPECT_TRUE(NewCommands().empty());
  ClickAt(111, 31, MouseButton::Right);
  const auto commands = NewCommands();
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_NE(commands[0].find("\"command\":\"exit\""), std::string::npos);
}

TEST_F(ShellMouseTest, SingleSwitchTogglesAndShiftKeepsItQuiet) {
  ClickAt(30, 90);
  auto commands = NewCommands();
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_NE(commands[0].find("\"command\":\"down\""), std::string::npos);
  EXPECT_NE(commands[0].find("\"source\":1"), std::string::npos);
  EXPECT_TRUE(form->Elements().SingleSwitches[0][0].on);
  ClickAt(30, 90, MouseButton::Left, kShift);
  EXPECT_FALSE(form->Elements().SingleSwitches[0][0].on);
  EXPECT_EQ(NewCommands().size(), 1u);
  Wait(50);
  Move(5, 5);
  Wait(50);
  EXPECT_EQ(At(30, 90), kSwOff);
}

TEST_F(ShellMouseTest, GroupSwitchesTurnEachOtherOff) {
  ClickAt(90, 90);  // already on: nothing
  EXPECT_TRUE(NewCommands().empty());
  ClickAt(130, 90);
  const auto& groups = form->Elements().GroupSwitches[0];
  EXPECT_FALSE(groups[0].on);
  EXPECT_TRUE(groups[1].on);
  const auto commands = NewCommands();
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_NE(commands[0].find("\"command\":\"gb\""), std::string::npos);
  EXPECT_NE(commands[0].find("\"source\":2"), std::string::npos);
  Move(5, 5);
  Wait(50);
  EXPECT_EQ(At(90, 90), kSwOff);
  EXPECT_EQ(At(130, 90), kSwOn);
}

TEST_F(ShellMouseTest, EmptySpotsDragTheWindowAndSwitchesDoNot) {
  const Rect before = Main()->Bounds();
  Down(30, 90);  // a switch
  Move(40, 100);
  Up(40, 100);
  EXPECT_EQ(Main()->Bounds(), before);
  Down(5, 140);
  Move(25, 150);
  Up(25, 150);
  EXPECT_EQ(Main()->Bounds(), before.Offset(20, 10));
}

TEST_F(ShellMouseTest, ButtonHintShowsAfterThePauseBelowTheButton) {
  Move(30, 30);
  Wait(400);
  EXPECT_EQ(platform->FindWindow("hint"), nullptr);
  Wait(200);
  HeadlessWindow* hint = platform->FindWindow("hint");
  ASSERT_TRUE(hint && hint->Visible());
  const Rect main = Main()->Bounds();
  EXPECT_EQ(hint->Bounds().left, main.left + 30);
  EXPECT_EQ(hint->Bounds().top, main.top + 40);  // the button's bottom
  EXPECT_EQ(hint->Presented().Pixel(0, 0), MakeColor(0, 0, 0));        // border
  EXPECT_EQ(hint->Presented().Pixel(1, 1), MakeColor(255, 255, 225));  // the script's hint colour
  // Sized by its text: "Подсказка" in the window font, with room around it.
  EXPECT_GT(hint->Bounds().Width(), 40);
  EXPECT_LT(hint->Bounds().Width(), 120);
  EXPECT_GT(hint->Bounds().Height(), 10);
  int dark = 0;
  for (int y = 1; y < hint->Presented().Height() - 1; ++y)
    for (int x = 1; x < hint->Presented().Width() - 1; ++x) dark += hint->Presented().Pixel(x, y) == MakeColor(0, 0, 0);
  EXPECT_GT(dark, 15) << "the hint's text is drawn in black";
  Wait(2600);  // hides itself
  EXPECT_TRUE(platform->FindWindow("hint") == nullptr || !platform->FindWindow("hint")->Visible());
  Move(30, 31);
  Move(5, 5);  // leaving hides it at once
  Wait(600);
  EXPECT_TRUE(platform->FindWindow("hint") == nullptr);
  // Straight from the button with a hint to one without: no hint at all,
  // neither the pending one nor one already shown.
  Move(30, 30);
  Wait(300);
  Move(110, 30);
  Wait(700);
  EXPECT_TRUE(platform->FindWindow("hint") == nullptr);
  Move(5, 5);
  Move(30, 30);
  Wait(600);
  ASSERT_TRUE(platform->FindWindow("hint"));
  Move(110, 30);
  EXPECT_TRUE(platform->FindWindow("hint") == nullptr);
}

TEST_F(ShellMouseTest, ScreenChangeFadesThroughItsLevels) {
  // The window shows screen 1 (grey 100) and fades to screen 2 (10, 20, 30):
  // levels 30, 60, ..., 240 on the first eight ticks, then 255.
  form->SwitchScreen(1, 0, 0);
  std::vector<int> reds;
  for (int i = 0; i < 12; ++i) {
    reds.push_back(RedOf(At(5, 5)));
    Wait(1);
  }
  std::vector<int> expected;
  for (int level = 30; level <= 240; level += 30) expected.push_back(100 + ((level * (10 - 100)) >> 8));
  expected.push_back(100 + ((255 * (10 - 100)) >> 8));
  // The first frame may still be the one before the first tick.
  std::vector<int> seen;
  for (int r : reds)
    if (seen.empty() || seen.back() != r) seen.push_back(r);
  if (!seen.empty() && seen.front() == 100) seen.erase(seen.begin());
  ASSERT_GE(seen.size(), expected.size());
  EXPECT_EQ(std::vector<int>(seen.begin(), seen.begin() + long(expected.size())), expected);
  Wait(10);
  EXPECT_EQ(At(5, 5), kBack2);  // normal painting after the last frame
  EXPECT_EQ(Main()->Bounds().Width(), 160);
}

// A disc whose switch has a hint and whose script names no hint colour.
class ShellHintTest : public ShellTest {
 protected:
  void SetUp() override {
    std::string script = TestScript();
    script.replace(script.find("hintcolor=255,255,225\n"), std::string("hintcolor=255,255,225\n").size(), "");
    script.replace(script.find("hint=;wav=sw.wav"), std::string("hint=;wav=sw.wav").size(), "hint=Вкл;wav=sw.wav");
    WriteTestDisc(discDir.Path(), script);
    ASSERT_TRUE(Start()) << stop.reason;
    Wait(100);
  }
  void Move(int x, int y) { platform->Mouse("main", A::Move, {x, y}); }
};

TEST_F(ShellHintTest, WithoutAHintColourTheHintIsPaleUnderItsBlackText) {
  Move(30, 30);
  Wait(600);
  HeadlessWindow* hint = platform->FindWindow("hint");
  ASSERT_NE(hint, nullptr);
  EXPECT_EQ(hint->Presented().Pixel(2, hint->Bounds().Height() - 2), kDefaultHintColor);
}

TEST_F(ShellHintTest, ASwitchHintShowsWhileThePointerMovesOverTheSwitch) {
  Move(25, 85);
  for (int i = 0; i < 6; ++i) {
    Wait(100);
    Move(26 + i, 88);  // the pointer rests on the switch, but not still
  }
  HeadlessWindow* hint = platform->FindWindow("hint");
  ASSERT_NE(hint, nullptr);
  EXPECT_TRUE(hint->Visible());
  // A standard hint: below the pointer where it was when the hint appeared.
  EXPECT_EQ(hint->Bounds().top, Main()->Bounds().top + 88 + kCursorHeight);
  Move(5, 5);  // leaving the switch hides it
  EXPECT_EQ(platform->FindWindow("hint"), nullptr);
}

}  // namespace
}  // namespace trv::test
