#pragma once

#include <string>

#include "shell/parts/OwnerCall.h"
#include "shell/parts/ScreenPart.h"

namespace trv {

// The tree views of the screens and the ratings list. Until they exist each
// call is only recorded.
class TTreesPart : public ScreenPart {
 public:
  explicit TTreesPart(Trace& trace) : trace_(trace) {}

  void ShowForScreen(int) override { OwnerCall(trace_, "trees", "show-for-screen"); }
  void Select(int number) { OwnerCall(trace_, "trees", "select", std::to_string(number)); }
  void ShowCurrent() { OwnerCall(trace_, "trees", "show"); }
  void HideCurrent() { OwnerCall(trace_, "trees", "hide"); }
  // What the next shown tree opens: a file, or the item with this caption.
  void SetPendingFile(const std::string& file) { OwnerCall(trace_, "trees", "pending-file", file); }
  void SetPendingItem(const std::string& caption) { OwnerCall(trace_, "trees", "pending-item", caption); }
  void FillRatings() { OwnerCall(trace_, "trees", "fill-ratings"); }

 private:
  Trace& trace_;
};

}  // namespace trv
