#include "script/ScriptLines.h"

#include <cstring>

namespace trv {
namespace {

constexpr std::size_t kTagSize = 3;

bool HasTag(const std::uint8_t* bytes, std::size_t count) {
  return count >= kTagSize && bytes[0] == 'c' && bytes[1] == 'f' && bytes[2] == 's';
}

// Undoes the running-sum scramble: each byte was stored as its difference from
// the previous one minus a key that doubles (mod 256) at every step.
std::string DecodeText(const std::uint8_t* payload, std::size_t m) {
  std::string text;
  if (m == 0) return text;
  std::vector<std::uint8_t> d(m);
  unsigned k = static_cast<unsigned>(m % 256);
  d[0] = payload[0];
  for (std::size_t i = 1; i < m; ++i) {
    d[i] = static_cast<std::uint8_t>(d[i - 1] + payload[i] + k);
    k = (k * 2) % 256;
  }
  // The text is held in the odd bytes, last character first.
  const std::size_t n = m / 2;
  text.resize(n);
  for (std::size_t j = 0; j < n; ++j) text[j] = static_cast<char>(d[2 * (n - 1 - j) + 1]);
  return text;
}

void SplitPlain(const std::uint8_t* bytes, std::size_t count, TDynamicStringArray& lines) {
  const void* zero = count ? std::memchr(bytes, 0, count) : nullptr;
  const std::size_t end = zero ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - bytes) : count;
  const char* text = reinterpret_cast<const char*>(bytes);
  std::size_t pos = 0;
  while (pos < end) {
    std::size_t i = pos;
    while (i + 1 < end && !(text[i] == '\r' && text[i + 1] == '\n')) ++i;
    if (i + 1 >= end) break;  // no pair left
    lines.emplace_back(text + pos, i - pos);
    pos = i + 2;
  }
  if (pos < end) lines.emplace_back(text + pos, end - pos);
}

void SplitScrambled(const std::string& text, bool lowerCase, TDynamicStringArray& lines) {
  lines.emplace_back();
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n; ++i) {
    char c = text[i];
    if (c == '\r' && i + 1 < n && text[i + 1] == '\n') {
      lines.emplace_back();
      ++i;
      continue;
    }
    if (lowerCase && c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    lines.back().push_back(c);
  }
}

}  // namespace

void SplitLines(const std::uint8_t* bytes, std::size_t count, bool lowerCase, TDynamicStringArray& lines) {
  if (bytes == nullptr) count = 0;
  if (HasTag(bytes, count)) {
    SplitScrambled(DecodeText(bytes + kTagSize, count - kTagSize), lowerCase, lines);
    return;
  }
  SplitPlain(bytes, count, lines);
}

bool IsScrambledScript(std::span<const std::uint8_t> bytes) { return HasTag(bytes.data(), bytes.size()); }

std::string UnscrambleScript(std::span<const std::uint8_t> bytes) {
  if (!HasTag(bytes.data(), bytes.size())) return std::string(bytes.begin(), bytes.end());
  return DecodeText(bytes.data() + kTagSize, bytes.size() - kTagSize);
}

std::vector<std::uint8_t> ScrambleScript(std::string_view text, std::uint32_t seed) {
  const std::size_t n = text.size();
  const std::size_t m = 2 * n;
  std::vector<std::uint8_t> d(m);
  std::uint32_t state = seed ? seed : 1;
  for (std::size_t i = 0; i < m; i += 2) {  // filler in the even bytes
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    d[i] = static_cast<std::uint8_t>(state);
  }
  for (std::size_t j = 0; j < n; ++j) d[2 * (n - 1 - j) + 1] = static_cast<std::uint8_t>(text[j]);

  std::vector<std::uint8_t> out{'c', 'f', 's'};
  out.resize(kTagSize + m);
  if (m == 0) return out;
  unsigned k = static_cast<unsigned>(m % 256);
  out[kTagSize] = d[0];
  for (std::size_t i = 1; i < m; ++i) {
    out[kTagSize + i] = static_cast<std::uint8_t>(d[i] - d[i - 1] - k);
    k = (k * 2) % 256;
  }
  return out;
}

}  // namespace trv
