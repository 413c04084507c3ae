#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "script/DialogSchema.h"
#include "script/ExpandPath.h"
#include "script/MyTypes.h"
#include "script/ShellElements.h"

// The model of Dialog.txt: numbered pages, each with a background picture, a
// text area, picture buttons, group switches and text input boxes. Pages are
// numbered from 1 in the script and from 0 here.
namespace trv {

using TDynamicDialogBtnArray = std::vector<RDialogBtn>;
using TDynamicSwthGrpArray = std::vector<RSwthGrp>;
using TDynamicPathInputArray = std::vector<RPathInput>;
using TDynamicTextArray = std::vector<RText>;

// Page numbers beyond this are skipped, so that a stray number cannot claim
// the memory of millions of empty pages.
constexpr std::int32_t kMaxDialogPages = 1000;

struct TDialogScript {
  TDynamicStringArray PagePictures;
  TDynamicTextArray Texts;
  std::vector<TDynamicDialogBtnArray> Buttons;
  std::vector<TDynamicSwthGrpArray> Switches;
  std::vector<TDynamicPathInputArray> Boxes;
  // The names of the boxes, parallel to Boxes.
  std::vector<TDynamicStringArray> BoxNames;
};

// Reads the lines of Dialog.txt (split with lower-casing requested) by the
// tables of script/DialogSchema. Block words and keys are matched in the
// lower-cased line, except in input box blocks, which are matched as written.
// Each key of a block is searched from the line of the key before it
// downwards; a key missing up to the end of the lines ends the reading there
// with that key absent.
TDialogScript ReadDialogScript(const TDynamicStringArray& lines, const ScriptPaths& paths);

}  // namespace trv
