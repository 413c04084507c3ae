// The commands that reach outside the program: the parameter and path rules,
// what an uninstall may remove, and each command against the headless
// desktop, with the bad inputs a disc or a machine can hand them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "platform/Paths.h"
#include "platform/Text.h"
#include "platform/headless/HeadlessPlatform.h"
#include "shell/SystemCommandRules.h"
#include "shell/SystemCommands.h"
#include "support/TestSupport.h"

namespace trv::test {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::string W(const std::string& utf8) { return Utf8ToCp1251(utf8); }

TEST(SystemCommandRulesTest, ParametersAreWordsAndQuotesAndNothingElse) {
  EXPECT_THAT(SplitParameters("/q"), ElementsAre("/q"));
  EXPECT_THAT(SplitParameters(" -full"), ElementsAre("-full"));
  EXPECT_THAT(SplitParameters("a \"b c\" d"), ElementsAre("a", "b c", "d"));
  EXPECT_THAT(SplitParameters("\"\" x"), ElementsAre("", "x"));
  EXPECT_THAT(SplitParameters("say \\\"hi\\\""), ElementsAre("say", "\"hi\""));
  // What a command shell would act on stays text.
  EXPECT_THAT(SplitParameters("; rm -rf $(echo /) `id` a|b >c"),
              ElementsAre(";", "rm", "-rf", "$(echo", "/)", "`id`", "a|b", ">c"));
  EXPECT_THAT(SplitParameters("  \t "), IsEmpty());
  EXPECT_THAT(SplitParameters("\"open"), ElementsAre("open"));
}

TEST(SystemCommandRulesTest, InstalledGameAndItsUninstallLog) {
  ProgramToStart p = InstalledGameProgram("C:\\Games\\Quiz2", "Quiz2.EXE -full", "fallback.exe");
  EXPECT_EQ(p.file, "C:\\Games\\Quiz2\\Quiz2.EXE");
  EXPECT_EQ(p.parameters, " -full");
  p = InstalledGameProgram("C:\\Games\\Quiz2\\", "quiz2.exe", "fallback.exe");
  EXPECT_EQ(p.file, "C:\\Games\\Quiz2\\quiz2.exe");
  EXPECT_EQ(p.parameters, "");
  // A program without ".exe" takes no parameters: the whole value is its name.
  EXPECT_EQ(InstalledGameProgram("/opt/quiz", "quiz2 -full", "x").file, "/opt/quiz\\quiz2 -full");
  p = InstalledGameProgram("C:\\Games\\Quiz2", "", "\\disc\\games\\quiz.exe");
  EXPECT_EQ(p.file, "\\disc\\games\\quiz.exe");

  auto logIn = [](const std::string& where) {
    return [where](const std::string& folder) { return folder == where; };
  };
  EXPECT_EQ(UninstallLogFolder("C:\\Games\\Quiz2\\bin", logIn("C:\\Games\\Quiz2")), "C:\\Games\\Quiz2");
  EXPECT_EQ(UninstallLogFolder("C:\\Games\\Quiz2\\", logIn("C:\\Games\\Quiz2")), "C:\\Games\\Quiz2");
  EXPECT_EQ(UninstallLogFolder("C:\\Games\\Quiz2\\bin", logIn("D:\\x")), "");
  EXPECT_EQ(UninstallLogFolder("", logIn("")), "");
  EXPECT_EQ(FolderOf("setup\\setup.exe"), "setup\\");
  EXPECT_EQ(FolderOf("setup.exe"), "");
}

TEST(SystemCommandRulesTest, LeftoversGoDeepestFirstAndLinksAreNotFollowed) {
  TempDir tmp;
  const fs::path game = tmp / "game";
  const fs::path outside = tmp / "keep.txt";
  WriteFile(outside, "mine");
  WriteFile(game / "a.txt", "a");
  WriteFile(game / "data" / "deep" / "b.dat", "b");
  WriteFile(game / "data" / "ro.dat", "ro");
  fs::create_symlink(outside, game / "link.txt");
  fs::create_directory_symlink(tmp.Path(), game / "data" / "up");
  // A read-only file in a read-only folder.
  fs::permissions(game / "data" / "ro.dat", fs::perms::owner_read, fs::perm_options::replace);
  fs::permissions(game / "data", fs::perms::owner_read | fs::perms::owner_exec, fs::perm_options::replace);

  std::string why;
  ASSERT_TRUE(MayRemoveLeftovers(game, {tmp / "program"}, &why)) << why;
  EXPECT_EQ(RemoveLeftovers(game), 8u);  // five entries (two of them links) and three folders
  EXPECT_FALSE(fs::exists(game));
  EXPECT_TRUE(fs::exists(outside));
  EXPECT_TRUE(fs::exists(tmp.Path()));
}

TEST(SystemCommandRulesTest, FoldersThatMustNeverBeEmptied) {
  TempDir tmp;
  fs::create_directories(tmp / "program" / "disc");
  fs::create_directory_symlink(tmp / "program", tmp / "alias");
  std::string why;
  EXPECT_FALSE(MayRemoveLeftovers("/", {}, &why));
  EXPECT_FALSE(MayRemoveLeftovers("relative/games", {}, &why));
  EXPECT_FALSE(MayRemoveLeftovers(tmp / "missing", {}, &why));
  EXPECT_FALSE(MayRemoveLeftovers(tmp / "alias", {}, &why)) << "a link";
  // The program's own folder, or any folder holding it.
  EXPECT_FALSE(MayRemoveLeftovers(tmp / "program", {tmp / "program" / "disc"}, &why));
  EXPECT_FALSE(MayRemoveLeftovers(tmp.Path(), {tmp / "program" / "disc"}, &why));
  EXPECT_TRUE(MayRemoveLeftovers(tmp / "program" / "disc", {tmp / "elsewhere"}, &why)) << why;
}

// The commands on a headless desktop, with a program folder of their own.
class SystemCommandsTest : public ::testing::Test {
 protected:
  SystemCommandsTest() {
    PlatformConfig config;
    config.settingsDir = tmp / "settings";
    platform = std::make_unique<HeadlessPlatform>(config);
    platform->Tracer().KeepLines(true);
    paths.programDir = ToWindowsDir(tmp / "disc");
    paths.cdRoot = "\\";
    fs::create_directories(tmp / "disc");
    setenv("XDG_DATA_HOME", (tmp / "data").c_str(), 1);
    SystemCommandsHost host;
    host.setBusy = [this](bool b) { busy.push_back(b); };
    host.showMessage = [this](int layout, const std::string& text) {
      messages.push_back(std::to_string(layout) + " " + Cp1251ToUtf8(text));
    };
    commands = std::make_unique<TSystemCommands>(*platform, paths, host);
  }
  void MakeProgram(const fs::path& p) {
    WriteFile(p, "#!/bin/true\n");
    fs::permissions(p, fs::perms::owner_all);
  }
  std::vector<HeadlessShell::Call> Calls(const char* verb) const {
    std::vector<HeadlessShell::Call> out;
    for (const auto& c : platform->ShellCalls().Calls())
      if (c.verb == verb) out.push_back(c);
    return out;
  }
  void SetGame(const std::string& subkey, const std::string& instdir, const std::string& exename) {
    const std::string key = "SOFTWARE\\Pelnor\\" + subkey;
    platform->Settings().WriteString(RootKey::LocalMachine, key, "instdir", instdir);
    platform->Settings().WriteString(RootKey::LocalMachine, key, "exename", exename);
  }
  std::string Win(const fs::path& p) const { return ToWindowsPath(p); }

  TempDir tmp;
  ScriptPaths paths;
  std::unique_ptr<HeadlessPlatform> platform;
  std::unique_ptr<TSystemCommands> commands;
  std::vector<bool> busy;
  std::vector<std::string> messages;
};

TEST_F(SystemCommandsTest, RunStartsProgramsWithLiteralArgumentsAndOpensDocuments) {
  MakeProgram(tmp / "disc" / "setup" / "setup.exe");
  WriteFile(tmp / "disc" / "docs" / "read me.txt", "text");
  LogCapture log;
  commands->Run("run=setup\\setup.exe=/q");
  commands->Run("run=setup\\setup.exe=\"a b\" ; $(reboot) `id` 'x'");
  commands->Run("run=docs\\read me.txt=ignored");
  commands->Run("run=http://example.org/a?b=1");
  const auto starts = Calls("start");
  ASSERT_EQ(starts.size(), 2u);
  EXPECT_EQ(starts[0].target, paths.programDir + "setup\\setup.exe");
  EXPECT_THAT(starts[0].args, ElementsAre("/q"));
  EXPECT_THAT(starts[1].args, ElementsAre("a b", ";", "$(reboot)", "`id`", "'x'"));
  const auto opens = Calls("open");
  ASSERT_EQ(opens.size(), 2u);
  EXPECT_EQ(opens[0].target, paths.programDir + "docs\\read me.txt");
  EXPECT_EQ(opens[1].target, "http://example.org/a?b=1");
  EXPECT_TRUE(log.Contains("parameters for the document"));
  EXPECT_THAT(messages, IsEmpty());
}

TEST_F(SystemCommandsTest, WhatCannotBeOpenedIsShownAndCopied) {
  LogCapture log;
  commands->Run("run=avis\\missing.avi");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_THAT(messages[0], ::testing::StartsWith("4 Не удалось открыть:\n"));
  EXPECT_NE(messages[0].find(Cp1251ToUtf8(paths.programDir) + "avis\\missing.avi"), std::string::npos);
  EXPECT_EQ(platform->ClipboardText(), paths.programDir + "avis\\missing.avi");
  EXPECT_FALSE(commands->Open(""));
  EXPECT_TRUE(log.Contains("could not open"));
  commands->Run("run=");
  EXPECT_TRUE(log.Contains("names no file"));
}

TEST_F(SystemCommandsTest, RunGameStartsTheInstalledGameOrSaysItIsNotInstalled) {
  MakeProgram(tmp / "Games" / "Quiz2" / "Quiz2.EXE");
  MakeProgram(tmp / "disc" / "games" / "quiz.exe");
  WriteFile(tmp / "Games" / "Plain" / "readme.txt", "not a program");
  LogCapture log;
  SetGame("Quiz 2", Win(tmp / "Games" / "Quiz2"), "Quiz2.EXE -full");
  commands->RunGame("rungame=games\\quiz.exe=Quiz 2");
  // An empty "exename" starts the fallback from the disc.
  SetGame("Fallback", Win(tmp / "Games" / "Quiz2"), "");
  commands->RunGame("rungame=games\\quiz.exe=Fallback");
  auto starts = Calls("start");
  ASSERT_EQ(starts.size(), 2u);
  EXPECT_EQ(starts[0].target, Win(tmp / "Games" / "Quiz2") + "\\Quiz2.EXE");
  EXPECT_THAT(starts[0].args, ElementsAre("-full"));
  EXPECT_EQ(starts[1].target, paths.programDir + "games\\quiz.exe");
  EXPECT_THAT(messages, IsEmpty());

  // Missing entry with a missing fallback, a value naming a file that is no
  // program, one naming nothing: the player hears it is not installed.
  commands->RunGame("rungame=games\\none.exe=Absent");
  SetGame("Text", Win(tmp / "Games" / "Plain"), "readme.txt");
  commands->RunGame("rungame=games\\none.exe=Text");
  SetGame("Gone", Win(tmp / "Games" / "Gone"), "gone.exe");
  commands->RunGame("rungame=games\\none.exe=Gone");
  EXPECT_EQ(Calls("start").size(), 2u);
  EXPECT_THAT(messages, ElementsAre("0 Игра не установлена.", "0 Игра не установлена.", "0 Игра не установлена."));
  EXPECT_TRUE(log.Contains("is not a program"));
}

TEST_F(SystemCommandsTest, DeleteGameRunsTheUninstallerAndClearsWhatItLeft) {
  const fs::path game = tmp / "Games" / "Quiz2";
  WriteFile(game / "Uninst.isu", "log");
  MakeProgram(game / "IsUninst.exe");
  WriteFile(game / "bin" / "left.dat", "x");
  SetGame("Quiz2", Win(game / "bin"), "bin\\quiz2.exe");
  commands->DeleteGame("delgame=Quiz2");
  const auto starts = Calls("start");
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].target, Win(game) + "\\IsUninst.exe");
  EXPECT_THAT(starts[0].args, ElementsAre("-f", (game / "Uninst.isu").string()));
  EXPECT_THAT(busy, ElementsAre(true));
  EXPECT_TRUE(commands->UninstallRunning());
  // The uninstaller removes the entry; the loop notices it has ended.
  platform->Settings().DeleteValue(RootKey::LocalMachine, "SOFTWARE\\Pelnor\\Quiz2", "instdir");
  platform->VirtualLoop().Advance(150);
  EXPECT_THAT(busy, ElementsAre(true, false));
  EXPECT_FALSE(commands->UninstallRunning());
  EXPECT_FALSE(fs::exists(game));
  EXPECT_TRUE(fs::exists(tmp / "disc"));
}

TEST_F(SystemCommandsTest, DeleteGameLeavesEverythingWhenTheUninstallDidNotHappen) {
  const fs::path game = tmp / "Games" / "Quiz2";
  WriteFile(game / "Uninst.isu", "log");
  MakeProgram(game / "IsUninst.exe");
  SetGame("Quiz2", Win(game), "quiz2.exe");
  commands->DeleteGame("delgame=Quiz2");
  platform->VirtualLoop().Advance(150);
  EXPECT_TRUE(fs::exists(game / "Uninst.isu"));
  // Without a log anywhere above "instdir" nothing is started.
  SetGame("NoLog", Win(tmp / "disc"), "x.exe");
  commands->DeleteGame("delgame=NoLog");
  commands->DeleteGame("delgame=Absent");
  EXPECT_EQ(Calls("start").size(), 1u);
  EXPECT_THAT(messages, ElementsAre("0 Игра не установлена.", "0 Игра не установлена."));
}

TEST_F(SystemCommandsTest, DeleteGameNeverEmptiesTheProgramsFolder) {
  // A log placed in the disc's own folder must not make the uninstall remove the disc.
  WriteFile(tmp / "disc" / "Uninst.isu", "log");
  MakeProgram(tmp / "disc" / "IsUninst.exe");
  WriteFile(tmp / "disc" / "Mev.dhl", "archive");
  SetGame("Self", Win(tmp / "disc"), "x.exe");
  LogCapture log;
  commands->DeleteGame("delgame=Self");
  platform->Settings().DeleteValue(RootKey::LocalMachine, "SOFTWARE\\Pelnor\\Self", "instdir");
  platform->VirtualLoop().Advance(150);
  EXPECT_TRUE(fs::exists(tmp / "disc" / "Mev.dhl"));
  EXPECT_TRUE(log.Contains("stays"));
}

TEST_F(SystemCommandsTest, InstallFontsCopiesRegularFontsBesideTheLoop) {
  WriteFile(tmp / "disc" / "Face.ttf", "font one");
  WriteFile(tmp / "disc" / "other.TTF", "font two");
  WriteFile(tmp / "disc" / "notes.txt", "not a font");
  ASSERT_EQ(mkfifo((tmp / "disc" / "pipe.ttf").c_str(), 0600), 0);  // must not hang the copy
  LogCapture log;
  commands->InstallFonts(paths.programDir);
  EXPECT_THAT(busy, ElementsAre(true));
  platform->VirtualLoop().Advance(10);
  ASSERT_THAT(busy, ElementsAre(true, false));
  std::ifstream in(tmp / "data" / "fonts" / "Face.ttf");
  std::string text;
  std::getline(in, text);
  EXPECT_EQ(text, "font one");
  EXPECT_TRUE(fs::exists(tmp / "data" / "fonts" / "other.TTF"));
  EXPECT_FALSE(fs::exists(tmp / "data" / "fonts" / "pipe.ttf"));
  EXPECT_FALSE(fs::exists(tmp / "data" / "fonts" / "notes.txt"));
  EXPECT_TRUE(log.Contains("pipe.ttf cannot be read"));
  const auto changed = Calls("fonts-changed");
  ASSERT_EQ(changed.size(), 1u);
  EXPECT_EQ(changed[0].target, (tmp / "data" / "fonts").string());
}

TEST_F(SystemCommandsTest, HelpBringsAnOpenHelpWindowForwardOrOpensTheFile) {
  WriteFile(tmp / "disc" / "help" / "index.html", "<html></html>");
  const std::string file = paths.programDir + "help\\index.html";
  commands->Help(file);
  ASSERT_EQ(Calls("open").size(), 1u);
  EXPECT_EQ(Calls("open")[0].target, file);
  platform->ShellCalls().AddForeignWindow(W("Справка: ТРИВИОН"));
  commands->Help(file);
  EXPECT_EQ(Calls("open").size(), 1u);
  ASSERT_EQ(Calls("raise").size(), 1u);
  EXPECT_EQ(Calls("raise")[0].target, W("Справка: ТРИВИОН"));
  commands->Help(paths.programDir + "help\\missing.html");
  EXPECT_EQ(messages.size(), 0u) << "the open window still wins";
}

}  // namespace
}  // namespace trv::test
