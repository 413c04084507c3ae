#include "platform/fonts/TextLayout.h"

#include <algorithm>

#include "platform/Graphics.h"

namespace trv {
namespace {

struct RawLine {
  std::string text;
  std::vector<std::size_t> mnemonics;
};

// Takes the "&" prefixes out: "&&" is one "&", "&x" underlines x, a lone "&"
// at the end shows nothing.
RawLine StripPrefixes(const std::string& text, bool noPrefix) {
  RawLine out;
  out.text.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (noPrefix || c != '&') {
      out.text.push_back(c);
      continue;
    }
    if (i + 1 >= text.size()) break;
    ++i;
    if (text[i] != '&') out.mnemonics.push_back(out.text.size());
    out.text.push_back(text[i]);
  }
  return out;
}

// Splits at CR LF, LF or CR; single-line text loses its line break characters.
std::vector<RawLine> SplitAtBreaks(const RawLine& all, bool singleLine) {
  std::vector<RawLine> lines(1);
  std::size_t m = 0;
  for (std::size_t i = 0; i < all.text.size(); ++i) {
    const char c = all.text[i];
    const bool marked = m < all.mnemonics.size() && all.mnemonics[m] == i;
    if (marked) ++m;
    if (c == '\r' || c == '\n') {
      if (singleLine) continue;
      if (c == '\r' && i + 1 < all.text.size() && all.text[i + 1] == '\n') {
        ++i;
        if (m < all.mnemonics.size() && all.mnemonics[m] == i) ++m;
      }
      lines.emplace_back();
      continue;
    }
    if (marked) lines.back().mnemonics.push_back(lines.back().text.size());
    lines.back().text.push_back(c);
  }
  return lines;
}

class Measurer {
 public:
  Measurer(const std::function<int(unsigned char)>& advance, bool expandTabs, int tabWidth)
      : advance_(advance), expandTabs_(expandTabs), tabWidth_(std::max(1, tabWidth)) {}

  // The width of `text` starting at pen position 0.
  int Width(const std::string& text) const { return WidthFrom(0, text, 0, text.size()); }

  int WidthFrom(int pen, const std::string& text, std::size_t from, std::size_t to) const {
    for (std::size_t i = from; i < to; ++i) pen = Advance(pen, static_cast<unsigned char>(text[i]));
    return pen;
  }

  int Advance(int pen, unsigned char c) const {
    if (c == '\t') return expandTabs_ ? (pen / tabWidth_ + 1) * tabWidth_ : pen;
    return pen + advance_(c);
  }

 private:
  const std::function<int(unsigned char)>& advance_;
  bool expandTabs_;
  int tabWidth_;
};

// Greedy wrapping at spaces. Spaces at a break are dropped.
void WrapLine(const RawLine& line, int boxWidth, const Measurer& measure, std::vector<RawLine>* out) {
  const std::string& s = line.text;
  std::size_t start = 0;
  auto emit = [&](std::size_t from, std::size_t to) {
    RawLine piece;
    piece.text = s.substr(from, to - from);
    for (std::size_t m : line.mnemonics)
      if (m >= from && m < to) piece.mnemonics.push_back(m - from);
    out->push_back(std::move(piece));
  };
  if (s.empty()) {
    out->push_back(line);
    return;
  }
  while (start < s.size()) {
    std::size_t end = start;      // one past the last character that fits
    std::size_t lastBreak = std::string::npos;  // the last space seen
    int pen = 0;
    while (end < s.size()) {
      const int next = measure.Advance(pen, static_cast<unsigned char>(s[end]));
      if (s[end] == ' ') lastBreak = end;
      if (next > boxWidth && s[end] != ' ' && end > start) break;
      pen = next;
      ++end;
    }
    if (end >= s.size()) {
      emit(start, s.size());
      return;
    }
    std::size_t cut = lastBreak != std::string::npos && lastBreak > start ? lastBreak : std::string::npos;
    if (cut == std::string::npos) {
      // A word wider than the box: it stays whole, up to the next space.
      cut = end;
      while (cut < s.size() && s[cut] != ' ') ++cut;
    }
    std::size_t trimmed = cut;
    while (trimmed > start && s[trimmed - 1] == ' ') --trimmed;
    emit(start, trimmed);
    start = cut;
    while (start < s.size() && s[start] == ' ') ++start;
  }
}

// Cuts a line that is wider than the box and ends it with "...".
void AddEllipsis(RawLine* line, int boxWidth, const Measurer& measure) {
  if (measure.Width(line->text) <= boxWidth) return;
  const int dots = measure.Width("...");
  std::size_t keep = line->text.size();
  while (keep > 0 && measure.WidthFrom(0, line->text, 0, keep) + dots > boxWidth) --keep;
  line->text.resize(keep);
  line->text += "...";
  std::erase_if(line->mnemonics, [&](std::size_t m) { return m >= keep; });
}

}  // namespace

TextLayout LayOutText(const std::string& text, unsigned flags, int boxWidth, int boxHeight, int lineHeight,
                      int averageCharWidth, const std::function<int(unsigned char)>& advance) {
  const bool singleLine = (flags & dt::SingleLine) != 0;
  const Measurer measure(advance, (flags & dt::ExpandTabs) != 0, 8 * averageCharWidth);

  std::vector<RawLine> lines = SplitAtBreaks(StripPrefixes(text, (flags & dt::NoPrefix) != 0), singleLine);
  if ((flags & dt::WordBreak) && !singleLine) {
    std::vector<RawLine> wrapped;
    for (const RawLine& line : lines) WrapLine(line, boxWidth, measure, &wrapped);
    lines = std::move(wrapped);
  }
  if (flags & dt::EndEllipsis)
    for (RawLine& line : lines) AddEllipsis(&line, boxWidth, measure);

  TextLayout layout;
  if (text.empty()) return layout;
  layout.height = int(lines.size()) * lineHeight;
  int y = 0;
  if (singleLine && (flags & dt::Bottom))
    y = boxHeight - lineHeight;
  else if (singleLine && (flags & dt::VCenter))
    y = (boxHeight - lineHeight) / 2;
  for (RawLine& raw : lines) {
    LaidOutLine line;
    int pen = 0;
    line.positions.reserve(raw.text.size());
    for (char c : raw.text) {
      line.positions.push_back(pen);
      pen = measure.Advance(pen, static_cast<unsigned char>(c));
    }
    line.width = pen;
    if (flags & dt::Right)
      line.x = boxWidth - line.width;
    else if (flags & dt::Center)
      line.x = (boxWidth - line.width) / 2;
    line.y = y;
    y += lineHeight;
    line.text = std::move(raw.text);
    line.mnemonics = std::move(raw.mnemonics);
    layout.width = std::max(layout.width, line.width);
    layout.lines.push_back(std::move(line));
  }
  return layout;
}

}  // namespace trv
