#pragma once

#include <memory>

#include "shell/parts/ScreenPart.h"
#include "windows/TextMessages.h"

namespace trv {

// The text fields of the main window (the game writes into them) and their
// hint zones, which take the pointer where no button or switch lies.
class TTextFieldsPart : public ScreenPart {
 public:
  TTextFieldsPart(ScreenPartHost& host, FontEngine* fonts, const TDynamicTextArray& texts, Trace* trace);

  TTextMsg& Fields() { return *fields_; }

  void Paint(Bitmap& canvas) const override;
  bool MouseMove(Point p, unsigned shift) override;
  bool MouseDown(MouseButton b, Point p, unsigned shift) override;
  bool MouseUp(MouseButton b, Point p, unsigned shift) override;
  void TraceState(Trace::Event& ev) const override;

 private:
  bool ZoneAt(Point p) const;

  ScreenPartHost& host_;
  std::unique_ptr<TTextMsg> fields_;
  bool over_ = false;  // the pointer is over a zone
};

}  // namespace trv
