#pragma once

#include <optional>
#include <string_view>

#include "platform/Geometry.h"
#include "platform/Registry.h"

namespace trv {

// The whole number of screen pixels that show one pixel of the program's world
// on each axis. The program keeps drawing in its own pixels; only the backend
// that puts them on a real screen multiplies them.
constexpr int kMaxDisplayScale = 3;
// The size the skin is drawn for: a scale is chosen so that it fits.
constexpr Size kSkinSize{800, 600};
// A DPI the desktop does not report counts as the ordinary one.
constexpr float kPlainDpi = 96.0f;

// Where the player forces a scale; the environment wins over the settings.
inline constexpr char kScaleEnvironment[] = "TRIVION_SCALE";
inline constexpr char kScaleSettingsKey[] = "SOFTWARE\\VOMAR\\Trivion";
inline constexpr char kScaleSettingsValue[] = "DisplayScale";

// What the desktop tells about the screen the windows go to. `dpi` 0 when unknown.
struct DisplayFacts {
  float dpi = 0;
  Size usable;  // the work area, in screen pixels
};

// The largest scale up to round(dpi / 96) at which the skin still fits the
// work area with room: at most four fifths of its width and of its height, so
// that the desktop's panels and the window's own hints stay around it. Never
// below 1.
int ScaleForDisplay(const DisplayFacts& display);

// A forced scale written as "1", "2" or "3" (spaces around allowed). Anything
// else is logged with `from` (where it was written) and gives nullopt.
std::optional<int> ParseForcedScale(std::string_view text, std::string_view from);

// The scale stored in the settings (an integer or a text value); a value that
// is not 1, 2 or 3 is logged and gives nullopt.
std::optional<int> StoredScale(Registry& settings);

// The environment's scale (`environment` is its value, null or empty when
// unset), else
// the stored one, else the display's.
int ChooseDisplayScale(const DisplayFacts& display, const char* environment, Registry* settings);

}  // namespace trv
