#include <gtest/gtest.h>

#include <limits>

#include "platform/Keys.h"
#include "platform/Text.h"
#include "windows/PathInputBoxes.h"
#include "shell/ShellDisc.h"

namespace trv::test {
namespace {

constexpr Color kBoxBack = MakeColor(0, 0, 64);
constexpr Color kBoxText = MakeColor(255, 255, 255);
constexpr Color kSelection = MakeColor(0, 0, 128);
constexpr Color kStale = MakeColor(0, 255, 0);
const std::string kTitle = "Тест";

RPathInput BoxRecord(int screen, Rect r, const std::string& defaultUtf8 = "", const std::string& sound = "type.wav") {
  RPathInput p;
  p.left = r.left;
  p.top = r.top;
  p.right = r.right;
  p.bottom = r.bottom;
  p.defaultText = Utf8ToCp1251(defaultUtf8);
  p.screen = screen;
  p.fontName = "Arial";
  p.fontColor = kBoxText;
  p.bgColor = kBoxBack;
  p.sound = sound;
  return p;
}

std::string Cp(const std::string& utf8) { return Utf8ToCp1251(utf8); }

bool Holds(const Bitmap& b, Rect area, Color c) {
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x)
      if (b.Pixel(x, y) == c) return true;
  return false;
}

bool AllOf(const Bitmap& b, Rect area, Color c) {
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x)
      if (b.Pixel(x, y) != c) return false;
  return true;
}

// The boxes with a host whose screen, visibility and calls the test controls.
class PathInputBoxTest : public ShellTest {
 protected:
  std::unique_ptr<TPathInputBox> Make(const TDynamicPathInputArray& list, bool dialog = false,
                                      const std::vector<std::string>& names = {}, std::int32_t key = 666) {
    PathBoxHost host;
    host.currentScreen = [this] { return screen; };
    host.ownerVisible = [this] { return ownerVisible; };
    host.typingSound = [this](const std::string& s) { sounds.push_back(s); };
    host.mouseOverBox = [this] { ++mouseOvers; };
    host.changed = [this](int i) { changes.push_back(i); };
    return std::make_unique<TPathInputBox>(*platform, std::move(host), Cp(kTitle), dialog, list, names, key);
  }
  // One visible, focused box on screen 0, holding `textUtf8`.
  std::unique_ptr<TPathInputBox> One(const std::string& textUtf8 = "", Rect r = {10, 10, 210, 30}) {
    auto boxes = Make({BoxRecord(0, r, "nodefvalue")});
    boxes->SetBoxesHidden(false);
    boxes->SetBoxText(Cp(textUtf8));
    return boxes;
  }
  void Type(TPathInputBox& boxes, const std::string& utf8) {
    for (char c : Cp(utf8)) boxes.Char(c);
  }
  Registry& Settings() { return platform->Settings(); }
  std::optional<std::string> Stored(const std::string& name) {
    return Settings().ReadString(RootKey::CurrentUser, TPathInputBox::SettingsKey(Cp(kTitle)), name);
  }
  void Store(const std::string& name, const RegValue& v) {
    Settings().WriteValue(RootKey::CurrentUser, TPathInputBox::SettingsKey(Cp(kTitle)), name, v);
  }

  int screen = 0;
  bool ownerVisible = true;
  std::vector<std::string> sounds;
  int mouseOvers = 0;
  std::vector<int> changes;
};

TEST_F(PathInputBoxTest, EditingKeysMoveTheCaretAndTheSelection) {
  auto boxes = One();
  TEditBox& box = boxes->Box(0);
  Type(*boxes, "hello");
  EXPECT_EQ(box.Text(), "hello");
  EXPECT_EQ(box.Caret(), 5u);
  boxes->KeyDown(vk::Home, 0);
  boxes->KeyDown(vk::Right, kShift);
  boxes->KeyDown(vk::Right, kShift);
  EXPECT_EQ(box.SelectedText(), "he");
  Type(*boxes, "X");  // replaces the selection
  EXPECT_EQ(box.Text(), "Xllo");
  EXPECT_EQ(box.Caret(), 1u);
  boxes->KeyDown(vk::End, 0);
  boxes->Char('\x08');
  EXPECT_EQ(box.Text(), "Xll");
  boxes->KeyDown(vk::Left, 0);
  boxes->KeyDown(vk::Delete, 0);
  EXPECT_EQ(box.Text(), "Xl");
  boxes->KeyDown(vk::Delete, 0);  // nothing after the caret
  EXPECT_EQ(box.Text(), "Xl");
  // Left with a selection lands on its start and drops it.
  boxes->KeyDown(vk::End, 0);
  boxes->KeyDown(vk::Left, kShift);
  boxes->KeyDown(vk::Left, 0);
  EXPECT_EQ(box.Caret(), 1u);
  EXPECT_EQ(box.SelStart(), box.SelEnd());
  // Shift+Home selects back to the start; Backspace then clears it all.
  boxes->KeyDown(vk::End, 0);
  boxes->KeyDown(vk::Home, kShift);
  EXPECT_EQ(box.SelectedText(), "Xl");
  boxes->Char('\x08');
  EXPECT_EQ(box.Text(), "");
  boxes->Char('\x08');  // at the start of an empty box
  // Ctrl+arrows go by words; Ctrl+A selects everything.
  Type(*boxes, "ab cd");
  boxes->KeyDown(vk::Left, kCtrl);
  EXPECT_EQ(box.Caret(), 3u);
  boxes->KeyDown(vk::Left, kCtrl);
  EXPECT_EQ(box.Caret(), 0u);
  boxes->KeyDown(vk::Right, kCtrl);
  EXPECT_EQ(box.Caret(), 3u);
  boxes->Char('\x01');
  EXPECT_EQ(box.SelectedText(), "ab cd");
  // Control characters other than the editing ones type nothing.
  boxes->KeyDown(vk::End, 0);
  boxes->Char('\t');
  boxes->Char('\x1b');
  EXPECT_EQ(box.Text(), "ab cd");
}

TEST_F(PathInputBoxTest, ClipboardGoesThroughThePlatform) {
  auto boxes = One("one two");
  TEditBox& box = boxes->Box(0);
  boxes->Char('\x01');
  boxes->Char('\x03');  // Ctrl+C
  EXPECT_EQ(platform->ClipboardText(), "one two");
  EXPECT_EQ(box.Text(), "one two");
  boxes->KeyDown(vk::End, 0);
  boxes->Char('\x16');  // Ctrl+V
  EXPECT_EQ(box.Text(), "one twoone two");
  box.Select(0, 4);
  boxes->Char('\x18');  // Ctrl+X
  EXPECT_EQ(platform->ClipboardText(), "one ");
  EXPECT_EQ(box.Text(), "twoone two");
  // A single line: a pasted text ends at its first line break, and control
  // characters are left out.
  platform->SetClipboardText("li\tne1\r\nline2");
  boxes->KeyDown(vk::End, 0);
  boxes->Char('\x16');
  EXPECT_EQ(box.Text(), "twoone twoline1");
  // The other shortcuts: Ctrl+Insert copies, Shift+Delete cuts, Shift+Insert pastes.
  box.Select(0, 3);
  boxes->KeyDown(vk::Insert, kCtrl);
  EXPECT_EQ(platform->ClipboardText(), "two");
  box.Select(3, 6);
  boxes->KeyDown(vk::Delete, kShift);
  EXPECT_EQ(platform->ClipboardText(), "one");
  EXPECT_EQ(box.Text(), "two twoline1");
  boxes->KeyDown(vk::Home, 0);
  boxes->KeyDown(vk::Insert, kShift);
  EXPECT_EQ(box.Text(), "onetwo twoline1");
  // Copying or cutting nothing leaves the clipboard alone.
  boxes->Char('\x18');
  EXPECT_EQ(platform->ClipboardText(), "one");
}

TEST_F(PathInputBoxTest, EveryTextIsCutAtTheMaximum) {
  auto boxes = One();
  TEditBox& box = boxes->Box(0);
  boxes->SetBoxText(std::string(1000, 'a'));
  EXPECT_EQ(box.Text().size(), kMaxBoxText);
  boxes->Char('b');  // full: refused
  EXPECT_EQ(box.Text(), std::string(kMaxBoxText, 'a'));
  // A paste over a selection gets the selection's room only.
  box.Select(0, 3);
  platform->SetClipboardText("xyz12345");
  boxes->Char('\x16');
  EXPECT_EQ(box.Text().size(), kMaxBoxText);
  EXPECT_EQ(box.Text().substr(0, 4), "xyza");
  // A stored text of any length as well.
  Store("PathInstall0", RegValue::String(std::string(100000, 'q')));
  auto stored = Make({BoxRecord(0, {0, 0, 100, 20}, "def")});
  EXPECT_EQ(stored->Box(0).Text(), std::string(kMaxBoxText, 'q'));
}

TEST_F(PathInputBoxTest, TypingSoundsOnlyForPlainKeys) {
  auto boxes = One();
  boxes->KeyDown('A', 0);
  boxes->KeyDown(vk::Back, 0);
  boxes->KeyDown(vk::Left, 0);
  boxes->KeyDown(vk::F1 + 24, 0);  // F25 is no function key of the rule
  EXPECT_EQ(sounds, std::vector<std::string>(4, "type.wav"));
  sounds.clear();
  boxes->KeyDown('A', kShift);  // a capital letter
  boxes->KeyDown('C', kCtrl);
  boxes->KeyDown('A', kAlt);
  boxes->KeyDown(vk::F1, 0);
  boxes->KeyDown(vk::F1 + 23, 0);  // F24
  boxes->KeyDown(vk::Return, 0);
  boxes->KeyDown(vk::Escape, 0);
  EXPECT_TRUE(sounds.empty());

  // "no" and an empty sound are silent; a box without the focus hears nothing.
  auto silent = Make({BoxRecord(0, {0, 0, 50, 20}, "", "no"), BoxRecord(1, {0, 30, 50, 50}, "", "")});
  silent->SetBoxesHidden(false);
  silent->KeyDown('A', 0);
  screen = 1;
  silent->SetBoxesHidden(false);
  silent->KeyDown('A', 0);
  EXPECT_TRUE(sounds.empty());
  EXPECT_EQ(silent->Sound(0), "");
  screen = 0;
  auto hidden = Make({BoxRecord(0, {0, 0, 50, 20})});
  EXPECT_FALSE(hidden->KeyDown('A', 0));
  EXPECT_FALSE(hidden->Char('a'));
  EXPECT_TRUE(sounds.empty());
}

TEST_F(PathInputBoxTest, StartTextsComeFromTheSettingsUnlessNoDefValue) {
  Store("PathInstall0", RegValue::String("stored0"));
  Store("PathInstall1", RegValue::String(Cp("сохранено")));
  Store("PathInstall3", RegValue::Integer(5));  // not a string: missing
  Store("PathInstall4", RegValue::String(""));  // empty: the default
  TDynamicPathInputArray list = {BoxRecord(0, {0, 0, 50, 20}, "nodefvalue"), BoxRecord(0, {0, 0, 50, 20}, "def1"),
                                 BoxRecord(1, {0, 0, 50, 20}, "def2"), BoxRecord(1, {0, 0, 50, 20}, "def3"),
                                 BoxRecord(2, {0, 0, 50, 20}, "def4")};
  auto boxes = Make(list);
  EXPECT_EQ(boxes->Box(0).Text(), "");
  EXPECT_EQ(boxes->Box(1).Text(), Cp("сохранено"));
  EXPECT_EQ(boxes->Box(2).Text(), "def2");
  EXPECT_EQ(boxes->Box(3).Text(), "def3");
  EXPECT_EQ(boxes->Box(4).Text(), "def4");
  boxes->SetBoxText("typed");  // the first box of screen 0: the "nodefvalue" one
  boxes.reset();
  // Every box is written back, the "nodefvalue" one included.
  EXPECT_EQ(Stored("PathInstall0"), "typed");
  EXPECT_EQ(Stored("PathInstall1"), Cp("сохранено"));
  EXPECT_EQ(Stored("PathInstall3"), "def3");
  // The next start reads them again, but "nodefvalue" still starts empty.
  auto again = Make(list);
  EXPECT_EQ(again->Box(0).Text(), "");
  EXPECT_EQ(again->Box(3).Text(), "def3");
}

TEST_F(PathInputBoxTest, DialogBoxesKeepOnlyTheUserName) {
  Store("PathInstall669", RegValue::String(Cp("Иван")));
  Store("PathInstall0", RegValue::String("not for dialogs"));
  auto boxes = Make({BoxRecord(3, {0, 0, 50, 20}, "def"), BoxRecord(3, {0, 30, 50, 50}, "nodefvalue"),
                     BoxRecord(3, {0, 60, 50, 80}, "x")},
                    true, {" username ", "userpassword", "  "}, 669);
  EXPECT_EQ(boxes->Box(0).Text(), Cp("Иван"));
  EXPECT_EQ(boxes->Box(0).Name(), "username");
  EXPECT_EQ(boxes->Box(1).Text(), "nodefvalue") << "dialog boxes show their default as written";
  EXPECT_EQ(boxes->Box(2).Name(), "");
  EXPECT_EQ(boxes->Key(2), 669);
  EXPECT_EQ(boxes->FindBoxText(669, "user"), Cp("Иван"));
  EXPECT_EQ(boxes->FindBoxText(669, "password"), "nodefvalue");
  EXPECT_EQ(boxes->FindBoxText(669, ""), "");
  EXPECT_EQ(boxes->FindBoxText(670, "user"), "");

  // The page's boxes show, the others hide.
  boxes->ShowForScreen(true, 669);
  EXPECT_TRUE(boxes->Box(0).Visible() && boxes->Box(1).Visible() && boxes->Box(2).Visible());
  EXPECT_GE(boxes->Focused(), 0);
  boxes->ShowForScreen(true, 670);
  EXPECT_FALSE(boxes->Box(0).Visible() || boxes->Box(1).Visible() || boxes->Box(2).Visible());
  EXPECT_EQ(boxes->Focused(), -1);

  boxes->Box(0).SetText("Петя");
  boxes->Box(1).SetText("secret");
  boxes.reset();
  EXPECT_EQ(Stored("PathInstall669"), "Петя");
  EXPECT_EQ(Stored("PathInstall0"), "not for dialogs");
  EXPECT_EQ(Stored("PathInstall1"), std::nullopt) << "only the user name is kept";
}

TEST_F(PathInputBoxTest, BoxesFollowTheScreenAndTheFocus) {
  screen = 1;
  auto boxes = Make({BoxRecord(0, {0, 0, 50, 20}, "a"), BoxRecord(1, {0, 30, 50, 50}, "b"),
                     BoxRecord(1, {0, 60, 50, 80}, "c")});
  // Made hidden: nothing shows and nothing has the focus until a fade ends.
  EXPECT_FALSE(boxes->Box(1).Visible());
  EXPECT_EQ(boxes->Focused(), -1);
  EXPECT_FALSE(boxes->KeyDown('A', 0));

  boxes->SetBoxesHidden(false);
  EXPECT_FALSE(boxes->Box(0).Visible());
  EXPECT_TRUE(boxes->Box(1).Visible() && boxes->Box(2).Visible());
  ASSERT_EQ(boxes->Focused(), 2);
  EXPECT_EQ(boxes->Box(2).SelectedText(), "c") << "taking the focus selects the text";
  EXPECT_EQ(boxes->GetBoxText(), "b") << "the first box of the screen";
  boxes->SetBoxText("B");
  EXPECT_EQ(boxes->Box(1).Text(), "B");
  boxes->Char('z');  // typed into the focused box, over its selection
  EXPECT_EQ(boxes->Box(2).Text(), "z");

  // Another screen: its boxes keep their (hidden) state, the others hide
  // and the focus returns to the window.
  screen = 0;
  boxes->ShowForScreen(false, 0);
  EXPECT_FALSE(boxes->Box(0).Visible() || boxes->Box(1).Visible() || boxes->Box(2).Visible());
  EXPECT_EQ(boxes->Focused(), -1);
  EXPECT_FALSE(boxes->Char('q'));

  // While the window is hidden a box may show but takes no focus.
  ownerVisible = false;
  boxes->SetBoxesHidden(false);
  EXPECT_TRUE(boxes->Box(0).Visible());
  EXPECT_EQ(boxes->Focused(), -1);
  ownerVisible = true;
  boxes->SetBoxesHidden(false);
  EXPECT_EQ(boxes->Focused(), 0);
  boxes->SetBoxesHidden(true);
  EXPECT_FALSE(boxes->Box(0).Visible());
  EXPECT_EQ(boxes->Focused(), -1);

  // A screen without boxes: nothing to read, set or show.
  screen = 7;
  EXPECT_EQ(boxes->GetBoxText(), "");
  boxes->SetBoxText("lost");
  boxes->SetBoxesHidden(false);
  EXPECT_EQ(boxes->Box(0).Text(), "a");
  EXPECT_EQ(boxes->Focused(), -1);
}

TEST_F(PathInputBoxTest, TheMousePlacesTheCaretAndDragsASelection) {
  auto boxes = One("abcdef");
  TEditBox& box = boxes->Box(0);
  auto xOf = [&](std::size_t i) {
    box.Select(i, i);
    return box.CaretX();
  };
  const int x2 = xOf(2), x5 = xOf(5);
  ASSERT_LT(x2, x5);
  boxes->Focus(-1);
  ASSERT_TRUE(boxes->MouseDown(MouseButton::Left, {x2, 20}, 0));
  EXPECT_EQ(boxes->Focused(), 0);
  EXPECT_EQ(box.Caret(), 2u);
  EXPECT_EQ(box.SelStart(), box.SelEnd()) << "a click selects nothing";
  EXPECT_TRUE(boxes->Capturing());
  boxes->MouseMove({x5, 25}, kLeftButton);
  EXPECT_EQ(box.SelectedText(), "cde");
  // Dragging past the box's end selects to the end of the text.
  boxes->MouseMove({400, 200}, kLeftButton);
  EXPECT_EQ(box.SelectedText(), "cdef");
  EXPECT_TRUE(boxes->MouseUp({400, 200}, 0));
  EXPECT_FALSE(boxes->Capturing());
  // Shift-click extends from where the selection began.
  boxes->MouseDown(MouseButton::Left, {x5, 20}, kShift);
  boxes->MouseUp({x5, 20}, 0);
  EXPECT_EQ(box.SelectedText(), "cde");
  // The pointer coming over a box clears the screen's hover, once per entry;
  // outside, the box takes nothing.
  EXPECT_TRUE(boxes->MouseMove({x2, 20}, 0));
  EXPECT_TRUE(boxes->MouseMove({x5, 20}, 0));
  EXPECT_EQ(mouseOvers, 1);
  EXPECT_FALSE(boxes->MouseMove({5, 5}, 0));
  EXPECT_TRUE(boxes->MouseMove({x2, 20}, 0));
  EXPECT_EQ(mouseOvers, 2);
  EXPECT_FALSE(boxes->MouseDown(MouseButton::Left, {5, 5}, 0));
  EXPECT_EQ(boxes->BoxAt({10, 10}), 0);
  EXPECT_EQ(boxes->BoxAt({210, 10}), -1);
}

TEST_F(PathInputBoxTest, PaintingStaysInsideTheBoxAndScrollsToTheCaret) {
  auto boxes = One("", {10, 10, 110, 30});
  TEditBox& box = boxes->Box(0);
  Type(*boxes, std::string(60, 'W'));
  const int caret = box.CaretX();
  EXPECT_GE(caret, 10);
  EXPECT_LT(caret, 110) << "the caret stays in view";
  EXPECT_GT(box.Scroll(), 0);
  Bitmap canvas(200, 60, kStale);
  boxes->Paint(canvas);
  EXPECT_TRUE(AllOf(canvas, {0, 0, 200, 10}, kStale));
  EXPECT_TRUE(AllOf(canvas, {0, 30, 200, 60}, kStale));
  EXPECT_TRUE(AllOf(canvas, {110, 0, 200, 60}, kStale));
  EXPECT_TRUE(Holds(canvas, {10, 10, 110, 30}, kBoxBack));
  EXPECT_TRUE(Holds(canvas, {10, 10, 110, 30}, kBoxText));
  // Home scrolls back to the start.
  boxes->KeyDown(vk::Home, 0);
  EXPECT_EQ(box.Scroll(), 0);
  EXPECT_EQ(box.CaretX(), 11);

  // The selection shows only while the box has the focus.
  boxes->Char('\x01');
  boxes->Paint(canvas);
  EXPECT_TRUE(Holds(canvas, {10, 10, 110, 30}, kSelection));
  boxes->Focus(-1);
  boxes->Paint(canvas);
  EXPECT_FALSE(Holds(canvas, {10, 10, 110, 30}, kSelection));
  // A hidden box is not drawn.
  boxes->SetBoxesHidden(true);
  Bitmap clean(200, 60, kStale);
  boxes->Paint(clean);
  EXPECT_TRUE(AllOf(clean, clean.Bounds(), kStale));
}

TEST_F(PathInputBoxTest, BoxesReachingOffTheCanvasDrawOnlyWhatShows) {
  RPathInput huge = BoxRecord(0, {-5, 10, 2000000000, 30});
  huge.top = std::numeric_limits<std::int32_t>::min();
  auto boxes = Make({huge, BoxRecord(0, {150, 40, 400, 60})});
  boxes->SetBoxesHidden(false);
  boxes->Focus(0);
  Type(*boxes, "text");
  Bitmap canvas(200, 50, kStale);
  boxes->Paint(canvas);
  EXPECT_TRUE(AllOf(canvas, {0, 30, 150, 50}, kStale));
  EXPECT_TRUE(Holds(canvas, {0, 0, 200, 30}, kBoxBack));
  EXPECT_TRUE(Holds(canvas, {150, 40, 200, 50}, kBoxBack));
  EXPECT_EQ(boxes->Box(0).Text(), "text");
}

// The boxes in the running shell, typed into through the platform.
class ShellInputBoxTest : public ShellTest {
 protected:
  static std::string Script(const std::string& box = "vx=20;vy=110;vw=180;vh=130") {
    return TestScript() + "_path 1 " + box +
           "\npathdef=nodefvalue;hint=Имя;wav=key.wav\n"
           "textfontname=Arial;textfontstyle=bold;textfontcolor=255,255,255\n"
           "bgcolor=0,0,64\n";
  }
  void Key(int key, unsigned shift = 0) { platform->KeyPress("main", key, shift); }
  std::vector<std::string> TypingSounds() {
    std::vector<std::string> out;
    for (const auto& l : TraceOf("command"))
      if (l.find(R"("sound":"key.wav")") != std::string::npos) out.push_back(l);
    return out;
  }
};

TEST_F(ShellInputBoxTest, KeysTypeCyrillicByPositionUnderTheRussianLayout) {
  WriteTestDisc(discDir.Path(), Script());
  ASSERT_TRUE(Start()) << stop.reason;
  Wait(100);
  ASSERT_NE(form->InputBoxes(), nullptr);
  ASSERT_EQ(form->InputBoxes()->Focused(), 0) << "the first screen's box shows with the window";
  Key(vk::KeyA + ('B' - 'A'), kShift);  // И
  Key(vk::KeyA + ('D' - 'A'));          // в
  Key(vk::KeyA + ('F' - 'A'));          // а
  Key(vk::KeyA + ('Y' - 'A'));          // н
  EXPECT_EQ(form->InputBoxes()->GetBoxText(), Cp("Иван"));
  EXPECT_EQ(TypingSounds().size(), 3u) << "not for the capital";
  platform->TypeText("main", "ов");  // text input: no key, no sound
  EXPECT_EQ(form->InputBoxes()->GetBoxText(), Cp("Иванов"));
  EXPECT_EQ(TypingSounds().size(), 3u);
  EXPECT_TRUE(Holds(Main()->Presented(), {20, 110, 180, 130}, MakeColor(0, 0, 64)));
  EXPECT_TRUE(Holds(Main()->Presented(), {20, 110, 180, 130}, MakeColor(255, 255, 255)));

  form->DumpState();
  EXPECT_NE(TraceOf("state").back().find(
                R"("boxes":[{"screen":1,"visible":true,"focused":true,"text":"Иванов","caret":6,"selection":[6,6]}])"),
            std::string::npos)
      << TraceOf("state").back();
  // Enter goes to the next screen; its character is not typed, and the box
  // of the screen left behind hides and gives up the focus.
  Key(vk::Return);
  Wait(500);
  EXPECT_EQ(form->CurrentScreen(), 1);
  EXPECT_EQ(form->InputBoxes()->Box(0).Text(), Cp("Иванов"));
  EXPECT_FALSE(form->InputBoxes()->Box(0).Visible());
  EXPECT_EQ(form->InputBoxes()->Focused(), -1);
  EXPECT_EQ(TypingSounds().size(), 3u);
  form->FormClose();
  EXPECT_EQ(platform->Settings().ReadString(RootKey::CurrentUser, TPathInputBox::SettingsKey(form->Title()),
                                            "PathInstall0"),
            Cp("Иванов"));
}

TEST_F(ShellInputBoxTest, ABoxOverAButtonTakesTheMouseFromIt) {
  // The box lies inside the first button (20..60 x 20..40).
  WriteTestDisc(discDir.Path(), Script("vx=25;vy=25;vw=55;vh=35"));
  ASSERT_TRUE(Start()) << stop.reason;
  Wait(100);
  platform->Mouse("main", HeadlessPlatform::MouseAction::Move, {22, 22});
  Wait(300);
  EXPECT_EQ(At(22, 22), kHover);
  platform->Mouse("main", HeadlessPlatform::MouseAction::Move, {40, 30});
  Wait(300);
  EXPECT_EQ(At(22, 22), kNormal) << "over the box, no element stays under the mouse";
  const auto commandsBefore = TraceOf("command").size();
  platform->Click("main", {40, 30});
  EXPECT_EQ(TraceOf("command").size(), commandsBefore) << "the click went to the box, not the button";
  EXPECT_EQ(Main()->CurrentCursor(), Cursor::IBeam);
}

}  // namespace
}  // namespace trv::test

namespace trv::test {
namespace {

// A password box draws what a box holding as many stars draws, keeps the
// text typed for the program, and lends it to no clipboard.
TEST_F(PathInputBoxTest, APasswordBoxShowsStarsAndKeepsItsTextOffTheClipboard) {
  auto boxes = Make({BoxRecord(0, {10, 10, 210, 30}), BoxRecord(0, {10, 40, 210, 60})}, true,
                    {"username", "userpassword"});
  boxes->ShowForScreen(true, 666);
  ASSERT_EQ(boxes->Focused(), 1);  // the last box shown has it
  TEditBox& password = boxes->Box(1);
  EXPECT_TRUE(password.Masked());
  EXPECT_FALSE(boxes->Box(0).Masked());
  Type(*boxes, "tajna");
  EXPECT_EQ(boxes->FindBoxText(666, "userpassword"), "tajna");
  EXPECT_EQ(password.Shown(), "*****");
  EXPECT_NE(boxes->StateJson().find("\"text\":\"*****\""), std::string::npos);

  // Drawn as a box holding the stars, not as one holding the password.
  auto stars = One("*****", {10, 40, 210, 60});
  auto clear = One("tajna", {10, 40, 210, 60});
  Bitmap masked(220, 70, kStale), starred(220, 70, kStale), open(220, 70, kStale);
  boxes->Box(1).Paint(masked, false);
  stars->Box(0).Paint(starred, false);
  clear->Box(0).Paint(open, false);
  bool differsFromOpen = false;
  for (int y = 40; y < 60; ++y)
    for (int x = 10; x < 210; ++x) {
      ASSERT_EQ(masked.Pixel(x, y), starred.Pixel(x, y)) << x << "," << y;
      differsFromOpen |= masked.Pixel(x, y) != open.Pixel(x, y);
    }
  EXPECT_TRUE(differsFromOpen);

  platform->SetClipboardText("before");
  boxes->Focus(1);
  boxes->Char('\x01');
  boxes->Char('\x03');                // Ctrl+C
  boxes->KeyDown(vk::Insert, kCtrl);  // Ctrl+Insert
  EXPECT_EQ(platform->ClipboardText(), "before");
  boxes->Char('\x18');  // Ctrl+X still cuts, into nothing
  EXPECT_EQ(platform->ClipboardText(), "before");
  EXPECT_EQ(password.Text(), "");
  // Emptied by name, only in boxes of that key.
  Type(*boxes, "again");
  boxes->ClearBoxText(667, "userpassword");
  EXPECT_EQ(password.Text(), "again");
  boxes->ClearBoxText(666, "userpassword");
  EXPECT_EQ(password.Text(), "");
  EXPECT_EQ(boxes->Box(0).Text(), "");
}

}  // namespace
}  // namespace trv::test
