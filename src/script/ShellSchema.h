#pragma once

#include <cstdint>
#include <span>
#include <variant>

#include "script/BlockSchema.h"
#include "script/ShellElements.h"

// The element blocks of Struct.txt as data (the header has a pass of its
// own). Read by the element pass and by the disc lint.
namespace trv {

enum class ShellBlock : std::uint8_t {
  kButton,
  kSwitchOne,
  kSwitchGroup,
  kPath,
  kClip,
  kText,
  kPopup,
  kTree,
  kScreen,     // one line: the screen's background picture
  kHintColor,  // one line: the hint colour of the main window
};

using ShellKeys = std::variant<KeyInfo, BlockKeys<RBtn>, BlockKeys<RSwthOne>, BlockKeys<RSwthGrp>,
                               BlockKeys<RPathInput>, BlockKeys<RClip>, BlockKeys<RText>, BlockKeys<RPopupData>,
                               BlockKeys<RTreeData>>;
using ShellKind = BlockKind<ShellBlock, ShellKeys>;

// The kinds in the order they are tested: "button", "switchone",
// "switchgrp", "_path", "_clip", "_text", "_popup", "_tree", "_screen"
// anywhere in a line, then "hintcolor" at its start. Words and keys are looked
// for in the lines as start-up splits them (lower-cased). A block's screen is
// the first integer of its line minus one.
std::span<const ShellKind> ShellKinds();

}  // namespace trv
