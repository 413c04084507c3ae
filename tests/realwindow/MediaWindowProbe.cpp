// A clip played on the SDL backend into a rectangle of a real window, then in
// the device's own window, for run_media.sh to look at with screenshots and
// to type into with xdotool.
//
//   media_probe DIR                  make a clip in DIR and play it (prints
//                                    "playing", "ended", "own", "ended own")
//   media_probe --diff A B X0 Y0 X1 Y1
//                                    pixels of the rectangle that differ
//                                    between two xwd screenshots
//   media_probe --pixel FILE X Y     "R G B" of a pixel of a screenshot
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "XwdReader.h"
#include "platform/Paths.h"
#include "platform/Platform.h"
#include "support/MediaFixtures.h"

namespace trv {
namespace {

constexpr Color kBackground = MakeColor(20, 90, 20);
constexpr std::uint32_t kGiveUpMs = 30000;

void Line(const std::string& s) {
  std::printf("%s\n", s.c_str());
  std::fflush(stdout);
}

class Keys : public WindowEvents {
 public:
  void OnKeyDown(int vk, unsigned) override { Line("key " + std::to_string(vk)); }
};

int Run(const std::string& dir) {
  const std::string clip = dir + "/clip.avi";
  std::string error;
  if (!test::WriteClip(clip, 160, 120, 25, 50, disc::ClipCodec::MotionJpeg, 4, &error)) {
    std::fprintf(stderr, "media_probe: %s\n", error.c_str());
    return 1;
  }
  auto platform = CreateSdlPlatform({});
  if (!platform) return 1;
  WindowOptions options;
  options.caption = "Media probe";
  options.bounds = Rect::FromSize(100, 100, 320, 240);
  auto window = platform->CreateWindow(options);
  Keys keys;
  window->SetEvents(&keys);
  window->Framebuffer().Fill(window->Framebuffer().Bounds(), kBackground);
  window->Show();
  window->Present();
  auto device = platform->Media().CreateDevice();
  if (device->Open(ToWindowsPath(clip)) != mci::kOk) return 1;
  // Scaled from 160x120 to 200x150.
  device->SetVideoWindow(window.get(), {40, 30, 240, 180});
  std::function<void(MediaNotify)> second = [&](MediaNotify) {
    Line("ended own");
    platform->Loop().Terminate(0);
  };
  device->Play(-1, -1, [&](MediaNotify v) {
    Line(std::string("ended ") + (v == MediaNotify::Successful ? "" : "badly"));
    // Then in a window of its own, which must leave the keys with the probe.
    device->SetVideoWindow(nullptr, {});
    device->Play(0, -1, second);
    Line("own");
  });
  Line("playing");
  platform->Loop().SetTimer(kGiveUpMs, false, [&] {
    Line("timeout");
    platform->Loop().Terminate(2);
  });
  const int code = platform->Loop().Run();
  device.reset();
  window.reset();
  return code;
}

std::optional<XwdImage> Load(const char* file) {
  std::string error;
  auto shot = XwdImage::Load(file, &error);
  if (!shot) std::fprintf(stderr, "media_probe: %s: %s\n", file, error.c_str());
  return shot;
}

int Diff(char** argv) {
  auto a = Load(argv[2]), b = Load(argv[3]);
  if (!a || !b) return 1;
  int differ = 0;
  for (int y = std::atoi(argv[5]); y < std::atoi(argv[7]); ++y)
    for (int x = std::atoi(argv[4]); x < std::atoi(argv[6]); ++x)
      if (a->Pixel(x, y) != b->Pixel(x, y)) ++differ;
  std::printf("%d\n", differ);
  return 0;
}

int Pixel(char** argv) {
  auto shot = Load(argv[2]);
  if (!shot) return 1;
  auto rgb = shot->Pixel(std::atoi(argv[3]), std::atoi(argv[4]));
  if (!rgb) return 1;
  std::printf("%d %d %d\n", RedOf(*rgb), GreenOf(*rgb), BlueOf(*rgb));
  return 0;
}

}  // namespace
}  // namespace trv

int main(int argc, char** argv) {
  const std::string verb = argc > 1 ? argv[1] : "";
  if (argc == 8 && verb == "--diff") return trv::Diff(argv);
  if (argc == 5 && verb == "--pixel") return trv::Pixel(argv);
  if (argc == 2 && verb[0] != '-') return trv::Run(verb);
  std::fprintf(stderr, "usage: media_probe DIR | --diff A B X0 Y0 X1 Y1 | --pixel FILE X Y\n");
  return 2;
}
