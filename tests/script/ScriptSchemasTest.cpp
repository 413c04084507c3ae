// Every key of every block table lands in the record field it names. Each
// block is written from its own table, one key a line (optional keys first,
// on lines the walk passes over), with a value that names its key: "fn2"
// holds "FN2.x", numbers and colours are derived from the key. A key that
// moved to another field, or a field that lost its key, fails here.
#include <gtest/gtest.h>

#include <tuple>
#include <variant>

#include "platform/Graphics.h"
#include "platform/Text.h"
#include "script/AboutSchema.h"
#include "script/ElementPass.h"
#include "script/DialogSchema.h"
#include "script/OptionsSchema.h"
#include "script/ShellSchema.h"

namespace trv {
namespace {

const ScriptPaths kPaths{"\\Disc\\", "\\"};

std::string Name(std::string_view key) { return std::string(key.substr(0, key.find('='))); }
std::int32_t N(std::string_view key) {
  std::int32_t n = 0;
  for (char c : key) n = (n * 31 + c) % 30011;
  return n + 1;
}
Color C(std::string_view key) { return MakeColor(N(key) % 251, N(key) % 241, N(key) % 239); }
// The text value of a key as written, lower-cased, through the path rules.
std::string W(std::string_view key) { return Upper1251(Name(key)) + ".x"; }
std::string L(std::string_view key) { return Lower1251(W(key)); }
std::string P(std::string_view key) { return ExpandPath(L(key), kPaths); }
TDynamicStringArray List(std::string_view key) { return {Upper1251(Name(key)) + "1", Upper1251(Name(key)) + "2"}; }

std::string Line(const KeyInfo& k) {
  using enum ValueKind;
  const std::string key = k.key.ends_with('=') ? std::string(k.key) : std::string(k.key) + "=";
  switch (k.kind) {
    case kInt:
    case kWordOrInt: return key + std::to_string(N(k.key));
    case kColor: return key + std::to_string(RedOf(C(k.key))) + "," + std::to_string(GreenOf(C(k.key))) + "," +
                        std::to_string(BlueOf(C(k.key)));
    case kList: return key + "[" + List(k.key)[0] + ";" + List(k.key)[1] + "]";
    case kOn:
    case kLowerOn: return key + "On";
    case kStyle: return key + "Bold underline";
    default: return key + W(k.key);
  }
}

template <class R>
TDynamicStringArray Block(std::string_view word, BlockKeys<R> keys) {
  TDynamicStringArray lines{"1 " + std::string(word)};
  // Reversed, so that "name" comes after "textfontname", which holds it.
  for (auto k = keys.rbegin(); k != keys.rend(); ++k)
    if (k->need == Need::kOptional) lines.push_back(Line(*k));
  for (const KeyRule<R>& k : keys)
    if (k.need == Need::kRequired) lines.push_back(Line(k));
  return lines;
}

// The record of the one block of `word`, walked by its kind's table.
template <class R, class Kind>
R Read(std::span<const Kind> kinds, std::string_view word) {
  for (const Kind& kind : kinds)
    if (kind.word == word) {
      const BlockKeys<R> keys = std::get<BlockKeys<R>>(kind.keys);
      const TDynamicStringArray lines = Block(word, keys);
      const TDynamicStringArray lower = LowerLines(lines);
      R r;
      std::size_t index = 0;
      EXPECT_EQ(WalkBlock(LinesFor(BlockLines{lines, lower}, kind.search), index, keys, r, kPaths), "") << word;
      EXPECT_EQ(index, lines.size()) << word;
      return r;
    }
  ADD_FAILURE() << "no kind " << word;
  return R{};
}

template <class R>
R Shell(std::string_view word) {
  for (const ShellKind& kind : ShellKinds())
    if (kind.word == word) {
      TElementModel m;
      ReadElements(Block(word, std::get<BlockKeys<R>>(kind.keys)), kPaths, m);
      if constexpr (std::is_same_v<R, RBtn>) return m.Buttons.at(0).at(0);
      if constexpr (std::is_same_v<R, RSwthOne>) return m.SingleSwitches.at(0).at(0);
      if constexpr (std::is_same_v<R, RSwthGrp>) return m.GroupSwitches.at(0).at(0);
      if constexpr (std::is_same_v<R, RPopupData>) return m.PopupData.at(0).at(0);
      if constexpr (std::is_same_v<R, RPathInput>) return m.inputBoxes.at(0);
      if constexpr (std::is_same_v<R, RClip>) return m.clips.at(0);
      if constexpr (std::is_same_v<R, RText>) return m.texts.at(0);
      if constexpr (std::is_same_v<R, RTreeData>) return m.trees.at(0);
    }
  ADD_FAILURE() << "no kind " << word;
  return R{};
}

template <class R>
void ExpectPictures(const R& r, std::size_t count, std::string (*as)(std::string_view)) {
  for (std::size_t i = 0; i < count; ++i) EXPECT_EQ(r.fn[i], as("fn" + std::to_string(i + 1))) << i;
}
template <class R>
void ExpectPlace(const R& r) {
  EXPECT_EQ(std::tuple(r.left, r.top), std::tuple(N("vx"), N("vy")));
}

TEST(ShellSchema, EveryKeyLandsInItsField) {
  const RBtn b = Shell<RBtn>("button");
  ExpectPlace(b);
  ExpectPictures(b, 7, W);
  EXPECT_EQ(std::tuple(b.command, b.hint, b.sound, b.name), std::tuple(W("go="), W("hint"), W("wav"), W("name")));
  EXPECT_EQ(std::tuple(b.textLeft, b.textTop, b.textRight, b.textBottom, b.textFontSize),
            std::tuple(N("texttx"), N("textty"), N("textbx"), N("textby"), N("textfontsize")));
  EXPECT_EQ(std::tuple(b.textFontName, b.textFontStyle, b.textFontColor),
            std::tuple(W("textfontname"), unsigned(kFontUnderline), C("textfontcolor")));

  const RSwthOne one = Shell<RSwthOne>("switchone");
  ExpectPlace(one);
  ExpectPictures(one, 4, W);
  EXPECT_EQ(std::tuple(one.on, one.store), std::tuple(false, false));  // "On" is not "on" here
  EXPECT_EQ(std::tuple(one.goUp, one.goDown, one.hint, one.sound),
            std::tuple(ExpandPath(W("goup"), kPaths), ExpandPath(W("godown"), kPaths), W("hint"), W("wav")));

  const RSwthGrp grp = Shell<RSwthGrp>("switchgrp");
  ExpectPlace(grp);
  ExpectPictures(grp, 4, W);
  EXPECT_EQ(std::tuple(grp.group, grp.command, grp.hint, grp.sound),
            std::tuple(N("group"), ExpandPath(W("go"), kPaths), W("hint"), W("wav")));

  const RPathInput in = Shell<RPathInput>("_path");
  ExpectPlace(in);
  EXPECT_EQ(std::tuple(in.right, in.bottom, in.defaultText, in.hint, in.fontName, in.fontStyle, in.sound),
            std::tuple(N("vw"), N("vh"), W("pathdef"), W("hint"), W("textfontname"), unsigned(kFontUnderline),
                       W("wav")));
  EXPECT_EQ(std::tuple(in.fontColor, in.bgColor), std::tuple(C("textfontcolor"), C("bgcolor")));

  const RClip clip = Shell<RClip>("_clip");
  ExpectPlace(clip);
  EXPECT_EQ(std::tuple(clip.right, clip.bottom, clip.bgColor, clip.html),
            std::tuple(N("vw"), N("vh"), C("bgcolor"), N("html")));

  const RText t = Shell<RText>("_text");
  ExpectPlace(t);
  EXPECT_EQ(std::tuple(t.right, t.bottom, t.fontSize, t.number), std::tuple(N("vw"), N("vh"), N("size"), N("number")));
  EXPECT_EQ(std::tuple(t.fontName, t.fontStyle, t.text, t.ident, t.hint),
            std::tuple(W("font"), W("style"), W("value"), W("ident"), W("hint")));
  EXPECT_EQ(std::tuple(t.fontColor, t.highlightColor), std::tuple(C("color"), C("hltextcl")));

  const RPopupData p = Shell<RPopupData>("_popup");
  EXPECT_EQ(std::tuple(p.bgLeft, p.bgTop, p.itemLeft, p.itemTop, p.kind),
            std::tuple(N("xfon"), N("yfon"), N("xbtn"), N("ybtn"), N("type")));
  EXPECT_EQ(std::tuple(p.bgPicture, p.parent), std::tuple(W("fnfon"), W("parent")));
  EXPECT_EQ(std::tuple(p.picturesUp, p.picturesMove, p.picturesDown, p.captions, p.commands, p.vertex),
            std::tuple(List("fnbtnup"), List("fnbtnmove"), List("fnbtndown"), List("caption"), List("go"),
                       List("vertex")));
  for (const auto& [slot, s] : {std::pair{kPopupUp, "up"}, std::pair{kPopupMove, "mv"}}) {
    const std::string x(s);
    EXPECT_EQ(std::tuple(p.fontName[slot], p.fontSize[slot], p.fontStyle[slot], p.fontColor[slot]),
              std::tuple(W("font" + x), N("size" + x), W("style" + x), C("color" + x)));
  }

  const RTreeData tr = Shell<RTreeData>("_tree");
  ExpectPlace(tr);
  EXPECT_EQ(std::tuple(tr.right, tr.bottom, tr.number, tr.listFile, tr.backgroundImage),
            std::tuple(N("vw"), N("vh"), N("number"), W("fnlist"), W("backgroundimage")));
  EXPECT_EQ(std::tuple(tr.selectColor, tr.selectTextColor, tr.hintColor, tr.hintTextColor),
            std::tuple(C("selectcolor"), C("selectcolortext"), C("hintcolor"), C("hinttextcolor")));
  EXPECT_EQ(std::tuple(tr.sbColor, tr.sbBarColor, tr.sbArrowColor, tr.sbArrowHotTrackColor, tr.sbHintColor,
                       tr.sbBarHintTextColor),
            std::tuple(C("sbcolor"), C("sbbarcolor"), C("sbarrowcolor"), C("sbarrowhottrackcolor"), C("sbhintcolor"),
                       C("sbbarhinttextcolor")));
  for (const auto& [slot, s] : {std::pair{kTreeUp, "up"}, std::pair{kTreeMove, "mv"}, std::pair{kTreeNormal, "nm"}}) {
    const std::string x(s);
    EXPECT_EQ(std::tuple(tr.fontName[slot], tr.fontSize[slot], tr.fontStyle[slot], tr.fontColor[slot]),
              std::tuple(W("font" + x), N("size" + x), W("style" + x), C("color" + x)));
  }
}

TEST(DialogSchema, EveryKeyLandsInItsFieldWithItsLetterCase) {
  const auto kinds = DialogKinds();
  const RText t = Read<RText>(kinds, "_text");
  ExpectPlace(t);
  EXPECT_EQ(std::tuple(t.right, t.fontName, t.fontSize, t.fontStyle, t.fontColor, t.text),
            std::tuple(N("vw"), W("font"), N("size"), L("style"), C("color"), W("value")));

  const RDialogBtn b = Read<RDialogBtn>(kinds, "_button");
  ExpectPlace(b);
  ExpectPictures(b, 3, W);
  EXPECT_EQ(std::tuple(b.fn[3], b.name, b.align, b.command, b.hint, b.sound),
            std::tuple(L("fn4"), L("name"), L("align"), L("go="), W("hint"), L("wav")));

  const RSwthGrp s = Read<RSwthGrp>(kinds, "switchgrp");
  ExpectPlace(s);
  ExpectPictures(s, 4, W);
  EXPECT_EQ(std::tuple(s.on, s.store, s.group, s.command, s.hint, s.sound),
            std::tuple(true, false, N("group"), P("go"), W("hint"), L("wav")));

  const RDialogBox box = Read<RDialogBox>(kinds, "_path");
  ExpectPlace(box);
  EXPECT_EQ(std::tuple(box.right, box.bottom, box.defaultText, box.hint, box.fontName, box.name, box.sound),
            std::tuple(N("vw"), N("vh"), W("pathdef"), W("hint"), W("textfontname"), W("name"), W("wav")));
  EXPECT_EQ(std::tuple(box.fontStyle, box.fontColor, box.bgColor),
            std::tuple(unsigned(kFontUnderline), C("textfontcolor"), C("bgcolor")));
}

TEST(OptionsSchema, EveryKeyLandsInItsFieldWithCommandsInLowerCase) {
  const auto kinds = OptionsKinds();
  const RText t = Read<RText>(kinds, "_text");
  ExpectPlace(t);
  EXPECT_EQ(std::tuple(t.right, t.fontName, t.fontSize, t.fontStyle, t.fontColor, t.text),
            std::tuple(N("vw"), W("font"), N("size"), L("style"), C("color"), W("value")));

  const RBtn b = Read<RBtn>(kinds, "_button");
  ExpectPlace(b);
  ExpectPictures(b, 3, W);
  EXPECT_EQ(std::tuple(b.command, b.hint, b.sound), std::tuple(L("go"), W("hint"), L("wav")));

  const RSwthOne one = Read<RSwthOne>(kinds, "switchone");
  ExpectPlace(one);
  ExpectPictures(one, 4, W);
  EXPECT_EQ(std::tuple(one.on, one.store, one.goUp, one.goDown, one.hint, one.sound),
            std::tuple(true, true, P("goup"), P("godown"), W("hint"), L("wav")));

  const RSwthGrp grp = Read<RSwthGrp>(kinds, "switchgrp");
  ExpectPlace(grp);
  ExpectPictures(grp, 4, W);
  EXPECT_EQ(std::tuple(grp.on, grp.store, grp.group, grp.command, grp.hint, grp.sound),
            std::tuple(true, true, N("group"), P("go"), W("hint"), L("wav")));
}

TEST(AboutSchema, EveryKeyLandsInItsFieldWithLinksInLowerCase) {
  const auto kinds = AboutKinds();
  const RText t = Read<RText>(kinds, "text");
  ExpectPlace(t);
  EXPECT_EQ(std::tuple(t.fontName, t.fontSize, t.fontStyle, t.fontColor, t.text, t.ident, t.sound),
            std::tuple(W("font"), N("size"), L("style"), C("color"), W("value"), L("idenf"), L("wav")));

  const RBtn b = Read<RBtn>(kinds, "button");
  ExpectPlace(b);
  ExpectPictures(b, 2, W);
  EXPECT_EQ(std::tuple(b.hint, b.sound), std::tuple(W("hint"), L("wav")));
}

}  // namespace
}  // namespace trv
