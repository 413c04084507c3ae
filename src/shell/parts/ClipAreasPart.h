#pragma once

#include <memory>
#include <string>
#include <vector>

#include "media/ClipPlayer.h"
#include "shell/parts/ScreenPart.h"
#include "script/ShellElements.h"

namespace trv {

// The clip areas of the screens (coloured rectangles, each shown with its
// screen) and the clip player whose video shows in them: the "clip", "play",
// "stop", "pause" and ten-second step commands, and sounds dropped on the
// window. The pointer over a visible area is the area's: the screen's
// elements lose their hover there and a press drags nothing.
class TClipAreasPart : public ScreenPart {
 public:
  // `music` may be null.
  TClipAreasPart(ScreenPartHost& host, MediaSystem& media, EventLoop& loop, const TDynamicClipArray& clips,
                 TBackgroundMusic* music);

  TSound& Player() { return *player_; }

  // The commands; none raises or tells the player of a failure.
  void Play(const std::string& name, int mode) { player_->Play(name, mode); }
  void Stop();
  void Pause();
  void StepForward() { player_->StepForward(); }
  void StepBack() { player_->StepBack(); }
  void Close() { player_->Close(); }
  void PlayDropped(const std::string& windowsPath) { player_->PlayDropped(windowsPath); }

  // The areas of the screen left are hidden, those of the screen shown appear.
  void ShowForScreen(int screen) override;
  void Paint(Bitmap& canvas) const override;
  bool MouseMove(Point p, unsigned shift) override;
  bool MouseDown(MouseButton b, Point p, unsigned shift) override;
  bool MouseUp(MouseButton b, Point p, unsigned shift) override;
  void TraceState(Trace::Event& ev) const override;
  // The video waits while the window fades into another look.
  void FadeStarted() override { player_->ShowVideo(false); }
  void FadeEnded() override { ShowVideoIfAreaShows(); }

 private:
  // The video draws only while its area shows.
  void ShowVideoIfAreaShows();
  struct Area {
    Rect rect;
    Color color = 0;
    std::int32_t screen = 0;
    std::int32_t html = 0;  // kept with the area; nothing reads it
    bool visible = false;
  };
  const Area* VisibleAt(Point p) const;

  ScreenPartHost& host_;
  std::vector<Area> areas_;
  int previousScreen_ = -1;
  std::unique_ptr<TSound> player_;
};

}  // namespace trv
