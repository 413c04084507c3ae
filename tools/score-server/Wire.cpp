#include "score-server/Wire.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <random>

namespace trv::scored {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<std::string> DecodeComponent(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (c == '+') {
      out.push_back(' ');
    } else if (c == '%') {
      if (i + 2 >= s.size()) return std::nullopt;
      int hi = HexValue(s[i + 1]);
      int lo = HexValue(s[i + 2]);
      if (hi < 0 || lo < 0) return std::nullopt;
      out.push_back(char(hi * 16 + lo));
      i += 2;
    } else {
      out.push_back(c);
    }
  }
  return out;
}

const char kHex[] = "0123456789abcdef";

std::string ToHex(const unsigned char* bytes, std::size_t n) {
  std::string out;
  out.reserve(n * 2);
  for (std::size_t i = 0; i < n; ++i) {
    out.push_back(kHex[bytes[i] >> 4]);
    out.push_back(kHex[bytes[i] & 15]);
  }
  return out;
}

}  // namespace

std::optional<std::map<std::string, std::string>> ParseForm(std::string_view body) {
  std::map<std::string, std::string> fields;
  std::size_t pos = 0;
  while (pos <= body.size()) {
    std::size_t end = body.find('&', pos);
    if (end == std::string_view::npos) end = body.size();
    std::string_view part = body.substr(pos, end - pos);
    pos = end + 1;
    if (part.empty()) continue;
    std::size_t eq = part.find('=');
    auto name = DecodeComponent(part.substr(0, eq));
    auto value = eq == std::string_view::npos ? std::optional<std::string>("") : DecodeComponent(part.substr(eq + 1));
    if (!name || !value) return std::nullopt;
    if (!fields.emplace(std::move(*name), std::move(*value)).second) return std::nullopt;
  }
  return fields;
}

std::string Md5Hex(std::string_view bytes) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int len = 0;
  if (EVP_Digest(bytes.data(), bytes.size(), digest, &len, EVP_md5(), nullptr) != 1) return {};
  return ToHex(digest, len);
}

std::string RandomToken() {
  unsigned char bytes[16];
  if (RAND_bytes(bytes, sizeof bytes) != 1) {
    // The system's random source failed; a token must still be unguessable
    // enough not to be worth refusing the logon over.
    std::random_device rd;
    for (auto& b : bytes) b = static_cast<unsigned char>(rd());
  }
  return ToHex(bytes, sizeof bytes);
}

std::optional<std::int64_t> ParseDecimal(std::string_view text, std::int64_t min, std::int64_t max) {
  bool negative = !text.empty() && text[0] == '-';
  std::string_view digits = negative ? text.substr(1) : text;
  if (digits.empty() || digits.size() > 18) return std::nullopt;
  if (digits.size() > 1 && digits[0] == '0') return std::nullopt;
  if (negative && digits == "0") return std::nullopt;
  std::int64_t value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (negative) value = -value;
  if (value < min || value > max) return std::nullopt;
  return value;
}

bool IsValidUtf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    std::size_t extra;
    std::uint32_t cp;
    if (c < 0x80) {
      ++i;
      continue;
    } else if (c >= 0xC2 && c <= 0xDF) {
      extra = 1, cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      extra = 2, cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      extra = 3, cp = c & 0x07;
    } else {
      return false;
    }
    if (i + extra >= s.size()) return false;
    for (std::size_t k = 1; k <= extra; ++k) {
      unsigned char cc = static_cast<unsigned char>(s[i + k]);
      if ((cc & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (cc & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF.
    if ((extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000) || cp > 0x10FFFF ||
        (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    i += extra + 1;
  }
  return true;
}

std::string HtmlEscape(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (char c : utf8) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out.push_back(c);
    }
  }
  return out;
}

std::string UrlEncode(std::string_view bytes) {
  std::string out;
  for (char ch : bytes) {
    unsigned char c = static_cast<unsigned char>(ch);
    if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-' || c == '_' ||
        c == '.' || c == '~') {
      out.push_back(ch);
    } else {
      out.push_back('%');
      out.push_back("0123456789ABCDEF"[c >> 4]);
      out.push_back("0123456789ABCDEF"[c & 15]);
    }
  }
  return out;
}

}  // namespace trv::scored
