// What the game engine asks of the main window (GameScreen): the game
// screen's parts and buttons, what the window shows, and the game dialog.
#include "shell/MainForm.h"

namespace trv {

void TMainForm::InputBoxesChanged() {
  if (!SkinWindow() || Fading()) return;
  FormPaint();
}

const Bitmap* TMainForm::Shown() { return SkinWindow() ? &SkinWindow()->Framebuffer() : nullptr; }

int TMainForm::ShowDialog(int layout, const std::string& text, bool* sent) {
  const int code = ShowGameDialog(layout, text);
  if (sent) *sent = GameDialogSent();
  return code;
}

}  // namespace trv
