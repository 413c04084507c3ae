#include "platform/DisplayScale.h"

#include <cmath>
#include <string>

#include "platform/Log.h"

namespace trv {
namespace {

bool Fits(Size skin, int scale, Size usable) {
  // 5 * skin * scale <= 4 * usable, in integers.
  return 5L * skin.width * scale <= 4L * usable.width && 5L * skin.height * scale <= 4L * usable.height;
}

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
    s.remove_suffix(1);
  return s;
}

}  // namespace

int ScaleForDisplay(const DisplayFacts& display) {
  const float dpi = std::isfinite(display.dpi) && display.dpi > 0 ? display.dpi : kPlainDpi;
  // Whole numbers only, so the pixels are repeated and never blurred.
  const long wanted = std::lround(std::fmin(dpi / kPlainDpi, float(kMaxDisplayScale)));
  for (int scale = int(wanted); scale > 1; --scale)
    if (Fits(kSkinSize, scale, display.usable)) return scale;
  return 1;
}

std::optional<int> ParseForcedScale(std::string_view text, std::string_view from) {
  const std::string_view t = Trimmed(text);
  if (t.size() == 1 && t[0] >= '1' && t[0] <= '0' + kMaxDisplayScale) return t[0] - '0';
  Log("display", std::string(from) + " \"" + std::string(text) + "\" is not a scale of 1, 2 or 3 and is ignored");
  return std::nullopt;
}

std::optional<int> StoredScale(Registry& settings) {
  const auto value = settings.ReadValue(RootKey::CurrentUser, kScaleSettingsKey, kScaleSettingsValue);
  if (!value) return std::nullopt;
  const std::string from = "the stored " + std::string(kScaleSettingsValue);
  switch (value->type) {
    case RegValue::Type::String: return ParseForcedScale(value->text, from);
    case RegValue::Type::Integer:
      if (value->integer >= 1 && value->integer <= kMaxDisplayScale) return value->integer;
      return ParseForcedScale(std::to_string(value->integer), from);
    case RegValue::Type::Binary: break;
  }
  Log("display", from + " is binary, not a scale of 1, 2 or 3, and is ignored");
  return std::nullopt;
}

int ChooseDisplayScale(const DisplayFacts& display, const char* environment, Registry* settings) {
  if (environment && *environment)
    if (auto forced = ParseForcedScale(environment, kScaleEnvironment)) return *forced;
  if (settings)
    if (auto stored = StoredScale(*settings)) return *stored;
  return ScaleForDisplay(display);
}

}  // namespace trv
