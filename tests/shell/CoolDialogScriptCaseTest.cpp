// Letter case in Dialog.txt: which values the reader lower-cases, and that an
// input box block keeps everything as written, its words and keys included.
#include <gtest/gtest.h>

#include <tuple>

#include "platform/Graphics.h"
#include "game/CoolDialogScript.h"

namespace trv {
namespace {

TEST(CoolDialogScriptCaseTest, InputBoxesKeepTheirCaseAndSwitchCommandsAreLowerCasedFirst) {
  const TDialogScript s = ReadDialogScript(
      {"2_path; vx=1; vy=2; vw=3; vh=4; pathdef=Def; hint=H; textfontname=Arial; textfontstyle=Bold italic;",
       "  textfontcolor=1,2,3; bgcolor=4,5,6; name=UserName; wav=Snd\\Key.WAV",
       "2_path; VX=9; vx=1; vy=2; vw=3; vh=4; pathdef=; hint=; textfontname=a; textfontstyle=; textfontcolor=0,0,0;",
       "  bgcolor=0,0,0; NAME=no; name=second; wav=",
       "2switchgrp; vx=1; vy=1; fn1=A.bmp; fn2=b; fn3=c; fn4=d; state=On; store=on; group=1; go=Sub\\Run.EXE; hint=; wav=",
       "2_BUTTON; VX=3; VY=4; ALIGN=Left; FN1=A.bmp; FN2=b; FN3=c; GO=Help; HINT=Why; WAV=No"},
      {"\\Disc\\", "\\"});
  ASSERT_EQ(s.Boxes.at(1).size(), 2u);
  const RPathInput& a = s.Boxes[1][0];
  EXPECT_EQ(a.defaultText, "Def");
  EXPECT_EQ(a.fontStyle, unsigned(kFontItalic));  // "Bold" is no style word as written
  EXPECT_EQ(a.sound, "Snd\\Key.WAV");
  EXPECT_EQ(s.Boxes[1][1].left, 1);  // "VX" is no key here
  EXPECT_EQ(s.BoxNames[1], (TDynamicStringArray{"UserName", "second"}));
  ASSERT_EQ(s.Switches.at(1).size(), 1u);
  EXPECT_EQ(s.Switches[1][0].command, "\\Disc\\sub\\run.exe");  // the folder keeps its case
  EXPECT_EQ(s.Switches[1][0].fn[0], "A.bmp");
  ASSERT_EQ(s.Buttons.at(1).size(), 1u);
  const RDialogBtn& b = s.Buttons[1][0];
  EXPECT_EQ(std::tuple(b.left, b.top, b.align, b.fn[0], b.command, b.hint, b.sound),
            std::tuple(3, 4, "left", "A.bmp", "help", "Why", "no"));
}

}  // namespace
}  // namespace trv
