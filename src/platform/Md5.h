#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// MD5 as the game's records and the score server's digests need it.
namespace trv {

// MD5 of the bytes as 32 lower-case hexadecimal digits; empty only when the
// crypto library cannot compute it.
std::string Md5Hex(std::string_view bytes);

// The bytes as lower-case hexadecimal digits, two per byte.
std::string LowerHex(const unsigned char* bytes, std::size_t count);

}  // namespace trv
