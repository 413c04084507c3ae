#pragma once

#include <memory>
#include <vector>

#include "shell/parts/ClipAreasPart.h"
#include "shell/parts/InputBoxesPart.h"
#include "shell/parts/PopupsPart.h"
#include "shell/parts/TextFieldsPart.h"
#include "shell/parts/TreesPart.h"

namespace trv {

// The main window's screen parts in one list, bottom to top: text fields,
// input boxes, clip areas, popups, trees. The window calls the list; the
// command interpreter reaches a part through its typed accessor. A part the
// script gives nothing for is absent (its accessor gives null).
class TScreenParts {
 public:
  // Adds a part on top of the others; returns it.
  template <typename Part>
  Part* Add(std::unique_ptr<Part> part) {
    Part* raw = part.get();
    parts_.push_back(std::move(part));
    return raw;
  }
  void SetFields(std::unique_ptr<TTextFieldsPart> p) { fields_ = Add(std::move(p)); }
  void SetBoxes(std::unique_ptr<TInputBoxesPart> p) { boxes_ = Add(std::move(p)); }
  void SetClips(std::unique_ptr<TClipAreasPart> p) { clips_ = Add(std::move(p)); }
  void SetPopups(std::unique_ptr<TPopupsPart> p) { popups_ = Add(std::move(p)); }
  void SetTrees(std::unique_ptr<TTreesPart> p) { trees_ = Add(std::move(p)); }
  // Releases every part, top first.
  void Clear();

  TTextFieldsPart* Fields() const { return fields_; }
  TInputBoxesPart* Boxes() const { return boxes_; }
  TClipAreasPart* Clips() const { return clips_; }
  TPopupsPart* Popups() const { return popups_; }
  TTreesPart* Trees() const { return trees_; }

  void ShowForScreen(int screen);
  void Paint(Bitmap& canvas) const;
  // The parts above `part` (all of them for null), bottom first.
  void PaintAbove(const ScreenPart* part, Bitmap& canvas) const;
  bool MouseMove(Point p, unsigned shift);
  bool MouseDown(MouseButton b, Point p, unsigned shift);
  bool MouseUp(MouseButton b, Point p, unsigned shift);
  bool MouseWheel(int delta, Point p, unsigned shift);
  // Top first, but the trees last: they never hold the keyboard, and a key
  // another part takes (the focused input box's) never moves a tree.
  bool KeyDown(int key, unsigned shift);
  bool Char(char c);
  void FadeStarted();
  void FadeEnded();
  void TraceState(Trace::Event& ev) const;

 private:
  std::vector<std::unique_ptr<ScreenPart>> parts_;
  TTextFieldsPart* fields_ = nullptr;
  TInputBoxesPart* boxes_ = nullptr;
  TClipAreasPart* clips_ = nullptr;
  TPopupsPart* popups_ = nullptr;
  TTreesPart* trees_ = nullptr;
};

}  // namespace trv
