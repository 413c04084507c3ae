#pragma once

#include <array>
#include <memory>
#include <vector>

#include "platform/Graphics.h"
#include "platform/fonts/FontMatch.h"
#include "platform/fonts/FtFace.h"

namespace trv {

// A rendered character: coverage 0..255, placed relative to the pen on the
// baseline.
struct Glyph {
  int width = 0;
  int height = 0;
  int left = 0;  // from the pen to the first column
  int top = 0;   // from the baseline up to the first row
  int advance = 0;
  std::vector<std::uint8_t> coverage;
};

// Metrics the way the system computes them for a font: the em size from points
// at 96 DPI (or from a cell height), ascent and descent from the face's
// Windows metrics, advances hinted to whole pixels and no kerning. A font is
// used by one thread at a time.
class FtFont : public Font {
 public:
  FtFont(const FontSpec& wanted, std::shared_ptr<FtFace> face, const FontFileChoice& choice);
  ~FtFont() override;

  const FontSpec& Wanted() const override { return wanted_; }
  int Height() const override { return ascent_ + descent_; }
  Size TextExtent(const std::string& text) const override;
  int DrawText(Bitmap& target, Rect& rect, const std::string& text, unsigned flags, Color color) const override;

  int Ascent() const { return ascent_; }
  int PixelsPerEm() const { return ppem_; }
  const Glyph& GlyphOf(unsigned char c) const;

 private:
  void ComputeMetrics();
  Glyph Render(unsigned char c) const;
  void DrawGlyph(Bitmap& target, const Rect& clip, int penX, int baseline, const Glyph& glyph, Color color) const;

  FontSpec wanted_;
  std::shared_ptr<FtFace> face_;
  FT_Size size_ = nullptr;
  bool synthBold_ = false;
  bool synthItalic_ = false;
  int ppem_ = 0;
  int ascent_ = 0;
  int descent_ = 0;
  int averageWidth_ = 0;
  int underlineOffset_ = 1;  // below the baseline
  int underlineThickness_ = 1;
  int strikeOffset_ = 0;     // above the baseline
  int strikeThickness_ = 1;
  mutable std::array<std::unique_ptr<Glyph>, 256> glyphs_;
};

}  // namespace trv
