#include "platform/Text.h"

#include <iconv.h>

#include <array>
#include <cerrno>

namespace trv {
namespace {

struct CaseTables {
  std::array<unsigned char, 256> upper{};
  std::array<unsigned char, 256> lower{};
  CaseTables() {
    for (int i = 0; i < 256; ++i) upper[i] = lower[i] = static_cast<unsigned char>(i);
    auto pair = [this](int up, int low) {
      upper[low] = static_cast<unsigned char>(up);
      lower[up] = static_cast<unsigned char>(low);
    };
    for (int c = 'A'; c <= 'Z'; ++c) pair(c, c + 32);
    for (int c = 0xC0; c <= 0xDF; ++c) pair(c, c + 32);  // А..Я / а..я
    // The other letters of the code page: Ђ Ѓ Љ Њ Ќ Ћ Џ Ў Ј Ґ Ё Є Ї І Ѕ.
    pair(0x80, 0x90);
    pair(0x81, 0x83);
    pair(0x8A, 0x9A);
    pair(0x8C, 0x9C);
    pair(0x8D, 0x9D);
    pair(0x8E, 0x9E);
    pair(0x8F, 0x9F);
    pair(0xA1, 0xA2);
    pair(0xA3, 0xBC);
    pair(0xA5, 0xB4);
    pair(0xA8, 0xB8);
    pair(0xAA, 0xBA);
    pair(0xAF, 0xBF);
    pair(0xB2, 0xB3);
    pair(0xBD, 0xBE);
  }
};

const CaseTables& Tables() {
  static const CaseTables tables;
  return tables;
}

std::string Convert(const char* to, const char* from, std::string_view s, bool* ok) {
  if (ok) *ok = true;
  std::string out;
  if (s.empty()) return out;
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    if (ok) *ok = false;
    return std::string(s);
  }
  out.resize(s.size() * 4 + 16);
  char* in = const_cast<char*>(s.data());
  size_t inLeft = s.size();
  char* dst = out.data();
  size_t dstLeft = out.size();
  while (inLeft > 0) {
    size_t r = iconv(cd, &in, &inLeft, &dst, &dstLeft);
    if (r != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) {  // cannot happen with 4x room, but keep going safely
      size_t used = out.size() - dstLeft;
      out.resize(out.size() * 2);
      dst = out.data() + used;
      dstLeft = out.size() - used;
      continue;
    }
    // Unmappable or malformed input: replace one byte and go on.
    if (ok) *ok = false;
    if (dstLeft == 0) {
      size_t used = out.size();
      out.resize(out.size() * 2);
      dst = out.data() + used;
      dstLeft = out.size() - used;
    }
    *dst++ = '?';
    --dstLeft;
    ++in;
    --inLeft;
    // Skip UTF-8 continuation bytes of the rejected character.
    if (std::string_view(from) == "UTF-8") {
      while (inLeft > 0 && (static_cast<unsigned char>(*in) & 0xC0) == 0x80) {
        ++in;
        --inLeft;
      }
    }
  }
  iconv_close(cd);
  out.resize(out.size() - dstLeft);
  return out;
}

}  // namespace

char UpperChar1251(char c) { return static_cast<char>(Tables().upper[static_cast<unsigned char>(c)]); }
char LowerChar1251(char c) { return static_cast<char>(Tables().lower[static_cast<unsigned char>(c)]); }

std::string Upper1251(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = UpperChar1251(c);
  return r;
}

std::string Lower1251(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = LowerChar1251(c);
  return r;
}

bool EqualsNoCase1251(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (UpperChar1251(a[i]) != UpperChar1251(b[i])) return false;
  return true;
}

std::size_t FindNoCase1251(std::string_view hay, std::string_view needle) {
  if (needle.empty()) return 0;
  if (needle.size() > hay.size()) return std::string_view::npos;
  for (size_t i = 0; i + needle.size() <= hay.size(); ++i)
    if (EqualsNoCase1251(hay.substr(i, needle.size()), needle)) return i;
  return std::string_view::npos;
}

std::string AsciiLower(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return r;
}

bool EqualsNoCaseAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

std::string Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= 32) ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32) --e;
  return std::string(s.substr(b, e - b));
}

std::string Cp1251ToUtf8(std::string_view s, bool* ok) { return Convert("UTF-8", "CP1251", s, ok); }
std::string Utf8ToCp1251(std::string_view s, bool* ok) { return Convert("CP1251", "UTF-8", s, ok); }

bool DecodeUtf8(std::string_view s, std::size_t& i, char32_t& cp) {
  if (i >= s.size()) return false;
  const unsigned char c = static_cast<unsigned char>(s[i]);
  const std::size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
  if (len == 0 || len > s.size() - i) return false;
  char32_t v = len == 1 ? c : len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
  for (std::size_t k = 1; k < len; ++k) {
    const unsigned char d = static_cast<unsigned char>(s[i + k]);
    if ((d & 0xC0) != 0x80) return false;
    v = (v << 6) | (d & 0x3F);
  }
  static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
  if (v < kMin[len] || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return false;
  cp = v;
  i += len;
  return true;
}

bool IsValidUtf8(std::string_view s) {
  char32_t cp = 0;
  for (std::size_t i = 0; i < s.size();)
    if (!DecodeUtf8(s, i, cp)) return false;
  return true;
}

std::u32string Utf8ToUtf32(std::string_view s) {
  std::u32string out;
  for (std::size_t i = 0; i < s.size();) {
    char32_t cp = 0;
    if (DecodeUtf8(s, i, cp)) {
      out.push_back(cp);
    } else {
      out.push_back(0xFFFD);
      ++i;
    }
  }
  return out;
}

}  // namespace trv
