#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Text inside the program is std::string holding code page 1251 bytes. These are
// the only case rules and the only charset conversions of the program.
namespace trv {

// Upper/lower case of one CP1251 byte: Latin and every Cyrillic letter of the
// code page (Ё/ё included); other bytes are returned unchanged.
char UpperChar1251(char c);
char LowerChar1251(char c);
std::string Upper1251(std::string_view s);
std::string Lower1251(std::string_view s);
bool EqualsNoCase1251(std::string_view a, std::string_view b);
// Finds `needle` in `hay` ignoring CP1251 case; npos when absent.
std::size_t FindNoCase1251(std::string_view hay, std::string_view needle);

// Only ASCII A..Z / a..z change.
std::string AsciiLower(std::string_view s);
bool EqualsNoCaseAscii(std::string_view a, std::string_view b);

// Trims characters with codes 0 to 32 at both ends.
std::string Trim(std::string_view s);

// Conversions through iconv. Bytes that have no counterpart (0x98 in CP1251,
// malformed UTF-8, characters outside CP1251) become '?' unless `ok` is given,
// in which case *ok is set to false.
std::string Cp1251ToUtf8(std::string_view s, bool* ok = nullptr);
std::string Utf8ToCp1251(std::string_view s, bool* ok = nullptr);

// Decodes UTF-8 into code points (malformed bytes become U+FFFD).
std::u32string Utf8ToUtf32(std::string_view s);

// Strict UTF-8: the one character at s[i] (no overlong forms, no surrogates,
// nothing past U+10FFFF, nothing cut by the end). Advances `i` past it; false,
// with `i` unchanged, when the bytes there are no such character.
bool DecodeUtf8(std::string_view s, std::size_t& i, char32_t& cp);
// True when all of `s` is strict UTF-8.
bool IsValidUtf8(std::string_view s);

}  // namespace trv
