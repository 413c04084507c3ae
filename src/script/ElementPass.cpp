#include "script/ElementPass.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "platform/Log.h"
#include "script/ScriptValues.h"
#include "script/ShellSchema.h"

namespace trv {
namespace {

template <class PerScreen>
void GrowTo(PerScreen& perScreen, std::size_t screen) {
  if (perScreen.size() <= screen) perScreen.resize(screen + 1);
}

class ElementPass {
 public:
  ElementPass(const TDynamicStringArray& lines, const ScriptPaths& paths, TElementModel& model,
              std::span<const ShellKind> kinds, const ScreenLineRead& onScreen)
      : lines_(lines), paths_(paths), model_(model), kinds_(kinds), onScreen_(onScreen) {}

  void Run() {
    const BlockLines text{lines_, lines_};
    while (index_ < lines_.size()) {
      const ShellKind* kind = FindKind(kinds_, text, index_);
      if (!kind) {
        ++index_;
        continue;
      }
      std::visit([&](const auto& keys) { Read(*kind, keys); }, kind->keys);
    }
  }

 private:
  // Screens in memory count from 0; 64 bits so that the lowest number read
  // cannot wrap.
  std::int64_t Screen() const { return std::int64_t(ReadInt(lines_[index_], 1)) - 1; }

  // The one-line kinds.
  void Read(const ShellKind& kind, const KeyInfo& value) {
    const BlockLines text{lines_, lines_};
    std::size_t at = index_;
    const KeyRead v = ReadKey(text, at, value, KeyPos(lines_[index_], value.key), paths_);
    if (kind.id == ShellBlock::kHintColor) {
      model_.hintColor = v.color;
      model_.hintColorSet = true;
    } else if (const std::int64_t screen = Screen(); CheckScreen(kind.word, index_, screen)) {
      const std::size_t s = std::size_t(screen);
      GrowTo(model_.Buttons, s);
      GrowTo(model_.SingleSwitches, s);
      GrowTo(model_.GroupSwitches, s);
      GrowTo(model_.ScreenPictures, s);
      model_.ScreenPictures[s] = v.text;
      if (onScreen_) onScreen_(model_, s);
    }
    ++index_;
  }

  template <class R>
  void Read(const ShellKind& kind, BlockKeys<R> keys) {
    const std::int64_t screen = Screen();
    const std::size_t first = index_;
    const bool screenOk = CheckScreen(kind.word, first, screen);
    R record;
    const std::string_view missing = WalkBlock(BlockLines{lines_, lines_}, index_, keys, record, paths_);
    if (!missing.empty())
      Log("script", std::string(kind.word) + " block on line " + std::to_string(first + 1) + " has no key \"" +
                        std::string(missing) + "\" before the end of the script; the element pass stops there");
    if (screenOk) Put(std::move(record), std::size_t(screen));
  }

  template <class R>
  static void PutOnScreen(std::vector<std::vector<R>>& perScreen, R&& record, std::size_t screen) {
    GrowTo(perScreen, screen);
    perScreen[screen].push_back(std::move(record));
  }
  template <class R>
  static void PutInList(std::vector<R>& list, R&& record, std::size_t screen) {
    record.screen = std::int32_t(screen);
    list.push_back(std::move(record));
  }
  void Put(RBtn&& r, std::size_t s) { PutOnScreen(model_.Buttons, std::move(r), s); }
  void Put(RSwthOne&& r, std::size_t s) { PutOnScreen(model_.SingleSwitches, std::move(r), s); }
  void Put(RSwthGrp&& r, std::size_t s) { PutOnScreen(model_.GroupSwitches, std::move(r), s); }
  void Put(RPopupData&& r, std::size_t s) { PutOnScreen(model_.PopupData, std::move(r), s); }
  void Put(RPathInput&& r, std::size_t s) { PutInList(model_.inputBoxes, std::move(r), s); }
  void Put(RClip&& r, std::size_t s) { PutInList(model_.clips, std::move(r), s); }
  void Put(RText&& r, std::size_t s) { PutInList(model_.texts, std::move(r), s); }
  void Put(RTreeData&& r, std::size_t s) { PutInList(model_.trees, std::move(r), s); }

  bool CheckScreen(std::string_view name, std::size_t line, std::int64_t screen) const {
    if (screen >= 0 && screen < kMaxScreens) return true;
    Log("script", std::string(name) + " block on line " + std::to_string(line + 1) + " names screen " +
                      std::to_string(screen + 1) + "; screens run from 1 to " + std::to_string(kMaxScreens) +
                      ", the block is skipped");
    return false;
  }

  const TDynamicStringArray& lines_;
  const ScriptPaths& paths_;
  TElementModel& model_;
  std::span<const ShellKind> kinds_;
  const ScreenLineRead& onScreen_;
  std::size_t index_ = 0;
};

}  // namespace

void ReadElements(const TDynamicStringArray& lines, const ScriptPaths& paths, TElementModel& model) {
  ReadElements(lines, paths, model, ShellKinds(), {});
}

void ReadElements(const TDynamicStringArray& lines, const ScriptPaths& paths, TElementModel& model,
                  std::span<const ShellKind> kinds, const ScreenLineRead& onScreen) {
  ElementPass(lines, paths, model, kinds, onScreen).Run();
}

}  // namespace trv
