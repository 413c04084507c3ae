// Parts of the program the command interpreter reaches outside the screen
// parts: the players list, the game, the game dialog, the background music,
// the About box, the options, the standard window and help viewer, and the
// system and installation commands. The calls on the players, the game and
// the options are also recorded as `command-owner` trace lines, so that the
// interpreter's order of tests is visible in the trace.
#include <string>

#include "game/Users.h"
#include "shell/MainForm.h"
#include "shell/OutsideLinks.h"
#include "shell/parts/OwnerCall.h"
#include "game/MainGame.h"

namespace trv {

void TMainForm::OwnerCall(const char* owner, const char* call, const std::string& argument) {
  trv::OwnerCall(platform_.Tracer(), owner, call, argument);
}

void TMainForm::PlayersSetCurrentName(const std::string& name) {
  OwnerCall("players", "set-current-name", name);
  if (users_) users_->SetCurrentName(name);
}
void TMainForm::PlayersReload() {
  OwnerCall("players", "reload");
  if (users_) users_->Load();
}

void TMainForm::GameTakeMoney() {
  OwnerCall("game", "take-money");
  if (game_) game_->TakeMoney(false);
}
void TMainForm::GameValidateAnswer() {
  OwnerCall("game", "validate-answer");
  if (game_) game_->ValidateAnswer(true);
}
void TMainForm::GameUseExtraMinute() {
  OwnerCall("game", "extra-minute");
  if (game_) game_->UseExtraMinute();
}
void TMainForm::GameShowDialog(int layout, const std::string& text) {
  if (dialog_) {
    ShowGameDialog(layout, text);
    return;
  }
  OwnerCall("game", "show-dialog", std::to_string(layout) + ":" + text);
}

void TMainForm::CreateGameDialog() {
  if (dialog_ || secondaryRun_ || role_ != Role::Shell || !archive_ || !archive_->Exists("Dialog.txt")) return;
  CoolDialogHost host;
  host.mainBounds = [this] { return SkinWindow() ? SkinWindow()->Bounds() : Rect{}; };
  host.playWav = [this](const std::string& sound) { PlayWav(sound, false); };
  host.soundsOn = [this] { return options_.SoundsOn; };
  host.showHints = [this] { return options_.ShowHints; };
  host.mainKeyDown = [this](int key, unsigned shift) { FormKeyDown(key, shift); };
  host.showHelp = [this] {
    // F1 without the main window's help sound.
    if (Fading() || destroyed_ || closing_ || viewerSwitch_) return;
    HideHint();
    ShowHelpViewer();
  };
  host.currentScore = [this] {
    if (playerScore_) return playerScore_();
    return users_ ? std::int32_t(users_->CurrentScore()) : 0;
  };
  host.saveUrl = [this] {
    std::string base = ScoreServer();
    if (base.empty() || base.back() != '/') base += '/';
    return base + "save.php";
  };
  host.title = title_;
  host.table.chosenSector = [this] { return game_ ? game_->ChosenSector : 0; };
  host.table.setChosenSector = [this](int sector) {
    if (game_) game_->ChosenSector = sector;
  };
  host.table.levelAvailable = [this](int level) { return game_ && game_->Bank().LevelAvailable(level); };
  dialog_ = std::make_unique<TCoolDialog>(platform_, *archive_, paths_, std::move(host));
}

int TMainForm::ShowGameDialog(int layout, const std::string& text) {
  if (!dialog_) return kDialogClosed;
  return dialog_->ShowDialog(layout, text);
}

void TMainForm::CloseGameDialog() {
  if (dialog_) dialog_->CloseDialog();
}

bool TMainForm::GameDialogSent() const { return dialog_ && dialog_->ResultIsStatus(); }
void TMainForm::ScheduleGameStart() {
  OwnerCall("game", "schedule-start");
  if (game_) game_->ScheduleNewGame();
}

void TMainForm::MusicStart() {
  if (music_) music_->MusicStart();
}

void TMainForm::MusicStop(bool fade) {
  if (music_) music_->MusicStop(fade);
}

void TMainForm::ShowAboutBox() {
  if (!about_) {
    if (!archive_ || !archive_->Exists("About.txt")) return;
    AboutBoxHost host;
    host.soundsOn = [this] { return options_.SoundsOn; };
    host.showHints = [this] { return options_.ShowHints; };
    host.playSound = [this](const std::string& sound) {
      platform_.Audio().PlaySound(disc_.programDir + sound, SoundMode::Async);
    };
    host.openLink = [this](const std::string& command) { OpenOutside(LinkAddress(command)); };
    about_ = std::make_unique<TAboutBox>(platform_, *archive_, paths_, std::move(host));
  }
  about_->ShowModal();
}

void TMainForm::CloseAboutBox() {
  if (about_) about_->CloseBox();
}

void TMainForm::CreateOptionsWindow() {
  if (optionsWindow_ || role_ != Role::Shell || !archive_) return;
  CoolOptionsHost host;
  host.flags = &options_;
  host.music.musicOn = [this] { return MusicOn(); };
  host.music.setMusicOn = [this](bool on) {
    if (music_) music_->SetMusicOn(on);
  };
  host.music.closeClipPlayer = [this] {
    if (TClipAreasPart* clips = parts_.Clips()) clips->Close();
  };
  host.music.mainWindowVisible = [this] { return shown_ && SkinWindow() && SkinWindow()->Visible(); };
  host.music.musicStart = [this] { MusicStart(); };
  host.music.musicStop = [this](bool fade) { MusicStop(fade); };
  host.applied = [this] { ApplyOptionsToGame(); };
  host.mainBounds = [this] { return SkinWindow() ? SkinWindow()->Bounds() : Rect{}; };
  host.settingsKey = SettingsKey();
  optionsWindow_ = std::make_unique<TCoolOptions>(platform_, *archive_, paths_, std::move(host));
}

void TMainForm::ApplyOptionsToGame() {
  if (!game_) return;
  game_->SetSendResults(options_.SendResults);
  game_->SetGameTable(options_.GameTable);
}

void TMainForm::ShowOptions() {
  OwnerCall("options", "show");
  if (optionsWindow_ && !destroyed_) optionsWindow_->Execute();
}

bool TMainForm::OwnedModal() const {
  return (dialog_ && dialog_->Modal()) || (optionsWindow_ && optionsWindow_->Modal()) || (about_ && about_->Modal());
}

TSystemCommands& TMainForm::SystemCommands() {
  if (!system_) {
    SystemCommandsHost host;
    host.setBusy = [this](bool busy) {
      busy_ = busy;
      if (SkinWindow()) SkinWindow()->SetCursor(busy ? Cursor::Wait : Cursor::Arrow);
    };
    host.showMessage = [this](int layout, const std::string& text) {
      if (dialog_ && !destroyed_) ShowGameDialog(layout, text);
      else platform_.ShowMessageBox(title_, text);
    };
    system_ = std::make_unique<TSystemCommands>(platform_, paths_, std::move(host));
  }
  return *system_;
}

void TMainForm::RunInstalledGame(const std::string& command) { SystemCommands().RunGame(command); }
void TMainForm::DeleteGame(const std::string& command) { SystemCommands().DeleteGame(command); }
// The fonts beside the program are the ones the game registers for itself at start-up.
void TMainForm::InstallFonts() { SystemCommands().InstallFonts(disc_.programDir); }
void TMainForm::ShowHelpViewer() { SystemCommands().Help(header_.helpFile); }

}  // namespace trv
