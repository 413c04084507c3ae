#pragma once

#include <string_view>

namespace trv {

// What the desktop is asked to open: an address ("http:", "mailto:", a text
// starting with "www.") rather than a file. A single letter before the colon
// is a drive, not a scheme. CP1251.
bool IsDesktopAddress(std::string_view target);

}  // namespace trv
