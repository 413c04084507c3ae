#include "script/DialogSchema.h"

namespace trv {
namespace {

using enum ValueKind;
using enum Need;

constexpr KeyRule<RText> kTextKeys[] = {
    Key<kInt, &RText::left>("vx"),           Key<kInt, &RText::top>("vy"),
    Key<kInt, &RText::right>("vw"),          Key<kText, &RText::fontName>("font"),
    Key<kInt, &RText::fontSize>("size"),     Key<kLowerText, &RText::fontStyle>("style"),
    Key<kColor, &RText::fontColor>("color"), Key<kText, &RText::text>("value"),
};

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

constexpr KeyRule<RSwthGrp> kSwitchKeys[] = {
    Key<kInt, &RSwthGrp::left>("vx"),
    Key<kInt, &RSwthGrp::top>("vy"),
    Key<kText, &RSwthGrp::fn, 0>("fn1"),
    Key<kText, &RSwthGrp::fn, 1>("fn2"),
    Key<kText, &RSwthGrp::fn, 2>("fn3"),
    Key<kText, &RSwthGrp::fn, 3>("fn4"),
    Key<kLowerOn, &RSwthGrp::on>("state"),
    Key<kOn, &RSwthGrp::store>("store"),  // compared as written
    Key<kInt, &RSwthGrp::group>("group"),
    Key<kLowerPath, &RSwthGrp::command>("go"),
    Key<kText, &RSwthGrp::hint>("hint"),
    Key<kLowerText, &RSwthGrp::sound>("wav"),
};

// Searched as written, and nothing is lower-cased: "Bold" is no bold style.
constexpr KeyRule<RDialogBox> kBoxKeys[] = {
    Key<kInt, &RPathInput::left>("vx"),
    Key<kInt, &RPathInput::top>("vy"),
    Key<kInt, &RPathInput::right>("vw"),
    Key<kInt, &RPathInput::bottom>("vh"),
    Key<kText, &RPathInput::defaultText>("pathdef"),
    Key<kText, &RPathInput::hint>("hint"),
    Key<kText, &RPathInput::fontName>("textfontname"),
    Key<kStyle, &RPathInput::fontStyle>("textfontstyle"),
    Key<kColor, &RPathInput::fontColor>("textfontcolor"),
    Key<kColor, &RPathInput::bgColor>("bgcolor"),
    Key<kText, &RDialogBox::name>("name"),
    Key<kText, &RPathInput::sound>("wav"),
};

constexpr DialogKind kKinds[] = {
    // The picture starts one character past "picture" and its "=".
    {"_picture", DialogBlock::kPicture, KeyInfo{"picture", kText}, LineCase::kLowered},
    {"_text", DialogBlock::kText, BlockKeys<RText>(kTextKeys), LineCase::kLowered},
    {"_button", DialogBlock::kButton, BlockKeys<RDialogBtn>(kButtonKeys), LineCase::kLowered},
    {"switchgrp", DialogBlock::kSwitch, BlockKeys<RSwthGrp>(kSwitchKeys), LineCase::kLowered},
    {"_path", DialogBlock::kBox, BlockKeys<RDialogBox>(kBoxKeys), LineCase::kAsWritten},
};

}  // namespace

std::span<const DialogKind> DialogKinds() { return kKinds; }

}  // namespace trv
