#include <gtest/gtest.h>

#include "platform/Text.h"
#include "script/ScriptLines.h"
#include "script/ThesaurusScript.h"
#include "support/TestSupport.h"

namespace trv {
namespace {

const ScriptPaths kPaths{"C:\\Games\\Quiz\\", "d:\\"};

// The thesaurus as the disc stores it: scrambled, then split lower-cased.
// Lines end with CR LF, as on the disc.
TThesaurusScript ReadStored(const std::string& text) {
  std::string crlf;
  for (char c : Utf8ToCp1251(text)) {
    if (c == '\n') crlf += '\r';
    if (c != '\r') crlf += c;
  }
  const std::vector<std::uint8_t> bytes = ScrambleScript(crlf);
  TDynamicStringArray lines;
  SplitLines(bytes, true, lines);
  return ReadThesaurusScript(lines, kPaths);
}

const char* kHeader =
    "Title=Words\n"
    "icon=Emblem.bmp\n"
    "minimize\nvx=70\nvy=4\nfn1=min_n.bmp\nfn2=min_h.bmp\nfn3=min_p.bmp\nhint=Min\nwav=Music\\Click.WAV\n"
    "close\nvx=90\nvy=4\nfn1=x_n.bmp\nfn2=x_h.bmp\nfn3=x_p.bmp\nhint=Shut\nwav=x.wav\n";

TEST(ThesaurusScript, HeaderWindowButtonsJoinEveryScreenWithTheirCommands) {
  const TThesaurusScript s = ReadStored(std::string(kHeader) +
                                        "_screen1 back.bmp\n"
                                        "1 button vx=5;vy=6;fn1=a.bmp;fn2=b.bmp;fn3=c.bmp;go=screen1;hint=h;wav=no\n"
                                        "_screen2 back2.bmp\n");
  EXPECT_EQ(s.title, "words");  // scrambled scripts arrive lower-cased
  EXPECT_EQ(s.icon, "emblem.bmp");
  EXPECT_EQ(s.minimize.sound, "music\\click.wav");
  ASSERT_EQ(s.elements.Buttons.size(), 2u);
  // The window buttons come with the screen line, before the screen's own button.
  ASSERT_EQ(s.elements.Buttons[0].size(), 3u);
  const RBtn& min = s.elements.Buttons[0][0];
  EXPECT_EQ(min.command, "minimize");
  EXPECT_EQ(min.left, 70);
  EXPECT_EQ(min.fn[2], "min_p.bmp");
  EXPECT_EQ(min.fn[3], "");  // three pictures only
  EXPECT_EQ(min.hint, "min");
  EXPECT_EQ(s.elements.Buttons[0][1].command, "exit");
  EXPECT_EQ(s.elements.Buttons[0][1].left, 90);
  EXPECT_EQ(s.elements.Buttons[0][2].command, "screen1");
  EXPECT_EQ(s.elements.Buttons[0][2].fn[2], "c.bmp");
  ASSERT_EQ(s.elements.Buttons[1].size(), 2u);
  EXPECT_EQ(s.elements.ScreenPictures[1], "back2.bmp");
}

// The bottom edge is optional: read on a line the cell passes over, as the
// demo disc writes it, and 0 when the cell leaves it out.
TEST(ThesaurusScript, TextCellsWithOrWithoutTheirBottomEdge) {
  const TThesaurusScript s = ReadStored(std::string(kHeader) +
                                        "_screen1 back.bmp\n"
                                        "1_text; vx=3; vy=4; vw=50; font=arial; size=9; style=bold; color=1,2,3\n"
                                        "value=Слово; ident=term; number=1\n"
                                        "1_text; vx=3; vy=24; vw=50; vh=40\nfont=arial; size=9; style=plain; "
                                        "color=1,2,3; value=Смысл; ident=meaning; number=2\n");
  ASSERT_EQ(s.elements.texts.size(), 2u);
  EXPECT_EQ(s.elements.texts[0].right, 50);
  EXPECT_EQ(s.elements.texts[0].bottom, 0);
  EXPECT_EQ(s.elements.texts[0].text, Utf8ToCp1251("Слово"));
  EXPECT_EQ(s.elements.texts[1].bottom, 40);
  EXPECT_EQ(s.elements.texts[1].number, 2);
  EXPECT_EQ(s.elements.texts[1].screen, 0);
}

TEST(ThesaurusScript, DamagedScriptsKeepWhatWasReadAndLogIt) {
  test::LogCapture log;
  // A window button cut short by the end of the script.
  TThesaurusScript s = ReadStored("title=x\nminimize\nvx=1\nvy=2\nfn1=a.bmp\n");
  EXPECT_EQ(s.minimize.left, 1);
  EXPECT_EQ(s.minimize.fn[0], "a.bmp");
  EXPECT_TRUE(s.elements.Buttons.empty());
  EXPECT_TRUE(log.Contains("minimize button on line 2 has no key \"fn2\"")) << log.All();
  // A screen number out of range, a text cell without its keys, garbage.
  s = ReadStored("_screen0 a.bmp\n_screen99999999999 b.bmp\n1_text; vx=1\n\x01\x02 button\n");
  EXPECT_TRUE(log.Contains("screens run from 1")) << log.All();
  EXPECT_TRUE(log.Contains("_text block on line 3 has no key \"vy\"")) << log.All();
  ASSERT_EQ(s.elements.texts.size(), 1u);  // what it had
  EXPECT_EQ(s.elements.texts[0].left, 1);
  // Nothing at all, and bytes that are no scrambled script.
  EXPECT_TRUE(ReadStored("").elements.Buttons.empty());
  TDynamicStringArray lines;
  const std::vector<std::uint8_t> junk{'c', 'f', 's', 0xFF, 0x00, 0x13};
  SplitLines(junk, true, lines);
  EXPECT_TRUE(ReadThesaurusScript(lines, kPaths).elements.ScreenPictures.empty());
}

}  // namespace
}  // namespace trv
