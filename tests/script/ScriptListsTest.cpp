#include <gtest/gtest.h>

#include "platform/headless/HeadlessPlatform.h"
#include "script/ListRoutines.h"
#include "script/ScriptLists.h"
#include "platform/Paths.h"
#include "support/TestSupport.h"

namespace trv {
namespace {

const ScriptPaths kPaths{"C:\\Games\\Quiz\\", "d:\\"};
using Lines = TDynamicStringArray;

Lines List(const Lines& lines, std::size_t& index) {
  Lines list;
  ReadList(lines, index, list, kPaths);
  return list;
}

TEST(ReadList, ItemsOverSeveralLines) {
  std::size_t i = 0;
  EXPECT_EQ(List({"list=[a;", "b]", "after"}, i), (Lines{"a", "", "b"}));
  EXPECT_EQ(i, 1u);  // left on the line holding "]"

  i = 0;
  EXPECT_EQ(List({"x=[a;b;]"}, i), (Lines{"a", "b"}));
  i = 0;
  EXPECT_EQ(List({"x=[]"}, i), Lines{});
  i = 0;
  // A line that ends without ";" still ends its item.
  EXPECT_EQ(List({"x=[ one ; two", " three]"}, i), (Lines{"one", "two", "three"}));
}

TEST(ReadList, LineWithoutBracketGivesNothingAndKeepsTheIndex) {
  std::size_t i = 1;
  EXPECT_EQ(List({"a", "no list here", "c"}, i), Lines{});
  EXPECT_EQ(i, 1u);
  i = 7;  // past the end
  EXPECT_EQ(List({"a"}, i), Lines{});
}

TEST(ReadList, ItemsGoThroughThePathRules) {
  std::size_t i = 0;
  EXPECT_EQ(List({"bgsounddef=[music\\a.mp3;<cd>b.mp3;no]"}, i),
            (Lines{"C:\\Games\\Quiz\\music\\a.mp3", "d:\\b.mp3", "no"}));
}

TEST(ReadList, UnclosedListEndsAtTheLastLineWithALogLine) {
  test::LogCapture log;
  std::size_t i = 0;
  Lines lines{"x=[a;b", "", "c"};
  EXPECT_EQ(List(lines, i), (Lines{"a", "b", "", "c"}));
  EXPECT_EQ(i, 2u);
  EXPECT_TRUE(log.Contains("never closes"));
}

TEST(ReadVertexList, PairsAndMalformedNumbers) {
  std::size_t i = 0;
  Polygon p = ReadVertexList({"vertexmain=[0,0;800, 0;", "800,600;-5,+7]"}, i, kPaths);
  EXPECT_EQ(p, (Polygon{{0, 0}, {800, 0}, {800, 600}, {-5, 7}}));
  for (const char* bad : {"v=[1,2;3x,4]", "v=[1,2;34]", "v=[1,;2,3]", "v=[1.5,2]"}) {
    i = 0;
    EXPECT_THROW(ReadVertexList({bad}, i, kPaths), ScriptError) << bad;
  }
  i = 0;
  EXPECT_TRUE(ReadVertexList({"v=[]"}, i, kPaths).empty());
}

TEST(ReadVertexList, CutsAtTheLimit) {
  std::string line = "v=[";
  for (int k = 0; k < 2500; ++k) line += std::to_string(k) + "," + std::to_string(k % 7) + ";";
  line += "]";
  test::LogCapture log;
  std::size_t i = 0;
  Polygon p = ReadVertexList({line}, i, kPaths);
  ASSERT_EQ(p.size(), kMaxVertices);
  EXPECT_EQ(p.back(), (Point{1999, 1999 % 7}));
  EXPECT_TRUE(log.Contains("cut"));
}

TEST(ReadVertexRegion, ShapesTheWindow) {
  test::TempDir dir;
  PlatformConfig config;
  config.settingsDir = dir / "settings";
  HeadlessPlatform platform(config);
  auto window = platform.CreateWindow({"main", "t", {0, 0, 100, 100}});
  std::size_t i = 0;
  ReadVertexRegion({"vertexmain=[10,10;90,10;90,90;10,90]"}, i, *window, kPaths);
  ASSERT_NE(window->Region(), nullptr);
  EXPECT_EQ(window->Region()->size(), 4u);
}

TEST(ListRoutines, IndexOfIntAndContainsText) {
  std::size_t at = 99;
  EXPECT_TRUE(IndexOfInt({5, 7, 7}, 7, &at));
  EXPECT_EQ(at, 1u);
  EXPECT_FALSE(IndexOfInt({}, 7, &at));
  EXPECT_TRUE(ContainsText({"Screen", "Exit"}, "EXIT"));
  // Only ASCII letters compare without case: Cyrillic \xC0 / \xE0 differ.
  EXPECT_FALSE(ContainsText({"\xC0"}, "\xE0"));
  EXPECT_FALSE(ContainsText({"exit"}, "exi"));
}

TEST(ListRoutines, WildcardMasks) {
  EXPECT_TRUE(MatchesMask("Font.TTF", "*.ttf"));
  EXPECT_TRUE(MatchesMask("a", "*.*"));
  EXPECT_TRUE(MatchesMask("ab.c", "a?.*"));
  EXPECT_FALSE(MatchesMask("font.ttc", "*.ttf"));
  EXPECT_FALSE(MatchesMask("xfont.ttf", "f*.ttf"));
  EXPECT_TRUE(MatchesMask("aaa.ttf", "*a*.ttf"));
}

TEST(FindFiles, BreadthFirstFoldersBeforeTheirFiles) {
  test::TempDir dir;
  test::WriteFile(dir / "b.ttf", "x");
  test::WriteFile(dir / "A.TTF", "x");
  test::WriteFile(dir / "c.txt", "x");
  test::WriteFile(dir / "sub" / "d.ttf", "x");
  test::WriteFile(dir / "sub" / "deeper" / "e.ttf", "x");
  test::WriteFile(dir / "zed" / "f.ttf", "x");
  const std::string root = ToWindowsDir(dir.Path());

  EXPECT_EQ(FindFiles(root, {"*.ttf"}, false, false), (Lines{root + "A.TTF", root + "b.ttf"}));
  EXPECT_EQ(FindFiles(root, {"*.TTF"}, true, true),
            (Lines{root, root + "A.TTF", root + "b.ttf", root + "sub\\", root + "sub\\d.ttf", root + "zed\\",
                   root + "zed\\f.ttf", root + "sub\\deeper\\", root + "sub\\deeper\\e.ttf"}));
  EXPECT_TRUE(FindFiles("", {"*.ttf"}, true, true).empty());
  EXPECT_TRUE(FindFiles(root + "missing", {"*.ttf"}, true, false).empty());
}

TEST(FindFiles, SurvivesALinkBackToItsOwnFolder) {
  test::TempDir dir;
  test::WriteFile(dir / "a" / "x.ttf", "x");
  std::filesystem::create_directory_symlink(dir.Path(), dir / "a" / "loop");
  auto found = FindFiles(ToWindowsDir(dir.Path()), {"*.ttf"}, true, false);
  EXPECT_EQ(found.size(), 1u);
}

TEST(FindWindowByTitle, AsksTheDesktop) {
  test::TempDir dir;
  PlatformConfig config;
  config.settingsDir = dir / "settings";
  HeadlessPlatform platform(config);
  WindowRef ref = platform.ShellCalls().AddForeignWindow("\xD2\xD0\xC8\xC2\xC8\xCE\xCD");
  WindowRef found = 0;
  EXPECT_TRUE(FindWindowByTitle(platform.Desktop(), "\xD2\xD0\xC8\xC2\xC8\xCE\xCD", &found));
  EXPECT_EQ(found, ref);
  EXPECT_FALSE(FindWindowByTitle(platform.Desktop(), "\xD2\xD0\xC8\xC2\xC8\xCE"));
}

}  // namespace
}  // namespace trv
