#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/Shell.h"
#include "script/MyTypes.h"

namespace trv {

// True and the index of the first element equal to `value`.
bool IndexOfInt(const TDynamicIntegerArray& list, std::int32_t value, std::size_t* index = nullptr);

// True when some element equals `text`, ASCII letters compared without case.
bool ContainsText(const TDynamicStringArray& list, std::string_view text);

// Most paths FindFiles returns, so that a looping or huge tree cannot hang it.
constexpr std::size_t kMaxFoundFiles = 100000;

// Files of `folder` (a Windows path) matching the masks ("*.ttf"; "*" and "?"
// wildcards, case ignored), as full Windows paths: folders breadth-first, each
// folder (when `includeFolders`) before its files, names in sorted order;
// sub-folders only when `recursive`.
TDynamicStringArray FindFiles(std::string_view folder, const TDynamicStringArray& masks, bool recursive,
                              bool includeFolders);

// True when a top-level window with exactly this caption exists.
bool FindWindowByTitle(Shell& shell, const std::string& caption, WindowRef* window = nullptr);

// Windows wildcard match of a file name, case ignored.
bool MatchesMask(std::string_view name, std::string_view mask);

}  // namespace trv
