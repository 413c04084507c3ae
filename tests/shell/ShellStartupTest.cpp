#include <gtest/gtest.h>

#include "windows/HintWindow.h"
#include "shell/ShellDisc.h"

namespace trv::test {
namespace {

bool Has(const std::vector<std::string>& lines, const std::string& part) {
  for (const auto& l : lines)
    if (l.find(part) != std::string::npos) return true;
  return false;
}

TEST_F(ShellTest, StartShowsTheShapedWindowOnTheStartScreen) {
  WriteTestDisc(discDir.Path());
  ASSERT_TRUE(Start()) << stop.reason;
  HeadlessWindow* w = Main();
  ASSERT_TRUE(w && w->Visible());
  EXPECT_EQ(Cp1251ToUtf8(w->Caption()), "Тестовый диск");
  ASSERT_TRUE(w->Region());
  EXPECT_EQ(w->Region()->size(), 4u);
  EXPECT_EQ(w->Bounds().Width(), 200);
  EXPECT_EQ(w->Bounds().Height(), 150);
  EXPECT_TRUE(w->AcceptsFiles());
  EXPECT_EQ(platform->Keys().ActiveLayout(), kLayoutRussian);
  // The background carries every element's normal look.
  EXPECT_EQ(At(5, 5), kBack1);
  EXPECT_EQ(At(30, 30), kNormal);
  EXPECT_EQ(At(30, 90), kSwOff);
  EXPECT_EQ(At(90, 90), kSwOn);  // the group switch that starts on
  const auto commands = TraceOf("command");
  ASSERT_GE(commands.size(), 2u);
  EXPECT_NE(commands[0].find("\"command\":\"screen1=store\""), std::string::npos);
  EXPECT_NE(commands[0].find("\"mode\":1"), std::string::npos);
  // Without a background song list the opening sound plays instead.
  EXPECT_TRUE(Has(commands, "s_Открытие программы.wav"));
}

TEST_F(ShellTest, SecondShellRaisesTheRunningWindowOrSaysWhy) {
  WriteTestDisc(discDir.Path());
  ASSERT_TRUE(Start());
  PlatformConfig config;
  config.settingsDir = home / "settings2";
  HeadlessPlatform other(config);
  {
    // No window of the running shell to be found: the player is told, status 1.
    TMainForm second(other, Disc());
    StartStop secondStop;
    EXPECT_FALSE(second.FormCreate({{}, "trivion"}, &secondStop));
    EXPECT_TRUE(secondStop.tellPlayer);
    EXPECT_EQ(secondStop.exitCode, 1);
    EXPECT_NE(secondStop.playerText.find("уже запущена"), std::string::npos);
    EXPECT_TRUE(second.SecondaryRun());
    EXPECT_EQ(second.CurrentRole(), Role::SecondShell);
  }
  {
    // Its window is there (another process's, of the title): it comes to the
    // front and the second start ends quietly with status 0.
    other.ShellCalls().AddForeignWindow(Utf8ToCp1251("Тестовый диск"));
    TMainForm second(other, Disc());
    StartStop secondStop;
    EXPECT_FALSE(second.FormCreate({{}, "trivion"}, &secondStop));
    EXPECT_FALSE(secondStop.tellPlayer);
    EXPECT_EQ(secondStop.exitCode, 0);
    ASSERT_FALSE(other.ShellCalls().Calls().empty());
    EXPECT_EQ(other.ShellCalls().Calls().back().verb, "raise");
    EXPECT_EQ(Cp1251ToUtf8(other.ShellCalls().Calls().back().target), "Тестовый диск");
  }
  EXPECT_TRUE(other.MessageBoxes().empty());  // the process entry shows the box, not the window
  // When the first one ends, a new start is allowed.
  form.reset();
  TMainForm third(other, Disc());
  StartStop thirdStop;
  EXPECT_TRUE(third.FormCreate({{}, "trivion"}, &thirdStop)) << thirdStop.reason;
}

TEST_F(ShellTest, CommandLineChoosesTheViewerRoles) {
  WriteTestDisc(discDir.Path());
  ASSERT_TRUE(Start({"/t"}));
  EXPECT_EQ(form->CurrentRole(), Role::Thesaurus);
  EXPECT_EQ(form->Archive(), nullptr);  // the shell's archive is never read
  EXPECT_TRUE(form->SecondaryRun());
  form.reset();
  ASSERT_TRUE(Start({"/h"}));
  EXPECT_EQ(form->CurrentRole(), Role::Help);
  EXPECT_EQ(form->Archive(), nullptr);
  // A program path with "/t" in it does not make a thesaurus.
  form.reset();
  form = std::make_unique<TMainForm>(*platform, Disc());
  ASSERT_TRUE(form->FormCreate({{}, "/tmp/disc/trivion"}, &stop)) << stop.reason;
  EXPECT_EQ(form->CurrentRole(), Role::Shell);
}

TEST_F(ShellTest, MissingArchiveOrScriptStopsWithAReasonForThePlayer) {
  EXPECT_FALSE(Start());
  EXPECT_TRUE(stop.tellPlayer);
  EXPECT_EQ(stop.exitCode, 1);
  EXPECT_NE(stop.reason.find("archive"), std::string::npos);
  EXPECT_NE(stop.playerText.find("Mev.dhl"), std::string::npos);
  WriteTestDisc(discDir.Path(), "", false);
  form.reset();
  EXPECT_FALSE(Start());
  EXPECT_TRUE(stop.tellPlayer);
  EXPECT_EQ(stop.exitCode, 1);
  EXPECT_NE(stop.reason.find("Struct.txt"), std::string::npos);
  EXPECT_NE(stop.playerText.find("Struct.txt"), std::string::npos);
}

TEST_F(ShellTest, MalformedShapeStopsWithAReasonForThePlayer) {
  WriteTestDisc(discDir.Path(), "title=x\nvertexmain=[0,0;abc;10\n");
  EXPECT_FALSE(Start());
  EXPECT_TRUE(stop.tellPlayer);
  EXPECT_NE(stop.reason.find("shape"), std::string::npos);
}

TEST_F(ShellTest, BuildFilesBesideTheProgramAreRefusedInOrder) {
  WriteTestDisc(discDir.Path());
  WriteFile(discDir / "coder.exe", "x");  // names match whatever their case
  WriteFile(discDir / "Struct.txt", "x");
  EXPECT_FALSE(Start());
  ASSERT_EQ(platform->MessageBoxes().size(), 2u);
  EXPECT_EQ(Cp1251ToUtf8(platform->MessageBoxes()[0].text), "Файл Struct.txt не удален");
  EXPECT_EQ(Cp1251ToUtf8(platform->MessageBoxes()[1].text), "А зачем тут кодер лежит?");
}

TEST_F(ShellTest, ClosingClosesTheViewerWindowsAndEndsTheLoop) {
  WriteTestDisc(discDir.Path());
  ASSERT_TRUE(Start());
  const WindowRef viewer = platform->ShellCalls().AddForeignWindow(Utf8ToCp1251("Справка: ТРИВИОН"));
  form->FormClose();
  EXPECT_FALSE(platform->ShellCalls().ForeignWindowOpen(viewer));
  EXPECT_TRUE(platform->Loop().Terminated());
  EXPECT_EQ(Cp1251ToUtf8(Main()->Caption()), "Тестовый диск");  // our own caption came back
}

TEST(HintPlacementTest, HintsStayOnTheDesktop) {
  const Size desktop{800, 600};
  EXPECT_EQ(PlaceHint({100, 100}, {50, 20}, desktop), Rect::FromSize(100, 100, 50, 20));
  EXPECT_EQ(PlaceHint({790, 590}, {50, 20}, desktop), Rect::FromSize(750, 580, 50, 20));
  EXPECT_EQ(PlaceHint({-10, -5}, {50, 20}, desktop), Rect::FromSize(0, 0, 50, 20));
  // Wider than the desktop: the right edge wins, as the last correction.
  EXPECT_EQ(PlaceHint({0, 0}, {900, 20}, desktop).right, 800);
}

}  // namespace
}  // namespace trv::test
