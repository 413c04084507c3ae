#pragma once

#include <string>
#include <string_view>

namespace trv {

// The two folders script paths are resolved against, in Windows form with a
// trailing backslash (see DiscPaths).
struct ScriptPaths {
  std::string programDir;
  std::string cdRoot;
};

// Turns a file name written in a script into a full path: "<cd>" becomes the
// disc root, absolute paths, plain words and "XML:" texts stay, and anything
// else is combined with the program folder (after the last "=" for commands
// such as run=setup\setup.exe). ".." never climbs above the anchor: the drive
// and first folder of the program folder.
std::string ExpandPath(std::string_view text, const ScriptPaths& paths);

// Combines a base folder with a relative text by the same rules.
std::string CombinePath(std::string base, std::string_view relative);

// For commands name=argument and name=argument=argument: the first argument
// (text after the only "=", or between the first and last "="), and the text
// after the last "=" when there are two or more; both through ExpandPath.
std::string FirstArgument(std::string_view text, const ScriptPaths& paths);
std::string SecondArgument(std::string_view text, const ScriptPaths& paths);

}  // namespace trv
