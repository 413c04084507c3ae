#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "shell/CoolDialogScript.h"
#include "shell/PathInputBoxes.h"
#include "store/ReadBin.h"
#include "windows/EffBtnCar.h"
#include "windows/EffCar.h"
#include "windows/EffectOwner.h"

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
  std::function<void(int key, unsigned shift)> mainKeyDown;  // the main window's key handler
  std::function<std::int32_t()> currentScore;        // the players list's current score
  std::function<std::string()> saveUrl;              // the score server's save page
  std::string title;                                 // settings key of the box texts
};

// The game dialog: a borderless always-on-top window whose pages come from
// Dialog.txt. ShowDialog builds a page around a text, shows it modally (while
// the program's timers keep firing) and returns the result code.
class TCoolDialog : public WindowEvents, public EffectOwner {
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
  bool Visible() const;
  // A modal ShowDialog is running.
  bool Modal() const { return modalDepth_ > 0; }
  // The last result is the status of a score submission ("sendresults"), not a
  // button's or a key's code: an OK button's 1 is not the server's 1.
  bool ResultIsStatus() const { return resultIsStatus_; }

  const TDialogScript& Script() const { return script_; }
  int CurrentPage() const { return currentPage_; }
  Window* DialogWindow() const { return window_.get(); }
  const Bitmap& Canvas() const { return canvas_; }
  // The page's buttons as placed for the text shown.
  const TDynamicDialogBtnArray& PlacedButtons() const { return placed_; }
  TPathInputBox* Boxes(int page) const;
  bool Appearing() const { return appear_ && appear_->Running(); }

  void RunDialogCommand(const std::string& command, const std::string& sound);

  // Window events.
  void OnMouseMove(Point p, unsigned shift) override;
  void OnMouseDown(MouseButton b, Point p, unsigned shift) override;
  void OnMouseUp(MouseButton b, Point p, unsigned shift) override;
  void OnKeyDown(int key, unsigned shift) override;
  void OnChar(char c) override;
  void OnCloseRequest() override;
  void OnExpose() override { FormPaint(); }

  void FormPaint();
  void FormMouseMove(int x, int y);
  void FormMouseDown(int x, int y);
  void FormMouseUp(int x, int y);
  void FormKeyDown(int key, unsigned shift);

  // EffectOwner
  Window* EffectWindow() override { return window_.get(); }
  void PaintNormal(Bitmap& target) override;
  Bitmap ScreenUnder() override;
  bool CrossFadesMayDraw() const override { return !Appearing(); }
  void OnWindowFadeEnded() override { FormPaint(); }

 private:
  struct ButtonState {
    Bitmap pic[4];  // normal, under the mouse, pressed, inactive
    bool hasPic[4] = {false, false, false, false};
    bool underMouse = false;
    bool pressed = false;
    bool active = true;
    std::unique_ptr<TEffBtnCar> fade;
  };
  struct SwitchState {
    Bitmap pic[4];  // off, off under the mouse, on under the mouse, on
    bool hasPic[4] = {false, false, false, false};
    std::unique_ptr<TEffBtnCar> fade;
  };

  void Init(const TDynamicStringArray& lines);
  bool LoadPicture(const std::string& name, Bitmap* out) const;
  void CrossFade(TEffBtnCar& fade, const Bitmap& from, const Bitmap& to, Point at);
  void Close(int result);
  void FormClose();
  void PaintTo(Bitmap& target);
  void Present();
  void SwitchMouseMove(std::size_t i, Point p);
  void TraceResult();

  Platform& platform_;
  const TReadBin& archive_;
  ScriptPaths paths_;
  CoolDialogHost host_;
  TDialogScript script_;
  std::vector<std::unique_ptr<TPathInputBox>> boxSets_;
  std::unique_ptr<Window> window_;
  std::unique_ptr<TEffCar> appear_;
  std::unique_ptr<Font> font_;

  int currentPage_ = -1;
  std::string shownText_;
  Bitmap canvas_;
  std::vector<ButtonState> btnStates_;
  TDynamicDialogBtnArray placed_;
  std::vector<SwitchState> swStates_;
  TDynamicSwthGrpArray switches_;  // the page's switches with their state while shown
  int result_ = kDialogClosed;
  bool resultIsStatus_ = false;
  bool built_ = false;
  int modalDepth_ = 0;
  int serial_ = 0;  // one per ShowDialog: a later dialog ends an earlier modal one
  bool closed_ = true;
  TimerId mouseUpTimer_ = 0;
  Point pendingUp_{};
};

}  // namespace trv
