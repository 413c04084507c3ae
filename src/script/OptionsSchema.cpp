#include "script/OptionsSchema.h"

#include "script/SkinKeys.h"

namespace trv {
namespace {

using enum ValueKind;

constexpr auto kButtonKeys = Join(PlaceAndPictures<RBtn, 3>(), std::to_array<KeyRule<RBtn>>({
    Key<kLowerText, &RBtn::command>("go"),
    Key<kText, &RBtn::hint>("hint"),
    Key<kLowerText, &RBtn::sound>("wav"),
}));

constexpr auto kSwitchOneKeys = Join(PlaceAndPictures<RSwthOne, 4>(), std::to_array<KeyRule<RSwthOne>>({
    Key<kLowerOn, &RSwthOne::on>("state"),
    Key<kLowerOn, &RSwthOne::store>("store"),
    Key<kLowerPath, &RSwthOne::goUp>("goup"),
    Key<kLowerPath, &RSwthOne::goDown>("godown"),
    Key<kText, &RSwthOne::hint>("hint"),
    Key<kLowerText, &RSwthOne::sound>("wav"),
}));

constexpr auto kSwitchGroupKeys = Join(PlaceAndPictures<RSwthGrp, 4>(), std::to_array<KeyRule<RSwthGrp>>({
    Key<kLowerOn, &RSwthGrp::on>("state"),
    Key<kLowerOn, &RSwthGrp::store>("store"),
    Key<kInt, &RSwthGrp::group>("group"),
    Key<kLowerPath, &RSwthGrp::command>("go"),
    Key<kText, &RSwthGrp::hint>("hint"),
    Key<kLowerText, &RSwthGrp::sound>("wav"),
}));

constexpr OptionsKind kKinds[] = {
    // The picture starts one character past "_picture".
    {"_picture", OptionsBlock::kPicture, KeyInfo{"_picture", kText}, LineCase::kLowered},
    {"_text", OptionsBlock::kText, BlockKeys<RText>(kWindowTextKeys), LineCase::kLowered},
    {"_button", OptionsBlock::kButton, BlockKeys<RBtn>(kButtonKeys), LineCase::kLowered},
    {"switchone", OptionsBlock::kSwitchOne, BlockKeys<RSwthOne>(kSwitchOneKeys), LineCase::kLowered},
    {"switchgrp", OptionsBlock::kSwitchGroup, BlockKeys<RSwthGrp>(kSwitchGroupKeys), LineCase::kLowered},
};

}  // namespace

std::span<const OptionsKind> OptionsKinds() { return kKinds; }

}  // namespace trv
