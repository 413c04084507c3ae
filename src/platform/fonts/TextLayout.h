#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/Geometry.h"

namespace trv {

// One line of laid-out text: the characters to draw (prefixes already taken
// out), where it starts relative to the layout rectangle, and the positions of
// characters that carry a mnemonic underline.
struct LaidOutLine {
  std::string text;
  int x = 0;  // from the rectangle's left edge
  int y = 0;  // from the rectangle's top edge
  int width = 0;
  std::vector<int> positions;  // left edge of each character, from x
  std::vector<std::size_t> mnemonics;
};

struct TextLayout {
  std::vector<LaidOutLine> lines;
  int width = 0;   // the widest line
  int height = 0;  // lines × line height
};

// Lays out CP1251 text the way the system's text drawing call does for the
// dt:: flags: "&" prefixes (unless NoPrefix), line breaks (unless SingleLine),
// greedy wrapping at spaces (WordBreak; a word wider than the box stays whole
// and is clipped), tabs to stops of eight average characters (ExpandTabs),
// horizontal alignment, vertical alignment of single lines, and "..." for
// lines that do not fit (EndEllipsis). `advance` gives a character's width.
TextLayout LayOutText(const std::string& text, unsigned flags, int boxWidth, int boxHeight, int lineHeight,
                      int averageCharWidth, const std::function<int(unsigned char)>& advance);

}  // namespace trv
