#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/Region.h"
#include "script/AboutSchema.h"
#include "script/ExpandPath.h"
#include "script/MyTypes.h"
#include "script/ShellElements.h"

// About.txt read into records, and the rules of its links: plain data that the
// About box builds itself from and that tests look at without a window.
namespace trv {

struct TAboutScript {
  std::string picture;             // the background's archive entry; empty when no line names one
  std::optional<Polygon> shape;    // the window's outline; none: rectangular
  std::vector<RBtn> buttons;       // plain buttons, in script order
  std::vector<RText> texts;        // every text, links among them, in script order
};

// Reads the lines of About.txt (split with lower-casing). Every problem is a
// log line; the reader never throws.
TAboutScript ReadAboutScript(const TDynamicStringArray& lines, const ScriptPaths& paths);

// A text whose ident is "url" is a link.
bool IsAboutLink(const RText& text);
// What a link shows: its value up to the first "?".
std::string AboutLinkDisplay(const std::string& value);
// What a link opens: "mailto:" and the whole value when it holds "@", else the value.
std::string AboutLinkCommand(const std::string& value);

}  // namespace trv
