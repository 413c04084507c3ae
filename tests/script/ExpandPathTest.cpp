#include <gtest/gtest.h>

#include "script/ExpandPath.h"

namespace trv {
namespace {

const ScriptPaths kWin{"C:\\Games\\Quiz\\", "d:\\"};
const ScriptPaths kLinux{"\\opt\\trivion\\disc\\", "\\"};

TEST(ExpandPath, FollowsTheRulesInOrder) {
  EXPECT_EQ(ExpandPath("pics\\fon.bmp", kWin), "C:\\Games\\Quiz\\pics\\fon.bmp");
  EXPECT_EQ(ExpandPath("<cd>video\\a.avi", kWin), "d:\\video\\a.avi");
  EXPECT_EQ(ExpandPath("e:\\abs\\x.avi", kWin), "e:\\abs\\x.avi");
  EXPECT_EQ(ExpandPath("screen3", kWin), "screen3");
  EXPECT_EQ(ExpandPath("no", kWin), "no");
  EXPECT_EQ(ExpandPath("XML:questions.xml", kWin), "XML:questions.xml");
  EXPECT_EQ(ExpandPath("run=setup\\setup.exe", kWin), "run=C:\\Games\\Quiz\\setup\\setup.exe");
  // Only the first "<cd>" is replaced.
  EXPECT_EQ(ExpandPath("<cd>a<cd>", kWin), "d:\\a<cd>");
}

TEST(ExpandPath, DotDotNeverClimbsAboveTheAnchor) {
  EXPECT_EQ(ExpandPath("..\\x.avi", kWin), "C:\\Games\\x.avi");
  EXPECT_EQ(ExpandPath("..\\..\\x.avi", kWin), "C:\\Games\\x.avi");
  EXPECT_EQ(ExpandPath("..\\..\\..\\..\\x.avi", kWin), "C:\\Games\\x.avi");
  EXPECT_EQ(ExpandPath("\\x.avi", kWin), "C:\\Games\\x.avi");
  EXPECT_EQ(ExpandPath("a\\..\\b\\..\\c.txt", kWin), "C:\\Games\\Quiz\\c.txt");
}

TEST(CombinePath, AnchorsForShortAndDriveLessBases) {
  EXPECT_EQ(CombinePath("C:\\", "..\\x.bmp"), "C:\\x.bmp");
  EXPECT_EQ(CombinePath("C:\\Quiz", "x.bmp"), "C:\\Quiz\\x.bmp");
  EXPECT_EQ(CombinePath("base", "  x.bmp  "), "base\\x.bmp");
  // A folder in Windows form of a native path anchors at the root.
  EXPECT_EQ(ExpandPath("..\\..\\..\\..\\x.avi", kLinux), "\\x.avi");
  EXPECT_EQ(ExpandPath("music\\a.wav", kLinux), "\\opt\\trivion\\disc\\music\\a.wav");
  EXPECT_EQ(ExpandPath("\\x.avi", kLinux), "\\x.avi");
  EXPECT_EQ(ExpandPath("<cd>a.avi", kLinux), "\\a.avi");
}

TEST(Arguments, SplitAtFirstAndLastEquals) {
  EXPECT_EQ(FirstArgument("a=b=c", kWin), "b");
  EXPECT_EQ(SecondArgument("a=b=c", kWin), "c");
  EXPECT_EQ(SecondArgument("a=b", kWin), "");
  EXPECT_EQ(FirstArgument("a=b", kWin), "b");
  EXPECT_EQ(FirstArgument("ab", kWin), "");
  EXPECT_EQ(FirstArgument("a=b=c=d", kWin), "b=c");
  EXPECT_EQ(FirstArgument("clip=avis\\a.avi", kWin), "C:\\Games\\Quiz\\avis\\a.avi");
  EXPECT_EQ(SecondArgument("x=1=pics\\p.bmp", kWin), "C:\\Games\\Quiz\\pics\\p.bmp");
}

}  // namespace
}  // namespace trv
