#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "game/CoolDialogScript.h"
#include "game/GameTable.h"
#include "store/ReadBin.h"
#include "windows/PathInputBoxes.h"
#include "windows/SkinControls.h"
#include "windows/SkinWindow.h"

namespace trv {

// Result codes of ShowDialog besides the statuses of the score submission.
constexpr int kDialogOk = 1;
constexpr int kDialogClosed = 2;
constexpr int kDialogYes = 6;
constexpr int kDialogNo = 7;
constexpr int kDialogPlayAgain = -1;

// The text that shows without blocking, so that the player can go on typing.
// CP1251 of "Пожалуйста, введите ответ!".
extern const char* const kEnterAnswerText;

// What the dialog asks of the program around it.
struct CoolDialogHost {
  std::function<Rect()> mainBounds;                  // the main window, screen coordinates
  std::function<void(const std::string&)> playWav;   // PlayWav(sound, false)
  std::function<bool()> soundsOn;
  std::function<bool()> showHints;                   // unset: hints show
  std::function<void(int key, unsigned shift)> mainKeyDown;  // the main window's key handler
  // What the main window's help key does, without its sound: the dialog's
  // help button has already sounded.
  std::function<void()> showHelp;
  std::function<std::int32_t()> currentScore;        // the players list's current score
  std::function<std::string()> saveUrl;              // the score server's save page
  std::string title;                                 // settings key of the box texts
  GameTableHost table;                               // the game's side of the game table
};

// The game dialog: a borderless always-on-top window whose pages come from
// Dialog.txt. ShowDialog builds a page around a text, shows it modally (while
// the program's timers keep firing) and returns the result code.
class TCoolDialog : public TSkinWindow {
 public:
  // Reads Dialog.txt from the archive (FormCreate); the window stays hidden.
  TCoolDialog(Platform& platform, const TReadBin& archive, const ScriptPaths& paths, CoolDialogHost host);
  // The same from lines already split (tests).
  TCoolDialog(Platform& platform, const TReadBin& archive, const TDynamicStringArray& lines,
              const ScriptPaths& paths, CoolDialogHost host);
  ~TCoolDialog() override;

  // Shows page `layout` (from 0) with `text` (one line feed makes two lines).
  int ShowDialog(int layout, const std::string& text);
  // Closes a visible dialog (the non-blocking message, or a modal one from a timer).
  void CloseDialog();
  // The last result is the status of a score submission ("sendresults"), not a
  // button's or a key's code: an OK button's 1 is not the server's 1.
  bool ResultIsStatus() const { return resultIsStatus_; }

  const TDialogScript& Script() const { return script_; }
  int CurrentPage() const { return currentPage_; }
  Window* DialogWindow() const { return SkinWindow(); }
  const Bitmap& Canvas() const { return SkinBackground(); }
  // The page's buttons as placed for the text shown.
  const TDynamicDialogBtnArray& PlacedButtons() const { return placed_; }
  TPathInputBox* Boxes(int page) const;
  bool Appearing() const { return Fading(); }
  // A score is being sent beside the loop: the page waits with its buttons
  // inactive but the close one, which (like Escape) cancels the sending.
  bool SendingScore() const { return sending_ != nullptr; }

  void RunDialogCommand(const std::string& command, const std::string& sound);

  // Window events.
  void OnMouseMove(Point p, unsigned shift) override;
  void OnMouseDown(MouseButton b, Point p, unsigned shift) override;
  void OnMouseUp(MouseButton b, Point p, unsigned shift) override;
  void OnKeyDown(int key, unsigned shift) override;
  void OnChar(char c) override;
  void OnCloseRequest() override;

  void FormMouseMove(int x, int y);
  void FormMouseDown(int x, int y);
  void FormMouseUp(int x, int y);
  void FormKeyDown(int key, unsigned shift);

 protected:
  void PaintSkin(Bitmap& target) override;
  bool ReadyToPaint() const override { return built_; }

 private:
  void Init(const TDynamicStringArray& lines);
  void Close(int result);
  void FormClose();
  void TraceShown(int layout, const std::string& text, Point at);
  bool SetUpTable();
  bool HintsShow() const { return !host_.showHints || host_.showHints(); }
  void SendResults();
  // The sending ended with `status`: the page closes with it.
  void EndSending(std::int32_t status, bool canceled);
  // The sending is no longer wanted: its exchange stops, its result is dropped.
  void DropSending();

  TPictureLoader pictures_;
  ScriptPaths paths_;
  CoolDialogHost host_;
  TDialogScript script_;
  std::vector<std::unique_ptr<TPathInputBox>> boxSets_;
  std::unique_ptr<Font> font_;
  std::unique_ptr<TGameTable> table_;  // while the game table's page is up

  int currentPage_ = -1;
  std::string shownText_;
  TSkinControls controls_;
  TDynamicDialogBtnArray placed_;
  TDynamicSwthGrpArray switches_;  // the page's switches with their state while shown
  int result_ = kDialogClosed;
  bool resultIsStatus_ = false;
  bool built_ = false;
  int serial_ = 0;  // one per ShowDialog: a later dialog ends an earlier modal one
  bool closed_ = true;
  TimerId mouseUpTimer_ = 0;
  struct Sending;
  std::shared_ptr<Sending> sending_;
  // Every sending started, dropped ones too: their workers use the platform's
  // web client and trace until they end, so the dialog's end waits for them.
  std::vector<std::shared_ptr<Sending>> workers_;
  Point pendingUp_{};
};

}  // namespace trv
