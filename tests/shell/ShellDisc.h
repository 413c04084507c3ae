#pragma once

// A small disc for the shell's tests: two screens, a hover-sounding button
// with a hint, a second button, a single switch and a group of two switches,
// a button back to the first screen on the second, each picture a flat
// colour so that frames can be told apart by their pixels.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "disc/ArchiveWriter.h"
#include "platform/Bmp.h"
#include "platform/Text.h"
#include "platform/headless/HeadlessPlatform.h"
#include "shell/ShellProcess.h"
#include "shell/ViewerCommandLine.h"
#include "support/TestSupport.h"

namespace trv::test {

inline constexpr Color kBack1 = MakeColor(100, 100, 100);
inline constexpr Color kBack2 = MakeColor(10, 20, 30);
inline constexpr Color kNormal = MakeColor(200, 0, 0);
inline constexpr Color kHover = MakeColor(0, 200, 0);
inline constexpr Color kPressed = MakeColor(0, 0, 200);
inline constexpr Color kInactive = MakeColor(50, 50, 50);
inline constexpr Color kSwOff = MakeColor(255, 255, 0);
inline constexpr Color kSwOffHover = MakeColor(0, 255, 255);
inline constexpr Color kSwOnHover = MakeColor(255, 0, 255);
inline constexpr Color kSwOn = MakeColor(255, 128, 0);

// Struct.txt of the test disc, UTF-8 here, CP1251 in the archive.
inline std::string TestScript() {
  return "title=тестовый диск\n"
         "vertexmain=[0,0;200,0;200,150;0,150]\n"
         "hintcolor=255,255,225\n"
         "_screen1 back1.bmp\n"
         "_screen2 back2.bmp\n"
         "button1;vx=20;vy=20;name=mt\n"
         "fn1=n.bmp;fn2=h.bmp;fn3=p.bmp;fn4=i.bmp;go=screen2=store;hint=Подсказка;wav=hover.wav\n"
         "button1;vx=100;vy=20\n"
         "fn1=n.bmp;fn2=h.bmp;fn3=p.bmp;fn4=i.bmp;go=exit;hint=;wav=no\n"
         "button2;vx=20;vy=20;name=backtomainscreen\n"
         "fn1=n.bmp;fn2=h.bmp;fn3=p.bmp;fn4=i.bmp;go=screen1=store;hint=Назад;wav=back.wav\n"
         "switchone1;vx=20;vy=80;fn1=s1.bmp;fn2=s2.bmp;fn3=s3.bmp;fn4=s4.bmp;state=off;store=off;goup=up;godown=down;"
         "hint=;wav=sw.wav\n"
         "switchgrp1;vx=80;vy=80;fn1=s1.bmp;fn2=s2.bmp;fn3=s3.bmp;fn4=s4.bmp;state=on;store=off;group=1;go=ga;hint=;"
         "wav=g.wav\n"
         "switchgrp1;vx=120;vy=80;fn1=s1.bmp;fn2=s2.bmp;fn3=s3.bmp;fn4=s4.bmp;state=off;store=off;group=1;go=gb;"
         "hint=;wav=g.wav\n";
}

inline std::vector<std::uint8_t> FlatBmp(int w, int h, Color c) { return EncodeBmp(Bitmap(w, h, c)); }

inline std::vector<std::uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

// Writes the disc's archive into `dir`; `script` replaces Struct.txt when given;
// `more` entries go in as they are.
inline void WriteTestDisc(const std::filesystem::path& dir, const std::string& scriptUtf8 = TestScript(),
                          bool withScript = true,
                          const std::vector<std::pair<std::string, std::vector<std::uint8_t>>>& more = {}) {
  disc::ArchiveWriter w;
  // Scripts end their lines with CR LF.
  std::string script;
  for (char c : scriptUtf8) {
    if (c == '\n') script += '\r';
    script += c;
  }
  if (withScript) w.Add("Struct.txt", Bytes(Utf8ToCp1251(script)));
  w.Add("back1.bmp", FlatBmp(200, 150, kBack1));
  w.Add("back2.bmp", FlatBmp(160, 120, kBack2));
  w.Add("n.bmp", FlatBmp(40, 20, kNormal));
  w.Add("h.bmp", FlatBmp(40, 20, kHover));
  w.Add("p.bmp", FlatBmp(40, 20, kPressed));
  w.Add("i.bmp", FlatBmp(40, 20, kInactive));
  w.Add("s1.bmp", FlatBmp(20, 20, kSwOff));
  w.Add("s2.bmp", FlatBmp(20, 20, kSwOffHover));
  w.Add("s3.bmp", FlatBmp(20, 20, kSwOnHover));
  w.Add("s4.bmp", FlatBmp(20, 20, kSwOn));
  for (const auto& [name, bytes] : more) w.Add(name, bytes);
  std::filesystem::create_directories(dir);
  w.Write(dir / "Mev.dhl");
}

// A headless platform with its settings in a temporary folder, the lock of
// the single-instance rule in another, and the trace kept in memory.
class ShellTest : public ::testing::Test {
 protected:
  ShellTest() {
    setenv("XDG_RUNTIME_DIR", runtime.Path().c_str(), 1);
    PlatformConfig config;
    config.settingsDir = home / "settings";
    platform = std::make_unique<HeadlessPlatform>(config);
    platform->Tracer().KeepLines(true);
  }
  DiscPaths Disc() const { return ComputeDiscPaths(discDir.Path()); }
  // Starts the shell; false when start-up ended the process.
  bool Start(std::vector<std::string> args = {}) {
    form = std::make_unique<TMainForm>(*platform, Disc());
    StartArguments start;
    start.args = args;
    start.programPath = "/disc/trivion";
    start.commandLine = JoinCommandLine(start.programPath, args);
    return form->FormCreate(start, &stop);
  }
  std::vector<std::string> TraceOf(const std::string& ev) {
    std::vector<std::string> out;
    for (const auto& l : platform->Tracer().Lines())
      if (l.find("\"ev\":\"" + ev + "\"") != std::string::npos) out.push_back(l);
    return out;
  }
  HeadlessWindow* Main() { return platform->FindWindow("main"); }
  Color At(int x, int y) { return Main()->Presented().Pixel(x, y); }
  void Wait(std::uint64_t ms) { platform->VirtualLoop().Advance(ms); }

  TempDir runtime;
  TempDir home;
  TempDir discDir;
  std::unique_ptr<HeadlessPlatform> platform;
  std::unique_ptr<TMainForm> form;
  StartStop stop;
};

}  // namespace trv::test
