#include "script/AboutSchema.h"

#include "script/SkinKeys.h"

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

constexpr auto kButtonKeys = Join(PlaceAndPictures<RBtn, 2>(), std::to_array<KeyRule<RBtn>>({
    Key<kText, &RBtn::hint>("hint"),
    Key<kLowerText, &RBtn::sound>("wav"),
}));

constexpr AboutKind kKinds[] = {
    {"text", AboutBlock::kText, BlockKeys<RText>(kTextKeys), LineCase::kLowered},
    {"button", AboutBlock::kButton, BlockKeys<RBtn>(kButtonKeys), LineCase::kLowered},
};

}  // namespace

std::span<const AboutKind> AboutKinds() { return kKinds; }

}  // namespace trv
