#pragma once

#include <memory>
#include <string>

#include "shell/parts/ScreenPart.h"
#include "windows/PathInputBoxes.h"

namespace trv {

class Platform;

// The main window's text input boxes: shown for their screen once its fade
// has ended, first in line for the keys and the pointer, and their texts kept
// in the settings from one run to the next.
class TInputBoxesPart : public ScreenPart {
 public:
  TInputBoxesPart(ScreenPartHost& host, Platform& platform, const std::string& title, const TDynamicPathInputArray& list);

  TPathInputBox& Boxes() { return *boxes_; }

  void ShowForScreen(int screen) override;
  void Paint(Bitmap& canvas) const override;
  bool MouseMove(Point p, unsigned shift) override;
  bool MouseDown(MouseButton b, Point p, unsigned shift) override;
  bool MouseUp(MouseButton b, Point p, unsigned shift) override;
  bool KeyDown(int key, unsigned shift) override;
  bool Char(char c) override;
  void FadeStarted() override { boxes_->SetBoxesHidden(true); }
  void FadeEnded() override { boxes_->SetBoxesHidden(false); }
  void TraceState(Trace::Event& ev) const override;

 private:
  void Changed(int index);

  ScreenPartHost& host_;
  std::unique_ptr<TPathInputBox> boxes_;
  bool over_ = false;  // the pointer is over a box (I-beam cursor)
};

}  // namespace trv
