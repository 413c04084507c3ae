#include "platform/sdl/SdlMedia.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "platform/media/MediaDecode.h"
#include "platform/media/MediaProbe.h"
#include "platform/sdl/SdlPlatform.h"

namespace trv {
namespace {

// Frames decoded ahead of their time, and the memory they may take together.
constexpr std::size_t kFramesAhead = 6;
constexpr std::size_t kFrameBytesAhead = 64u << 20;
// Sound decoded ahead, in seconds' parts: half a second rides out a busy moment.
constexpr int kRingParts = 2;
// Frames mixed per piece.
constexpr int kMixChunk = 1024;

// A play's sound in the output. Paused, it neither plays nor takes samples;
// ending, it plays what is queued and then leaves the output.
class MediaVoice : public AudioSource {
 public:
  explicit MediaVoice(std::shared_ptr<SampleRing> ring)
      : ring_(std::move(ring)), buffer_(std::size_t(kMixChunk) * SdlAudioOut::kChannels) {}

  std::atomic<bool> paused{false};
  std::atomic<bool> ending{false};

  bool MixInto(std::int32_t* mix, int frames) override {
    if (!paused.load()) {
      int done = 0;
      while (done < frames) {
        const int want = std::min(frames - done, kMixChunk);
        const std::size_t got = ring_->Read(buffer_.data(), std::size_t(want));
        std::int32_t* out = mix + std::size_t(done) * SdlAudioOut::kChannels;
        for (std::size_t i = 0; i < got * SdlAudioOut::kChannels; ++i) out[i] += buffer_[i];
        done += int(got);
        if (int(got) < want) break;
      }
    }
    return !(ending.load() && ring_->Drained());
  }

 private:
  std::shared_ptr<SampleRing> ring_;
  std::vector<std::int16_t> buffer_;
};

// Shows a play's frames on the loop thread when the play's position reaches
// them. A frame overtaken by a later one that is also due is dropped, never
// shown late; with nothing queued it sleeps until the decoder wakes it.
class Presenter : public std::enable_shared_from_this<Presenter> {
 public:
  Presenter(EventLoop& loop, std::shared_ptr<FrameQueue> queue, MediaEngine::PositionFn position,
            MediaEngine::ShowFn show, std::int64_t frameMs, SdlMediaStats& stats)
      : loop_(loop),
        queue_(std::move(queue)),
        position_(std::move(position)),
        show_(std::move(show)),
        frameMs_(std::max<std::int64_t>(frameMs, 1)),
        stats_(stats) {}
  ~Presenter() { Kill(); }

  void Begin() {
    std::weak_ptr<Presenter> self = weak_from_this();
    EventLoop* loop = &loop_;
    queue_->SetWake([self, loop] {
      loop->Post([self] {
        if (auto p = self.lock()) p->Wake();
      });
    });
    waiting_ = true;
  }
  void Pause() {
    paused_ = true;
    Kill();
  }
  void Resume() {
    paused_ = false;
    Tick();
  }
  void End() {
    ended_ = true;
    Kill();
    queue_->SetWake(nullptr);
  }

 private:
  void Kill() {
    if (timer_) loop_.KillTimer(timer_);
    timer_ = 0;
    waiting_ = false;
  }
  void Wake() {
    if (waiting_ && !paused_ && !ended_) Tick();
  }
  void Tick() {
    Kill();
    if (paused_ || ended_) return;
    const std::int64_t now = position_();
    std::optional<VideoFrame> due;
    for (auto t = queue_->FrontTime(); t && *t <= now; t = queue_->FrontTime()) {
      if (due) stats_.framesDropped.fetch_add(1);
      due = queue_->Pop();
    }
    if (due) {
      if (now - due->ms > frameMs_) stats_.framesLate.fetch_add(1);
      stats_.framesShown.fetch_add(1);
      show_(std::move(due->picture));
    }
    if (auto t = queue_->FrontTime())
      timer_ = loop_.SetTimer(std::uint32_t(std::clamp<std::int64_t>(*t - position_(), 1, 60000)), false,
                              [this] { Tick(); });
    else if (!queue_->Finished())
      waiting_ = true;
  }

  EventLoop& loop_;
  std::shared_ptr<FrameQueue> queue_;
  MediaEngine::PositionFn position_;
  MediaEngine::ShowFn show_;
  std::int64_t frameMs_;
  SdlMediaStats& stats_;
  TimerId timer_ = 0;
  bool waiting_ = false;
  bool paused_ = false;
  bool ended_ = false;
};

class SdlMediaEngine : public MediaEngine {
 public:
  SdlMediaEngine(EventLoop& loop, SdlAudioOut& out, SdlMediaStats& stats) : loop_(loop), out_(out), stats_(stats) {}
  ~SdlMediaEngine() override { Stop(false); }

  int Open(FileHandle file, MediaInfo* info, std::string* why) override {
    const int rc = ProbeMediaFd(file.Get(), info, why);
    if (rc != mci::kOk) return rc;
    info_ = *info;
    file_ = std::make_shared<FileHandle>(std::move(file));
    return rc;
  }

  void Close() override {
    Stop(false);
    file_.reset();
    info_ = MediaInfo();
  }

  void Start(std::int64_t fromMs, std::int64_t toMs, PositionFn position, ShowFn show) override {
    Stop(false);
    if (!file_) return;
    const DecodeSpan span{fromMs, toMs};
    if (info_.hasAudio && out_.EnsureDevice()) {
      auto ring = std::make_shared<SampleRing>(std::size_t(out_.Rate() / kRingParts), SdlAudioOut::kChannels);
      voice_ = std::make_shared<MediaVoice>(ring);
      out_.Add(voice_);
      stats_.audioStartUs = -1;
      SdlMediaStats* stats = &stats_;
      audio_ = std::make_unique<AudioDecodeThread>(file_, span, out_.Rate(), ring,
                                                   [stats](std::int64_t us) { stats->audioStartUs = us; });
    }
    if (info_.hasVideo) {
      const Size size = frameSize_.width > 0 ? frameSize_ : info_.natural;
      const std::size_t frameBytes = std::size_t(std::min(size.width, kMaxFrameSide)) *
                                     std::size_t(std::min(size.height, kMaxFrameSide)) * 3;
      const std::size_t ahead = std::clamp<std::size_t>(kFrameBytesAhead / std::max<std::size_t>(frameBytes, 1), 2,
                                                        kFramesAhead);
      auto queue = std::make_shared<FrameQueue>(ahead);
      const std::int64_t frameMs = FramesToMs(1, info_.rateNum, info_.rateDen);
      presenter_ = std::make_shared<Presenter>(loop_, queue, std::move(position), std::move(show), frameMs, stats_);
      presenter_->Begin();
      video_ = std::make_unique<VideoDecodeThread>(file_, span, frameSize_, queue);
    }
  }

  void Pause() override {
    if (voice_) voice_->paused = true;
    if (presenter_) presenter_->Pause();
  }

  void Resume() override {
    if (voice_) voice_->paused = false;
    if (presenter_) presenter_->Resume();
  }

  void Stop(bool reachedEnd) override {
    if (presenter_) presenter_->End();
    video_.reset();  // closes its queue and joins
    presenter_.reset();
    if (voice_) {
      if (reachedEnd)
        voice_->ending = true;  // what is on its way out still plays
      else
        out_.Remove(voice_.get());
    }
    audio_.reset();  // closes the ring and joins
    voice_.reset();
  }

  void SetFrameSize(Size size) override {
    frameSize_ = size;
    if (video_) video_->SetFrameSize(size);
  }

 private:
  EventLoop& loop_;
  SdlAudioOut& out_;
  SdlMediaStats& stats_;
  MediaInfo info_;
  std::shared_ptr<FileHandle> file_;
  Size frameSize_;
  std::shared_ptr<MediaVoice> voice_;
  std::unique_ptr<AudioDecodeThread> audio_;
  std::shared_ptr<Presenter> presenter_;
  std::unique_ptr<VideoDecodeThread> video_;
};

}  // namespace

SdlMediaSystem::SdlMediaSystem(SdlPlatform& platform, std::shared_ptr<SdlAudioOut> out)
    : platform_(platform), out_(std::move(out)) {}

std::unique_ptr<MediaDevice> SdlMediaSystem::CreateDevice() {
  return std::make_unique<MediaCommandDevice>(MediaHostOf(platform_), ++serial_,
                                              std::make_unique<SdlMediaEngine>(platform_.Loop(), *out_, stats_));
}

}  // namespace trv
