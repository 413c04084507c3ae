#include "windows/OptionCommands.h"

#include "script/ScriptValues.h"

namespace trv {
namespace {

// Where the number of a "startscreen" command starts: right after the word
// when the command begins with it.
constexpr int kStartScreenNumberAt = 12;

void MusicOnCommand(const OptionMusic& music) {
  if (music.musicOn && music.musicOn()) return;
  // The clip player and the music share the output: the clip gives way.
  if (music.closeClipPlayer) music.closeClipPlayer();
  if (music.setMusicOn) music.setMusicOn(true);
  if (music.mainWindowVisible && music.mainWindowVisible() && music.musicStart) music.musicStart();
}

void MusicOffCommand(const OptionMusic& music) {
  if (!music.musicOn || !music.musicOn()) return;
  if (music.setMusicOn) music.setMusicOn(false);
  // Before the main window shows (the commands replayed at start-up) no music
  // plays yet: a stop then would keep the place of a song never opened and
  // lose the one the last run kept.
  if (music.mainWindowVisible && music.mainWindowVisible() && music.musicStop) music.musicStop(true);
}

}  // namespace

void RunOptionCommand(std::string_view command, TOptionFlags& flags, const OptionMusic& music) {
  if (command == "storevisitedhtmlon") flags.StoreVisitedHtml = true;
  else if (command == "storevisitedhtmloff") flags.StoreVisitedHtml = false;
  else if (command.find("startscreen") != std::string_view::npos) flags.StartScreen = ReadInt(command, kStartScreenNumberAt);
  else if (command == "onsoundbtn") flags.SoundsOn = true;
  else if (command == "offsoundbtn") flags.SoundsOn = false;
  else if (command == "onbgsound") MusicOnCommand(music);
  else if (command == "offbgsound") MusicOffCommand(music);
  else if (command == "onsendresultsontheserver") flags.SendResults = true;
  else if (command == "offsendresultsontheserver") flags.SendResults = false;
  else if (command == "onquizmastervoice") flags.QuizMasterVoice = true;
  else if (command == "offquizmastervoice") flags.QuizMasterVoice = false;
  else if (command == "ongametable") flags.GameTable = true;
  else if (command == "offgametable") flags.GameTable = false;
}

void RunSwitchCommands(const TOptionsScript& script, TOptionFlags& flags, const OptionMusic& music) {
  for (const RSwthOne& s : script.singles) RunOptionCommand(s.on ? s.goDown : s.goUp, flags, music);
  for (const RSwthGrp& s : script.groups)
    if (s.on) RunOptionCommand(s.command, flags, music);
}

}  // namespace trv
