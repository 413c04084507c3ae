#pragma once

#include <string>

#include "platform/Bitmap.h"
#include "windows/EffectOwner.h"
#include "windows/PathInputBoxes.h"
#include "windows/SkinControls.h"
#include "windows/SkinPictures.h"
#include "windows/TextMessages.h"

namespace trv {

// What the game engine plays on: the main window's game screen (its text
// fields, answer box, buttons and lamps) and the few services of the program
// around it that the quiz uses.
class GameScreen {
 public:
  virtual ~GameScreen() = default;

  // The screen shown, from 0, and whether the window's fade into it still
  // runs (the game waits for it).
  virtual int CurrentScreen() const = 0;
  virtual bool Fading() const = 0;
  virtual bool SoundsOn() const = 0;

  // The screen's text fields and input boxes; null when the script has none.
  virtual TTextMsg* TextFields() = 0;
  virtual TPathInputBox* InputBoxes() = 0;
  // The boxes were shown or hidden: the window shows them so.
  virtual void InputBoxesChanged() = 0;

  // The current screen's buttons, and the background that holds their
  // resting looks (a lit lamp stays lit in it).
  virtual TSkinControls& Controls() = 0;
  virtual Bitmap& Background() = 0;
  virtual const TPictureLoader& Pictures() const = 0;
  // What the window shows now, null without a window; and where the game's
  // own cross-fades draw.
  virtual const Bitmap* Shown() = 0;
  virtual EffectOwner& Effects() = 0;
  virtual void Repaint() = 0;
  virtual void HideHint() = 0;

  // The command interpreter (sounds go through it as "playwavonly").
  virtual void RunCommand(const std::string& command, const std::string& sound, int index, int source,
                          int soundMode) = 0;
  // The game dialog's page `layout` with `text`: its result code; `sent` is
  // set when the code is a score submission's status. 2 without a dialog.
  virtual int ShowDialog(int layout, const std::string& text, bool* sent) = 0;
  virtual void CloseDialog() = 0;
};

}  // namespace trv
