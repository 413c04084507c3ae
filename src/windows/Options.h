#pragma once

#include <functional>
#include <string>

#include "platform/Platform.h"
#include "store/ReadBin.h"
#include "windows/OptionCommands.h"
#include "windows/OptionsScript.h"
#include "windows/SkinControls.h"
#include "windows/SkinPictures.h"
#include "windows/SkinWindow.h"

namespace trv {

// What the options window asks of the program around it.
struct CoolOptionsHost {
  TOptionFlags* flags = nullptr;  // the program's option flags; must outlive the window
  OptionMusic music;
  // The option commands ran: the program hands the new flags on (the game).
  std::function<void()> applied;
  std::function<Rect()> mainBounds;  // the main window, screen coordinates
  std::string settingsKey;           // where the switches' states are kept
};

// The options window: a borderless always-on-top window whose background,
// buttons and switches come from Options.txt. Made once at start-up, where
// its switches' commands run from their stored states; Execute shows it
// modally. "done" applies the switches' commands and stores their states;
// "close", Escape and Enter close it without applying anything.
class TCoolOptions : public TSkinWindow {
 public:
  // Reads Options.txt from the archive, the stored states, and runs the
  // switches' commands (FormCreate); the window stays hidden.
  TCoolOptions(Platform& platform, const TReadBin& archive, const ScriptPaths& paths, CoolOptionsHost host);
  // The same from lines already split, or with no Options.txt at all (tests).
  TCoolOptions(Platform& platform, const TReadBin& archive, const TDynamicStringArray* lines,
               const ScriptPaths& paths, CoolOptionsHost host);
  ~TCoolOptions() override;

  // Shows the window modally until it closes. Shows nothing, with a log
  // line, without Options.txt or its background picture.
  void Execute();
  // Closes a shown window without applying anything (the program ends).
  void CloseOptions();

  const TOptionsScript& Script() const { return script_; }
  Window* OptionsWindow() const { return SkinWindow(); }

  // Window events.
  void OnMouseMove(Point p, unsigned shift) override;
  void OnMouseDown(MouseButton b, Point p, unsigned shift) override;
  void OnMouseUp(MouseButton b, Point p, unsigned shift) override;
  void OnKeyDown(int key, unsigned shift) override;
  void OnCloseRequest() override { CloseOptions(); }

 protected:
  void PaintSkin(Bitmap& target) override;
  bool ReadyToPaint() const override { return built_; }

 private:
  void Init(const TDynamicStringArray* lines);
  bool Build();
  void Show();
  void ElementAction(const std::string& command, const std::string& sound);
  void Close();
  void Release();
  void ApplySwitches(const char* when);

  TPictureLoader pictures_;
  ScriptPaths paths_;
  CoolOptionsHost host_;
  TOptionsScript script_;
  TSkinControls controls_;
  bool built_ = false;
  bool closed_ = true;
  bool done_ = false;
};

}  // namespace trv
