#pragma once

#include <cstddef>
#include <stdexcept>

#include "platform/Region.h"
#include "script/ExpandPath.h"
#include "script/MyTypes.h"

namespace trv {

class Window;

// A script value that cannot be read (a malformed vertex).
class ScriptError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Most vertices a window shape takes; longer lists are cut with a log line.
constexpr std::size_t kMaxVertices = 2000;

// Reads the bracketed list that starts on lines[index]: items end at ";", "]"
// or the end of a line (the list then goes on with the next line), are trimmed
// and go through ExpandPath. `index` is left on the line holding "]". A list
// that never closes ends at the last line, with a log line.
void ReadList(const TDynamicStringArray& lines, std::size_t& index, TDynamicStringArray& list,
              const ScriptPaths& paths);

// A list of "x,y" items as a polygon. Throws ScriptError on a malformed number.
Polygon ReadVertexList(const TDynamicStringArray& lines, std::size_t& index, const ScriptPaths& paths);

// Reads a vertex list and makes it the window's shape (winding rule).
void ReadVertexRegion(const TDynamicStringArray& lines, std::size_t& index, Window& window,
                      const ScriptPaths& paths);

}  // namespace trv
