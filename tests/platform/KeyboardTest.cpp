#include <gtest/gtest.h>

#include "platform/Keyboard.h"
#include "platform/Keys.h"
#include "platform/Text.h"

namespace trv {
namespace {

std::string TypeRow(const std::string& layout, const std::string& keys, unsigned shift = 0, bool caps = false) {
  std::string out;
  for (char k : keys) {
    auto c = LayoutCharForKey(layout, static_cast<unsigned char>(k), shift, caps);
    out.push_back(c ? *c : '#');
  }
  return Cp1251ToUtf8(out);
}

TEST(Keyboard, RussianLettersByPosition) {
  const std::string letters = "QWERTYUIOP\xDB\xDD" "ASDFGHJKL\xBA\xDE" "ZXCVBNM\xBC\xBE\xC0";
  EXPECT_EQ(TypeRow(kLayoutRussian, letters), "йцукенгшщзхъфывапролджэячсмитьбюё");
  EXPECT_EQ(TypeRow(kLayoutRussian, letters, kShift), "ЙЦУКЕНГШЩЗХЪФЫВАПРОЛДЖЭЯЧСМИТЬБЮЁ");
  // Caps Lock acts on every letter key, Shift turns it back.
  EXPECT_EQ(TypeRow(kLayoutRussian, "Q\xBA\xC0", 0, true), "ЙЖЁ");
  EXPECT_EQ(TypeRow(kLayoutRussian, "Q\xBA", kShift, true), "йж");
  // Digits and punctuation of the Russian rows.
  EXPECT_EQ(TypeRow(kLayoutRussian, "1234567890\xBF", kShift), "!\"№;%:?*(),");
  EXPECT_EQ(TypeRow(kLayoutRussian, "\xBF "), ". ");
}

TEST(Keyboard, UsLayoutAndControlCharacters) {
  EXPECT_EQ(TypeRow(kLayoutUS, "QA1\xBA\xC0"), "qa1;`");
  EXPECT_EQ(TypeRow(kLayoutUS, "QA1\xBA\xC0", kShift), "QA!:~");
  // Caps Lock does not shift digits or punctuation.
  EXPECT_EQ(TypeRow(kLayoutUS, "Q1\xBA", 0, true), "Q1;");
  EXPECT_EQ(LayoutCharForKey(kLayoutUS, vk::Return, 0, false), '\r');
  EXPECT_EQ(LayoutCharForKey(kLayoutRussian, vk::Escape, kShift, false), '\x1b');
  EXPECT_EQ(LayoutCharForKey(kLayoutRussian, vk::Back, 0, false), '\x08');
  EXPECT_EQ(LayoutCharForKey(kLayoutRussian, 'N', kCtrl, false), '\x0e');  // Ctrl+N by position
  EXPECT_EQ(LayoutCharForKey(kLayoutRussian, 'Q', kAlt, false), std::nullopt);
  EXPECT_EQ(LayoutCharForKey(kLayoutUS, vk::F1, 0, false), std::nullopt);
  EXPECT_EQ(LayoutCharForKey(kLayoutUS, vk::Left, 0, false), std::nullopt);
  EXPECT_EQ(LayoutCharForKey("00000407", 'Q', 0, false), std::nullopt);
}

}  // namespace
}  // namespace trv
