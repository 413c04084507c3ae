// About.txt read into records, and the rules of its links.
#include <gtest/gtest.h>

#include "platform/Text.h"
#include "script/ScriptLines.h"
#include "support/TestSupport.h"
#include "windows/AboutScript.h"

namespace trv {
namespace {

using test::LogCapture;

TDynamicStringArray Lines(const std::string& utf8) {
  std::string cp = Utf8ToCp1251(utf8);
  std::string crlf;
  for (char c : cp) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  TDynamicStringArray lines;
  SplitLines(reinterpret_cast<const std::uint8_t*>(crlf.data()), crlf.size(), true, lines);
  return lines;
}

const ScriptPaths kPaths{"\\disc\\", "\\"};

TEST(AboutScriptTest, PassesReadPictureShapeButtonsAndTextsFromTheWrittenLines) {
  const TAboutScript s = ReadAboutScript(Lines("PICTURE=First.bmp\n"
                                               "vertex=[0,0;100,0\n"
                                               "100,80;0,80]\n"
                                               "Button; vx=10; vy=-5\n"
                                               "  fn1=N.bmp; fn2=H.bmp; hint=Закрыть; wav=Snd\\X.WAV\n"
                                               "TEXT; vx=3; vy=4; font=Times New Roman; size=12; style=Bold Italic;\n"
                                               "  color=0,0,255; value=Сайт?; idenf=URL; wav=no\n"
                                               "picture=last.bmp\n"),
                                         kPaths);
  EXPECT_EQ(s.picture, "last.bmp");  // the last line naming one wins
  ASSERT_TRUE(s.shape.has_value());
  EXPECT_EQ(s.shape->size(), 4u);
  ASSERT_EQ(s.buttons.size(), 1u);
  EXPECT_EQ(std::tuple(s.buttons[0].left, s.buttons[0].top), std::tuple(10, -5));
  EXPECT_EQ(s.buttons[0].fn[0], "N.bmp");
  EXPECT_EQ(s.buttons[0].hint, Utf8ToCp1251("Закрыть"));
  EXPECT_EQ(s.buttons[0].sound, "snd\\x.wav");
  ASSERT_EQ(s.texts.size(), 1u);
  const RText& t = s.texts[0];
  EXPECT_EQ(t.fontName, "Times New Roman");
  EXPECT_EQ(t.fontSize, 12);
  EXPECT_EQ(t.fontStyle, "bold italic");
  EXPECT_EQ(t.fontColor, MakeColor(0, 0, 255));
  EXPECT_EQ(t.text, Utf8ToCp1251("Сайт?"));
  EXPECT_TRUE(IsAboutLink(t));
}

TEST(AboutScriptTest, LinkRules) {
  // Mail with a query: shows the address only, opens the whole value as mail.
  EXPECT_EQ(AboutLinkDisplay("team@x.org?subject=Hi"), "team@x.org");
  EXPECT_EQ(AboutLinkCommand("team@x.org?subject=Hi"), "mailto:team@x.org?subject=Hi");
  // A web address opens as written, its query kept, cut at the first "?".
  EXPECT_EQ(AboutLinkDisplay("http://x.org/a?b=1?c"), "http://x.org/a");
  EXPECT_EQ(AboutLinkCommand("http://x.org/a?b=1"), "http://x.org/a?b=1");
  EXPECT_EQ(AboutLinkDisplay("?only"), "");
  RText label;
  label.ident = "label";
  EXPECT_FALSE(IsAboutLink(label));
}

TEST(AboutScriptTest, BadVertexListsLeaveTheWindowRectangularWithALogLine) {
  for (const char* script : {"vertex=[]\n",                  // empty
                             "vertex=[0,0;10,0;10,10\n5,5\n",  // never closes
                             "vertex=[0,0;1O,0;10,10]\n",      // malformed
                             "vertex=[0,0;10,10]\n",           // no area
                             "vertex=0,0;10,0;10,10\n"}) {     // no list
    LogCapture log;
    const TAboutScript s = ReadAboutScript(Lines(std::string("picture=a.bmp\n") + script), kPaths);
    EXPECT_FALSE(s.shape.has_value()) << script;
    EXPECT_TRUE(log.Contains("the window stays rectangular")) << script << log.All();
    EXPECT_EQ(s.picture, "a.bmp");
  }
}

TEST(AboutScriptTest, CutBlocksOutOfRangeValuesAndUnknownKeysAreLoggedAndKept) {
  LogCapture log;
  const TAboutScript s = ReadAboutScript(Lines("text; vx=99999999; vy=2; colour=1; font=A; size=0; style=;\n"
                                               "  color=1,2,3; value=a; idenf=label; wav=no\n"
                                               "text; vx=1; vy=2; font=A; size=900; style=; color=1,2,3; value=?x;\n"
                                               "  idenf=url; wav=no\n"
                                               "button; vx=1; vy=1; fn2=h.bmp; hint=; wav=no\n"),
                                         kPaths);
  ASSERT_EQ(s.texts.size(), 2u);
  EXPECT_EQ(s.texts[0].left, kAboutMaxCoordinate);
  EXPECT_EQ(s.texts[0].fontSize, kAboutDefaultFontSize);
  EXPECT_EQ(s.texts[1].fontSize, kAboutDefaultFontSize);
  EXPECT_TRUE(log.Contains("line 1: vx 99999999 is out of range")) << log.All();
  EXPECT_TRUE(log.Contains("line 3: font size 900 is out of range")) << log.All();
  EXPECT_TRUE(log.Contains("line 3: the link shows no text")) << log.All();
  // The button's block runs to the end looking for "fn1" and is kept as read.
  ASSERT_EQ(s.buttons.size(), 1u);
  EXPECT_TRUE(s.buttons[0].fn[0].empty());
  EXPECT_TRUE(log.Contains("line 5: the button has no \"fn1\"")) << log.All();
  EXPECT_TRUE(log.Contains("line 5: the button names no picture")) << log.All();
  // Nothing to read is no failure.
  const TAboutScript none = ReadAboutScript({}, kPaths);
  EXPECT_TRUE(none.picture.empty());
  EXPECT_TRUE(none.buttons.empty() && none.texts.empty() && !none.shape);
}

}  // namespace
}  // namespace trv
