#pragma once

#include <memory>
#include <string>
#include <vector>

#include "windows/SkinButton.h"

namespace trv {

// How a window's buttons and switches answer the mouse where windows differ.
struct SkinMouseRules {
  // An inactive button still takes the pointer (its hint shows, without a
  // cross-fade) and a press on it goes no further; otherwise inactive buttons
  // are not there for the mouse.
  bool inactiveButtonsTakeMouse = false;
  // The release fades a button back: from pressed to hovered when it was
  // pressed, from pressed to normal when it was not. Otherwise the release
  // leaves the look to the next paint.
  bool releaseFadesBack = true;
  // Shift held: a switch changes its look and state without its command.
  bool shiftSilencesSwitches = true;
};

// What a mouse move found.
struct SkinHover {
  int button = -1;          // the button under the pointer (the last in order), or -1
  int enteredButton = -1;   // the button the pointer has just come over, or -1
  const RSwitch* overSwitch = nullptr;      // the switch under the pointer (last single, then group)
  const RSwitch* enteredSwitch = nullptr;   // the switch the pointer has just come over
  bool OverElement() const { return button >= 0 || overSwitch != nullptr; }
};

// What a press or a release did.
struct SkinClick {
  enum class Hit { kNothing, kButton, kSingleSwitch, kGroupSwitch };
  Hit hit = Hit::kNothing;
  int index = -1;  // in the list the hit names
  bool run = false;  // `command` is to run, with `sound`
  std::string command;
  std::string sound;
  // The command interpreter's source numbers: 0 buttons, 1 single switches, 2 group switches.
  int Source() const { return hit == Hit::kSingleSwitch ? 1 : hit == Hit::kGroupSwitch ? 2 : 0; }
};

// The buttons and switches of one skinned window (or of the main window's
// current screen): hover, press and release with their cross-fades, the
// group rule of group switches, and painting. Elements are tested in order:
// buttons, single switches, group switches, each in script order.
class TSkinControls {
 public:
  TSkinControls(EffectOwner& owner, EventLoop& loop, SkinMouseRules rules, RepaintFunction repaint = {});

  // Makes the lists as long as given: new elements at the end, surplus ones
  // released from the end; the elements kept keep their pictures.
  void ResizeButtons(std::size_t count);
  void ResizeSingles(std::size_t count);
  void ResizeGroups(std::size_t count);
  void Clear();

  std::size_t ButtonCount() const { return buttons_.size(); }
  TSkinButton& Button(std::size_t i) { return *buttons_[i]; }
  const TSkinButton& Button(std::size_t i) const { return *buttons_[i]; }
  std::size_t SingleCount() const { return singles_.size(); }
  TSkinSwitch& Single(std::size_t i) { return *singles_[i]; }
  std::size_t GroupCount() const { return groups_.size(); }
  TSkinSwitch& Group(std::size_t i) { return *groups_[i]; }
  // The first button whose name holds `namePart`, or -1.
  int FindButton(const std::string& namePart) const;

  SkinHover MouseMove(Point p);
  SkinClick MouseDown(Point p, unsigned shift);
  SkinClick MouseUp(Point p, unsigned shift);
  // Any element's control lies under the point (its own area, edges on the
  // left and top included, as a control's).
  bool ControlAt(Point p) const;
  bool AnyButtonFading() const;

  void Paint(Bitmap& canvas) const;
  // Every element's picture 1 into the background, which carries the normal looks.
  void PaintNormal(Bitmap& background) const;

 private:
  template <typename T>
  void Resize(std::vector<std::unique_ptr<T>>& list, std::size_t count);

  EffectOwner& owner_;
  EventLoop& loop_;
  SkinMouseRules rules_;
  RepaintFunction repaint_;
  std::vector<std::unique_ptr<TSkinButton>> buttons_;
  std::vector<std::unique_ptr<TSkinSwitch>> singles_;
  std::vector<std::unique_ptr<TSkinSwitch>> groups_;
};

}  // namespace trv
