#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Bitmap.h"
#include "platform/Graphics.h"
#include "platform/Trace.h"
#include "script/ShellElements.h"

namespace trv {

// Where the text fields draw outside the window's paint event: the window's
// picture, the current screen's composed background, and the window to show
// a changed part of it. Tests hand in plain bitmaps.
struct TextFieldSurface {
  std::function<int()> currentScreen;
  // nullptr: nothing can be drawn now (no window, or its fade owns it).
  std::function<Bitmap*()> canvas;
  std::function<const Bitmap*()> background;
  // The part of the canvas that changed; may be empty.
  std::function<void(const Rect&)> changed;
};

// A hint zone over a field: it exists for every field with a hint, whatever
// its screen, and never moves.
struct TextHintZone {
  Rect rect;
  std::string hint;  // CP1251, never empty
};

// What the hint rule of the text fields decided for a point.
struct TextHint {
  std::string text;
  int x = 0;  // anchor in window coordinates
  int y = 0;
};

// The text fields of the main window: texts from the script that the game
// changes while it runs, drawn straight over the screen's background.
class TTextMsg {
 public:
  // The fields whose hints are ever shown, in the order the rule tries them.
  static constexpr std::int32_t kHintNumbers[] = {562, 563, 556, 559, 558, 561, 564, 555, 557, 560};

  struct Field {
    // Both looks share one face and differ by colour. It is made at its first
    // use, so that faces registered after start-up made the fields are found.
    FontSpec request;
    mutable std::unique_ptr<Font> font;
    mutable bool fontTried = false;
    Color color = 0;
    Color highlightColor = 0;
    bool highlighted = false;
    Rect rect;
    std::string text;  // CP1251
    std::int32_t screen = 0;
    std::int32_t number = 0;
    std::optional<TextHintZone> zone;
  };

  // `fonts` may be null: fields then keep their texts but draw nothing.
  TTextMsg(FontEngine* fonts, const TDynamicTextArray& texts, TextFieldSurface surface, Trace* trace = nullptr);
  ~TTextMsg();

  // Paints field `index` (or all with -1) of `screen` onto `canvas`, without
  // background; FormPaint's call.
  void PaintTexts(Bitmap& canvas, int screen, int index = -1) const;
  // The same onto the surface's canvas for its current screen, shown at once.
  void PaintTexts(int index = -1);

  // Changes the first field numbered `number`. See the .cpp for the erase and
  // repaint rules.
  void SetText(const std::string& text, std::int32_t number, bool eraseFirst, bool repaintIfChanged);
  std::string GetText(std::int32_t number) const;
  // Leaves *rect unchanged and gives false when no field has the number.
  bool TextRect(std::int32_t number, Rect* rect) const;
  const Font* TextFont(std::int32_t number) const;  // the normal font; nullptr when none
  Color TextColor(std::int32_t number) const;       // the colour the field draws with now
  void SetHighlight(std::int32_t number, bool on);
  bool Highlighted(std::int32_t number) const;
  const TextHintZone* HintZone(std::int32_t number) const;

  // True when a hint zone lies under the window point (the zone's own area,
  // edges included on the left and top, as a control's).
  bool ZoneAt(Point p) const;
  // The hint rule for a mouse move over a zone at window point `p`: the hint
  // to show, or nothing when no field of the fixed list holds the point.
  std::optional<TextHint> HintAt(Point p) const;

  const std::vector<Field>& Fields() const { return fields_; }
  // [{"number":..,"screen":..(from 1),"text":..,"highlighted":..}, ...] for the state trace.
  std::string StateJson() const;
  // Index of the first field numbered `number`, or -1.
  int IndexOf(std::int32_t number) const;

 private:
  void PaintField(Bitmap& canvas, const Field& f) const;
  const Font* FontOf(const Field& f) const;
  void RestoreBackground(const Rect& r);

  FontEngine* fonts_;
  std::vector<Field> fields_;
  TextFieldSurface surface_;
  Trace* trace_;
};

}  // namespace trv
