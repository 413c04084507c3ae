#pragma once

#include <memory>
#include <string>

#include "platform/Bitmap.h"
#include "platform/Geometry.h"

namespace trv {

enum FontStyleBits : unsigned {
  kFontBold = 1,
  kFontItalic = 2,
  kFontUnderline = 4,
  kFontStrikeOut = 8,
};

struct FontSpec {
  std::string name = "Arial";  // Windows family name; resolved to a metric-compatible face
  int sizePt = 10;             // points at 96 DPI
  unsigned style = 0;          // FontStyleBits
  int heightPx = 0;            // above 0: the cell height in pixels, in place of sizePt
  friend bool operator==(const FontSpec&, const FontSpec&) = default;
};

// Text layout flags, with the values of the system's text drawing call.
namespace dt {
constexpr unsigned Left = 0x0, Center = 0x1, Right = 0x2, VCenter = 0x4, Bottom = 0x8,
                   WordBreak = 0x10, SingleLine = 0x20, ExpandTabs = 0x40, NoClip = 0x100,
                   CalcRect = 0x400, NoPrefix = 0x800, EndEllipsis = 0x8000;
}

// A rasterised face. Text is CP1251; "&" marks a mnemonic unless NoPrefix.
class Font {
 public:
  virtual ~Font() = default;
  virtual const FontSpec& Wanted() const = 0;
  virtual int Height() const = 0;  // line height in pixels
  virtual Size TextExtent(const std::string& text) const = 0;
  // Draws into `target` inside `rect`; with dt::CalcRect it only measures and
  // returns the rectangle the text needs. Returns the height of the text.
  virtual int DrawText(Bitmap& target, Rect& rect, const std::string& text, unsigned flags,
                       Color color) const = 0;
};

class FontEngine {
 public:
  virtual ~FontEngine() = default;
  virtual std::unique_ptr<Font> CreateFont(const FontSpec& wanted) = 0;
  // Font files registered for this process only.
  virtual bool AddFontFile(const std::string& windowsPath) = 0;
  virtual bool RemoveFontFile(const std::string& windowsPath) = 0;
};

}  // namespace trv
