#pragma once

#include <array>
#include <cstddef>
#include <string_view>
#include <utility>

#include "script/BlockSchema.h"
#include "script/ShellElements.h"

// Rows that several scripts' tables share word for word.
namespace trv {

// A kind's table: the shared rows first, then its own.
template <class R, std::size_t A, std::size_t B>
consteval std::array<KeyRule<R>, A + B> Join(const std::array<KeyRule<R>, A>& first,
                                             const std::array<KeyRule<R>, B>& then) {
  std::array<KeyRule<R>, A + B> keys{};
  for (std::size_t i = 0; i < A; ++i) keys[i] = first[i];
  for (std::size_t i = 0; i < B; ++i) keys[A + i] = then[i];
  return keys;
}

namespace schema_detail {

inline constexpr std::string_view kPictureKeys[] = {"fn1", "fn2", "fn3", "fn4", "fn5", "fn6", "fn7"};

template <class R, std::size_t... I>
consteval std::array<KeyRule<R>, 2 + sizeof...(I)> PlaceAndPictures(std::index_sequence<I...>) {
  using enum ValueKind;
  return {Key<kInt, &R::left>("vx"), Key<kInt, &R::top>("vy"), Key<kText, &R::fn, I>(kPictureKeys[I])...};
}

}  // namespace schema_detail

// How the buttons and switches of the scripts begin: "vx", "vy", then the
// pictures "fn1" to "fn<Pictures>" as written.
template <class R, std::size_t Pictures>
consteval std::array<KeyRule<R>, 2 + Pictures> PlaceAndPictures() {
  return schema_detail::PlaceAndPictures<R>(std::make_index_sequence<Pictures>());
}

// The input box of the shell and of the game dialog, up to its colours.
template <class R>
consteval std::array<KeyRule<R>, 10> InputBoxKeys() {
  using enum ValueKind;
  return {
      Key<kInt, &RPathInput::left>("vx"),
      Key<kInt, &RPathInput::top>("vy"),
      Key<kInt, &RPathInput::right>("vw"),
      Key<kInt, &RPathInput::bottom>("vh"),
      Key<kText, &RPathInput::defaultText>("pathdef"),
      Key<kText, &RPathInput::hint>("hint"),
      Key<kText, &RPathInput::fontName>("textfontname"),
      Key<kStyle, &RPathInput::fontStyle>("textfontstyle"),  // as written: "Bold" is no bold style
      Key<kColor, &RPathInput::fontColor>("textfontcolor"),
      Key<kColor, &RPathInput::bgColor>("bgcolor"),
  };
}

// The text block of the game dialog and of the options window.
inline constexpr std::array<KeyRule<RText>, 8> kWindowTextKeys = {
    Key<ValueKind::kInt, &RText::left>("vx"),           Key<ValueKind::kInt, &RText::top>("vy"),
    Key<ValueKind::kInt, &RText::right>("vw"),          Key<ValueKind::kText, &RText::fontName>("font"),
    Key<ValueKind::kInt, &RText::fontSize>("size"),     Key<ValueKind::kLowerText, &RText::fontStyle>("style"),
    Key<ValueKind::kColor, &RText::fontColor>("color"), Key<ValueKind::kText, &RText::text>("value"),
};

}  // namespace trv
