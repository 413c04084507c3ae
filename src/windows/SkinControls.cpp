#include "windows/SkinControls.h"

#include "platform/Keys.h"

namespace trv {

TSkinControls::TSkinControls(EffectOwner& owner, EventLoop& loop, SkinMouseRules rules, RepaintFunction repaint)
    : owner_(owner), loop_(loop), rules_(rules), repaint_(std::move(repaint)) {}

template <typename T>
void TSkinControls::Resize(std::vector<std::unique_ptr<T>>& list, std::size_t count) {
  while (list.size() > count) list.pop_back();
  while (list.size() < count) list.push_back(std::make_unique<T>(owner_, loop_, repaint_));
}

void TSkinControls::ResizeButtons(std::size_t count) { Resize(buttons_, count); }
void TSkinControls::ResizeSingles(std::size_t count) { Resize(singles_, count); }
void TSkinControls::ResizeGroups(std::size_t count) { Resize(groups_, count); }

void TSkinControls::Clear() {
  // Last to first, each with its cross-fade.
  Resize(groups_, 0);
  Resize(singles_, 0);
  Resize(buttons_, 0);
}

int TSkinControls::FindButton(const std::string& namePart) const {
  for (std::size_t i = 0; i < buttons_.size(); ++i)
    if (buttons_[i]->Record().name.find(namePart) != std::string::npos) return int(i);
  return -1;
}

SkinHover TSkinControls::MouseMove(Point p) {
  SkinHover hover;
  for (std::size_t i = 0; i < buttons_.size(); ++i) {
    TSkinButton& b = *buttons_[i];
    if (!b.active && !rules_.inactiveButtonsTakeMouse) continue;
    if (b.Contains(p)) {
      hover.button = int(i);
      if (b.hover) continue;
      hover.enteredButton = int(i);
      if (b.active) b.CrossFade(kBtnNormal, kBtnHover);
      b.hover = true;
    } else if (b.hover) {
      if (b.active) b.CrossFade(kBtnHover, kBtnNormal);
      b.hover = false;
      b.pressed = false;
    }
  }
  for (auto* list : {&singles_, &groups_}) {
    for (auto& s : *list) {
      const bool inside = s->Contains(p);
      if (inside) hover.overSwitch = &s->Record();
      if (inside && !s->Record().underMouse) {
        s->Enter();
        hover.enteredSwitch = &s->Record();
      } else if (!inside && s->Record().underMouse) {
        s->Leave();
      }
    }
  }
  return hover;
}

SkinClick TSkinControls::MouseDown(Point p, unsigned shift) {
  SkinClick click;
  for (std::size_t i = 0; i < buttons_.size(); ++i) {
    TSkinButton& b = *buttons_[i];
    if ((!b.active && !rules_.inactiveButtonsTakeMouse) || b.pressed || !b.Contains(p)) continue;
    if (b.active) {
      b.CrossFade(kBtnHover, kBtnPressed);
      b.pressed = true;
    }
    // No command runs on a press; the release runs it.
    click.hit = SkinClick::Hit::kButton;
    click.index = int(i);
    return click;
  }
  const bool silent = rules_.shiftSilencesSwitches && (shift & kShift) != 0;
  for (std::size_t i = 0; i < singles_.size(); ++i) {
    TSkinSwitch& s = *singles_[i];
    if (!s.Contains(p)) continue;
    s.Toggle();
    const RSwthOne& r = *s.Single();
    click.hit = SkinClick::Hit::kSingleSwitch;
    click.index = int(i);
    click.run = !silent;
    click.command = r.on ? r.goDown : r.goUp;
    click.sound = r.sound;
    return click;
  }
  for (std::size_t i = 0; i < groups_.size(); ++i) {
    TSkinSwitch& s = *groups_[i];
    if (!s.Contains(p)) continue;
    click.hit = SkinClick::Hit::kGroupSwitch;
    click.index = int(i);
    RSwthGrp& r = *s.Group();
    if (r.on) return click;  // a switch that is on stays on
    if (silent) s.CrossFade(kSwOff, kSwOn);
    else s.CrossFade(kSwOffHover, kSwOnHover);
    for (std::size_t k = 0; k < groups_.size(); ++k) {
      RSwthGrp& other = *groups_[k]->Group();
      if (k == i || other.group != r.group || !other.on) continue;
      groups_[k]->CrossFade(kSwOn, kSwOff);
      other.on = false;
    }
    r.on = true;
    click.run = !silent;
    click.command = r.command;
    click.sound = r.sound;
    return click;
  }
  return click;
}

SkinClick TSkinControls::MouseUp(Point p, unsigned /*shift*/) {
  SkinClick click;
  for (std::size_t i = 0; i < buttons_.size(); ++i) {
    TSkinButton& b = *buttons_[i];
    if (!b.Contains(p)) continue;
    if (b.pressed) {
      b.pressed = false;
      if (!b.active || click.run) continue;
      if (rules_.releaseFadesBack) b.CrossFade(kBtnPressed, kBtnHover);
      click.hit = SkinClick::Hit::kButton;
      click.index = int(i);
      click.run = true;
      click.command = b.Record().command;
      click.sound = b.Record().sound;
    } else if (b.active && rules_.releaseFadesBack) {
      b.CrossFade(kBtnPressed, kBtnNormal);
    }
  }
  // A release over a group switch looks again at what lies under the pointer.
  for (auto& s : groups_) {
    if (!s->Contains(p)) continue;
    MouseMove(p);
    break;
  }
  return click;
}

bool TSkinControls::ControlAt(Point p) const {
  auto any = [&](const auto& list) {
    for (const auto& e : list)
      if (e->Bounds().Contains(p)) return true;
    return false;
  };
  return any(buttons_) || any(singles_) || any(groups_);
}

bool TSkinControls::AnyButtonFading() const {
  for (const auto& b : buttons_)
    if (b->Animation().Running()) return true;
  return false;
}

void TSkinControls::Paint(Bitmap& canvas) const {
  for (const auto& b : buttons_) b->Paint(canvas);
  for (const auto& s : singles_) s->Paint(canvas);
  for (const auto& s : groups_) s->Paint(canvas);
}

void TSkinControls::PaintNormal(Bitmap& background) const {
  for (const auto& b : buttons_) b->PaintNormal(background);
  for (const auto& s : singles_) s->PaintNormal(background);
  for (const auto& s : groups_) s->PaintNormal(background);
}

}  // namespace trv
