// Dialog.txt, Options.txt and About.txt: read by each window's own rules and
// checked for the pictures, sounds and commands they name.
#include "disc_lint/LintTestDisc.h"

namespace trv::test {
namespace {

using disc::LintSeverity;
const std::string D = "Dialog.txt";
const std::string O = "Options.txt";
const std::string A = "About.txt";

std::size_t Errors(const std::vector<disc::LintFinding>& findings) {
  std::size_t n = 0;
  for (const auto& f : findings) n += f.severity == LintSeverity::kError;
  return n;
}

void Remove(Lines& lines, std::string_view part) { lines.erase(lines.begin() + (LintDisc::LineOf(lines, part) - 1)); }

TEST(LintDialogsTest, GameDialogPagesPicturesAndSounds) {
  LintDisc d;
  Lines& g = *d.dialog;
  LintDisc::Edit(g, "3_picture=dlg.bmp", "3_picture=dlg3.bmp");
  Remove(g, "5_picture");
  Remove(g, "6_text");
  Remove(g, "1_picture");
  // Page 4's button: a missing second picture, a fourth one named and missing.
  const int button4 = LintDisc::LineOf(g, "4_button");
  g[std::size_t(button4)] = "align=left;fn1=ok_n.bmp;fn2=nope.bmp;fn3=ok_p.bmp;go=ok;hint=;wav=Sounds\\click.wav";
  g[std::size_t(button4 - 1)] += ";fn4=grey.bmp";
  g.push_back("7switchgrp;vx=1;vy=1;fn1=s1.bmp;fn2=s2.bmp;fn3=s3.bmp;fn4=s4.bmp;state=On;store=off;group=2;go=quit;"
              "hint=;wav=no");
  g.push_back("7_button;vx=1;vy=1;align=left;fn1=ok_n.bmp;fn2=ok_h.bmp;fn3=ok_p.bmp;go=no;hint=;wav=beep.wav;name=yes");
  const auto f = d.Lint();
  EXPECT_TRUE(Found(f, D, LintDisc::LineOf(g, "dlg3"), "page 3 background picture \"dlg3.bmp\" is not in Mev.dhl"))
      << All(f);
  EXPECT_TRUE(Found(f, D, 0, "page 5 (messages with one button) has no _picture line"));
  EXPECT_TRUE(Found(f, D, 0, "page 6 (yes/no questions) has no _text block"));
  EXPECT_TRUE(Found(f, D, 0, "page 1 (the \"game not installed\" message) has no _picture line", LintSeverity::kWarning));
  EXPECT_TRUE(Found(f, D, button4 + 1, "button fn2 picture \"nope.bmp\" is not in Mev.dhl"));
  EXPECT_TRUE(Found(f, D, button4, "button fn4 picture \"grey.bmp\" is not in Mev.dhl"));
  const int sw = LintDisc::LineOf(g, "7switchgrp");
  EXPECT_TRUE(Found(f, D, sw, "the switch is on when its page opens, so its command \"quit\" runs at once and closes",
                    LintSeverity::kWarning));
  const int last = int(g.size());
  EXPECT_TRUE(Found(f, D, last, "button sound \"beep.wav\" is not on the disc"));
  EXPECT_TRUE(Found(f, D, last, "\"name\" stands on the line of the block's last key", LintSeverity::kWarning));
  EXPECT_EQ(Errors(f), 6u) << All(f);
}

TEST(LintDialogsTest, InputBoxWordsAreCaseSensitiveInTheGameDialog) {
  LintDisc d;
  // "_PATH" as written is no input box block: its sound is never read.
  d.dialog->push_back("3_PATH;vx=1;vy=1;vw=2;vh=2;pathdef=;hint=;textfontname=A;textfontstyle=;textfontcolor=0,0,0;"
                      "bgcolor=0,0,0;name=userpassword;wav=missing.wav");
  d.dialog->push_back("3_path;vx=1;vy=1;vw=2;vh=2;pathdef=;hint=;textfontname=A;textfontstyle=;textfontcolor=0,0,0;"
                      "bgcolor=0,0,0;name=userpassword;wav=missing2.wav");
  const auto f = d.Lint();
  EXPECT_TRUE(Found(f, D, int(d.dialog->size()), "input box sound \"missing2.wav\"")) << All(f);
  EXPECT_EQ(Errors(f), 1u) << All(f);
}

TEST(LintDialogsTest, OptionsCommandsPicturesAndBackground) {
  LintDisc d;
  Lines& o = *d.options;
  LintDisc::Edit(o, "godown=onsoundbtn", "godown=soundon");
  LintDisc::Edit(o, "go=close", "go=apply");
  LintDisc::Edit(o, "fn2=s2.bmp;fn3=s3.bmp;fn4=s4.bmp;state=on;store=on;goup", "fn2=s2.bmp;fn3=s3x.bmp;fn4=s4.bmp;state=on;store=on;goup");
  o.push_back("switchgrp;vx=10;vy=90;fn1=s1.bmp;fn2=s2.bmp;fn3=s3.bmp;fn4=s4.bmp;state=off;store=off;group=1;"
              "go=OFFGAMETABLE;hint=;wav=no");
  const auto f = d.Lint();
  EXPECT_TRUE(Found(f, O, LintDisc::LineOf(o, "soundon"), "option command \"soundon\" is no option; it does nothing"))
      << All(f);
  EXPECT_TRUE(Found(f, O, LintDisc::LineOf(o, "apply"),
                    "button command \"apply\" does nothing; the options buttons know \"done\" and \"close\""));
  EXPECT_TRUE(Found(f, O, LintDisc::LineOf(o, "s3x"), "switch fn3 picture \"s3x.bmp\" is not in Mev.dhl"));
  EXPECT_EQ(Errors(f), 3u) << All(f);  // commands are compared in lower case: OFFGAMETABLE is fine

  LintDisc e;
  LintDisc::Edit(*e.options, "_picture=opt.bmp", "rem");
  const auto g = e.Lint();
  EXPECT_TRUE(Found(g, O, 0, "no _picture line names a background; the options dialog never shows")) << All(g);
  LintDisc h;
  h.archive.erase("opt.bmp");
  const auto k = h.Lint();
  EXPECT_TRUE(Found(k, O, 1, "the options background picture \"opt.bmp\" is not in Mev.dhl")) << All(k);
}

TEST(LintDialogsTest, AboutBoxPicturesLinksAndShape) {
  LintDisc d;
  Lines& a = *d.about;
  LintDisc::Edit(a, "fn2=ok_h.bmp", "fn2=about_h.bmp");
  LintDisc::Edit(a, "value=http://example.org/", "value=");
  LintDisc::Edit(a, "100,100;", "100,1OO;");
  d.archive.erase("about.bmp");
  const auto f = d.Lint();
  EXPECT_TRUE(Found(f, A, 1, "the About box background picture \"about.bmp\" is not in Mev.dhl")) << All(f);
  EXPECT_TRUE(Found(f, A, 2, "the window shape cannot be read"));
  EXPECT_TRUE(Found(f, A, LintDisc::LineOf(a, "about_h"), "button fn2 picture \"about_h.bmp\""));
  EXPECT_TRUE(Found(f, A, LintDisc::LineOf(a, "idenf"), "link text has no value"));
  EXPECT_EQ(Errors(f), 4u) << All(f);

  LintDisc w;
  LintDisc::Edit(*w.about, "vertex=[0,0;100,0;100,100;0,100]", "vertex=[0,0;100,0]");
  LintDisc::Edit(*w.about, "vx=10;vy=50;font=Arial;size=10", "vx=99999;vy=50;font=Arial;size=0");
  const auto h = w.Lint();
  EXPECT_TRUE(Found(h, A, 2, "fewer than three points; the About box stays rectangular", LintSeverity::kWarning))
      << All(h);
  EXPECT_TRUE(Found(h, A, 4, "\"vx\" 99999 lies far outside the box", LintSeverity::kWarning)) << All(h);
  EXPECT_TRUE(Found(h, A, 4, "font size 0 is out of range", LintSeverity::kWarning)) << All(h);

  LintDisc e;
  LintDisc::Edit(*e.about, "picture=about.bmp", "rem");
  const auto g = e.Lint();
  EXPECT_TRUE(Found(g, A, 0, "no line names the \"picture\"")) << All(g);
}

}  // namespace
}  // namespace trv::test
