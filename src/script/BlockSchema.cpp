#include "script/BlockSchema.h"

#include "platform/Text.h"
#include "script/ScriptLists.h"

namespace trv {

TDynamicStringArray LowerLines(const TDynamicStringArray& lines) {
  TDynamicStringArray lowered;
  lowered.reserve(lines.size());
  for (const std::string& line : lines) lowered.push_back(Lower1251(line));
  return lowered;
}

KeyRead ReadKey(const BlockLines& lines, std::size_t& index, const KeyInfo& key, int pos, const ScriptPaths& paths) {
  using enum ValueKind;
  KeyRead v;
  const std::string& line = lines.values[index];
  const int keyEnd = pos + int(key.key.size());
  switch (key.kind) {
    case kInt:
      v.number = ReadInt(line, pos);
      return v;
    case kColor:
      v.color = ReadColor(line, pos);
      return v;
    case kList:
      ReadList(lines.values, index, v.list, paths);
      return v;
    case kTextRightAfter:
    case kLowerTextRightAfter:
      v.written = ReadText(line, keyEnd);
      break;
    default:
      v.written = ReadText(line, keyEnd + 1);
      break;
  }
  switch (key.kind) {
    case kLowerText:
    case kLowerTextRightAfter:
      v.text = Lower1251(v.written);
      break;
    case kPath:
      v.text = ExpandPath(v.written, paths);
      break;
    case kLowerPath:
      v.text = ExpandPath(Lower1251(v.written), paths);
      break;
    case kOn:
      v.on = v.written == "on";
      v.text = v.written;
      break;
    case kLowerOn:
      v.on = Lower1251(v.written) == "on";
      v.text = v.written;
      break;
    case kStyle:
      v.style = ParseFontStyle(v.written);
      v.text = v.written;
      break;
    case kWordOrInt:
      v.number = ReadInt(line, pos);
      v.text = v.written;
      break;
    default:
      v.text = v.written;
      break;
  }
  return v;
}

}  // namespace trv
