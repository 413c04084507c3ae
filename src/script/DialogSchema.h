#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <variant>

#include "script/BlockSchema.h"
#include "script/ShellElements.h"

// The blocks of Dialog.txt, the game dialog's script, as data. Read by the
// dialog's reader (ReadDialogScript) and by the disc lint.
namespace trv {

// A dialog button: the shell's button record plus where it moves when the
// text widens the dialog ("left", "middle", anything else: right). The
// alignment, command, sound, name and fourth picture are lower case.
struct RDialogBtn : RBtn {
  std::string align;
};

// An input box of the dialog and the name its text is asked for by.
struct RDialogBox : RPathInput {
  std::string name;
};

enum class DialogBlock : std::uint8_t {
  kPicture,  // one line: the page's background picture
  kText,
  kButton,
  kSwitch,
  kBox,
};

using DialogKeys =
    std::variant<KeyInfo, BlockKeys<RText>, BlockKeys<RDialogBtn>, BlockKeys<RSwthGrp>, BlockKeys<RDialogBox>>;
using DialogKind = BlockKind<DialogBlock, DialogKeys>;

// The kinds in the order they are tested, each word anywhere in a line:
// "_picture", "_text", "_button", "switchgrp" in the lower-cased line, then
// "_path" in the line as written; each block's keys are looked for the same
// way as its word. A block's page is the first integer of its line.
std::span<const DialogKind> DialogKinds();

}  // namespace trv
