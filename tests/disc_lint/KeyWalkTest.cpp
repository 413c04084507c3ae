// The located walk must see what the program's readers see: the same items,
// the same end line, and a list that never closes exactly when the reader
// says so in its log.
#include "disc/lint/KeyWalk.h"

#include <gtest/gtest.h>

#include "script/ScriptLists.h"
#include "support/TestSupport.h"

namespace trv::disc::lint {
namespace {

const ScriptPaths kPaths{"\\disc\\", "\\"};

struct Case {
  TDynamicStringArray lines;
  std::size_t start;
  bool closed;
  std::vector<std::size_t> itemLines;
};

TEST(KeyWalkTest, PlacedListsMatchTheReaderAndItsLog) {
  const Case cases[] = {
      {{"x=[a;b]"}, 0, true, {0, 0}},
      {{"x=[a;", "b]"}, 0, true, {0, 0, 1}},  // the line ending in ";" adds an empty item
      {{"x=[a", "b;c]", "y"}, 0, true, {0, 1, 1}},
      {{"q", "x=[]"}, 1, true, {}},
      {{"x=[a;b", "c"}, 0, false, {0, 0, 1}},
      {{"x=[", ""}, 0, false, {0, 1}},
      {{"x=a;b"}, 0, false, {}},  // no "[": no list, nothing logged
  };
  for (const Case& c : cases) {
    test::LogCapture log;
    TDynamicStringArray expected;
    std::size_t readerIndex = c.start;
    ReadList(c.lines, readerIndex, expected, kPaths);
    const bool logged = log.Contains("never closes");

    TDynamicStringArray items;
    std::size_t index = c.start;
    const ListPlace place = ReadPlacedList(c.lines, index, items, kPaths);
    EXPECT_EQ(items, expected) << c.lines[c.start];
    EXPECT_EQ(index, readerIndex) << c.lines[c.start];
    EXPECT_EQ(place.closed, c.closed) << c.lines[c.start];
    EXPECT_EQ(!place.closed && place.bracket, logged) << c.lines[c.start];
    EXPECT_EQ(place.itemLines, c.itemLines) << c.lines[c.start];
  }
}

TEST(KeyWalkTest, BlockWalkFollowsTheKeyOrderAcrossLines) {
  const KeySpec required[] = {{"vx", ValueKind::kInt}, {"fn1", ValueKind::kText}, {"go=", ValueKind::kTextRightAfter},
                              {"goup", ValueKind::kPath}};
  const KeySpec optional[] = {{"name", ValueKind::kText}};
  const TDynamicStringArray lines = {"b;vx=5;name=first", "name=second;fn1=a.bmp;go=x=1", "nothing",
                                     "goup=pics\\y.avi;name=late", "next"};
  const ScriptText text{lines, lines};
  std::size_t index = 0;
  const BlockValues v = WalkBlock(text, index, required, optional, kPaths);
  EXPECT_TRUE(v.missing.empty());
  EXPECT_EQ(index, 4u);
  EXPECT_EQ(v.Find("vx")->number, 5);
  EXPECT_EQ(v.Find("fn1")->line, 1u);
  EXPECT_EQ(v.Value("go="), "x=1");
  EXPECT_EQ(v.Find("goup")->text, "pics\\y.avi");
  EXPECT_EQ(v.Value("goup"), "\\disc\\pics\\y.avi");
  // "name" on the first line is read, on the second line it is read again
  // (the later wins), on the last line it is not read at all.
  EXPECT_EQ(v.Value("name"), "second");
  ASSERT_EQ(v.ignored.size(), 1u);
  EXPECT_EQ(v.ignored[0].line, 3u);

  std::size_t at = 4;
  const BlockValues cut = WalkBlock(text, at, required, optional, kPaths);
  EXPECT_EQ(cut.missing, "vx");
  EXPECT_EQ(at, lines.size());
}

}  // namespace
}  // namespace trv::disc::lint
