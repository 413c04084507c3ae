#include "script/ShellSchema.h"

#include "script/SkinKeys.h"

namespace trv {
namespace {

using enum ValueKind;
using enum Need;

constexpr auto kButtonKeys = Join(PlaceAndPictures<RBtn, 4>(), std::to_array<KeyRule<RBtn>>({
    Key<kTextRightAfter, &RBtn::command>("go="),  // commands keep their text: no path rules
    Key<kText, &RBtn::hint>("hint"),
    Key<kText, &RBtn::sound>("wav"),
    Key<kText, &RBtn::name>("name", kOptional),
    Key<kInt, &RBtn::textLeft>("texttx", kOptional),
    Key<kInt, &RBtn::textTop>("textty", kOptional),
    Key<kInt, &RBtn::textRight>("textbx", kOptional),
    Key<kInt, &RBtn::textBottom>("textby", kOptional),
    Key<kText, &RBtn::textFontName>("textfontname", kOptional),
    Key<kInt, &RBtn::textFontSize>("textfontsize", kOptional),
    Key<kStyle, &RBtn::textFontStyle>("textfontstyle", kOptional),
    Key<kColor, &RBtn::textFontColor>("textfontcolor", kOptional),
    Key<kText, &RBtn::fn, 4>("fn5", kOptional),
    Key<kText, &RBtn::fn, 5>("fn6", kOptional),
    Key<kText, &RBtn::fn, 6>("fn7", kOptional),
}));

constexpr auto kSwitchOneKeys = Join(PlaceAndPictures<RSwthOne, 4>(), std::to_array<KeyRule<RSwthOne>>({
    Key<kOn, &RSwthOne::on>("state"),
    Key<kOn, &RSwthOne::store>("store"),
    Key<kPath, &RSwthOne::goUp>("goup"),
    Key<kPath, &RSwthOne::goDown>("godown"),
    Key<kText, &RSwthOne::hint>("hint"),
    Key<kText, &RSwthOne::sound>("wav"),
}));

constexpr auto kSwitchGroupKeys = Join(PlaceAndPictures<RSwthGrp, 4>(), std::to_array<KeyRule<RSwthGrp>>({
    Key<kOn, &RSwthGrp::on>("state"),
    Key<kOn, &RSwthGrp::store>("store"),
    Key<kInt, &RSwthGrp::group>("group"),
    Key<kPath, &RSwthGrp::command>("go"),
    Key<kText, &RSwthGrp::hint>("hint"),
    Key<kText, &RSwthGrp::sound>("wav"),
}));

constexpr auto kPathKeys = Join(InputBoxKeys<RPathInput>(), std::to_array<KeyRule<RPathInput>>({
    Key<kText, &RPathInput::sound>("wav", kOptional),
}));

constexpr KeyRule<RClip> kClipKeys[] = {
    Key<kInt, &RClip::left>("vx"),   Key<kInt, &RClip::top>("vy"),         Key<kInt, &RClip::right>("vw"),
    Key<kInt, &RClip::bottom>("vh"), Key<kColor, &RClip::bgColor>("bgcolor"), Key<kInt, &RClip::html>("html"),
};

constexpr KeyRule<RText> kTextKeys[] = {
    Key<kInt, &RText::left>("vx"),
    Key<kInt, &RText::top>("vy"),
    Key<kInt, &RText::right>("vw"),
    Key<kInt, &RText::bottom>("vh"),
    Key<kText, &RText::fontName>("font"),
    Key<kInt, &RText::fontSize>("size"),
    Key<kText, &RText::fontStyle>("style"),
    Key<kColor, &RText::fontColor>("color"),
    Key<kText, &RText::text>("value"),
    Key<kText, &RText::ident>("ident"),
    Key<kInt, &RText::number>("number"),
    Key<kColor, &RText::highlightColor>("hltextcl", kOptional),
    Key<kText, &RText::hint>("hint", kOptional),
};

// A popup's "type" is a word, or else the number written.
void StorePopupKind(RPopupData& r, KeyRead& v) {
  struct Named {
    std::string_view word;
    std::int32_t kind;
  };
  static constexpr Named kNamed[] = {
      {"historyback", kPopupHistoryBack}, {"historyforward", kPopupHistoryForward},
      {"favorite", kPopupFavorite},       {"contexthtml", kPopupContextHtml},
      {"htmlvisited", kPopupHtmlVisited}, {"registeredusers", kPopupRegisteredUsers},
  };
  r.kind = v.number;
  for (const Named& n : kNamed)
    if (v.text == n.word) r.kind = n.kind;
}

constexpr KeyRule<RPopupData> kPopupKeys[] = {
    Key<kInt, &RPopupData::bgLeft>("xfon"),
    Key<kInt, &RPopupData::bgTop>("yfon"),
    Key<kText, &RPopupData::bgPicture>("fnfon"),
    Key<kInt, &RPopupData::itemLeft>("xbtn"),
    Key<kInt, &RPopupData::itemTop>("ybtn"),
    Key<kList, &RPopupData::picturesUp>("fnbtnup"),
    Key<kList, &RPopupData::picturesMove>("fnbtnmove"),
    Key<kList, &RPopupData::picturesDown>("fnbtndown"),
    Key<kText, &RPopupData::fontName, kPopupUp>("fontup"),
    Key<kInt, &RPopupData::fontSize, kPopupUp>("sizeup"),
    Key<kText, &RPopupData::fontStyle, kPopupUp>("styleup"),
    Key<kColor, &RPopupData::fontColor, kPopupUp>("colorup"),
    Key<kText, &RPopupData::fontName, kPopupMove>("fontmv"),
    Key<kInt, &RPopupData::fontSize, kPopupMove>("sizemv"),
    Key<kText, &RPopupData::fontStyle, kPopupMove>("stylemv"),
    Key<kColor, &RPopupData::fontColor, kPopupMove>("colormv"),
    Key<kList, &RPopupData::captions>("caption"),
    Key<kList, &RPopupData::commands>("go"),
    Key<kText, &RPopupData::parent>("parent"),
    KeyRule<RPopupData>{{"type", kWordOrInt}, &StorePopupKind},
    Key<kList, &RPopupData::vertex>("vertex"),
};

constexpr KeyRule<RTreeData> kTreeKeys[] = {
    Key<kInt, &RTreeData::left>("vx"),
    Key<kInt, &RTreeData::top>("vy"),
    Key<kInt, &RTreeData::right>("vw"),
    Key<kInt, &RTreeData::bottom>("vh"),
    Key<kColor, &RTreeData::selectColor>("selectcolor"),
    Key<kColor, &RTreeData::selectTextColor>("selectcolortext"),
    Key<kText, &RTreeData::listFile>("fnlist"),
    Key<kInt, &RTreeData::number>("number"),
    Key<kText, &RTreeData::backgroundImage>("backgroundimage"),
    Key<kText, &RTreeData::fontName, kTreeUp>("fontup"),
    Key<kInt, &RTreeData::fontSize, kTreeUp>("sizeup"),
    Key<kText, &RTreeData::fontStyle, kTreeUp>("styleup"),
    Key<kColor, &RTreeData::fontColor, kTreeUp>("colorup"),
    Key<kText, &RTreeData::fontName, kTreeMove>("fontmv"),
    Key<kInt, &RTreeData::fontSize, kTreeMove>("sizemv"),
    Key<kText, &RTreeData::fontStyle, kTreeMove>("stylemv"),
    Key<kColor, &RTreeData::fontColor, kTreeMove>("colormv"),
    Key<kText, &RTreeData::fontName, kTreeNormal>("fontnm"),
    Key<kInt, &RTreeData::fontSize, kTreeNormal>("sizenm"),
    Key<kText, &RTreeData::fontStyle, kTreeNormal>("stylenm"),
    Key<kColor, &RTreeData::fontColor, kTreeNormal>("colornm"),
    Key<kColor, &RTreeData::sbColor>("sbcolor"),
    Key<kColor, &RTreeData::sbBarColor>("sbbarcolor"),
    Key<kColor, &RTreeData::sbArrowColor>("sbarrowcolor"),
    Key<kColor, &RTreeData::sbArrowHotTrackColor>("sbarrowhottrackcolor"),
    Key<kColor, &RTreeData::sbHintColor>("sbhintcolor"),
    Key<kColor, &RTreeData::sbBarHintTextColor>("sbbarhinttextcolor"),
    Key<kColor, &RTreeData::hintColor>("hintcolor"),
    Key<kColor, &RTreeData::hintTextColor>("hinttextcolor"),
};

constexpr ShellKind kKinds[] = {
    {"button", ShellBlock::kButton, BlockKeys<RBtn>(kButtonKeys)},
    {"switchone", ShellBlock::kSwitchOne, BlockKeys<RSwthOne>(kSwitchOneKeys)},
    {"switchgrp", ShellBlock::kSwitchGroup, BlockKeys<RSwthGrp>(kSwitchGroupKeys)},
    {"_path", ShellBlock::kPath, BlockKeys<RPathInput>(kPathKeys)},
    {"_clip", ShellBlock::kClip, BlockKeys<RClip>(kClipKeys)},
    {"_text", ShellBlock::kText, BlockKeys<RText>(kTextKeys)},
    {"_popup", ShellBlock::kPopup, BlockKeys<RPopupData>(kPopupKeys)},
    {"_tree", ShellBlock::kTree, BlockKeys<RTreeData>(kTreeKeys)},
    // The picture starts one character past "screen" and its "=": for
    // "_screen=pics\fon.bmp" that is just after the "=".
    {"_screen", ShellBlock::kScreen, KeyInfo{"screen", kText}},
    {"hintcolor", ShellBlock::kHintColor, KeyInfo{"hintcolor", kColor}, LineCase::kAsWritten, WordAt::kLineStart},
};

}  // namespace

std::span<const ShellKind> ShellKinds() { return kKinds; }

}  // namespace trv
