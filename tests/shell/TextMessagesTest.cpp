#include <gtest/gtest.h>

#include <limits>

#include "platform/Text.h"
#include "platform/fonts/FontEngine.h"
#include "shell/ShellDisc.h"
#include "windows/TextMessages.h"

namespace trv::test {
namespace {

constexpr Color kBackground = MakeColor(20, 40, 160);
constexpr Color kStale = MakeColor(0, 255, 0);  // what the window showed before
constexpr Color kInk = MakeColor(255, 255, 255);
constexpr Color kLight = MakeColor(255, 220, 0);

RText Field(std::int32_t number, Rect r, const std::string& textUtf8, std::int32_t screen = 0) {
  RText t;
  t.left = r.left;
  t.top = r.top;
  t.right = r.right;
  t.bottom = r.bottom;
  t.fontName = "Arial";
  t.fontSize = 12;
  t.fontStyle = "plain";
  t.fontColor = kInk;
  t.highlightColor = kLight;
  t.text = Utf8ToCp1251(textUtf8);
  t.number = number;
  t.screen = screen;
  return t;
}

// The smallest rectangle holding every pixel of `area` that is not `paper`.
Rect Ink(const Bitmap& b, Rect area, Color paper) {
  Rect ink{area.right, area.bottom, area.left, area.top};
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x)
      if (b.Pixel(x, y) != paper) {
        ink.left = std::min(ink.left, x);
        ink.top = std::min(ink.top, y);
        ink.right = std::max(ink.right, x + 1);
        ink.bottom = std::max(ink.bottom, y + 1);
      }
  return ink;
}

bool AllOf(const Bitmap& b, Rect area, Color c) { return Ink(b, area, c).Empty(); }

bool Holds(const Bitmap& b, Rect area, Color c) {
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x)
      if (b.Pixel(x, y) == c) return true;
  return false;
}

class TextMessagesTest : public ::testing::Test {
 protected:
  TextMessagesTest() : fonts(CreateFontEngine()), canvas(300, 120, kStale), background(300, 120, kBackground) {}

  void Make(const TDynamicTextArray& texts) {
    TextFieldSurface surface;
    surface.currentScreen = [this] { return screen; };
    surface.canvas = [this]() -> Bitmap* { return drawable ? &canvas : nullptr; };
    surface.background = [this]() -> const Bitmap* { return &background; };
    surface.changed = [this](const Rect& r) { changed.push_back(r); };
    msg = std::make_unique<TTextMsg>(fonts.get(), texts, std::move(surface), &trace);
  }
  // What the field's text looks like drawn by hand over the background.
  Bitmap Expected(const std::string& textUtf8, Rect r, unsigned flags, Color color) {
    Bitmap b = background;
    auto font = fonts->CreateFont(FontSpec{"Arial", 12, 0, 0});
    font->DrawText(b, r, Utf8ToCp1251(textUtf8), flags, color);
    return b;
  }
  bool SameIn(const Bitmap& a, const Bitmap& b, Rect r) {
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x)
        if (a.Pixel(x, y) != b.Pixel(x, y)) return false;
    return true;
  }

  std::unique_ptr<FontEngine> fonts;
  Bitmap canvas;
  Bitmap background;
  int screen = 0;
  bool drawable = true;
  std::vector<Rect> changed;
  Trace trace{[] { return std::uint64_t(0); }};
  std::unique_ptr<TTextMsg> msg;
};

const Rect kBox{10, 10, 200, 40};

TEST_F(TextMessagesTest, SetTextErasesAndRepaintsByItsFlags) {
  trace.KeepLines(true);
  Make({Field(555, kBox, "старый")});

  // The same text without erasing: nothing is drawn, nothing reported.
  msg->SetText(Utf8ToCp1251("старый"), 555, false, true);
  EXPECT_TRUE(AllOf(canvas, canvas.Bounds(), kStale));
  EXPECT_TRUE(changed.empty());

  // The same text with erasing: the background comes back and the text is drawn over it.
  msg->SetText(Utf8ToCp1251("старый"), 555, true, true);
  EXPECT_TRUE(SameIn(canvas, Expected("старый", kBox, dt::Left, kInk), kBox));
  EXPECT_TRUE(AllOf(canvas, {0, 0, 300, 10}, kStale)) << "nothing outside the field";
  EXPECT_TRUE(trace.Lines().empty()) << "an unchanged text is not a change";

  // A new text with repainting: the old one is gone, the new one stands on the background.
  canvas.Fill(kBox, kStale);
  msg->SetText(Utf8ToCp1251("новый"), 555, false, true);
  EXPECT_TRUE(SameIn(canvas, Expected("новый", kBox, dt::Left, kInk), kBox));
  EXPECT_EQ(msg->GetText(555), Utf8ToCp1251("новый"));
  ASSERT_EQ(trace.Lines().size(), 1u);
  EXPECT_NE(trace.Lines()[0].find(R"("ev":"field","number":555,"text":"новый")"), std::string::npos);

  // Neither erasing nor repainting: the new text is drawn over what was there.
  canvas.Fill(kBox, kStale);
  msg->SetText("x", 555, false, false);
  EXPECT_TRUE(Holds(canvas, kBox, kStale));
  EXPECT_FALSE(AllOf(canvas, kBox, kStale));
}

TEST_F(TextMessagesTest, AFieldOfAnotherScreenGetsTheBackgroundButNoText) {
  Make({Field(560, kBox, "30", 4)});
  msg->SetText("29", 560, false, true);
  EXPECT_TRUE(AllOf(canvas, kBox, kBackground));
  EXPECT_EQ(msg->GetText(560), "29");
  // Painting the screen leaves it out as well; its own screen shows it.
  msg->PaintTexts(-1);
  EXPECT_TRUE(AllOf(canvas, kBox, kBackground));
  screen = 4;
  msg->PaintTexts(-1);
  EXPECT_FALSE(AllOf(canvas, kBox, kBackground));
}

TEST_F(TextMessagesTest, OnlyTheFirstFieldOfANumberIsAddressed) {
  Make({Field(7, {10, 10, 100, 40}, "один"), Field(7, {10, 50, 100, 80}, "два")});
  msg->SetText("three", 7, true, true);
  msg->SetHighlight(7, true);
  EXPECT_EQ(msg->GetText(7), "three");
  EXPECT_EQ(msg->Fields()[1].text, Utf8ToCp1251("два"));
  EXPECT_TRUE(msg->Fields()[0].highlighted);
  EXPECT_FALSE(msg->Fields()[1].highlighted);
  Rect r{1, 2, 3, 4};
  ASSERT_TRUE(msg->TextRect(7, &r));
  EXPECT_EQ(r, (Rect{10, 10, 100, 40}));
}

TEST_F(TextMessagesTest, UnknownNumbersChangeNothing) {
  Make({Field(-1, kBox, "minus"), Field(10, {10, 50, 100, 80}, "ten")});
  msg->SetText("new", 99, true, true);
  EXPECT_TRUE(AllOf(canvas, canvas.Bounds(), kStale));
  EXPECT_EQ(msg->GetText(99), "");
  Rect r{1, 2, 3, 4};
  EXPECT_FALSE(msg->TextRect(99, &r));
  EXPECT_EQ(r, (Rect{1, 2, 3, 4}));
  EXPECT_EQ(msg->TextFont(99), nullptr);
  EXPECT_NE(msg->TextFont(10), nullptr);
  // A negative number is never highlighted, even when a field carries it.
  msg->SetHighlight(-1, true);
  EXPECT_FALSE(msg->Fields()[0].highlighted);
  EXPECT_EQ(msg->HintZone(-1), nullptr);
  EXPECT_EQ(msg->HintZone(10), nullptr) << "a field without hint has no zone";
}

TEST_F(TextMessagesTest, ScoreAndValueAreCentredTheOthersLeftAligned) {
  Make({Field(558, {0, 0, 300, 30}, "5"), Field(559, {0, 30, 300, 60}, "5"), Field(557, {0, 60, 300, 90}, "5")});
  msg->PaintTexts(-1);
  const Rect score = Ink(canvas, {0, 0, 300, 30}, kStale);
  const Rect value = Ink(canvas, {0, 30, 300, 60}, kStale);
  const Rect other = Ink(canvas, {0, 60, 300, 90}, kStale);
  ASSERT_FALSE(score.Empty());
  EXPECT_NEAR((score.left + score.right) / 2, 150, 4);
  EXPECT_NEAR((value.left + value.right) / 2, 150, 4);
  EXPECT_LT(other.left, 5);
  // Top-aligned: the ink starts near the top of each box.
  EXPECT_LT(score.top, 10);
  EXPECT_LT(other.top - 60, 10);
}

TEST_F(TextMessagesTest, AmpersandsAreMnemonicsAndLineBreaksStartLines) {
  Make({Field(1, {0, 0, 150, 60}, "&&"), Field(2, {150, 0, 300, 60}, "a\r\nb"), Field(3, {0, 60, 150, 120}, "&b"),
        Field(4, {150, 60, 300, 120}, "b")});
  msg->PaintTexts(-1);
  Bitmap expected(300, 120, kStale);
  auto font = fonts->CreateFont(FontSpec{"Arial", 12, 0, 0});
  Rect one{0, 0, 150, 60};
  font->DrawText(expected, one, "&", dt::NoPrefix, kInk);
  EXPECT_TRUE(SameIn(canvas, expected, one)) << "\"&&\" shows one \"&\"";
  // Two lines: ink in the first line's band and in the second's.
  const int line = font->Height();
  EXPECT_FALSE(AllOf(canvas, {150, 0, 300, line}, kStale));
  EXPECT_FALSE(AllOf(canvas, {150, line, 300, 2 * line}, kStale));
  // "&b" is "b" with its underline.
  const Rect underlined = Ink(canvas, {0, 60, 150, 120}, kStale);
  const Rect plain = Ink(canvas, {150, 60, 300, 120}, kStale);
  EXPECT_GT(underlined.bottom - 60, plain.bottom - 60);
}

TEST_F(TextMessagesTest, TextIsClippedToTheField) {
  Make({Field(1, {10, 10, 40, 20}, "a long text that cannot fit\r\nsecond line")});
  msg->PaintTexts(-1);
  EXPECT_TRUE(AllOf(canvas, {0, 0, 300, 10}, kStale));
  EXPECT_TRUE(AllOf(canvas, {0, 20, 300, 120}, kStale));
  EXPECT_TRUE(AllOf(canvas, {40, 0, 300, 120}, kStale));
  EXPECT_FALSE(AllOf(canvas, {10, 10, 40, 20}, kStale));
}

TEST_F(TextMessagesTest, FieldsFarOffTheWindowAreClipped) {
  Make({Field(1, {std::numeric_limits<std::int32_t>::min(), -10, std::numeric_limits<std::int32_t>::max(), 30},
              "wide"),
        Field(2, {250, 100, 100000, 100000}, "tail")});
  msg->SetText("wider", 1, true, true);
  msg->SetText("tail end", 2, true, true);
  EXPECT_TRUE(AllOf(canvas, {0, 30, 250, 120}, kStale));
  EXPECT_TRUE(Holds(canvas, {0, 0, 300, 30}, kBackground));
  EXPECT_TRUE(Holds(canvas, {250, 100, 300, 120}, kBackground));
}

TEST_F(TextMessagesTest, HighlightSwitchesColourAndRepaints) {
  RText noColour = Field(2, {0, 60, 300, 90}, "b");
  noColour.highlightColor = 0;  // no "hltextcl": black
  Make({Field(1, kBox, "a"), noColour});
  msg->SetHighlight(1, true);
  EXPECT_TRUE(Holds(canvas, kBox, kLight));
  EXPECT_FALSE(Holds(canvas, kBox, kInk));
  EXPECT_EQ(msg->TextColor(1), kLight);
  msg->SetHighlight(2, true);
  EXPECT_TRUE(Holds(canvas, {0, 60, 300, 90}, MakeColor(0, 0, 0)));
  msg->SetHighlight(1, false);
  EXPECT_EQ(msg->TextColor(1), kInk);
}

TEST_F(TextMessagesTest, NothingIsDrawnWhileTheCanvasIsAway) {
  Make({Field(1, kBox, "a")});
  drawable = false;
  msg->SetText("b", 1, true, true);
  msg->SetHighlight(1, true);
  EXPECT_TRUE(AllOf(canvas, canvas.Bounds(), kStale));
  EXPECT_EQ(msg->GetText(1), "b");
  EXPECT_TRUE(msg->Highlighted(1));
}

TEST_F(TextMessagesTest, HintsFollowTheFixedOrderOfNumbers) {
  RText wrong = Field(562, {0, 0, 100, 50}, "0");
  wrong.hint = "wrong";
  RText writing = Field(560, {50, 0, 150, 50}, "30");  // overlaps 562 on 50..100
  writing.hint = "writing";
  RText other = Field(100, {0, 60, 100, 100}, "x");
  other.hint = "never shown";
  Make({wrong, writing, other});

  auto hint = msg->HintAt({20, 20});
  ASSERT_TRUE(hint);
  EXPECT_EQ(hint->text, "wrong");
  EXPECT_EQ(hint->x, 20);
  EXPECT_EQ(hint->y, 50) << "the hint hangs below the field";
  // Both hold the point: 560 comes later in the order and wins.
  hint = msg->HintAt({70, 20});
  ASSERT_TRUE(hint);
  EXPECT_EQ(hint->text, "writing");
  // A zone of a field outside the list takes the mouse but shows nothing.
  EXPECT_TRUE(msg->ZoneAt({20, 70}));
  EXPECT_FALSE(msg->HintAt({20, 70}));
  // The zone includes its left edge, the hint test does not.
  EXPECT_TRUE(msg->ZoneAt({0, 20}));
  EXPECT_FALSE(msg->HintAt({0, 20}));
  EXPECT_FALSE(msg->ZoneAt({200, 20}));
  ASSERT_NE(msg->HintZone(560), nullptr);
  EXPECT_EQ(msg->HintZone(560)->rect, (Rect{50, 0, 150, 50}));
}

// The fields in the running shell: painted with the screen, hints through the
// window's mouse, a field of another screen still taking the mouse.
class ShellTextFieldsTest : public ShellTest {
 protected:
  static std::string Script() {
    return TestScript() +
           "_text 1 vx=20;vy=110;vw=190;vh=140\n"
           "font=Arial;size=12;style=bold;color=255,255,255;hltextcl=255,0,0;hint=Ваш счёт\n"
           "value=Счёт;ident=score;number=558\n"
           "_text 2 vx=150;vy=50;vw=190;vh=70\n"
           "font=Arial;size=10;style=plain;color=255,255,255;hint=Секунды\n"
           "value=60;ident=discussion;number=557\n";
  }
  void SetUp() override {
    WriteTestDisc(discDir.Path(), Script());
    ASSERT_TRUE(Start()) << stop.reason;
    Wait(100);
  }
  void Move(int x, int y) { platform->Mouse("main", HeadlessPlatform::MouseAction::Move, {x, y}); }
};

TEST_F(ShellTextFieldsTest, FieldsArePaintedAndChangedOnTheWindow) {
  ASSERT_NE(form->TextFields(), nullptr);
  EXPECT_TRUE(Holds(Main()->Presented(), {20, 110, 190, 140}, MakeColor(255, 255, 255)));
  EXPECT_TRUE(AllOf(Main()->Presented(), {150, 50, 190, 70}, kBack1)) << "the field of screen 2 stays away";
  form->TextFields()->SetHighlight(558, true);
  EXPECT_TRUE(Holds(Main()->Presented(), {20, 110, 190, 140}, MakeColor(255, 0, 0)));
  form->TextFields()->SetText(" ", 558, true, true);
  EXPECT_TRUE(AllOf(Main()->Presented(), {20, 110, 190, 140}, kBack1));
  form->DumpState();
  const auto states = TraceOf("state");
  ASSERT_FALSE(states.empty());
  EXPECT_NE(states.back().find(R"("fields":[{"number":558,"screen":1,"text":" ","highlighted":true},)"
                               R"({"number":557,"screen":2,"text":"60","highlighted":false}])"),
            std::string::npos)
      << states.back();
}

TEST_F(ShellTextFieldsTest, HintZonesShowTheirHintsEvenForAnotherScreensField) {
  Move(50, 120);
  Wait(600);
  auto hints = TraceOf("hint");
  ASSERT_FALSE(hints.empty());
  EXPECT_NE(hints.back().find("Ваш счёт"), std::string::npos);
  // The zone of screen 2's field lies over screen 1 too; a press there only
  // hides the hint and does not start a window drag.
  Move(160, 60);
  Wait(600);
  hints = TraceOf("hint");
  EXPECT_NE(hints.back().find("Секунды"), std::string::npos);
  const Rect before = Main()->Bounds();
  platform->Mouse("main", HeadlessPlatform::MouseAction::Down, {160, 60});
  platform->Mouse("main", HeadlessPlatform::MouseAction::Move, {180, 80});
  platform->Mouse("main", HeadlessPlatform::MouseAction::Up, {180, 80});
  EXPECT_NE(TraceOf("hint").back().find(R"("text":"")"), std::string::npos);
  EXPECT_EQ(Main()->Bounds(), before);
}

TEST_F(ShellTextFieldsTest, EnteringAZoneFromAButtonEndsTheButtonsHover) {
  // The second button (100..140 x 20..40) lies next to the zone of field 557 (150..190 x 50..70).
  Move(110, 30);
  Wait(100);
  Move(160, 60);
  Wait(300);
  EXPECT_EQ(At(110, 30), kNormal);
}

}  // namespace
}  // namespace trv::test
