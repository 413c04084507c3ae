#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/InstanceLock.h"
#include "platform/Paths.h"
#include "platform/Platform.h"
#include "script/ElementPass.h"
#include "script/ExpandPath.h"
#include "script/HeaderPass.h"
#include "shell/HintWindow.h"
#include "shell/PictureSets.h"
#include "store/PackedTree.h"
#include "store/ReadBin.h"
#include "windows/EffCar.h"
#include "windows/EffectOwner.h"

namespace trv {

// The command line as the process got it.
struct StartArguments {
  std::vector<std::string> args;  // without the program path
  std::string commandLine;        // the whole line, program path included
};

enum class Role { Shell, Help, Thesaurus, SecondShell };

// Why a start ended before the window was shown. Every end says why in the log
// and on stderr; the player is told in a message box only when something is
// broken (not for a missing disc or a second shell, which end silently).
struct StartStop {
  std::string reason;  // UTF-8
  bool tellPlayer = false;
};

// The main window's font, which its hints use too.
inline const FontSpec kWindowFont{"MS Sans Serif", 8, 0};
// Standard hints appear this far below the mouse pointer.
constexpr int kCursorHeight = 20;

// The shell's main window: start-up, painting, the mouse over the elements of
// the current screen, hints, and shutdown in their fixed order.
class TMainForm : public WindowEvents, public EffectOwner {
 public:
  TMainForm(Platform& platform, DiscPaths disc);
  ~TMainForm() override;

  // Start-up up to the first show. False when the process must end now.
  bool FormCreate(const StartArguments& start, StartStop* stop);
  void ShowMainWindow();
  // The close event: closes the windows of other roles, then releases this one.
  void FormClose();

  Role CurrentRole() const { return role_; }
  bool SecondaryRun() const { return secondaryRun_; }
  const std::string& Title() const { return title_; }
  int CurrentScreen() const { return currentScreen_; }
  Window* MainWindow() const { return window_.get(); }
  const TElementModel& Elements() const { return elements_; }
  const TScriptHeader& Header() const { return header_; }
  const TPackedTree* Tree() const { return tree_.get(); }
  const TReadBin* Archive() const { return archive_.get(); }

  // Loads the pictures of `screen` into the picture sets and makes it current.
  // The screen switch calls the same function.
  void LoadScreenPictures(int screen);

  // Until the command interpreter exists, commands are only traced.
  void RunCommand(const std::string& command, const std::string& sound, int index, int source, int soundMode);
  void PlayWav(const std::string& file, bool yield);
  void HideHint();
  void StartHintTimer();

  // A "state" trace line: screen, buttons and switches under the mouse, hint.
  void DumpState();

  // Window events.
  void OnMouseMove(Point p, unsigned shift) override { FormMouseMove(shift, p.x, p.y); }
  void OnMouseDown(MouseButton b, Point p, unsigned shift) override { FormMouseDown(b, shift, p.x, p.y); }
  void OnMouseUp(MouseButton b, Point p, unsigned shift) override { FormMouseUp(b, shift, p.x, p.y); }
  void OnMouseLeave() override {}
  void OnKeyDown(int key, unsigned shift) override;
  void OnCloseRequest() override { FormClose(); }
  void OnRestore() override;
  void OnExpose() override { FormPaint(); }

  void FormPaint();
  void FormMouseMove(unsigned shift, int x, int y);
  void FormMouseDown(MouseButton button, unsigned shift, int x, int y);
  void FormMouseUp(MouseButton button, unsigned shift, int x, int y);

  // EffectOwner
  Window* EffectWindow() override { return window_.get(); }
  void PaintNormal(Bitmap& target) override;
  Bitmap ScreenUnder() override;
  bool CrossFadesMayDraw() const override;
  void OnWindowFadeEnded() override { FormPaint(); }

 private:
  bool StartShell(StartStop* stop);
  void StartViewerRole(Role role);
  void FormDestroy();
  // "*.ttf" beside the program, for this process only, until shutdown.
  void RegisterFonts();
  void RemoveFonts();
  void CloseForeignWindows(const std::string& captionUtf8);
  bool LoadPicture(const std::string& name, Bitmap* out) const;
  bool ApplyHeader(const TDynamicStringArray& lines, StartStop* stop);
  void PaintTo(Bitmap& canvas);
  void ShowHintNow();
  // The window fade runs: input and cross-fades wait.
  bool Fading() const { return fade_ && fade_->Running(); }
  void CrossFade(TEffBtnCar* animation, const Bitmap& from, const Bitmap& to, Point at);
  bool HasFavoritePopupOpen() const { return false; }  // popups come with their own window
  void HidePopups() {}

  Platform& platform_;
  DiscPaths disc_;
  ScriptPaths paths_;
  Role role_ = Role::Shell;
  bool secondaryRun_ = false;
  bool destroyed_ = false;
  bool shown_ = false;
  int exitButton_ = -1;
  std::string title_;
  std::string rootDir_;
  std::unique_ptr<InstanceLock> instanceLock_;

  std::unique_ptr<Window> window_;
  std::unique_ptr<TPackedTree> tree_;
  std::unique_ptr<TReadBin> archive_;
  std::vector<std::uint8_t> scriptBuffer_;
  TScriptHeader header_;
  TElementModel elements_;
  int currentScreen_ = 0;
  Bitmap background_;
  TDynamicBtnPicArray btnPics_;
  TDynamicSwthOnePicArray swOnePics_;
  TDynamicSwthGrpPicArray swGrpPics_;
  std::unique_ptr<TEffCar> fade_;
  std::optional<Bitmap> fadeBefore_;  // the screen before a screen change
  FontEngine* fonts_ = nullptr;           // the platform's; text of the hints
  std::vector<std::string> fontFiles_;  // registered at start-up, removed at shutdown
  bool musicOn_ = false;
  bool soundsOn_ = true;  // the options window sets it

  // Hints: the text and anchor of the button under the mouse, the window that
  // shows it, and the one timer that shows and then hides it.
  std::string hintText_;
  int hintX_ = 0;
  int hintY_ = 0;
  std::unique_ptr<THintWindow> hintWindow_;
  TimerId hintTimer_ = 0;
};

}  // namespace trv
