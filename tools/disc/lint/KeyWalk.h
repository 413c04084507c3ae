#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "script/ExpandPath.h"
#include "script/MyTypes.h"

// The scripts' block readers look for each key of a block in a fixed order,
// line after line, and read its value where they find it. These helpers walk
// a block the same way and keep, for every value, the line it came from, so
// that a problem with a value can name its line. Values are read with the
// program's own value readers.
namespace trv::disc::lint {

enum class ValueKind {
  kNone,            // colours and the like: only where the key stands matters
  kInt,             // ReadInt from the key
  kText,            // ReadText after the key and its "="
  kTextRightAfter,  // ReadText right after a key that holds its own "=" ("go=")
  kPath,            // kText, then ExpandPath
  kList,            // ReadList from the key's line
};

struct KeySpec {
  std::string_view key;
  ValueKind kind = ValueKind::kNone;
};

// Where a bracketed list stood and whether it closed.
struct ListPlace {
  std::size_t firstLine = 0;
  std::size_t lastLine = 0;
  bool bracket = false;  // the first line holds "["; without it the list is empty
  std::size_t bracketPos = 0;  // 0-based column of that "[": the first of its line
  bool closed = false;   // a "]" ended it before the end of the script
  std::vector<std::size_t> itemLines;  // one per item ReadList gives
};

// Reads the list at lines[index] with ReadList (moving `index` as it does)
// and tells where its items stood.
ListPlace ReadPlacedList(const TDynamicStringArray& lines, std::size_t& index, TDynamicStringArray& items,
                         const ScriptPaths& paths);

struct KeyValue {
  std::string_view key;
  std::size_t line = 0;  // 0-based
  int pos = 0;           // 1-based key position in the line
  std::string text;      // the text value as written (before ExpandPath)
  std::string value;     // what the reader keeps: the text, or the expanded path
  std::int32_t number = 0;  // kInt
  TDynamicStringArray list;
  ListPlace listPlace;
};

struct BlockValues {
  std::size_t firstLine = 0;
  std::vector<KeyValue> values;  // required keys in order, then the last of each optional key
  std::string_view missing;      // a required key that never came; the walk stopped at the end
  // Optional keys on the line of the last required key: the readers stop
  // there and never read them.
  std::vector<KeyValue> ignored;
  const KeyValue* Find(std::string_view key) const;
  // The value of `key`, empty when it was not read.
  std::string Value(std::string_view key) const;
};

// The lines values are read from, and the lines keys are looked for in: the
// same lines, or a lower-cased copy for readers that search that way.
struct ScriptText {
  const TDynamicStringArray& values;
  const TDynamicStringArray& search;
};

// One block from lines[index]: each required key is looked for from the line
// where the previous one was found; a line without it is passed over after the
// optional keys on it were read. Leaves `index` after the line of the last
// required key, or at the end of the lines when one never came.
BlockValues WalkBlock(const ScriptText& text, std::size_t& index, std::span<const KeySpec> required,
                      std::span<const KeySpec> optional, const ScriptPaths& paths);

}  // namespace trv::disc::lint
