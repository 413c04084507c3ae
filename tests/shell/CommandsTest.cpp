// The command interpreter: its sound step, its fixed order of tests and what
// each command does, the commands the demo disc's scripts hold, and commands
// that make no sense.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>

#include "platform/Json.h"
#include "platform/Keys.h"
#include "script/CommandRules.h"
#include "script/ExpandPath.h"
#include "script/ScriptValues.h"
#include "shell/CommandDisc.h"
#include "shell/OutsideLinks.h"

namespace trv::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::string PercentDecode(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size()) {
      out += char(std::stoi(s.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += s[i];
    }
  }
  return out;
}

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

class CommandsTest : public CommandShellTest {
 protected:
  void SetUp() override { StartOn(FiveScreenScript()); }
  std::string ProgramDir() const { return Disc().programDir; }
};

TEST_F(CommandsTest, SoundStepPlaysInItsThreeModes) {
  WriteFile(discDir / "long.wav", SilentWav(1000));
  WriteFile(discDir / "short.wav", SilentWav(100));
  Run("playwavonly", "long.wav", 0, 0, 0);
  ASSERT_EQ(Plays().size(), 1u);
  EXPECT_EQ(Plays()[0].file, ProgramDir() + "long.wav");
  EXPECT_EQ(Plays()[0].mode, SoundMode::Async);
  EXPECT_TRUE(Plays()[0].played);
  // Mode 2 gives way to the sound that plays; mode 0 cuts it off.
  Run("playwavonly", "short.wav", 0, 0, 2);
  ASSERT_EQ(Plays().size(), 2u);
  EXPECT_EQ(Plays()[1].mode, SoundMode::AsyncNoStop);
  EXPECT_FALSE(Plays()[1].played);
  Run("playwavonly", "short.wav", 0, 0, 0);
  ASSERT_EQ(Plays().size(), 3u);
  EXPECT_TRUE(Plays()[2].played);
  Wait(200);
  Run("playwavonly", "short.wav", 0, 0, 2);
  ASSERT_EQ(Plays().size(), 4u);
  EXPECT_TRUE(Plays()[3].played) << "nothing plays any more";
  // Mode 1, "no", an empty name and sounds switched off play nothing; a
  // missing file is tried and stays silent.
  Run("playwavonly", "long.wav", 0, 0, 1);
  Run("playwavonly", "no", 0, 0, 0);
  Run("playwavonly", "", 0, 0, 0);
  form->SetSoundsOn(false);
  Run("playwavonly", "long.wav", 0, 0, 0);
  Run("screen3=store", "long.wav", 0, 0, 0);
  EXPECT_EQ(Plays().size(), 4u);
  form->SetSoundsOn(true);
  Run("playwavonly", "missing.wav", 0, 0, 0);
  ASSERT_EQ(Plays().size(), 5u);
  EXPECT_FALSE(Plays()[4].played);
  // "playwavonly" does nothing else; other commands play first, then act.
  EXPECT_THAT(Screens(), ElementsAre(3));
  EXPECT_THAT(Owners(), IsEmpty());
}

TEST_F(CommandsTest, BusyDropsEveryCommandWithoutASound) {
  WriteFile(discDir / "long.wav", SilentWav(1000));
  form->SetBusy(true);
  Run("screen3=store", "long.wav", 0, 0, 0);
  Run("exit", "long.wav", 2, 0, 0);
  Run("options");
  Wait(10);
  EXPECT_EQ(form->CurrentScreen(), 0);
  EXPECT_TRUE(Plays().empty());
  EXPECT_TRUE(Owners().empty());
  EXPECT_EQ(form->ExitButton(), -1);
  EXPECT_TRUE(Main()->Visible());
  form->SetBusy(false);
  Run("screen3=store", "long.wav", 0, 0, 0);
  EXPECT_EQ(form->CurrentScreen(), 2);
  EXPECT_EQ(Plays().size(), 1u);
}

TEST_F(CommandsTest, ExitRemembersTheButtonAndItsSoundPlaysAtShutdown) {
  Run("exit", "close.wav", 3, 0, 0);
  EXPECT_EQ(form->ExitButton(), 3);
  EXPECT_TRUE(Plays().empty()) << "no sound at once";
  // Nothing runs once the window is going.
  Run("screen3=store");
  EXPECT_EQ(form->CurrentScreen(), 0);
  Wait(1);
  ASSERT_TRUE(Main() == nullptr || !Main()->Visible());
  EXPECT_TRUE(platform->VirtualLoop().Terminated());
  // Button 3 of the first screen is "elp": its sound, played to its end.
  ASSERT_EQ(Plays().size(), 1u);
  EXPECT_EQ(Plays()[0].file, ProgramDir() + "elp.wav");
  EXPECT_EQ(Plays()[0].mode, SoundMode::Sync);
}

TEST_F(CommandsTest, ExitFromASwitchKeepsNoButton) {
  Run("exit", "", 0, 1, 0);
  EXPECT_EQ(form->ExitButton(), -1);
  Wait(1);
  EXPECT_TRUE(platform->VirtualLoop().Terminated());
  EXPECT_TRUE(Plays().empty());
}

TEST_F(CommandsTest, LetterCaseMattersOnlyForTheScreenVerb) {
  Run("Exit");
  Run("ABOUT");
  Run("Options");
  Wait(1);
  EXPECT_TRUE(Main()->Visible());
  EXPECT_TRUE(Owners().empty());
  Run("Screen2=store");
  EXPECT_EQ(form->CurrentScreen(), 1);
  Run("SCREEN3=STORE");  // a screen command, but "STORE" is a file name to the trees
  EXPECT_EQ(form->CurrentScreen(), 2);
  EXPECT_EQ(form->Trees()->PendingFile(), "STORE") << "only the lower-case word leaves the trees alone";
}

// Commands whose owners are still to come reach them with their arguments,
// and only the rules that test Source look at it.
TEST_F(CommandsTest, EveryRowReachesItsOwner) {
  struct Row {
    const char* command;
    int source;
    std::vector<std::string> owners;
  };
  const std::string dir = Cp1251ToUtf8(ProgramDir());
  const Row rows[] = {
      {"about", 0, {}},  // the archive holds no About.txt
      {"settree2", 0, {}},  // the first screen has no trees
      {"ontree", 1, {}},
      {"offtree", 2, {}},
      // The popup commands on a disc without popups do nothing (PopupsTest has them).
      {"showregisteredusers", 0, {}},
      {"showregisteredusers", 1, {}},
      {"setusername", 0, {}},
      {"contextmenu95", 0, {}},
      {"getmoney", 0, {"game take-money"}},
      {"validateanswer", 0, {"game validate-answer"}},
      {"additionaltime", 0, {"game extra-minute"}},
      {"contextmenu95", 1, {}},
      {"standartwin", 0, {}},  // the standard window is the main window's own
      {"options", 0, {"options show"}},
      {"play", 0, {}},
      {"stop", 0, {}},
      {"pause", 0, {}},
      {"stepforward", 0, {}},
      {"stepback", 0, {}},
      {"clip=intro.avi", 0, {}},
      {"playclip=avis\\intro.avi=2", 0, {}},
      {"unarc", 0, {}},
      {"back", 0, {}},
      {"nextpic", 0, {}},
      {"no", 0, {}},
      {"", 0, {}},
  };
  for (const Row& row : rows) {
    Mark();
    Run(row.command, "", 5, row.source, 1);
    EXPECT_EQ(Owners(), row.owners) << row.command << " from source " << row.source;
    EXPECT_TRUE(Screens().empty()) << row.command;
    EXPECT_TRUE(Opened().empty()) << row.command;
  }
  EXPECT_TRUE(Main()->Visible());
}

TEST_F(CommandsTest, TheOrderOfTestsDecidesWhatACommandMeans) {
  // Without "=" there is no verb: "screen3" is a bare number to the last rule
  // and touches no tree; with "=store" it is a screen command that does not
  // either; "screen3=" gives the trees an empty pending file.
  const TTreesPart& trees = *form->Trees();
  Run("screen2=1=глава");
  Mark();
  Run("screen3");
  EXPECT_THAT(Screens(), ElementsAre(3));
  EXPECT_EQ(trees.PendingItem(), "\xE3\xEB\xE0\xE2\xE0");  // "глава" in CP1251
  Mark();
  Run("screen3=store");
  EXPECT_THAT(Screens(), ElementsAre(3));
  EXPECT_EQ(trees.PendingItem(), "\xE3\xEB\xE0\xE2\xE0");
  Mark();
  Run("screen3=");
  EXPECT_TRUE(trees.PendingItem().empty());
  EXPECT_TRUE(trees.PendingFile().empty());
  // The screen test comes before the tree tests.
  Mark();
  Run("screen2=1=settree");
  EXPECT_EQ(form->CurrentScreen(), 1);
  EXPECT_EQ(trees.PendingItem(), "settree");
  // The run test comes before the menu test, the menu test before the number.
  Mark();
  Run("run=contextmenu2");
  EXPECT_THAT(Opened(), ElementsAre("contextmenu2"));
  Mark();
  Run("contextmenu3");
  EXPECT_TRUE(Screens().empty());
  EXPECT_EQ(form->CurrentScreen(), 1);
  // "play" is an exact word, so "playclip=..." is a clip command.
  Mark();
  Run("playclip=a.avi");
  EXPECT_THAT(MediaCalls(), ElementsAre("open " + Cp1251ToUtf8(ProgramDir()) + "a.avi 275"));
}

TEST_F(CommandsTest, LetterWithoutEqualsSignIsNoMailCommand) {
  Run("writelettertoadminanddevelopers", "", 0, 0, 1);
  EXPECT_TRUE(Opened().empty());
  EXPECT_TRUE(Screens().empty());
  Run("writelettertoadminanddevelopers=");
  ASSERT_EQ(Opened().size(), 1u);
  const std::string url = Opened()[0];
  EXPECT_EQ(url.rfind("mailto:support@trivion.example.org?Subject=", 0), 0u) << url;
  EXPECT_TRUE(EndsWith(url, "%22%22")) << "an empty error text in quotes: " << url;
}

TEST_F(CommandsTest, StartGameGoesOnOrAsksForAName) {
  Run("startgame");
  EXPECT_EQ(form->CurrentScreen(), 1);
  Settle();
  // The registration screen without a name: the error sound, the request.
  Mark();
  Run("startgame");
  EXPECT_EQ(form->CurrentScreen(), 1);
  ASSERT_EQ(Plays().size(), 1u);
  EXPECT_TRUE(EndsWith(Cp1251ToUtf8(Plays()[0].file), "music\\Регистрация\\s_Появление окна ошибки.wav"));
  EXPECT_THAT(Owners(), ElementsAre("game show-dialog 4:Введите имя!"));
  // Blanks around the name do not count; with one the game screen follows.
  form->SetInputBoxText(Utf8ToCp1251(" \t "));
  Mark();
  Run("startgame");
  EXPECT_EQ(form->CurrentScreen(), 1);
  form->SetInputBoxText(Utf8ToCp1251("  Иван Петров\t"));
  Mark();
  Run("2loadhtml");
  EXPECT_EQ(form->CurrentScreen(), 4);
  ASSERT_FALSE(Owners().empty());
  EXPECT_EQ(Owners().front(), "players set-current-name Иван Петров");
  EXPECT_EQ(Owners().back(), "game schedule-start");
  Settle();
  // The last screen has no next one.
  Mark();
  Run("startgame");
  EXPECT_EQ(form->CurrentScreen(), 4);
  EXPECT_TRUE(Screens().empty());
  // While the window fades nothing happens.
  Run("1");
  ASSERT_EQ(form->CurrentScreen(), 0);
  Mark();
  Run("startgame");
  EXPECT_EQ(form->CurrentScreen(), 0);
  Settle();
  Run("startgame");
  EXPECT_EQ(form->CurrentScreen(), 1);
}

TEST_F(CommandsTest, BackgroundSoundTogglesOnlyFromAButtonAndIsStored) {
  Registry& settings = platform->Settings();
  const std::string key = "SOFTWARE\\VOMAR\\" + form->Title();
  // No song list on this disc: the music cannot come on.
  EXPECT_FALSE(form->MusicOn());
  Run("bgsound");
  EXPECT_FALSE(form->MusicOn());
  EXPECT_EQ(settings.ReadBool(RootKey::CurrentUser, key, "BGSound"), false);

  WriteFile(discDir / "song.wav", SilentWav(60000));
  form.reset();
  StartOn(FiveScreenScript() + "bgsounddef=[song.wav]\n");
  EXPECT_TRUE(form->MusicOn());  // playing since the first show
  Run("bgsound", "", 0, 1, 1);
  Run("bgsound", "", 0, 2, 1);
  EXPECT_TRUE(form->MusicOn());
  EXPECT_TRUE(MediaCalls().empty());
  Run("bgsound");
  EXPECT_FALSE(form->MusicOn());
  EXPECT_EQ(settings.ReadBool(RootKey::CurrentUser, key, "BGSound"), false);
  EXPECT_TRUE(MediaCalls().empty());  // it fades out first
  Wait(3000);
  EXPECT_THAT(MediaCalls(), ElementsAre("notify aborted", "close"));
  Mark();
  Run("bgsound");
  EXPECT_TRUE(form->MusicOn());
  EXPECT_EQ(settings.ReadBool(RootKey::CurrentUser, key, "BGSound"), true);
  const std::vector<std::string> calls = MediaCalls();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0], "open " + Cp1251ToUtf8(ProgramDir()) + "song.wav 0");
  EXPECT_EQ(calls[1], "seek 100");  // where the music was when it was switched off
  EXPECT_EQ(calls[2], "play 100 60000");
}

TEST_F(CommandsTest, MinimizeSendsTheWindowAwayAndCalmsItsButton) {
  platform->Mouse("main", HeadlessPlatform::MouseAction::Move, {60, 10});  // over button 1
  platform->Mouse("main", HeadlessPlatform::MouseAction::Down, {60, 10});
  Mark();
  Run("minimize", "", 1, 0, 1);
  EXPECT_TRUE(Main()->Minimized());
  form->DumpState();
  const std::string state = Since("state").back();
  EXPECT_NE(state.find("\"buttons\":[{\"hover\":false,\"pressed\":false,\"active\":true},{\"hover\":false,\"pressed\":"
                       "false"),
            std::string::npos)
      << state;
}

TEST_F(CommandsTest, WebPagesAndServerPagesOpenOnTheDesktop) {
  Run("run=http://example.org/page?a=1");
  Run("registeruserontheserver");
  Run("showratingsontheserver");
  Run("screen2=store");
  Settle();
  form->SetInputBoxText(Utf8ToCp1251("Иван & Co"));
  Run("showratingsontheserver");
  EXPECT_THAT(Opened(), ElementsAre("http://example.org/page?a=1", "http://scores.trivion.example.org/register.php",
                                    "http://scores.trivion.example.org/list.php?GameID=3&GamerSearch=",
                                    "http://scores.trivion.example.org/list.php?GameID=3&GamerSearch="
                                    "%C8%E2%E0%ED%20%26%20Co"));
}

TEST_F(CommandsTest, DeploymentAddressesComeFromTheMachineOrTheEnvironment) {
  Registry& settings = platform->Settings();
  const std::string key = "SOFTWARE\\VOMAR\\" + form->Title();
  EXPECT_EQ(form->SupportMail(), kDefaultSupportMail);
  EXPECT_EQ(form->ScoreServer(), kDefaultScoreServer);
  // A value of the wrong type, or an empty one, reads as missing.
  settings.WriteInteger(RootKey::LocalMachine, key, "SupportMail", 7);
  settings.WriteString(RootKey::LocalMachine, key, "ScoreServer", "  ");
  EXPECT_EQ(form->SupportMail(), kDefaultSupportMail);
  EXPECT_EQ(form->ScoreServer(), kDefaultScoreServer);
  settings.WriteString(RootKey::LocalMachine, key, "SupportMail", "help@quiz.example.net");
  settings.WriteString(RootKey::LocalMachine, key, "ScoreServer", "https://top.example.net/quiz");
  // The user's own settings do not count: these are the machine's.
  settings.WriteString(RootKey::CurrentUser, key, "SupportMail", "me@example.com");
  EXPECT_EQ(form->SupportMail(), "help@quiz.example.net");
  Run("registeruserontheserver");
  EXPECT_THAT(Opened(), ElementsAre("https://top.example.net/quiz/register.php"));
  setenv("TRIVION_SUPPORT_MAIL", "env@example.com", 1);
  setenv("TRIVION_SCORE_SERVER", "http://127.0.0.1:8080/", 1);
  EXPECT_EQ(form->SupportMail(), "env@example.com");
  EXPECT_EQ(form->ScoreServer(), "http://127.0.0.1:8080/");
  setenv("TRIVION_SUPPORT_MAIL", "", 1);  // empty: not set
  EXPECT_EQ(form->SupportMail(), "help@quiz.example.net");
  unsetenv("TRIVION_SUPPORT_MAIL");
  unsetenv("TRIVION_SCORE_SERVER");
}

TEST(OutsideLinksTest, SupportMailIsPercentEncodedAndReadsAsWritten) {
  const std::string title = Utf8ToCp1251("Тривион & Co?");
  const std::string error = Utf8ToCp1251("нет ответа: 100% #2\r\n\"x\"");
  const std::string url = SupportMailUrl("a+b@example.org", title, error);
  ASSERT_EQ(url.rfind("mailto:a+b@example.org?Subject=", 0), 0u) << url;
  const std::size_t body = url.find("&Body=");
  ASSERT_NE(body, std::string::npos);
  // Only the separators of the URL itself stay unescaped.
  const std::string subject = url.substr(31, body - 31);
  const std::string bodyText = url.substr(body + 6);
  for (const std::string& part : {subject, bodyText})
    for (char c : part)
      EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(c)) || std::string("%-._~").find(c) != std::string::npos)
          << "'" << c << "' in " << part;
  EXPECT_EQ(PercentDecode(subject), "Quiz Show Support: Тривион & Co?");
  EXPECT_EQ(PercentDecode(bodyText),
            "Здравствуйте, у меня есть Ваша игра, которая называется \"Тривион & Co?\". Когда я играл в неё и пытался "
            "послать результаты на сервер, возникла следующая ошибка: \"нет ответа: 100% #2\r\n\"x\"\"");
  // An address with characters a URL cannot carry raw.
  EXPECT_EQ(SupportMailUrl("odd?name&x@example.org", "", "").substr(0, 36), "mailto:odd%3Fname%26x@example.org?Su");
}

TEST(OutsideLinksTest, ServerPagesTakeAnyBaseAndAnyName) {
  EXPECT_EQ(RegisterPageUrl("http://s.example/q"), "http://s.example/q/register.php");
  EXPECT_EQ(RegisterPageUrl("http://s.example/q/"), "http://s.example/q/register.php");
  EXPECT_EQ(RatingsPageUrl("http://s.example/", "a=b&c d"), "http://s.example/list.php?GameID=3&GamerSearch=a%3Db%26c%20d");
  EXPECT_EQ(RatingsPageUrl("http://s.example/", Utf8ToCp1251("Ёж")),
            "http://s.example/list.php?GameID=3&GamerSearch=%A8%E6");
  EXPECT_EQ(PercentEncode(std::string("a\0b", 3)), "a%00b");
}

TEST_F(CommandsTest, NonsenseDoesNothingAndNeverCrashes) {
  const std::string huge(1 << 20, '9');
  std::string longScreen = "screen";
  while (longScreen.size() < (1u << 20)) longScreen += "screen";
  const std::vector<std::string> commands = {
      "0", "6", "-1", "2147483647", "2147483648", "99999999999999999999", "--5", "5-", "screen", "screen=",
      "screen0=store", "screen6=store", "screen-2=store", "screen99999999999=store", "screen2=x=y", "screen2==a",
      "screen2=1.5=item", "=", "==", "rungame", "delgame", "clip", "run", "x" + huge, huge,
      longScreen, longScreen + "=store", std::string(1 << 20, '='), "screen9=" + std::string(1 << 16, '='),
      std::string("screen\0009=store", 14), "\xff\xfe\x01", "exit ", " exit", "helpme", "bgsound=x",
  };
  for (const std::string& c : commands) {
    form->RunCommand(c, "", 0, 0, 1);
    EXPECT_EQ(form->CurrentScreen(), 0) << c.substr(0, 40);
  }
  EXPECT_TRUE(Screens().empty());
  EXPECT_TRUE(Main()->Visible());
  Wait(10);
  EXPECT_TRUE(Main()->Visible());
  // Indexes that point nowhere are harmless too.
  form->RunCommand("minimize", "", 999, 0, 1);
  form->RunCommand("minimize", "", -5, 0, 1);
  form->RunCommand("screen2=store", "", 999, 1, 1);
  form->RunCommand("screen3=store", "", -7, 2, 1);
  EXPECT_EQ(form->CurrentScreen(), 2);
}

// Commands glued together from the vocabulary's pieces, from every source:
// whatever they ask, the shell stays on a screen it has and keeps answering.
TEST_F(CommandsTest, RandomCommandsLeaveTheShellWorking) {
  const std::vector<std::string> pieces = {
      "screen", "Screen", "=", "store", "1", "2", "5", "6", "0", "-", "settree", "ontree", "offtree", "startgame",
      "2loadhtml", "contextmenu", "9", "bgsound", "help", "clip", "run", "http://", "writelettertoadminanddevelopers",
      "Глава", ".", "\\", "rungame", "delgame", "play", "unarc", " ", "99999999999"};
  std::uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
  };
  for (int i = 0; i < 3000; ++i) {
    std::string command;
    for (std::uint32_t n = next() % 5 + 1; n > 0; --n) command += Utf8ToCp1251(pieces[next() % pieces.size()]);
    form->RunCommand(command, "", int(next() % 12) - 2, int(next() % 3), int(next() % 3));
    ASSERT_GE(form->CurrentScreen(), 0) << command;
    ASSERT_LT(form->CurrentScreen(), form->ScreenCount()) << command;
    if (i % 50 == 0) Wait(30);
  }
  Wait(100);
  EXPECT_TRUE(Main()->Visible());
  Mark();
  Run("3");
  EXPECT_EQ(form->CurrentScreen(), 2);
}

// Every command the demo disc's scripts hold, from the element that holds it,
// does what its row of the vocabulary says.
TEST_F(ShellTest, DemoDiscCommandsDoWhatTheirRowsSay) {
  const char* data = std::getenv("TRIVION_TEST_DATA");
  ASSERT_NE(data, nullptr);
  // The test data folder lies in tests/ of the source tree, beside content/.
  const std::filesystem::path source = (std::filesystem::path(data) / ".." / "..").lexically_normal();
  std::ifstream in(source / "content" / "scripts" / "Struct.txt", std::ios::binary);
  ASSERT_TRUE(in) << "the demo disc's Struct.txt";
  const std::string script((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string lf;
  for (char c : script)
    if (c != '\r') lf += c;
  WriteDisc(discDir.Path(), lf, {{"About.txt", Bytes("about")}});
  ASSERT_TRUE(Start()) << stop.reason;

  struct Issued {
    std::string command;
    int source;
  };
  std::vector<Issued> issued;
  const TElementModel& model = form->Elements();
  for (const auto& screen : model.Buttons)
    for (const RBtn& b : screen) issued.push_back({b.command, 0});
  for (const auto& screen : model.SingleSwitches)
    for (const RSwthOne& s : screen) {
      issued.push_back({s.goDown, 1});
      issued.push_back({s.goUp, 1});
    }
  for (const auto& screen : model.GroupSwitches)
    for (const RSwthGrp& s : screen) issued.push_back({s.command, 2});
  for (const auto& screen : model.PopupData)
    for (const RPopupData& p : screen)
      for (const std::string& c : p.commands) issued.push_back({c, 0});
  ASSERT_GT(issued.size(), 60u);
  // The About box shows modally: the player closes it as soon as its fade ends.
  int idle = 0;
  platform->VirtualLoop().SetIdleDriver([&] {
    if (++idle > 1000) return false;
    Wait(50);
    if (HeadlessWindow* about = platform->FindWindow("about"); about && about->Visible())
      platform->KeyPress("about", vk::Escape);
    return true;
  });

  std::set<CommandAction> seen;
  bool exitSeen = false;
  for (const Issued& is : issued) {
    const CommandRule* rule = FindCommandRule(is.command);
    const std::string shown = Cp1251ToUtf8(is.command);
    if (rule && rule->action == CommandAction::kExit) {
      exitSeen = true;
      continue;  // last, below
    }
    form->SwitchScreen(0, 0, 0);
    Wait(50);
    if (Main()->Minimized()) Main()->Restore();
    const std::size_t mark = platform->Tracer().Lines().size();
    const std::size_t opens = platform->ShellCalls().Calls().size();
    const bool music = form->MusicOn();
    form->RunCommand(is.command, "", 0, is.source, 1);
    std::string owners, screens, media, about, messages;
    const auto lines = platform->Tracer().Lines();
    for (std::size_t i = mark; i < lines.size(); ++i) {
      if (lines[i].find("\"ev\":\"command-owner\"") != std::string::npos &&
          lines[i].find("show-for-screen") == std::string::npos)
        owners += lines[i];
      if (lines[i].find("\"ev\":\"media\"") != std::string::npos) media += lines[i];
      if (lines[i].find("\"ev\":\"about\"") != std::string::npos) about += lines[i];
      if (lines[i].find("\"ev\":\"screen\"") != std::string::npos) screens += lines[i];
      if (lines[i].find("\"ev\":\"messagebox\"") != std::string::npos) messages += lines[i];
    }
    const bool opened = platform->ShellCalls().Calls().size() > opens;
    auto owner = [&](const std::string& part) { return owners.find(part) != std::string::npos; };
    if (!rule) {
      EXPECT_TRUE(owners.empty() && screens.empty() && !opened) << shown;
      continue;
    }
    seen.insert(rule->action);
    switch (rule->action) {
      case CommandAction::kScreen:
      case CommandAction::kScreenNumber: {
        const int n = ReadInt(rule->action == CommandAction::kScreen ? std::string(CommandVerb(is.command)) : is.command, 1);
        EXPECT_EQ(form->CurrentScreen() + 1, n) << shown;
        break;
      }
      case CommandAction::kNextScreen: EXPECT_EQ(form->CurrentScreen(), 1) << shown; break;
      case CommandAction::kRun:
        EXPECT_TRUE(opened) << shown;  // a page, a document or a program
        break;
      case CommandAction::kAbout:
        EXPECT_NE(about.find("\"op\":\"show\""), std::string::npos) << shown;
        EXPECT_NE(about.find("\"op\":\"close\""), std::string::npos) << shown;
        break;
      case CommandAction::kMinimize: EXPECT_TRUE(Main()->Minimized()) << shown; break;
      // The first screen has no trees: the tree commands change nothing there.
      case CommandAction::kSelectTree:
      case CommandAction::kShowTree:
      case CommandAction::kHideTree: EXPECT_TRUE(owners.empty() && screens.empty()) << shown; break;
      case CommandAction::kWriteLetter:
      case CommandAction::kShowRatings:
      case CommandAction::kRegisterUser: EXPECT_TRUE(opened) << shown; break;
      // The players table is empty here: the players' list has nothing to show.
      case CommandAction::kShowRegisteredUsers:
      case CommandAction::kSetUserName: EXPECT_FALSE(form->Popups()->RegisteredUsersOpen()) << shown; break;
      case CommandAction::kGetMoney: EXPECT_TRUE(owner("take-money")) << shown; break;
      case CommandAction::kValidateAnswer: EXPECT_TRUE(owner("validate-answer")) << shown; break;
      case CommandAction::kAdditionalTime: EXPECT_TRUE(owner("extra-minute")) << shown; break;
      case CommandAction::kContextMenu: {
        // Its popup opens when the main menu has one of its kind.
        const int kind = ReadInt(is.command, 11);
        EXPECT_EQ(form->Popups()->IsOpen(kind), form->Popups()->Find(kind) != nullptr) << shown;
        form->Popups()->HideAll();
        break;
      }
      case CommandAction::kBackgroundSound:
        if (is.source != 0 || music) {
          EXPECT_FALSE(form->MusicOn()) << shown;
        } else {
          // The music tries its first song, which this disc does not have.
          EXPECT_NE(media.find("theme1.mp3\",\"result\":275"), std::string::npos) << shown;
          EXPECT_FALSE(form->MusicOn()) << shown;
        }
        break;
      case CommandAction::kStandardWindow:
        EXPECT_TRUE(form->InStandardWindow() && Main()->Maximized()) << shown;
        break;
      case CommandAction::kOptions: EXPECT_TRUE(owner("\"options\"")) << shown; break;
      // This disc has no help file: the player is told where it should be.
      case CommandAction::kHelp: EXPECT_TRUE(opened && !messages.empty()) << shown; break;
      // An empty name opens nothing; this disc has no clip files to open.
      case CommandAction::kClipPlay: EXPECT_NE(media.find("\"file\":\"\",\"result\":275"), std::string::npos) << shown; break;
      case CommandAction::kClipFile:
        EXPECT_NE(media.find(JsonQuote(Cp1251ToUtf8(FirstArgument(is.command, ScriptPaths{Disc().programDir, Disc().cdRoot})))),
                  std::string::npos)
            << shown;
        break;
      // Nothing is open to stop, pause or step through: nothing happens, and nothing is raised.
      case CommandAction::kClipStop:
      case CommandAction::kClipPause:
      case CommandAction::kClipStepForward:
      case CommandAction::kClipStepBack: EXPECT_TRUE(owners.empty() && media.empty()) << shown; break;
      case CommandAction::kInstallFonts: {
        EXPECT_TRUE(form->Busy()) << shown;
        Wait(10);
        EXPECT_FALSE(form->Busy()) << shown;
        const auto& calls = platform->ShellCalls().Calls();
        EXPECT_EQ(calls.empty() ? "" : calls.back().verb, "fonts-changed") << shown;
        break;
      }
      case CommandAction::kRunGame:
      case CommandAction::kDeleteGame:
        EXPECT_NE(messages.find(JsonQuote("Игра не установлена.")), std::string::npos) << shown;
        break;
      case CommandAction::kExit:
      case CommandAction::kPlayWavOnly: break;
    }
  }
  platform->VirtualLoop().SetIdleDriver(nullptr);
  EXPECT_LE(idle, 1000) << "the About box never closed";
  // The demo uses most of the vocabulary.
  EXPECT_GE(seen.size(), 25u);
  ASSERT_TRUE(exitSeen);
  form->RunCommand("exit", "", 2, 0, 1);
  Wait(1);
  EXPECT_TRUE(platform->VirtualLoop().Terminated());
}

}  // namespace
}  // namespace trv::test
