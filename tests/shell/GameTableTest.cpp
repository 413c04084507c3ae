// The game table: where sectors lie, where the top starts and which spin
// sound it takes, and the table page of the game dialog settling a sector:
// the letter at once, the walk past played sectors, the ways it ends early.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>

#include "game/CoolDialog.h"
#include "game/GameTableRules.h"
#include "platform/Keys.h"
#include "shell/ShellDisc.h"

namespace trv::test {
namespace {

using namespace gametable;
using ::testing::ElementsAre;

TEST(GameTableRulesTest, SectorsAndPositionsAreOneTableReadBothWays) {
  std::set<int> positions;
  for (int s = 1; s <= kSectors; ++s) {
    positions.insert(Order(s));
    EXPECT_EQ(SectorAt(Order(s)), s);
    // Stepping back one position and forward again comes home.
    EXPECT_EQ(LitBeforeWalk(NextOnWalk(s)), s);
  }
  EXPECT_EQ(positions.size(), std::size_t(kSectors));
  EXPECT_EQ(Order(0), 0);
  EXPECT_EQ(SectorAt(15), 0);
  // By increasing position: 10, 8, 2, 12, 6, 13, 4, 9, 7, 1, 11, 5, 14, 3.
  EXPECT_EQ(SectorAt(1), 10);
  EXPECT_EQ(SectorAt(14), 3);
  // The walk goes to the position before, around the table.
  EXPECT_EQ(NextOnWalk(3), 14);   // position 14 -> 13
  EXPECT_EQ(NextOnWalk(10), 3);   // position 1 -> 14
  EXPECT_EQ(LitBeforeWalk(3), 10);  // position 14 -> 1
}

TEST(GameTableRulesTest, TheFirstFrameDecidesTheStartAndTheSpinSound) {
  EXPECT_EQ(FirstFrame([] { return 0.0; }), 0);
  EXPECT_EQ(FirstFrame([] { return 0.9999; }), 100);
  double draws[] = {0.1, 0.5, 0.02, 0.7};  // 2.51, 12.55, 0.502, 17.57 -> 3 + 13 + 1 + 18
  int i = 0;
  EXPECT_EQ(FirstFrame([&] { return draws[i++]; }), 35);
  // K = 0: the whole clip from where the top ends; the longest spin sound.
  for (int s = 1; s <= kSectors; ++s) EXPECT_EQ(StartPosition(s, 0), Order(s));
  EXPECT_EQ(SpinSound(0), 10);
  // K = 100: 56 positions back, wrapped into 1..14; the shortest sound.
  EXPECT_EQ(StartPosition(10, 100), 1 - 56 + 4 * kSectors);
  EXPECT_EQ(StartPosition(3, 100), 14);  // 14 - 56 = -42 -> 14
  EXPECT_EQ(SpinSound(100), 6);
  for (int k = 0; k <= 100; ++k) {
    EXPECT_GE(StartPosition(7, k), 1);
    EXPECT_LE(StartPosition(7, k), kSectors);
  }
}

// A table page with every sector button but 9, each sector's looks a flat
// colour of its own, and table pictures for every sector or none.
const Color kFreeLook = MakeColor(10, 200, 10), kLetterLook = MakeColor(200, 200, 10),
            kPlayedLook = MakeColor(90, 90, 90), kArrowsLook = MakeColor(220, 20, 20);

std::string TablePage() {
  std::string s =
      "7_picture=bg.bmp\n"
      "7_text; vx=20; vy=330; vw=180; font=Arial; size=10; style=; color=0,0,0; value=\n"
      "7_button; vx=600; vy=5; align=right\n"
      "  name=close\n"
      "  fn1=c.bmp; fn2=c.bmp; fn3=c.bmp; go=close; hint=; wav=close.wav\n";
  for (int n = 1; n <= kSectors; ++n) {
    if (n == 9) continue;
    s += "7_button; vx=" + std::to_string(480 + (n % 2) * 30) + "; vy=" + std::to_string(n * 22) +
         "; align=left\n  name=gtp" + std::to_string(n) +
         "\n  fn4=arrows.bmp\n  fn1=free.bmp; fn2=letter.bmp; fn3=played.bmp; go=table; hint=; wav=no\n";
  }
  return s;
}

class GameTableTest : public ShellTest {
 protected:
  void Make(bool tablePictures) {
    disc::ArchiveWriter w;
    std::string script;
    for (int p = 1; p <= 6; ++p)
      script += std::to_string(p) + "_picture=bg.bmp\n" + std::to_string(p) +
                "_text; vx=1; vy=1; vw=10; font=Arial; size=10; style=; color=0,0,0; value=\n";
    script += TablePage();
    std::string crlf;  // scripts end their lines with CR LF
    for (char c : Utf8ToCp1251(script)) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    w.Add("Dialog.txt", Bytes(crlf));
    w.Add("bg.bmp", FlatBmp(640, 420, MakeColor(0, 0, 60)));
    w.Add("c.bmp", FlatBmp(20, 20, MakeColor(1, 2, 3)));
    w.Add("free.bmp", FlatBmp(20, 18, kFreeLook));
    w.Add("letter.bmp", FlatBmp(20, 18, kLetterLook));
    w.Add("played.bmp", FlatBmp(20, 18, kPlayedLook));
    w.Add("arrows.bmp", FlatBmp(20, 18, kArrowsLook));
    if (tablePictures)
      for (int n = 1; n <= kSectors; ++n)
        w.Add("dialog7_gametable" + std::to_string(n) + ".bmp", FlatBmp(308, 232, MakeColor(n * 10, 0, 0)));
    w.Write(discDir / "Mev.dhl");
    archive.OpenNative(discDir / "Mev.dhl");
    CoolDialogHost host;
    host.mainBounds = [] { return Rect{0, 0, 800, 600}; };
    host.playWav = [this](const std::string& s) { sounds.push_back(Cp1251ToUtf8(s)); };
    host.soundsOn = [] { return true; };
    host.table.chosenSector = [this] { return chosen; };
    host.table.setChosenSector = [this](int s) { chosen = s; };
    host.table.levelAvailable = [this](int level) { return played.count(level) == 0; };
    dialog = std::make_unique<TCoolDialog>(*platform, archive, ScriptPaths{discDir.Path().string() + "/", "/"},
                                           std::move(host));
  }

  // Shows the table; each of `during` runs once, its time into the show.
  int ShowTable(std::vector<std::pair<std::uint64_t, std::function<void()>>> during = {}) {
    std::uint64_t elapsed = 0;
    platform->VirtualLoop().SetIdleDriver([&] {
      if (elapsed > 60000) return false;
      Wait(100);
      elapsed += 100;
      if (!during.empty() && elapsed >= during.front().first) {
        auto step = std::move(during.front().second);
        during.erase(during.begin());
        step();
      }
      return true;
    });
    const int result = dialog->ShowDialog(6, "");
    platform->VirtualLoop().SetIdleDriver(nullptr);
    EXPECT_LE(elapsed, 60000u) << "the table never closed";
    return result;
  }
  Color SectorLook(int sector) {
    for (const RDialogBtn& b : dialog->PlacedButtons())
      if (b.name == "gtp" + std::to_string(sector)) return platform->FindWindow("dialog")->Presented().Pixel(b.left + 5, b.top + 5);
    return 0;
  }

  TReadBin archive;
  std::unique_ptr<TCoolDialog> dialog;
  std::vector<std::string> sounds;
  std::set<int> played;
  int chosen = 5;
};

TEST_F(GameTableTest, AnOpenSectorShowsItsLetterAndSettles) {
  Make(true);
  played = {2};
  Color lookOfPlayed = 0, lookOfChosen = 0;
  EXPECT_EQ(ShowTable({{1000, [&] { lookOfPlayed = SectorLook(2); }}, {4000, [&] { lookOfChosen = SectorLook(5); }}}),
            kDialogOk);
  EXPECT_EQ(lookOfPlayed, kPlayedLook);
  EXPECT_EQ(chosen, 5);
  // No clip on this disc: the spin sound, then the letter at once.
  ASSERT_EQ(sounds.size(), 2u);
  EXPECT_THAT(sounds[0], ::testing::MatchesRegex("music\\\\Игровой стол\\\\s_Volchok([6-9]|10)\\.wav"));
  EXPECT_EQ(sounds[1], "music\\Игровой стол\\s_Письмо.wav");
  EXPECT_NE(TraceOf("table").back().find("\"op\":\"settled\",\"sector\":5"), std::string::npos);
  EXPECT_EQ(lookOfChosen, kLetterLook);
}

TEST_F(GameTableTest, ThePlayedSectorsAreWalkedBackToOneWithItsQuestion) {
  Make(true);
  chosen = 3;                // position 14
  played = {3, 14, 5};       // positions 14, 13, 12; sector 11 (position 11) is open
  Color lit = 0, left = 0;
  EXPECT_EQ(ShowTable({{2200, [&] { lit = SectorLook(3); }}, {2800, [&] { left = SectorLook(3); }}}), kDialogOk);
  EXPECT_EQ(chosen, 11);
  std::vector<std::string> ops;
  for (const std::string& l : TraceOf("table"))
    if (l.find("\"op\":\"arrows\"") != std::string::npos || l.find("\"op\":\"letter\"") != std::string::npos)
      ops.push_back(l.substr(l.find("\"op\"")));
  EXPECT_THAT(ops, ElementsAre("\"op\":\"arrows\",\"sector\":3}", "\"op\":\"arrows\",\"sector\":14}",
                               "\"op\":\"arrows\",\"sector\":5}", "\"op\":\"letter\",\"sector\":11}"));
  EXPECT_EQ(std::count(sounds.begin(), sounds.end(), "music\\Игровой стол\\s_Мигание стрелок.wav"), 3);
  // The arrows light at a played sector; when they move on it keeps its played look.
  EXPECT_EQ(lit, kArrowsLook);
  EXPECT_EQ(left, kPlayedLook);
}

TEST_F(GameTableTest, WithoutItsStartPictureTheTableIsNotShown) {
  Make(false);
  platform->VirtualLoop().SetIdleDriver([] { return false; });
  EXPECT_EQ(dialog->ShowDialog(6, ""), kDialogClosed);
  platform->VirtualLoop().SetIdleDriver(nullptr);
  EXPECT_FALSE(platform->FindWindow("dialog") && platform->FindWindow("dialog")->Visible());
  EXPECT_TRUE(TraceOf("table").empty());
  EXPECT_TRUE(sounds.empty());
}

TEST_F(GameTableTest, EscapeClosesTheTableAndNothingOfItRunsAfter) {
  Make(true);
  EXPECT_EQ(ShowTable({{1000, [&] { dialog->FormKeyDown(vk::Escape, 0); }}}), kDialogClosed);
  const auto before = sounds.size();
  Wait(20000);
  EXPECT_EQ(sounds.size(), before);  // no spin, no letter after the close
  EXPECT_EQ(TraceOf("table").size(), 1u);
}

TEST_F(GameTableTest, ATableWithNothingLeftToPlayGivesUp) {
  Make(true);
  for (int s = 1; s <= kSectors; ++s) played.insert(s);
  EXPECT_EQ(ShowTable(), kDialogClosed);
  EXPECT_EQ(TraceOf("table").size(), 2u + kSectors);  // set-up, spin, fourteen blinks
}

}  // namespace
}  // namespace trv::test
