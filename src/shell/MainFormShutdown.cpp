// Closing the shell: other roles' windows first, then everything start-up
// made, in reverse.
#include "platform/Log.h"
#include "platform/Text.h"
#include "game/Users.h"
#include "shell/MainForm.h"
#include "shell/SystemCommandRules.h"
#include "game/MainGame.h"

namespace trv {
namespace {

// A window that ignores its close message must not hold the shell forever.
constexpr int kCloseAttempts = 20;
// The longest the music's fade-out may hold the end of the program.
constexpr std::uint32_t kMusicStopMs = 10000;

}  // namespace

void TMainForm::CloseForeignWindows(const std::string& captionUtf8) {
  const std::string caption = Utf8ToCp1251(captionUtf8);
  // Our own caption is set aside while looking, so that the search can only
  // find windows of other processes.
  Window* window = SkinWindow();
  const std::string own = window ? window->Caption() : std::string();
  if (window) window->SetCaption("");
  Shell& desktop = platform_.Desktop();
  for (int attempt = 0; attempt < kCloseAttempts; ++attempt) {
    const std::optional<WindowRef> found = desktop.FindWindowByTitle(caption);
    if (!found) break;
    desktop.CloseWindow(*found);
    if (attempt + 1 == kCloseAttempts) Log("shutdown", "the window \"" + captionUtf8 + "\" does not close");
  }
  if (window) window->SetCaption(own);
}

void TMainForm::FormClose() {
  if (destroyed_) return;
  if (!secondaryRun_) {
    for (const std::string& caption : HelpWindowCaptions()) CloseForeignWindows(Cp1251ToUtf8(caption));
    CloseForeignWindows("Увеличенная картинка");
  }
  // The About box, the game dialog and the options close first. When a modal loop runs (theirs), the
  // code under it still has to run to its end: the window is released only
  // once the loops have unwound (by the destructor), never underneath it.
  CloseAboutBox();
  CloseGameDialog();
  if (optionsWindow_) optionsWindow_->CloseOptions();  // nothing applied
  HidePopups();
  if (platform_.Loop().ModalDepth() > 0) {
    closing_ = true;
    platform_.Loop().Terminate(0);
    return;
  }
  FormDestroy();
  platform_.Loop().Terminate(0);
}

void TMainForm::StopMusicAtShutdown() {
  if (!MusicOn()) return;
  // The song and its place are kept for the next run; the music fades out
  // while the loop goes on (the window keeps painting), if it still runs.
  music_->MusicStop(true);
  EventLoop& loop = platform_.Loop();
  if (!loop.Terminated()) {
    bool late = false;
    const TimerId limit = loop.SetTimer(kMusicStopMs, false, [&late] { late = true; });
    loop.RunModal([this, &late] { return !music_->Stopping() || late; });
    loop.KillTimer(limit);
  }
  if (music_->Stopping()) music_->FinishStop();
}

void TMainForm::FormDestroy() {
  if (destroyed_) return;
  destroyed_ = true;
  HideHint();
  if (closeTimer_) platform_.Loop().KillTimer(closeTimer_);
  closeTimer_ = 0;
  if (exitButton_ != -1 && std::size_t(currentScreen_) < elements_.Buttons.size() &&
      std::size_t(exitButton_) < elements_.Buttons[std::size_t(currentScreen_)].size()) {
    const std::string& sound = elements_.Buttons[std::size_t(currentScreen_)][std::size_t(exitButton_)].sound;
    if (options_.SoundsOn && !sound.empty() && sound != "no")
      platform_.Audio().PlaySound(disc_.programDir + sound, SoundMode::Sync);
  }
  scriptBuffer_.clear();
  // Its commands reach the music and the clip player, which go below.
  optionsWindow_.reset();
  StopMusicAtShutdown();
  RemoveFonts();
  // The help viewer F1 started goes with the program; a font copy ends first.
  system_.reset();
  // The engine's timers and fades stop before the parts they draw on go.
  game_.reset();
  users_.reset();
  parts_.Clear();  // the boxes write their texts to the settings
  // A second shell and the viewers leave the settings to the shell that owns them.
  if (!secondaryRun_ && role_ == Role::Shell) SaveSwitchStates();
  // Picture sets last to first, each with its cross-fade.
  controls_.Clear();
  SkinBackground() = Bitmap();
  DestroySkinWindow();
}

}  // namespace trv
