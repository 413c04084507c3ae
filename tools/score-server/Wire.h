#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Md5.h"
#include "platform/Text.h"

// The byte-level pieces of the score server's pages: form bodies, digests,
// numbers as the client writes them, and HTML text.
namespace trv::scored {

// Decodes an application/x-www-form-urlencoded body or query: fields joined by
// "&", "+" is a space, "%XX" one byte. Values come back as the raw bytes the
// sender encoded (CP1251 from the game, UTF-8 from a browser). Nothing when an
// escape is broken or a field name repeats: a repeated field would let two
// parts of the server read different values.
std::optional<std::map<std::string, std::string>> ParseForm(std::string_view body);

// 32 lower-case hexadecimal digits from the system's random source.
std::string RandomToken();

// A decimal number as the client prints it: an optional "-", digits, no
// leading zero, inside [min, max]. Anything else is nothing.
std::optional<std::int64_t> ParseDecimal(std::string_view text, std::int64_t min, std::int64_t max);

// Escapes & < > " ' for HTML text and attribute values.
std::string HtmlEscape(std::string_view utf8);

// Percent-encodes every byte but unreserved ASCII, for links the pages build.
std::string UrlEncode(std::string_view bytes);

}  // namespace trv::scored
