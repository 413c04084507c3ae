// Script lines and every value reader over arbitrary script bytes.
#include <cstddef>
#include <cstdint>

#include "platform/Log.h"
#include "script/ExpandPath.h"
#include "script/ScriptLines.h"
#include "script/ScriptLists.h"
#include "script/ScriptValues.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  trv::SetLogFile("/dev/null");  // unclosed lists are logged; keep the disk out of it
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace trv;
  const ScriptPaths paths{"C:\\Games\\Quiz\\", "d:\\"};
  for (bool lower : {false, true}) {
    TDynamicStringArray lines;
    SplitLines(data, size, lower, lines);
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const std::string& line = lines[i];
      for (int start : {-3, 0, 1, 2, 5, static_cast<int>(line.size()), static_cast<int>(line.size()) + 1}) {
        (void)ReadInt(line, start);
        (void)ReadText(line, start);
        (void)ReadColor(line, start);
      }
      (void)ParseFontStyle(line);
      (void)ExpandPath(line, paths);
      (void)FirstArgument(line, paths);
      (void)SecondArgument(line, paths);
      if (line.find('[') != std::string::npos) {
        std::size_t index = i;
        try {
          (void)ReadVertexList(lines, index, paths);
        } catch (const ScriptError&) {
        }
        if (index < i || index >= lines.size()) __builtin_trap();
      }
    }
  }
  return 0;
}
