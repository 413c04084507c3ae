#pragma once

#include <span>

#include "script/BlockSchema.h"
#include "script/ShellSchema.h"

// The blocks of Tesaurus.cfs as data: a subset of the shell script's kinds
// and the two window buttons of its header.
namespace trv {

// "button", "_text", "_screen" anywhere in a line, in this order. The
// screen picture kind is the shell's; buttons have three pictures and text
// cells may leave out their bottom edge.
std::span<const ShellKind> ThesaurusKinds();

// The window buttons under the header words "minimize" and "close": "vx",
// "vy", "fn1" to "fn3", "hint", "wav".
BlockKeys<RBtn> ThesaurusWindowButtonKeys();

}  // namespace trv
