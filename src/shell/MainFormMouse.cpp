// The mouse over the current screen: hover, press and release of buttons and
// switches with their cross-fades, hints, and dragging the window.
#include "platform/Keys.h"
#include "platform/Text.h"
#include "shell/MainForm.h"

namespace trv {
namespace {

// How long the mouse rests before a hint shows, and how long it stays.
constexpr std::uint32_t kHintPauseMs = 500;
constexpr std::uint32_t kHintHidePauseMs = 2500;

template <typename Element>
bool Over(const Element& e, int x, int y) {
  return Rect{e.left, e.top, e.right, e.bottom}.StrictlyContains({x, y});
}

}  // namespace

void TMainForm::FormMouseMove(unsigned /*shift*/, int x, int y) {
  if (Fading() || role_ != Role::Shell || std::size_t(currentScreen_) >= elements_.Buttons.size()) return;
  TDynamicBtnArray& buttons = elements_.Buttons[std::size_t(currentScreen_)];
  bool anyUnder = false;
  for (std::size_t i = 0; i < buttons.size() && i < btnPics_.size(); ++i) {
    RBtn& b = buttons[i];
    TBtnPics& set = btnPics_[i];
    if (Over(b, x, y)) {
      anyUnder = true;
      hintX_ = x;
      if (!set.hover) {
        if (!b.hint.empty()) {
          hintText_ = b.hint;
          hintX_ = x;
          hintY_ = b.bottom;
          StartHintTimer();
        } else {
          // Moving straight from a button with a hint to one without must not
          // show the first one's hint under the second.
          HideHint();
          hintText_.clear();
        }
        if (set.active) {
          CrossFade(set.animation.get(), set.pictures[0], set.pictures[1], {b.left, b.top});
          if (b.name == "mt" || b.name == "mm") PlayWav(b.sound, true);
        }
        set.hover = true;
      }
    } else if (set.hover) {
      if (set.active) CrossFade(set.animation.get(), set.pictures[1], set.pictures[0], {b.left, b.top});
      set.hover = false;
      set.pressed = false;
    }
  }
  // Switch hints are the standard ones: shown after the pause below the cursor.
  auto moveSwitches = [&](auto& switches, TDynamicSwthOnePicArray& pics) {
    for (std::size_t i = 0; i < switches.size() && i < pics.size(); ++i) {
      auto& s = switches[i];
      const Point at{s.left, s.top};
      if (Over(s, x, y)) {
        if (!s.underMouse) {
          if (s.on) CrossFade(pics[i].animation.get(), pics[i].pictures[3], pics[i].pictures[2], at);
          else CrossFade(pics[i].animation.get(), pics[i].pictures[0], pics[i].pictures[1], at);
          s.underMouse = true;
          if (!s.hint.empty()) {
            hintText_ = s.hint;
            hintX_ = x;
            hintY_ = y + kCursorHeight;
            StartHintTimer();
          }
        }
        anyUnder = true;
      } else if (s.underMouse) {
        if (s.on) CrossFade(pics[i].animation.get(), pics[i].pictures[2], pics[i].pictures[3], at);
        else CrossFade(pics[i].animation.get(), pics[i].pictures[1], pics[i].pictures[0], at);
        s.underMouse = false;
      }
    }
  };
  if (!anyUnder) HideHint();
  moveSwitches(elements_.SingleSwitches[std::size_t(currentScreen_)], swOnePics_);
  moveSwitches(elements_.GroupSwitches[std::size_t(currentScreen_)], swGrpPics_);
}

void TMainForm::FormMouseDown(MouseButton /*button*/, unsigned shift, int x, int y) {
  HideHint();
  if (Fading()) return;
  if (role_ != Role::Shell) {
    window_->BeginDrag();
    return;
  }
  if (std::size_t(currentScreen_) >= elements_.Buttons.size()) return;
  if (HasFavoritePopupOpen()) HidePopups();
  const std::size_t screen = std::size_t(currentScreen_);
  TDynamicBtnArray& buttons = elements_.Buttons[screen];
  for (std::size_t i = 0; i < buttons.size() && i < btnPics_.size(); ++i) {
    TBtnPics& set = btnPics_[i];
    if (!Over(buttons[i], x, y) || set.pressed) continue;
    if (set.active) {
      CrossFade(set.animation.get(), set.pictures[1], set.pictures[2], {buttons[i].left, buttons[i].top});
      set.pressed = true;
    }
    if (HasFavoritePopupOpen()) HidePopups();
    return;
  }
  HidePopups();
  const bool shiftHeld = (shift & kShift) != 0;

  TDynamicSwthOneArray& singles = elements_.SingleSwitches[screen];
  for (std::size_t i = 0; i < singles.size() && i < swOnePics_.size(); ++i) {
    RSwthOne& s = singles[i];
    if (!Over(s, x, y)) continue;
    TSwthPics& pics = swOnePics_[i];
    std::string command;
    if (s.on) {
      CrossFade(pics.animation.get(), pics.pictures[2], pics.pictures[1], {s.left, s.top});
      s.on = false;
      command = s.goUp;
    } else {
      CrossFade(pics.animation.get(), pics.pictures[1], pics.pictures[2], {s.left, s.top});
      s.on = true;
      command = s.goDown;
    }
    if (!shiftHeld) RunCommand(command, s.sound, int(i), 1, 0);
    return;
  }

  TDynamicSwthGrpArray& groups = elements_.GroupSwitches[screen];
  for (std::size_t i = 0; i < groups.size() && i < swGrpPics_.size(); ++i) {
    RSwthGrp& s = groups[i];
    if (!Over(s, x, y)) continue;
    if (s.on) return;
    TSwthPics& pics = swGrpPics_[i];
    if (shiftHeld) CrossFade(pics.animation.get(), pics.pictures[0], pics.pictures[3], {s.left, s.top});
    else CrossFade(pics.animation.get(), pics.pictures[1], pics.pictures[2], {s.left, s.top});
    for (std::size_t k = 0; k < groups.size() && k < swGrpPics_.size(); ++k) {
      if (k == i || groups[k].group != s.group || !groups[k].on) continue;
      CrossFade(swGrpPics_[k].animation.get(), swGrpPics_[k].pictures[3], swGrpPics_[k].pictures[0],
                {groups[k].left, groups[k].top});
      groups[k].on = false;
    }
    s.on = true;
    if (!shiftHeld) RunCommand(s.command, s.sound, int(i), 2, 0);
    return;
  }

  // An empty spot: the user drags the borderless window by it.
  window_->SetMouseCapture(false);
  window_->BeginDrag();
  if (HasFavoritePopupOpen()) HidePopups();
}

void TMainForm::FormMouseUp(MouseButton /*button*/, unsigned shift, int x, int y) {
  if (Fading() || role_ != Role::Shell || std::size_t(currentScreen_) >= elements_.Buttons.size()) return;
  const int screen = currentScreen_;
  TDynamicBtnArray& buttons = elements_.Buttons[std::size_t(screen)];
  for (std::size_t i = 0; i < buttons.size() && i < btnPics_.size(); ++i) {
    if (!Over(buttons[i], x, y)) continue;
    TBtnPics& set = btnPics_[i];
    const RBtn b = buttons[i];  // a command may rebuild the screen's lists
    if (set.pressed) {
      set.pressed = false;
      if (set.active) {
        CrossFade(set.animation.get(), set.pictures[2], set.pictures[1], {b.left, b.top});
        RunCommand(b.command, b.sound, int(i), 0, 0);
        if (currentScreen_ != screen) return;
      }
    } else if (set.active) {
      CrossFade(set.animation.get(), set.pictures[2], set.pictures[0], {b.left, b.top});
    }
  }
  const TDynamicSwthGrpArray& groups = elements_.GroupSwitches[std::size_t(screen)];
  for (std::size_t i = 0; i < groups.size(); ++i)
    if (Over(groups[i], x, y)) FormMouseMove(shift, x, y);
}

void TMainForm::StartHintTimer() {
  if (hintTimer_) platform_.Loop().KillTimer(hintTimer_);
  hintTimer_ = platform_.Loop().SetTimer(kHintPauseMs, false, [this] {
    hintTimer_ = 0;
    ShowHintNow();
  });
}

void TMainForm::ShowHintNow() {
  if (hintText_.empty() || !window_ || !window_->Visible()) return;
  if (!hintWindow_) hintWindow_ = std::make_unique<THintWindow>(platform_, fonts_, kWindowFont);
  const Rect bounds = window_->Bounds();
  hintWindow_->ShowAt({bounds.left + hintX_, bounds.top + hintY_}, hintText_, elements_.hintColor);
  platform_.Tracer().Emit("hint").Text("text", hintText_).Int("x", hintWindow_->Bounds().left).Int(
      "y", hintWindow_->Bounds().top);
  hintTimer_ = platform_.Loop().SetTimer(kHintHidePauseMs, false, [this] {
    hintTimer_ = 0;
    HideHint();
  });
}

void TMainForm::HideHint() {
  if (hintTimer_) platform_.Loop().KillTimer(hintTimer_);
  hintTimer_ = 0;
  if (hintWindow_ && hintWindow_->Visible()) platform_.Tracer().Emit("hint").Text("text", "");
  hintWindow_.reset();
}

}  // namespace trv
