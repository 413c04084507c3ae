// Asks a window of the X display, found by its title, to close, as a window
// manager's close button does (WM_DELETE_WINDOW); the tests run without one.
//
//   close_window TITLE     exit 0 when asked, 1 when no such window is found
#include <cstdio>

#include "platform/sdl/X11Desktop.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: close_window TITLE\n");
    return 2;
  }
  trv::X11Desktop desktop;
  const auto window = desktop.FindWindow(argv[1]);
  if (!window) {
    std::fprintf(stderr, "close_window: no window \"%s\"\n", argv[1]);
    return 1;
  }
  return desktop.RequestClose(*window) ? 0 : 1;
}
