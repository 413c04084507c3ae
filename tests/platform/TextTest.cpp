#include <gtest/gtest.h>

#include "platform/Text.h"

namespace trv {
namespace {

TEST(Text, CaseOfEveryCyrillicLetter) {
  // А..Я / а..я
  for (int c = 0xC0; c <= 0xDF; ++c) {
    EXPECT_EQ(LowerChar1251(char(c)), char(c + 32));
    EXPECT_EQ(UpperChar1251(char(c + 32)), char(c));
  }
  EXPECT_EQ(UpperChar1251('\xB8'), '\xA8');  // ё -> Ё
  EXPECT_EQ(LowerChar1251('\xA8'), '\xB8');
  EXPECT_EQ(UpperChar1251('\xB3'), '\xB2');  // і -> І
  EXPECT_EQ(UpperChar1251('\xBF'), '\xAF');  // ї -> Ї
  EXPECT_EQ(UpperChar1251('\x9A'), '\x8A');  // љ -> Љ
  // Signs that are not letters stay.
  for (char c : std::string("\xB9\xAB\xBB\x96\x97\xA0\x98 1;")) {
    EXPECT_EQ(UpperChar1251(c), c);
    EXPECT_EQ(LowerChar1251(c), c);
  }
  EXPECT_EQ(Upper1251("abc\xE0\xFF\xB8"), "ABC\xC0\xDF\xA8");
  EXPECT_TRUE(EqualsNoCase1251("Struct.txt", "STRUCT.TXT"));
  EXPECT_TRUE(EqualsNoCase1251("\xCC\xF3\xE7\xFB\xEA\xE0", "\xEC\xF3\xE7\xFB\xEA\xE0"));
  EXPECT_FALSE(EqualsNoCase1251("\xB8", "\xE5"));  // ё is not е
  EXPECT_EQ(FindNoCase1251("C:\\Disc\\RUN\\", "run\\"), 8u);
  EXPECT_EQ(AsciiLower("ABC\xC0"), "abc\xC0");
}

TEST(Text, ConversionsRoundTripAndReportLoss) {
  std::string all;
  for (int c = 1; c < 256; ++c)
    if (c != 0x98) all.push_back(char(c));
  bool ok = false;
  std::string utf8 = Cp1251ToUtf8(all, &ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(Utf8ToCp1251(utf8, &ok), all);
  EXPECT_TRUE(ok);
  EXPECT_EQ(Cp1251ToUtf8("\xC0\xE1\xB8"), "Абё");
  EXPECT_EQ(Utf8ToCp1251("№ «ёлка»"), "\xB9 \xAB\xB8\xEB\xEA\xE0\xBB");

  EXPECT_EQ(Cp1251ToUtf8("a\x98z", &ok), "a?z");  // no counterpart
  EXPECT_FALSE(ok);
  EXPECT_EQ(Utf8ToCp1251("a漢z", &ok), "a?z");
  EXPECT_FALSE(ok);
  EXPECT_EQ(Utf8ToCp1251("a\xFF\xFEz", &ok), "a??z");  // malformed UTF-8
  EXPECT_FALSE(ok);
  EXPECT_EQ(Utf8ToUtf32("aЖ\xF0\x9F\x98\x80\xC0"), (std::u32string{U'a', U'Ж', 0x1F600, 0xFFFD}));
}

TEST(Text, TrimRemovesControlsAndSpaces) {
  EXPECT_EQ(Trim("\x01\t value \x1F\x20"), "value");
  EXPECT_EQ(Trim("\xA0x\xA0"), "\xA0x\xA0");  // a no-break space is not trimmed
  EXPECT_EQ(Trim("   "), "");
}

}  // namespace
}  // namespace trv
