#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Geometry.h"

namespace trv {

// What a viewer role takes from its command line.
struct ViewerCommandLine {
  bool viewerSwitch = false;  // the role's switch followed the document name
  std::string document;       // the file named, which sizes the standard window
};

// The switches of the two roles, a space included.
inline constexpr std::string_view kHelpSwitch = " /h";
inline constexpr std::string_view kThesaurusSwitch = " /t";

// Reads the whole command line: the program path goes (everything up to and
// including the first quote followed by a space; without one, as many
// characters as `programPathLength`), then every quote, then blanks (codes up
// to 32) at both ends. The role's switch found in the rest sets viewerSwitch
// and is removed; the rest is the document. Because of the trimming a switch
// alone ("/h") is no switch.
ViewerCommandLine ReadViewerCommandLine(std::string_view commandLine, std::size_t programPathLength,
                                        std::string_view roleSwitch);

// The command line as the system would hand it over: the program path in
// quotes, then the arguments, those holding a blank or nothing in quotes.
std::string JoinCommandLine(std::string_view programPath, const std::vector<std::string>& args);

// The standard window's size for a document: 780 x 550 for the disc's scheme
// pictures, `picture` grown by 45 x 90 for any other picture, none (the size
// stays) for other names and for no name.
std::optional<Size> StandardWindowSize(std::string_view document, Size picture = {0, 0});

}  // namespace trv
