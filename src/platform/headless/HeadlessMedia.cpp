#include "platform/headless/HeadlessPlatform.h"
#include "platform/media/MediaProbe.h"

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
    if (info_.hasVideo) show(Bitmap(info_.natural.width, info_.natural.height, kHeadlessVideoColor));
  }
  void Pause() override {}
  void Resume() override {}
  void Stop(bool) override {}

 private:
  MediaInfo info_;
};

}  // namespace

std::unique_ptr<MediaDevice> HeadlessMediaSystem::CreateDevice() {
  MediaHost host;
  host.loop = &platform_.VirtualLoop();
  host.trace = &platform_.Tracer();
  host.createWindow = [this](const WindowOptions& o) { return platform_.CreateWindow(o); };
  host.screenSize = [this] { return platform_.ScreenSize(); };
  return std::make_unique<MediaCommandDevice>(std::move(host), ++serial_, std::make_unique<HeadlessMediaEngine>());
}

}  // namespace trv
