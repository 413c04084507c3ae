#pragma once

#include <string>

#include "shell/parts/OwnerCall.h"
#include "shell/parts/ScreenPart.h"

namespace trv {

// The popup lists of the screens. Until they exist each call is only
// recorded, and no popup is ever open.
class TPopupsPart : public ScreenPart {
 public:
  explicit TPopupsPart(Trace& trace) : trace_(trace) {}

  void ShowForScreen(int) override { OwnerCall(trace_, "popups", "show-for-screen"); }
  void ShowAtMouse(int kind) { OwnerCall(trace_, "popups", "show-at-mouse", std::to_string(kind)); }
  void ShowRegisteredUsers(int buttonIndex) {
    OwnerCall(trace_, "popups", "registered-users", std::to_string(buttonIndex));
  }
  void CloseRegisteredUsers() { OwnerCall(trace_, "popups", "close-registered-users"); }
  bool FavoriteOpen() const { return false; }
  bool RegisteredUsersOpen() const { return false; }
  void HideAll() {}

 private:
  Trace& trace_;
};

}  // namespace trv
