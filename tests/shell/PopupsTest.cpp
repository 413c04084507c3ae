// The popup lists of a shell on a small disc: their windows, items, choices
// and the ways they close, and scripts and players tables that are not as
// they should be.
#include <gtest/gtest.h>

#include "game/Users.h"
#include "platform/Keys.h"
#include "shell/CommandDisc.h"
#include "shell/MainForm.h"

namespace trv::test {
namespace {

constexpr Color kPopupBack = MakeColor(30, 30, 90);
constexpr Color kItemUp = MakeColor(220, 220, 220);
constexpr Color kItemMove = MakeColor(250, 200, 100);
constexpr Color kItemDown = MakeColor(90, 160, 250);

std::string PopupBlock(int screen, const std::string& type, const std::string& captions, const std::string& go,
                       const std::string& background = "pbg.bmp", const std::string& vertex = "",
                       const std::string& item = "pu.bmp") {
  return "_popup " + std::to_string(screen) + ";xfon=-1;yfon=-1;fnfon=" + background +
         "\nxbtn=-1;ybtn=-1\nfnbtnup=[" + item + "]\nfnbtnmove=[pm.bmp]\nfnbtndown=[pd.bmp]\n"
         "fontup=Arial;sizeup=9;styleup=plain;colorup=0,0,0\n"
         "fontmv=Arial;sizemv=9;stylemv=bold;colormv=0,0,0\n"
         "caption=[" + captions + "]\ngo=[" + go + "]\nparent=none;type=" + type + "\nvertex=[" + vertex + "]\n";
}

// Screen 1: buttons for popup 12 (a jump to screen 2, an inert item, the
// About box), the favourites (-3), their delete mode (-4), and popups that
// the script got wrong. Screen 2: the name box, "showregisteredusers" and the
// players' popup.
std::string PopupScript(const std::string& extra = "") {
  const std::string pics = "fn1=n.bmp;fn2=h.bmp;fn3=p.bmp;fn4=i.bmp;";
  auto button = [&](int screen, int x, int y, const std::string& go) {
    return "button" + std::to_string(screen) + ";vx=" + std::to_string(x) + ";vy=" + std::to_string(y) + "\n" +
           pics + "wav=no;hint=;go=" + go + "\n";
  };
  std::string s = "title=тестовый диск\n_screen1 back1.bmp\n_screen2 back2.bmp\n";
  s += button(1, 0, 0, "contextmenu12");
  s += button(1, 50, 0, "contextmenu-3");
  s += button(1, 100, 0, "contextmenu-4");
  s += button(1, 0, 25, "contextmenu20");
  s += button(1, 50, 25, "contextmenu21");
  s += button(1, 100, 25, "contextmenu22");
  s += PopupBlock(1, "12", "Один;Пусто;&Три", "screen2=store;no;about");
  s += PopupBlock(1, "favorite", "А;Б;В", "f1;f2;f3");
  s += extra;
  s += button(2, 20, 20, "screen1=store");
  s += button(2, 100, 20, "showregisteredusers");
  s += "_path2 vx=40;vy=90;vw=140;vh=110\n"
       "pathdef=nodefvalue;hint=;textfontname=arial;textfontstyle=bold;textfontcolor=0,0,0\n"
       "bgcolor=255,255,255\n";
  s += PopupBlock(2, "registeredusers", "", "");
  return s;
}

ArchiveEntries PopupPictures() {
  return {{"pbg.bmp", FlatBmp(100, 30, kPopupBack)},
          {"pu.bmp", FlatBmp(60, 20, kItemUp)},
          {"pm.bmp", FlatBmp(60, 20, kItemMove)},
          {"pd.bmp", FlatBmp(60, 20, kItemDown)}};
}

class PopupsTest : public CommandShellTest {
 protected:
  void StartPopups(const std::string& extra = "") { StartOn(PopupScript(extra), PopupPictures()); }
  TPopupsPart& Popups() { return *form->Popups(); }
  HeadlessWindow* PopupWin() { return platform->FindWindow("popup"); }
  // Clicks a button of the main window (its centre).
  void ClickMain(int x, int y) {
    platform->Click("main", {x + 20, y + 10});
    Wait(10);
  }
  void AddPlayers(const std::vector<std::string>& namesUtf8) {
    TUsers users(platform->Settings(), Utf8ToCp1251("Тестовый диск"), platform->VirtualLoop().GetClock());
    std::uint32_t score = 1000;
    for (const auto& name : namesUtf8) {
      users.SetCurrentName(Utf8ToCp1251(name));
      users.SetCurrentScore(score--);
      users.Commit();
    }
  }
};

TEST_F(PopupsTest, ItemsStandCentredAndTheWindowFitsThem) {
  StartPopups();
  ClickMain(0, 0);
  Wait(150);  // it slides open on the first screen
  HeadlessWindow* w = PopupWin();
  ASSERT_TRUE(w && w->Visible());
  EXPECT_TRUE(Popups().IsOpen(12));
  // Three items of 20 rows, 5 above and below; at the pointer, which was at (20,10).
  const Rect main = Main()->Bounds();
  EXPECT_EQ(w->Bounds(), Rect::FromSize(main.left + 20, main.top + 10, 100, 70));
  EXPECT_EQ(w->Presented().Pixel(2, 2), kPopupBack);
  EXPECT_EQ(w->Presented().Pixel(21, 6), kItemUp);
  EXPECT_EQ(w->Presented().Pixel(21, 46), kItemUp);
  EXPECT_EQ(w->Presented().Pixel(21, 67), kPopupBack);
  EXPECT_EQ(w->Presented().Pixel(19, 6), kPopupBack);
  // The keyboard stays with the main window.
  EXPECT_EQ(platform->Focused(), Main());
  platform->Mouse("popup", HeadlessPlatform::MouseAction::Move, {22, 27});
  EXPECT_EQ(w->Presented().Pixel(21, 26), kItemMove);
  EXPECT_EQ(w->Presented().Pixel(21, 6), kItemUp);
  ASSERT_EQ(Since("popup").size(), 1u);
  EXPECT_NE(Since("popup")[0].find("\"do\":\"show\",\"kind\":12,\"items\":[\"Один\",\"Пусто\",\"&Три\"]"),
            std::string::npos);
}

TEST_F(PopupsTest, ChosenItemHidesThePopupThenRunsItsCommandSilently) {
  StartPopups();
  ClickMain(0, 0);
  Mark();
  // The inert item keeps the popup.
  platform->Click("popup", {30, 30});
  Wait(10);
  EXPECT_TRUE(Popups().IsOpen(12));
  EXPECT_TRUE(Since("command").empty());
  platform->Click("popup", {30, 10});
  Wait(10);
  EXPECT_FALSE(PopupWin()->Visible());
  ASSERT_EQ(Screens(), (std::vector<int>{2}));
  const auto commands = Since("command");
  ASSERT_FALSE(commands.empty());
  EXPECT_EQ(Field(commands[0], "command"), "screen2=store");
  EXPECT_EQ(Field(commands[0], "mode"), "1");
  // The new screen's popups are its own.
  EXPECT_EQ(Popups().Find(12), nullptr);
  EXPECT_NE(Popups().Find(kPopupRegisteredUsers), nullptr);
}

TEST_F(PopupsTest, DeleteModeRemovesTheNextChosenFavouriteUntilThePopupHides) {
  StartPopups();
  ClickMain(50, 0);
  ASSERT_TRUE(Popups().FavoriteOpen());
  // contextmenu-4 from its button: the press closes the open favourites
  // (any press does), and their next showing removes what is chosen.
  ClickMain(100, 0);
  EXPECT_FALSE(Popups().FavoriteOpen());
  ASSERT_TRUE(Popups().Find(kPopupFavorite)->DeleteMode());
  Popups().ShowPopup(kPopupFavorite, {300, 300});
  Mark();
  platform->Click("popup", {30, 30});
  Wait(10);
  const TPopupWindow* fav = Popups().Find(kPopupFavorite);
  ASSERT_EQ(fav->Count(), 2u);
  EXPECT_EQ(fav->Item(0).Caption(), Utf8ToCp1251("А"));
  EXPECT_EQ(fav->Item(1).Command(), "f3");
  EXPECT_TRUE(fav->IsOpen());
  EXPECT_EQ(fav->WindowSize().height, 50);
  EXPECT_TRUE(Since("command").empty());
  Popups().HideAll();
  EXPECT_FALSE(fav->DeleteMode());
  Popups().ShowPopup(kPopupFavorite, {300, 300});
  Mark();
  platform->Click("popup", {30, 10});
  Wait(10);
  ASSERT_EQ(Since("command").size(), 1u);
  EXPECT_EQ(Field(Since("command")[0], "command"), "f1");
}

TEST_F(PopupsTest, PopupsCloseOnAClickOutsideEscapeDeactivationAndScreenChange) {
  StartPopups();
  ClickMain(0, 0);
  // A press on an empty spot of the main window.
  platform->Click("main", {180, 140});
  EXPECT_FALSE(Popups().IsOpen(12));
  ClickMain(50, 0);
  form->FormKeyDown(vk::Escape, 0);
  EXPECT_FALSE(Popups().FavoriteOpen());
  ClickMain(0, 0);
  // Focus lost and regained at once (a popup mapping) keeps it; lost for good, it goes.
  form->OnActivate(false);
  Wait(50);
  form->OnActivate(true);
  Wait(TPopupsPart::kDeactivationGraceMs);
  EXPECT_TRUE(Popups().IsOpen(12));
  form->OnActivate(false);
  Wait(TPopupsPart::kDeactivationGraceMs);
  EXPECT_FALSE(Popups().IsOpen(12));
  ClickMain(0, 0);
  form->RunCommand("screen2=store", "", 0, 0, 1);
  EXPECT_FALSE(PopupWin()->Visible());
  EXPECT_EQ(Popups().Find(12), nullptr);
  // A popup that is not -3 or -7 stays at Escape.
  form->RunCommand("screen1=store", "", 0, 0, 1);
  Wait(1000);
  ClickMain(0, 0);
  form->FormKeyDown(vk::Escape, 0);
  EXPECT_TRUE(Popups().IsOpen(12));
}

TEST_F(PopupsTest, PlayersListFillsTheNameBoxWithTheExactName) {
  const std::string longName(255, 'x');
  AddPlayers({"Dr. Who", "a\\b=c", longName});
  StartPopups();
  form->RunCommand("screen2=store", "", 0, 0, 1);
  Wait(1000);
  ClickMain(100, 20);
  TPopupWindow* players = Popups().Find(kPopupRegisteredUsers);
  ASSERT_TRUE(players && players->IsOpen());
  ASSERT_EQ(players->Count(), 3u);
  // Its right edge at the button's bottom-left corner.
  const Rect b = PopupWin()->Bounds();
  EXPECT_EQ(b.right, Main()->Bounds().left + 100);
  EXPECT_EQ(b.top, Main()->Bounds().top + 40);
  EXPECT_EQ(players->Item(1).Command(), "setusername=a\\b=c");
  // The long name does not fit its item: clipped, and its hint.
  EXPECT_EQ(players->Item(2).Hint(), longName);
  EXPECT_TRUE(players->Item(0).Hint().empty());
  platform->Mouse("popup", HeadlessPlatform::MouseAction::Move, {30, 50});
  Wait(THints::kPauseMs + 50);
  ASSERT_TRUE(players->Hints().Showing());
  EXPECT_EQ(players->Hints().Text(), longName);
  Mark();
  platform->Click("popup", {30, 30});
  Wait(10);
  EXPECT_EQ(form->InputBoxes()->GetBoxText(), "a\\b=c");
  ASSERT_FALSE(Since("command").empty());
  EXPECT_EQ(Field(Since("command")[0], "command"), "playwavonly");
  EXPECT_EQ(Field(Since("command")[0], "sound"), "music\\Регистрация\\Выбор в строчке регистрации_&&&.wav");
  for (const std::string name : {std::string("Dr. Who"), longName}) {
    ClickMain(100, 20);
    const int row = name == longName ? 50 : 10;
    platform->Click("popup", {30, row});
    Wait(10);
    EXPECT_EQ(form->InputBoxes()->GetBoxText(), name);
  }
  // The button again while the list is open closes and refills it.
  ClickMain(100, 20);
  ClickMain(100, 20);
  EXPECT_EQ(Popups().Find(kPopupRegisteredUsers)->Count(), 3u);
}

TEST_F(PopupsTest, ThirteenPlayersListTwelveAndAnEmptyTableShowsNothing) {
  StartPopups();
  form->RunCommand("screen2=store", "", 0, 0, 1);
  Wait(1000);
  ClickMain(100, 20);
  EXPECT_FALSE(Popups().RegisteredUsersOpen());
  form.reset();
  std::vector<std::string> names;
  for (int i = 1; i <= 13; ++i) names.push_back("Игрок " + std::to_string(i));
  AddPlayers(names);
  ASSERT_TRUE(Start());
  Wait(100);
  form->RunCommand("screen2=store", "", 0, 0, 1);
  Wait(1000);
  ClickMain(100, 20);
  ASSERT_TRUE(Popups().RegisteredUsersOpen());
  EXPECT_EQ(Popups().Find(kPopupRegisteredUsers)->Count(), 12u);
  EXPECT_EQ(PopupWin()->Bounds().Height(), 12 * 20 + 10);
}

TEST_F(PopupsTest, BadPopupBlocksShowSomethingUsableOrNothing) {
  platform->SetScreenSize({800, 600});
  std::string many;
  std::string go;
  for (int i = 0; i < 60; ++i) {
    many += (i ? ";" : "") + std::string(i == 1 ? 255 : 5, 'z');
    go += (i ? ";" : "") + std::string("c") + std::to_string(i);
  }
  StartPopups(PopupBlock(1, "20", "Без картинок", "x", "nobg.bmp", "", "noitem.bmp") +
              PopupBlock(1, "21", "", "") + PopupBlock(1, "22", many, go) +
              PopupBlock(1, "23", "Бант", "y", "pbg.bmp", "0,0;100,30;100,0;0,30"));
  // Missing pictures: a plain item of its own size on a plain background.
  ClickMain(0, 25);
  ASSERT_TRUE(Popups().IsOpen(20));
  EXPECT_EQ(PopupWin()->Bounds().Width(), TItemsBtn::kPlainSize.width + 10);
  EXPECT_EQ(PopupWin()->Bounds().Height(), TItemsBtn::kPlainSize.height + 10);
  // No items: nothing opens.
  ClickMain(50, 25);
  EXPECT_FALSE(Popups().IsOpen(21));
  // More items than the screen holds: those that fit, within the desktop.
  platform->Click("main", {180, 140});
  ClickMain(100, 25);
  ASSERT_TRUE(Popups().IsOpen(22));
  const Rect b = PopupWin()->Bounds();
  EXPECT_GE(b.top, 0);
  EXPECT_LE(b.bottom, 600);
  const TPopupWindow* many22 = Popups().Find(22);
  EXPECT_TRUE(many22->Item(28).Box().placed);
  EXPECT_FALSE(many22->Item(29).Box().placed);
  EXPECT_EQ(b.Height(), 29 * 20 + 10);
  EXPECT_EQ(many22->Item(1).Hint(), std::string(255, 'z'));
  // Without an outline the popup is rectangular; a self-crossing one shapes
  // it, and then its height stays the picture's.
  EXPECT_EQ(PopupWin()->Region(), nullptr);
  Popups().ShowPopup(23, {10, 10});
  ASSERT_NE(PopupWin()->Region(), nullptr);
  EXPECT_EQ(PopupWin()->Region()->size(), 4u);
  EXPECT_EQ(PopupWin()->Bounds().Height(), 30);
}

TEST_F(PopupsTest, PopupsOnTheFirstScreenSlideOpenButNotTwiceWithin250Ms) {
  StartPopups();
  Wait(1000);
  ClickMain(0, 0);
  TPopupWindow* popup = Popups().Find(12);
  EXPECT_TRUE(popup->Sliding());
  Wait(110);
  EXPECT_FALSE(popup->Sliding());
  Popups().HideAll();
  Wait(20);
  ClickMain(0, 0);
  EXPECT_FALSE(popup->Sliding());
  Popups().HideAll();
  form->RunCommand("screen2=store", "", 0, 0, 1);
  Wait(1000);
  form->RunCommand("screen1=store", "", 0, 0, 1);
  Wait(1000);
  // The first showing of a popup made anew slides again.
  ClickMain(0, 0);
  EXPECT_TRUE(Popups().Find(12)->Sliding());
}

}  // namespace
}  // namespace trv::test

namespace trv::test {
namespace {

TEST_F(PopupsTest, MenuCommandsShowTheirPopupAndItsCompanionTenOn) {
  StartPopups(PopupBlock(1, "95", "a", "a") + PopupBlock(1, "105", "b", "b") + PopupBlock(1, "90", "c", "c") +
              PopupBlock(1, "100", "d", "d") + PopupBlock(1, "historyback", "", ""));
  auto openKinds = [&] {
    std::vector<int> kinds;
    for (const auto& w : Popups().Windows())
      if (w->IsOpen()) kinds.push_back(w->Kind());
    Popups().HideAll();
    return kinds;
  };
  form->RunCommand("contextmenu95", "", 0, 0, 1);
  EXPECT_EQ(openKinds(), (std::vector<int>{95, 105}));
  EXPECT_EQ(Popups().Find(95)->PopupWindow()->Bounds().left, Popups().Find(105)->PopupWindow()->Bounds().left);
  form->RunCommand("contextmenu90", "", 0, 0, 1);
  EXPECT_EQ(openKinds(), (std::vector<int>{90}));
  form->RunCommand("contextmenu100", "", 0, 0, 1);
  EXPECT_EQ(openKinds(), (std::vector<int>{100}));
  // Only buttons open popups; the history list (eight hidden items) never shows.
  form->RunCommand("contextmenu95", "", 0, 1, 1);
  form->RunCommand("contextmenu", "", 0, 0, 1);
  EXPECT_EQ(Popups().Find(-1)->Count(), 8u);
  EXPECT_TRUE(openKinds().empty());
  form->RunCommand("showregisteredusers", "", 1, 2, 1);
  EXPECT_TRUE(openKinds().empty());
}

}  // namespace
}  // namespace trv::test
