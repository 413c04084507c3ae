// Answers are judged on a normal form: these cases are the spelling variants a
// player must not lose a game over, and the ones that must still count.
#include "game/AnswerNormalise.h"

#include <gtest/gtest.h>

#include "game/JudgeTable.h"

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

}  // namespace

// Every judging case of the game in one table: a typed answer against the
// accepted answers of a question (UTF-8 here, CP1251 when judged).
const std::vector<JudgeCase>& JudgeTable() {
  static const std::vector<JudgeCase> table = {
      // The worked examples of the rules.
      {"  Ёлка,  и  ПАЛКА  ", {"елка палка"}, true},
      {"Пётр-Первый", {"петр первый"}, true},
      {"Кот и пёс", {"кот, пес"}, true},
      // ё and е, й and и, in both cases and on both sides.
      {"ЁЖИК", {"ежик"}, true},
      {"Семенов", {"Семёнов"}, true},
      {"Чаиковскии", {"Чайковский"}, true},
      {"ЙОГУРТ", {"иогурт"}, true},
      {"еж", {"уж"}, false},
      // The ten marks that become spaces, and marks that do not.
      {"Санкт-Петербург", {"санкт петербург"}, true},
      {"Д'Артаньян", {"Д Артаньян"}, true},
      {"\"Спартак\"", {"Спартак"}, true},
      {"C++", {"c"}, true},
      {"50%", {"50"}, true},
      {"Ромео&Джульетта", {"ромео джульетта"}, true},
      {"#1.", {"1"}, true},
      {"a=b", {"a b"}, true},
      {"Москва!", {"Москва"}, false},
      {"«Спартак»", {"Спартак"}, false},
      {"(кот)", {"кот"}, false},
      {"кот: пес", {"кот пес"}, false},
      // " и " as a word goes, inside a word or at an end it stays.
      {"Маша и Медведь", {"Маша Медведь"}, true},
      {"маша И медведь", {"маша медведь"}, true},
      {"Иван", {"ван"}, false},
      {"Лиса", {"Лса"}, false},
      {"и кот", {"кот"}, false},
      {"кот и", {"кот"}, false},
      {"кот и и пес", {"кот пес"}, false},  // of two in a row only the first goes
      {"кот и  и пес", {"кот пес"}, true},  // two spaces apart, both go
      // Spaces and letter case.
      {"  МОСКВА\t", {"москва"}, true},
      {"Нью   Йорк", {"нью-йорк"}, true},
      {"НьюЙорк", {"нью-йорк"}, false},  // a missing space is a different answer
      {"ЯЩЕРИЦА ЪЫЬЭЮ", {"ящерица ъыьэю"}, true},
      {"PARIS", {"paris"}, true},
      // Digits are compared as they are.
      {"1812", {"1821"}, false},
      {"1812", {"1812 год"}, false},
      {"1812", {" 1812."}, true},
      {"3", {"три"}, false},
      // Several accepted answers: each of them counts, nothing else does.
      {"366", {"366", "триста шестьдесят шесть", "Високосный"}, true},
      {"Триста-шестьдесят-шесть", {"366", "триста шестьдесят шесть", "Високосный"}, true},
      {"високосныи", {"366", "триста шестьдесят шесть", "Високосный"}, true},
      {"365", {"366", "триста шестьдесят шесть", "Високосный"}, false},
      {"366", {}, false},
      // Texts that normalise to nothing match only each other.
      {"", {"кот"}, false},
      {" - . , ", {"кот"}, false},
      {"\"'\"", {"-"}, true},
      {" и ", {""}, true},
  };
  return table;
}

namespace {

TEST(AnswerNormaliseTest, JudgesTheTableOfTypedAndAcceptedAnswers) {
  for (const JudgeCase& c : JudgeTable()) {
    bool any = false;
    for (const std::string& accepted : c.accepted) any = any || Match(c.typed, accepted);
    EXPECT_EQ(any, c.expected) << "typed \"" << c.typed << "\" against \""
                               << (c.accepted.empty() ? std::string() : c.accepted.front()) << "\"...";
  }
}

}  // namespace
}  // namespace trv
