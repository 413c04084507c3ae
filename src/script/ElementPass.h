#pragma once

#include <cstddef>
#include <functional>
#include <span>

#include "script/ExpandPath.h"
#include "script/MyTypes.h"
#include "script/ShellElements.h"
#include "script/ShellSchema.h"

namespace trv {

// Reads the element blocks of Struct.txt (its lines, lower-cased as start-up
// splits them) into `model`. The kinds and their keys are the tables of
// script/ShellSchema, walked by WalkBlock (script/BlockSchema).
//
// A line cursor walks the lines; the first of "button", "switchone",
// "switchgrp", "_path", "_clip", "_text", "_popup", "_tree", "_screen" found in
// a line, or the line beginning with "hintcolor", starts a block. A block's
// screen is the first integer of its first line minus one. Its required keys
// are looked for in fixed order from that line on: a key present on the
// current line is read there and the next key is looked for on the same line;
// a missing one moves the cursor on, after the kind's optional keys present
// on the line were read. The pass resumes after the line that held the last
// required key, so lines passed over while looking for a key (even lines of
// the next block) are never read as blocks.
//
// Damaged scripts never write outside the model:
// - a block whose screen lies outside 1..kMaxScreens has its keys consumed as
//   usual and its record dropped, with a log line;
// - a required key that never occurs ends the pass at the last line, keeping
//   the values read so far, with a log line naming the block and the key.
void ReadElements(const TDynamicStringArray& lines, const ScriptPaths& paths, TElementModel& model);

// Called when a screen picture line of screen `screen` (from 0) was read.
using ScreenLineRead = std::function<void(TElementModel& model, std::size_t screen)>;
// The same pass over another script's subset of the kinds (the thesaurus).
void ReadElements(const TDynamicStringArray& lines, const ScriptPaths& paths, TElementModel& model,
                  std::span<const ShellKind> kinds, const ScreenLineRead& onScreen);

}  // namespace trv
