#include "script/ScriptLists.h"

#include <charconv>
#include <string>

#include "platform/Log.h"
#include "platform/Text.h"
#include "platform/Window.h"

namespace trv {
namespace {

std::int32_t ParseCoordinate(const std::string& item, std::string_view part) {
  std::string text = Trim(part);
  std::int32_t value = 0;
  const char* b = text.data();
  const char* e = text.data() + text.size();
  if (b != e && *b == '+') ++b;
  auto [ptr, ec] = std::from_chars(b, e, value);
  if (text.empty() || ec != std::errc() || ptr != e)
    throw ScriptError("malformed vertex \"" + Cp1251ToUtf8(item) + "\"");
  return value;
}

}  // namespace

void ReadList(const TDynamicStringArray& lines, std::size_t& index, TDynamicStringArray& list,
              const ScriptPaths& paths) {
  list.clear();
  if (index >= lines.size()) return;
  std::size_t pos = lines[index].find('[');
  if (pos == std::string::npos) return;
  ++pos;
  const std::size_t firstLine = index;
  for (;;) {
    const std::string& line = lines[index];
    if (pos < line.size() && line[pos] == ']') break;
    std::size_t end = pos;
    while (end < line.size() && line[end] != ';' && line[end] != ']') ++end;
    list.push_back(Trim(std::string_view(line).substr(pos, end - pos)));
    if (end >= line.size()) {
      if (index + 1 >= lines.size()) {
        Log("script", "list opened on line " + std::to_string(firstLine + 1) +
                          " never closes; it ends at the last line");
        break;
      }
      ++index;
      pos = 0;
    } else if (line[end] == ';') {
      pos = end + 1;
    } else {
      pos = end;  // at "]"
    }
  }
  for (std::string& item : list) item = ExpandPath(item, paths);
}

Polygon ReadVertexList(const TDynamicStringArray& lines, std::size_t& index, const ScriptPaths& paths) {
  TDynamicStringArray items;
  ReadList(lines, index, items, paths);
  Polygon polygon;
  for (const std::string& item : items) {
    // A line that ends with ";" leaves an empty item behind; it names no vertex.
    if (item.empty()) continue;
    if (polygon.size() == kMaxVertices) {
      Log("script", "vertex list longer than " + std::to_string(kMaxVertices) + " points cut at line " +
                        std::to_string(index + 1));
      break;
    }
    std::size_t comma = item.find(',');
    if (comma == std::string::npos) throw ScriptError("vertex without a comma: \"" + Cp1251ToUtf8(item) + "\"");
    std::string_view view(item);
    polygon.push_back({ParseCoordinate(item, view.substr(0, comma)), ParseCoordinate(item, view.substr(comma + 1))});
  }
  return polygon;
}

void ReadVertexRegion(const TDynamicStringArray& lines, std::size_t& index, Window& window,
                      const ScriptPaths& paths) {
  window.SetRegion(ReadVertexList(lines, index, paths));
}

}  // namespace trv
