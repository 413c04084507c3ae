#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/Platform.h"
#include "windows/HintWindow.h"

namespace trv {

// The colour of hints when a script names none: the desktop's usual pale
// yellow, under black text.
constexpr Color kDefaultHintColor = MakeColor(255, 255, 225);
// A standard hint appears this far below the mouse pointer.
constexpr int kCursorHeight = 20;
// The main window's font, which hints use too.
inline const FontSpec kHintFont{"MS Sans Serif", 8, 0};

// The hint of one skinned window. Arm() names the text and where it goes (a
// point of the window); after a pause of the pointer the hint window shows
// there, held on the desktop, and hides itself after a while. The hint window
// never takes the keyboard focus and is released whenever it hides.
class THints {
 public:
  static constexpr std::uint32_t kPauseMs = 500;
  static constexpr std::uint32_t kHidePauseMs = 2500;

  // `owner` gives the window the anchor belongs to (null: no hint shows).
  THints(Platform& platform, std::function<Window*()> owner);
  ~THints();

  // Waits the pause anew, then shows `text` with its top-left at `anchor`
  // (client coordinates). An empty text hides the hint.
  void Arm(const std::string& text, Point anchor);
  // The pointer moved within the element: the hint will show at this x.
  void SetAnchorX(int x) { anchor_.x = x; }
  void SetAnchor(Point anchor) { anchor_ = anchor; }
  // Stops the pause and hides the hint; the text is kept for a later show.
  void Hide();
  // Hides and forgets the text.
  void Clear();

  void SetColor(Color background) { color_ = background; }
  Color GetColor() const { return color_; }
  void SetTextColor(Color text) { textColor_ = text; }
  Color GetTextColor() const { return textColor_; }
  bool Showing() const;
  bool Pending() const { return timer_ != 0 && !Showing(); }
  const std::string& Text() const { return text_; }
  const THintWindow* HintWindow() const { return window_.get(); }

 private:
  void ShowNow();
  void KillTimer();

  Platform& platform_;
  std::function<Window*()> owner_;
  std::string text_;
  Point anchor_;
  Color color_ = kDefaultHintColor;
  Color textColor_ = MakeColor(0, 0, 0);
  std::unique_ptr<THintWindow> window_;
  TimerId timer_ = 0;
};

}  // namespace trv
