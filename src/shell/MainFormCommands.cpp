// The command interpreter. A command finds its meaning by the rule table's
// fixed order of tests (script/CommandRules); the first rule that takes it
// decides, and the order is part of the script language.
#include "platform/Log.h"
#include "platform/Text.h"
#include "script/CommandRules.h"
#include "script/ScriptValues.h"
#include "shell/MainForm.h"
#include "shell/OutsideLinks.h"

namespace trv {
namespace {

// The registration screen and the screen where the game runs.
constexpr int kRegistrationScreen = 1;
constexpr int kGameScreen = 4;

// The game dialog's layout for a short warning.
constexpr int kWarningLayout = 4;

}  // namespace

void TMainForm::PlayWav(const std::string& file, bool yield) { RunCommand("playwavonly", file, 0, 0, yield ? 2 : 0); }

void TMainForm::RunCommand(const std::string& command, const std::string& sound, int index, int source,
                           int soundMode) {
  platform_.Tracer()
      .Emit("command")
      .Text("command", command)
      .Text("sound", sound)
      .Int("index", index)
      .Int("source", source)
      .Int("mode", soundMode);
  // Nothing runs once the window is going: a command could only act on parts
  // that shutdown is releasing.
  if (busy_ || destroyed_ || closing_) return;

  const CommandRule* rule = FindCommandRule(command);
  if (rule && rule->action == CommandAction::kExit) {
    // The exit button's sound plays at shutdown, so that it is heard to its end.
    if (source == 0) exitButton_ = index;
    closing_ = true;
    SkinWindow()->Close();
    return;
  }

  if (!sound.empty() && sound != "no" && options_.SoundsOn && soundMode != 1)
    platform_.Audio().PlaySound(disc_.programDir + sound, soundMode == 2 ? SoundMode::AsyncNoStop : SoundMode::Async);

  if (!rule) return;  // unknown words and inert keywords do nothing
  switch (rule->action) {
    case CommandAction::kExit:
    case CommandAction::kPlayWavOnly:
      return;
    case CommandAction::kScreen:
      ScreenCommand(command, source, index);
      return;
    case CommandAction::kRun:
      SystemCommands().Run(command);
      return;
    case CommandAction::kAbout:
      if (archive_ && archive_->Exists("About.txt")) ShowAboutBox();
      return;
    case CommandAction::kMinimize:
      SkinWindow()->Minimize();
      // The button that asked looks normal when the window comes back.
      if (source == 0 && index >= 0 && std::size_t(index) < controls_.ButtonCount()) {
        controls_.Button(std::size_t(index)).hover = false;
        controls_.Button(std::size_t(index)).pressed = false;
      }
      return;
    case CommandAction::kSelectTree:
      if (TTreesPart* trees = parts_.Trees()) trees->SelectTree(ReadInt(command, 4));
      return;
    case CommandAction::kShowTree:
      if (TTreesPart* trees = parts_.Trees()) trees->SetHidden(false);
      return;
    case CommandAction::kHideTree:
      if (TTreesPart* trees = parts_.Trees()) trees->SetHidden(true);
      return;
    case CommandAction::kNextScreen:
      NextScreenCommand(source, index);
      return;
    case CommandAction::kWriteLetter:
      OpenOutside(SupportMailUrl(SupportMail(), title_, std::string(CommandTail(command))));
      return;
    case CommandAction::kShowRatings:
      OpenOutside(RatingsPageUrl(ScoreServer(), InputBoxText()));
      return;
    case CommandAction::kRegisterUser:
      OpenOutside(RegisterPageUrl(ScoreServer()));
      return;
    case CommandAction::kShowRegisteredUsers:
      if (TPopupsPart* popups = parts_.Popups(); popups && source == 0) popups->ShowRegisteredUsers(index);
      return;
    case CommandAction::kSetUserName:
      if (TPopupsPart* popups = parts_.Popups()) popups->CloseRegisteredUsers();
      return;
    case CommandAction::kGetMoney:
      GameTakeMoney();
      return;
    case CommandAction::kValidateAnswer:
      GameValidateAnswer();
      return;
    case CommandAction::kAdditionalTime:
      GameUseExtraMinute();
      return;
    case CommandAction::kContextMenu:
      ContextMenuCommand(command, source);
      return;
    case CommandAction::kBackgroundSound:
      BackgroundSoundCommand(source);
      return;
    case CommandAction::kStandardWindow:
      EnterStandardWindow();
      return;
    case CommandAction::kOptions:
      ShowOptions();
      return;
    case CommandAction::kHelp:
      FormKeyDown(vk::F1, 0);
      return;
    case CommandAction::kClipPlay:
      if (TClipAreasPart* clips = parts_.Clips()) clips->Play("", 0);
      return;
    case CommandAction::kClipStop:
      if (TClipAreasPart* clips = parts_.Clips()) clips->Stop();
      return;
    case CommandAction::kClipPause:
      if (TClipAreasPart* clips = parts_.Clips()) clips->Pause();
      return;
    case CommandAction::kClipStepForward:
      if (TClipAreasPart* clips = parts_.Clips()) clips->StepForward();
      return;
    case CommandAction::kClipStepBack:
      if (TClipAreasPart* clips = parts_.Clips()) clips->StepBack();
      return;
    case CommandAction::kClipFile:
      if (TClipAreasPart* clips = parts_.Clips()) clips->Play(FirstArgument(command, paths_), 4);
      return;
    case CommandAction::kInstallFonts:
      InstallFonts();
      return;
    case CommandAction::kRunGame:
      RunInstalledGame(command);
      return;
    case CommandAction::kDeleteGame:
      DeleteGame(command);
      return;
    case CommandAction::kScreenNumber: {
      const int n = ReadInt(command, 1);
      if (n >= 1 && n <= ScreenCount()) SwitchScreen(n - 1, source, index);
      return;
    }
  }
}

void TMainForm::NextScreenCommand(int source, int index) {
  if (Fading()) return;
  if (currentScreen_ != kRegistrationScreen) {
    if (currentScreen_ + 1 < ScreenCount()) SwitchScreen(currentScreen_ + 1, source, index);
    return;
  }
  const std::string name = Trim(InputBoxText());
  if (name.empty()) {
    RunCommand("playwavonly", Utf8ToCp1251("music\\Регистрация\\s_Появление окна ошибки.wav"), 0, 0, 0);
    GameShowDialog(kWarningLayout, Utf8ToCp1251("Введите имя!"));
    return;
  }
  PlayersSetCurrentName(name);
  if (kGameScreen < ScreenCount()) SwitchScreen(kGameScreen, source, index);
}

void TMainForm::ContextMenuCommand(const std::string& command, int source) {
  if (source != 0) return;
  const int kind = ReadInt(command, 11);
  TPopupsPart* popups = parts_.Popups();
  if (!popups) return;
  popups->ShowAtMouse(kind);
  // Popups 91 to 99 come with a companion ten numbers on, shown at the same point.
  if (kind > 90 && kind < 100) popups->ShowAtMouse(kind + 10);
}

void TMainForm::BackgroundSoundCommand(int source) {
  // A switch that wants music on or off uses the options instead.
  if (source != 0) return;
  if (!music_) return;
  if (music_->MusicOn()) {
    music_->SetMusicOn(false);
    MusicStop(true);
  } else {
    if (TClipAreasPart* clips = parts_.Clips()) clips->Close();
    music_->SetMusicOn(true);
    MusicStart();
  }
  if (!platform_.Settings().WriteBool(RootKey::CurrentUser, SettingsKey(), "BGSound", music_->MusicOn()))
    Log("settings", "the background music setting could not be written");
}

void TMainForm::OpenOutside(const std::string& url) { SystemCommands().Open(url); }

std::string TMainForm::SettingsKey() const { return "SOFTWARE\\VOMAR\\" + title_; }

std::string TMainForm::SupportMail() {
  return DeploymentValue(platform_.Settings(), title_, "SupportMail", "TRIVION_SUPPORT_MAIL", kDefaultSupportMail);
}

std::string TMainForm::ScoreServer() {
  return DeploymentValue(platform_.Settings(), title_, "ScoreServer", "TRIVION_SCORE_SERVER", kDefaultScoreServer);
}

}  // namespace trv
