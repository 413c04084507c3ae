// The options window: the option commands, the reading of Options.txt, the
// stored switch states, the window's clicks, and what the main window takes
// from the options at start-up.
#include <gtest/gtest.h>

#include <deque>
#include <functional>

#include "platform/Keys.h"
#include "script/ScriptLines.h"
#include "shell/ShellDisc.h"
#include "windows/Options.h"

namespace trv::test {
namespace {

// Scripts end their lines with CR LF.
TDynamicStringArray Lines(const std::string& utf8) {
  std::string cp;
  for (char c : Utf8ToCp1251(utf8)) {
    if (c == '\n') cp += '\r';
    cp += c;
  }
  TDynamicStringArray lines;
  SplitLines(reinterpret_cast<const std::uint8_t*>(cp.data()), cp.size(), true, lines);
  return lines;
}

const ScriptPaths kPaths{"\\disc\\", "\\"};
const std::string kKey = "SOFTWARE\\VOMAR\\Test";

// A music that records what the commands did to it.
struct MusicLog {
  bool on = true;
  bool visible = true;
  std::vector<std::string> calls;
  OptionMusic Host() {
    OptionMusic m;
    m.musicOn = [this] { return on; };
    m.setMusicOn = [this](bool v) { on = v; };
    m.closeClipPlayer = [this] { calls.push_back("close-clip"); };
    m.mainWindowVisible = [this] { return visible; };
    m.musicStart = [this] { calls.push_back("start"); };
    m.musicStop = [this](bool fade) { calls.push_back(fade ? "stop-fade" : "stop"); };
    return m;
  }
};

// ---- Commands

TEST(OptionCommandsTest, EachCommandSetsItsFlagAndOthersNothing) {
  MusicLog music;
  TOptionFlags f;
  for (const char* c : {"offsoundbtn", "offsendresultsontheserver", "offgametable", "onquizmastervoice",
                        "storevisitedhtmlon", "startscreen 3"})
    RunOptionCommand(c, f, music.Host());
  EXPECT_FALSE(f.SoundsOn);
  EXPECT_FALSE(f.SendResults);
  EXPECT_FALSE(f.GameTable);
  EXPECT_TRUE(f.QuizMasterVoice);
  EXPECT_TRUE(f.StoreVisitedHtml);
  EXPECT_EQ(f.StartScreen, 3);
  // Exact words only, except "startscreen", read from the twelfth character
  // whatever stands before it.
  for (const char* c : {"OffSoundBtn", "onsoundbtn ", "done", "", "no"}) RunOptionCommand(c, f, music.Host());
  EXPECT_FALSE(f.SoundsOn);
  RunOptionCommand("go startscreen 5", f, music.Host());
  EXPECT_EQ(f.StartScreen, 5);  // "go startsc|reen 5": the number after the twelfth character
  RunOptionCommand("startscreen", f, music.Host());
  EXPECT_EQ(f.StartScreen, -1);  // no number: start-up falls back to the first screen
  EXPECT_TRUE(f.ShowHints);
  EXPECT_TRUE(music.calls.empty());
}

TEST(OptionCommandsTest, MusicCommandsActOnlyOnAChange) {
  MusicLog music;
  TOptionFlags f;
  RunOptionCommand("onbgsound", f, music.Host());
  EXPECT_TRUE(music.calls.empty());  // already on: the clip player stays
  RunOptionCommand("offbgsound", f, music.Host());
  EXPECT_FALSE(music.on);
  RunOptionCommand("offbgsound", f, music.Host());
  RunOptionCommand("onbgsound", f, music.Host());
  EXPECT_TRUE(music.on);
  EXPECT_EQ(music.calls, (std::vector<std::string>{"stop-fade", "close-clip", "start"}));
  // Before the main window shows only the wish changes.
  music.calls.clear();
  music.visible = false;
  RunOptionCommand("offbgsound", f, music.Host());
  RunOptionCommand("onbgsound", f, music.Host());
  EXPECT_TRUE(music.on);
  EXPECT_EQ(music.calls, (std::vector<std::string>{"close-clip"}));
}

// ---- Reading

TEST(OptionsScriptTest, BlocksAreFoundInLowerCaseAndValuesKeptAsWritten) {
  const TOptionsScript s = ReadOptionsScript(Lines("// a comment\n"
                                                   "_PICTURE=Opt_Back.BMP\n"
                                                   "_Text; vx=1; vy=2; vw=3; font=Arial; size=9; style=Bold; color=1,2,3; value=Заголовок\n"
                                                   "_BUTTON; VX=10; VY=20; FN1=N.bmp; FN2=H.bmp; FN3=P.bmp\n"
                                                   "  GO=Done; HINT=Сохранить; WAV=Snd\\Ok.WAV\n"
                                                   "SwitchOne; vx=5; vy=6; fn1=a; fn2=b; fn3=c; fn4=d; state=Off; store=ON\n"
                                                   "  goup=OffSoundBtn; godown=Sub\\On.Txt; hint=Звук; wav=no\n"
                                                   "switchgrp; vx=7; vy=8; fn1=a; fn2=b; fn3=c; fn4=logo.bmp\n"
                                                   "  state=on; store=off; group=4; go=StartScreen 2\n"
                                                   "  hint=; wav=w.wav\n"
                                                   "switchgrp; vx=9; vy=9; fn1=a; fn2=b; fn3=c; fn4=d; state=on\n"
                                                   "  store=on; group=4; hint=the command never comes\n"),
                                             kPaths);
  EXPECT_TRUE(s.read);
  EXPECT_EQ(s.picture, "Opt_Back.BMP");
  ASSERT_EQ(s.texts.size(), 1u);
  EXPECT_EQ(s.texts[0].text, Utf8ToCp1251("Заголовок"));
  ASSERT_EQ(s.buttons.size(), 1u);
  EXPECT_EQ(std::tuple(s.buttons[0].left, s.buttons[0].top), std::tuple(10, 20));
  EXPECT_EQ(s.buttons[0].fn[0], "N.bmp");
  EXPECT_EQ(s.buttons[0].command, "done");
  EXPECT_EQ(s.buttons[0].hint, Utf8ToCp1251("Сохранить"));
  EXPECT_EQ(s.buttons[0].sound, "snd\\ok.wav");
  ASSERT_EQ(s.singles.size(), 1u);
  EXPECT_FALSE(s.singles[0].on);
  EXPECT_TRUE(s.singles[0].store);  // "ON" in lower case is "on"
  EXPECT_EQ(s.singles[0].goUp, "offsoundbtn");
  EXPECT_EQ(s.singles[0].goDown, "\\disc\\sub\\on.txt");  // lower-cased, then the path rules
  // "go" is looked for from the line of "group", so "logo.bmp" above does not count.
  ASSERT_EQ(s.groups.size(), 1u);  // the cut second block is left out
  EXPECT_EQ(s.groups[0].group, 4);
  EXPECT_EQ(s.groups[0].command, "startscreen 2");
  EXPECT_EQ(s.groups[0].sound, "w.wav");
}

TEST(OptionsScriptTest, TheFirstGoOfTheGroupLineCounts) {
  const TOptionsScript s = ReadOptionsScript(Lines("switchgrp; vx=1; vy=1; fn1=a; fn2=b; fn3=c; fn4=d; state=on; store=on\n"
                                                   "  group=1; logo=x; go=onsoundbtn; hint=; wav=no\n"),
                                             kPaths);
  ASSERT_EQ(s.groups.size(), 1u);
  EXPECT_EQ(s.groups[0].command, "x");  // the letters of "logo"
}

// ---- Stored states

class OptionStatesTest : public ShellTest {
 protected:
  TOptionsScript Script() {
    return ReadOptionsScript(Lines("switchone; vx=1; vy=1; fn1=a; fn2=b; fn3=c; fn4=d; state=off; store=on; goup=u; godown=d; hint=; wav=\n"
                                   "switchone; vx=1; vy=1; fn1=a; fn2=b; fn3=c; fn4=d; state=off; store=off; goup=u; godown=d; hint=; wav=\n"
                                   "switchgrp; vx=1; vy=1; fn1=a; fn2=b; fn3=c; fn4=d; state=off; store=on; group=1; go=g; hint=; wav=\n"),
                             kPaths);
  }
  Registry& Settings() { return platform->Settings(); }
};

TEST_F(OptionStatesTest, NothingStoredTurnsStoredSingleSwitchesOnAtStartOnly) {
  TOptionsScript s = Script();
  s.singles[0].underMouse = true;
  ReadStoredStates(s, Settings(), kKey, StoredRead::kCreation);
  EXPECT_TRUE(s.singles[0].on);   // stored, nothing there: on, whatever the script says
  EXPECT_FALSE(s.singles[1].on);  // not stored
  EXPECT_FALSE(s.groups[0].on);   // a group switch keeps its state
  EXPECT_FALSE(s.singles[0].underMouse);
  EXPECT_FALSE(Settings().ReadValue(RootKey::CurrentUser, kKey, "SwOneO0"));  // nothing written at start

  // A show writes the current state where nothing (or a text) is stored.
  s.singles[0].on = false;
  Settings().WriteString(RootKey::CurrentUser, kKey, "SwGrpO0", "broken");
  ReadStoredStates(s, Settings(), kKey, StoredRead::kExecute);
  EXPECT_FALSE(s.singles[0].on);
  EXPECT_EQ(Settings().ReadBool(RootKey::CurrentUser, kKey, "SwOneO0"), false);
  EXPECT_EQ(Settings().ReadBool(RootKey::CurrentUser, kKey, "SwGrpO0"), false);
  EXPECT_FALSE(Settings().ReadValue(RootKey::CurrentUser, kKey, "SwOneO1"));

  s.singles[0].on = true;
  s.groups[0].on = true;
  WriteStoredStates(s, Settings(), kKey);
  TOptionsScript next = Script();
  ReadStoredStates(next, Settings(), kKey, StoredRead::kCreation);
  EXPECT_TRUE(next.singles[0].on);
  EXPECT_TRUE(next.groups[0].on);
}

// ---- The window

constexpr Color kBack = MakeColor(30, 30, 60);

const char* const kOptionsScript =
    "_picture=back.bmp\n"
    "_button; vx=10; vy=150; fn1=n.bmp; fn2=h.bmp; fn3=p.bmp; go=done; hint=; wav=ok.wav\n"
    "_button; vx=70; vy=150; fn1=n.bmp; fn2=h.bmp; fn3=p.bmp; go=close; hint=; wav=no\n"
    "switchone; vx=10; vy=10; fn1=s1.bmp; fn2=s2.bmp; fn3=s3.bmp; fn4=s4.bmp; state=on; store=on\n"
    "  goup=offsoundbtn; godown=onsoundbtn; hint=Звуки; wav=sw.wav\n"
    "switchgrp; vx=10; vy=60; fn1=s1.bmp; fn2=s2.bmp; fn3=s3.bmp; fn4=s4.bmp; state=on; store=on; group=1\n"
    "  go=startscreen 1; hint=; wav=g.wav\n"
    "switchgrp; vx=40; vy=60; fn1=s1.bmp; fn2=s2.bmp; fn3=s3.bmp; fn4=s4.bmp; state=off; store=on; group=1\n"
    "  go=startscreen 3; hint=; wav=g.wav\n";

class CoolOptionsTest : public ShellTest {
 protected:
  CoolOptionsTest() {
    disc::ArchiveWriter w;
    w.Add("back.bmp", FlatBmp(200, 180, kBack));
    w.Add("n.bmp", FlatBmp(40, 20, kNormal));
    w.Add("h.bmp", FlatBmp(40, 20, kHover));
    w.Add("p.bmp", FlatBmp(40, 20, kPressed));
    w.Add("s1.bmp", FlatBmp(20, 20, kSwOff));
    w.Add("s2.bmp", FlatBmp(20, 20, kSwOffHover));
    w.Add("s3.bmp", FlatBmp(20, 20, kSwOnHover));
    w.Add("s4.bmp", FlatBmp(20, 20, kSwOn));
    w.Write(discDir / "Mev.dhl");
    archive.OpenNative(discDir / "Mev.dhl");
    Make(kOptionsScript);
  }
  void Make(const std::string& script) {
    options.reset();
    flags = {};
    CoolOptionsHost host;
    host.flags = &flags;
    host.music = music.Host();
    host.applied = [this] { ++applied; };
    host.mainBounds = [] { return Rect::FromSize(100, 100, 800, 600); };
    host.settingsKey = kKey;
    const TDynamicStringArray lines = Lines(script);
    options = std::make_unique<TCoolOptions>(*platform, archive, &lines, kPaths, std::move(host));
  }
  // Execute with `steps` played in turn from the idle loop (bounded).
  void Execute(std::deque<std::function<void()>> steps) {
    int idle = 0;
    platform->VirtualLoop().SetIdleDriver([&]() {
      if (++idle > 100) return false;
      Wait(400);
      if (!steps.empty()) {
        auto step = std::move(steps.front());
        steps.pop_front();
        step();
      }
      return true;
    });
    options->Execute();
    platform->VirtualLoop().SetIdleDriver(nullptr);
    EXPECT_LE(idle, 100) << "the window never closed";
  }
  std::function<void()> Click(int x, int y, unsigned shift = 0) {
    return [=, this] { platform->Click("options", {x, y}, MouseButton::Left, shift); };
  }
  std::function<void()> Key(int key) {
    return [=, this] { platform->KeyPress("options", key); };
  }
  std::size_t Sounds() { return TraceOf("sound").size(); }

  TReadBin archive;
  TOptionFlags flags;
  MusicLog music;
  int applied = 0;
  std::unique_ptr<TCoolOptions> options;
};

TEST_F(CoolOptionsTest, StartUpRunsTheStoredSwitchesAndTheWindowIsCentred) {
  EXPECT_EQ(applied, 1);
  EXPECT_TRUE(flags.SoundsOn);
  EXPECT_EQ(flags.StartScreen, 1);
  Rect shown;
  Execute({[&] { shown = platform->FindWindow("options")->Bounds(); }, Key(vk::Escape)});
  EXPECT_EQ(shown, Rect::FromSize(100 + 400 - 100, 100 + 300 - 90, 200, 180));
  EXPECT_FALSE(platform->FindWindow("options")->Visible());
}

TEST_F(CoolOptionsTest, CancellingLeavesTheFlagsAndAShiftClickIsSilent) {
  const std::size_t before = Sounds();
  // A Shift-click turns the sounds' switch off without its sound; Escape.
  Execute({Click(20, 20, kShift), Key(vk::Escape)});
  EXPECT_EQ(Sounds(), before);
  EXPECT_TRUE(flags.SoundsOn);
  EXPECT_EQ(applied, 1);
  // The next show reads the stored state back: on.
  Execute({Click(20, 20), Key(vk::Return)});
  EXPECT_EQ(Sounds(), before + 1);  // the switch's sound
  EXPECT_TRUE(flags.SoundsOn);
  // The "close" button applies nothing either.
  Execute({Click(20, 20), Click(90, 160)});
  EXPECT_TRUE(flags.SoundsOn);
  EXPECT_EQ(applied, 1);
  EXPECT_EQ(platform->Settings().ReadBool(RootKey::CurrentUser, kKey, "SwOneO0"), true);
}

TEST_F(CoolOptionsTest, GroupClicksAndDoneApplyAndStoreForTheNextStart) {
  const std::size_t before = Sounds();
  Execute({Click(20, 70),             // already on: nothing, not even its sound
           Click(50, 70, kShift),     // Shift does not silence a group switch
           Click(30, 160)});          // "done"
  EXPECT_EQ(Sounds(), before + 2);    // the group switch's and the button's
  EXPECT_EQ(applied, 2);
  EXPECT_EQ(flags.StartScreen, 3);
  EXPECT_EQ(platform->Settings().ReadBool(RootKey::CurrentUser, kKey, "SwGrpO0"), false);
  EXPECT_EQ(platform->Settings().ReadBool(RootKey::CurrentUser, kKey, "SwGrpO1"), true);
  // The next start replays the stored choice.
  Make(kOptionsScript);
  EXPECT_EQ(flags.StartScreen, 3);
}

TEST_F(CoolOptionsTest, NoBackgroundOrNoScriptShowsNothing) {
  LogCapture log;
  Make("_picture=missing.bmp\n" + std::string(kOptionsScript).substr(std::string("_picture=back.bmp\n").size()));
  options->Execute();
  EXPECT_FALSE(platform->FindWindow("options")->Visible());
  EXPECT_TRUE(log.Contains("no background picture"));

  CoolOptionsHost host;
  host.flags = &flags;
  flags = {};
  flags.SoundsOn = false;
  TCoolOptions empty(*platform, archive, nullptr, kPaths, std::move(host));
  EXPECT_FALSE(flags.SoundsOn);  // no command ran
  empty.Execute();
  EXPECT_TRUE(log.Contains("no Options.txt"));
}

TEST_F(CoolOptionsTest, BadValuesAreLoggedAndTheRestWorks) {
  LogCapture log;
  Make(std::string(kOptionsScript) +
       "unknown=1; _button; vx=2147483640; vy=-2147483648; fn1=n.bmp; fn2=h.bmp; fn3=nothere.bmp; go=done; hint=; wav=no\n"
       "switchone; vx=99; vy=99; fn1=gone.bmp; fn2=s2.bmp; fn3=s3.bmp; fn4=s4.bmp; state=maybe; store=yes\n"
       "  goup=reboot; godown=startscreen x; hint=; wav=no\n");
  EXPECT_EQ(flags.StartScreen, 1);  // the unknown command and the stray switch change nothing
  // The far button and the switch without its first picture take no clicks:
  // the click lands on an empty spot; the sounds' switch still works.
  Execute({Click(100, 100), Click(20, 20), Click(30, 160)});
  EXPECT_FALSE(flags.SoundsOn);
  EXPECT_TRUE(log.Contains("beyond any screen"));
  EXPECT_TRUE(log.Contains("gone.bmp"));
}

// ---- The main window

std::string OptionsFor(const char* startScreens) {
  std::string s = "_picture=back1.bmp\n";
  s += startScreens;
  return s;
}

class ShellOptionsTest : public ShellTest {
 protected:
  void Disc(const std::string& optionsUtf8, const std::string& script = TestScript()) {
    std::string crlf;
    for (char c : Utf8ToCp1251(optionsUtf8)) {
      if (c == '\n') crlf += '\r';
      crlf += c;
    }
    WriteTestDisc(discDir.Path(), script, true, {{"Options.txt", Bytes(crlf)}});
  }
  std::string Key() { return "SOFTWARE\\VOMAR\\" + Utf8ToCp1251("Тестовый диск"); }
};

TEST_F(ShellOptionsTest, TheStoredStartScreenIsShownFirstAndABadOneIsIgnored) {
  Disc(OptionsFor("switchgrp; vx=1; vy=1; fn1=s1.bmp; fn2=s2.bmp; fn3=s3.bmp; fn4=s4.bmp; state=on; store=on; group=1\n"
                  "  go=startscreen 1; hint=; wav=no\n"
                  "switchgrp; vx=1; vy=1; fn1=s1.bmp; fn2=s2.bmp; fn3=s3.bmp; fn4=s4.bmp; state=off; store=on; group=1\n"
                  "  go=startscreen 9; hint=; wav=no\n"
                  "switchgrp; vx=1; vy=1; fn1=s1.bmp; fn2=s2.bmp; fn3=s3.bmp; fn4=s4.bmp; state=off; store=on; group=1\n"
                  "  go=startscreen 2; hint=; wav=no\n"));
  platform->Settings().WriteBool(RootKey::CurrentUser, Key(), "SwGrpO0", false);
  platform->Settings().WriteBool(RootKey::CurrentUser, Key(), "SwGrpO2", true);
  ASSERT_TRUE(Start());
  EXPECT_EQ(form->CurrentScreen(), 1);
  EXPECT_EQ(form->Options().StartScreen, 2);
  form.reset();

  LogCapture log;
  platform->Settings().WriteBool(RootKey::CurrentUser, Key(), "SwGrpO1", true);
  platform->Settings().WriteBool(RootKey::CurrentUser, Key(), "SwGrpO2", false);
  ASSERT_TRUE(Start());
  EXPECT_EQ(form->Options().StartScreen, 9);
  EXPECT_EQ(form->CurrentScreen(), 0);
  EXPECT_TRUE(log.Contains("start screen 9"));
}

TEST_F(ShellOptionsTest, SwitchHintsFollowShowHintsAndButtonHintsDoNot) {
  std::string script = TestScript();
  const std::string from = "godown=down;hint=;";
  script.replace(script.find(from), from.size(), "godown=down;hint=Переключатель;");
  Disc(OptionsFor(""), script);
  ASSERT_TRUE(Start());
  auto hintAfterHover = [&](Point p) {
    platform->Mouse("main", HeadlessPlatform::MouseAction::Move, {1, 1});
    Wait(3000);
    platform->Mouse("main", HeadlessPlatform::MouseAction::Move, p);
    Wait(600);
    HeadlessWindow* hint = platform->FindWindow("hint");
    return hint && hint->Visible();
  };
  EXPECT_TRUE(hintAfterHover({30, 90}));
  form->SetShowHints(false);
  EXPECT_FALSE(hintAfterHover({30, 90}));
  EXPECT_TRUE(hintAfterHover({30, 30}));  // a button's hint is the window's own
}

}  // namespace
}  // namespace trv::test
