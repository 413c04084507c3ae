#include "game/CoolDialogScript.h"

#include <algorithm>
#include <string_view>
#include <variant>

#include "platform/Log.h"
#include "script/ScriptValues.h"

namespace trv {
namespace {

template <typename T>
void GrowTo(std::vector<T>& v, std::size_t n) {
  if (v.size() < n) v.resize(n);
}

class DialogReader {
 public:
  DialogReader(const TDynamicStringArray& lines, const ScriptPaths& paths)
      : lines_(lines), lower_(LowerLines(lines)), paths_(paths) {}

  TDialogScript Run() {
    const BlockLines text{lines_, lower_};
    while (i_ < lines_.size()) {
      const DialogKind* kind = FindKind(DialogKinds(), text, i_);
      if (!kind) {
        ++i_;
        continue;
      }
      const std::int32_t page = ReadInt(lines_[i_], 1);
      if (page < 1 || page > kMaxDialogPages) {
        Log("dialog", "Dialog.txt line " + std::to_string(i_ + 1) + ": page number out of range, block skipped");
        ++i_;
        continue;
      }
      const std::size_t first = i_;
      const BlockLines blockText = LinesFor(text, kind->search);
      const std::string_view missing =
          std::visit([&](const auto& keys) { return Read(blockText, std::size_t(page), keys); }, kind->keys);
      if (!missing.empty()) {
        Log("dialog", "Dialog.txt: a key of the block at line " + std::to_string(first + 1) +
                          " is missing up to the end; reading stops there");
        break;
      }
    }
    // Every list holds every page, so that a page index good for one is good for all.
    const std::size_t pages =
        std::max({s_.PagePictures.size(), s_.Buttons.size(), s_.Switches.size(), s_.Boxes.size()});
    GrowTo(s_.PagePictures, pages);
    GrowTo(s_.Buttons, pages);
    GrowTo(s_.Switches, pages);
    GrowTo(s_.Boxes, pages);
    GrowTo(s_.BoxNames, pages);
    return std::move(s_);
  }

 private:
  // A page's picture line; it also gives the page a place in every list.
  std::string_view Read(const BlockLines& text, std::size_t n, const KeyInfo& value) {
    std::size_t at = i_;
    GrowTo(s_.PagePictures, n);
    s_.PagePictures[n - 1] = ReadKey(text, at, value, KeyPos(text.search[i_], value.key), paths_).text;
    GrowTo(s_.Buttons, n);
    GrowTo(s_.Switches, n);
    GrowTo(s_.Boxes, n);
    GrowTo(s_.BoxNames, n);
    ++i_;
    return {};
  }

  std::string_view Read(const BlockLines& text, std::size_t n, BlockKeys<RText> keys) {
    GrowTo(s_.Texts, n);
    // The last entry is filled: text blocks come once per page, in order.
    return WalkBlock(text, i_, keys, s_.Texts.back(), paths_);
  }

  std::string_view Read(const BlockLines& text, std::size_t n, BlockKeys<RDialogBtn> keys) {
    GrowTo(s_.Buttons, n);
    return WalkBlock(text, i_, keys, s_.Buttons[n - 1].emplace_back(), paths_);
  }

  std::string_view Read(const BlockLines& text, std::size_t n, BlockKeys<RSwthGrp> keys) {
    GrowTo(s_.Switches, n);
    return WalkBlock(text, i_, keys, s_.Switches[n - 1].emplace_back(), paths_);
  }

  std::string_view Read(const BlockLines& text, std::size_t n, BlockKeys<RDialogBox> keys) {
    GrowTo(s_.Boxes, n);
    GrowTo(s_.BoxNames, n);
    RDialogBox box;
    box.screen = std::int32_t(n) - 1 + 666;
    const std::string_view missing = WalkBlock(text, i_, keys, box, paths_);
    s_.BoxNames[n - 1].push_back(std::move(box.name));
    s_.Boxes[n - 1].push_back(std::move(static_cast<RPathInput&>(box)));
    return missing;
  }

  const TDynamicStringArray& lines_;
  const TDynamicStringArray lower_;
  const ScriptPaths& paths_;
  std::size_t i_ = 0;
  TDialogScript s_;
};

}  // namespace

TDialogScript ReadDialogScript(const TDynamicStringArray& lines, const ScriptPaths& paths) {
  return DialogReader(lines, paths).Run();
}

}  // namespace trv
