#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Geometry.h"

// Values read out of a script line. Positions are 1-based, as the script
// readers count them: a key found at position p has its text value at
// p + length of the key and its "=".
namespace trv {

// 1-based position of the first occurrence of `key` in `line`, 0 when absent
// (plain, case-sensitive substring search).
int KeyPos(std::string_view line, std::string_view key);

// The first integer at or after `start`: skips to a "-" or digit, takes the run
// of "-" and digits. An empty or invalid run, an empty line or a start beyond
// the end gives -1.
std::int32_t ReadInt(std::string_view line, int start);

// Text from `start` up to the first ";" or the end, trimmed of codes 0..32.
std::string ReadText(std::string_view line, int start);

// Three integers red, green, blue from the first digit at or after `start`,
// each taken modulo 256 (so -1 becomes 255).
Color ReadColor(std::string_view line, int start);

// FontStyleBits of a style text: "bold", "italic", "underline", "strikeout",
// as lower-case substrings.
unsigned ParseFontStyle(std::string_view text);

}  // namespace trv
