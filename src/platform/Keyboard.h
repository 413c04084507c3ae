#pragma once

#include <optional>
#include <string>

namespace trv {

// Keyboard layout identifiers the program loads.
inline constexpr const char* kLayoutUS = "00000409";
inline constexpr const char* kLayoutRussian = "00000419";

// The process keyboard layout. It decides which character a key types into the
// program's own input boxes, by the key's position, whatever layout the desktop
// uses: with the Russian layout active the key under Q types "й".
class Keyboard {
 public:
  // Loads and activates a layout; unknown identifiers are refused and leave the
  // active one in place.
  bool LoadLayout(const std::string& id);
  const std::string& ActiveLayout() const { return active_; }

  // The CP1251 character a key types with the active layout, like a character
  // message: letters, digits and punctuation by position, with Shift and Caps
  // Lock; Backspace 8, Tab 9, Enter 13, Escape 27, Ctrl+A..Ctrl+Z 1..26. Alt
  // combinations and keys that type nothing give nullopt.
  std::optional<char> CharForKey(int virtualKey, unsigned shiftBits, bool capsLock) const;

 private:
  std::string active_ = kLayoutUS;
};

// The same translation for a named layout.
std::optional<char> LayoutCharForKey(const std::string& layout, int virtualKey,
                                     unsigned shiftBits, bool capsLock);

}  // namespace trv
