#include "script/ElementPass.h"

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/Log.h"
#include "script/ScriptLists.h"
#include "script/ScriptValues.h"

namespace trv {
namespace {

struct Cursor {
  const TDynamicStringArray& lines;
  const ScriptPaths& paths;
  std::size_t index = 0;
};

// One key found at 1-based position `pos` of the cursor's line, with the
// readers its value may need.
class KeyValue {
 public:
  KeyValue(Cursor& cursor, std::string_view key, int pos) : c_(cursor), key_(key), pos_(pos) {}

  // Numbers are read from the key itself: keys hold no digits.
  std::int32_t Int() const { return ReadInt(Line(), pos_); }
  Color ColorValue() const { return ReadColor(Line(), pos_); }
  // Texts start after the key and the character that follows it (its "=").
  std::string Text() const { return ReadText(Line(), pos_ + int(key_.size()) + 1); }
  // For a key that carries its own "=" ("go=").
  std::string TextRightAfter() const { return ReadText(Line(), pos_ + int(key_.size())); }
  std::string Path() const { return ExpandPath(Text(), c_.paths); }
  bool On() const { return Text() == "on"; }
  unsigned Style() const { return ParseFontStyle(Text()); }
  // Lists may run over several lines; the cursor follows to the closing "]".
  TDynamicStringArray List() const {
    TDynamicStringArray list;
    ReadList(c_.lines, c_.index, list, c_.paths);
    return list;
  }

 private:
  std::string_view Line() const { return c_.lines[c_.index]; }

  Cursor& c_;
  std::string_view key_;
  int pos_;
};

template <class R>
struct KeyRule {
  std::string_view key;
  void (*read)(R&, const KeyValue&);
};

template <class R>
using Rules = std::span<const KeyRule<R>>;

// Reads the required keys in order, moving the cursor over lines where the
// next one is missing (after reading the optional keys present there). Leaves
// the cursor after the line of the last required key and returns an empty
// view, or, when a key never occurs, leaves it past the last line and returns
// that key.
template <class R>
std::string_view ReadKeys(Cursor& c, R& record, Rules<R> required, Rules<R> optional) {
  for (const KeyRule<R>& rule : required) {
    for (;;) {
      if (c.index >= c.lines.size()) return rule.key;
      const std::string& line = c.lines[c.index];
      if (int pos = KeyPos(line, rule.key)) {
        rule.read(record, KeyValue(c, rule.key, pos));
        break;
      }
      for (const KeyRule<R>& opt : optional)
        if (int pos = KeyPos(line, opt.key)) opt.read(record, KeyValue(c, opt.key, pos));
      ++c.index;
    }
  }
  ++c.index;
  return {};
}

using V = const KeyValue&;

constexpr KeyRule<RBtn> kButtonRequired[] = {
    {"vx", [](RBtn& r, V v) { r.left = v.Int(); }},
    {"vy", [](RBtn& r, V v) { r.top = v.Int(); }},
    {"fn1", [](RBtn& r, V v) { r.fn[0] = v.Text(); }},
    {"fn2", [](RBtn& r, V v) { r.fn[1] = v.Text(); }},
    {"fn3", [](RBtn& r, V v) { r.fn[2] = v.Text(); }},
    {"fn4", [](RBtn& r, V v) { r.fn[3] = v.Text(); }},
    {"go=", [](RBtn& r, V v) { r.command = v.TextRightAfter(); }},
    {"hint", [](RBtn& r, V v) { r.hint = v.Text(); }},
    {"wav", [](RBtn& r, V v) { r.sound = v.Text(); }},
};
constexpr KeyRule<RBtn> kButtonOptional[] = {
    {"name", [](RBtn& r, V v) { r.name = v.Text(); }},
    {"texttx", [](RBtn& r, V v) { r.textLeft = v.Int(); }},
    {"textty", [](RBtn& r, V v) { r.textTop = v.Int(); }},
    {"textbx", [](RBtn& r, V v) { r.textRight = v.Int(); }},
    {"textby", [](RBtn& r, V v) { r.textBottom = v.Int(); }},
    {"textfontname", [](RBtn& r, V v) { r.textFontName = v.Text(); }},
    {"textfontsize", [](RBtn& r, V v) { r.textFontSize = v.Int(); }},
    {"textfontstyle", [](RBtn& r, V v) { r.textFontStyle = v.Style(); }},
    {"textfontcolor", [](RBtn& r, V v) { r.textFontColor = v.ColorValue(); }},
    {"fn5", [](RBtn& r, V v) { r.fn[4] = v.Text(); }},
    {"fn6", [](RBtn& r, V v) { r.fn[5] = v.Text(); }},
    {"fn7", [](RBtn& r, V v) { r.fn[6] = v.Text(); }},
};

constexpr KeyRule<RSwthOne> kSwitchOneRequired[] = {
    {"vx", [](RSwthOne& r, V v) { r.left = v.Int(); }},
    {"vy", [](RSwthOne& r, V v) { r.top = v.Int(); }},
    {"fn1", [](RSwthOne& r, V v) { r.fn[0] = v.Text(); }},
    {"fn2", [](RSwthOne& r, V v) { r.fn[1] = v.Text(); }},
    {"fn3", [](RSwthOne& r, V v) { r.fn[2] = v.Text(); }},
    {"fn4", [](RSwthOne& r, V v) { r.fn[3] = v.Text(); }},
    {"state", [](RSwthOne& r, V v) { r.on = v.On(); }},
    {"store", [](RSwthOne& r, V v) { r.store = v.On(); }},
    {"goup", [](RSwthOne& r, V v) { r.goUp = v.Path(); }},
    {"godown", [](RSwthOne& r, V v) { r.goDown = v.Path(); }},
    {"hint", [](RSwthOne& r, V v) { r.hint = v.Text(); }},
    {"wav", [](RSwthOne& r, V v) { r.sound = v.Text(); }},
};

constexpr KeyRule<RSwthGrp> kSwitchGroupRequired[] = {
    {"vx", [](RSwthGrp& r, V v) { r.left = v.Int(); }},
    {"vy", [](RSwthGrp& r, V v) { r.top = v.Int(); }},
    {"fn1", [](RSwthGrp& r, V v) { r.fn[0] = v.Text(); }},
    {"fn2", [](RSwthGrp& r, V v) { r.fn[1] = v.Text(); }},
    {"fn3", [](RSwthGrp& r, V v) { r.fn[2] = v.Text(); }},
    {"fn4", [](RSwthGrp& r, V v) { r.fn[3] = v.Text(); }},
    {"state", [](RSwthGrp& r, V v) { r.on = v.On(); }},
    {"store", [](RSwthGrp& r, V v) { r.store = v.On(); }},
    {"group", [](RSwthGrp& r, V v) { r.group = v.Int(); }},
    {"go", [](RSwthGrp& r, V v) { r.command = v.Path(); }},
    {"hint", [](RSwthGrp& r, V v) { r.hint = v.Text(); }},
    {"wav", [](RSwthGrp& r, V v) { r.sound = v.Text(); }},
};

constexpr KeyRule<RPathInput> kPathRequired[] = {
    {"vx", [](RPathInput& r, V v) { r.left = v.Int(); }},
    {"vy", [](RPathInput& r, V v) { r.top = v.Int(); }},
    {"vw", [](RPathInput& r, V v) { r.right = v.Int(); }},
    {"vh", [](RPathInput& r, V v) { r.bottom = v.Int(); }},
    {"pathdef", [](RPathInput& r, V v) { r.defaultText = v.Text(); }},
    {"hint", [](RPathInput& r, V v) { r.hint = v.Text(); }},
    {"textfontname", [](RPathInput& r, V v) { r.fontName = v.Text(); }},
    {"textfontstyle", [](RPathInput& r, V v) { r.fontStyle = v.Style(); }},
    {"textfontcolor", [](RPathInput& r, V v) { r.fontColor = v.ColorValue(); }},
    {"bgcolor", [](RPathInput& r, V v) { r.bgColor = v.ColorValue(); }},
};
constexpr KeyRule<RPathInput> kPathOptional[] = {
    {"wav", [](RPathInput& r, V v) { r.sound = v.Text(); }},
};

constexpr KeyRule<RClip> kClipRequired[] = {
    {"vx", [](RClip& r, V v) { r.left = v.Int(); }},
    {"vy", [](RClip& r, V v) { r.top = v.Int(); }},
    {"vw", [](RClip& r, V v) { r.right = v.Int(); }},
    {"vh", [](RClip& r, V v) { r.bottom = v.Int(); }},
    {"bgcolor", [](RClip& r, V v) { r.bgColor = v.ColorValue(); }},
    {"html", [](RClip& r, V v) { r.html = v.Int(); }},
};

constexpr KeyRule<RText> kTextRequired[] = {
    {"vx", [](RText& r, V v) { r.left = v.Int(); }},
    {"vy", [](RText& r, V v) { r.top = v.Int(); }},
    {"vw", [](RText& r, V v) { r.right = v.Int(); }},
    {"vh", [](RText& r, V v) { r.bottom = v.Int(); }},
    {"font", [](RText& r, V v) { r.fontName = v.Text(); }},
    {"size", [](RText& r, V v) { r.fontSize = v.Int(); }},
    {"style", [](RText& r, V v) { r.fontStyle = v.Text(); }},
    {"color", [](RText& r, V v) { r.fontColor = v.ColorValue(); }},
    {"value", [](RText& r, V v) { r.text = v.Text(); }},
    {"ident", [](RText& r, V v) { r.ident = v.Text(); }},
    {"number", [](RText& r, V v) { r.number = v.Int(); }},
};
constexpr KeyRule<RText> kTextOptional[] = {
    {"hltextcl", [](RText& r, V v) { r.highlightColor = v.ColorValue(); }},
    {"hint", [](RText& r, V v) { r.hint = v.Text(); }},
};

std::int32_t PopupKind(const KeyValue& v) {
  const std::string word = v.Text();
  if (word == "historyback") return kPopupHistoryBack;
  if (word == "historyforward") return kPopupHistoryForward;
  if (word == "favorite") return kPopupFavorite;
  if (word == "contexthtml") return kPopupContextHtml;
  if (word == "htmlvisited") return kPopupHtmlVisited;
  if (word == "registeredusers") return kPopupRegisteredUsers;
  return v.Int();
}

constexpr KeyRule<RPopupData> kPopupRequired[] = {
    {"xfon", [](RPopupData& r, V v) { r.bgLeft = v.Int(); }},
    {"yfon", [](RPopupData& r, V v) { r.bgTop = v.Int(); }},
    {"fnfon", [](RPopupData& r, V v) { r.bgPicture = v.Text(); }},
    {"xbtn", [](RPopupData& r, V v) { r.itemLeft = v.Int(); }},
    {"ybtn", [](RPopupData& r, V v) { r.itemTop = v.Int(); }},
    {"fnbtnup", [](RPopupData& r, V v) { r.picturesUp = v.List(); }},
    {"fnbtnmove", [](RPopupData& r, V v) { r.picturesMove = v.List(); }},
    {"fnbtndown", [](RPopupData& r, V v) { r.picturesDown = v.List(); }},
    {"fontup", [](RPopupData& r, V v) { r.fontName[kPopupUp] = v.Text(); }},
    {"sizeup", [](RPopupData& r, V v) { r.fontSize[kPopupUp] = v.Int(); }},
    {"styleup", [](RPopupData& r, V v) { r.fontStyle[kPopupUp] = v.Text(); }},
    {"colorup", [](RPopupData& r, V v) { r.fontColor[kPopupUp] = v.ColorValue(); }},
    {"fontmv", [](RPopupData& r, V v) { r.fontName[kPopupMove] = v.Text(); }},
    {"sizemv", [](RPopupData& r, V v) { r.fontSize[kPopupMove] = v.Int(); }},
    {"stylemv", [](RPopupData& r, V v) { r.fontStyle[kPopupMove] = v.Text(); }},
    {"colormv", [](RPopupData& r, V v) { r.fontColor[kPopupMove] = v.ColorValue(); }},
    {"caption", [](RPopupData& r, V v) { r.captions = v.List(); }},
    {"go", [](RPopupData& r, V v) { r.commands = v.List(); }},
    {"parent", [](RPopupData& r, V v) { r.parent = v.Text(); }},
    {"type", [](RPopupData& r, V v) { r.kind = PopupKind(v); }},
    {"vertex", [](RPopupData& r, V v) { r.vertex = v.List(); }},
};

constexpr KeyRule<RTreeData> kTreeRequired[] = {
    {"vx", [](RTreeData& r, V v) { r.left = v.Int(); }},
    {"vy", [](RTreeData& r, V v) { r.top = v.Int(); }},
    {"vw", [](RTreeData& r, V v) { r.right = v.Int(); }},
    {"vh", [](RTreeData& r, V v) { r.bottom = v.Int(); }},
    {"selectcolor", [](RTreeData& r, V v) { r.selectColor = v.ColorValue(); }},
    {"selectcolortext", [](RTreeData& r, V v) { r.selectTextColor = v.ColorValue(); }},
    {"fnlist", [](RTreeData& r, V v) { r.listFile = v.Text(); }},
    {"number", [](RTreeData& r, V v) { r.number = v.Int(); }},
    {"backgroundimage", [](RTreeData& r, V v) { r.backgroundImage = v.Text(); }},
    {"fontup", [](RTreeData& r, V v) { r.fontName[kTreeUp] = v.Text(); }},
    {"sizeup", [](RTreeData& r, V v) { r.fontSize[kTreeUp] = v.Int(); }},
    {"styleup", [](RTreeData& r, V v) { r.fontStyle[kTreeUp] = v.Text(); }},
    {"colorup", [](RTreeData& r, V v) { r.fontColor[kTreeUp] = v.ColorValue(); }},
    {"fontmv", [](RTreeData& r, V v) { r.fontName[kTreeMove] = v.Text(); }},
    {"sizemv", [](RTreeData& r, V v) { r.fontSize[kTreeMove] = v.Int(); }},
    {"stylemv", [](RTreeData& r, V v) { r.fontStyle[kTreeMove] = v.Text(); }},
    {"colormv", [](RTreeData& r, V v) { r.fontColor[kTreeMove] = v.ColorValue(); }},
    {"fontnm", [](RTreeData& r, V v) { r.fontName[kTreeNormal] = v.Text(); }},
    {"sizenm", [](RTreeData& r, V v) { r.fontSize[kTreeNormal] = v.Int(); }},
    {"stylenm", [](RTreeData& r, V v) { r.fontStyle[kTreeNormal] = v.Text(); }},
    {"colornm", [](RTreeData& r, V v) { r.fontColor[kTreeNormal] = v.ColorValue(); }},
    {"sbcolor", [](RTreeData& r, V v) { r.sbColor = v.ColorValue(); }},
    {"sbbarcolor", [](RTreeData& r, V v) { r.sbBarColor = v.ColorValue(); }},
    {"sbarrowcolor", [](RTreeData& r, V v) { r.sbArrowColor = v.ColorValue(); }},
    {"sbarrowhottrackcolor", [](RTreeData& r, V v) { r.sbArrowHotTrackColor = v.ColorValue(); }},
    {"sbhintcolor", [](RTreeData& r, V v) { r.sbHintColor = v.ColorValue(); }},
    {"sbbarhinttextcolor", [](RTreeData& r, V v) { r.sbBarHintTextColor = v.ColorValue(); }},
    {"hintcolor", [](RTreeData& r, V v) { r.hintColor = v.ColorValue(); }},
    {"hinttextcolor", [](RTreeData& r, V v) { r.hintTextColor = v.ColorValue(); }},
};

enum class Kind { None, Button, SwitchOne, SwitchGroup, Path, Clip, Text, Popup, Tree, Screen, HintColor };

struct KindWord {
  std::string_view word;
  Kind kind;
};
// Tested in this order; the first word found anywhere in the line wins.
constexpr KindWord kKindWords[] = {
    {"button", Kind::Button}, {"switchone", Kind::SwitchOne}, {"switchgrp", Kind::SwitchGroup},
    {"_path", Kind::Path},    {"_clip", Kind::Clip},          {"_text", Kind::Text},
    {"_popup", Kind::Popup},  {"_tree", Kind::Tree},          {"_screen", Kind::Screen},
};

Kind KindOf(std::string_view line) {
  for (const KindWord& k : kKindWords)
    if (line.find(k.word) != std::string_view::npos) return k.kind;
  if (line.starts_with("hintcolor")) return Kind::HintColor;
  return Kind::None;
}

template <class PerScreen>
void GrowTo(PerScreen& perScreen, std::size_t screen) {
  if (perScreen.size() <= screen) perScreen.resize(screen + 1);
}

class ElementPass {
 public:
  ElementPass(const TDynamicStringArray& lines, const ScriptPaths& paths, TElementModel& model)
      : c_{lines, paths, 0}, model_(model) {}

  void Run() {
    while (c_.index < c_.lines.size()) {
      const std::string& line = c_.lines[c_.index];
      const Kind kind = KindOf(line);
      // Screens in memory count from 0; 64 bits so that the lowest number read
      // cannot wrap.
      const std::int64_t screen =
          kind == Kind::None || kind == Kind::HintColor ? 0 : std::int64_t(ReadInt(line, 1)) - 1;
      switch (kind) {
        case Kind::None:
          ++c_.index;
          break;
        case Kind::HintColor:
          model_.hintColor = ReadColor(line, 1);
          model_.hintColorSet = true;
          ++c_.index;
          break;
        case Kind::Screen:
          ScreenPicture(line, screen);
          ++c_.index;
          break;
        case Kind::Button:
          if (RBtn r; Block("button", screen, r, kButtonRequired, kButtonOptional)) {
            GrowTo(model_.Buttons, std::size_t(screen));
            model_.Buttons[std::size_t(screen)].push_back(std::move(r));
          }
          break;
        case Kind::SwitchOne:
          if (RSwthOne r; Block("switchone", screen, r, kSwitchOneRequired)) {
            GrowTo(model_.SingleSwitches, std::size_t(screen));
            model_.SingleSwitches[std::size_t(screen)].push_back(std::move(r));
          }
          break;
        case Kind::SwitchGroup:
          if (RSwthGrp r; Block("switchgrp", screen, r, kSwitchGroupRequired)) {
            GrowTo(model_.GroupSwitches, std::size_t(screen));
            model_.GroupSwitches[std::size_t(screen)].push_back(std::move(r));
          }
          break;
        case Kind::Popup:
          if (RPopupData r; Block("_popup", screen, r, kPopupRequired)) {
            GrowTo(model_.PopupData, std::size_t(screen));
            model_.PopupData[std::size_t(screen)].push_back(std::move(r));
          }
          break;
        case Kind::Path:
          ListBlock("_path", screen, model_.inputBoxes, kPathRequired, kPathOptional);
          break;
        case Kind::Clip:
          ListBlock("_clip", screen, model_.clips, kClipRequired);
          break;
        case Kind::Text:
          ListBlock("_text", screen, model_.texts, kTextRequired, kTextOptional);
          break;
        case Kind::Tree:
          ListBlock("_tree", screen, model_.trees, kTreeRequired);
          break;
      }
    }
  }

 private:
  // Reads one block's keys into `record`; true when the record belongs in the
  // model (its screen is one the model may hold).
  template <class R>
  bool Block(std::string_view name, std::int64_t screen, R& record, std::type_identity_t<Rules<R>> required,
             std::type_identity_t<Rules<R>> optional = {}) {
    const std::size_t first = c_.index;
    const bool screenOk = CheckScreen(name, first, screen);
    const std::string_view missing = ReadKeys(c_, record, required, optional);
    if (!missing.empty())
      Log("script", std::string(name) + " block on line " + std::to_string(first + 1) + " has no key \"" +
                        std::string(missing) + "\" before the end of the script; the element pass stops there");
    return screenOk;
  }

  template <class R>
  void ListBlock(std::string_view name, std::int64_t screen, std::vector<R>& list,
                 std::type_identity_t<Rules<R>> required, std::type_identity_t<Rules<R>> optional = {}) {
    R record;
    record.screen = std::int32_t(screen);
    if (Block(name, screen, record, required, optional)) list.push_back(std::move(record));
  }

  bool CheckScreen(std::string_view name, std::size_t line, std::int64_t screen) const {
    if (screen >= 0 && screen < kMaxScreens) return true;
    Log("script", std::string(name) + " block on line " + std::to_string(line + 1) + " names screen " +
                      std::to_string(screen + 1) + "; screens run from 1 to " + std::to_string(kMaxScreens) +
                      ", the block is skipped");
    return false;
  }

  void ScreenPicture(const std::string& line, std::int64_t screen) {
    if (!CheckScreen("_screen", c_.index, screen)) return;
    const std::size_t s = std::size_t(screen);
    GrowTo(model_.Buttons, s);
    GrowTo(model_.SingleSwitches, s);
    GrowTo(model_.GroupSwitches, s);
    GrowTo(model_.ScreenPictures, s);
    // The name starts one character past "screen" and its "=": for
    // "_screen=pics\fon.bmp" that is just after the "=".
    model_.ScreenPictures[s] = ReadText(line, KeyPos(line, "screen") + 7);
  }

  Cursor c_;
  TElementModel& model_;
};

}  // namespace

void ReadElements(const TDynamicStringArray& lines, const ScriptPaths& paths, TElementModel& model) {
  ElementPass(lines, paths, model).Run();
}

}  // namespace trv
