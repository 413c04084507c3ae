#pragma once

#include <cstdint>
#include <span>
#include <variant>

#include "script/BlockSchema.h"
#include "script/ShellElements.h"

// About.txt, the About box's script, as data: the box reads it into the
// shell's own records, the disc lint checks it.
namespace trv {

// The first pass looks at every line, lower-cased, for these two words: the
// last line that holds "picture" names the background (one character past
// the word), and a line that holds "vertex" starts the window's shape.
inline constexpr KeyInfo kAboutPicture{"picture", ValueKind::kText};
inline constexpr KeyInfo kAboutShape{"vertex", ValueKind::kList};

// Coordinates and font sizes past these bounds are written by mistake; the
// box brings them inside (with a log line) so that no sum of them overflows.
inline constexpr std::int32_t kAboutMaxCoordinate = 16384;
inline constexpr std::int32_t kAboutMaxFontSize = 200;
inline constexpr std::int32_t kAboutDefaultFontSize = 10;

enum class AboutBlock : std::uint8_t {
  kText,  // painted into the background; a link when its ident ("idenf") is "url"
  kButton,
};

using AboutKeys = std::variant<BlockKeys<RText>, BlockKeys<RBtn>>;
using AboutKind = BlockKind<AboutBlock, AboutKeys>;

// The second pass, block by block: "text", then "button", each anywhere in
// the lower-cased line; keys are looked for in the lower-cased lines too.
std::span<const AboutKind> AboutKinds();

}  // namespace trv
