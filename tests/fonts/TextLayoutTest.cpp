// Layout rules of the text drawing call, on a fixed-width stand-in font so
// that every position can be worked out by hand.
#include <gtest/gtest.h>

#include "platform/Graphics.h"
#include "platform/fonts/TextLayout.h"

namespace trv {
namespace {

// Every character 10 pixels wide, space 4; lines 16 high; tab stops every 8×6.
TextLayout Lay(const std::string& text, unsigned flags, int w = 200, int h = 100) {
  return LayOutText(text, flags, w, h, 16, 6, [](unsigned char c) { return c == ' ' ? 4 : 10; });
}

std::vector<std::string> Texts(const TextLayout& l) {
  std::vector<std::string> out;
  for (const auto& line : l.lines) out.push_back(line.text);
  return out;
}

TEST(TextLayout, PrefixesBecomeMnemonicsAndDoubleAmpersandsOneAmpersand) {
  auto l = Lay("&File && Edit&", 0);
  ASSERT_EQ(l.lines.size(), 1u);
  EXPECT_EQ(l.lines[0].text, "File & Edit");  // the lone "&" at the end shows nothing
  EXPECT_EQ(l.lines[0].mnemonics, std::vector<std::size_t>{0});

  l = Lay("Sa&ve", 0);
  EXPECT_EQ(l.lines[0].mnemonics, std::vector<std::size_t>{2});
  EXPECT_EQ(l.lines[0].positions[2], 20);

  l = Lay("&File && Edit", dt::NoPrefix);
  EXPECT_EQ(l.lines[0].text, "&File && Edit");
  EXPECT_TRUE(l.lines[0].mnemonics.empty());
}

TEST(TextLayout, LineBreaksOfEveryKindStartNewLinesUnlessSingleLine) {
  auto l = Lay("a\r\nb\nc\rd", 0);
  EXPECT_EQ(Texts(l), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(l.lines[3].y, 48);
  EXPECT_EQ(l.height, 64);

  l = Lay("a\r\n&b", 0);
  ASSERT_EQ(l.lines.size(), 2u);
  EXPECT_EQ(l.lines[1].mnemonics, std::vector<std::size_t>{0});

  l = Lay("a\r\nb", dt::SingleLine);
  EXPECT_EQ(Texts(l), std::vector<std::string>{"ab"});
  EXPECT_EQ(l.height, 16);
}

TEST(TextLayout, WordBreakWrapsGreedilyAndKeepsLongWordsWhole) {
  // "aaa bbb ccc": 30 + 4 + 30 = 64 fits a 70 box, the third word does not.
  auto l = Lay("aaa bbb ccc", dt::WordBreak, 70);
  EXPECT_EQ(Texts(l), (std::vector<std::string>{"aaa bbb", "ccc"}));
  EXPECT_EQ(l.lines[0].width, 64);
  EXPECT_EQ(l.width, 64);

  l = Lay("aaaaaaaaaa bb", dt::WordBreak, 50);
  EXPECT_EQ(Texts(l), (std::vector<std::string>{"aaaaaaaaaa", "bb"}));

  l = Lay("  lead", dt::WordBreak, 200);
  EXPECT_EQ(Texts(l), std::vector<std::string>{"  lead"});

  // Without WordBreak a long line stays one line.
  l = Lay("aaa bbb ccc", 0, 70);
  EXPECT_EQ(l.lines.size(), 1u);

  // Mnemonics follow their character into the wrapped line.
  l = Lay("aaa bbb &ccc", dt::WordBreak, 70);
  ASSERT_EQ(l.lines.size(), 2u);
  EXPECT_TRUE(l.lines[0].mnemonics.empty());
  EXPECT_EQ(l.lines[1].mnemonics, std::vector<std::size_t>{0});
}

TEST(TextLayout, AlignmentHorizontalAlwaysVerticalOnlyForSingleLines) {
  auto l = Lay("ab", dt::Center, 100, 40);
  EXPECT_EQ(l.lines[0].x, 40);
  l = Lay("ab", dt::Right, 100, 40);
  EXPECT_EQ(l.lines[0].x, 80);
  l = Lay("ab", dt::SingleLine | dt::VCenter, 100, 40);
  EXPECT_EQ(l.lines[0].y, 12);
  l = Lay("ab", dt::SingleLine | dt::Bottom, 100, 40);
  EXPECT_EQ(l.lines[0].y, 24);
  l = Lay("ab", dt::VCenter, 100, 40);
  EXPECT_EQ(l.lines[0].y, 0);
  // Wider than the box: centring overflows on both sides.
  l = Lay("abcdefghijkl", dt::Center, 100, 40);
  EXPECT_EQ(l.lines[0].x, -10);
}

TEST(TextLayout, TabsExpandToStopsAndEllipsisShortensOnlyWhatDoesNotFit) {
  auto l = Lay("a\tb", dt::ExpandTabs);
  EXPECT_EQ(l.lines[0].positions, (std::vector<int>{0, 10, 48}));
  l = Lay("a\tb", 0);
  EXPECT_EQ(l.lines[0].positions, (std::vector<int>{0, 10, 10}));

  l = Lay("abcdefghij", dt::EndEllipsis, 60);
  EXPECT_EQ(l.lines[0].text, "abc...");
  EXPECT_LE(l.lines[0].width, 60);
  l = Lay("abc", dt::EndEllipsis, 60);
  EXPECT_EQ(l.lines[0].text, "abc");
}

TEST(TextLayout, EmptyTextHasNoLines) {
  auto l = Lay("", 0);
  EXPECT_TRUE(l.lines.empty());
  EXPECT_EQ(l.height, 0);
}

}  // namespace
}  // namespace trv
