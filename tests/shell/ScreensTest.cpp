// Screens and switches: the screen command's tree and switch preselection,
// the screen switch with its picture sets, replay and hooks, Shift-clicks,
// and the switch states kept in the settings from one run to the next.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "shell/CommandDisc.h"

namespace trv::test {
namespace {

using ::testing::ElementsAre;

class ScreensTest : public CommandShellTest {
 protected:
  void SetUp() override { StartOn(FiveScreenScript()); }
  // The commands run since the mark, each as "command source mode".
  std::vector<std::string> Commands() const {
    std::vector<std::string> out;
    for (const std::string& l : Since("command")) {
      const std::size_t at = l.find("\"command\":\"") + 11;
      const std::string command = l.substr(at, l.find('"', at) - at);
      const std::size_t source = l.find("\"source\":") + 9;
      const std::size_t mode = l.find("\"mode\":") + 7;
      out.push_back(command + " " + l.substr(source, 1) + " " + l.substr(mode, 1));
    }
    return out;
  }
  std::string State() {
    form->DumpState();
    return Since("state").back();
  }
  std::size_t ButtonSets() {
    const std::string s = State();
    const std::size_t from = s.find("\"buttons\":[");
    const std::string list = s.substr(from, s.find(']', from) - from);
    std::size_t n = 0;
    for (std::size_t at = list.find("hover"); at != std::string::npos; at = list.find("hover", at + 1)) ++n;
    return n;
  }
  const TDynamicSwthGrpArray& Groups(int screen) { return form->Elements().GroupSwitches[std::size_t(screen)]; }
  const TDynamicSwthOneArray& Singles(int screen) { return form->Elements().SingleSwitches[std::size_t(screen)]; }
  // A real pointer is over the spot before it clicks there.
  void ClickAt(int x, int y, unsigned shift = 0) {
    platform->Mouse("main", HeadlessPlatform::MouseAction::Move, {x, y});
    platform->Click("main", {x, y}, MouseButton::Left, shift);
  }
};

TEST_F(ScreensTest, ScreenCommandPreselectsTheTreeAndItsSwitch) {
  Run("screen2=1=Глава 1");
  EXPECT_EQ(form->CurrentScreen(), 1);
  // The switch that selects tree 1 is on, its partner off, the other group
  // untouched; entering replays the switches that are on, without sound.
  EXPECT_TRUE(Groups(1)[0].on);
  EXPECT_FALSE(Groups(1)[1].on);
  EXPECT_TRUE(Groups(1)[2].on);
  EXPECT_THAT(Commands(), ElementsAre("screen2=1=Глава 1 0 1", "settree1 2 1", "ontree 2 1"));
  EXPECT_TRUE(Plays().empty());
  const TTreesPart& trees = *form->Trees();
  EXPECT_EQ(trees.PendingItem(), Utf8ToCp1251("Глава 1"));
  // The replayed "settree1" made tree 1 current in place of tree 2, the last
  // of the screen; it shows once the window's fade is over.
  EXPECT_EQ(trees.Number(trees.Current()), 1);
  EXPECT_FALSE(trees.View(0).Visible());
  Settle();
  EXPECT_TRUE(trees.View(0).Visible());
  EXPECT_FALSE(trees.View(1).Visible());
  // A file name (with an extension) becomes the pending file instead.
  Mark();
  Run("screen2=2=docs\\intro.htm");
  EXPECT_EQ(Cp1251ToUtf8(trees.PendingFile()), Cp1251ToUtf8(Disc().programDir) + "docs\\intro.htm");
  EXPECT_TRUE(trees.PendingItem().empty());
  EXPECT_FALSE(Groups(1)[0].on);
  EXPECT_TRUE(Groups(1)[1].on);
  Settle();
  // No switch for tree 7: the switches stay as they are.
  Run("screen2=7=Глава");
  EXPECT_TRUE(Groups(1)[1].on);
  EXPECT_FALSE(Groups(1)[0].on);
  Settle();
  // Not a tree number: nothing at all.
  Run("1");
  Settle();
  Mark();
  for (const char* c : {"screen2=x=Глава 1", "screen2==Глава 1", "screen2=1.5=Глава 1", "screen9=1=Глава 1"})
    Run(c);
  EXPECT_TRUE(Screens().empty());
  EXPECT_TRUE(Owners().empty());
  EXPECT_EQ(form->CurrentScreen(), 0);
  EXPECT_TRUE(Groups(1)[1].on);
}

TEST_F(ScreensTest, EnteringReplaysSwitchesAndShiftChangesThemQuietly) {
  Run("3");
  EXPECT_THAT(Commands(), ElementsAre("3 0 1", "downc 1 1"));
  Settle();
  // Shift: the switch turns off, its picture follows, no command, no sound.
  Mark();
  ClickAt(30, 90, kShift);
  EXPECT_FALSE(Singles(2)[0].on);
  EXPECT_TRUE(Commands().empty());
  EXPECT_TRUE(Plays().empty());
  platform->Mouse("main", HeadlessPlatform::MouseAction::Move, {195, 145});
  Settle();
  EXPECT_EQ(At(30, 90), kSwOff);
  // The next entry replays the command of the new state.
  Run("1");
  Settle();
  Mark();
  Run("3");
  EXPECT_THAT(Commands(), ElementsAre("3 0 1", "upc 1 1"));
  EXPECT_TRUE(Plays().empty());
}

TEST_F(ScreensTest, ShiftClickOnAGroupSwitchTurnsItsPartnersOffSilently) {
  ClickAt(130, 90, kShift);
  EXPECT_FALSE(Groups(0)[0].on);
  EXPECT_TRUE(Groups(0)[1].on);
  EXPECT_TRUE(Commands().empty());
  EXPECT_TRUE(Plays().empty());
  platform->Mouse("main", HeadlessPlatform::MouseAction::Move, {195, 145});
  Settle();
  EXPECT_EQ(At(90, 90), kSwOff);
  EXPECT_EQ(At(130, 90), kSwOn);
  // A click on the switch that is on does nothing, Shift or not.
  ClickAt(130, 90);
  ClickAt(130, 90, kShift);
  EXPECT_TRUE(Commands().empty());
  EXPECT_TRUE(Groups(0)[1].on);
}

TEST_F(ScreensTest, ReplayThatLeadsBackToTheScreenBeingEnteredIsRefused) {
  LogCapture log;
  Run("4");
  // The first switch of screen 4 asks for screen 4 again: refused; the
  // second leads on to screen 3, whose own switch replays there.
  EXPECT_THAT(Screens(), ElementsAre(4, -4, 3));
  EXPECT_THAT(Commands(), ElementsAre("4 0 1", "screen4=store 1 1", "screen3=store 1 1", "downc 1 1"));
  EXPECT_EQ(form->CurrentScreen(), 2);
  EXPECT_TRUE(log.Contains("refused")) << log.All();
  Settle();
  EXPECT_EQ(Main()->Bounds().Width(), 200);
  EXPECT_EQ(At(170, 120), kBack1);
}

TEST_F(ShellTest, SwitchesThatLeadToEachOtherEndAfterOneRound) {
  // Screen 1's switch leads to screen 2, and screen 2's back to screen 1.
  const std::string sw = "fn1=s1.bmp;fn2=s2.bmp;fn3=s3.bmp;fn4=s4.bmp;";
  WriteDisc(discDir.Path(), "title=петля\n_screen1 back1.bmp\n_screen2 back2.bmp\n"
                            "switchone1;vx=20;vy=80;" + sw + "state=on;store=off;goup=x;godown=screen2=store;hint=;wav=a.wav\n"
                            "switchone2;vx=20;vy=80;" + sw + "state=on;store=off;goup=x;godown=1;hint=;wav=a.wav\n");
  ASSERT_TRUE(Start()) << stop.reason;
  EXPECT_EQ(form->CurrentScreen(), 1);
  std::vector<std::string> screens;
  for (const std::string& l : TraceOf("screen")) screens.push_back(l.substr(l.find("\"screen\":")));
  EXPECT_THAT(screens, ElementsAre("\"screen\":1}", "\"screen\":2}", "\"screen\":1,\"refused\":true}"));
  EXPECT_TRUE(Main()->Visible());
}

TEST_F(ScreensTest, PictureSetsFollowTheNumberOfButtons) {
  EXPECT_EQ(ButtonSets(), 8u);
  Run("screen3=store");
  Settle();
  EXPECT_EQ(ButtonSets(), 3u);
  EXPECT_EQ(At(170, 35), kBack1) << "no button there on screen 3";
  EXPECT_EQ(At(120, 10), kNormal);
  Run("1");
  Settle();
  EXPECT_EQ(ButtonSets(), 8u);
  EXPECT_EQ(At(170, 35), kNormal);
  // The new sets work: hovering the last button fades to its hover look.
  platform->Mouse("main", HeadlessPlatform::MouseAction::Move, {170, 35});
  Wait(100);
  EXPECT_EQ(At(170, 35), kHover);
  // Screen 5 has one button.
  Run("5");
  Settle();
  EXPECT_EQ(ButtonSets(), 1u);
}

TEST_F(ScreensTest, AButtonCommandCalmsEveryButtonOfTheNewScreen) {
  platform->Mouse("main", HeadlessPlatform::MouseAction::Move, {20, 35});
  platform->Mouse("main", HeadlessPlatform::MouseAction::Down, {20, 35});
  platform->Mouse("main", HeadlessPlatform::MouseAction::Up, {20, 35});  // "screen3=store"
  EXPECT_EQ(form->CurrentScreen(), 2);
  EXPECT_EQ(State().find("\"hover\":true"), std::string::npos);
  EXPECT_EQ(State().find("\"pressed\":true"), std::string::npos);
}

TEST_F(ScreensTest, RegistrationAndGameScreensCallTheirHooks) {
  Run("2");
  EXPECT_THAT(Owners(), ElementsAre("players reload"));
  Settle();
  Mark();
  Run("5");
  EXPECT_THAT(Owners(), ElementsAre("game schedule-start"));
  // Entering it again schedules a new start.
  Settle();
  Mark();
  Run("screen5=store");
  EXPECT_EQ(Owners().back(), "game schedule-start");
}

TEST_F(ShellTest, StoredSwitchStatesSurviveARestart) {
  WriteDisc(discDir.Path(), FiveScreenScript());
  Registry& settings = platform->Settings();
  const std::string key = Utf8ToCp1251("SOFTWARE\\VOMAR\\Тестовый диск");
  settings.WriteInteger(RootKey::CurrentUser, key, "SwGrp01", 1);
  settings.WriteString(RootKey::CurrentUser, key, "SwGrp00", "0");  // not a boolean: the script's state
  ASSERT_TRUE(Start()) << stop.reason;
  const TElementModel& m = form->Elements();
  EXPECT_FALSE(m.SingleSwitches[0][0].on);  // no value: the script's state
  EXPECT_TRUE(m.GroupSwitches[0][0].on);
  EXPECT_TRUE(m.GroupSwitches[0][1].on);
  Wait(100);
  platform->Click("main", {30, 90});   // single switch on
  platform->Click("main", {90, 90}, MouseButton::Left, kShift);  // already on: nothing
  form->RunCommand("3", "", 0, 0, 1);
  Wait(50);
  platform->Click("main", {30, 90});  // screen 3's switch (not stored) off
  EXPECT_FALSE(m.SingleSwitches[2][0].on);
  form.reset();
  EXPECT_EQ(settings.ReadBool(RootKey::CurrentUser, key, "SwOne00"), true);
  EXPECT_EQ(settings.ReadBool(RootKey::CurrentUser, key, "SwGrp00"), true);
  EXPECT_EQ(settings.ReadBool(RootKey::CurrentUser, key, "SwGrp01"), true);
  EXPECT_FALSE(settings.ReadValue(RootKey::CurrentUser, key, "SwOne20").has_value());

  const std::size_t before = platform->Tracer().Lines().size();
  ASSERT_TRUE(Start()) << stop.reason;
  const TElementModel& again = form->Elements();
  EXPECT_TRUE(again.SingleSwitches[0][0].on);
  EXPECT_TRUE(again.GroupSwitches[0][1].on);
  EXPECT_TRUE(again.SingleSwitches[2][0].on) << "not stored: the script's state";
  EXPECT_EQ(At(30, 90), kSwOn);
  // The start screen's replay ran the restored states' commands.
  const auto lines = platform->Tracer().Lines();
  bool downa = false;
  for (std::size_t i = before; i < lines.size(); ++i)
    downa |= lines[i].find("\"command\":\"downa\",\"sound\":\"one.wav\",\"index\":0,\"source\":1,\"mode\":1") !=
             std::string::npos;
  EXPECT_TRUE(downa);
}

TEST_F(ShellTest, ViewersAndASecondShellWriteNoSwitchStates) {
  WriteDisc(discDir.Path(), FiveScreenScript());
  ASSERT_TRUE(Start({"/h"}));
  form.reset();
  ASSERT_TRUE(Start());
  PlatformConfig config;
  config.settingsDir = home / "settings";
  HeadlessPlatform other(config);
  other.Tracer().KeepLines(true);
  {
    TMainForm second(other, Disc());
    StartStop secondStop;
    EXPECT_FALSE(second.FormCreate({{}, "trivion"}, &secondStop));
  }
  for (const std::string& l : other.Tracer().Lines()) EXPECT_EQ(l.find("\"ev\":\"registry\""), std::string::npos) << l;
  EXPECT_TRUE(TraceOf("registry").empty());
  form.reset();
  EXPECT_FALSE(TraceOf("registry").empty()) << "the shell itself writes its stored switches";
}

TEST_F(ShellTest, TwoSwitchesOfOneValueNameShareTheStateWrittenLast) {
  // Switch 10 of screen index 1 and switch 0 of screen index 11 are both
  // "SwOne110"; the second is written last.
  const std::string sw = ";vy=80;fn1=s1.bmp;fn2=s2.bmp;fn3=s3.bmp;fn4=s4.bmp;store=on;goup=x;godown=y;hint=;wav=no\n";
  std::string script = "title=тестовый диск\n";
  for (int s = 1; s <= 12; ++s) script += "_screen" + std::to_string(s) + " back1.bmp\n";
  for (int i = 0; i <= 10; ++i)
    script += "switchone2;vx=" + std::to_string(i * 10) + (i == 10 ? ";state=on" : ";state=off") + sw;
  script += "switchone12;vx=0;state=off" + sw;
  WriteDisc(discDir.Path(), script);
  ASSERT_TRUE(Start()) << stop.reason;
  ASSERT_EQ(form->Elements().SingleSwitches[1].size(), 11u);
  EXPECT_TRUE(form->Elements().SingleSwitches[1][10].on);
  form.reset();
  const std::string key = Utf8ToCp1251("SOFTWARE\\VOMAR\\Тестовый диск");
  EXPECT_EQ(platform->Settings().ReadBool(RootKey::CurrentUser, key, "SwOne110"), false);
  ASSERT_TRUE(Start());
  EXPECT_FALSE(form->Elements().SingleSwitches[1][10].on);
  EXPECT_FALSE(form->Elements().SingleSwitches[11][0].on);
}

TEST_F(ShellTest, AScriptWithoutScreensShowsAPlainWindow) {
  // Buttons for a screen the script never declares are unreachable, and the
  // window still starts and takes the mouse without harm.
  WriteDisc(discDir.Path(), "title=пусто\nbutton3;vx=0;vy=0\nfn1=n.bmp;fn2=h.bmp;fn3=p.bmp;fn4=i.bmp;wav=no;hint=;go=1\n"
                            "switchone2;vx=20;vy=80;fn1=s1.bmp;fn2=s2.bmp;fn3=s3.bmp;fn4=s4.bmp;state=on;store=on;"
                            "goup=x;godown=1;hint=;wav=no\n");
  ASSERT_TRUE(Start()) << stop.reason;
  EXPECT_EQ(form->ScreenCount(), 0);
  EXPECT_TRUE(Main()->Visible());
  platform->Click("main", {10, 10});
  platform->Mouse("main", HeadlessPlatform::MouseAction::Move, {30, 90});
  form->RunCommand("1", "", 0, 0, 1);
  form->SwitchScreen(0, 0, 0);
  form->SwitchScreen(2, 0, 0);
  EXPECT_EQ(form->CurrentScreen(), 0);
  Wait(100);
  form.reset();
}

}  // namespace
}  // namespace trv::test
