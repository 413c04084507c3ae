#include "windows/Hints.h"

namespace trv {

THints::THints(Platform& platform, std::function<Window*()> owner) : platform_(platform), owner_(std::move(owner)) {}

THints::~THints() {
  KillTimer();
  window_.reset();
}

void THints::KillTimer() {
  if (timer_) platform_.Loop().KillTimer(timer_);
  timer_ = 0;
}

void THints::Arm(const std::string& text, Point anchor) {
  if (text.empty()) {
    Clear();
    return;
  }
  text_ = text;
  anchor_ = anchor;
  KillTimer();
  timer_ = platform_.Loop().SetTimer(kPauseMs, false, [this] {
    timer_ = 0;
    ShowNow();
  });
}

void THints::ShowNow() {
  Window* owner = owner_ ? owner_() : nullptr;
  if (text_.empty() || !owner || !owner->Visible()) return;
  if (!window_) window_ = std::make_unique<THintWindow>(platform_, &platform_.Fonts(), kHintFont);
  const Rect bounds = owner->Bounds();
  window_->ShowAt({bounds.left + anchor_.x, bounds.top + anchor_.y}, text_, color_, textColor_);
  platform_.Tracer().Emit("hint").Text("text", text_).Int("x", window_->Bounds().left).Int("y", window_->Bounds().top);
  timer_ = platform_.Loop().SetTimer(kHidePauseMs, false, [this] {
    timer_ = 0;
    Hide();
  });
}

void THints::Hide() {
  KillTimer();
  if (window_ && window_->Visible()) platform_.Tracer().Emit("hint").Text("text", "");
  window_.reset();
}

void THints::Clear() {
  Hide();
  text_.clear();
}

bool THints::Showing() const { return window_ && window_->Visible(); }

}  // namespace trv
