#include "script/DialogSchema.h"

#include "script/SkinKeys.h"

namespace trv {
namespace {

using enum ValueKind;
using enum Need;

constexpr KeyRule<RDialogBtn> kButtonKeys[] = {
    Key<kInt, &RBtn::left>("vx"),
    Key<kInt, &RBtn::top>("vy"),
    Key<kLowerText, &RDialogBtn::align>("align"),
    Key<kText, &RBtn::fn, 0>("fn1"),
    Key<kText, &RBtn::fn, 1>("fn2"),
    Key<kText, &RBtn::fn, 2>("fn3"),
    Key<kLowerTextRightAfter, &RBtn::command>("go="),
    Key<kText, &RBtn::hint>("hint"),
    Key<kLowerText, &RBtn::sound>("wav"),
    Key<kLowerText, &RBtn::name>("name", kOptional),
    Key<kLowerText, &RBtn::fn, 3>("fn4", kOptional),
};

constexpr auto kSwitchKeys = Join(PlaceAndPictures<RSwthGrp, 4>(), std::to_array<KeyRule<RSwthGrp>>({
    Key<kLowerOn, &RSwthGrp::on>("state"),
    Key<kOn, &RSwthGrp::store>("store"),  // compared as written
    Key<kInt, &RSwthGrp::group>("group"),
    Key<kLowerPath, &RSwthGrp::command>("go"),
    Key<kText, &RSwthGrp::hint>("hint"),
    Key<kLowerText, &RSwthGrp::sound>("wav"),
}));

// Searched as written, and nothing is lower-cased.
constexpr auto kBoxKeys = Join(InputBoxKeys<RDialogBox>(), std::to_array<KeyRule<RDialogBox>>({
    Key<kText, &RDialogBox::name>("name"),
    Key<kText, &RPathInput::sound>("wav"),
}));

constexpr DialogKind kKinds[] = {
    // The picture starts one character past "picture" and its "=".
    {"_picture", DialogBlock::kPicture, KeyInfo{"picture", kText}, LineCase::kLowered},
    {"_text", DialogBlock::kText, BlockKeys<RText>(kWindowTextKeys), LineCase::kLowered},
    {"_button", DialogBlock::kButton, BlockKeys<RDialogBtn>(kButtonKeys), LineCase::kLowered},
    {"switchgrp", DialogBlock::kSwitch, BlockKeys<RSwthGrp>(kSwitchKeys), LineCase::kLowered},
    {"_path", DialogBlock::kBox, BlockKeys<RDialogBox>(kBoxKeys), LineCase::kAsWritten},
};

}  // namespace

std::span<const DialogKind> DialogKinds() { return kKinds; }

}  // namespace trv
