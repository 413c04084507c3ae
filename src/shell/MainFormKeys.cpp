// The main window's keyboard. Keys are matched by virtual key, never by the
// character they type, so that they act the same on every desktop layout. The
// window sees each key before the focused input box does.
#include "platform/Keys.h"
#include "shell/MainForm.h"

namespace trv {
namespace {

constexpr int kRegistrationScreen = 1;
// The close button's sound is heard this long before the window goes.
constexpr std::uint32_t kCloseSoundMs = 1000;

constexpr unsigned kModifiers = kShift | kAlt | kCtrl;

}  // namespace

// While the game dialog or the options window runs its own loop the main
// window stays as if disabled: a key here would act on the game underneath
// the question asked, or open the options a second time. The dialog's own F1
// reaches FormKeyDown directly and still works.
void TMainForm::OnKeyDown(int key, unsigned shift) {
  if (OwnedModal()) return;
  FormKeyDown(key, shift);
  if (!destroyed_) parts_.KeyDown(key, shift);
}

void TMainForm::OnChar(char c) {
  if (OwnedModal()) return;
  if (FormKeyPress(c)) parts_.Char(c);
}

bool TMainForm::FormKeyPress(char c) {
  // Enter and Escape act through FormKeyDown only; their characters would
  // make an edit control beep.
  return c != '\r' && c != '\x1b';
}

void TMainForm::PlayButtonSoundFor(const char* word, bool prefixOnly) {
  if (std::size_t(currentScreen_) >= elements_.Buttons.size()) return;
  const std::string_view w(word);
  for (const RBtn& b : elements_.Buttons[std::size_t(currentScreen_)]) {
    if (b.name.empty()) continue;
    const std::size_t at = w.find(b.name);
    if (at == std::string_view::npos || (prefixOnly && at != 0)) continue;
    PlayWav(b.sound, false);
    return;
  }
}

void TMainForm::FormKeyDown(int key, unsigned shift) {
  if (Fading() || destroyed_ || closing_) return;
  HideHint();
  if (viewerSwitch_) {
    // A viewer started for a document knows one key: Escape ends it, and
    // then does what Escape does anywhere.
    if (key != vk::Escape) return;
    SkinWindow()->Close();
  }
  const unsigned modifiers = shift & kModifiers;
  if (key == vk::Escape) {
    PlayButtonSoundFor("backtomainscreen", false);
    if (currentScreen_ == kRegistrationScreen) RunCommand("1", "", 0, 0, 1);
    if (FavoritePopupOpen() || RegisteredUsersPopupOpen()) HidePopups();
    return;
  }
  if (key == vk::Return) {
    if (currentScreen_ != 0 && currentScreen_ != kRegistrationScreen) {
      GameValidateAnswer();
    } else {
      PlayButtonSoundFor("gotonextscreen", false);
      RunCommand("startgame", "", 0, 0, 1);
    }
    return;
  }
  if (key == vk::F1) {
    PlayButtonSoundFor("help", true);
    ShowHelpViewer();
    return;
  }
  if (key == vk::F1 + 3 && modifiers == kAlt) {
    CloseAfterSound();
    return;
  }
  if (key == vk::KeyA + ('N' - 'A') && modifiers == kCtrl) ShowOptions();
}

void TMainForm::CloseAfterSound() {
  // The first button named within "close" gives its sound; the window waits
  // for it only when it really sounds.
  const RBtn* closeButton = nullptr;
  if (std::size_t(currentScreen_) < elements_.Buttons.size())
    for (const RBtn& b : elements_.Buttons[std::size_t(currentScreen_)])
      if (!b.name.empty() && std::string_view("close").find(b.name) != std::string_view::npos) {
        closeButton = &b;
        break;
      }
  if (!closeButton || !options_.SoundsOn || closeButton->sound.empty() || closeButton->sound == "no") {
    SkinWindow()->Close();
    return;
  }
  PlayWav(closeButton->sound, false);
  // Nothing else runs while the sound plays out; then the window closes as
  // the key asked.
  closing_ = true;
  closeTimer_ = platform_.Loop().SetTimer(kCloseSoundMs, false, [this] {
    closeTimer_ = 0;
    SkinWindow()->Close();
  });
}

}  // namespace trv
