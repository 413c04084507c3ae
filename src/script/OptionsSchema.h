#pragma once

#include <cstdint>
#include <span>
#include <variant>

#include "script/BlockSchema.h"
#include "script/ShellElements.h"

// The blocks of Options.txt, the options window's script, as data: the
// window reads them into the shell's own records, the disc lint checks them.
namespace trv {

enum class OptionsBlock : std::uint8_t {
  kPicture,  // one line: the window's background picture
  kText,     // read and kept, never drawn
  kButton,
  kSwitchOne,
  kSwitchGroup,
};

using OptionsKeys =
    std::variant<KeyInfo, BlockKeys<RText>, BlockKeys<RBtn>, BlockKeys<RSwthOne>, BlockKeys<RSwthGrp>>;
using OptionsKind = BlockKind<OptionsBlock, OptionsKeys>;

// The kinds in the order they are tested: "_picture", "_text", "_button",
// "switchone", "switchgrp", each anywhere in the lower-cased line; keys are
// looked for in the lower-cased lines too. Commands, sounds and the words
// "on" are compared in lower case.
std::span<const OptionsKind> OptionsKinds();

}  // namespace trv
