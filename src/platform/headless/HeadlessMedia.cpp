#include "platform/headless/HeadlessPlatform.h"
#include "platform/media/MediaProbe.h"

#include <algorithm>

namespace trv {
namespace {

// Nothing is decoded or heard: the header gives the length, and a play shows
// one solid frame when it starts. The shared device keeps the time.
class HeadlessMediaEngine : public MediaEngine {
 public:
  int Open(FileHandle file, MediaInfo* info, std::string* why) override {
    const int rc = ProbeMediaFd(file.Get(), info, why);
    if (rc == mci::kOk) info_ = *info;
    return rc;
  }
  void Close() override { info_ = MediaInfo(); }
  void Start(std::int64_t, std::int64_t, PositionFn, ShowFn show) override {
    // Solid, so a small picture scaled into the rect shows the same.
    if (info_.hasVideo) show(Bitmap(std::min(info_.natural.width, 16), std::min(info_.natural.height, 16), kHeadlessVideoColor));
  }
  void Pause() override {}
  void Resume() override {}
  void Stop(bool) override {}

 private:
  MediaInfo info_;
};

}  // namespace

std::unique_ptr<MediaDevice> HeadlessMediaSystem::CreateDevice() {
  return std::make_unique<MediaCommandDevice>(MediaHostOf(platform_), ++serial_, std::make_unique<HeadlessMediaEngine>());
}

}  // namespace trv
