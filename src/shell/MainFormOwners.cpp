// Parts of the shell that arrive with their own components: the trees, the
// popup lists, the players list, the game, the background music, the clip
// player, the About box, the options, the standard window and help viewer,
// and the system and installation commands. Until each exists its entry
// points only record the call, so that the interpreter's order of tests is
// complete and visible in the trace.
#include <string>

#include "shell/MainForm.h"

namespace trv {

void TMainForm::OwnerCall(const char* owner, const char* call, const std::string& argument) {
  platform_.Tracer().Emit("command-owner").Utf8("owner", owner).Utf8("call", call).Text("arg", argument);
}

void TMainForm::TreeSelect(int number) { OwnerCall("trees", "select", std::to_string(number)); }
void TMainForm::TreeShowCurrent() { OwnerCall("trees", "show"); }
void TMainForm::TreeHideCurrent() { OwnerCall("trees", "hide"); }
void TMainForm::TreeSetPendingFile(const std::string& file) { OwnerCall("trees", "pending-file", file); }
void TMainForm::TreeSetPendingItem(const std::string& caption) { OwnerCall("trees", "pending-item", caption); }
void TMainForm::TreesShowForScreen() { OwnerCall("trees", "show-for-screen"); }
void TMainForm::TreesFillRatings() { OwnerCall("trees", "fill-ratings"); }

void TMainForm::PopupShowAtMouse(int kind) { OwnerCall("popups", "show-at-mouse", std::to_string(kind)); }
void TMainForm::PopupsShowForScreen() { OwnerCall("popups", "show-for-screen"); }
void TMainForm::ShowRegisteredUsersPopup(int buttonIndex) {
  OwnerCall("popups", "registered-users", std::to_string(buttonIndex));
}
void TMainForm::CloseRegisteredUsersPopup() { OwnerCall("popups", "close-registered-users"); }

void TMainForm::PlayersSetCurrentName(const std::string& name) { OwnerCall("players", "set-current-name", name); }
void TMainForm::PlayersReload() { OwnerCall("players", "reload"); }

void TMainForm::GameTakeMoney() { OwnerCall("game", "take-money"); }
void TMainForm::GameValidateAnswer() { OwnerCall("game", "validate-answer"); }
void TMainForm::GameUseExtraMinute() { OwnerCall("game", "extra-minute"); }
void TMainForm::GameShowDialog(int layout, const std::string& text) {
  OwnerCall("game", "show-dialog", std::to_string(layout) + ":" + text);
}
void TMainForm::ScheduleGameStart() { OwnerCall("game", "schedule-start"); }

void TMainForm::MusicStart() { OwnerCall("music", "start"); }
void TMainForm::MusicStop(bool fade) { OwnerCall("music", "stop", fade ? "fade" : ""); }

void TMainForm::ClipAreasShowForScreen() { OwnerCall("clips", "show-for-screen"); }
void TMainForm::ClipPlay(const std::string& name, int mode) {
  OwnerCall("clips", "play", std::to_string(mode) + ":" + name);
}
void TMainForm::ClipStop() { OwnerCall("clips", "stop"); }
void TMainForm::ClipPause() { OwnerCall("clips", "pause"); }
void TMainForm::ClipStepForward() { OwnerCall("clips", "step-forward"); }
void TMainForm::ClipStepBack() { OwnerCall("clips", "step-back"); }
void TMainForm::ClipClose() { OwnerCall("clips", "close"); }

void TMainForm::ShowAboutBox() { OwnerCall("about", "show"); }
void TMainForm::ShowOptions() { OwnerCall("options", "show"); }
void TMainForm::EnterStandardWindow() { OwnerCall("viewer", "standard-window"); }
void TMainForm::ShowHelpViewer() { OwnerCall("viewer", "help"); }

void TMainForm::RunProgram(const std::string& command) { OwnerCall("system", "run", command); }
void TMainForm::RunInstalledGame(const std::string& command) { OwnerCall("system", "rungame", command); }
void TMainForm::DeleteGame(const std::string& command) { OwnerCall("system", "delgame", command); }
void TMainForm::InstallFonts() { OwnerCall("system", "installfonts"); }

}  // namespace trv
