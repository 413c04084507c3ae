#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/InstanceLock.h"
#include "platform/Paths.h"
#include "platform/Platform.h"
#include "script/ElementPass.h"
#include "script/ExpandPath.h"
#include "script/HeaderPass.h"
#include "game/CoolDialog.h"
#include "media/BackgroundMusic.h"
#include "game/GameScreen.h"
#include "shell/SystemCommands.h"
#include "shell/ViewerToolbar.h"
#include "shell/parts/ScreenParts.h"
#include "store/PackedTree.h"
#include "store/ReadBin.h"
#include "windows/Options.h"
#include "windows/About.h"
#include "windows/SkinControls.h"
#include "windows/SkinPictures.h"
#include "windows/SkinWindow.h"

namespace trv {

class TMainGame;
class TUsers;

// The command line as the process got it.
struct StartArguments {
  std::vector<std::string> args;  // without the program path
  std::string commandLine;        // the whole line, program path included
  std::string programPath;        // as the line begins with it, without quotes
};

enum class Role { Shell, Help, Thesaurus, SecondShell };

// Why a start ended before the window was shown. Every end says why in the log
// and on stderr, and the player, who may have started it from the desktop and
// sees no terminal, is told in a message box; only a second start that
// brought the running window to the front ends quietly, with status 0.
struct StartStop {
  std::string reason;  // UTF-8, for the log and stderr
  bool tellPlayer = false;
  std::string playerText;  // UTF-8, in the player's language, for the message box
  int exitCode = 1;
};

// The shell's main window: start-up, the current screen's buttons and
// switches, the screen parts (fields, boxes, clip areas, popups, trees), the
// command interpreter, and shutdown in their fixed order.
class TMainForm : public TSkinWindow, private ScreenPartHost, private GameScreen {
 public:
  TMainForm(Platform& platform, DiscPaths disc);
  ~TMainForm() override;

  // Start-up up to the first show. False when the process must end now.
  bool FormCreate(const StartArguments& start, StartStop* stop);
  void ShowMainWindow();
  // The close event: closes the windows of other roles and the game dialog,
  // then releases this one once no modal loop runs under it.
  void FormClose();

  Role CurrentRole() const { return role_; }
  bool SecondaryRun() const { return secondaryRun_; }
  // A viewer role's switch followed its document on the command line: Escape ends it.
  bool ViewerSwitch() const { return viewerSwitch_; }
  // The ordinary sizeable window with the toolbar (the help role, "standartwin").
  bool InStandardWindow() const { return standardWindow_; }
  const TViewerToolbar* Toolbar() const { return toolbar_.get(); }
  const std::string& Title() const { return title_; }
  int CurrentScreen() const override { return currentScreen_; }
  Window* MainWindow() const { return SkinWindow(); }
  const TElementModel& Elements() const { return elements_; }
  const TScriptHeader& Header() const { return header_; }
  const TPackedTree* Tree() const { return tree_.get(); }
  // The tree views of the screens; null when the script has none.
  const TTreesPart* Trees() const { return parts_.Trees(); }
  const TReadBin* Archive() const { return archive_.get(); }
  const DiscPaths& Disc() const { return disc_; }

  // Screens run from 0; the script declares ScreenCount() of them.
  int ScreenCount() const;
  // Makes screen `target` current: its pictures, the background they are drawn
  // into, the screen's parts, the replay of its switches without sound, the
  // window fade. `source` and `index` are those of the command that asked.
  void SwitchScreen(int target, int source, int index);
  // The stored switch states in the settings: read at start-up, written at shutdown.
  void LoadSwitchStates();
  void SaveSwitchStates();
  // The settings key of this title, under both root keys.
  std::string SettingsKey() const;

  // The command interpreter: every action of the window ends here. `source`
  // names the list `index` points into (0 buttons, 1 single switches, 2 group
  // switches); `soundMode` 0 plays the sound cutting off another, 1 plays none,
  // 2 plays it only when nothing else plays.
  void RunCommand(const std::string& command, const std::string& sound, int index, int source,
                  int soundMode) override;
  void PlayWav(const std::string& file, bool yield);
  // While busy (the font installation) every command is dropped.
  bool Busy() const { return busy_; }
  void SetBusy(bool busy) { busy_ = busy; }
  bool SoundsOn() const override { return options_.SoundsOn; }
  void SetSoundsOn(bool on) { options_.SoundsOn = on; }
  // The option flags the options window's commands set (the music's is the music's own).
  const TOptionFlags& Options() const { return options_; }
  void SetShowHints(bool on) { options_.ShowHints = on; }
  // Music wanted; never in the viewer roles, which have no music.
  bool MusicOn() const { return music_ && music_->MusicOn(); }
  TBackgroundMusic* Music() { return music_.get(); }
  int ExitButton() const { return exitButton_; }
  // Deployment addresses: the settings of the machine, overridden by the
  // environment, else the built-in defaults.
  std::string SupportMail();
  std::string ScoreServer();

  // The main window's keys: FormKeyDown sees every key before the focused
  // input box does; FormKeyPress swallows the characters of Enter and Escape.
  void FormKeyDown(int key, unsigned shift);
  bool FormKeyPress(char c);
  void HideHint() override;

  // The game dialog (MainFormOwners.cpp): made after start-up when the archive
  // holds Dialog.txt and this process is the shell. ShowGameDialog shows page
  // `layout` (from 0) with `text` and returns 1 ok, 2 closed, 6 yes, 7 no,
  // -1 play again, or a score submission status; without a dialog it returns
  // 2 at once. CloseGameDialog closes a visible one.
  void CreateGameDialog();
  int ShowGameDialog(int layout, const std::string& text);
  void CloseGameDialog();
  // The last ShowGameDialog returned a score submission's status.
  bool GameDialogSent() const;
  TCoolDialog* GameDialog() const { return dialog_.get(); }
  // The options window (MainFormOwners.cpp): made at start-up, where its
  // switches' commands set the option flags; null in the viewer roles.
  TCoolOptions* OptionsWindow() const { return optionsWindow_.get(); }
  // Where "sendresults" takes the current player's score; unset: the players list.
  void SetPlayerScoreSource(std::function<std::int32_t()> source) { playerScore_ = std::move(source); }

  // A "state" trace line: screen, buttons and switches under the mouse, hint,
  // and what the screen parts show.
  void DumpState();

  // The game engine and the players list; null in the viewer roles.
  TMainGame* Game() { return game_.get(); }
  TUsers* Players() { return users_.get(); }

  // The screen parts, made at start-up; the text fields only when the script
  // has any. Null in the viewer roles.
  TTextMsg* TextFields() override;
  TPathInputBox* InputBoxes() override;
  // The popup lists; null when the script has none.
  TPopupsPart* Popups() const { return parts_.Popups(); }
  // The current screen's buttons and switches.
  TSkinControls& Controls() override { return controls_; }
  // The text of the current screen's first box ("setusername" sets it).
  void SetInputBoxText(const std::string& text);

  // Window events. The screen parts take the pointer and the keys first; the
  // rest goes to FormMouseMove, FormMouseDown and FormMouseUp.
  void OnMouseMove(Point p, unsigned shift) override;
  void OnMouseDown(MouseButton b, Point p, unsigned shift) override;
  void OnMouseUp(MouseButton b, Point p, unsigned shift) override;
  // The standard window's toolbar loses its hot button (ViewerStandardWindow.cpp).
  void OnMouseLeave() override;
  void OnMouseWheel(int delta, Point p, unsigned shift) override;
  void OnKeyDown(int key, unsigned shift) override;
  void OnChar(char c) override;
  void OnCloseRequest() override { FormClose(); }
  void OnRestore() override;
  void OnActivate(bool active) override;
  void OnDropFiles(const std::vector<std::string>& paths) override;

  void FormMouseMove(unsigned shift, int x, int y);
  void FormMouseDown(MouseButton button, unsigned shift, int x, int y);
  void FormMouseUp(MouseButton button, unsigned shift, int x, int y);

  // EffectOwner
  Bitmap ScreenUnder() override;
  // The parts of the current screen hide while the window fades.
  void OnWindowFadeStarted() override;
  void OnWindowFadeEnded() override;

 protected:
  void PaintSkin(Bitmap& target) override;

 private:
  bool StartShell(StartStop* stop);
  // The viewer roles (ViewerHelpRole.cpp, ViewerThesaurusRole.cpp) and the
  // standard window (ViewerStandardWindow.cpp).
  void StartHelpRole(const StartArguments& start);
  void StartThesaurusRole(const StartArguments& start);
  void ReadViewerArguments(const StartArguments& start, std::string_view roleSwitch);
  bool OpenViewerArchive();
  void ReleaseViewerArchive();
  void LeaveStandardWindow();
  void PaintStandardWindow(Bitmap& target);
  void StandardMouseMove(Point p);
  void StandardMouseDown(Point p);
  void StandardMouseUp(Point p);
  // The buttons, switches and parts of a skinned screen take the mouse.
  bool SkinnedScreen() const { return (role_ == Role::Shell || role_ == Role::Thesaurus) && !standardWindow_; }
  void MakeParts(bool screens);
  void FormDestroy();
  void StopMusicAtShutdown();
  // "*.ttf" beside the program, for this process only, until shutdown.
  void RegisterFonts();
  void RemoveFonts();
  void CloseForeignWindows(const std::string& captionUtf8);
  bool ApplyHeader(const TDynamicStringArray& lines, StartStop* stop);
  void LoadScreenControls(int screen);

  // Commands (MainFormCommands.cpp) and screens (MainFormScreens.cpp).
  void ScreenCommand(const std::string& command, int source, int index);
  void NextScreenCommand(int source, int index);
  void ContextMenuCommand(const std::string& command, int source);
  void BackgroundSoundCommand(int source);
  void OpenOutside(const std::string& url);
  void PlayButtonSoundFor(const char* word, bool prefixOnly);
  void CloseAfterSound();
  std::string SettingsValueName(const char* kind, int screen, int index) const;
  std::string InputBoxText() const;
  bool FavoritePopupOpen() const { return parts_.Popups() && parts_.Popups()->FavoriteOpen(); }
  bool RegisteredUsersPopupOpen() const { return parts_.Popups() && parts_.Popups()->RegisteredUsersOpen(); }
  void HidePopups();

  // Owners that come with their own windows and subsystems
  // (MainFormOwners.cpp): until then each only traces its call as
  // {"ev":"command-owner",...}.
  void PlayersSetCurrentName(const std::string& name);
  void PlayersReload();
  void GameTakeMoney();
  void GameValidateAnswer();
  void GameUseExtraMinute();
  void GameShowDialog(int layout, const std::string& text);
  void ScheduleGameStart();
  void MusicStart();
  void MusicStop(bool fade);
  // Makes the About box at the first call (the archive holds About.txt) and
  // shows it modally; it stays made, hidden, until the end.
  void ShowAboutBox();
  TAboutBox* AboutBox() const { return about_.get(); }
  void CloseAboutBox();
  void ShowOptions();
  void CreateOptionsWindow();
  // The option flags reach the game (when it is made, and after the options ran).
  void ApplyOptionsToGame();
  // A window of this program runs modally over this one: the main window
  // then acts as disabled.
  bool OwnedModal() const;
  void EnterStandardWindow();
  void ShowHelpViewer();
  TSystemCommands& SystemCommands();
  void RunInstalledGame(const std::string& command);
  void DeleteGame(const std::string& command);
  void InstallFonts();
  void OwnerCall(const char* owner, const char* call, const std::string& argument = {});

  // ScreenPartHost (MainFormParts.cpp)
  bool Fading() const override { return TSkinWindow::Fading(); }
  Window* ScreenWindow() const override { return SkinWindow(); }
  const Bitmap& ScreenBackground() const override { return SkinBackground(); }
  THints& ScreenHints() override { return Hints(); }
  bool ShowHints() const override { return options_.ShowHints; }
  void LeaveElements() override { FormMouseMove(0, -1, -1); }
  bool ElementControlAt(Point p) const override;
  void PlayTypingSound(const std::string& sound) override { RunCommand("playwavonly", sound, 0, 0, 0); }
  void PartChanged(const ScreenPart& what, const Rect& r) override;

  // GameScreen (MainFormGame.cpp)
  void InputBoxesChanged() override;
  Bitmap& Background() override { return SkinBackground(); }
  const TPictureLoader& Pictures() const override { return pictures_; }
  const Bitmap* Shown() override;
  EffectOwner& Effects() override { return *this; }
  void Repaint() override { FormPaint(); }
  int ShowDialog(int layout, const std::string& text, bool* sent) override;
  void CloseDialog() override { CloseGameDialog(); }

  DiscPaths disc_;
  ScriptPaths paths_;
  Role role_ = Role::Shell;
  bool secondaryRun_ = false;
  bool viewerSwitch_ = false;
  std::string viewerDocument_;  // sizes the standard window
  bool standardWindow_ = false;
  std::unique_ptr<TViewerToolbar> toolbar_;  // made at the first entry, kept
  std::optional<Polygon> savedRegion_;       // the skinned shape, while the standard window shows
  bool destroyed_ = false;
  bool shown_ = false;
  int exitButton_ = -1;
  std::string title_;
  std::string rootDir_;
  std::unique_ptr<InstanceLock> instanceLock_;

  std::unique_ptr<TPackedTree> tree_;
  std::unique_ptr<TReadBin> archive_;
  TPictureLoader pictures_;
  std::vector<std::uint8_t> scriptBuffer_;
  TScriptHeader header_;
  TElementModel elements_;
  int currentScreen_ = 0;
  TSkinControls controls_;
  std::optional<Bitmap> fadeBefore_;  // the screen before a screen change
  FontEngine* fonts_ = nullptr;       // the platform's; text of the fields
  std::vector<std::string> fontFiles_;  // registered at start-up, removed at shutdown
  TOptionFlags options_;  // the options window sets them
  bool busy_ = false;
  bool closing_ = false;  // Alt+F4 waits for the close button's sound
  TimerId closeTimer_ = 0;
  // Screens whose switches are being replayed now, outermost first: a replayed
  // command may not switch to one of them again, or a script could loop forever.
  std::vector<int> replaying_;

  std::unique_ptr<TBackgroundMusic> music_;  // before the parts: the clip player silences it
  std::unique_ptr<TCoolDialog> dialog_;  // after the archive it reads pictures from
  std::unique_ptr<TAboutBox> about_;     // likewise
  std::unique_ptr<TSystemCommands> system_;  // made at the first command that reaches outside
  std::function<std::int32_t()> playerScore_;
  TScreenParts parts_;

  std::unique_ptr<TUsers> users_;
  std::unique_ptr<TMainGame> game_;
  // Last: its commands reach the music, the clip player and the game.
  std::unique_ptr<TCoolOptions> optionsWindow_;
};

}  // namespace trv
