#pragma once

// A small disc that lints clean, kept as editable parts (script lines, archive
// pictures, tree files, files on disk) so that each test can break one thing
// and look for the one finding it should cause.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "disc/ArchiveWriter.h"
#include "disc/TreeWriter.h"
#include "disc/lint/Lint.h"
#include "platform/Bmp.h"
#include "platform/Text.h"
#include "support/TestSupport.h"

namespace trv::test {

using Lines = std::vector<std::string>;  // UTF-8 here, CP1251 with CR LF on the disc

inline Lines CleanStruct() {
  return {
      "title=Тестовый диск",
      "icon=app.bmp",
      "background=back1.bmp",
      "bgsounddef=[music\\Song1.mp3;music\\song2.mp3]",
      "vertexmain=[0,0;200,0;200,150;0,150]",
      "hintcolor=255,255,225",
      "_screen1 back1.bmp",
      "_screen2 back2.bmp",
      "_screen3 back1.bmp",
      "_screen4 back1.bmp",
      "_screen5 back2.bmp",
      "button1;vx=20;vy=20;name=mt",
      "fn1=n.bmp;fn2=h.bmp;fn3=p.bmp;fn4=i.bmp;go=screen2=store;hint=Дальше;wav=Sounds\\Click.wav",
      "button1;vx=100;vy=20;fn5=i.bmp",
      "fn1=n.bmp;fn2=h.bmp;fn3=p.bmp;fn4=i.bmp;go=exit;hint=;wav=no",
      "button2;vx=20;vy=20;fn1=n.bmp;fn2=h.bmp;fn3=p.bmp;fn4=i.bmp;go=clip=video\\intro.avi;hint=;wav=no",
      "button2;vx=60;vy=20;fn1=n.bmp;fn2=h.bmp;fn3=p.bmp;fn4=i.bmp;go=contextmenu5;hint=;wav=no",
      "button2;vx=100;vy=20;fn1=n.bmp;fn2=h.bmp;fn3=p.bmp;fn4=i.bmp;go=about;hint=;wav=no",
      "button2;vx=140;vy=20;fn1=n.bmp;fn2=h.bmp;fn3=p.bmp;fn4=i.bmp;go=options;hint=;wav=no",
      "button5;vx=140;vy=20;fn1=n.bmp;fn2=h.bmp;fn3=p.bmp;fn4=i.bmp;go=validateanswer;hint=;wav=no",
      "switchone1;vx=20;vy=80;fn1=s1.bmp;fn2=s2.bmp;fn3=s3.bmp;fn4=s4.bmp;state=off;store=off;goup=offtree;"
      "godown=ontree;hint=;wav=sw.wav",
      "switchgrp3;vx=80;vy=80;fn1=s1.bmp;fn2=s2.bmp;fn3=s3.bmp;fn4=s4.bmp;state=on;store=off;group=1;go=settree2;"
      "hint=;wav=no",
      "_path2;vx=10;vy=10;vw=100;vh=30;wav=sw.wav",
      "pathdef=nodefvalue;hint=Имя;textfontname=Arial;textfontstyle=bold;textfontcolor=0,0,0;bgcolor=255,255,255",
      "_text5;vx=10;vy=10;vw=190;vh=40;font=Arial;size=12;style=bold;color=0,0,0;value=;ident=q;number=555",
      "_clip3;vx=0;vy=0;vw=10;vh=10;bgcolor=0,0,0;html=0",
      "_popup2;xfon=-1;yfon=-1;fnfon=pop.bmp;xbtn=-1;ybtn=-1",
      "fnbtnup=[item_n.bmp]",
      "fnbtnmove=[item_h.bmp]",
      "fnbtndown=[item_p.bmp]",
      "fontup=Arial;sizeup=10;styleup=;colorup=0,0,0;fontmv=Arial;sizemv=10;stylemv=;colormv=0,0,0",
      "caption=[Первый;Второй]",
      "go=[screen1=store;exit]",
      "parent=;type=5;vertex=[]",
      "_tree3;vx=10;vy=10;vw=100;vh=100;selectcolor=0,0,0;selectcolortext=255,255,255;fnlist=list.txt;number=2;"
      "backgroundimage=pics\\tree.bmp",
      "fontup=Arial;sizeup=10;styleup=;colorup=0,0,0;fontmv=Arial;sizemv=10;stylemv=;colormv=0,0,0;fontnm=Arial;"
      "sizenm=10;stylenm=;colornm=0,0,0",
      "sbcolor=1,1,1;sbbarcolor=1,1,1;sbarrowcolor=1,1,1;sbarrowhottrackcolor=1,1,1;sbhintcolor=1,1,1;"
      "sbbarhinttextcolor=1,1,1;hintcolor=1,1,1;hinttextcolor=1,1,1",
  };
}

// Pages 1 and 3 to 7, each with a picture, a text and a button; page 3 has
// the boxes of the score submission.
inline Lines CleanDialog() {
  Lines lines;
  for (int page : {1, 3, 4, 5, 6, 7}) {
    const std::string p = std::to_string(page);
    lines.push_back(p + "_picture=dlg.bmp");
    lines.push_back(p + "_text;vx=10;vy=10;vw=150;font=Arial;size=10;style=bold;color=0,0,0;value=");
    lines.push_back(p + "_button;vx=10;vy=50;name=ok");
    lines.push_back("align=middle;fn1=ok_n.bmp;fn2=ok_h.bmp;fn3=ok_p.bmp;go=ok;hint=;wav=Sounds\\click.wav");
  }
  lines.push_back("3_path;vx=10;vy=80;vw=100;vh=100;pathdef=;hint=;textfontname=Arial;textfontstyle=;"
                  "textfontcolor=0,0,0;bgcolor=1,1,1;name=username;wav=no");
  lines.push_back("6switchgrp;vx=10;vy=80;fn1=s1.bmp;fn2=s2.bmp;fn3=s3.bmp;fn4=s4.bmp;state=off;store=off;"
                  "group=1;go=yes;hint=;wav=sw.wav");
  return lines;
}

inline Lines CleanOptions() {
  return {
      "_picture=opt.bmp",
      "_text;vx=10;vy=5;vw=100;font=Arial;size=10;style=bold;color=0,0,0;value=Настройки",
      "_button;vx=10;vy=10;fn1=ok_n.bmp;fn2=ok_h.bmp;fn3=ok_p.bmp;go=done;hint=;wav=no",
      "_button;vx=60;vy=10;fn1=ok_n.bmp;fn2=ok_h.bmp;fn3=ok_p.bmp;go=close;hint=;wav=no",
      "switchone;vx=10;vy=40;fn1=s1.bmp;fn2=s2.bmp;fn3=s3.bmp;fn4=s4.bmp;state=on;store=on;goup=offsoundbtn;"
      "godown=onsoundbtn;hint=;wav=no",
      "switchgrp;vx=10;vy=70;fn1=s1.bmp;fn2=s2.bmp;fn3=s3.bmp;fn4=s4.bmp;state=on;store=on;group=1;"
      "go=startscreen 2;hint=;wav=sw.wav",
  };
}

inline Lines CleanAbout() {
  return {
      "picture=about.bmp",
      "vertex=[0,0;100,0;100,100;0,100]",
      "button;vx=10;vy=10;fn1=ok_n.bmp;fn2=ok_h.bmp;hint=;wav=no",
      "text;vx=10;vy=50;font=Arial;size=10;style=;color=0,0,0;value=http://example.org/;idenf=url;wav=no",
  };
}

// Fourteen levels, one question each.
inline Lines CleanQuestions() {
  Lines lines{"<?xml version=\"1.0\" encoding=\"windows-1251\"?>", "<PQuestions>"};
  for (int level = 1; level <= 14; ++level)
    lines.push_back("<QUESTION ID=\"" + std::to_string(100 + level) + "\"><LEVEL>" + std::to_string(level) +
                    "</LEVEL><TEXT>Вопрос " + std::to_string(level) + "</TEXT><ANSWER>Ответ</ANSWER></QUESTION>");
  lines.push_back("</PQuestions>");
  return lines;
}

inline std::vector<std::uint8_t> ScriptBytes(const Lines& lines) {
  std::string text;
  for (const std::string& l : lines) text += l + "\r\n";
  const std::string cp = Utf8ToCp1251(text);
  return {cp.begin(), cp.end()};
}

inline std::vector<std::uint8_t> Picture(int w = 20, int h = 10) {
  return EncodeBmp(Bitmap(w, h, MakeColor(10, 20, 30)));
}

class LintDisc {
 public:
  LintDisc() {
    for (const char* name : {"app.bmp", "back1.bmp", "back2.bmp", "n.bmp", "h.bmp", "p.bmp", "i.bmp", "s1.bmp",
                             "s2.bmp", "s3.bmp", "s4.bmp", "pop.bmp", "item_n.bmp", "item_h.bmp", "item_p.bmp",
                             "dlg.bmp", "ok_n.bmp", "ok_h.bmp", "ok_p.bmp", "opt.bmp", "about.bmp"})
      archive[name] = Picture();
    tree["pics\\tree.bmp"] = Picture(40, 40);
    // Letter case differs from the scripts on purpose: names on disk are
    // matched ignoring it, as the program opens them.
    disk["sounds/CLICK.WAV"] = "RIFF";
    disk["sw.wav"] = "RIFF";
    disk["Music/song1.mp3"] = "ID3";
    disk["Music/Song2.MP3"] = "ID3";
    disk["Video/Intro.AVI"] = "RIFF";
  }

  // 1-based number of the only line of `lines` that holds `part`.
  static int LineOf(const Lines& lines, std::string_view part) {
    int found = 0;
    for (std::size_t i = 0; i < lines.size(); ++i)
      if (lines[i].find(part) != std::string::npos) {
        EXPECT_EQ(found, 0) << "\"" << part << "\" is on more than one line";
        found = int(i) + 1;
      }
    EXPECT_NE(found, 0) << "no line holds \"" << part << "\"";
    return found;
  }
  // Replaces `from` (which one line must hold) by `to` in that line.
  static void Edit(Lines& lines, std::string_view from, std::string_view to) {
    const int line = LineOf(lines, from);
    if (line == 0) return;
    std::string& l = lines[std::size_t(line - 1)];
    l.replace(l.find(from), from.size(), to);
  }

  void Write() {
    disc::ArchiveWriter w;
    if (structScript) w.Add("Struct.txt", ScriptBytes(*structScript));
    if (dialog) w.Add("Dialog.txt", ScriptBytes(*dialog));
    if (options) w.Add("Options.txt", ScriptBytes(*options));
    if (about) w.Add("About.txt", ScriptBytes(*about));
    for (const auto& [name, bytes] : archive) w.Add(Utf8ToCp1251(name), bytes);
    std::filesystem::create_directories(dir.Path());
    w.Write(dir / "Mev.dhl");

    if (questions && questionsInTree) tree["questions.xml"] = ScriptBytes(*questions);
    if (questions && !questionsInTree) WriteFile(dir / "questions.xml", ScriptBytes(*questions));
    if (!tree.empty()) {
      disc::TreeWriter t;
      for (const auto& [path, bytes] : tree) t.AddFile(Utf8ToCp1251(path), bytes);
      t.Write(dir / "interface.dat");
    }
    for (const auto& [path, bytes] : disk) WriteFile(dir / path, bytes);
  }

  std::vector<disc::LintFinding> Lint() {
    Write();
    auto findings = disc::LintDisc(dir.Path());
    for (const auto& f : findings)
      EXPECT_EQ(f.message.find("differently from the program"), std::string::npos) << disc::FormatFinding(f);
    return findings;
  }

  TempDir dir;
  std::optional<Lines> structScript = CleanStruct();
  std::optional<Lines> dialog = CleanDialog();
  std::optional<Lines> options = CleanOptions();
  std::optional<Lines> about = CleanAbout();
  std::optional<Lines> questions = CleanQuestions();
  bool questionsInTree = true;
  std::map<std::string, std::vector<std::uint8_t>> archive;  // UTF-8 names
  std::map<std::string, std::vector<std::uint8_t>> tree;     // UTF-8 paths
  std::map<std::string, std::string> disk;                   // relative native paths
};

inline std::string All(const std::vector<disc::LintFinding>& findings) {
  std::string s;
  for (const auto& f : findings) s += disc::FormatFinding(f) + "\n";
  return s;
}

// True when some finding of `file` on `line` with `severity` holds `part`.
inline bool Found(const std::vector<disc::LintFinding>& findings, const std::string& file, int line,
                  const std::string& part, disc::LintSeverity severity = disc::LintSeverity::kError) {
  for (const auto& f : findings)
    if (f.file == file && f.line == line && f.severity == severity && f.message.find(part) != std::string::npos)
      return true;
  return false;
}

}  // namespace trv::test
