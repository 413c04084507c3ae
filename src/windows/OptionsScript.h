#pragma once

#include <string>
#include <vector>

#include "platform/Registry.h"
#include "script/ExpandPath.h"
#include "script/MyTypes.h"
#include "script/ShellElements.h"

// The model of Options.txt and the stored states of its switches.
namespace trv {

struct TOptionsScript {
  bool read = false;  // Options.txt was there; without it nothing is shown and no command runs
  std::string picture;  // the background's archive entry
  TDynamicTextArray texts;  // read and kept, never drawn
  TDynamicBtnArray buttons;
  TDynamicSwthOneArray singles;
  TDynamicSwthGrpArray groups;
};

// Reads the lines of Options.txt (split with lower-casing requested) by the
// tables of script/OptionsSchema: block words and keys are looked for in the
// lower-cased lines, values taken as written. A block whose key never comes
// is left out with a log line, and reading ends there.
TOptionsScript ReadOptionsScript(const TDynamicStringArray& lines, const ScriptPaths& paths);

// The settings value of a switch: "SwOneO" or "SwGrpO" and its index among
// the switches of its kind.
std::string OptionValueName(bool group, std::size_t index);

// When the stored states are read.
enum class StoredRead {
  kCreation,  // start-up: a single switch without a value is on, a group switch keeps its state
  kExecute,   // each show: a switch without a value keeps its state, which is written in its place
};

// Reads the states of the switches marked `store` from the settings under
// `key` (a value of another type counts as missing) and clears every
// switch's hover mark.
void ReadStoredStates(TOptionsScript& script, Registry& settings, const std::string& key, StoredRead when);
// Writes the state of every switch marked `store`; a failed write is logged and skipped.
void WriteStoredStates(const TOptionsScript& script, Registry& settings, const std::string& key);

}  // namespace trv
