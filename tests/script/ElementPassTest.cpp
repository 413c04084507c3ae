#include <gtest/gtest.h>

#include "platform/Graphics.h"
#include "script/ElementPass.h"
#include "support/TestSupport.h"

namespace trv {
namespace {

const ScriptPaths kPaths{"C:\\Games\\Quiz\\", "d:\\"};
using Lines = TDynamicStringArray;

TElementModel Read(const Lines& lines) {
  TElementModel m;
  ReadElements(lines, kPaths, m);
  return m;
}

const char* kFullButton =
    "3 button vx=10 vy=20;fn1=a.bmp;fn2=b.bmp;fn3=c.bmp;fn4=d.bmp;go=screen2=store;hint=Back;wav=click.wav";

TEST(ElementPass, ButtonWithAllRequiredKeysOnItsFirstLine) {
  TElementModel m = Read({kFullButton, "1 button vx=1;vy=2;fn1=x;fn2=x;fn3=x;fn4=x;go=;hint=;wav=no"});
  // Screen 3 makes the array three long; the next line is a block of its own.
  ASSERT_EQ(m.Buttons.size(), 3u);
  EXPECT_TRUE(m.Buttons[1].empty());
  ASSERT_EQ(m.Buttons[2].size(), 1u);
  const RBtn& b = m.Buttons[2][0];
  EXPECT_EQ(b.left, 10);
  EXPECT_EQ(b.top, 20);
  EXPECT_EQ(b.fn[0], "a.bmp");
  EXPECT_EQ(b.fn[1], "b.bmp");
  EXPECT_EQ(b.fn[2], "c.bmp");
  EXPECT_EQ(b.fn[3], "d.bmp");
  EXPECT_EQ(b.command, "screen2=store");  // commands keep their text: no path rules
  EXPECT_EQ(b.hint, "Back");
  EXPECT_EQ(b.sound, "click.wav");
  EXPECT_EQ(b.right, 0);
  EXPECT_EQ(b.fn[4], "");
  ASSERT_EQ(m.Buttons[0].size(), 1u);
  EXPECT_EQ(m.Buttons[0][0].left, 1);
  EXPECT_EQ(m.Buttons[0][0].sound, "no");
  // Other kinds' arrays do not grow for a button.
  EXPECT_TRUE(m.SingleSwitches.empty());
  EXPECT_TRUE(m.GroupSwitches.empty());
  EXPECT_TRUE(m.ScreenPictures.empty());
  EXPECT_TRUE(m.PopupData.empty());
}

TEST(ElementPass, FirstBlockForScreenFiveLeavesFourEmptyScreens) {
  TElementModel m = Read({"5 button vx=1;vy=1;fn1=a;fn2=b;fn3=c;fn4=d;go=x;hint=h;wav=w",
                          "2 switchone vx=1;vy=1;fn1=a;fn2=b;fn3=c;fn4=d;state=on;store=no;goup=;godown=;hint=;wav="});
  ASSERT_EQ(m.Buttons.size(), 5u);
  for (int s = 0; s < 4; ++s) EXPECT_TRUE(m.Buttons[s].empty()) << s;
  EXPECT_EQ(m.Buttons[4].size(), 1u);
  EXPECT_EQ(m.SingleSwitches.size(), 2u);
}

TEST(ElementPass, MissingKeyIsTakenFromALaterLineAndSkippedLinesAreNoBlocks) {
  TElementModel m = Read({
      "button 1",
      "vx=1;vy=2",
      "fn1=a;fn2=b;fn3=c;fn4=d",
      "go=x;hint=h",
      "button 1",  // passed over while looking for "wav"
      "vx=5;vy=6",
      "wav=from-next.wav",
      "button 1;vx=7;vy=8;fn1=e;fn2=f;fn3=g;fn4=h;go=y;hint=i;wav=j",
  });
  ASSERT_EQ(m.Buttons.size(), 1u);
  ASSERT_EQ(m.Buttons[0].size(), 2u);
  EXPECT_EQ(m.Buttons[0][0].left, 1);
  EXPECT_EQ(m.Buttons[0][0].sound, "from-next.wav");
  EXPECT_EQ(m.Buttons[0][1].left, 7);
  EXPECT_EQ(m.Buttons[0][1].sound, "j");
}

TEST(ElementPass, OptionalButtonKeysAreReadOnlyWhereARequiredKeyIsMissing) {
  TElementModel m = Read({
      "button 1;vx=1;vy=2;fn1=a.bmp;fn2=b.bmp;texttx=5;textfontstyle=bold,italic",
      "name=mt;fn5=e.bmp;textfontcolor=0,0,255;textfontsize=14",
      "fn3=c.bmp;fn4=d.bmp;go=run;hint=h",
      "wav=s.wav;fn6=late.bmp;textby=9",
  });
  ASSERT_EQ(m.Buttons.size(), 1u);
  const RBtn& b = m.Buttons[0][0];
  EXPECT_EQ(b.name, "mt");
  EXPECT_EQ(b.fn[4], "e.bmp");
  EXPECT_EQ(b.textLeft, 5);
  EXPECT_EQ(b.textFontStyle, unsigned(kFontBold | kFontItalic));
  EXPECT_EQ(b.textFontColor, 16711680u);
  EXPECT_EQ(b.textFontSize, 14);
  // The line that holds the last required key ends the block before its
  // optional keys are looked at.
  EXPECT_EQ(b.fn[5], "");
  EXPECT_EQ(b.textBottom, 0);
  EXPECT_EQ(b.sound, "s.wav");
}

TEST(ElementPass, SwitchStatesAreExactlyOnAndCommandsTakePathRules) {
  TElementModel m = Read({
      "switchone 1;vx=1;vy=2;fn1=a;fn2=b;fn3=c;fn4=d;state=on;store=on;goup=snd\\off.bmp;godown=screen2;hint=h;wav=w",
      "switchone 1;vx=1;vy=2;fn1=a;fn2=b;fn3=c;fn4=d;state=On;store=only;goup=x;godown=y;hint=h;wav=w",
      "switchgrp 2;vx=3;vy=4;fn1=a;fn2=b;fn3=c;fn4=d;state= on ;store=off;group=7;go=run=setup\\setup.exe;hint=g;wav=k",
  });
  ASSERT_EQ(m.SingleSwitches.size(), 1u);
  ASSERT_EQ(m.SingleSwitches[0].size(), 2u);
  const RSwthOne& first = m.SingleSwitches[0][0];
  EXPECT_TRUE(first.on);
  EXPECT_TRUE(first.store);
  EXPECT_EQ(first.goUp, "C:\\Games\\Quiz\\snd\\off.bmp");
  EXPECT_EQ(first.goDown, "screen2");
  EXPECT_EQ(first.fn[3], "d");
  EXPECT_FALSE(first.underMouse);
  const RSwthOne& second = m.SingleSwitches[0][1];
  EXPECT_FALSE(second.on);  // "On": the comparison is exact
  EXPECT_FALSE(second.store);

  ASSERT_EQ(m.GroupSwitches.size(), 2u);
  ASSERT_EQ(m.GroupSwitches[1].size(), 1u);
  const RSwthGrp& g = m.GroupSwitches[1][0];
  EXPECT_EQ(g.left, 3);
  EXPECT_TRUE(g.on);  // values are trimmed
  EXPECT_FALSE(g.store);
  EXPECT_EQ(g.group, 7);
  EXPECT_EQ(g.command, "run=C:\\Games\\Quiz\\setup\\setup.exe");
  EXPECT_EQ(g.sound, "k");
}

Lines PopupBlock(const std::string& type) {
  return {
      "_popup 2;xfon=10;yfon=20;fnfon=pop.bmp;xbtn=3;ybtn=4",
      "fnbtnup=[u1.bmp;u2.bmp]",
      "fnbtnmove=[m1.bmp",
      "m2.bmp]",
      "fnbtndown=[d1.bmp;d2.bmp]",
      "fontup=arial;sizeup=10;styleup=bold;colorup=255,0,0",
      "fontmv=times;sizemv=12;stylemv=italic;colormv=0,255,0",
      "caption=[One;Two]",
      "go=[screen1;run=x.exe]",
      "parent=main;type=" + type,
      "vertex=[0,0;10,0;a,b]",
  };
}

TEST(ElementPass, PopupListsFontPairsAndKinds) {
  TElementModel m = Read(PopupBlock("favorite"));
  ASSERT_EQ(m.PopupData.size(), 2u);
  EXPECT_TRUE(m.Buttons.empty());
  ASSERT_EQ(m.PopupData[1].size(), 1u);
  const RPopupData& p = m.PopupData[1][0];
  EXPECT_EQ(p.bgLeft, 10);
  EXPECT_EQ(p.bgTop, 20);
  EXPECT_EQ(p.bgPicture, "pop.bmp");
  EXPECT_EQ(p.itemLeft, 3);
  EXPECT_EQ(p.itemTop, 4);
  EXPECT_EQ(p.picturesUp, (Lines{"C:\\Games\\Quiz\\u1.bmp", "C:\\Games\\Quiz\\u2.bmp"}));
  EXPECT_EQ(p.picturesMove, (Lines{"C:\\Games\\Quiz\\m1.bmp", "C:\\Games\\Quiz\\m2.bmp"}));
  EXPECT_EQ(p.picturesDown.size(), 2u);
  EXPECT_EQ(p.fontName[kPopupUp], "arial");
  EXPECT_EQ(p.fontName[kPopupMove], "times");
  EXPECT_EQ(p.fontSize[kPopupUp], 10);
  EXPECT_EQ(p.fontSize[kPopupMove], 12);
  EXPECT_EQ(p.fontStyle[kPopupMove], "italic");
  EXPECT_EQ(p.fontColor[kPopupUp], 255u);
  EXPECT_EQ(p.fontColor[kPopupMove], 65280u);
  EXPECT_EQ(p.captions, (Lines{"One", "Two"}));
  EXPECT_EQ(p.commands, (Lines{"screen1", "run=C:\\Games\\Quiz\\x.exe"}));
  EXPECT_EQ(p.parent, "main");
  EXPECT_EQ(p.kind, kPopupFavorite);
  // Vertices stay text until the popup window is made, malformed or not.
  EXPECT_EQ(p.vertex, (Lines{"0,0", "10,0", "a,b"}));

  EXPECT_EQ(Read(PopupBlock("12")).PopupData[1][0].kind, 12);
  EXPECT_EQ(Read(PopupBlock("none")).PopupData[1][0].kind, -1);
  EXPECT_EQ(Read(PopupBlock("registeredusers")).PopupData[1][0].kind, kPopupRegisteredUsers);
  EXPECT_EQ(Read(PopupBlock("historyforward")).PopupData[1][0].kind, kPopupHistoryForward);
}

TEST(ElementPass, InputClipTextAndTreeListsCarryTheirScreen) {
  TElementModel m = Read({
      "_path 2;vx=1;vy=2;vw=101;vh=22;pathdef=nodefvalue;hint=Name",
      "wav=key.wav",
      "textfontname=arial;textfontstyle=underline;textfontcolor=1,2,3;bgcolor=255,255,255",
      "_clip 3;vx=5;vy=6;vw=325;vh=246;bgcolor=0,0,0;html=1",
      "_text 1;vx=1;vy=2;vw=3;vh=4;font=arial;size=12;style=bold;color=0,0,255;value=Hello;hltextcl=255,0,0",
      "ident=t1;number=7;hint=late",
      "_tree 4;vx=1;vy=2;vw=3;vh=4;selectcolortext=0,0,9;selectcolor=9,0,0;fnlist=list.txt;number=2",
      "backgroundimage=tree.bmp",
      "fontup=a;sizeup=1;styleup=bold;colorup=1,0,0;fontmv=b;sizemv=2;stylemv=italic;colormv=2,0,0",
      "fontnm=c;sizenm=3;stylenm=;colornm=3,0,0",
      "sbcolor=1,1,1;sbbarcolor=2,2,2;sbarrowcolor=3,3,3;sbarrowhottrackcolor=4,4,4",
      // Keys are plain substrings: "hintcolor" would be found inside
      // "sbhintcolor", "hinttextcolor" inside "sbbarhinttextcolor", so each
      // stands on a line the earlier key does not share.
      "sbhintcolor=5,5,5",
      "sbbarhinttextcolor=6,6,6",
      "hintcolor=7,7,7;hinttextcolor=8,8,8",
  });
  ASSERT_EQ(m.inputBoxes.size(), 1u);
  const RPathInput& in = m.inputBoxes[0];
  EXPECT_EQ(in.screen, 1);
  EXPECT_EQ(in.right, 101);
  EXPECT_EQ(in.bottom, 22);
  EXPECT_EQ(in.defaultText, "nodefvalue");
  EXPECT_EQ(in.sound, "key.wav");  // optional, read on a line without the next required key
  EXPECT_EQ(in.fontName, "arial");
  EXPECT_EQ(in.fontStyle, unsigned(kFontUnderline));
  EXPECT_EQ(in.fontColor, MakeColor(1, 2, 3));
  EXPECT_EQ(in.bgColor, MakeColor(255, 255, 255));

  ASSERT_EQ(m.clips.size(), 1u);
  EXPECT_EQ(m.clips[0].screen, 2);
  EXPECT_EQ(m.clips[0].right, 325);
  EXPECT_EQ(m.clips[0].html, 1);

  ASSERT_EQ(m.texts.size(), 1u);
  const RText& t = m.texts[0];
  EXPECT_EQ(t.screen, 0);
  EXPECT_EQ(t.fontStyle, "bold");  // kept as text
  EXPECT_EQ(t.fontColor, 16711680u);
  EXPECT_EQ(t.highlightColor, 255u);
  EXPECT_EQ(t.text, "Hello");
  EXPECT_EQ(t.ident, "t1");
  EXPECT_EQ(t.number, 7);
  EXPECT_EQ(t.hint, "");  // on the line of the last required key

  ASSERT_EQ(m.trees.size(), 1u);
  const RTreeData& tr = m.trees[0];
  EXPECT_EQ(tr.screen, 3);
  // "selectcolor" is found first inside "selectcolortext": both read that value.
  EXPECT_EQ(tr.selectColor, MakeColor(0, 0, 9));
  EXPECT_EQ(tr.selectTextColor, MakeColor(0, 0, 9));
  EXPECT_EQ(tr.listFile, "list.txt");
  EXPECT_EQ(tr.backgroundImage, "tree.bmp");
  EXPECT_EQ(tr.fontName[kTreeUp], "a");
  EXPECT_EQ(tr.fontName[kTreeMove], "b");
  EXPECT_EQ(tr.fontName[kTreeNormal], "c");
  EXPECT_EQ(tr.fontSize[kTreeNormal], 3);
  EXPECT_EQ(tr.fontStyle[kTreeMove], "italic");
  EXPECT_EQ(tr.fontColor[kTreeUp], MakeColor(1, 0, 0));
  EXPECT_EQ(tr.sbArrowHotTrackColor, MakeColor(4, 4, 4));
  EXPECT_EQ(tr.sbHintColor, MakeColor(5, 5, 5));
  EXPECT_EQ(tr.sbBarHintTextColor, MakeColor(6, 6, 6));
  EXPECT_EQ(tr.hintColor, MakeColor(7, 7, 7));
  EXPECT_EQ(tr.hintTextColor, MakeColor(8, 8, 8));
  // The tree's own "hintcolor" line is not the application's hint colour.
  EXPECT_FALSE(m.hintColorSet);
  // Lists do not grow the per-screen arrays.
  EXPECT_TRUE(m.Buttons.empty());
}

TEST(ElementPass, ScreenPictureLines) {
  TElementModel m = Read({"2_screen=pics\\fon2.bmp", "5 main_screen:pics\\intro.bmp;x"});
  ASSERT_EQ(m.ScreenPictures.size(), 5u);
  EXPECT_EQ(m.ScreenPictures[1], "pics\\fon2.bmp");
  // The name starts one character past "screen", whatever that character is.
  EXPECT_EQ(m.ScreenPictures[4], "pics\\intro.bmp");
  EXPECT_EQ(m.ScreenPictures[0], "");
  EXPECT_EQ(m.Buttons.size(), 5u);
  EXPECT_EQ(m.SingleSwitches.size(), 5u);
  EXPECT_EQ(m.GroupSwitches.size(), 5u);
  EXPECT_TRUE(m.PopupData.empty());
}

TEST(ElementPass, HintColourOnlyAtTheStartOfALine) {
  TElementModel m = Read({"the hintcolor=255,0,0"});
  EXPECT_FALSE(m.hintColorSet);
  m = Read({"hintcolor=0,0,255", "hintcolor 255 255 0"});
  EXPECT_TRUE(m.hintColorSet);
  EXPECT_EQ(m.hintColor, MakeColor(255, 255, 0));  // the later line wins
}

TEST(ElementPass, BlocksOutsideTheScreenRangeAreConsumedAndDropped) {
  test::LogCapture log;
  const std::string keys = "vx=1;vy=2;fn1=a;fn2=b;fn3=c;fn4=d;go=x;hint=h;wav=w";
  TElementModel m = Read({
      "button 0;" + keys,
      "button -3",  // its keys run over the next line, which is then no block
      "switchone 1;" + keys,
      "_screen=0.bmp",
      "_text 0;vx=1;vy=2;vw=3;vh=4;font=a;size=1;style=;color=0,0,0;value=v;ident=i;number=1",
      "button 2000000000;" + keys,
      "button 99999999999;" + keys,  // no 32-bit number: like no number at all
      "switchone 1000;vx=1;vy=2;fn1=a;fn2=b;fn3=c;fn4=d;state=;store=;goup=;godown=;hint=;wav=",
  });
  EXPECT_TRUE(m.Buttons.empty());
  EXPECT_TRUE(m.ScreenPictures.empty());
  EXPECT_TRUE(m.texts.empty());
  // The highest screen the model holds is still read.
  ASSERT_EQ(m.SingleSwitches.size(), 1000u);
  EXPECT_EQ(m.SingleSwitches[999].size(), 1u);
  EXPECT_TRUE(m.SingleSwitches[0].empty());
  EXPECT_TRUE(log.Contains("button block on line 1 names screen 0"));
  EXPECT_TRUE(log.Contains("button block on line 2 names screen -3"));
  EXPECT_TRUE(log.Contains("_screen block on line 4 names screen 0"));
  EXPECT_TRUE(log.Contains("_text block on line 5 names screen 0"));
  EXPECT_TRUE(log.Contains("names screen 2000000000"));
  EXPECT_TRUE(log.Contains("button block on line 7 names screen -1"));
  EXPECT_EQ(log.Lines().size(), 6u) << log.All();
}

TEST(ElementPass, BlockCutByTheEndOfTheScriptKeepsWhatWasRead) {
  test::LogCapture log;
  TElementModel m = Read({"hintcolor=1,2,3", "button 1;vx=1;vy=2;fn1=a.bmp", "name=cut"});
  ASSERT_EQ(m.Buttons.size(), 1u);
  ASSERT_EQ(m.Buttons[0].size(), 1u);
  EXPECT_EQ(m.Buttons[0][0].fn[0], "a.bmp");
  EXPECT_EQ(m.Buttons[0][0].name, "cut");
  EXPECT_EQ(m.Buttons[0][0].fn[1], "");
  EXPECT_TRUE(m.hintColorSet);
  EXPECT_TRUE(log.Contains("button block on line 2 has no key \"fn2\"")) << log.All();

  // A popup list that never closes ends at the last line; the keys after it are missing.
  test::LogCapture log2;
  m = Read({"_popup 1;xfon=1;yfon=2;fnfon=f;xbtn=3;ybtn=4;fnbtnup=[a;b", "c"});
  ASSERT_EQ(m.PopupData.size(), 1u);
  EXPECT_EQ(m.PopupData[0][0].picturesUp, (Lines{"a", "b", "c"}));
  EXPECT_TRUE(log2.Contains("has no key \"fnbtnmove\"")) << log2.All();

  EXPECT_TRUE(Read({}).Buttons.empty());
  EXPECT_TRUE(Read({"", "nothing here"}).Buttons.empty());
}

TEST(ElementPass, KindIsTheFirstMatchingWordInFixedOrder) {
  // "switchone" comes before "_text" in the order of tests.
  TElementModel m = Read({"_text switchone 1;vx=1;vy=2;fn1=a;fn2=b;fn3=c;fn4=d;state=on;store=;goup=;godown=;hint=;wav="});
  EXPECT_TRUE(m.texts.empty());
  ASSERT_EQ(m.SingleSwitches.size(), 1u);
  EXPECT_TRUE(m.SingleSwitches[0][0].on);
}

}  // namespace
}  // namespace trv
