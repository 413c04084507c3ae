// Parts of the program the command interpreter reaches outside the screen
// parts: the players list, the game, the game dialog, the background music,
// the About box, the options, the standard window and help viewer, and the
// system and installation commands. Until each exists its entry points only
// record the call, so that the interpreter's order of tests is complete and
// visible in the trace.
#include <string>

#include "game/Users.h"
#include "shell/MainForm.h"
#include "shell/OutsideLinks.h"
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
  host.soundsOn = [this] { return soundsOn_; };
  host.mainKeyDown = [this](int key, unsigned shift) { FormKeyDown(key, shift); };
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
    host.soundsOn = [this] { return soundsOn_; };
    // Hints are always on until the options window gives the flag a home.
    host.showHints = [] { return true; };
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
void TMainForm::ShowOptions() { OwnerCall("options", "show"); }
void TMainForm::EnterStandardWindow() { OwnerCall("viewer", "standard-window"); }
void TMainForm::ShowHelpViewer() { OwnerCall("viewer", "help"); }

void TMainForm::RunProgram(const std::string& command) { OwnerCall("system", "run", command); }
void TMainForm::RunInstalledGame(const std::string& command) { OwnerCall("system", "rungame", command); }
void TMainForm::DeleteGame(const std::string& command) { OwnerCall("system", "delgame", command); }
void TMainForm::InstallFonts() { OwnerCall("system", "installfonts"); }

}  // namespace trv
