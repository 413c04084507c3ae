#include "windows/TextMessages.h"

#include <algorithm>

#include "platform/Json.h"
#include "platform/Text.h"
#include "script/ScriptValues.h"

namespace trv {
namespace {

// The score and the question's value stand centred in their boxes.
bool Centred(std::int32_t number) { return number == 558 || number == 559; }

// Script coordinates far off any window are held to a range whose sizes
// cannot overflow.
constexpr std::int32_t kCoordLimit = 32767;
int Coord(std::int32_t v) { return std::clamp(v, -kCoordLimit, kCoordLimit); }

}  // namespace

TTextMsg::TTextMsg(FontEngine* fonts, const TDynamicTextArray& texts, TextFieldSurface surface, Trace* trace)
    : fonts_(fonts), surface_(std::move(surface)), trace_(trace) {
  fields_.reserve(texts.size());
  for (const RText& r : texts) {
    Field f;
    f.rect = {Coord(r.left), Coord(r.top), Coord(r.right), Coord(r.bottom)};
    if (!r.hint.empty()) f.zone = TextHintZone{f.rect, r.hint};
    f.request = FontSpec{r.fontName, r.fontSize, ParseFontStyle(r.fontStyle), 0};
    f.color = r.fontColor;
    f.highlightColor = r.highlightColor;  // black when the script gives none
    f.text = r.text;
    f.screen = r.screen;
    f.number = r.number;
    fields_.push_back(std::move(f));
  }
}

TTextMsg::~TTextMsg() = default;

int TTextMsg::IndexOf(std::int32_t number) const {
  for (std::size_t i = 0; i < fields_.size(); ++i)
    if (fields_[i].number == number) return int(i);
  return -1;
}

const Font* TTextMsg::FontOf(const Field& f) const {
  if (!f.fontTried) {
    f.fontTried = true;
    if (fonts_) f.font = fonts_->CreateFont(f.request);
  }
  return f.font.get();
}

void TTextMsg::PaintField(Bitmap& canvas, const Field& f) const {
  const Font* font = FontOf(f);
  if (!font || f.text.empty()) return;
  // Top-aligned, line breaks kept, "&" marks a mnemonic, clipped to the box;
  // nothing fills the background.
  Rect r = f.rect;
  font->DrawText(canvas, r, f.text, Centred(f.number) ? dt::Center : dt::Left,
                   f.highlighted ? f.highlightColor : f.color);
}

void TTextMsg::PaintTexts(Bitmap& canvas, int screen, int index) const {
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    if (index != -1 && int(i) != index) continue;
    if (fields_[i].screen == screen) PaintField(canvas, fields_[i]);
  }
}

void TTextMsg::PaintTexts(int index) {
  Bitmap* canvas = surface_.canvas ? surface_.canvas() : nullptr;
  if (!canvas) return;
  const int screen = surface_.currentScreen ? surface_.currentScreen() : 0;
  PaintTexts(*canvas, screen, index);
  if (!surface_.changed) return;
  if (index == -1) {
    surface_.changed(canvas->Bounds());
  } else if (index >= 0 && std::size_t(index) < fields_.size() && fields_[std::size_t(index)].screen == screen) {
    surface_.changed(fields_[std::size_t(index)].rect);
  }
}

void TTextMsg::RestoreBackground(const Rect& r) {
  Bitmap* canvas = surface_.canvas ? surface_.canvas() : nullptr;
  const Bitmap* background = surface_.background ? surface_.background() : nullptr;
  if (!canvas || !background) return;
  // Each pixel from the same place of the picture; the parts of the field
  // that the picture does not cover stay as they are.
  const Rect from = r.Intersect(background->Bounds());
  if (from.Empty()) return;
  canvas->Blit(from.left, from.top, *background, from);
  if (surface_.changed) surface_.changed(from);
}

void TTextMsg::SetText(const std::string& text, std::int32_t number, bool eraseFirst, bool repaintIfChanged) {
  const int i = IndexOf(number);
  if (i < 0) return;
  Field& f = fields_[std::size_t(i)];
  // The copies happen whatever the field's screen; only the painting is
  // limited to the current screen (PaintTexts).
  if (eraseFirst) RestoreBackground(f.rect);
  if (f.text != text) {
    f.text = text;
    if (trace_) trace_->Emit("field").Int("number", number).Text("text", text);
    // The second copy combines the picture with the canvas's brush; with the
    // clear brush the fields leave behind, that is the picture again, so the
    // new text ends up over the field's background.
    if (repaintIfChanged) RestoreBackground(f.rect);
    PaintTexts(i);
  } else if (eraseFirst) {
    PaintTexts(i);
  }
}

std::string TTextMsg::GetText(std::int32_t number) const {
  const int i = IndexOf(number);
  return i < 0 ? std::string() : fields_[std::size_t(i)].text;
}

bool TTextMsg::TextRect(std::int32_t number, Rect* rect) const {
  const int i = IndexOf(number);
  if (i < 0) return false;
  if (rect) *rect = fields_[std::size_t(i)].rect;
  return true;
}

const Font* TTextMsg::TextFont(std::int32_t number) const {
  const int i = IndexOf(number);
  return i < 0 ? nullptr : FontOf(fields_[std::size_t(i)]);
}

Color TTextMsg::TextColor(std::int32_t number) const {
  const int i = IndexOf(number);
  if (i < 0) return 0;
  const Field& f = fields_[std::size_t(i)];
  return f.highlighted ? f.highlightColor : f.color;
}

void TTextMsg::SetHighlight(std::int32_t number, bool on) {
  if (number < 0) return;
  const int i = IndexOf(number);
  if (i < 0) return;
  fields_[std::size_t(i)].highlighted = on;
  PaintTexts(i);
}

bool TTextMsg::Highlighted(std::int32_t number) const {
  const int i = IndexOf(number);
  return i >= 0 && fields_[std::size_t(i)].highlighted;
}

const TextHintZone* TTextMsg::HintZone(std::int32_t number) const {
  if (number < 0) return nullptr;
  const int i = IndexOf(number);
  if (i < 0 || !fields_[std::size_t(i)].zone) return nullptr;
  return &*fields_[std::size_t(i)].zone;
}

bool TTextMsg::ZoneAt(Point p) const {
  for (const Field& f : fields_)
    if (f.zone && f.zone->rect.Contains(p)) return true;
  return false;
}

std::optional<TextHint> TTextMsg::HintAt(Point p) const {
  // Every number of the list is tried; a later one that also holds the point
  // overrides an earlier one.
  std::optional<TextHint> hint;
  for (std::int32_t number : kHintNumbers) {
    const TextHintZone* zone = HintZone(number);
    if (!zone) continue;
    if (!fields_[std::size_t(IndexOf(number))].rect.StrictlyContains(p)) continue;
    hint = TextHint{zone->hint, p.x, fields_[std::size_t(IndexOf(number))].rect.bottom};
  }
  return hint;
}

std::string TTextMsg::StateJson() const {
  std::string out = "[";
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    const Field& f = fields_[i];
    if (i) out += ",";
    out += "{\"number\":" + std::to_string(f.number) + ",\"screen\":" + std::to_string(std::int64_t(f.screen) + 1) +
           ",\"text\":" + JsonQuote(Cp1251ToUtf8(f.text)) + ",\"highlighted\":" + (f.highlighted ? "true" : "false") +
           "}";
  }
  return out + "]";
}

}  // namespace trv
