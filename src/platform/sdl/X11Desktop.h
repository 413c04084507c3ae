#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace trv {

// What the desktop's X server tells about windows of any process, through a
// connection of its own (SDL's stays SDL's). Without an X display every query
// gives nothing.
class X11Desktop {
 public:
  X11Desktop();
  ~X11Desktop();
  X11Desktop(const X11Desktop&) = delete;
  X11Desktop& operator=(const X11Desktop&) = delete;

  bool Connected();
  // The top-level window whose title (UTF-8) is exactly `titleUtf8`; with
  // `skipPid` not 0, windows that name that process (_NET_WM_PID) are passed over.
  std::optional<std::uint64_t> FindWindow(const std::string& titleUtf8, long skipPid = 0);
  // Raises the window and asks the window manager, when there is one, to activate it.
  bool Raise(std::uint64_t window);
  // The title of a window, UTF-8; nullopt when the window is gone.
  std::optional<std::string> Title(std::uint64_t window);
  // Sends WM_DELETE_WINDOW, as a window manager's close button does.
  bool RequestClose(std::uint64_t window);

  struct Pointer {
    int x = 0, y = 0;
    bool leftDown = false;
  };
  // The mouse position on the screen and whether the left button is held.
  std::optional<Pointer> QueryPointer();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace trv
