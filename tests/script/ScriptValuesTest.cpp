#include <gtest/gtest.h>

#include "platform/Graphics.h"
#include "script/ScriptValues.h"

namespace trv {
namespace {

TEST(ReadInt, ReadsTheFirstRunOfDigitsAndMinus) {
  const std::string line = "vx=-15;";
  EXPECT_EQ(ReadInt(line, KeyPos(line, "vx")), -15);
  // Read from the key position, a text key yields the digit of its own name.
  const std::string fn = "fn1=a.bmp";
  EXPECT_EQ(ReadInt(fn, KeyPos(fn, "fn1")), 1);
  EXPECT_EQ(ReadInt("left=120;top=5", 1), 120);
  EXPECT_EQ(ReadInt("left=120;top=5", 9), 5);
}

TEST(ReadInt, GivesMinusOneForAnythingThatIsNotANumber) {
  EXPECT_EQ(ReadInt("", 1), -1);
  EXPECT_EQ(ReadInt("abc", 1), -1);
  EXPECT_EQ(ReadInt("x=-", 1), -1);
  EXPECT_EQ(ReadInt("x=1-2", 1), -1);
  EXPECT_EQ(ReadInt("x=--3", 1), -1);
  EXPECT_EQ(ReadInt("x=5", 10), -1);  // start beyond the end
  EXPECT_EQ(ReadInt("x=99999999999", 1), -1);  // does not fit 32 bits
  EXPECT_EQ(ReadInt("x=2147483647", 1), 2147483647);
  EXPECT_EQ(ReadInt("x=-2147483648", 1), -2147483647 - 1);
}

TEST(ReadText, StopsAtSemicolonAndTrims) {
  const std::string line = "hint=  word ;wav=x";
  EXPECT_EQ(ReadText(line, KeyPos(line, "hint") + 5), "word");
  EXPECT_EQ(ReadText("a=\t\x01value\x20", 3), "value");
  EXPECT_EQ(ReadText("a=", 3), "");
  EXPECT_EQ(ReadText("a=b", 40), "");
  EXPECT_EQ(ReadText("a=;b", 3), "");
}

TEST(ReadColor, CombinesThreeComponentsWhateverTheSeparators) {
  const std::string line = "color=0,0,255";
  EXPECT_EQ(ReadColor(line, KeyPos(line, "color")), 16711680u);
  const Color expected = MakeColor(255, 128, 0);
  EXPECT_EQ(ReadColor("c=255,128,0", 1), expected);
  EXPECT_EQ(ReadColor("c=255 128 0", 1), expected);
  EXPECT_EQ(ReadColor("c=255, 128, 0", 1), expected);
  // Components are taken modulo 256.
  EXPECT_EQ(ReadColor("c=256,257,511", 1), MakeColor(0, 1, 255));
}

TEST(ReadColor, MissingComponentsBecome255WithoutReadingPastTheLine) {
  EXPECT_EQ(ReadColor("color=", 1), MakeColor(255, 255, 255));
  EXPECT_EQ(ReadColor("color=10", 1), MakeColor(10, 255, 255));
  EXPECT_EQ(ReadColor("color=1,2", 1), MakeColor(1, 2, 255));
}

TEST(ParseFontStyle, MatchesLowerCaseWordsOnly) {
  EXPECT_EQ(ParseFontStyle("bold,italic"), kFontBold | kFontItalic);
  EXPECT_EQ(ParseFontStyle("Bold"), 0u);
  EXPECT_EQ(ParseFontStyle("underline strikeout"), kFontUnderline | kFontStrikeOut);
  EXPECT_EQ(ParseFontStyle("normal"), 0u);
}

}  // namespace
}  // namespace trv
