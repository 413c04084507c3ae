#include "script/OptionsSchema.h"

namespace trv {
namespace {

using enum ValueKind;

constexpr KeyRule<RText> kTextKeys[] = {
    Key<kInt, &RText::left>("vx"),           Key<kInt, &RText::top>("vy"),
    Key<kInt, &RText::right>("vw"),          Key<kText, &RText::fontName>("font"),
    Key<kInt, &RText::fontSize>("size"),     Key<kLowerText, &RText::fontStyle>("style"),
    Key<kColor, &RText::fontColor>("color"), Key<kText, &RText::text>("value"),
};

constexpr KeyRule<RBtn> kButtonKeys[] = {
    Key<kInt, &RBtn::left>("vx"),       Key<kInt, &RBtn::top>("vy"),         Key<kText, &RBtn::fn, 0>("fn1"),
    Key<kText, &RBtn::fn, 1>("fn2"),    Key<kText, &RBtn::fn, 2>("fn3"),     Key<kLowerText, &RBtn::command>("go"),
    Key<kText, &RBtn::hint>("hint"),    Key<kLowerText, &RBtn::sound>("wav"),
};

constexpr KeyRule<RSwthOne> kSwitchOneKeys[] = {
    Key<kInt, &RSwthOne::left>("vx"),
    Key<kInt, &RSwthOne::top>("vy"),
    Key<kText, &RSwthOne::fn, 0>("fn1"),
    Key<kText, &RSwthOne::fn, 1>("fn2"),
    Key<kText, &RSwthOne::fn, 2>("fn3"),
    Key<kText, &RSwthOne::fn, 3>("fn4"),
    Key<kLowerOn, &RSwthOne::on>("state"),
    Key<kLowerOn, &RSwthOne::store>("store"),
    Key<kLowerPath, &RSwthOne::goUp>("goup"),
    Key<kLowerPath, &RSwthOne::goDown>("godown"),
    Key<kText, &RSwthOne::hint>("hint"),
    Key<kLowerText, &RSwthOne::sound>("wav"),
};

constexpr KeyRule<RSwthGrp> kSwitchGroupKeys[] = {
    Key<kInt, &RSwthGrp::left>("vx"),
    Key<kInt, &RSwthGrp::top>("vy"),
    Key<kText, &RSwthGrp::fn, 0>("fn1"),
    Key<kText, &RSwthGrp::fn, 1>("fn2"),
    Key<kText, &RSwthGrp::fn, 2>("fn3"),
    Key<kText, &RSwthGrp::fn, 3>("fn4"),
    Key<kLowerOn, &RSwthGrp::on>("state"),
    Key<kLowerOn, &RSwthGrp::store>("store"),
    Key<kInt, &RSwthGrp::group>("group"),
    Key<kLowerPath, &RSwthGrp::command>("go"),
    Key<kText, &RSwthGrp::hint>("hint"),
    Key<kLowerText, &RSwthGrp::sound>("wav"),
};

constexpr OptionsKind kKinds[] = {
    // The picture starts one character past "_picture".
    {"_picture", OptionsBlock::kPicture, KeyInfo{"_picture", kText}, LineCase::kLowered},
    {"_text", OptionsBlock::kText, BlockKeys<RText>(kTextKeys), LineCase::kLowered},
    {"_button", OptionsBlock::kButton, BlockKeys<RBtn>(kButtonKeys), LineCase::kLowered},
    {"switchone", OptionsBlock::kSwitchOne, BlockKeys<RSwthOne>(kSwitchOneKeys), LineCase::kLowered},
    {"switchgrp", OptionsBlock::kSwitchGroup, BlockKeys<RSwthGrp>(kSwitchGroupKeys), LineCase::kLowered},
};

}  // namespace

std::span<const OptionsKind> OptionsKinds() { return kKinds; }

}  // namespace trv
