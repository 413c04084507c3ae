#include "disc/lint/KeyWalk.h"

#include "script/ScriptLists.h"
#include "script/ScriptValues.h"

namespace trv::disc::lint {
namespace {

// Where the list that ReadList read from lines[index] stood, its `count`
// items included. Follows the reader's steps only to learn the lines.
ListPlace PlaceList(const TDynamicStringArray& lines, std::size_t index, std::size_t count) {
  ListPlace place;
  place.firstLine = place.lastLine = index;
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
  if (place.itemLines.size() != count) place.itemLines.assign(count, place.firstLine);
  return place;
}

}  // namespace

ListPlace ReadPlacedList(const TDynamicStringArray& lines, std::size_t& index, TDynamicStringArray& items,
                         const ScriptPaths& paths) {
  const std::size_t first = index;
  ReadList(lines, index, items, paths);
  return PlaceList(lines, first, items.size());
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

BlockRecorder::BlockRecorder(const TDynamicStringArray& lines, std::size_t firstLine, const ScriptPaths& paths)
    : lines_(lines), paths_(paths) {
  block_.firstLine = firstLine;
}

void BlockRecorder::Read(const KeyInfo& key, std::size_t line, int pos, const KeyRead& read) {
  using enum trv::ValueKind;
  KeyValue v;
  v.key = key.key;
  v.line = line;
  v.pos = pos;
  switch (key.kind) {
    case kColor:
      break;
    case kInt:
      v.number = read.number;
      break;
    case kList:
      v.list = read.list;
      v.listPlace = PlaceList(lines_, line, read.list.size());
      break;
    case kPath:
    case kLowerPath:
      v.text = read.written;
      v.value = ExpandPath(read.written, paths_);
      break;
    default:
      v.text = v.value = read.written;
      break;
  }
  if (key.need == Need::kRequired) {
    block_.values.push_back(std::move(v));
    return;
  }
  // An optional key read again: the later value is the one kept.
  for (KeyValue& old : block_.values)
    if (old.key == v.key) {
      old = std::move(v);
      return;
    }
  block_.values.push_back(std::move(v));
}

void BlockRecorder::Unread(const KeyInfo& key, std::size_t line, int pos) {
  KeyValue v;
  v.key = key.key;
  v.line = line;
  v.pos = pos;
  block_.ignored.push_back(std::move(v));
}

BlockValues BlockRecorder::Take(std::string_view missing) {
  block_.missing = missing;
  return std::move(block_);
}

namespace {

// Nothing of its own: the keys of a walk by KeySpec are read and kept
// nowhere but in the recorder.
struct NoRecord {};

trv::ValueKind ProgramKind(ValueKind kind) {
  switch (kind) {
    case ValueKind::kNone: return trv::ValueKind::kColor;
    case ValueKind::kInt: return trv::ValueKind::kInt;
    case ValueKind::kText: return trv::ValueKind::kText;
    case ValueKind::kTextRightAfter: return trv::ValueKind::kTextRightAfter;
    case ValueKind::kPath: return trv::ValueKind::kPath;
    case ValueKind::kList: return trv::ValueKind::kList;
  }
  return trv::ValueKind::kColor;
}

}  // namespace

BlockValues WalkBlock(const ScriptText& text, std::size_t& index, std::span<const KeySpec> required,
                      std::span<const KeySpec> optional, const ScriptPaths& paths) {
  std::vector<KeyRule<NoRecord>> keys;
  for (const KeySpec& k : required) keys.push_back({{k.key, ProgramKind(k.kind), Need::kRequired}});
  for (const KeySpec& k : optional) keys.push_back({{k.key, ProgramKind(k.kind), Need::kOptional}});
  NoRecord record;
  return WalkValues(text, index, BlockKeys<NoRecord>(keys), record, paths);
}

}  // namespace trv::disc::lint
