#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/Bitmap.h"
#include "platform/Graphics.h"

// The game-table clips: a round table of fourteen sectors with a spinning top
// in the middle whose pointer comes to rest on one sector.
//
// The game starts a clip at a random frame K in 0..100 after showing the
// still table with the pointer at position Order[S] - round(K * 14 / 25.1),
// so up to frame 100 the pointer turns at exactly one turn per 25.1 frames
// and stands on the final position at frame 0; from there it slows down and
// stops on the final position. Positions run counter-clockwise from the top
// (position 1 straight up), so the spin and the game's walk from a played
// sector to position - 1 both go clockwise.
namespace trv::disc {

constexpr int kTableSectors = 14;
constexpr double kFramesPerTurn = 25.1;  // while the game may still start the clip
constexpr int kSteadyFrames = 100;       // the game's latest start frame

// Order[s]: the position (1..14) of sector s (1..14); 0 when s is out of range.
int PositionOfSector(int sector);
// The sector at position p (1..14); 0 when p is out of range.
int SectorAtPosition(int position);
// Centre of position p in turns clockwise from straight up, in [0, 1).
double PositionAngle(int position);
// The position whose sector contains `turns` (any real angle, clockwise from up).
int PositionAtAngle(double turns);

// How the spin runs. Until kSteadyFrames the top turns `speed` whole turns
// plus 1/25.1 turn per frame (a faster spin looks the same on whole frames to
// the game, the motion blur shows it); then it slows down, its speed falling
// as (1 - u)^slowdown over the frames to the stop, and rests from
// `stopFrame` on. The whole number of turns that lands it on its position
// fixes the exact slowdown.
struct SpinPlan {
  int frames = 251;       // the game counts on 251
  int stopFrame = 246;
  int speed = 1;          // whole turns per frame added to the game's 1/25.1
  double slowdown = 3;    // 1 slows down evenly, higher values brake hard first and creep at the end
  double shutter = 0.9;   // motion blur: how much of a frame the shutter stays open
};
// Empty when the plan can be run, else what is wrong with it.
std::string CheckSpinPlan(const SpinPlan& plan);
// Whole turns from frame 0 to the stop.
int SpinTurns(const SpinPlan& plan);
// Pointer angle in turns clockwise from up (not wrapped) at a frame, which may
// be fractional or outside the clip (the spin extends at its ends).
double PointerAngle(const SpinPlan& plan, int sector, double frame);

struct TableLook {
  int width = 308;
  int height = 232;
  Color backgroundInner = MakeColor(0x24, 0x1c, 0x4a);
  Color backgroundOuter = MakeColor(0x07, 0x06, 0x12);
  Color rim = MakeColor(0xd8, 0xa4, 0x40);
  Color sectorOdd = MakeColor(0xa8, 0x1c, 0x2c);   // odd positions
  Color sectorEven = MakeColor(0x1c, 0x3a, 0x8c);  // even positions
  Color felt = MakeColor(0x1c, 0x5e, 0x3e);
  Color numbers = MakeColor(0xff, 0xf0, 0xc8);
  Color wood = MakeColor(0xb4, 0x6c, 0x34);
  Color paintA = MakeColor(0xc8, 0x20, 0x2c);
  Color paintB = MakeColor(0xf4, 0xe6, 0xc8);
  Color pointer = MakeColor(0xec, 0xf0, 0xf6);
  std::string numberFont = "Arial";  // CP1251 family name
  int numberSize = 12;               // points
};

// Renders frames of the table. Building it draws everything that does not
// move (once, with the fonts); the frame calls are const and may run on
// several threads at once.
class TableRenderer {
 public:
  // Null with *error set when the size is unusable or the number font is missing.
  static std::unique_ptr<TableRenderer> Create(const TableLook& look, FontEngine* fonts, std::string* error);
  ~TableRenderer();

  // The table alone, without the top.
  Bitmap EmptyTable() const;
  // The top blurred over pointer angles [from, to] (turns; equal for a sharp picture).
  Bitmap Frame(double fromTurns, double toTurns) const;
  // Frame `frame` of the clip that stops at `sector`.
  Bitmap ClipFrame(const SpinPlan& plan, int sector, int frame) const;
  // The table with the top at rest on `sector`: the clip's last frame.
  Bitmap Still(int sector) const;

  // Geometry, in pixels of the frame.
  double CentreX() const;
  double CentreY() const;
  double BodyRadius() const;     // the top's round body
  double PointerLength() const;  // from the centre to the arrow's tip
  double SectorInner() const;    // the sector ring
  double SectorOuter() const;

 private:
  struct Impl;
  explicit TableRenderer(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace trv::disc
