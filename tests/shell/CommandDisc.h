#pragma once

// A five-screen disc for the tests of commands, screens and keys, on the
// pictures of the shell's small test disc.
//
// Screen 1 (index 0): eight buttons, four to a row 50 pixels apart, rows at
// y 0 and 25: "gotonextscreen" (startgame), "hel" (help), "close" (exit),
// "elp" (nothing), then "screen3=store" and three that do nothing; a stored
// single switch at (20,80) and a stored group of two at (80,80) and (120,80).
// Screen 2 (index 1, the registration screen): a "back" button, an input box,
// two group switches for trees 1 and 2 (the second on), a group of its own
// (on) that shows the tree, and those two trees (1, the ratings list, and 2). Screen 3: three buttons and a single switch that
// is on. Screen 4: two single switches that are on, one leading back to
// screen 4 itself, one to screen 3. Screen 5: the game screen.
#include <string>
#include <utility>
#include <vector>

#include "shell/ShellDisc.h"

namespace trv::test {

// A "_tree" block: `number` on `screen` (from 1) at left, top, right, bottom,
// with the background picture `background` of the packed tree (or none).
inline std::string TreeBlock(int screen, int number, int left, int top, int right, int bottom,
                             const std::string& background = "", const std::string& font = "Arial") {
  return "_tree " + std::to_string(screen) + " vx=" + std::to_string(left) + ";vy=" + std::to_string(top) +
         ";vw=" + std::to_string(right) + ";vh=" + std::to_string(bottom) +
         "\nselectcolor=40,72,150\nselectcolortext=255,255,255\nfnlist=no\nnumber=" + std::to_string(number) +
         "\nbackgroundimage=" + background +
         "\nfontup=Arial;sizeup=11;styleup=plain;colorup=244,239,224\n"
         "fontmv=Arial;sizemv=11;stylemv=underline;colormv=255,217,120\n"
         "fontnm=" + font + ";sizenm=11;stylenm=bold;colornm=244,239,224\n"
         "sbcolor=12,24,56\nsbbarcolor=201,160,64\nsbarrowcolor=244,239,224\nsbarrowhottrackcolor=255,217,120\n"
         "sbhintcolor=255,248,220\nsbbarhinttextcolor=0,0,0\nhintcolor=255,248,220\nhinttextcolor=20,40,160\n";
}

inline std::string FiveScreenScript() {
  const std::string pics = "fn1=n.bmp;fn2=h.bmp;fn3=p.bmp;fn4=i.bmp;";
  const std::string sw = "fn1=s1.bmp;fn2=s2.bmp;fn3=s3.bmp;fn4=s4.bmp;";
  auto button = [&](int screen, int x, int y, const std::string& name, const std::string& wav,
                    const std::string& go) {
    return "button" + std::to_string(screen) + ";vx=" + std::to_string(x) + ";vy=" + std::to_string(y) +
           (name.empty() ? "" : ";name=" + name) + "\n" + pics + "wav=" + wav + ";hint=;go=" + go + "\n";
  };
  std::string s =
      "title=тестовый диск\n"
      "helpwin vw=640;vh=480;fn=Help.html\n"
      "_screen1 back1.bmp\n_screen2 back2.bmp\n_screen3 back1.bmp\n_screen4 back2.bmp\n_screen5 back1.bmp\n";
  s += button(1, 0, 0, "gotonextscreen", "next.wav", "startgame");
  s += button(1, 50, 0, "hel", "help.wav", "help");
  s += button(1, 100, 0, "close", "close.wav", "exit");
  s += button(1, 150, 0, "elp", "elp.wav", "no");
  s += button(1, 0, 25, "", "b4.wav", "screen3=store");
  s += button(1, 50, 25, "", "b5.wav", "no");
  s += button(1, 100, 25, "", "b6.wav", "no");
  s += button(1, 150, 25, "", "b7.wav", "no");
  s += "switchone1;vx=20;vy=80;" + sw + "state=off;store=on;goup=upa;godown=downa;hint=;wav=one.wav\n";
  s += "switchgrp1;vx=80;vy=80;" + sw + "state=on;store=on;group=1;go=ga;hint=;wav=g.wav\n";
  s += "switchgrp1;vx=120;vy=80;" + sw + "state=off;store=on;group=1;go=gb;hint=;wav=g.wav\n";
  s += button(2, 20, 20, "back", "back.wav", "1");
  s += "_path2 vx=40;vy=90;vw=140;vh=110\n"
       "pathdef=nodefvalue;hint=;textfontname=arial;textfontstyle=bold;textfontcolor=0,0,0\n"
       "bgcolor=255,255,255\n";
  s += "switchgrp2;vx=50;vy=60;" + sw + "state=off;store=off;group=1;go=settree1;hint=;wav=g.wav\n";
  s += "switchgrp2;vx=80;vy=60;" + sw + "state=on;store=off;group=1;go=settree2;hint=;wav=g.wav\n";
  s += "switchgrp2;vx=110;vy=60;" + sw + "state=on;store=off;group=2;go=ontree;hint=;wav=g.wav\n";
  s += TreeBlock(2, 1, 70, 5, 150, 55);
  s += TreeBlock(2, 2, 70, 5, 150, 55);
  s += button(3, 0, 0, "", "no", "1");
  s += button(3, 50, 0, "", "no", "no");
  s += button(3, 100, 0, "", "no", "no");
  s += "switchone3;vx=20;vy=80;" + sw + "state=on;store=off;goup=upc;godown=downc;hint=;wav=three.wav\n";
  s += button(4, 0, 0, "", "no", "1");
  s += "switchone4;vx=20;vy=80;" + sw + "state=on;store=off;goup=offtree;godown=screen4=store;hint=;wav=s.wav\n";
  s += "switchone4;vx=50;vy=80;" + sw + "state=on;store=off;goup=offtree;godown=screen3=store;hint=;wav=s.wav\n";
  s += button(5, 0, 0, "", "no", "1");
  return s;
}

using ArchiveEntries = std::vector<std::pair<std::string, std::vector<std::uint8_t>>>;

// The test pictures, `scriptUtf8` as Struct.txt and the `extra` entries.
inline void WriteDisc(const std::filesystem::path& dir, const std::string& scriptUtf8,
                      const ArchiveEntries& extra = {}) {
  disc::ArchiveWriter w;
  std::string script;
  for (char c : scriptUtf8) {
    if (c == '\n') script += '\r';
    script += c;
  }
  w.Add("Struct.txt", Bytes(Utf8ToCp1251(script)));
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
  for (const auto& [name, bytes] : extra) w.Add(name, bytes);
  std::filesystem::create_directories(dir);
  w.Write(dir / "Mev.dhl");
}

// A mono 8-bit PCM WAV of `ms` milliseconds at 8000 frames a second.
inline std::vector<std::uint8_t> SilentWav(int ms) {
  const std::uint32_t frames = std::uint32_t(ms) * 8;
  std::vector<std::uint8_t> b;
  auto text = [&](const char* s) {
    for (int i = 0; i < 4; ++i) b.push_back(std::uint8_t(s[i]));
  };
  auto u32 = [&](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(std::uint8_t(v >> (8 * i)));
  };
  auto u16 = [&](std::uint16_t v) {
    b.push_back(std::uint8_t(v));
    b.push_back(std::uint8_t(v >> 8));
  };
  text("RIFF");
  u32(36 + frames);
  text("WAVE");
  text("fmt ");
  u32(16);
  u16(1);     // PCM
  u16(1);     // mono
  u32(8000);  // frames a second
  u32(8000);  // bytes a second
  u16(1);     // block
  u16(8);     // bits
  text("data");
  u32(frames);
  b.insert(b.end(), frames, 128);
  return b;
}

// The shell started on a disc, with helpers to run commands and read what
// they did from the trace.
class CommandShellTest : public ShellTest {
 protected:
  void StartOn(const std::string& scriptUtf8, const ArchiveEntries& extra = {}) {
    WriteDisc(discDir.Path(), scriptUtf8, extra);
    ASSERT_TRUE(Start()) << stop.reason;
    Wait(100);  // the opening settles
    Mark();
  }
  // What happens from now on.
  void Mark() {
    mark_ = platform->Tracer().Lines().size();
    platform->Sounds().ClearPlays();
    shellMark_ = platform->ShellCalls().Calls().size();
  }
  std::vector<std::string> Since(const std::string& ev) const {
    const auto lines = platform->Tracer().Lines();
    std::vector<std::string> out;
    for (std::size_t i = mark_; i < lines.size(); ++i)
      if (lines[i].find("\"ev\":\"" + ev + "\"") != std::string::npos) out.push_back(lines[i]);
    return out;
  }
  // The text of a JSON string field of a trace line, with its escapes undone;
  // a number field as written.
  static std::string Field(const std::string& line, const std::string& key) {
    std::string value;
    const std::size_t at = line.find("\"" + key + "\":");
    if (at == std::string::npos) return value;
    std::size_t i = at + key.size() + 3;
    if (i < line.size() && line[i] != '"') {
      while (i < line.size() && line[i] != ',' && line[i] != '}') value += line[i++];
      return value;
    }
    for (++i; i < line.size() && line[i] != '"'; ++i) {
      if (line[i] == '\\' && i + 1 < line.size()) ++i;
      value += line[i];
    }
    return value;
  }
  // Calls of the owners still to come, as "owner call arg" (UTF-8).
  std::vector<std::string> Owners() const {
    std::vector<std::string> out;
    for (const std::string& l : Since("command-owner")) {
      std::string call = Field(l, "owner") + " " + Field(l, "call");
      if (!Field(l, "arg").empty()) call += " " + Field(l, "arg");
      out.push_back(call);
    }
    return out;
  }
  // Calls of the media devices, as "op" and their values: "open FILE RESULT",
  // "play FROM TO", "seek TO", "notify VALUE", "video WINDOW LEFT,TOP", and
  // the other calls by name, with a result that is not 0.
  std::vector<std::string> MediaCalls() const {
    std::vector<std::string> out;
    for (const std::string& l : Since("media")) {
      const std::string op = Field(l, "op");
      std::string call = op;
      if (op == "open") call += " " + Field(l, "file") + " " + Field(l, "result");
      else if (op == "play") call += " " + Field(l, "from") + " " + Field(l, "to");
      else if (op == "seek") call += " " + Field(l, "to");
      else if (op == "notify") call += " " + Field(l, "value");
      else if (op == "video") call += " " + Field(l, "window") + " " + Field(l, "left") + "," + Field(l, "top");
      else if (!Field(l, "result").empty()) call += " " + Field(l, "result");
      out.push_back(call);
    }
    return out;
  }
  // Screens entered since the mark, from 1; a refused one as its negative.
  std::vector<int> Screens() const {
    std::vector<int> out;
    for (const std::string& l : Since("screen")) {
      const int n = std::stoi(l.substr(l.find("\"screen\":") + 9));
      out.push_back(l.find("\"refused\":true") != std::string::npos ? -n : n);
    }
    return out;
  }
  std::vector<std::string> Opened() const {
    std::vector<std::string> out;
    const auto& calls = platform->ShellCalls().Calls();
    for (std::size_t i = shellMark_; i < calls.size(); ++i)
      if (calls[i].verb == "open") out.push_back(calls[i].target);
    return out;
  }
  const std::vector<HeadlessSound::Play>& Plays() { return platform->Sounds().Plays(); }
  void Run(const std::string& commandUtf8, const std::string& soundUtf8 = "", int index = 0, int source = 0,
           int mode = 1) {
    form->RunCommand(Utf8ToCp1251(commandUtf8), Utf8ToCp1251(soundUtf8), index, source, mode);
  }
  // Lets a window fade end.
  void Settle() { Wait(50); }

  std::size_t mark_ = 0;
  std::size_t shellMark_ = 0;
};

}  // namespace trv::test
