// The one walk every script reader and the lint use: where it looks for each
// key, which lines it reads optional keys on, where it leaves off, and what
// it tells an observer.
#include "script/BlockSchema.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "platform/Graphics.h"

namespace trv {
namespace {

const ScriptPaths kPaths{"\\Disc\\", "\\"};

struct Rec {
  std::int32_t n = 0;
  Color c = 0;
  std::string text, lower, right, path, lowerPath, optional;
  bool on = false, lowerOn = false;
  unsigned style = 0;
  TDynamicStringArray list;
};

using enum ValueKind;
constexpr KeyRule<Rec> kKeys[] = {
    Key<kInt, &Rec::n>("num"),
    Key<kColor, &Rec::c>("col"),
    Key<kText, &Rec::text>("txt"),
    Key<kLowerText, &Rec::lower>("low"),
    Key<kTextRightAfter, &Rec::right>("go="),
    Key<kPath, &Rec::path>("pth"),
    Key<kLowerPath, &Rec::lowerPath>("lpth"),
    Key<kOn, &Rec::on>("sta"),
    Key<kLowerOn, &Rec::lowerOn>("lsta"),
    Key<kStyle, &Rec::style>("sty"),
    Key<kList, &Rec::list>("itm"),
    Key<kText, &Rec::optional>("opt", Need::kOptional),
};

struct Seen {
  std::string_view key;
  std::size_t line;
  int pos;
  bool read;
};
struct Recorder : KeyObserver {
  void Read(const KeyInfo& k, std::size_t line, int pos, const KeyRead&) override {
    seen.push_back({k.key, line, pos, true});
  }
  void Unread(const KeyInfo& k, std::size_t line, int pos) override { seen.push_back({k.key, line, pos, false}); }
  std::vector<Seen> seen;
};

TEST(BlockSchema, EachKindReadsItsValueFromTheLineAsWritten) {
  const TDynamicStringArray lines = {
      "Block num=12 col=1,2,3; txt=Ab Cd; low=Ab; go=X=Y; pth=Pics\\A.bmp; lpth=Pics\\A.bmp",
      "sta=On; lsta=On; sty=Bold underline; itm=[a.bmp;b]",
  };
  const TDynamicStringArray lower = LowerLines(lines);
  Rec r;
  std::size_t index = 0;
  EXPECT_EQ(WalkBlock(BlockLines{lines, lower}, index, BlockKeys<Rec>(kKeys), r, kPaths), "");
  EXPECT_EQ(index, 2u);
  EXPECT_EQ(std::tuple(r.n, r.c), std::tuple(12, MakeColor(1, 2, 3)));
  EXPECT_EQ(r.text, "Ab Cd");
  EXPECT_EQ(r.lower, "ab");
  EXPECT_EQ(r.right, "X=Y");
  EXPECT_EQ(r.path, "\\Disc\\Pics\\A.bmp");
  EXPECT_EQ(r.lowerPath, "\\Disc\\pics\\a.bmp");  // lower-cased before the path rules
  EXPECT_FALSE(r.on);                             // "On" is not "on"
  EXPECT_TRUE(r.lowerOn);
  EXPECT_EQ(r.style, unsigned(kFontUnderline));  // style words are matched in lower case only
  EXPECT_EQ(r.list, (TDynamicStringArray{"\\Disc\\a.bmp", "b"}));
}

TEST(BlockSchema, KeysAreSoughtDownwardsOptionalOnesOnlyOnLinesPassedOver) {
  constexpr KeyRule<Rec> keys[] = {
      Key<kInt, &Rec::n>("vx"),
      Key<kList, &Rec::list>("lst"),
      Key<kText, &Rec::text>("fn1"),
      Key<kText, &Rec::optional>("name", Need::kOptional),
  };
  const TDynamicStringArray lines = {
      "b;vx=5;name=first",    // holds no "lst": passed over after "vx", "name" is read
      "name=second",          // passed over: read again, the later value wins
      "lst=[a;",              // the list reads on over the next line
      "b];name=third;fn1=x",  // the next key is sought from the list's end; the last key's line
      "next",
  };
  Rec r;
  Recorder seen;
  std::size_t index = 0;
  EXPECT_EQ(WalkBlock(BlockLines{lines, lines}, index, BlockKeys<Rec>(keys), r, kPaths, &seen), "");
  EXPECT_EQ(index, 4u);
  EXPECT_EQ(r.optional, "second");
  EXPECT_EQ(r.list, (TDynamicStringArray{"a", "", "b"}));
  EXPECT_EQ(r.text, "x");
  ASSERT_EQ(seen.seen.size(), 6u);
  const auto at = [&](std::size_t i) {
    return std::tuple(seen.seen[i].key, seen.seen[i].line, seen.seen[i].pos, seen.seen[i].read);
  };
  EXPECT_EQ(at(0), std::tuple("vx", 0u, 3, true));
  EXPECT_EQ(at(1), std::tuple("name", 0u, 8, true));
  EXPECT_EQ(at(2), std::tuple("name", 1u, 1, true));
  EXPECT_EQ(at(3), std::tuple("lst", 2u, 1, true));
  EXPECT_EQ(at(4), std::tuple("fn1", 3u, 15, true));
  EXPECT_EQ(at(5), std::tuple("name", 3u, 4, false));  // never read: the walk ends on its line

  // A key that never comes: the walk ends at the end, with what it read.
  Rec cut;
  index = 4;
  EXPECT_EQ(WalkBlock(BlockLines{lines, lines}, index, BlockKeys<Rec>(keys), cut, kPaths), "vx");
  EXPECT_EQ(index, lines.size());
}

TEST(BlockSchema, KindsAreTestedInTableOrderWhereEachSaysToLook) {
  enum class K { kA, kB, kC };
  using Kind = BlockKind<K, KeyInfo>;
  const Kind kinds[] = {
      {"_path", K::kA, KeyInfo{}, LineCase::kAsWritten},
      {"_text", K::kB, KeyInfo{}, LineCase::kLowered},
      {"hint", K::kC, KeyInfo{}, LineCase::kAsWritten, WordAt::kLineStart},
  };
  const TDynamicStringArray lines = {"1_PATH _TEXT", "2_path _text", "x hint", "hint", "HINT"};
  const TDynamicStringArray lower = LowerLines(lines);
  const BlockLines text{lines, lower};
  const auto id = [&](std::size_t i) {
    const Kind* k = FindKind(std::span<const Kind>(kinds), text, i);
    return k ? int(k->id) : -1;
  };
  EXPECT_EQ(id(0), int(K::kB));
  EXPECT_EQ(id(1), int(K::kA));
  EXPECT_EQ(id(2), -1);
  EXPECT_EQ(id(3), int(K::kC));
  EXPECT_EQ(id(4), -1);
}

}  // namespace
}  // namespace trv
