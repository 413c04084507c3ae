#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "platform/Bitmap.h"
#include "windows/EffBtnCar.h"

namespace trv {

// The pictures of one button of the current screen and its transient state.
struct TBtnPics {
  std::array<Bitmap, 7> pictures;  // 1 normal, 2 hover, 3 pressed, 4 inactive; 5-7 for the game
  bool hover = false;
  bool pressed = false;
  bool active = true;
  std::unique_ptr<TEffBtnCar> animation;
};

// The four pictures of a switch: off, off under the mouse, on under the mouse, on.
struct TSwthPics {
  std::array<Bitmap, 4> pictures;
  std::unique_ptr<TEffBtnCar> animation;
};

using TDynamicBtnPicArray = std::vector<TBtnPics>;
using TDynamicSwthOnePicArray = std::vector<TSwthPics>;
using TDynamicSwthGrpPicArray = std::vector<TSwthPics>;

}  // namespace trv
