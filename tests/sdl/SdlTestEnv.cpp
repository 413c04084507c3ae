#include "SdlTestEnv.h"

#include <cstdlib>

namespace {

// Runs before any test (and before SDL starts): no display, no sound card.
[[maybe_unused]] const bool kDummyDrivers = [] {
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  return true;
}();

}  // namespace
