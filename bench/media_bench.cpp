// Media decoding and playing, timed: a 308x232 clip like the demo disc's
// game-table clips and a piece of MP3 music.
//
//   media_bench [CLIP.avi]
//
// Without CLIP.avi it takes build/demo-disc/avis/gametable1.avi when that
// exists, else encodes a clip of that size with the disc builder's encoder.
// Prints, for each: the CPU time the decoder threads take per second of media
// when decoding as fast as they can; the CPU time of the whole process per
// second of media while it really plays (SDL with the dummy video and audio
// drivers, frames drawn into a window); the frames shown, dropped and late at
// the clip's rate; and the time from Play to the first samples queued for the
// audio output. An idle loop is timed first, for the process figures to be
// read against.
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/Paths.h"
#include "platform/media/MediaDecode.h"
#include "platform/media/MediaProbe.h"
#include "platform/sdl/SdlPlatform.h"
#include "support/MediaFixtures.h"
#include "support/TestSupport.h"

namespace trv {
namespace {

using SteadyClock = std::chrono::steady_clock;

double CpuMs() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return double(ts.tv_sec) * 1000.0 + double(ts.tv_nsec) / 1e6;
}

double MsSince(SteadyClock::time_point t) {
  return std::chrono::duration<double, std::milli>(SteadyClock::now() - t).count();
}

std::shared_ptr<FileHandle> OpenFile(const std::filesystem::path& p, MediaInfo* info) {
  MediaFileOpen f = OpenMediaFile(ToWindowsPath(p));
  std::string why;
  if (f.code != mci::kOk || ProbeMediaFd(f.file.Get(), info, &why) != mci::kOk) {
    std::fprintf(stderr, "media_bench: cannot open %s: %s%s\n", p.c_str(), f.why.c_str(), why.c_str());
    std::exit(1);
  }
  return std::make_shared<FileHandle>(std::move(f.file));
}

// Decoder threads as fast as they go; CPU per second of media.
void DecodeOnly(const std::filesystem::path& clip, const std::filesystem::path& music) {
  MediaInfo info;
  auto file = OpenFile(clip, &info);
  auto queue = std::make_shared<FrameQueue>(6);
  double cpu = CpuMs();
  auto start = SteadyClock::now();
  int frames = 0;
  {
    VideoDecodeThread video(file, {0, info.lengthMs}, {}, queue);
    while (true) {
      if (queue->Pop()) {
        ++frames;
        continue;
      }
      if (queue->Finished() && !queue->FrontTime()) break;
      std::this_thread::yield();
    }
  }
  double seconds = double(info.lengthMs) / 1000.0;
  std::printf("clip %dx%d, %d/%d fps, %.1f s, %s: %d frames decoded in %.0f ms, %.1f ms CPU per second of video\n",
              info.natural.width, info.natural.height, info.rateNum, info.rateDen, seconds, info.videoCodec.c_str(),
              frames, MsSince(start), (CpuMs() - cpu) / seconds);

  file = OpenFile(music, &info);
  auto ring = std::make_shared<SampleRing>(44100, 2);
  std::vector<std::int16_t> sink(8192 * 2);
  cpu = CpuMs();
  start = SteadyClock::now();
  std::size_t samples = 0;
  {
    AudioDecodeThread audio(file, {0, info.lengthMs}, 44100, ring);
    while (!ring->Drained()) {
      const std::size_t n = ring->Read(sink.data(), 8192);
      samples += n;
      if (!n) std::this_thread::yield();
    }
  }
  seconds = double(info.lengthMs) / 1000.0;
  std::printf("music %.1f s, %s: %zu frames at 44100 Hz decoded in %.0f ms, %.1f ms CPU per second of sound\n",
              seconds, info.audioCodec.c_str(), samples, MsSince(start), (CpuMs() - cpu) / seconds);
}

// Really plays: frames drawn into a window at the clip's rate, sound mixed.
void Play(const std::filesystem::path& clip, const std::filesystem::path& music) {
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  test::TempDir settings;
  PlatformConfig config;
  config.settingsDir = settings.Path();
  SdlPlatform platform(config);
  if (!platform.Ready()) {
    std::fprintf(stderr, "media_bench: SDL video does not start\n");
    std::exit(1);
  }
  auto window = platform.CreateWindow({"dialog", "bench", Rect::FromSize(0, 0, 640, 480)});
  window->Show();
  auto run = [&](MediaDevice& device, const char* what, bool video) {
    bool ended = false;
    SdlMediaStats& stats = platform.RealMedia().Stats();
    stats.framesShown = stats.framesDropped = stats.framesLate = 0;
    std::int32_t length = 0;
    device.Length(&length);
    const double cpu = CpuMs();
    const auto start = SteadyClock::now();
    device.Play(0, -1, [&](MediaNotify) { ended = true; });
    // The loop as the program runs it: asleep until an event, a timer or a posted task.
    const TimerId giveUp = platform.Loop().SetTimer(std::uint32_t(length) + 5000, false, [&] { ended = true; });
    platform.Loop().RunModal([&] { return ended; });
    platform.Loop().KillTimer(giveUp);
    const double seconds = length / 1000.0;
    std::printf("%s playing %.1f s: ended after %.0f ms, %.1f ms CPU per second of media (process)", what, seconds,
                MsSince(start), (CpuMs() - cpu) / seconds);
    if (video)
      std::printf(", frames shown %lld, dropped %lld, late %lld", (long long)stats.framesShown.load(),
                  (long long)stats.framesDropped.load(), (long long)stats.framesLate.load());
    std::printf("\n");
  };
  {  // what the loop and SDL's dummy drivers take with nothing playing
    bool ended = false;
    const double cpu = CpuMs();
    platform.Loop().SetTimer(3000, false, [&] { ended = true; });
    platform.Loop().RunModal([&] { return ended; });
    std::printf("idle loop, window shown: %.1f ms CPU per second\n", (CpuMs() - cpu) / 3.0);
  }
  // Open reads the header on the loop thread: how long it holds the loop.
  auto timeOpen = [](MediaDevice& device, const std::filesystem::path& p, const char* what) {
    std::vector<double> ms;
    for (int i = 0; i < 10; ++i) {
      const auto start = SteadyClock::now();
      if (device.Open(ToWindowsPath(p)) != mci::kOk) std::exit(1);
      ms.push_back(MsSince(start));
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%s Open (header read on the loop thread): median %.2f ms, worst %.2f ms\n", what, ms[5], ms.back());
  };
  auto clipDevice = platform.Media().CreateDevice();
  timeOpen(*clipDevice, clip, "clip");
  clipDevice->SetVideoWindow(window.get(), {20, 20, 0, 0});
  run(*clipDevice, "clip", true);
  clipDevice->SetVideoWindow(window.get(), {0, 0, 616, 464});
  run(*clipDevice, "clip scaled x2", true);
  clipDevice.reset();

  auto musicDevice = platform.Media().CreateDevice();
  timeOpen(*musicDevice, music, "music");
  run(*musicDevice, "music", false);

  // Play to first samples queued, from the start and from the middle.
  std::vector<double> latencies, stopMs;
  SdlMediaStats& stats = platform.RealMedia().Stats();
  for (int i = 0; i < 20; ++i) {
    const std::int32_t from = (i % 2) * 4000 + i * 100;
    musicDevice->Play(from, -1, nullptr);
    const auto start = SteadyClock::now();
    while (stats.audioStartUs.load() < 0 && MsSince(start) < 2000) {
      platform.Loop().ProcessMessages();
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    latencies.push_back(double(stats.audioStartUs.load()) / 1000.0);
    const auto stopStart = SteadyClock::now();
    musicDevice->Stop();
    stopMs.push_back(MsSince(stopStart));
  }
  std::sort(latencies.begin(), latencies.end());
  std::printf("audio start, Play to first samples queued (20 plays): median %.1f ms, worst %.1f ms\n",
              latencies[latencies.size() / 2], latencies.back());
  std::sort(stopMs.begin(), stopMs.end());
  std::printf("Stop of a playing music device (its decoder thread joined): median %.2f ms, worst %.2f ms\n",
              stopMs[stopMs.size() / 2], stopMs.back());
}

}  // namespace
}  // namespace trv

int main(int argc, char** argv) {
  using namespace trv;
  test::TempDir dir;
  std::filesystem::path clip = argc > 1 ? argv[1] : "build/demo-disc/avis/gametable1.avi";
  std::string error;
  if (!std::filesystem::exists(clip)) {
    clip = dir / "gametable1.avi";
    // The size, rate and quality of the disc's game-table clips.
    if (!test::WriteClip(clip, 308, 232, 25, 125, disc::ClipCodec::MotionJpeg, 6, &error)) {
      std::fprintf(stderr, "media_bench: cannot encode the clip: %s\n", error.c_str());
      return 1;
    }
  }
  const auto music = dir / "music.mp3";
  if (!test::WriteMp3(music, 10.0, 44100, &error)) {
    std::fprintf(stderr, "media_bench: cannot encode the music: %s\n", error.c_str());
    return 1;
  }
  std::printf("clip: %s\n", clip.c_str());
  DecodeOnly(clip, music);
  Play(clip, music);
  return 0;
}
