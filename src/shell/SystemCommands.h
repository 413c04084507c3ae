#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "script/ExpandPath.h"

namespace trv {

// What the system commands ask of the main window.
struct SystemCommandsHost {
  // Busy with the hourglass on (the interpreter then drops every command), or off.
  std::function<void(bool)> setBusy;
  // Tells the player something in the game dialog's page `layout` (CP1251).
  std::function<void(int layout, const std::string&)> showMessage;
};

// The commands that reach outside the program: opening addresses and files
// with the desktop's handler, starting programs and installed games,
// uninstalling a game, installing the disc's fonts for the user, and the
// help file of F1. Every program starts with its arguments as a vector
// (never through a command shell), from its own folder as working folder; the
// process's own current folder never changes. Nothing here waits on the
// loop thread: the uninstaller is watched by a timer and fonts are copied
// beside the loop.
class TSystemCommands {
 public:
  TSystemCommands(Platform& platform, ScriptPaths paths, SystemCommandsHost host);
  ~TSystemCommands();
  TSystemCommands(const TSystemCommands&) = delete;
  TSystemCommands& operator=(const TSystemCommands&) = delete;

  // An address or a file for the desktop's handler. When it cannot be opened
  // the player is told, with the address put on the clipboard. False then.
  bool Open(const std::string& target);
  // run=FILE=PARAMS, and run=http://... (an address).
  void Run(const std::string& command);
  // rungame=FALLBACK=SUBKEY.
  void RunGame(const std::string& command);
  // delgame=SUBKEY.
  void DeleteGame(const std::string& command);
  // Copies the "*.ttf" files directly in `fontFolder` into the user's fonts.
  void InstallFonts(const std::string& fontFolder);
  // F1: brings an open help window forward, or opens `helpFile`.
  void Help(const std::string& helpFile);
  // Ends the help viewer this program started, when it still runs.
  void EndHelp();

  bool UninstallRunning() const { return uninstallPid_.has_value(); }

 private:
  // Starts `file` (an executable) with `parameters`, or hands any other file
  // to the desktop. False with a log line when there is nothing to start.
  bool StartFile(const std::string& file, const std::string& parameters, bool tellPlayer);
  void NotInstalled();
  void WatchUninstall();
  void UninstallEnded(int exitCode);

  Platform& platform_;
  ScriptPaths paths_;
  SystemCommandsHost host_;
  std::optional<int> helpPid_;
  std::optional<int> uninstallPid_;
  std::string uninstallSubkey_;
  std::string uninstallFolder_;
  TimerId uninstallTimer_ = 0;
  bool copyingFonts_ = false;
  // Cleared at destruction, so that a copy finishing late finds no window.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace trv
