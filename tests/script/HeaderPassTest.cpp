#include <gtest/gtest.h>

#include "platform/Text.h"
#include "script/HeaderPass.h"
#include "script/ScriptLists.h"
#include "support/TestSupport.h"

namespace trv {
namespace {

const ScriptPaths kPaths{"C:\\Games\\Quiz\\", "d:\\"};
using Lines = TDynamicStringArray;

TEST(HeaderPass, ValuesOfTheEightKeys) {
  TScriptHeader h = ReadHeader(
      {
          "title=quiz night;codec=mpegaudio,indeo",
          "rolic=intro.avi",
          "helpwin vw=640 vh=480 fn=help\\index.htm",
          "background=fon.bmp",
          "icon=main.ico",
          "bgsounddef=[music\\a.mp3;<cd>b.mp3]",
          "vertexmain=[0,0;800,0;800,600;0,600]",
      },
      kPaths);
  EXPECT_EQ(h.title, "Quiz night");
  EXPECT_EQ(h.codecs, "mpegaudio,indeo");
  EXPECT_EQ(h.rolic, "intro.avi");
  EXPECT_EQ(h.helpWidth, 640);
  EXPECT_EQ(h.helpHeight, 480);
  EXPECT_EQ(h.helpFile, "C:\\Games\\Quiz\\help\\index.htm");
  EXPECT_EQ(h.background, "fon.bmp");
  EXPECT_EQ(h.icon, "main.ico");
  EXPECT_EQ(h.bgSoundDefault, (Lines{"C:\\Games\\Quiz\\music\\a.mp3", "d:\\b.mp3"}));
  EXPECT_TRUE(h.hasVertexMain);
  EXPECT_EQ(h.vertexMain, (Polygon{{0, 0}, {800, 0}, {800, 600}, {0, 600}}));
}

TEST(HeaderPass, EmptyScriptGivesAnEmptyHeader) {
  TScriptHeader h = ReadHeader({}, kPaths);
  EXPECT_EQ(h.title, "");
  EXPECT_EQ(h.helpWidth, 0);
  EXPECT_TRUE(h.bgSoundDefault.empty());
  EXPECT_FALSE(h.hasVertexMain);
}

TEST(HeaderPass, LaterLinesOverrideAndTitlesAreCapitalisedByCodePageRules) {
  const std::string cyrillic = Utf8ToCp1251("тривион: викторина");
  TScriptHeader h = ReadHeader({"title=first", "1 button ... title=" + cyrillic + ";vx=1"}, kPaths);
  EXPECT_EQ(h.title, Utf8ToCp1251("Тривион: викторина"));
  EXPECT_EQ(ReadHeader({"title=" + Utf8ToCp1251("ёлка")}, kPaths).title, Utf8ToCp1251("Ёлка"));
  EXPECT_EQ(ReadHeader({"title=;"}, kPaths).title, "");
}

TEST(HeaderPass, HelpWindowOverSeveralLinesCarriesTheCursor) {
  TScriptHeader h = ReadHeader(
      {
          "helpwin",
          "vw=500",
          "title=skipped;vh=300",  // passed over by the help window reader
          "codec=skipped;fn=help\\a.htm;background=read.bmp",
          "icon=next.ico",
      },
      kPaths);
  EXPECT_EQ(h.helpWidth, 500);
  EXPECT_EQ(h.helpHeight, 300);
  EXPECT_EQ(h.helpFile, "C:\\Games\\Quiz\\help\\a.htm");
  // The pass goes on with the keys after "helpwin" on the line where it stopped.
  EXPECT_EQ(h.title, "");
  EXPECT_EQ(h.codecs, "");
  EXPECT_EQ(h.background, "read.bmp");
  EXPECT_EQ(h.icon, "next.ico");
}

TEST(HeaderPass, HelpWindowSubKeyThatNeverOccursLeavesTheCursor) {
  test::LogCapture log;
  TScriptHeader h = ReadHeader({"helpwin vw=400", "title=kept", "fn=h.htm"}, kPaths);
  EXPECT_EQ(h.helpWidth, 400);
  EXPECT_EQ(h.helpHeight, 0);
  EXPECT_TRUE(log.Contains("no \"vh\"")) << log.All();
  // "fn" is still looked for from the help window's line on.
  EXPECT_EQ(h.helpFile, "C:\\Games\\Quiz\\h.htm");
  EXPECT_EQ(h.title, "");  // passed over on the way to "fn"
}

TEST(HeaderPass, ListsOverSeveralLines) {
  TScriptHeader h = ReadHeader(
      {
          "bgsounddef=[music\\a.mp3",
          "music\\b.mp3;title=not read",
          "music\\c.mp3];icon=after.ico",
      },
      kPaths);
  EXPECT_EQ(h.bgSoundDefault, (Lines{"C:\\Games\\Quiz\\music\\a.mp3", "C:\\Games\\Quiz\\music\\b.mp3",
                                     "title=not read", "C:\\Games\\Quiz\\music\\c.mp3"}));
  EXPECT_EQ(h.title, "");
  // "icon" comes before "bgsounddef" in the order: not tested again on the line of "]".
  EXPECT_EQ(h.icon, "");

  h = ReadHeader({"bgsounddef=[a.mp3]", "bgsounddef=[]"}, kPaths);
  EXPECT_TRUE(h.bgSoundDefault.empty());  // the later, empty list replaces the first
}

TEST(HeaderPass, WindowShape) {
  TScriptHeader h = ReadHeader({"vertexmain=[", "10,20;", "30,40]", "title=after"}, kPaths);
  EXPECT_TRUE(h.hasVertexMain);
  EXPECT_EQ(h.vertexMain, (Polygon{{10, 20}, {30, 40}}));
  EXPECT_EQ(h.title, "After");

  h = ReadHeader({"vertexmain=[]"}, kPaths);
  EXPECT_TRUE(h.hasVertexMain);
  EXPECT_TRUE(h.vertexMain.empty());

  try {
    ReadHeader({"title=x", "", "vertexmain=[0,0;", "10,x]"}, kPaths);
    FAIL() << "a malformed vertex must stop the start";
  } catch (const ScriptError& e) {
    EXPECT_NE(std::string(e.what()).find("line 3"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("10,x"), std::string::npos) << e.what();
  }
  EXPECT_THROW(ReadHeader({"vertexmain=[5;6]"}, kPaths), ScriptError);
}

}  // namespace
}  // namespace trv
