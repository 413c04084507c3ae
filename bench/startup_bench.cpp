// Time from the start of the process's work to the first presented frame of
// the shell on the headless backend, for a disc of five screens with 800x600
// backgrounds and a dozen elements each.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "disc/ArchiveWriter.h"
#include "platform/Bmp.h"
#include "platform/Text.h"
#include "platform/headless/HeadlessPlatform.h"
#include "shell/MainForm.h"
#include "support/TestSupport.h"

namespace {

std::vector<std::uint8_t> Picture(int w, int h, trv::Color c) { return trv::EncodeBmp(trv::Bitmap(w, h, c)); }

void WriteDisc(const std::filesystem::path& dir) {
  trv::disc::ArchiveWriter w;
  std::string script = "title=benchmark\r\nvertexmain=[0,0;800,0;800,600;0,600]\r\n";
  for (int s = 1; s <= 5; ++s) {
    script += "_screen" + std::to_string(s) + " back" + std::to_string(s) + ".bmp\r\n";
    w.Add("back" + std::to_string(s) + ".bmp", Picture(800, 600, trv::MakeColor(std::uint8_t(s * 40), 90, 90)));
    for (int b = 0; b < 8; ++b)
      script += "button" + std::to_string(s) + ";vx=" + std::to_string(20 + b * 90) +
                ";vy=20;fn1=n.bmp;fn2=h.bmp;fn3=p.bmp;fn4=i.bmp;go=screen1=store;hint=x;wav=no\r\n";
    for (int k = 0; k < 4; ++k)
      script += "switchgrp" + std::to_string(s) + ";vx=" + std::to_string(20 + k * 40) +
                ";vy=500;fn1=s1.bmp;fn2=s2.bmp;fn3=s3.bmp;fn4=s4.bmp;state=off;store=off;group=1;go=x;hint=;wav=no\r\n";
  }
  w.Add("Struct.txt", std::vector<std::uint8_t>(script.begin(), script.end()));
  for (const char* name : {"n.bmp", "h.bmp", "p.bmp", "i.bmp"}) w.Add(name, Picture(80, 30, trv::MakeColor(200, 0, 0)));
  for (const char* name : {"s1.bmp", "s2.bmp", "s3.bmp", "s4.bmp"}) w.Add(name, Picture(30, 30, trv::MakeColor(0, 200, 0)));
  w.Write(dir / "Mev.dhl");
}

void BM_StartToFirstFrame(benchmark::State& state) {
  trv::test::TempDir disc, home, runtime;
  setenv("XDG_RUNTIME_DIR", runtime.Path().c_str(), 1);
  WriteDisc(disc.Path());
  const trv::DiscPaths paths = trv::ComputeDiscPaths(disc.Path());
  for (auto _ : state) {
    trv::PlatformConfig config;
    config.settingsDir = home / "settings";
    trv::HeadlessPlatform platform(config);
    trv::TMainForm form(platform, paths);
    trv::StartStop stop;
    if (!form.FormCreate({{}, "trivion"}, &stop) || platform.FindWindow("main")->PresentCount() == 0) {
      state.SkipWithError(stop.reason.c_str());
      break;
    }
  }
}
BENCHMARK(BM_StartToFirstFrame)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
