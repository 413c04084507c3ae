#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "platform/MediaCommands.h"
#include "platform/sdl/SdlAudioOut.h"

namespace trv {

class SdlPlatform;

// How the video of the plays so far kept time (benchmarks and tests).
struct SdlMediaStats {
  std::atomic<std::int64_t> framesShown{0};
  // Frames whose time passed while a later one was also due: never shown.
  std::atomic<std::int64_t> framesDropped{0};
  // Frames shown more than a frame's time after they were due (the decoder
  // was behind).
  std::atomic<std::int64_t> framesLate{0};
  // Microseconds from the last Play to its first samples queued for the output.
  std::atomic<std::int64_t> audioStartUs{-1};
};

// The media devices of the SDL backend: each play decodes on threads of its
// own (the shared decoders), its sound goes into the program's one audio output
// beside the effects, its frames are shown on the loop thread at their times,
// late ones dropped. Time is kept by the loop's clock, so that without an audio
// device a file still plays for its length and its play ends on time.
class SdlMediaSystem : public MediaSystem {
 public:
  SdlMediaSystem(SdlPlatform& platform, std::shared_ptr<SdlAudioOut> out);
  std::unique_ptr<MediaDevice> CreateDevice() override;
  void SetWaveVolume(std::uint16_t left, std::uint16_t right) override { out_->SetGain(left, right); }
  void WaveVolume(std::uint16_t* left, std::uint16_t* right) const override { out_->Gain(left, right); }

  SdlAudioOut& Output() { return *out_; }
  SdlMediaStats& Stats() { return stats_; }

 private:
  SdlPlatform& platform_;
  std::shared_ptr<SdlAudioOut> out_;
  int serial_ = 0;
  SdlMediaStats stats_;
};

}  // namespace trv
