#include "windows/OptionsScript.h"

#include <variant>

#include "platform/Log.h"
#include "script/BlockSchema.h"
#include "script/OptionsSchema.h"
#include "script/ScriptValues.h"

namespace trv {
namespace {

class OptionsReader {
 public:
  OptionsReader(const TDynamicStringArray& lines, const ScriptPaths& paths)
      : lines_(lines), lower_(LowerLines(lines)), paths_(paths) {}

  TOptionsScript Run() {
    s_.read = true;
    const BlockLines text{lines_, lower_};
    while (i_ < lines_.size()) {
      const OptionsKind* kind = FindKind(OptionsKinds(), text, i_);
      if (!kind) {
        ++i_;
        continue;
      }
      const std::size_t first = i_;
      const BlockLines blockText = LinesFor(text, kind->search);
      const std::string_view missing = std::visit([&](const auto& keys) { return Read(blockText, keys); }, kind->keys);
      if (!missing.empty()) {
        // A half-read switch would run commands its author never finished.
        Log("options", "Options.txt line " + std::to_string(first + 1) + ": \"" + std::string(missing) +
                           "\" never comes after this \"" + std::string(kind->word) +
                           "\" block; the block is left out");
        break;
      }
    }
    return std::move(s_);
  }

 private:
  std::string_view Read(const BlockLines& text, const KeyInfo& value) {
    std::size_t at = i_;
    s_.picture = ReadKey(text, at, value, KeyPos(text.search[i_], value.key), paths_).text;
    ++i_;
    return {};
  }

  template <class R>
  std::string_view Read(const BlockLines& text, BlockKeys<R> keys) {
    R record;
    const std::string_view missing = WalkBlock(text, i_, keys, record, paths_);
    if (missing.empty()) List<R>().push_back(std::move(record));
    return missing;
  }

  template <class R>
  std::vector<R>& List() {
    if constexpr (std::is_same_v<R, RText>) return s_.texts;
    else if constexpr (std::is_same_v<R, RBtn>) return s_.buttons;
    else if constexpr (std::is_same_v<R, RSwthOne>) return s_.singles;
    else return s_.groups;
  }

  const TDynamicStringArray& lines_;
  const TDynamicStringArray lower_;
  const ScriptPaths& paths_;
  std::size_t i_ = 0;
  TOptionsScript s_;
};

}  // namespace

TOptionsScript ReadOptionsScript(const TDynamicStringArray& lines, const ScriptPaths& paths) {
  return OptionsReader(lines, paths).Run();
}

std::string OptionValueName(bool group, std::size_t index) {
  return (group ? "SwGrpO" : "SwOneO") + std::to_string(index);
}

void ReadStoredStates(TOptionsScript& script, Registry& settings, const std::string& key, StoredRead when) {
  RegBatch missing;
  auto read = [&](auto& list, bool group) {
    for (std::size_t i = 0; i < list.size(); ++i) {
      RSwitch& sw = list[i];
      sw.underMouse = false;
      if (!sw.store) continue;
      const std::string name = OptionValueName(group, i);
      if (const std::optional<bool> stored = settings.ReadBool(RootKey::CurrentUser, key, name)) {
        sw.on = *stored;
      } else if (when == StoredRead::kCreation) {
        // A first start: the single switches are on whatever the script says.
        if (!group) sw.on = true;
      } else {
        missing.WriteBool(key, name, sw.on);
      }
    }
  };
  read(script.singles, false);
  read(script.groups, true);
  if (!missing.Empty() && !settings.Apply(RootKey::CurrentUser, missing))
    Log("options", "the missing switch states could not be written");
}

void WriteStoredStates(const TOptionsScript& script, Registry& settings, const std::string& key) {
  // The options are applied together, so they are kept together.
  RegBatch states;
  auto write = [&](const auto& list, bool group) {
    for (std::size_t i = 0; i < list.size(); ++i) {
      const RSwitch& sw = list[i];
      if (sw.store) states.WriteBool(key, OptionValueName(group, i), sw.on);
    }
  };
  write(script.singles, false);
  write(script.groups, true);
  if (!states.Empty() && !settings.Apply(RootKey::CurrentUser, states))
    Log("options", "the switch states could not be written");
}

}  // namespace trv
