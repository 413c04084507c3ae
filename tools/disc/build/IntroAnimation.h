#pragma once

#include <memory>
#include <string>

#include "platform/Bitmap.h"
#include "platform/Graphics.h"

// The title clip of the clip screen: the game's name zooms out of a burst of
// light rays and sparks, settles with a flash, a line draws itself under it
// and the subtitle rises in.
namespace trv::disc {

struct IntroLook {
  int width = 320;
  int height = 240;
  int frames = 225;
  int framesPerSecond = 25;
  std::string title;     // CP1251
  std::string subtitle;  // CP1251
  std::string titleFont = "Times New Roman";
  int titleSize = 36;  // points; made smaller when the title would not fit
  std::string subtitleFont = "Arial";
  int subtitleSize = 12;
  Color backgroundInner = MakeColor(0x2a, 0x1c, 0x5c);
  Color backgroundOuter = MakeColor(0x05, 0x04, 0x10);
  Color titleTop = MakeColor(0xff, 0xf6, 0xd8);
  Color titleMiddle = MakeColor(0xf2, 0xb8, 0x3c);
  Color titleBottom = MakeColor(0xa8, 0x52, 0x12);
  Color glow = MakeColor(0xff, 0xa8, 0x40);
  Color rays = MakeColor(0xff, 0xd8, 0x90);
  Color subtitleColour = MakeColor(0xe4, 0xee, 0xff);
  int sparks = 90;
  // Seconds.
  double titleFrom = 0.4, titleTo = 3.0;
  double subtitleFrom = 3.8, subtitleTo = 5.2;
  double fadeOut = 0.6;
};

class IntroRenderer {
 public:
  // Null with *error set when the look is unusable or a font is missing.
  static std::unique_ptr<IntroRenderer> Create(const IntroLook& look, FontEngine* fonts, std::string* error);
  ~IntroRenderer();
  // Const and safe to call from several threads.
  Bitmap Frame(int frame) const;

 private:
  struct Impl;
  explicit IntroRenderer(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace trv::disc
