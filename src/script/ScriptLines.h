#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "script/MyTypes.h"

namespace trv {

// Splits stored script bytes into lines. Bytes that begin with "cfs" are the
// scrambled form and are decoded first; `lowerCase` then makes ASCII capitals
// lower case (it has no effect on plain scripts). `lines` receives the lines.
void SplitLines(const std::uint8_t* bytes, std::size_t count, bool lowerCase,
                TDynamicStringArray& lines);
inline void SplitLines(std::span<const std::uint8_t> bytes, bool lowerCase,
                       TDynamicStringArray& lines) {
  SplitLines(bytes.data(), bytes.size(), lowerCase, lines);
}

// The scrambled form of `text`: "cfs" and a payload that SplitLines decodes back
// to exactly `text`. The filler bytes come from `seed`, so equal inputs give
// equal files.
std::vector<std::uint8_t> ScrambleScript(std::string_view text, std::uint32_t seed = 0x7A3B);
// The text inside a scrambled script (bytes beginning with "cfs"); the bytes
// themselves when they are not scrambled.
std::string UnscrambleScript(std::span<const std::uint8_t> bytes);
bool IsScrambledScript(std::span<const std::uint8_t> bytes);

}  // namespace trv
