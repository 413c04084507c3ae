// Answers are judged on a normal form: these cases are the spelling variants a
// player must not lose a game over, and the ones that must still count.
#include "game/AnswerNormalise.h"

#include <gtest/gtest.h>

#include "platform/Text.h"

namespace trv {
namespace {

// Test strings are written in UTF-8 and judged in CP1251, as the game does.
std::string Norm(std::string_view utf8) { return Cp1251ToUtf8(NormalizeAnswer(Utf8ToCp1251(utf8))); }
bool Match(std::string_view typed, std::string_view accepted) {
  return AnswerMatches(Utf8ToCp1251(typed), Utf8ToCp1251(accepted));
}

TEST(AnswerNormaliseTest, YoAndShortIBecomePlainLettersInEitherCase) {
  EXPECT_EQ(Norm("ёлка Ёлка"), "елка елка");
  EXPECT_EQ(Norm("йод Йод"), "иод иод");
  EXPECT_EQ(Norm("Пётр"), "Петр");  // other letters keep their case
}

TEST(AnswerNormaliseTest, TenPunctuationMarksBecomeSpacesOthersStay) {
  EXPECT_EQ(Norm("a-b,c.d\"e+f=g&h#i%j'k"), "a b c d e f g h i j k");
  EXPECT_EQ(Norm("Да!? (нет): «может»;"), "Да!? (нет): «может»;");
  EXPECT_EQ(Norm("1984"), "1984");
}

TEST(AnswerNormaliseTest, ConjunctionBetweenSpacesIsDroppedLeftToRight) {
  EXPECT_EQ(Norm("Кот и пёс"), "Кот пес");
  EXPECT_EQ(Norm("Кот И пёс"), "Кот пес");
  // A match takes its closing space, so the next conjunction is not found.
  EXPECT_EQ(Norm("a и и b"), "a и b");
  EXPECT_EQ(Norm("a и и и b"), "a и b");
  // Not between spaces: stays.
  EXPECT_EQ(Norm("и кот"), "и кот");
  EXPECT_EQ(Norm("кот и"), "кот и");
  EXPECT_EQ(Norm("кит,и,кот"), "кит кот");  // commas became spaces first
}

TEST(AnswerNormaliseTest, SpacesCollapseAndEndsAreTrimmed) {
  EXPECT_EQ(Norm("\t  a    b \r\n"), "a b");
  EXPECT_EQ(Norm("  Ёлка,  и  ПАЛКА  "), "елка ПАЛКА");
}

TEST(AnswerNormaliseTest, SomeAnswersNormaliseToNothing) {
  EXPECT_EQ(Norm(""), "");
  EXPECT_EQ(Norm(" - . , "), "");
  EXPECT_EQ(Norm("\"'\""), "");
  EXPECT_EQ(Norm(" и "), "");  // the conjunction goes before the ends are trimmed
  EXPECT_EQ(Norm("и"), "и");
}

TEST(AnswerNormaliseTest, MatchingIgnoresCaseAndTheVariants) {
  EXPECT_TRUE(Match("  Ёлка,  и  ПАЛКА  ", "елка палка"));
  EXPECT_TRUE(Match("Пётр-Первый", "петр первый"));
  EXPECT_TRUE(Match("Кот и пёс", "кот, пес"));
  EXPECT_TRUE(Match("МОСКВА", "москва"));
  EXPECT_TRUE(Match("New-York", "new york"));
  EXPECT_FALSE(Match("Москвы", "Москва"));
  EXPECT_FALSE(Match("кот пес", "кот! пес"));
  EXPECT_FALSE(Match("", "кот"));
}

}  // namespace
}  // namespace trv
