#pragma once

#include <string>
#include <string_view>

namespace trv {

// JSON string literal (with quotes) of UTF-8 text.
std::string JsonQuote(std::string_view utf8);

}  // namespace trv
