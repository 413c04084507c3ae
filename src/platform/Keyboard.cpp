#include "platform/Keyboard.h"

#include <array>

#include "platform/Keys.h"
#include "platform/Text.h"

namespace trv {
namespace {

struct KeyChars {
  std::string normal;   // CP1251, one byte
  std::string shifted;  // CP1251, one byte
  bool letter = false;  // Caps Lock applies
};

// Characters by key position for one layout, written in UTF-8 here and held in
// CP1251.
class LayoutTable {
 public:
  void Set(int vk, const char* normalUtf8, const char* shiftedUtf8, bool letter = false) {
    keys_[vk & 0xFF] = {Utf8ToCp1251(normalUtf8), Utf8ToCp1251(shiftedUtf8), letter};
  }
  void Letters(const char* keysAscii, const char* lettersUtf8) {
    std::string letters = Utf8ToCp1251(lettersUtf8);
    for (std::size_t i = 0; keysAscii[i] && i < letters.size(); ++i) {
      int vk = VkOfKeyName(keysAscii[i]);
      std::string lower(1, letters[i]);
      keys_[vk] = {lower, std::string(1, UpperChar1251(letters[i])), true};
    }
  }
  const KeyChars* Find(int vk) const {
    if (vk < 0 || vk > 0xFF || keys_[vk].normal.empty()) return nullptr;
    return &keys_[vk];
  }

 private:
  // Letters of the US rows name their keys; punctuation keys use stand-ins.
  static int VkOfKeyName(char c) {
    if (c >= 'A' && c <= 'Z') return c;
    switch (c) {
      case '[': return vk::Oem4;
      case ']': return vk::Oem6;
      case ';': return vk::Oem1;
      case '\'': return vk::Oem7;
      case ',': return vk::OemComma;
      case '.': return vk::OemPeriod;
      case '`': return vk::Oem3;
      default: return 0;
    }
  }
  std::array<KeyChars, 256> keys_;
};

void CommonKeys(LayoutTable& t) {
  t.Set(vk::Space, " ", " ");
  t.Set(vk::OemMinus, "-", "_");
  t.Set(vk::OemPlus, "=", "+");
  for (int d = 0; d <= 9; ++d) {
    std::string digit(1, char('0' + d));
    t.Set(vk::Numpad0 + d, digit.c_str(), digit.c_str());
  }
  t.Set(vk::Multiply, "*", "*");
  t.Set(vk::Add, "+", "+");
  t.Set(vk::Subtract, "-", "-");
  t.Set(vk::Decimal, ".", ".");
  t.Set(vk::Divide, "/", "/");
}

LayoutTable MakeUS() {
  LayoutTable t;
  CommonKeys(t);
  t.Letters("QWERTYUIOPASDFGHJKLZXCVBNM", "qwertyuiopasdfghjklzxcvbnm");
  const char* shiftedDigits = ")!@#$%^&*(";
  for (int d = 0; d <= 9; ++d) {
    std::string n(1, char('0' + d)), s(1, shiftedDigits[d]);
    t.Set(vk::Key0 + d, n.c_str(), s.c_str());
  }
  t.Set(vk::Oem1, ";", ":");
  t.Set(vk::OemComma, ",", "<");
  t.Set(vk::OemPeriod, ".", ">");
  t.Set(vk::Oem2, "/", "?");
  t.Set(vk::Oem3, "`", "~");
  t.Set(vk::Oem4, "[", "{");
  t.Set(vk::Oem5, "\\", "|");
  t.Set(vk::Oem6, "]", "}");
  t.Set(vk::Oem7, "'", "\"");
  t.Set(vk::Oem102, "\\", "|");
  return t;
}

LayoutTable MakeRussian() {
  LayoutTable t;
  CommonKeys(t);
  t.Letters("QWERTYUIOP[]ASDFGHJKL;'ZXCVBNM,.`", "йцукенгшщзхъфывапролджэячсмитьбюё");
  const char* shiftedDigits[] = {")", "!", "\"", "№", ";", "%", ":", "?", "*", "("};
  for (int d = 0; d <= 9; ++d) {
    std::string n(1, char('0' + d));
    t.Set(vk::Key0 + d, n.c_str(), shiftedDigits[d]);
  }
  t.Set(vk::Oem2, ".", ",");
  t.Set(vk::Oem5, "\\", "/");
  t.Set(vk::Oem102, "\\", "/");
  return t;
}

const LayoutTable* TableFor(const std::string& id) {
  static const LayoutTable us = MakeUS();
  static const LayoutTable ru = MakeRussian();
  if (id == kLayoutUS) return &us;
  if (id == kLayoutRussian) return &ru;
  return nullptr;
}

}  // namespace

bool Keyboard::LoadLayout(const std::string& id) {
  if (!TableFor(id)) return false;
  active_ = id;
  return true;
}

std::optional<char> Keyboard::CharForKey(int virtualKey, unsigned shiftBits, bool capsLock) const {
  return LayoutCharForKey(active_, virtualKey, shiftBits, capsLock);
}

std::optional<char> LayoutCharForKey(const std::string& layout, int virtualKey, unsigned shiftBits,
                                     bool capsLock) {
  const bool ctrl = shiftBits & kCtrl, alt = shiftBits & kAlt, shift = shiftBits & kShift;
  switch (virtualKey) {
    case vk::Back: return alt ? std::nullopt : std::optional<char>('\x08');
    case vk::Tab: return (alt || ctrl) ? std::nullopt : std::optional<char>('\t');
    case vk::Return: return alt ? std::nullopt : std::optional<char>('\r');
    case vk::Escape: return alt ? std::nullopt : std::optional<char>('\x1b');
    default: break;
  }
  if (alt) return std::nullopt;
  if (ctrl) {
    if (virtualKey >= 'A' && virtualKey <= 'Z') return char(virtualKey - 'A' + 1);
    return std::nullopt;
  }
  const LayoutTable* table = TableFor(layout);
  if (!table) return std::nullopt;
  const KeyChars* k = table->Find(virtualKey);
  if (!k) return std::nullopt;
  bool upper = shift;
  if (k->letter && capsLock) upper = !upper;
  return upper ? k->shifted[0] : k->normal[0];
}

}  // namespace trv
