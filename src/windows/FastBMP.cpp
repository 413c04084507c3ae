#include "windows/FastBMP.h"

namespace trv {

void TFastBMP::SetSize(int width, int height) {
  if (width == Width() && height == Height()) return;
  bits_.Resize(width, height, MakeColor(0, 0, 0));
}

}  // namespace trv
