#pragma once

#include <cstdint>
#include <string>

#include "platform/Region.h"
#include "script/ExpandPath.h"
#include "script/MyTypes.h"

namespace trv {

// The header values of Struct.txt. Unnamed values stay empty or 0.
struct TScriptHeader {
  std::string title;  // first character upper-cased
  std::string codecs;
  std::string rolic;  // read, unused by the shell
  std::int32_t helpWidth = 0;
  std::int32_t helpHeight = 0;
  std::string helpFile;  // path rules applied
  std::string background;  // read, unused by the shell
  std::string icon;        // archive entry of the application icon
  TDynamicStringArray bgSoundDefault;
  Polygon vertexMain;  // the window shape
  bool hasVertexMain = false;
};

// The header pass: every line is tested for "title", "codec", "rolic",
// "helpwin", "background", "icon", "bgsounddef" and "vertexmain" in this order,
// anywhere in the line and whatever block the line belongs to; a later line
// overrides an earlier one. Readers that go on over later lines (the help
// window's "vw", "vh", "fn", the lists) take the pass's cursor with them.
// Throws ScriptError, naming the line, when the window shape is malformed:
// start-up cannot go on without it.
TScriptHeader ReadHeader(const TDynamicStringArray& lines, const ScriptPaths& paths);

}  // namespace trv
