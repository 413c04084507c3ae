#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "store/ReadBin.h"
#include "windows/AboutScript.h"
#include "windows/SkinControls.h"
#include "windows/SkinWindow.h"

namespace trv {

// What the About box asks of the program around it.
struct AboutBoxHost {
  std::function<bool()> soundsOn;
  std::function<bool()> showHints;
  // Plays a sound named in About.txt (beside the program), without waiting.
  std::function<void(const std::string&)> playSound;
  // Opens a link's address (CP1251, as the script wrote it) with the desktop.
  std::function<void(const std::string&)> openLink;
};

// A text of About.txt that is a link: what it shows, what it opens, where it
// takes the mouse (the shown text's extent), its sound, and whether the hand
// pointer is up for it.
struct TAboutLink {
  Rect bounds;
  std::string display;
  std::string command;
  std::string sound;
  bool handPointer = false;
};

// The skinned About box. Its picture, outline, buttons and texts come from
// About.txt; the texts are painted into the background once. Any plain button
// closes it, a link opens its address, Escape and Enter close it. Made once,
// then hidden between showings.
class TAboutBox : public TSkinWindow {
 public:
  TAboutBox(Platform& platform, const TReadBin& archive, const ScriptPaths& paths, AboutBoxHost host);
  // The same from lines already split (tests).
  TAboutBox(Platform& platform, const TReadBin& archive, const TDynamicStringArray& lines, const ScriptPaths& paths,
            AboutBoxHost host);
  ~TAboutBox() override;

  // Shows the box modally; returns when it closes or the program ends.
  void ShowModal();
  // Closes a visible box (the end of the program).
  void CloseBox();

  const std::vector<RBtn>& Buttons() const { return script_.buttons; }
  const std::vector<TAboutLink>& Links() const { return links_; }
  int CornerPresses() const { return cornerPresses_; }
  Window* BoxWindow() const { return SkinWindow(); }
  const Bitmap& Canvas() const { return SkinBackground(); }

  // Window events.
  void OnMouseMove(Point p, unsigned shift) override;
  void OnMouseDown(MouseButton b, Point p, unsigned shift) override;
  void OnKeyDown(int key, unsigned shift) override;
  void OnCloseRequest() override;

 protected:
  void PaintSkin(Bitmap& target) override;

 private:
  void Build(const TDynamicStringArray& lines, const ScriptPaths& paths);
  void PaintTexts();
  void SetHand(TAboutLink& link, bool on);
  void ResetPointer();
  void Close();
  void PlaySound(const std::string& sound);
  void CornerPress(Point p);
  void TraceCreated();

  TPictureLoader pictures_;
  AboutBoxHost host_;
  TAboutScript script_;
  TSkinControls controls_;
  std::vector<TAboutLink> links_;
  int cornerPresses_ = 0;
  bool closed_ = true;
};

}  // namespace trv
