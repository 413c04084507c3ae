// A borderless shaped window on the SDL backend that prints every event it
// gets, one line each, for the real-window test to drive with xdotool.
//
//   window_probe                     run the window
//   window_probe --pixel FILE X Y    print "R G B" of a pixel of an xwd screenshot
//   window_probe --compare-scaled ONE X1 Y1 MANY X2 Y2 W H SCALE
//       compare the W x H area at X1,Y1 of screenshot ONE with the area at
//       X2,Y2 of MANY, where each pixel should be a SCALE x SCALE block;
//       print the number of pixels that differ (exit 1 when any do)
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "XwdReader.h"
#include "platform/Keys.h"
#include "platform/Platform.h"
#include "platform/Text.h"

namespace trv {
namespace {

constexpr Color kPattern = MakeColor(32, 192, 64);
constexpr Color kStripe = MakeColor(200, 40, 40);
constexpr int kDragBand = 20;  // client rows that move the window, like a title bar
constexpr std::uint32_t kGiveUpMs = 25000;
constexpr std::uint32_t kFlashMs = 1000;

void Line(const std::string& s) {
  std::printf("%s\n", s.c_str());
  std::fflush(stdout);
}

std::string Xy(Point p) { return std::to_string(p.x) + " " + std::to_string(p.y); }

const char* ButtonName(MouseButton b) {
  return b == MouseButton::Left ? "L" : b == MouseButton::Right ? "R" : "M";
}

class Probe : public WindowEvents {
 public:
  Probe(Platform& platform, Window& window) : platform_(platform), window_(window) {}

  void OnMouseMove(Point p, unsigned shift) override { Line("move " + Xy(p) + " " + std::to_string(shift)); }
  void OnMouseDown(MouseButton b, Point p, unsigned shift) override {
    Line(std::string("down ") + ButtonName(b) + " " + Xy(p) + " " + std::to_string(shift));
    if (b == MouseButton::Left && p.y < kDragBand) {
      Line("drag");
      window_.BeginDrag();
    }
  }
  void OnMouseUp(MouseButton b, Point p, unsigned shift) override {
    Line(std::string("up ") + ButtonName(b) + " " + Xy(p) + " " + std::to_string(shift));
  }
  void OnMouseLeave() override { Line("leave"); }
  void OnMouseWheel(int delta, Point p, unsigned) override { Line("wheel " + std::to_string(delta) + " " + Xy(p)); }
  void OnKeyDown(int vk, unsigned shift) override {
    Line("key " + std::to_string(vk) + " " + std::to_string(shift));
    if (vk == vk::F1 + 1) FindAndCloseSelf();
    if (vk == vk::F1 + 2) Flash("hint");
    if (vk == vk::F1 + 3) Flash("quiet");
    if (vk == vk::F1 + 4) Flash("hide");
    if (vk == vk::F1 + 5) Flash("destroy");
  }
  void OnKeyUp(int vk, unsigned) override { Line("keyup " + std::to_string(vk)); }
  void OnChar(char c) override {
    char hex[8];
    std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned char>(c));
    const bool printable = static_cast<unsigned char>(c) >= 0x20;
    Line(std::string("char ") + hex + (printable ? " " + Cp1251ToUtf8(std::string(1, c)) : ""));
  }
  void OnDropFiles(const std::vector<std::string>& paths) override {
    for (const auto& p : paths) Line("drop " + Cp1251ToUtf8(p));
  }
  void OnCloseRequest() override {
    Line("close");
    platform_.Loop().Terminate(0);
  }
  void OnActivate(bool active) override { Line(active ? "activate 1" : "activate 0"); }
  void OnMinimize() override { Line("minimize"); }
  void OnRestore() override { Line("restore"); }
  void OnExpose() override { Line("expose"); }

 private:
  // Shows a second window for a while, then hides or destroys it: a hint that
  // never takes the focus, one shown without activation, or one that takes it.
  void Flash(const std::string& how) {
    WindowOptions options{"popup", "Flash", Rect::FromSize(420, 40, 120, 80)};
    options.noActivate = how == "hint";
    flash_ = platform_.CreateWindow(options);
    flash_->Framebuffer().Fill(flash_->Framebuffer().Bounds(), kStripe);
    if (how == "quiet")
      flash_->ShowNoActivate();
    else
      flash_->Show();
    flash_->Present();
    Line("flash " + how);
    platform_.Loop().SetTimer(kFlashMs, false, [this, how] {
      if (how == "destroy")
        flash_.reset();
      else
        flash_->Hide();
      Line("flash gone");
    });
  }

  // Finds this very window among the desktop's by its caption and asks it to
  // close, as another program would.
  void FindAndCloseSelf() {
    const Rect b = window_.Bounds();
    Line("bounds " + std::to_string(b.left) + " " + std::to_string(b.top) + " " + std::to_string(b.Width()) + " " +
         std::to_string(b.Height()));
    auto ref = platform_.Desktop().FindWindowByTitle(window_.Caption());
    Line(ref ? "found" : "notfound");
    if (ref && !platform_.Desktop().CloseWindow(*ref)) Line("close-failed");
  }

  Platform& platform_;
  Window& window_;
  std::unique_ptr<Window> flash_;
};

int RunWindow() {
  PlatformConfig config;
  if (const char* dir = std::getenv("PROBE_SETTINGS")) config.settingsDir = dir;
  auto platform = CreateSdlPlatform(config);
  if (!platform) {
    std::fprintf(stderr, "window_probe: no display\n");
    return 1;
  }
  platform->Keys().LoadLayout(kLayoutRussian);
  int exitCode = 0;
  {
    WindowOptions options;
    options.caption = Utf8ToCp1251("Probe Проба");
    options.bounds = Rect::FromSize(100, 100, 200, 160);
    auto window = platform->CreateWindow(options);
    Probe probe(*platform, *window);
    window->SetEvents(&probe);
    // An L: the lower left quarter is cut away and must show the desktop.
    window->SetRegion({{0, 0}, {200, 0}, {200, 160}, {100, 160}, {100, 80}, {0, 80}});
    Bitmap& fb = window->Framebuffer();
    fb.Fill(fb.Bounds(), kPattern);
    fb.Fill({0, 0, 200, kDragBand}, kStripe);
    window->Show();
    window->Present();
    platform->Loop().SetTimer(kGiveUpMs, false, [&] {
      Line("timeout");
      platform->Loop().Terminate(2);
    });
    platform->Loop().ProcessMessages();
    Line("ready");
    // A worker hands the loop a task while it waits for input: the X event
    // wait must wake for it (the give-up timer is far away).
    std::thread worker([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      const bool ran = platform->Loop().PostAndWait([] { Line("worker task"); });
      Line(ran ? "worker done" : "worker refused");
    });
    exitCode = platform->Loop().Run();
    worker.join();
  }
  return exitCode;
}

int PrintPixel(const char* file, const char* x, const char* y) {
  std::string error;
  auto shot = XwdImage::Load(file, &error);
  if (!shot) {
    std::fprintf(stderr, "window_probe: %s: %s\n", file, error.c_str());
    return 1;
  }
  auto rgb = shot->Pixel(std::atoi(x), std::atoi(y));
  if (!rgb) {
    std::fprintf(stderr, "window_probe: pixel outside the picture\n");
    return 1;
  }
  std::printf("%d %d %d\n", RedOf(*rgb), GreenOf(*rgb), BlueOf(*rgb));
  return 0;
}

int CompareScaled(char** argv) {
  std::string error;
  auto one = XwdImage::Load(argv[0], &error);
  std::optional<XwdImage> many;
  if (one) many = XwdImage::Load(argv[3], &error);
  if (!one || !many) {
    std::fprintf(stderr, "window_probe: %s\n", error.c_str());
    return 2;
  }
  const int x1 = std::atoi(argv[1]), y1 = std::atoi(argv[2]), x2 = std::atoi(argv[4]), y2 = std::atoi(argv[5]);
  const int w = std::atoi(argv[6]), h = std::atoi(argv[7]), scale = std::atoi(argv[8]);
  long differ = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const auto want = one->Pixel(x1 + x, y1 + y);
      bool same = want.has_value();
      for (int dy = 0; same && dy < scale; ++dy)
        for (int dx = 0; same && dx < scale; ++dx) same = many->Pixel(x2 + x * scale + dx, y2 + y * scale + dy) == want;
      if (same) continue;
      if (differ < 5) std::printf("differs at %d,%d\n", x, y);
      ++differ;
    }
  std::printf("%ld pixels differ\n", differ);
  return differ == 0 ? 0 : 1;
}

}  // namespace
}  // namespace trv

int main(int argc, char** argv) {
  if (argc == 5 && std::string(argv[1]) == "--pixel") return trv::PrintPixel(argv[2], argv[3], argv[4]);
  if (argc == 11 && std::string(argv[1]) == "--compare-scaled") return trv::CompareScaled(argv + 2);
  if (argc != 1) {
    std::fprintf(stderr, "usage: window_probe [--pixel FILE.xwd X Y | --compare-scaled ONE X1 Y1 MANY X2 Y2 W H SCALE]\n");
    return 2;
  }
  return trv::RunWindow();
}
