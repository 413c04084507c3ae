#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "script/ShellElements.h"
#include "shell/parts/PopupWindow.h"
#include "shell/parts/ScreenPart.h"
#include "windows/SkinPictures.h"

namespace trv {

// What the popup lists ask of the program around them.
struct PopupsHost {
  // The command interpreter: a command, its sound and the sound mode.
  std::function<void(const std::string& command, const std::string& sound, int soundMode)> runCommand;
  // A chosen player: the name goes into the current screen's first input box.
  std::function<void(const std::string& name)> setUserName;
  // The names of the players table, best first.
  std::function<std::vector<std::string>()> playerNames;
  // The bottom-left corner of button `index` of the current screen, in screen
  // coordinates; false when there is no such button.
  std::function<bool(int index, Point* corner)> buttonCorner;
};

// The popup lists of the current screen (the controller of the popup
// windows): one window per `_popup` block of the screen, made anew at every
// screen change. Each call names a popup by its kind and acts on the first
// popup of the screen of that kind; a kind the screen lacks does nothing.
class TPopupsPart : public ScreenPart {
 public:
  TPopupsPart(ScreenPartHost& screen, Platform& platform, const TPopupData& data, const TPictureLoader& pictures,
              PopupsHost host);
  ~TPopupsPart() override;

  void ShowForScreen(int screen) override;
  // The pointer over the main window: where "at the mouse" is.
  bool MouseMove(Point p, unsigned shift) override;
  bool MouseDown(MouseButton b, Point p, unsigned shift) override;
  bool MouseUp(MouseButton b, Point p, unsigned shift) override;
  void TraceState(Trace::Event& ev) const override;

  // The popups of the current screen, made afresh.
  void RebuildForScreen();
  // Kind -1 never shows; -4 puts the favourites (-3) into delete mode; -7
  // shows with its right edge at `screenPoint`; the others at it.
  void ShowPopup(int kind, Point screenPoint);
  void HideAll();
  bool IsOpen(int kind) const;
  void ClearItems(int kind);
  void AddItem(int kind, const std::string& caption, const std::string& command);
  void SetItemCount(int kind, std::size_t n);

  // The command interpreter's calls.
  void ShowAtMouse(int kind);
  // Fills the players' popup from the players table and shows it at the
  // button's bottom-left corner.
  void ShowRegisteredUsers(int buttonIndex);
  void CloseRegisteredUsers();
  // The main window lost or regained the keyboard. Losing it to another
  // program hides the popups; a loss the window gets back within a moment
  // (the system handing the focus to a popup as it maps, which then gives it
  // back) changes nothing.
  void MainWindowActivated(bool active);
  static constexpr std::uint32_t kDeactivationGraceMs = 150;
  bool FavoriteOpen() const { return IsOpen(kPopupFavorite); }
  bool RegisteredUsersOpen() const { return IsOpen(kPopupRegisteredUsers); }

  TPopupWindow* Find(int kind) const;
  const std::vector<std::unique_ptr<TPopupWindow>>& Windows() const { return windows_; }

 private:
  void Chosen(TPopupWindow& popup, std::size_t index);
  void RunChosen(const std::string& command);
  Point MouseOnScreen() const;

  ScreenPartHost& screen_;
  Platform& platform_;
  const TPopupData& data_;
  const TPictureLoader& pictures_;
  PopupsHost host_;
  std::vector<std::unique_ptr<TPopupWindow>> windows_;
  Point pointer_;  // the last pointer position over the main window
  TimerId deactivated_ = 0;
  // Lets a chosen item's command, run later from the loop, know the part is still there.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// The name the program's developers gave the controller.
using TControlPopupWindow = TPopupsPart;

}  // namespace trv
