#include <gtest/gtest.h>

#include <random>

#include "script/ScriptLines.h"

namespace trv {
namespace {

TDynamicStringArray Split(const std::string& bytes, bool lower = false) {
  TDynamicStringArray lines;
  SplitLines(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), lower, lines);
  return lines;
}

TDynamicStringArray SplitScrambled(const std::string& text, bool lower = false) {
  auto bytes = ScrambleScript(text);
  TDynamicStringArray lines;
  SplitLines(bytes, lower, lines);
  return lines;
}

using Lines = TDynamicStringArray;

TEST(SplitLinesPlain, BreaksOnlyAtCrLfPairs) {
  EXPECT_EQ(Split("a\r\n\r\nb"), (Lines{"a", "", "b"}));
  EXPECT_EQ(Split("a\r\nb\r\n"), (Lines{"a", "b"}));  // no trailing empty line
  EXPECT_EQ(Split(""), Lines{});
  EXPECT_EQ(Split("\r\n"), (Lines{""}));
  // A lone CR or LF stays inside its line.
  EXPECT_EQ(Split("a\rb\nc\r\nd\n\r"), (Lines{"a\rb\nc", "d\n\r"}));
  EXPECT_EQ(Split("x\r"), (Lines{"x\r"}));
}

TEST(SplitLinesPlain, EndsAtZeroByteAndIgnoresLowerCasing) {
  std::string bytes = std::string("Key=A\r\nB\0C\r\nD", 14);
  EXPECT_EQ(Split(bytes, true), (Lines{"Key=A", "B"}));
  EXPECT_EQ(Split(std::string("\0abc", 4)), Lines{});
}

TEST(SplitLinesScrambled, TagAloneGivesOneEmptyLine) {
  EXPECT_EQ(Split("cfs"), (Lines{""}));
  // An odd payload leaves its last byte unused.
  EXPECT_EQ(Split(std::string("cfs") + "x"), (Lines{""}));
}

TEST(SplitLinesScrambled, RoundTripsTextAndLowerCasesAsciiOnly) {
  // \xC0 is a Cyrillic capital; lower-casing leaves it alone.
  const std::string text = "Title=Quiz\r\nFN1=\xC0\xE1.BMP\r\n\r\nlast";
  EXPECT_EQ(SplitScrambled(text), (Lines{"Title=Quiz", "FN1=\xC0\xE1.BMP", "", "last"}));
  EXPECT_EQ(SplitScrambled(text, true), (Lines{"title=quiz", "fn1=\xC0\xE1.bmp", "", "last"}));
  // Ending with CR LF leaves an empty last line, unlike the plain form.
  EXPECT_EQ(SplitScrambled("a\r\n"), (Lines{"a", ""}));
  // Zero bytes do not end a scrambled text; lone CR stays.
  EXPECT_EQ(SplitScrambled(std::string("a\0b\rc", 5)), (Lines{std::string("a\0b\rc", 5)}));
}

TEST(SplitLinesScrambled, DecodesByTheRunningKey) {
  // Hand-made payload of four bytes (M = 4, key starts at 4): D = 10, 'b', 20, 'a'
  // gives the text "ab" (odd bytes, last first).
  std::vector<std::uint8_t> d{10, 'b', 20, 'a'};
  std::vector<std::uint8_t> file{'c', 'f', 's', d[0]};
  unsigned k = 4;
  for (int i = 1; i < 4; ++i) {
    file.push_back(static_cast<std::uint8_t>(d[i] - d[i - 1] - k));
    k = (k * 2) % 256;
  }
  EXPECT_EQ(UnscrambleScript(file), "ab");
  TDynamicStringArray lines;
  SplitLines(file, false, lines);
  EXPECT_EQ(lines, (Lines{"ab"}));
}

TEST(ScrambleScript, IsTheExactInverseForAnyBytes) {
  std::mt19937 rng(7);
  for (int n : {0, 1, 2, 255, 256, 257, 1000}) {
    std::string text(n, '\0');
    for (char& c : text) c = static_cast<char>(rng());
    auto bytes = ScrambleScript(text, rng());
    ASSERT_EQ(bytes.size(), 3 + 2 * text.size());
    EXPECT_TRUE(IsScrambledScript(bytes));
    EXPECT_EQ(UnscrambleScript(bytes), text) << n;
  }
  const std::string plain = "no tag";
  std::vector<std::uint8_t> raw(plain.begin(), plain.end());
  EXPECT_FALSE(IsScrambledScript(raw));
  EXPECT_EQ(UnscrambleScript(raw), plain);
}

}  // namespace
}  // namespace trv
