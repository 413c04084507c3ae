#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "windows/OptionsScript.h"

// The option commands of the options window's switches and the flags they set.
namespace trv {

// The shell-wide options, as they are before any command runs. The music's
// own flag is the background music's (OptionMusic).
struct TOptionFlags {
  std::int32_t StartScreen = 1;  // the first screen shown at start-up, from 1
  bool SoundsOn = true;          // the sounds of clicked elements
  bool SendResults = true;       // a won game's score may go to the score server
  bool GameTable = true;         // the game table spins before a question
  bool QuizMasterVoice = false;  // kept; nothing reads it
  bool StoreVisitedHtml = false; // kept; nothing reads it
  bool ShowHints = true;         // no command changes it
};

// What "onbgsound" and "offbgsound" reach: the music and the clip player.
struct OptionMusic {
  std::function<bool()> musicOn;
  std::function<void(bool)> setMusicOn;
  std::function<void()> closeClipPlayer;
  std::function<bool()> mainWindowVisible;
  std::function<void()> musicStart;
  std::function<void(bool fade)> musicStop;
};

// Runs one option command (lower case). Commands are compared exactly, except
// that one holding "startscreen" sets StartScreen to the number read from its
// twelfth character on. Anything else does nothing. The music starts and
// stops only while the main window shows; before, only the wish changes.
void RunOptionCommand(std::string_view command, TOptionFlags& flags, const OptionMusic& music);

// The commands of every switch: each single switch's on-command when it is on,
// else its off-command, in order; then the command of every group switch
// that is on.
void RunSwitchCommands(const TOptionsScript& script, TOptionFlags& flags, const OptionMusic& music);

}  // namespace trv
