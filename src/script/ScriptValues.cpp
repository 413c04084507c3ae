#include "script/ScriptValues.h"

#include <charconv>

#include "platform/Graphics.h"
#include "platform/Text.h"

namespace trv {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

int KeyPos(std::string_view line, std::string_view key) {
  std::size_t at = line.find(key);
  return at == std::string_view::npos ? 0 : static_cast<int>(at) + 1;
}

std::int32_t ReadInt(std::string_view line, int start) {
  if (line.empty()) return -1;
  std::size_t i = start < 1 ? 0 : static_cast<std::size_t>(start - 1);
  if (i >= line.size()) return -1;
  while (i < line.size() && line[i] != '-' && !IsDigit(line[i])) ++i;
  std::size_t b = i;
  while (i < line.size() && (line[i] == '-' || IsDigit(line[i]))) ++i;
  std::string_view run = line.substr(b, i - b);
  if (run.empty()) return -1;
  // Only an optional leading minus followed by digits is a number.
  std::size_t digits = run[0] == '-' ? 1 : 0;
  if (digits == run.size()) return -1;
  for (std::size_t k = digits; k < run.size(); ++k)
    if (!IsDigit(run[k])) return -1;
  std::int32_t value = 0;
  auto [ptr, ec] = std::from_chars(run.data(), run.data() + run.size(), value);
  if (ec != std::errc() || ptr != run.data() + run.size()) return -1;
  return value;
}

std::string ReadText(std::string_view line, int start) {
  std::size_t i = start < 1 ? 0 : static_cast<std::size_t>(start - 1);
  if (i >= line.size()) return {};
  std::size_t end = line.find(';', i);
  if (end == std::string_view::npos) end = line.size();
  return Trim(line.substr(i, end - i));
}

Color ReadColor(std::string_view line, int start) {
  std::size_t i = start < 1 ? 0 : static_cast<std::size_t>(start - 1);
  while (i < line.size() && !IsDigit(line[i])) ++i;
  // Each component is read where the previous one ended, by the length of its
  // decimal form, so "255,128,0", "255 128 0" and "255, 128, 0" agree.
  long long pos = static_cast<long long>(i) + 1;
  auto next = [&]() {
    std::int32_t v = pos > static_cast<long long>(line.size()) ? -1 : ReadInt(line, static_cast<int>(pos));
    pos += static_cast<long long>(std::to_string(v).size()) + 1;
    return static_cast<std::uint8_t>(v & 0xFF);
  };
  std::uint8_t r = next();
  std::uint8_t g = next();
  std::uint8_t b = next();
  return MakeColor(r, g, b);
}

unsigned ParseFontStyle(std::string_view text) {
  unsigned style = 0;
  if (text.find("bold") != std::string_view::npos) style |= kFontBold;
  if (text.find("italic") != std::string_view::npos) style |= kFontItalic;
  if (text.find("underline") != std::string_view::npos) style |= kFontUnderline;
  if (text.find("strikeout") != std::string_view::npos) style |= kFontStrikeOut;
  return style;
}

}  // namespace trv
