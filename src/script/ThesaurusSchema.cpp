#include "script/ThesaurusSchema.h"

#include "script/SkinKeys.h"

namespace trv {
namespace {

using enum ValueKind;
using enum Need;

constexpr auto kButtonKeys = Join(PlaceAndPictures<RBtn, 3>(), std::to_array<KeyRule<RBtn>>({
    Key<kTextRightAfter, &RBtn::command>("go="),
    Key<kText, &RBtn::hint>("hint"),
    Key<kText, &RBtn::sound>("wav"),
}));

constexpr auto kWindowButtonKeys = Join(PlaceAndPictures<RBtn, 3>(), std::to_array<KeyRule<RBtn>>({
    Key<kText, &RBtn::hint>("hint"),
    Key<kText, &RBtn::sound>("wav"),
}));

constexpr KeyRule<RText> kTextKeys[] = {
    Key<kInt, &RText::left>("vx"),
    Key<kInt, &RText::top>("vy"),
    Key<kInt, &RText::right>("vw"),
    Key<kInt, &RText::bottom>("vh", kOptional),
    Key<kText, &RText::fontName>("font"),
    Key<kInt, &RText::fontSize>("size"),
    Key<kText, &RText::fontStyle>("style"),
    Key<kColor, &RText::fontColor>("color"),
    Key<kText, &RText::text>("value"),
    Key<kText, &RText::ident>("ident"),
    Key<kInt, &RText::number>("number"),
};

constexpr ShellKind kKinds[] = {
    {"button", ShellBlock::kButton, BlockKeys<RBtn>(kButtonKeys)},
    {"_text", ShellBlock::kText, BlockKeys<RText>(kTextKeys)},
    {"_screen", ShellBlock::kScreen, KeyInfo{"screen", kText}},
};

}  // namespace

std::span<const ShellKind> ThesaurusKinds() { return kKinds; }

BlockKeys<RBtn> ThesaurusWindowButtonKeys() { return BlockKeys<RBtn>(kWindowButtonKeys); }

}  // namespace trv
