#pragma once

#include <functional>
#include <memory>
#include <string>

#include "media/MediaPlayerControl.h"
#include "platform/Platform.h"
#include "script/ExpandPath.h"
#include "windows/SkinControls.h"
#include "windows/SkinPictures.h"

namespace trv {

// What the table needs of the game: the sector it starts from and settles,
// and whether a level still has its question.
struct GameTableHost {
  std::function<int()> chosenSector;
  std::function<void(int)> setChosenSector;
  std::function<bool(int)> levelAvailable;
};

// The game dialog as the table sees it while its page shows.
struct GameTableView {
  Window* window = nullptr;               // the clip's display
  Bitmap* canvas = nullptr;               // the page's picture, elements' looks drawn in
  TSkinControls* controls = nullptr;      // the page's buttons, sectors among them
  const TPictureLoader* pictures = nullptr;
  std::function<void()> repaint;
  std::function<bool()> appearing;        // the dialog's own fade still runs
  std::function<bool()> visible;
  std::function<void(int)> close;         // closes the dialog with a result
  std::function<void(const std::string&)> playWav;  // a sound of the disc, by its path
};

// The game table on page 7 of the game dialog: the top drawn at its start,
// the spin clip played to the chosen sector, then the walk with blinking
// arrows past sectors whose questions were played, the letter of the sector
// settled, and the dialog closed with 1. Closing the dialog destroys it,
// which stops its timer and its clip.
class TGameTable {
 public:
  TGameTable(Platform& platform, GameTableView view, GameTableHost host, ScriptPaths paths);
  ~TGameTable();
  TGameTable(const TGameTable&) = delete;
  TGameTable& operator=(const TGameTable&) = delete;

  // Marks the sector buttons, draws the top at its start and prepares the
  // clip. False when the start picture cannot be read: the table is not shown.
  bool SetUp();
  // The clip's current frame over the table while the top spins.
  void DrawVideo(Bitmap& target) const;
  // The dialog closes: the timer and the clip stop, and nothing of the table
  // runs again. Safe from inside the table's own steps, which close the
  // dialog; the object goes with the next page or the dialog.
  void Stop();

 private:
  void StartSpin();
  void TableStep();
  void CloseTable();
  void Arm(std::uint32_t ms, void (TGameTable::*step)());
  void StopTimer();
  int ButtonOf(int sector) const;
  bool AnySectorFading() const;
  bool DrawTable(int sector);
  // Gives the sector's button `look` to keep and draws it into the page.
  void Keep(int button, std::size_t look);
  void Fade(int button, std::size_t from, std::size_t to, int step);
  void PlayTableSound(const std::string& utf8Name);
  void Trace(const char* op, int sector);

  Platform& platform_;
  GameTableView view_;
  GameTableHost host_;
  ScriptPaths paths_;
  std::unique_ptr<TMediaPlayer> clip_;
  TimerId timer_ = 0;
  int firstFrame_ = 0;
  bool tableMode_ = false;
  bool spinning_ = false;
  bool letterShown_ = false;
  bool blink_ = false;
  int walked_ = 0;
};

}  // namespace trv
