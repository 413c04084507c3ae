#pragma once

#include <string>

#include "script/ExpandPath.h"
#include "script/MyTypes.h"
#include "script/ShellElements.h"

namespace trv {

// What Tesaurus.cfs says, from its lines as the line splitter gives them
// (lower-cased).
struct TThesaurusScript {
  std::string title;  // as written; the window shows its own caption
  std::string icon;   // archive entry of the window's icon
  // The two window buttons of the header: "minimize" runs "minimize", the
  // close button "exit". Every screen picture line appends both to that
  // screen's buttons.
  RBtn minimize;
  RBtn close;
  // Buttons, text cells and screen pictures.
  TElementModel elements;
};

// Header pass: every line is tested for "title", "icon", "minimize" and
// "close" in this order; the window buttons read their keys from the lines
// that follow, taking the pass's cursor along. Then the element pass over
// "button", "_text" and "_screen". A block cut short by the end of the script
// keeps what was read, with a log line; nothing is ever read past the lines.
TThesaurusScript ReadThesaurusScript(const TDynamicStringArray& lines, const ScriptPaths& paths);

}  // namespace trv
