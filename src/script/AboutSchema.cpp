#include "script/AboutSchema.h"

namespace trv {
namespace {

using enum ValueKind;

constexpr KeyRule<RText> kTextKeys[] = {
    Key<kInt, &RText::left>("vx"),
    Key<kInt, &RText::top>("vy"),
    Key<kText, &RText::fontName>("font"),
    Key<kInt, &RText::fontSize>("size"),
    Key<kLowerText, &RText::fontStyle>("style"),
    Key<kColor, &RText::fontColor>("color"),
    Key<kText, &RText::text>("value"),
    Key<kLowerText, &RText::ident>("idenf"),
    Key<kLowerText, &RText::sound>("wav"),
};

constexpr KeyRule<RBtn> kButtonKeys[] = {
    Key<kInt, &RBtn::left>("vx"),    Key<kInt, &RBtn::top>("vy"),         Key<kText, &RBtn::fn, 0>("fn1"),
    Key<kText, &RBtn::fn, 1>("fn2"), Key<kText, &RBtn::hint>("hint"),     Key<kLowerText, &RBtn::sound>("wav"),
};

constexpr AboutKind kKinds[] = {
    {"text", AboutBlock::kText, BlockKeys<RText>(kTextKeys), LineCase::kLowered},
    {"button", AboutBlock::kButton, BlockKeys<RBtn>(kButtonKeys), LineCase::kLowered},
};

}  // namespace

std::span<const AboutKind> AboutKinds() { return kKinds; }

}  // namespace trv
