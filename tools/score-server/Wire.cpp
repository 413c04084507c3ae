#include "score-server/Wire.h"

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

std::string RandomToken() {
  unsigned char bytes[16];
  if (RAND_bytes(bytes, sizeof bytes) != 1) {
    // The system's random source failed; a token must still be unguessable
    // enough not to be worth refusing the logon over.
    std::random_device rd;
    for (auto& b : bytes) b = static_cast<unsigned char>(rd());
  }
  return LowerHex(bytes, sizeof bytes);
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
