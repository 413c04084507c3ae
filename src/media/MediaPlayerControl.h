#pragma once

#include "media/MPlayer.h"

namespace trv {

// The player side of the media player control: a player whose next play may
// begin and end at positions set for it alone, rewinding at the end by
// default. Its button bar is never shown, so it has none.
class TMediaPlayer : public TMPlayer {
 public:
  TMediaPlayer(MediaSystem& media, EventLoop& loop) : TMPlayer(media, loop) { AutoRewind = true; }

  // The start and end of the next play only; the play consumes them.
  void SetFrom(std::int32_t position) { from_ = position; }
  void SetTo(std::int32_t position) { to_ = position; }

  void Play() {
    const std::int32_t from = from_, to = to_;
    from_ = to_ = -1;
    PlayRange(from, to);
  }

 private:
  std::int32_t from_ = -1;
  std::int32_t to_ = -1;
};

}  // namespace trv
