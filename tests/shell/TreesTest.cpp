// The trees of the screens in a running shell: which show with a screen,
// "settree", "ontree" and "offtree", the pending item, the ratings list and
// its refill, the last visited page kept across runs, and bad blocks.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "game/Users.h"
#include "disc/TreeWriter.h"
#include "shell/CommandDisc.h"

namespace trv::test {
namespace {

constexpr Color kRatingsBack = MakeColor(9, 9, 90);

using Rows = std::vector<std::pair<std::string, std::string>>;

// Screen 2 (the registration screen) holds the ratings list; screen 3 holds
// three trees numbered 1, 2 and 3 side by side.
std::string TreesScript(const std::string& more = {}) {
  return "title=тестовый диск\n"
         "_screen1 back1.bmp\n_screen2 back1.bmp\n_screen3 back1.bmp\n" +
         TreeBlock(2, 1, 10, 10, 190, 140, "pictures\\ratings.bmp", "Courier New") +
         TreeBlock(3, 1, 0, 0, 60, 100) + TreeBlock(3, 2, 70, 0, 130, 100) + TreeBlock(3, 3, 140, 0, 200, 100) + more;
}

class TreesTest : public CommandShellTest {
 protected:
  // Stores a player's best score as a finished game does.
  void StorePlayer(const std::string& nameUtf8, std::uint32_t score) {
    TUsers users(platform->Settings(), Utf8ToCp1251("тестовый диск"), platform->Loop().GetClock());
    users.Load();
    users.SetCurrentName(Utf8ToCp1251(nameUtf8));
    users.SetCurrentScore(score);
    users.Commit();
  }
  void StartWithPlayers(const std::string& script = TreesScript()) {
    StorePlayer("Анна", 0);
    StorePlayer("Борис", 120);
    StorePlayer("Вера", 45);
    disc::TreeWriter tree;
    tree.AddFile("pictures\\ratings.bmp", FlatBmp(4, 4, kRatingsBack));
    std::filesystem::create_directories(discDir.Path());
    tree.Write(discDir.Path() / "interface.dat");
    StartOn(script);
  }
  const TTreesPart& Trees() { return *form->Trees(); }
  // The rows of tree i as UTF-8 pairs.
  Rows RowsOf(int i) {
    Rows out;
    const TTreeView& v = Trees().View(i);
    for (int r = 0; r < v.Count(); ++r)
      out.emplace_back(Cp1251ToUtf8(v.At(r).caption), Cp1251ToUtf8(v.At(r).second));
    return out;
  }
  std::vector<int> VisibleNumbers() {
    std::vector<int> out;
    for (int i = 0; i < Trees().Count(); ++i)
      if (Trees().View(i).Visible()) out.push_back(Trees().Number(i));
    return out;
  }
  int CurrentNumber() { return Trees().Current() < 0 ? -1 : Trees().Number(Trees().Current()); }
  void Enter(const std::string& command) {
    Run(command);
    Wait(600);  // the window's fade ends
  }
};

TEST_F(TreesTest, AScreenShowsAllItsTreesTheLastCurrentAndSettreeSwapsThem) {
  StartWithPlayers();
  EXPECT_TRUE(VisibleNumbers().empty());
  EXPECT_EQ(Trees().Current(), -1);
  Enter("3");
  EXPECT_THAT(VisibleNumbers(), ::testing::ElementsAre(1, 2, 3));
  EXPECT_EQ(CurrentNumber(), 3);
  Run("settree2");
  EXPECT_THAT(VisibleNumbers(), ::testing::ElementsAre(1, 2));
  EXPECT_EQ(CurrentNumber(), 2);
  Run("settree2");  // already current
  Run("settree7");  // no such tree
  EXPECT_EQ(CurrentNumber(), 2);
  // After "offtree" the current tree hides and "settree" does nothing until "ontree".
  Run("offtree");
  EXPECT_THAT(VisibleNumbers(), ::testing::ElementsAre(1));
  Run("settree3");
  EXPECT_EQ(CurrentNumber(), 2);
  EXPECT_THAT(VisibleNumbers(), ::testing::ElementsAre(1));
  Run("ontree");
  EXPECT_THAT(VisibleNumbers(), ::testing::ElementsAre(1, 2));
  Run("settree3");
  EXPECT_EQ(CurrentNumber(), 3);
  EXPECT_THAT(VisibleNumbers(), ::testing::ElementsAre(1, 3));
  // A screen without trees hides them all; the tree commands do nothing there.
  Enter("1");
  Run("settree1");
  Run("ontree");
  EXPECT_TRUE(VisibleNumbers().empty());
  // The state line shows what the player sees.
  Enter("3");
  form->DumpState();
  EXPECT_THAT(Since("state").back(), ::testing::HasSubstr("\"trees\":[{\"number\":1,\"current\":false,\"rows\":["));
}

TEST_F(TreesTest, TheRatingsListShowsPlayersWithAScoreInTheTablesOrderAndIsRefilled) {
  StartWithPlayers();
  // Filled at start-up already, before the screen is entered.
  EXPECT_EQ(RowsOf(0), (Rows{{"Борис", "120"}, {"Вера", "45"}}));
  Enter("2");
  EXPECT_EQ(RowsOf(0), (Rows{{"Борис", "120"}, {"Вера", "45"}}));
  EXPECT_TRUE(Trees().View(0).HasBackground());
  EXPECT_EQ(At(150, 130), kRatingsBack) << "the list shows in the window";
  EXPECT_EQ(At(5, 5), kBack1);
  form->DumpState();
  EXPECT_THAT(Since("state").back(),
              ::testing::HasSubstr("\"trees\":[{\"number\":1,\"current\":true,\"rows\":[[\"Борис\",\"120\"],[\"Вера\",\"45\"]]}]"));
  // A game elsewhere stores a better score: entering the screen again reads it.
  Enter("1");
  StorePlayer("Анна", 300);
  EXPECT_EQ(RowsOf(0).size(), 2u);
  Enter("2");
  EXPECT_EQ(RowsOf(0), (Rows{{"Анна", "300"}, {"Борис", "120"}, {"Вера", "45"}}));
  // No row of the ratings list stays highlighted, by click or by key.
  const Rect first = Trees().View(0).CellRect(0, 0);
  platform->Click("main", {first.left + 5, first.top + 2}, MouseButton::Left, 0);
  EXPECT_EQ(Trees().View(0).Focused(), -1);
  platform->KeyPress("main", vk::Down);
  EXPECT_EQ(Trees().View(0).Focused(), -1);
}

TEST_F(TreesTest, ThePendingItemIsSearchedInEveryShownTreeAndKeptForLaterEntries) {
  StartWithPlayers();
  // The screen command names the item; the ratings list finds it by
  // containment and drops the focus again at once.
  Enter("screen3=1=борис");
  EXPECT_EQ(Cp1251ToUtf8(Trees().PendingItem()), "борис");
  EXPECT_EQ(Trees().View(1).Focused(), -1);
  EXPECT_EQ(Trees().View(1).FindCaption(Trees().PendingItem(), false), 0);
  // A file replaces the item; an item replaces the file.
  Enter("screen3=1=rules.htm");
  EXPECT_TRUE(Trees().PendingItem().empty());
  EXPECT_EQ(Cp1251ToUtf8(Trees().PendingFile()), Cp1251ToUtf8(Disc().programDir) + "rules.htm");
  Enter("screen3=1=вера");
  EXPECT_TRUE(Trees().PendingFile().empty());
  // "store" leaves both alone.
  Enter("screen1=store");
  EXPECT_EQ(Cp1251ToUtf8(Trees().PendingItem()), "вера");
}

TEST_F(TreesTest, TheLastVisitedPageComesBackFromOneRunToTheNext) {
  const std::string key = "SOFTWARE\\VOMAR\\" + Utf8ToCp1251("тестовый диск");
  platform->Settings().WriteString(RootKey::CurrentUser, key, "LastVisitedHtmlFile", "docs\\intro.htm");
  StartWithPlayers();
  EXPECT_EQ(Trees().PendingFile(), "docs\\intro.htm");
  Enter("screen3=1=rules.htm");
  form.reset();
  EXPECT_EQ(platform->Settings().ReadString(RootKey::CurrentUser, key, "LastVisitedHtmlFile"),
            Disc().programDir + "rules.htm");
}

TEST_F(TreesTest, BadBlocksAreLoggedAndStillShowSensibly) {
  LogCapture log;
  // A background the disc lacks, a rectangle of no width, one far beyond the
  // window, one of no height.
  StartWithPlayers("title=тестовый диск\n_screen1 back1.bmp\n_screen2 back1.bmp\n" +
                   TreeBlock(2, 1, 10, 10, 190, 140, "pictures\\missing.bmp") + TreeBlock(2, 2, 50, 50, 50, 90) +
                   TreeBlock(2, 3, 100, 20, 2000000000, 2000000000) + TreeBlock(2, 4, 10, 100, 50, 60));
  EXPECT_TRUE(log.Contains("pictures\\missing.bmp cannot be read")) << log.All();
  EXPECT_TRUE(log.Contains("the tree 2 of screen 2 is 0 pixels wide; it is made 30 wide")) << log.All();
  EXPECT_TRUE(log.Contains("the tree 4 of screen 2 has no height")) << log.All();
  Enter("2");
  EXPECT_FALSE(Trees().View(0).HasBackground());
  EXPECT_EQ(Trees().View(1).Bounds(), (Rect{50, 50, 80, 90}));
  EXPECT_EQ(Trees().View(2).Bounds(), (Rect{100, 20, 200, 150})) << "kept inside the window";
  EXPECT_THAT(VisibleNumbers(), ::testing::ElementsAre(1, 2, 3, 4));
}

TEST_F(TreesTest, TheMouseOverATreeLeavesTheElementsAndTheKeysGoToTheBoxFirst) {
  StartWithPlayers(TreesScript("button2;vx=0;vy=145;name=b\nfn1=n.bmp;fn2=h.bmp;fn3=p.bmp;fn4=i.bmp;wav=no;hint=;go=no\n"
                               "_path2 vx=0;vy=140;vw=10;vh=150\n"
                               "pathdef=nodefvalue;hint=;textfontname=arial;textfontstyle=bold;"
                               "textfontcolor=0,0,0\nbgcolor=255,255,255\n"));
  for (int i = 0; i < 30; ++i) StorePlayer("Игрок " + std::to_string(i), 10 + i);
  Enter("2");
  const TTreeView& list = Trees().View(0);
  ASSERT_FALSE(list.ScrollBar().bar.Empty());
  // The focused input box takes Down: the list stays.
  platform->KeyPress("main", vk::Down);
  EXPECT_EQ(list.TopRow(), 0);
  // The wheel over the list scrolls it.
  platform->Mouse("main", HeadlessPlatform::MouseAction::Move, {50, 50});
  platform->Wheel("main", {50, 50}, -120);  // a notch towards the player
  EXPECT_EQ(list.TopRow(), 3);
  // The arrow under the pointer is lit, and goes out when the pointer leaves the list.
  const Rect up = list.ScrollBar().up;
  platform->Mouse("main", HeadlessPlatform::MouseAction::Move, {up.left + 3, up.top + 3});
  EXPECT_TRUE(list.HotArrow(1));
  platform->Mouse("main", HeadlessPlatform::MouseAction::Move, {5, 5});
  EXPECT_FALSE(list.HotArrow(1));
}

TEST_F(TreesTest, ALongNameShowsWholeInAHintOfTheTreesColour) {
  std::string name;
  while (name.size() < 250) name += "Ж";
  StorePlayer(name, 50);
  StartWithPlayers();
  Enter("2");
  const TTreeView& list = Trees().View(0);
  ASSERT_EQ(list.Count(), 3);
  ASSERT_EQ(list.At(1).second, "50") << "between Борис and Вера";
  const Rect cell = list.CellRect(1, 0);
  platform->Mouse("main", HeadlessPlatform::MouseAction::Move, {cell.left + 10, cell.top + 3});
  Wait(THints::kPauseMs + 50);
  HeadlessWindow* hint = platform->FindWindow("hint");
  ASSERT_TRUE(hint && hint->Visible());
  EXPECT_EQ(hint->Presented().Pixel(hint->Bounds().Width() / 2, 1), MakeColor(255, 248, 220));
  // The text's darkest pixel (its edges blend into the ground) is the tree's hint text colour.
  Color darkest = MakeColor(255, 255, 255);
  for (int y = 1; y + 1 < hint->Bounds().Height(); ++y)
    for (int x = 1; x + 1 < hint->Bounds().Width(); ++x) {
      const Color c = hint->Presented().Pixel(x, y);
      if (RedOf(c) + GreenOf(c) + BlueOf(c) < RedOf(darkest) + GreenOf(darkest) + BlueOf(darkest)) darkest = c;
    }
  EXPECT_NEAR(RedOf(darkest), 20, 12);
  EXPECT_NEAR(GreenOf(darkest), 40, 12);
  EXPECT_NEAR(BlueOf(darkest), 160, 12);
  EXPECT_EQ(Cp1251ToUtf8(form->Hints().Text()), name);
  // Leaving the list gives the window its own hint colour back.
  platform->Mouse("main", HeadlessPlatform::MouseAction::Move, {5, 145});
  EXPECT_EQ(form->Hints().GetColor(), kDefaultHintColor);
  EXPECT_EQ(form->Hints().GetTextColor(), MakeColor(0, 0, 0));
}

}  // namespace
}  // namespace trv::test
