#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include "script/BlockSchema.h"
#include "script/ExpandPath.h"
#include "script/MyTypes.h"

// The lint walks each block with the program's own tables and walker
// (script/BlockSchema) and keeps, for every value, the line it came from, so
// that a problem with a value can name its line. Values are kept as the line
// holds them (paths through ExpandPath), since that is what a message quotes.
namespace trv::disc::lint {

// What the lint keeps of a value.
enum class ValueKind {
  kNone,            // colours and the like: only where the key stands matters
  kInt,             // ReadInt from the key
  kText,            // ReadText after the key and its "="
  kTextRightAfter,  // ReadText right after a key that holds its own "=" ("go=")
  kPath,            // kText, then ExpandPath
  kList,            // ReadList from the key's line
};

// A key for a walk without a record of the program's.
struct KeySpec {
  std::string_view key;
  ValueKind kind = ValueKind::kNone;
};

// Where a bracketed list stood and whether it closed.
struct ListPlace {
  std::size_t firstLine = 0;
  std::size_t lastLine = 0;
  bool bracket = false;  // the first line holds "["; without it the list is empty
  std::size_t bracketPos = 0;  // 0-based column of that "[": the first of its line
  bool closed = false;   // a "]" ended it before the end of the script
  std::vector<std::size_t> itemLines;  // one per item ReadList gives
};

// Reads the list at lines[index] with ReadList (moving `index` as it does)
// and tells where its items stood.
ListPlace ReadPlacedList(const TDynamicStringArray& lines, std::size_t& index, TDynamicStringArray& items,
                         const ScriptPaths& paths);

struct KeyValue {
  std::string_view key;
  std::size_t line = 0;  // 0-based
  int pos = 0;           // 1-based key position in the line
  std::string text;      // the text value as written (before ExpandPath)
  std::string value;     // the text, or the expanded path
  std::int32_t number = 0;  // kInt
  TDynamicStringArray list;
  ListPlace listPlace;
};

struct BlockValues {
  std::size_t firstLine = 0;
  std::vector<KeyValue> values;  // required keys in order, then the last of each optional key
  std::string_view missing;      // a required key that never came; the walk stopped at the end
  // Optional keys on the line of the last required key: the readers stop
  // there and never read them.
  std::vector<KeyValue> ignored;
  const KeyValue* Find(std::string_view key) const;
  // The value of `key`, empty when it was not read.
  std::string Value(std::string_view key) const;
};

// The lines values are read from, and the lines keys are looked for in: the
// same lines, or a lower-cased copy for readers that search that way.
using ScriptText = BlockLines;

// Fills a BlockValues as the shared walker reports each value.
class BlockRecorder final : public KeyObserver {
 public:
  BlockRecorder(const TDynamicStringArray& lines, std::size_t firstLine, const ScriptPaths& paths);
  void Read(const KeyInfo& key, std::size_t line, int pos, const KeyRead& value) override;
  void Unread(const KeyInfo& key, std::size_t line, int pos) override;
  BlockValues Take(std::string_view missing);

 private:
  const TDynamicStringArray& lines_;
  const ScriptPaths& paths_;
  BlockValues block_;
};

// One block from lines[index] with the program's table `keys`, into `record`
// as the program's reader fills it. `index` moves as the reader's does.
template <class R>
BlockValues WalkValues(const ScriptText& text, std::size_t& index, BlockKeys<R> keys, R& record,
                       const ScriptPaths& paths) {
  BlockRecorder recorder(text.values, index, paths);
  const std::string_view missing = trv::WalkBlock(text, index, keys, record, paths, &recorder);
  return recorder.Take(missing);
}

// The block of `kind` at lines[index], searched as the kind says; `record`
// sees the record the program would have made.
template <class Kind, class Visit>
BlockValues WalkKind(const Kind& kind, const ScriptText& text, std::size_t& index, const ScriptPaths& paths,
                     Visit&& record) {
  return std::visit(
      [&](const auto& keys) -> BlockValues {
        using Keys = std::remove_cvref_t<decltype(keys)>;
        if constexpr (std::is_same_v<Keys, KeyInfo>) {
          // A one-line kind has no keys to walk.
          BlockValues v;
          v.firstLine = index++;
          return v;
        } else {
          typename Keys::value_type::Record r;
          BlockValues v = WalkValues(LinesFor(text, kind.search), index, keys, r, paths);
          record(r);
          return v;
        }
      },
      kind.keys);
}
template <class Kind>
BlockValues WalkKind(const Kind& kind, const ScriptText& text, std::size_t& index, const ScriptPaths& paths) {
  return WalkKind(kind, text, index, paths, [](const auto&) {});
}

// The required keys of a kind, in their order.
template <class Kind>
std::vector<std::string_view> RequiredKeysOf(const Kind& kind) {
  std::vector<std::string_view> keys;
  std::visit(
      [&](const auto& k) {
        if constexpr (!std::is_same_v<std::remove_cvref_t<decltype(k)>, KeyInfo>) RequiredKeys(k, keys);
      },
      kind.keys);
  return keys;
}

// One block from lines[index] by `required` and `optional` keys alone.
// Leaves `index` after the line of the last required key, or at the end of
// the lines when one never came.
BlockValues WalkBlock(const ScriptText& text, std::size_t& index, std::span<const KeySpec> required,
                      std::span<const KeySpec> optional, const ScriptPaths& paths);

}  // namespace trv::disc::lint
