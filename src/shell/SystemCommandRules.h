#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The plain rules of the commands that reach outside the program: how a
// parameter text becomes arguments, where an installed game and its
// uninstall log lie, which help windows count, and what may be removed after
// an uninstall. All texts are CP1251 Windows-form paths unless said.
namespace trv {

// A parameter text as an argument vector: blanks separate, double quotes
// group (and are dropped), a backslash before a quote keeps the quote.
// Nothing else means anything: ";", "$()" and backticks are plain characters.
std::vector<std::string> SplitParameters(std::string_view text);

// The folder part of a path, with its trailing backslash ("" for a bare name).
std::string FolderOf(std::string_view path);

struct ProgramToStart {
  std::string file;
  std::string parameters;  // the text after ".exe", its leading blank included
};

// An installed game of the installer family: "instdir" + "exename" cut after
// ".exe" (letter case ignored), the rest being the parameters; the fallback
// path when "exename" is empty.
ProgramToStart InstalledGameProgram(std::string_view instdir, std::string_view exename, std::string_view fallback);

// The folder that holds the uninstall log: `instdir` without a trailing
// backslash, or the nearest folder above it for which `logExists(folder)`
// holds; "" when there is none.
std::string UninstallLogFolder(std::string instdir, const std::function<bool(const std::string&)>& logExists);

// The captions by which an open help window of the game is recognised, in
// the order they are tried.
const std::vector<std::string>& HelpWindowCaptions();

// Whether the files under `folder` may be removed after an uninstall: an
// absolute, existing folder that is not a link, and neither the root, the
// home folder nor a folder that holds `keep` (the program's own folder) or
// the home folder. The reason goes to *why when not.
bool MayRemoveLeftovers(const std::filesystem::path& folder, const std::vector<std::filesystem::path>& keep,
                        std::string* why);

// Removes what an uninstaller left under `folder`: every entry, breadth first;
// an entry that cannot be removed is made writable (with its folder) and
// tried once more; then the folders, deepest first, the folder itself last.
// Links are removed as links, never followed. Returns the entries removed.
std::size_t RemoveLeftovers(const std::filesystem::path& folder);

}  // namespace trv
