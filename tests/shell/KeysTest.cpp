// The window's keys: Escape, Enter, F1, Alt+F4 and Ctrl+N, matched by virtual
// key, their button sounds, and the keys that do nothing.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/Keys.h"
#include "shell/CommandDisc.h"

namespace trv::test {
namespace {

using ::testing::ElementsAre;

constexpr int kF4 = vk::F1 + 3;
constexpr int kKeyN = vk::KeyA + ('N' - 'A');

class KeysTest : public CommandShellTest {
 protected:
  void SetUp() override { StartOn(FiveScreenScript()); }
  void Key(int key, unsigned shift = 0) { platform->KeyPress("main", key, shift); }
  // The sounds played since the mark, by file name.
  std::vector<std::string> Sounds() {
    std::vector<std::string> out;
    for (const auto& p : Plays()) out.push_back(Cp1251ToUtf8(p.file.substr(Disc().programDir.size())));
    return out;
  }
  bool Closed() { return Main() == nullptr || !Main()->Visible(); }
};

TEST_F(KeysTest, EnterAndEscapeTypeNoCharacter) {
  EXPECT_FALSE(form->FormKeyPress('\r'));
  EXPECT_FALSE(form->FormKeyPress('\x1b'));
  EXPECT_TRUE(form->FormKeyPress('\n'));
  EXPECT_TRUE(form->FormKeyPress('a'));
  EXPECT_TRUE(form->FormKeyPress('\xe9'));  // й
}

TEST_F(KeysTest, EnterMovesOnFromTheFirstScreensAndJudgesAnswersLater) {
  Key(vk::Return);
  EXPECT_EQ(form->CurrentScreen(), 1);
  EXPECT_THAT(Sounds(), ElementsAre("next.wav"));  // the button named within "gotonextscreen"
  Settle();
  // On the registration screen without a name: the error and the request.
  Mark();
  Key(vk::Return);
  EXPECT_EQ(form->CurrentScreen(), 1);
  EXPECT_THAT(Owners(), ElementsAre("game show-dialog 4:Введите имя!"));
  Run("3");
  Settle();
  Mark();
  Key(vk::Return);
  EXPECT_THAT(Owners(), ElementsAre("game validate-answer"));
  EXPECT_EQ(form->CurrentScreen(), 2);
  EXPECT_TRUE(Sounds().empty());
}

TEST_F(KeysTest, EnterTakesTheTypedNameToTheGameScreen) {
  Key(vk::Return);
  Settle();  // the boxes of the registration screen show when the fade ends
  ASSERT_TRUE(platform->TypeText("main", "Аня"));
  ASSERT_NE(form->InputBoxes(), nullptr);
  EXPECT_EQ(Cp1251ToUtf8(form->InputBoxes()->GetBoxText()), "Аня");
  Mark();
  Key(vk::Return);
  EXPECT_EQ(form->CurrentScreen(), 4);
  ASSERT_FALSE(Owners().empty());
  EXPECT_EQ(Owners().front(), "players set-current-name Аня");
}

TEST_F(KeysTest, EscapeSoundsTheWayBackAndLeavesOnlyTheRegistrationScreen) {
  Key(vk::Escape);  // no button of the first screen is named within "backtomainscreen"
  EXPECT_TRUE(Sounds().empty());
  EXPECT_TRUE(Screens().empty());
  Run("2");
  Settle();
  Mark();
  Key(vk::Escape);
  EXPECT_THAT(Sounds(), ElementsAre("back.wav"));
  EXPECT_EQ(form->CurrentScreen(), 0);
  Run("3");
  Settle();
  Mark();
  Key(vk::Escape);
  EXPECT_TRUE(Sounds().empty());
  EXPECT_EQ(form->CurrentScreen(), 2);
}

TEST_F(KeysTest, F1SoundsTheHelpButtonWhateverTheModifiers) {
  for (unsigned shift : {0u, unsigned(kShift), unsigned(kCtrl | kAlt)}) {
    Mark();
    Key(vk::F1, shift);
    // "hel" begins "help"; "elp", which only occurs inside it, does not count.
    EXPECT_THAT(Sounds(), ElementsAre("help.wav")) << shift;
    EXPECT_THAT(Opened(), ElementsAre(Utf8ToCp1251(Disc().programDir + "Help.html"))) << shift;
  }
  // The "help" command is the same key.
  Mark();
  Run("help");
  EXPECT_THAT(Sounds(), ElementsAre("help.wav"));
  EXPECT_THAT(Opened(), ElementsAre(Utf8ToCp1251(Disc().programDir + "Help.html")));
}

TEST_F(KeysTest, CtrlNOpensTheOptionsAndOtherKeysDoNothing) {
  Key(kKeyN, kCtrl);
  EXPECT_THAT(Owners(), ElementsAre("options show"));
  Mark();
  // The Russian layout is active, so N types "т": the key counts, not the letter.
  EXPECT_EQ(platform->Keys().ActiveLayout(), kLayoutRussian);
  for (unsigned shift : {0u, unsigned(kShift), unsigned(kAlt), unsigned(kCtrl | kShift), unsigned(kCtrl | kAlt)})
    Key(kKeyN, shift);
  for (char c : std::string("DIPFA")) Key(vk::KeyA + (c - 'A'), kCtrl);
  for (int k : {vk::Tab, vk::Space, vk::F1 + 1, kF4, vk::Back, vk::Delete}) Key(k);
  Key(kF4, kAlt | kShift);
  Key(kF4, kCtrl);
  Wait(1100);
  EXPECT_TRUE(Owners().empty());
  EXPECT_TRUE(Sounds().empty());
  EXPECT_TRUE(Screens().empty());
  EXPECT_FALSE(Closed());
}

TEST_F(KeysTest, AltF4WaitsASecondForTheCloseButtonsSound) {
  Key(kF4, kAlt);
  EXPECT_THAT(Sounds(), ElementsAre("close.wav"));
  Wait(990);
  EXPECT_FALSE(Closed());
  // Meanwhile nothing runs.
  Run("3");
  Key(vk::Return);
  EXPECT_EQ(form->CurrentScreen(), 0);
  Wait(20);
  EXPECT_TRUE(Closed());
  EXPECT_TRUE(platform->VirtualLoop().Terminated());
}

TEST_F(KeysTest, AltF4WithoutACloseSoundClosesAtOnce) {
  form->SetSoundsOn(false);
  Key(kF4, kAlt);
  Wait(1);
  EXPECT_TRUE(Closed());
  EXPECT_TRUE(Sounds().empty());
}

TEST_F(KeysTest, AltF4OnAScreenWithoutACloseButtonClosesAtOnce) {
  Run("2");
  Settle();
  Mark();
  Key(kF4, kAlt);
  Wait(1);
  EXPECT_TRUE(Closed());
  EXPECT_TRUE(Sounds().empty());
}

TEST_F(KeysTest, KeysWaitWhileTheWindowFades) {
  Run("3");
  Mark();
  Key(vk::Return);
  Key(vk::F1);
  Key(kKeyN, kCtrl);
  Key(kF4, kAlt);
  EXPECT_TRUE(Owners().empty());
  EXPECT_TRUE(Sounds().empty());
  Settle();
  EXPECT_FALSE(Closed());
  Key(vk::Return);
  EXPECT_THAT(Owners(), ElementsAre("game validate-answer"));
}

TEST_F(ShellTest, AViewerWithItsSwitchKnowsOnlyEscape) {
  WriteDisc(discDir.Path(), FiveScreenScript());
  ASSERT_TRUE(Start({"notes.txt", "/h"}));
  for (int k : {vk::Return, vk::F1, vk::KeyA + ('N' - 'A')}) platform->KeyPress("main", k, k == vk::F1 ? 0u : unsigned(kCtrl));
  platform->KeyPress("main", vk::F1 + 3, kAlt);
  Wait(1100);
  EXPECT_TRUE(Main()->Visible());
  EXPECT_TRUE(TraceOf("command-owner").empty());
  platform->KeyPress("main", vk::Escape);
  Wait(1);
  EXPECT_TRUE(Main() == nullptr || !Main()->Visible());
}

}  // namespace
}  // namespace trv::test
