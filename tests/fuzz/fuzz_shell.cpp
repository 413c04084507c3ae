// The header pass and the element pass over arbitrary Struct.txt bytes, split
// into lines the way start-up splits them.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/Log.h"
#include "script/ElementPass.h"
#include "script/HeaderPass.h"
#include "script/ScriptLines.h"
#include "script/ScriptLists.h"
#include "script/ShellElements.h"

namespace {

// Folds every value read into one sum so that none of them is dead. Numbers
// go in as unsigned so that the sum itself cannot overflow.
struct Fold {
  std::size_t total = 0;
  void Add(std::int32_t v) { total += static_cast<std::uint32_t>(v); }
  void Add(std::uint32_t v) { total += v; }
  void Add(bool v) { total += v; }
  void Add(const std::string& s) { total += s.size() + (s.empty() ? 0 : static_cast<unsigned char>(s[0])); }
  template <class Texts>
    requires requires(const Texts& t) { t.begin()->size(); }
  void Add(const Texts& texts) {
    total += texts.size();
    for (const std::string& s : texts) Add(s);
  }
  template <class... T>
  void operator()(const T&... values) {
    (Add(values), ...);
  }
};

// A screen the model was allowed to hold.
bool ScreenOk(std::int32_t screen) { return screen >= 0 && screen < trv::kMaxScreens; }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  trv::SetLogFile("/dev/null");  // damaged blocks are logged; keep the disk out of it
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace trv;
  const ScriptPaths paths{"C:\\Games\\Quiz\\", "d:\\"};
  TDynamicStringArray lines;
  SplitLines(data, size, true, lines);

  Fold fold;
  try {
    const TScriptHeader h = ReadHeader(lines, paths);
    fold(h.title, h.codecs, h.rolic, h.helpWidth, h.helpHeight, h.helpFile, h.background, h.icon,
         h.bgSoundDefault, h.hasVertexMain);
    if (h.vertexMain.size() > kMaxVertices) __builtin_trap();
    for (const Point& p : h.vertexMain) fold(p.x, p.y);
  } catch (const ScriptError&) {
    // A malformed window shape is the one error start-up stops on.
  }

  TElementModel m;
  ReadElements(lines, paths, m);

  // The per-screen arrays never grow past the screen bound.
  const std::size_t maxScreens = std::size_t(kMaxScreens);
  if (m.Buttons.size() > maxScreens || m.SingleSwitches.size() > maxScreens ||
      m.GroupSwitches.size() > maxScreens || m.ScreenPictures.size() > maxScreens ||
      m.PopupData.size() > maxScreens)
    __builtin_trap();
  for (const auto& screen : m.Buttons)
    for (const RBtn& b : screen)
      fold(b.left, b.top, b.textLeft, b.textBottom, b.textFontName, b.textFontSize, b.textFontStyle,
           b.textFontColor, b.fn, b.name, b.command, b.hint, b.sound);
  for (const auto& screen : m.SingleSwitches)
    for (const RSwthOne& s : screen)
      fold(s.left, s.top, s.fn, s.store, s.goUp, s.goDown, s.hint, s.sound, s.on);
  for (const auto& screen : m.GroupSwitches)
    for (const RSwthGrp& s : screen)
      fold(s.left, s.top, s.fn, s.store, s.group, s.command, s.hint, s.sound, s.on);
  fold(m.ScreenPictures);
  for (const auto& screen : m.PopupData)
    for (const RPopupData& p : screen)
      fold(p.bgLeft, p.bgTop, p.bgPicture, p.itemLeft, p.itemTop, p.picturesUp, p.picturesMove,
           p.picturesDown, p.fontName, p.fontSize[kPopupUp], p.fontSize[kPopupMove], p.fontStyle,
           p.fontColor[kPopupUp], p.fontColor[kPopupMove], p.captions, p.commands, p.parent, p.kind, p.vertex);

  // Records of the flat lists carry only screens the model may hold.
  for (const RPathInput& r : m.inputBoxes) {
    if (!ScreenOk(r.screen)) __builtin_trap();
    fold(r.left, r.bottom, r.defaultText, r.hint, r.fontName, r.fontStyle, r.fontColor, r.bgColor, r.sound);
  }
  for (const RClip& r : m.clips) {
    if (!ScreenOk(r.screen)) __builtin_trap();
    fold(r.top, r.right, r.bgColor, r.html);
  }
  for (const RText& r : m.texts) {
    if (!ScreenOk(r.screen)) __builtin_trap();
    fold(r.left, r.fontName, r.fontSize, r.fontStyle, r.fontColor, r.highlightColor, r.text, r.number, r.ident,
         r.hint);
  }
  for (const RTreeData& r : m.trees) {
    if (!ScreenOk(r.screen)) __builtin_trap();
    fold(r.bottom, r.selectColor, r.listFile, r.number, r.backgroundImage, r.fontName, r.fontSize[kTreeUp],
         r.fontStyle, r.fontColor[kTreeNormal], r.sbArrowHotTrackColor, r.hintTextColor);
  }
  fold(m.hintColor, m.hintColorSet);

  volatile std::size_t sink = fold.total;
  (void)sink;
  return 0;
}
