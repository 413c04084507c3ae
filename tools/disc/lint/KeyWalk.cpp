#include "disc/lint/KeyWalk.h"

#include "script/ScriptLists.h"
#include "script/ScriptValues.h"

namespace trv::disc::lint {

ListPlace ReadPlacedList(const TDynamicStringArray& lines, std::size_t& index, TDynamicStringArray& items,
                         const ScriptPaths& paths) {
  ListPlace place;
  place.firstLine = place.lastLine = index;
  // The items come from the program's reader; the walk below follows the same
  // steps only to learn which line each item and the end stood on.
  std::size_t readerIndex = index;
  ReadList(lines, readerIndex, items, paths);
  if (index >= lines.size()) return place;
  std::size_t pos = lines[index].find('[');
  if (pos == std::string::npos) return place;
  place.bracket = true;
  place.bracketPos = pos;
  ++pos;
  std::size_t at = index;
  for (;;) {
    const std::string& line = lines[at];
    if (pos < line.size() && line[pos] == ']') {
      place.closed = true;
      break;
    }
    std::size_t end = pos;
    while (end < line.size() && line[end] != ';' && line[end] != ']') ++end;
    place.itemLines.push_back(at);
    if (end >= line.size()) {
      if (at + 1 >= lines.size()) break;
      ++at;
      pos = 0;
    } else if (line[end] == ';') {
      pos = end + 1;
    } else {
      pos = end;
    }
  }
  place.lastLine = at;
  // Should the two ever part, the reader's word counts.
  if (place.itemLines.size() != items.size()) place.itemLines.assign(items.size(), place.firstLine);
  index = readerIndex;
  return place;
}

const KeyValue* BlockValues::Find(std::string_view key) const {
  for (const KeyValue& v : values)
    if (v.key == key) return &v;
  return nullptr;
}

std::string BlockValues::Value(std::string_view key) const {
  const KeyValue* v = Find(key);
  return v ? v->value : std::string();
}

namespace {

KeyValue ReadValue(const ScriptText& text, std::size_t& index, const KeySpec& wanted, int pos,
                   const ScriptPaths& paths) {
  KeyValue v;
  v.key = wanted.key;
  v.line = index;
  v.pos = pos;
  const std::string& line = text.values[index];
  switch (wanted.kind) {
    case ValueKind::kNone:
      break;
    case ValueKind::kInt:
      v.number = ReadInt(line, pos);
      break;
    case ValueKind::kText:
      v.text = v.value = ReadText(line, pos + int(wanted.key.size()) + 1);
      break;
    case ValueKind::kTextRightAfter:
      v.text = v.value = ReadText(line, pos + int(wanted.key.size()));
      break;
    case ValueKind::kPath:
      v.text = ReadText(line, pos + int(wanted.key.size()) + 1);
      v.value = ExpandPath(v.text, paths);
      break;
    case ValueKind::kList:
      v.listPlace = ReadPlacedList(text.values, index, v.list, paths);
      break;
  }
  return v;
}

void Keep(BlockValues& block, KeyValue v) {
  for (KeyValue& old : block.values)
    if (old.key == v.key) {
      old = std::move(v);
      return;
    }
  block.values.push_back(std::move(v));
}

}  // namespace

BlockValues WalkBlock(const ScriptText& text, std::size_t& index, std::span<const KeySpec> required,
                      std::span<const KeySpec> optional, const ScriptPaths& paths) {
  BlockValues block;
  block.firstLine = index;
  for (const KeySpec& wanted : required) {
    for (;;) {
      if (index >= text.search.size()) {
        block.missing = wanted.key;
        return block;
      }
      if (int pos = KeyPos(text.search[index], wanted.key)) {
        block.values.push_back(ReadValue(text, index, wanted, pos, paths));
        break;
      }
      for (const KeySpec& opt : optional)
        if (int pos = KeyPos(text.search[index], opt.key)) Keep(block, ReadValue(text, index, opt, pos, paths));
      ++index;
    }
  }
  for (const KeySpec& opt : optional)
    if (int pos = KeyPos(text.search[index], opt.key)) {
      std::size_t at = index;
      block.ignored.push_back(ReadValue(text, at, opt, pos, paths));
    }
  ++index;
  return block;
}

}  // namespace trv::disc::lint
