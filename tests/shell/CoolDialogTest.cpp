// The game dialog: its script reader (letter case, key search), the layout of
// a page around its text, and its modal and non-blocking showing.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <deque>
#include <functional>

#include "platform/Keys.h"
#include "script/ScriptLines.h"
#include "game/CoolDialog.h"
#include "shell/ShellDisc.h"

namespace trv::test {
namespace {

using ::testing::ElementsAre;

std::string Cp(const std::string& utf8) { return Utf8ToCp1251(utf8); }

// Scripts end their lines with CR LF.
std::string Crlf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

TDynamicStringArray Lines(const std::string& utf8) {
  const std::string cp = Crlf(Cp(utf8));
  TDynamicStringArray lines;
  SplitLines(reinterpret_cast<const std::uint8_t*>(cp.data()), cp.size(), true, lines);
  return lines;
}

const ScriptPaths kPaths{"\\disc\\", "\\"};

// ---- The reader

TEST(CoolDialogScriptTest, BlockWordsAndKeysIgnoreCaseExceptInInputBoxes) {
  const TDialogScript s = ReadDialogScript(Lines("1_PICTURE=Back.BMP\n"
                                                 "1_Text; VX=5; VY=6; VW=70; FONT=Times New Roman; SIZE=12;\n"
                                                 "  STYLE=Bold Italic; COLOR=1,2,3; VALUE=Привет\n"
                                                 "1_BUTTON; VX=1; VY=2; ALIGN=Middle\n"
                                                 "  NAME=OK_Button; FN4=Off.BMP\n"
                                                 "  FN1=N.bmp; FN2=H.bmp; FN3=P.bmp; GO=YES; HINT=Да, Ответ; WAV=Snd\\Ok.WAV\n"
                                                 "1_SWITCHGRP; VX=3; VY=4; FN1=a; FN2=b; FN3=c; FN4=d; STATE=ON; STORE=ON;\n"
                                                 "  GROUP=2; GO=NO; HINT=h; WAV=W.wav\n"
                                                 "1_PATH; vx=1; vy=2; vw=3; vh=4; pathdef=; hint=; textfontname=a;\n"
                                                 "  textfontstyle=; textfontcolor=0,0,0; bgcolor=0,0,0; name=x; wav=no\n"),
                                           kPaths);
  ASSERT_EQ(s.PagePictures.size(), 1u);
  EXPECT_EQ(s.PagePictures[0], "Back.BMP");  // picture names as written
  ASSERT_EQ(s.Texts.size(), 1u);
  const RText& t = s.Texts[0];
  EXPECT_EQ(std::tuple(t.left, t.top, t.right, t.fontSize), std::tuple(5, 6, 70, 12));
  EXPECT_EQ(t.fontName, "Times New Roman");
  EXPECT_EQ(t.fontStyle, "bold italic");
  EXPECT_EQ(t.fontColor, MakeColor(1, 2, 3));
  EXPECT_EQ(t.text, Cp("Привет"));
  ASSERT_EQ(s.Buttons[0].size(), 1u);
  const RDialogBtn& b = s.Buttons[0][0];
  EXPECT_EQ(b.align, "middle");
  EXPECT_EQ(b.name, "ok_button");
  EXPECT_EQ(b.fn[3], "off.bmp");
  EXPECT_EQ(b.fn[0], "N.bmp");
  EXPECT_EQ(b.command, "yes");
  EXPECT_EQ(b.hint, Cp("Да, Ответ"));
  EXPECT_EQ(b.sound, "snd\\ok.wav");
  ASSERT_EQ(s.Switches[0].size(), 1u);
  const RSwthGrp& sw = s.Switches[0][0];
  EXPECT_TRUE(sw.on);       // compared after lower-casing
  EXPECT_FALSE(sw.store);   // compared as written
  EXPECT_EQ(sw.group, 2);
  EXPECT_EQ(sw.command, "no");
  EXPECT_EQ(sw.sound, "w.wav");
  // "1_PATH" is no input box header: its words are matched as written.
  EXPECT_TRUE(s.Boxes[0].empty());
}

TEST(CoolDialogScriptTest, KeysAreSearchedDownwardsFromTheKeyBefore) {
  const TDialogScript s = ReadDialogScript(Lines("2_picture=p2.bmp\n"
                                                 "2_button\n"
                                                 "  a line without keys\n"
                                                 "  vx=10\n"
                                                 "  name=close\n"
                                                 "  vy=20; align=left; fn1=a.bmp\n"
                                                 "  unrelated\n"
                                                 "  fn2=b.bmp; fn3=c.bmp; go=help; hint=x; wav=no\n"
                                                 "2_button; vx=30; vy=40; align=right\n"
                                                 "  fn1=d.bmp; fn2=e.bmp; fn3=f.bmp; go=yes; hint=y; wav=s.wav\n"
                                                 "3_path; vx=1; vy=2; vw=90; vh=20; pathdef=abc; hint=h\n"
                                                 "  textfontname=Arial; textfontstyle=bold; textfontcolor=1,1,1\n"
                                                 "  bgcolor=2,2,2; name=username; wav=t.wav\n"),
                                           kPaths);
  // Page 2 is index 1; the lists grow to hold every page.
  ASSERT_EQ(s.Buttons.size(), 3u);
  EXPECT_TRUE(s.Buttons[0].empty());
  ASSERT_EQ(s.Buttons[1].size(), 2u);
  const RDialogBtn& a = s.Buttons[1][0];
  EXPECT_EQ(std::tuple(a.left, a.top), std::tuple(10, 20));
  EXPECT_EQ(a.name, "close");  // an optional key on a line the search passed over
  EXPECT_EQ(a.fn[1], "b.bmp");
  EXPECT_EQ(a.command, "help");
  EXPECT_EQ(s.Buttons[1][1].left, 30);
  EXPECT_EQ(s.Buttons[1][1].name, "");
  EXPECT_EQ(s.Buttons[1][1].sound, "s.wav");
  ASSERT_EQ(s.Boxes[2].size(), 1u);
  EXPECT_EQ(s.Boxes[2][0].right, 90);
  EXPECT_EQ(s.Boxes[2][0].defaultText, "abc");
  EXPECT_EQ(s.Boxes[2][0].fontStyle, unsigned(kFontBold));
  EXPECT_EQ(s.Boxes[2][0].bgColor, MakeColor(2, 2, 2));
  EXPECT_THAT(s.BoxNames[2], ElementsAre("username"));
}

TEST(CoolDialogScriptTest, AMissingKeyEndsTheReadingAndBadPagesAreSkipped) {
  const TDialogScript s = ReadDialogScript(Lines("0_button; vx=1; vy=1; align=left; fn1=a; fn2=a; fn3=a; go=x; hint=; wav=\n"
                                                 "1_button; vx=5; vy=6; align=left\n"
                                                 "  fn1=a.bmp; fn2=b.bmp\n"
                                                 "1_button; vx=7\n"),
                                           kPaths);
  // Page 0 does not exist; the second block lacks fn3 and takes the third
  // block's lines with it until the end.
  ASSERT_EQ(s.Buttons.size(), 1u);
  ASSERT_EQ(s.Buttons[0].size(), 1u);
  EXPECT_EQ(s.Buttons[0][0].left, 5);
  EXPECT_EQ(s.Buttons[0][0].fn[1], "b.bmp");
  EXPECT_EQ(s.Buttons[0][0].fn[2], "");
}

TEST(CoolDialogScriptTest, ATextBlockFillsTheLastEntry) {
  const TDialogScript s = ReadDialogScript(Lines("3_text; vx=3; vy=0; vw=0; font=a; size=1; style=; color=0,0,0; value=\n"
                                                 "1_text; vx=1; vy=0; vw=0; font=a; size=1; style=; color=0,0,0; value=\n"),
                                           kPaths);
  ASSERT_EQ(s.Texts.size(), 3u);
  EXPECT_EQ(s.Texts[0].left, 0);
  EXPECT_EQ(s.Texts[2].left, 1);  // written out of order: the later block overwrites
}

// ---- The window

constexpr Color kLeft = MakeColor(10, 10, 10);
constexpr Color kMiddle = MakeColor(200, 100, 0);
constexpr Color kRight = MakeColor(0, 100, 200);
constexpr Color kLowMiddle = MakeColor(50, 150, 50);
constexpr Color kBtn = MakeColor(255, 0, 0);
constexpr Color kBtnHover = MakeColor(0, 255, 0);
constexpr Color kBtnDown = MakeColor(0, 0, 255);
constexpr Color kTextColor = MakeColor(255, 255, 255);
constexpr int kW = 200, kH = 100;
const Rect kMain{100, 100, 700, 500};

// Background: left half, a marked middle column (upper and lower half apart),
// right half.
std::vector<std::uint8_t> Background() {
  Bitmap b(kW, kH, kLeft);
  b.Fill({kW / 2, 0, kW, kH}, kRight);
  b.Fill({kW / 2, 0, kW / 2 + 1, kH / 2}, kMiddle);
  b.Fill({kW / 2, kH / 2, kW / 2 + 1, kH}, kLowMiddle);
  return EncodeBmp(b);
}

const char* kDialogScript =
    "// test pages\n"
    "1_picture=bg.bmp\n"
    "1_text; vx=20; vy=30; vw=180; font=Arial; size=10; style=; color=255,255,255; value=\n"
    "1_button; vx=170; vy=5; align=right\n"
    "  name=close\n"
    "  fn1=n.bmp; fn2=h.bmp; fn3=p.bmp; go=close; hint=; wav=close.wav\n"
    "1_button; vx=10; vy=70; align=left\n"
    "  name=ok\n"
    "  fn1=n.bmp; fn2=h.bmp; fn3=p.bmp; go=ok; hint=; wav=ok.wav\n"
    "1_button; vx=60; vy=70; align=middle\n"
    "  name=yes\n"
    "  fn1=n.bmp; fn2=h.bmp; fn3=p.bmp; go=yes; hint=; wav=no\n"
    "1_button; vx=120; vy=70; align=right\n"
    "  fn1=n.bmp; fn2=h.bmp; fn3=p.bmp; go=no; hint=Нет; wav=no\n"
    "2_picture=missing.bmp\n"
    "2_text; vx=20; vy=30; vw=180; font=Arial; size=10; style=; color=0,0,0; value=\n"
    "3_picture=bg.bmp\n"
    "3_text; vx=20; vy=30; vw=180; font=Arial; size=10; style=; color=0,0,0; value=\n"
    "3_button; vx=10; vy=70; align=left\n"
    "  name=yes\n"
    "  fn1=n.bmp; fn2=h.bmp; fn3=p.bmp; go=yes; hint=; wav=yes.wav\n"
    "3_button; vx=60; vy=70; align=left\n"
    "  name=ok\n"
    "  fn1=n.bmp; fn2=h.bmp; fn3=p.bmp; go=sendresults; hint=; wav=no\n"
    "3_path; vx=100; vy=40; vw=190; vh=55; pathdef=; hint=; textfontname=Arial; textfontstyle=;\n"
    "  textfontcolor=0,0,0; bgcolor=255,255,255; name=username; wav=no\n"
    "4_picture=bg.bmp\n"
    "4_text; vx=20; vy=30; vw=180; font=Arial; size=10; style=; color=0,0,0; value=\n"
    "4_switchgrp; vx=10; vy=70; fn1=n.bmp; fn2=h.bmp; fn3=p.bmp; fn4=h.bmp; state=on; store=off; group=1;\n"
    "  go=no; hint=; wav=sw.wav\n";

class CoolDialogTest : public ShellTest {
 protected:
  CoolDialogTest() {
    disc::ArchiveWriter w;
    w.Add("Dialog.txt", Bytes(Crlf(Cp(kDialogScript))));
    w.Add("bg.bmp", Background());
    w.Add("n.bmp", FlatBmp(20, 10, kBtn));
    w.Add("h.bmp", FlatBmp(20, 10, kBtnHover));
    w.Add("p.bmp", FlatBmp(20, 10, kBtnDown));
    w.Write(discDir / "Mev.dhl");
    archive.OpenNative(discDir / "Mev.dhl");
    CoolDialogHost host;
    host.mainBounds = [] { return kMain; };
    host.playWav = [this](const std::string& s) { sounds.push_back(s); };
    host.soundsOn = [] { return true; };
    host.mainKeyDown = [this](int key, unsigned) { mainKeys.push_back(key); };
    host.currentScore = [this] { return score; };
    host.saveUrl = [] { return std::string("http://127.0.0.1:9/save.php"); };
    host.title = "test";
    dialog = std::make_unique<TCoolDialog>(*platform, archive, kPaths, std::move(host));
  }

  // Runs ShowDialog with `steps` played in turn from the idle loop, each after
  // the clock moved on by `stepMs`, then time runs on until the dialog ends
  // (bounded, so a dialog that never closes fails instead of hanging).
  int Show(int layout, const std::string& text, std::deque<std::function<void()>> steps, int stepMs = 600) {
    int idle = 0;
    platform->VirtualLoop().SetIdleDriver([&, stepMs]() {
      if (++idle > 200) return false;
      Wait(std::uint64_t(stepMs));
      if (!steps.empty()) {
        auto step = std::move(steps.front());
        steps.pop_front();
        step();
      }
      return true;
    });
    const int result = dialog->ShowDialog(layout, text);
    platform->VirtualLoop().SetIdleDriver(nullptr);
    EXPECT_LE(idle, 200) << "the dialog never closed";
    return result;
  }
  HeadlessWindow* Dlg() { return platform->FindWindow("dialog"); }
  Point Centre(std::size_t button) {
    const RDialogBtn& b = dialog->PlacedButtons().at(button);
    return {(b.left + b.right) / 2, (b.top + b.bottom) / 2};
  }
  int TextWidth(const std::string& cp) {
    return platform->Fonts().CreateFont(FontSpec{"Arial", 10, 0})->TextExtent(cp).width;
  }
  int LineHeight(const std::string& cp) {
    return platform->Fonts().CreateFont(FontSpec{"Arial", 10, 0})->TextExtent(cp).height;
  }

  TReadBin archive;
  std::unique_ptr<TCoolDialog> dialog;
  std::vector<std::string> sounds;
  std::vector<int> mainKeys;
  std::int32_t score = 0;
};

TEST_F(CoolDialogTest, ANarrowTextLeavesThePageAsDrawnAndCentresIt) {
  std::vector<Rect> placed;
  Rect bounds;
  const int r = Show(0, "Hi", {[&] {
                       for (const auto& b : dialog->PlacedButtons()) placed.push_back({b.left, b.top, b.right, b.bottom});
                       bounds = Dlg()->Bounds();
                       dialog->CloseDialog();
                     }});
  EXPECT_EQ(r, kDialogClosed);
  EXPECT_EQ(bounds, Rect::FromSize(400 - kW / 2, 300 - kH / 2, kW, kH));
  ASSERT_EQ(placed.size(), 4u);
  EXPECT_EQ(placed[1], Rect::FromSize(10, 70, 20, 10));  // right and bottom from picture 1
  EXPECT_EQ(placed[3], Rect::FromSize(120, 70, 20, 10));
  EXPECT_FALSE(Dlg()->Visible());
}

TEST_F(CoolDialogTest, AWideTextRepeatsTheMiddleColumnAndMovesButtonsByAlignment) {
  std::string wide(40, 'W');
  const int G = TextWidth(wide) - 160;
  ASSERT_GT(G, 10);
  Bitmap canvas;
  std::vector<RDialogBtn> placed;
  Show(0, wide, {[&] {
         canvas = dialog->Canvas();
         placed = dialog->PlacedButtons();
         dialog->CloseDialog();
       }});
  ASSERT_EQ(canvas.Width(), kW + G);
  EXPECT_EQ(canvas.Height(), kH);
  EXPECT_EQ(canvas.Pixel(kW / 2 - 1, 2), kLeft);
  for (int x = kW / 2; x < kW / 2 + G; ++x) ASSERT_EQ(canvas.Pixel(x, 2), kMiddle) << x;
  EXPECT_EQ(canvas.Pixel(kW / 2 + G, 2), kMiddle);  // the column itself, moved right
  EXPECT_EQ(canvas.Pixel(kW / 2 + G + 1, 2), kRight);
  ASSERT_EQ(placed.size(), 4u);
  EXPECT_EQ(placed[0].left, 170 + G);      // "right", named close: across, not down
  EXPECT_EQ(placed[1].left, 10);           // "left"
  EXPECT_EQ(placed[2].left, 60 + G / 2);   // "middle"
  EXPECT_EQ(placed[3].left, 120 + G);      // anything else
  EXPECT_EQ(canvas.Pixel(placed[2].left + 1, placed[2].top + 1), kBtn);
}

TEST_F(CoolDialogTest, ASecondLineMakesThePageOneLineTallerAndMovesAllButClose) {
  const std::string text = "one\ntwo";
  const int h = LineHeight("one");
  Bitmap canvas;
  std::vector<RDialogBtn> placed;
  Rect bounds;
  Show(0, text, {[&] {
         canvas = dialog->Canvas();
         placed = dialog->PlacedButtons();
         bounds = Dlg()->Bounds();
         dialog->CloseDialog();
       }});
  ASSERT_EQ(canvas.Height(), kH + h);
  EXPECT_EQ(canvas.Width(), kW);
  EXPECT_EQ(bounds.top, 300 - (kH + h) / 2);
  // The lower half is drawn again one line lower.
  EXPECT_EQ(canvas.Pixel(5, kH + h - 1), kLeft);
  EXPECT_EQ(canvas.Pixel(kW / 2, kH + h - 1), kLowMiddle);
  EXPECT_EQ(canvas.Pixel(kW - 1, kH + h - 1), kRight);
  EXPECT_EQ(placed[0].top, 5);
  EXPECT_EQ(placed[1].top, 70 + h);
  EXPECT_EQ(placed[3].top, 70 + h);
  // Both lines are drawn into the text area.
  bool line2 = false;
  for (int y = 30 + h; y < 30 + 2 * h && !line2; ++y)
    for (int x = 20; x < 60 && !line2; ++x) line2 = canvas.Pixel(x, y) == kTextColor;
  EXPECT_TRUE(line2);
}

TEST_F(CoolDialogTest, ClickingButtonsGivesTheirCodes) {
  for (auto [button, code] : {std::pair<std::size_t, int>{2, kDialogYes}, {3, kDialogNo}, {0, kDialogClosed}}) {
    const int r = Show(0, "Q?", {[&, button = button] { platform->Click("dialog", Centre(button)); }});
    EXPECT_EQ(r, code) << button;
    EXPECT_FALSE(Dlg()->Visible());
  }
  // A close button's sound is played through the program's sound switch.
  EXPECT_THAT(sounds, ElementsAre("close.wav"));
  const auto closes = TraceOf("dialog");
  ASSERT_FALSE(closes.empty());
  EXPECT_NE(closes.back().find("\"result\":2"), std::string::npos);
}

TEST_F(CoolDialogTest, AClickWaitsForTheButtonsFadeAndIgnoresTheAppearEffect) {
  bool stillOpen = false;
  const int r = Show(0, "Q?",
                     {[&] {
                        // During the appear effect a press does nothing.
                        platform->Mouse("dialog", HeadlessPlatform::MouseAction::Down, Centre(2));
                        platform->Mouse("dialog", HeadlessPlatform::MouseAction::Up, Centre(2));
                      },
                      [&] {
                        Wait(600);  // long enough for a release that was kept to have run
                        stillOpen = Dlg()->Visible();
                        platform->Click("dialog", Centre(2));
                      },
                      [&] { Wait(400); }, [&] { Wait(400); }, [&] { Wait(400); }},
                     0);
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(r, kDialogYes);
}

TEST_F(CoolDialogTest, KeysCloseWithTheirCodes) {
  EXPECT_EQ(Show(0, "x", {[&] { platform->KeyPress("dialog", vk::Return); }}), kDialogOk);
  EXPECT_EQ(Show(2, "x", {[&] { platform->KeyPress("dialog", vk::Return); }}), kDialogYes);  // yes comes first
  sounds.clear();
  EXPECT_EQ(Show(0, "x", {[&] { platform->KeyPress("dialog", vk::Escape); }}), kDialogClosed);
  EXPECT_THAT(sounds, ElementsAre("close.wav"));
  EXPECT_EQ(Show(0, "x", {[&] { platform->KeyPress("dialog", vk::F1 + 3, kCtrl); }}), kDialogClosed);
  // F1 goes to the main window and leaves the dialog open.
  EXPECT_EQ(Show(0, "x", {[&] { platform->KeyPress("dialog", vk::F1); }, [&] { EXPECT_TRUE(Dlg()->Visible()); },
                          [&] { platform->KeyPress("dialog", vk::Escape); }}),
            kDialogClosed);
  EXPECT_THAT(mainKeys, ElementsAre(vk::F1));
}

TEST_F(CoolDialogTest, TheEnterAnswerReminderDoesNotBlock) {
  platform->VirtualLoop().SetIdleDriver([] { return false; });  // a modal loop would end the test at once
  EXPECT_EQ(dialog->ShowDialog(0, kEnterAnswerText), kDialogClosed);
  EXPECT_TRUE(Dlg()->Visible());
  EXPECT_FALSE(dialog->Modal());
  platform->VirtualLoop().SetIdleDriver(nullptr);
  // The next dialog takes its place.
  EXPECT_EQ(Show(0, "next", {[&] { platform->KeyPress("dialog", vk::Return); }}), kDialogOk);
  const auto lines = TraceOf("dialog");
  ASSERT_GE(lines.size(), 4u);
  EXPECT_NE(lines[1].find("\"op\":\"close\""), std::string::npos);
}

TEST_F(CoolDialogTest, UnknownPagesAndMissingPicturesShowNothing) {
  platform->VirtualLoop().SetIdleDriver([] { return false; });
  EXPECT_EQ(dialog->ShowDialog(1, "x"), kDialogClosed);
  EXPECT_EQ(dialog->ShowDialog(9, "x"), kDialogClosed);
  EXPECT_EQ(dialog->ShowDialog(-1, "x"), kDialogClosed);
  EXPECT_TRUE(Dlg() == nullptr || !Dlg()->Visible());
  platform->VirtualLoop().SetIdleDriver(nullptr);
}

TEST_F(CoolDialogTest, ASwitchThatStartsOnActsAtOnce) {
  platform->VirtualLoop().SetIdleDriver([] { return false; });
  EXPECT_EQ(dialog->ShowDialog(3, "x"), kDialogNo);
  EXPECT_THAT(sounds, ElementsAre("sw.wav"));
  platform->VirtualLoop().SetIdleDriver(nullptr);
}

TEST_F(CoolDialogTest, SendingWithoutAScoreKeepsTheDialogAndTheUsLayout) {
  std::string layoutWhileShown;
  bool open = false;
  const int r = Show(2, "0", {[&] {
                       layoutWhileShown = platform->Keys().ActiveLayout();
                       platform->Click("dialog", Centre(1));  // "sendresults" with a score of 0
                     },
                     [&] { open = Dlg()->Visible(); }, [&] { platform->KeyPress("dialog", vk::Escape); }});
  EXPECT_TRUE(open);
  EXPECT_EQ(r, kDialogClosed);
  EXPECT_EQ(layoutWhileShown, kLayoutUS);
  EXPECT_EQ(platform->Keys().ActiveLayout(), kLayoutRussian);
}

TEST_F(CoolDialogTest, TypedTextGoesToThePagesBox) {
  Show(2, "0", {[&] { platform->TypeText("dialog", "vasya"); }, [&] { platform->KeyPress("dialog", vk::Escape); }});
  TPathInputBox* boxes = dialog->Boxes(2);
  ASSERT_NE(boxes, nullptr);
  EXPECT_EQ(boxes->FindBoxText(2 + kDialogBoxKeyBase, "username"), "vasya");
}

TEST_F(CoolDialogTest, TimersOfTheProgramKeepFiringWhileModal) {
  int ticks = 0;
  const TimerId t = platform->Loop().SetTimer(100, true, [&] { ++ticks; });
  Show(0, "x", {[] {}, [&] { platform->KeyPress("dialog", vk::Escape); }});
  platform->Loop().KillTimer(t);
  EXPECT_GE(ticks, 10);
}

TEST_F(CoolDialogTest, PressingOutsideTheButtonsDragsTheWindow) {
  Rect before, after;
  Show(0, "x", {[&] {
                  before = Dlg()->Bounds();
                  platform->Mouse("dialog", HeadlessPlatform::MouseAction::Down, {100, 50});
                  platform->Mouse("dialog", HeadlessPlatform::MouseAction::Move, {130, 60});
                  platform->Mouse("dialog", HeadlessPlatform::MouseAction::Up, {130, 60});
                  after = Dlg()->Bounds();
                },
                [&] { platform->KeyPress("dialog", vk::Escape); }});
  EXPECT_EQ(after, before.Offset(30, 10));
}

TEST_F(CoolDialogTest, AnErrorOfAHandlerUnderTheDialogIsDroppedAndTheDialogEndsAsUsual) {
  LogCapture log;
  int r = -99;
  EXPECT_NO_THROW(r = Show(0, "x", {[&] {
                                      platform->Loop().SetTimer(10, false, [] {
                                        throw std::runtime_error("a handler failed");
                                      });
                                    },
                                    [&] { platform->KeyPress("dialog", vk::Escape); }}));
  EXPECT_EQ(r, kDialogClosed);
  EXPECT_FALSE(dialog->Modal());
  EXPECT_TRUE(log.Contains("a handler failed"));
}

TEST_F(CoolDialogTest, ButtonsShowTheirHintsBelowThePointer) {
  Rect hint, dlg;
  Point at;
  Show(0, "Q?", {[&] {
                   at = Centre(3);
                   platform->Mouse("dialog", HeadlessPlatform::MouseAction::Move, at);
                 },
                 [&] {
                   dlg = Dlg()->Bounds();
                   if (HeadlessWindow* w = platform->FindWindow("hint"); w && w->Visible()) hint = w->Bounds();
                   platform->KeyPress("dialog", vk::Escape);
                 }});
  ASSERT_FALSE(hint.Empty());
  EXPECT_EQ(hint.top, dlg.top + at.y + kCursorHeight);
  EXPECT_EQ(platform->FindWindow("hint"), nullptr);  // closing the dialog takes its hint away
}

}  // namespace
}  // namespace trv::test
