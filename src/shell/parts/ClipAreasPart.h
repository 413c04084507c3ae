#pragma once

#include <string>

#include "shell/parts/OwnerCall.h"
#include "shell/parts/ScreenPart.h"

namespace trv {

// The clip areas of the screens and the clip player's commands. Until the
// media player exists each call is only recorded.
class TClipAreasPart : public ScreenPart {
 public:
  explicit TClipAreasPart(Trace& trace) : trace_(trace) {}

  void ShowForScreen(int) override { OwnerCall(trace_, "clips", "show-for-screen"); }
  // `mode` 0: the current clip; 4: the file `name`.
  void Play(const std::string& name, int mode) { OwnerCall(trace_, "clips", "play", std::to_string(mode) + ":" + name); }
  void Stop() { OwnerCall(trace_, "clips", "stop"); }
  void Pause() { OwnerCall(trace_, "clips", "pause"); }
  void StepForward() { OwnerCall(trace_, "clips", "step-forward"); }
  void StepBack() { OwnerCall(trace_, "clips", "step-back"); }
  void Close() { OwnerCall(trace_, "clips", "close"); }

 private:
  Trace& trace_;
};

}  // namespace trv
