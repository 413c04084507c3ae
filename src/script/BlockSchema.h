#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/Geometry.h"
#include "script/ExpandPath.h"
#include "script/MyTypes.h"
#include "script/ScriptValues.h"

// The blocks of the skin scripts as data, and the one walk that reads them.
//
// A block starts on a line that holds its kind's word. Its keys are then
// looked for in a fixed order, each from the line where the key before it was
// found (the block's own line for the first): a line that holds the key gives
// its value and the next key is looked for on the same line; a line without it
// is passed over, after the block's optional keys on it were read. The walk
// ends after the line of the last required key. Keys are plain substrings, so
// a key is found inside a longer word too; that is how the scripts are read.
//
// Each script keeps one table per block kind (ShellSchema, DialogSchema,
// OptionsSchema, AboutSchema): the program's readers and the disc lint walk
// the same tables, so the two cannot read a script differently.
namespace trv {

// How a key's value is read from the line it was found on (as written).
// Numbers and colours are read from the key itself (keys hold no digits);
// texts start one character past the key, past its "=".
enum class ValueKind : std::uint8_t {
  kInt,                  // ReadInt from the key
  kColor,                // ReadColor from the key
  kText,                 // ReadText after the key and its "="
  kLowerText,            // kText in lower case
  kTextRightAfter,       // ReadText right after a key that holds its own "=" ("go=")
  kLowerTextRightAfter,  // kTextRightAfter in lower case
  kPath,                 // kText through ExpandPath
  kLowerPath,            // kText in lower case, then through ExpandPath
  kOn,                   // true when kText is exactly "on"
  kLowerOn,              // true when kText in lower case is "on"
  kStyle,                // ParseFontStyle of kText
  kList,                 // ReadList from the key's line; it may read on over later lines
  kWordOrInt,            // kText, and ReadInt from the key, for values that are a word or a number
};

enum class Need : std::uint8_t { kRequired, kOptional };

// Where the words of a kind and its keys are looked for: in the line as
// written or in its lower-cased copy. Values always come from the line as
// written.
enum class LineCase : std::uint8_t { kAsWritten, kLowered };

// Where a kind's word must stand in its line.
enum class WordAt : std::uint8_t { kAnywhere, kLineStart };

// One key of a block, or the value of a one-line kind.
struct KeyInfo {
  std::string_view key;
  ValueKind kind = ValueKind::kText;
  Need need = Need::kRequired;
};

// A value as read. Only the members of the key's kind are set.
struct KeyRead {
  std::string written;  // text kinds: the text as the line holds it
  std::string text;     // text kinds: the text kept (lower-cased, through ExpandPath, as the kind says)
  std::int32_t number = 0;  // kInt, kWordOrInt
  Color color = 0;
  bool on = false;
  unsigned style = 0;  // FontStyleBits
  TDynamicStringArray list;
};

// A key of a block whose records are R, with the place its value goes.
template <class R>
struct KeyRule : KeyInfo {
  using Record = R;
  void (*store)(R&, KeyRead&) = nullptr;  // null: read, kept nowhere
};
template <class R>
using BlockKeys = std::span<const KeyRule<R>>;

namespace schema_detail {

template <class M>
struct Member;
template <class C, class F>
struct Member<F C::*> {
  using Owner = C;
  using Field = F;
};

template <ValueKind K, class F>
constexpr bool Fits() {
  using enum ValueKind;
  if constexpr (K == kInt || K == kWordOrInt) return std::is_same_v<F, std::int32_t>;
  else if constexpr (K == kColor) return std::is_same_v<F, Color>;
  else if constexpr (K == kOn || K == kLowerOn) return std::is_same_v<F, bool>;
  else if constexpr (K == kStyle) return std::is_same_v<F, unsigned>;
  else if constexpr (K == kList) return std::is_same_v<F, TDynamicStringArray>;
  else return std::is_same_v<F, std::string>;
}

template <ValueKind K, class F>
void Assign(F& field, KeyRead& v) {
  using enum ValueKind;
  if constexpr (K == kInt || K == kWordOrInt) field = v.number;
  else if constexpr (K == kColor) field = v.color;
  else if constexpr (K == kOn || K == kLowerOn) field = v.on;
  else if constexpr (K == kStyle) field = v.style;
  else if constexpr (K == kList) field = std::move(v.list);
  else field = std::move(v.text);
}

template <class R, ValueKind K, auto M, std::size_t... I>
void Store(R& r, KeyRead& v) {
  if constexpr (sizeof...(I) == 0) Assign<K>(r.*M, v);
  else Assign<K>((r.*M)[(I + ...)], v);
}

}  // namespace schema_detail

// A table entry: the value of `key` goes into member M of the record, or into
// element I of M when M is an array. It becomes the KeyRule of M's class or
// of any record derived from it; a kind that does not fit the member's type
// does not compile.
template <ValueKind K, auto M, std::size_t... I>
struct Key {
  static_assert(sizeof...(I) <= 1, "one index at most");
  using Owner = typename schema_detail::Member<decltype(M)>::Owner;
  using Field = typename schema_detail::Member<decltype(M)>::Field;

  constexpr Key(std::string_view k, Need n = Need::kRequired) : key(k), need(n) {}

  template <class R>
    requires std::is_base_of_v<Owner, R>
  constexpr operator KeyRule<R>() const {
    if constexpr (sizeof...(I) == 0) {
      static_assert(schema_detail::Fits<K, Field>(), "the value kind does not fit the member");
    } else {
      static_assert((I + ...) < std::tuple_size_v<Field>, "index past the array");
      static_assert(schema_detail::Fits<K, typename Field::value_type>(), "the value kind does not fit the member");
    }
    return {{key, K, need}, &schema_detail::Store<R, K, M, I...>};
  }

  std::string_view key;
  Need need;
};

// The lines a walk reads: values from `values`, keys looked for in `search`
// (the same lines, or their lower-cased copy).
struct BlockLines {
  const TDynamicStringArray& values;
  const TDynamicStringArray& search;
};

// The lines with their letters in lower case (CP1251), for LineCase::kLowered.
TDynamicStringArray LowerLines(const TDynamicStringArray& lines);

// `lines` searched as `lineCase` says.
inline BlockLines LinesFor(const BlockLines& lines, LineCase lineCase) {
  return {lines.values, lineCase == LineCase::kLowered ? lines.search : lines.values};
}

// The value of `key` found at 1-based `pos` of line `index`. A list moves
// `index` to the line that holds its "]".
KeyRead ReadKey(const BlockLines& lines, std::size_t& index, const KeyInfo& key, int pos, const ScriptPaths& paths);

// Told where each value of a walk stood; the readers of the program pass none.
class KeyObserver {
 public:
  // `line` (0-based) is the key's line, `pos` its 1-based position there.
  virtual void Read(const KeyInfo& key, std::size_t line, int pos, const KeyRead& value) = 0;
  // An optional key on the line of the last required key: the walk ends
  // there and never reads it.
  virtual void Unread(const KeyInfo& key, std::size_t line, int pos) = 0;

 protected:
  ~KeyObserver() = default;
};

// Reads the block at lines[index] into `record` by `keys` (required keys in
// table order, optional keys wherever they stand in the table). Returns an
// empty view and leaves `index` after the line of the last required key; or,
// when a required key never comes, returns that key with `index` at the end
// of the lines and the values read so far in `record`. Logs nothing: each
// reader says in its own words what a cut block means to it.
template <class R>
std::string_view WalkBlock(const BlockLines& lines, std::size_t& index, BlockKeys<R> keys, R& record,
                           const ScriptPaths& paths, KeyObserver* observer = nullptr) {
  auto read = [&](const KeyRule<R>& rule, int pos) {
    const std::size_t line = index;
    KeyRead value = ReadKey(lines, index, rule, pos, paths);
    if (observer) observer->Read(rule, line, pos, value);
    if (rule.store) rule.store(record, value);
  };
  for (const KeyRule<R>& wanted : keys) {
    if (wanted.need != Need::kRequired) continue;
    for (;;) {
      if (index >= lines.search.size()) return wanted.key;
      const std::string& line = lines.search[index];
      if (const int pos = KeyPos(line, wanted.key)) {
        read(wanted, pos);
        break;
      }
      for (const KeyRule<R>& optional : keys)
        if (optional.need == Need::kOptional)
          if (const int pos = KeyPos(line, optional.key)) read(optional, pos);
      ++index;
    }
  }
  if (observer && index < lines.search.size())
    for (const KeyRule<R>& optional : keys)
      if (optional.need == Need::kOptional)
        if (const int pos = KeyPos(lines.search[index], optional.key)) observer->Unread(optional, index, pos);
  ++index;
  return {};
}

// One kind of block of a script: the word that starts it, an id for the
// script's reader, and `Keys`, a variant of the kinds' key tables
// (BlockKeys<R>) and of KeyInfo for a kind whose one line holds its value.
template <class Id, class Keys>
struct BlockKind {
  std::string_view word;
  Id id;
  Keys keys;
  LineCase search = LineCase::kAsWritten;
  WordAt at = WordAt::kAnywhere;
};

// The first of `kinds`, in table order, whose word line `index` holds; null
// when none does.
template <class Kind>
const Kind* FindKind(std::span<const Kind> kinds, const BlockLines& lines, std::size_t index) {
  for (const Kind& kind : kinds) {
    const std::string& line = LinesFor(lines, kind.search).search[index];
    if (kind.at == WordAt::kLineStart ? line.starts_with(kind.word) : KeyPos(line, kind.word) > 0) return &kind;
  }
  return nullptr;
}

// The required keys of a table, in their order.
template <class R>
void RequiredKeys(BlockKeys<R> keys, std::vector<std::string_view>& out) {
  for (const KeyRule<R>& k : keys)
    if (k.need == Need::kRequired) out.push_back(k.key);
}

}  // namespace trv
