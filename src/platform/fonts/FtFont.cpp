#include "platform/fonts/FtFont.h"

#include FT_SIZES_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/Log.h"
#include "platform/Text.h"
#include "platform/fonts/TextLayout.h"

namespace trv {
namespace {

constexpr int kMaxPixelsPerEm = 1000;  // bigger sizes in content are typing errors
constexpr int kDefaultPoints = 8;

// The Unicode character of each CP1251 byte; 0 for the unassigned one.
const std::array<char32_t, 256>& Cp1251Table() {
  static const std::array<char32_t, 256> table = [] {
    std::array<char32_t, 256> t{};
    for (int c = 0; c < 256; ++c) {
      bool ok = false;
      const std::string utf8 = Cp1251ToUtf8(std::string(1, char(c)), &ok);
      const std::u32string u = Utf8ToUtf32(utf8);
      t[c] = ok && u.size() == 1 ? u[0] : 0;
    }
    return t;
  }();
  return table;
}

int CeilDiv(long long a, long long b) { return int((a + b - 1) / b); }
int RoundDiv(long long a, long long b) { return int((a * 2 + b) / (b * 2)); }

}  // namespace

FtFont::FtFont(const FontSpec& wanted, std::shared_ptr<FtFace> face, const FontFileChoice& choice)
    : wanted_(wanted), face_(std::move(face)), synthBold_(choice.synthBold), synthItalic_(choice.synthItalic) {
  std::lock_guard<std::mutex> lock(face_->Mutex());
  if (FT_New_Size(face_->Get(), &size_) != 0) size_ = nullptr;
  ComputeMetrics();
}

FtFont::~FtFont() {
  std::lock_guard<std::mutex> lock(face_->Mutex());
  if (size_) FT_Done_Size(size_);
}

void FtFont::ComputeMetrics() {
  FT_Face face = face_->Get();
  const long long upem = std::max<int>(face->units_per_EM, 1);
  const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  long long winAscent = os2 ? os2->usWinAscent : 0;
  long long winDescent = os2 ? os2->usWinDescent : 0;
  if (winAscent + winDescent <= 0) {
    winAscent = std::max<long long>(face->ascender, 1);
    winDescent = std::max<long long>(-face->descender, 0);
  }

  long long ppem = 0;
  if (wanted_.heightPx > 0) {
    // A cell height: the em is what makes ascent + descent that tall.
    ppem = RoundDiv(wanted_.heightPx * upem, winAscent + winDescent);
  } else {
    const int points = wanted_.sizePt != 0 ? std::abs(wanted_.sizePt) : kDefaultPoints;
    ppem = RoundDiv(points * 96LL, 72);
  }
  if (ppem < 1 || ppem > kMaxPixelsPerEm) {
    Log("fonts", "font size of " + std::to_string(ppem) + " pixels for " + wanted_.name + " cut to the range 1.." +
                     std::to_string(kMaxPixelsPerEm));
    ppem = std::clamp<long long>(ppem, 1, kMaxPixelsPerEm);
  }
  ppem_ = int(ppem);
  if (size_) {
    FT_Activate_Size(size_);
    FT_Set_Pixel_Sizes(face, 0, FT_UInt(ppem_));
  }

  if (wanted_.heightPx > 0) {
    const int cell = std::min(wanted_.heightPx, 2 * kMaxPixelsPerEm);
    ascent_ = RoundDiv(cell * winAscent, winAscent + winDescent);
    descent_ = cell - ascent_;
  } else {
    ascent_ = CeilDiv(winAscent * ppem, upem);
    descent_ = CeilDiv(winDescent * ppem, upem);
  }

  const long long underlinePos = face->underline_position != 0 ? -face->underline_position : upem / 10;
  underlineOffset_ = std::max(1, RoundDiv(underlinePos * ppem, upem));
  underlineThickness_ = std::max(1, RoundDiv(std::max<long long>(face->underline_thickness, 1) * ppem, upem));
  const long long strikePos = os2 && os2->yStrikeoutPosition > 0 ? os2->yStrikeoutPosition : upem / 4;
  const long long strikeSize = os2 && os2->yStrikeoutSize > 0 ? os2->yStrikeoutSize : upem / 20;
  strikeOffset_ = RoundDiv(strikePos * ppem, upem);
  strikeThickness_ = std::max(1, RoundDiv(strikeSize * ppem, upem));
  averageWidth_ = os2 && os2->xAvgCharWidth > 0 ? std::max(1, RoundDiv(os2->xAvgCharWidth * ppem, upem))
                                                 : std::max(1, ppem_ / 2);
}

Glyph FtFont::Render(unsigned char c) const {
  Glyph glyph;
  const char32_t code = Cp1251Table()[c];
  if (code < 0x20 || !size_) return glyph;  // control characters take no room
  std::lock_guard<std::mutex> lock(face_->Mutex());
  FT_Face face = face_->Get();
  FT_Activate_Size(size_);
  const FT_UInt index = FT_Get_Char_Index(face, code);
  if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) != 0) return glyph;
  FT_GlyphSlot slot = face->glyph;
  if (synthItalic_) FT_GlyphSlot_Oblique(slot);
  if (synthBold_) FT_GlyphSlot_Embolden(slot);
  glyph.advance = int((slot->advance.x + 32) >> 6);
  if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return glyph;
  const FT_Bitmap& bitmap = slot->bitmap;
  if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY || bitmap.width == 0 || bitmap.rows == 0) return glyph;
  glyph.width = int(bitmap.width);
  glyph.height = int(bitmap.rows);
  glyph.left = slot->bitmap_left;
  glyph.top = slot->bitmap_top;
  glyph.coverage.resize(std::size_t(glyph.width) * std::size_t(glyph.height));
  const int pitch = bitmap.pitch;
  for (int y = 0; y < glyph.height; ++y) {
    const unsigned char* row = pitch >= 0 ? bitmap.buffer + std::ptrdiff_t(y) * pitch
                                          : bitmap.buffer + std::ptrdiff_t(glyph.height - 1 - y) * -pitch;
    std::copy(row, row + glyph.width, glyph.coverage.begin() + std::ptrdiff_t(y) * glyph.width);
  }
  return glyph;
}

const Glyph& FtFont::GlyphOf(unsigned char c) const {
  if (!glyphs_[c]) glyphs_[c] = std::make_unique<Glyph>(Render(c));
  return *glyphs_[c];
}

Size FtFont::TextExtent(const std::string& text) const {
  int width = 0;
  for (char c : text) width += GlyphOf(static_cast<unsigned char>(c)).advance;
  return {width, Height()};
}

void FtFont::DrawGlyph(Bitmap& target, const Rect& clip, int penX, int baseline, const Glyph& glyph,
                       Color color) const {
  const int x0 = penX + glyph.left;
  const int y0 = baseline - glyph.top;
  const Rect area = Rect::FromSize(x0, y0, glyph.width, glyph.height).Intersect(clip);
  if (area.Empty()) return;
  const int r = RedOf(color), g = GreenOf(color), b = BlueOf(color);
  for (int y = area.top; y < area.bottom; ++y) {
    const std::uint8_t* cov = glyph.coverage.data() + std::size_t(y - y0) * std::size_t(glyph.width);
    std::uint8_t* px = target.Row(y) + std::size_t(area.left) * 3;
    for (int x = area.left; x < area.right; ++x, px += 3) {
      const int a = cov[x - x0];
      if (a == 0) continue;
      // Both weights non-negative, so the rounding is the same either way.
      px[0] = std::uint8_t((px[0] * (255 - a) + b * a + 127) / 255);
      px[1] = std::uint8_t((px[1] * (255 - a) + g * a + 127) / 255);
      px[2] = std::uint8_t((px[2] * (255 - a) + r * a + 127) / 255);
    }
  }
}

int FtFont::DrawText(Bitmap& target, Rect& rect, const std::string& text, unsigned flags, Color color) const {
  const TextLayout layout =
      LayOutText(text, flags, rect.Width(), rect.Height(), Height(), averageWidth_,
                 [this](unsigned char c) { return GlyphOf(c).advance; });
  if (flags & dt::CalcRect) {
    rect.right = rect.left + layout.width;
    rect.bottom = rect.top + layout.height;
    return layout.height;
  }
  const Rect clip = (flags & dt::NoClip) ? target.Bounds() : rect.Intersect(target.Bounds());
  if (clip.Empty()) return layout.height;
  for (const LaidOutLine& line : layout.lines) {
    const int left = rect.left + line.x;
    const int baseline = rect.top + line.y + ascent_;
    for (std::size_t i = 0; i < line.text.size(); ++i)
      DrawGlyph(target, clip, left + line.positions[i], baseline, GlyphOf(static_cast<unsigned char>(line.text[i])),
                color);
    const Rect underline = Rect::FromSize(left, baseline + underlineOffset_, line.width, underlineThickness_);
    if (wanted_.style & kFontUnderline) target.Fill(underline.Intersect(clip), color);
    if (wanted_.style & kFontStrikeOut)
      target.Fill(Rect::FromSize(left, baseline - strikeOffset_, line.width, strikeThickness_).Intersect(clip), color);
    for (std::size_t m : line.mnemonics) {
      if (m >= line.text.size()) continue;
      const int from = line.positions[m];
      const int to = m + 1 < line.positions.size() ? line.positions[m + 1] : line.width;
      target.Fill(Rect::FromSize(left + from, underline.top, to - from, underlineThickness_).Intersect(clip), color);
    }
  }
  return layout.height;
}

}  // namespace trv
