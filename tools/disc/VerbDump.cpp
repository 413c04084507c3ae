// dump: reads Struct.txt of a disc as the shell's start-up does and prints the
// header and the element model as JSON.
#include <algorithm>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "disc/DiscError.h"
#include "disc/DiscFiles.h"
#include "disc/VerbArgs.h"
#include "disc/Verbs.h"
#include "platform/Graphics.h"
#include "platform/Json.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "script/ElementPass.h"
#include "script/HeaderPass.h"
#include "script/ScriptLines.h"
#include "script/ScriptLists.h"
#include "store/ReadBin.h"

namespace trv::disc {
namespace {

namespace fs = std::filesystem;

std::string Quote(const std::string& cp1251) { return JsonQuote(Cp1251ToUtf8(cp1251)); }

// A JSON object on one line, fields in the order they are added.
class Obj {
 public:
  Obj& Raw(std::string_view name, const std::string& json) {
    if (!body_.empty()) body_ += ", ";
    body_ += JsonQuote(name) + ": " + json;
    return *this;
  }
  Obj& Int(std::string_view name, long long v) { return Raw(name, std::to_string(v)); }
  Obj& Bool(std::string_view name, bool v) { return Raw(name, v ? "true" : "false"); }
  Obj& Text(std::string_view name, const std::string& cp1251) { return Raw(name, Quote(cp1251)); }
  std::string Str() const { return "{" + body_ + "}"; }

 private:
  std::string body_;
};

template <class T, class F>
std::string InlineArray(const T& items, F toJson) {
  std::string s = "[";
  for (const auto& item : items) {
    if (s.size() > 1) s += ", ";
    s += toJson(item);
  }
  return s + "]";
}

std::string Texts(const auto& items) { return InlineArray(items, Quote); }
std::string Ints(const auto& items) {
  return InlineArray(items, [](auto v) { return std::to_string(v); });
}

std::string Style(unsigned bits) {
  TDynamicStringArray names;
  if (bits & kFontBold) names.push_back("bold");
  if (bits & kFontItalic) names.push_back("italic");
  if (bits & kFontUnderline) names.push_back("underline");
  if (bits & kFontStrikeOut) names.push_back("strikeout");
  return Texts(names);
}

// One item per line, indented under `indent`.
std::string Lines(const std::vector<std::string>& items, const std::string& indent) {
  if (items.empty()) return "[]";
  std::string s = "[\n";
  for (std::size_t i = 0; i < items.size(); ++i)
    s += indent + "  " + items[i] + (i + 1 < items.size() ? ",\n" : "\n");
  return s + indent + "]";
}

template <class R, class F>
std::string Records(const std::vector<R>& records, const std::string& indent, F toJson) {
  std::vector<std::string> items;
  for (const R& r : records) items.push_back(toJson(r).Str());
  return Lines(items, indent);
}

Obj Edges(const auto& r) {
  Obj o;
  o.Int("left", r.left).Int("top", r.top).Int("right", r.right).Int("bottom", r.bottom);
  return o;
}

void Pictures(Obj& o, const auto& fn) {
  for (std::size_t i = 0; i < fn.size(); ++i) o.Text("fn" + std::to_string(i + 1), fn[i]);
}

Obj Button(const RBtn& b) {
  Obj o = Edges(b);
  Pictures(o, b.fn);
  o.Text("name", b.name).Text("command", b.command).Text("hint", b.hint).Text("sound", b.sound);
  o.Int("textLeft", b.textLeft).Int("textTop", b.textTop).Int("textRight", b.textRight);
  o.Int("textBottom", b.textBottom).Text("textFontName", b.textFontName).Int("textFontSize", b.textFontSize);
  o.Raw("textFontStyle", Style(b.textFontStyle)).Int("textFontColor", b.textFontColor);
  return o;
}

// The on/off field is shown under its key, "state".
Obj SingleSwitch(const RSwthOne& s) {
  Obj o = Edges(s);
  Pictures(o, s.fn);
  o.Bool("state", s.on).Bool("store", s.store).Text("goUp", s.goUp).Text("goDown", s.goDown);
  o.Text("hint", s.hint).Text("sound", s.sound);
  return o;
}

Obj GroupSwitch(const RSwthGrp& s) {
  Obj o = Edges(s);
  Pictures(o, s.fn);
  o.Bool("state", s.on).Bool("store", s.store).Int("group", s.group).Text("command", s.command);
  o.Text("hint", s.hint).Text("sound", s.sound);
  return o;
}

Obj Popup(const RPopupData& p) {
  Obj o;
  o.Int("bgLeft", p.bgLeft).Int("bgTop", p.bgTop).Text("bgPicture", p.bgPicture);
  o.Int("itemLeft", p.itemLeft).Int("itemTop", p.itemTop);
  o.Raw("picturesUp", Texts(p.picturesUp)).Raw("picturesMove", Texts(p.picturesMove));
  o.Raw("picturesDown", Texts(p.picturesDown));
  // Font pairs: up, then under the mouse.
  o.Raw("fontName", Texts(p.fontName)).Raw("fontSize", Ints(p.fontSize));
  o.Raw("fontStyle", Texts(p.fontStyle)).Raw("fontColor", Ints(p.fontColor));
  o.Raw("captions", Texts(p.captions)).Raw("commands", Texts(p.commands));
  o.Text("parent", p.parent).Int("kind", p.kind).Raw("vertex", Texts(p.vertex));
  return o;
}

Obj InputBox(const RPathInput& b) {
  Obj o = Edges(b);
  o.Int("screen", b.screen).Text("defaultText", b.defaultText).Text("hint", b.hint);
  o.Text("fontName", b.fontName).Raw("fontStyle", Style(b.fontStyle)).Int("fontColor", b.fontColor);
  o.Int("bgColor", b.bgColor).Text("sound", b.sound);
  return o;
}

Obj Clip(const RClip& c) {
  Obj o = Edges(c);
  o.Int("screen", c.screen).Int("bgColor", c.bgColor).Int("html", c.html);
  return o;
}

Obj TextField(const RText& t) {
  Obj o = Edges(t);
  o.Int("screen", t.screen).Text("fontName", t.fontName).Int("fontSize", t.fontSize);
  o.Text("fontStyle", t.fontStyle).Int("fontColor", t.fontColor).Int("highlightColor", t.highlightColor);
  o.Text("text", t.text).Int("number", t.number).Text("ident", t.ident).Text("hint", t.hint);
  return o;
}

Obj Tree(const RTreeData& t) {
  Obj o = Edges(t);
  o.Int("screen", t.screen).Int("selectColor", t.selectColor).Int("selectTextColor", t.selectTextColor);
  o.Text("listFile", t.listFile).Int("number", t.number).Text("backgroundImage", t.backgroundImage);
  // Font triples: under the mouse, up, normal.
  o.Raw("fontName", Texts(t.fontName)).Raw("fontSize", Ints(t.fontSize));
  o.Raw("fontStyle", Texts(t.fontStyle)).Raw("fontColor", Ints(t.fontColor));
  o.Int("sbColor", t.sbColor).Int("sbBarColor", t.sbBarColor).Int("sbArrowColor", t.sbArrowColor);
  o.Int("sbArrowHotTrackColor", t.sbArrowHotTrackColor).Int("sbHintColor", t.sbHintColor);
  o.Int("sbBarHintTextColor", t.sbBarHintTextColor).Int("hintColor", t.hintColor);
  o.Int("hintTextColor", t.hintTextColor);
  return o;
}

std::string Header(const TScriptHeader& h) {
  std::string shape = "null";
  if (h.hasVertexMain) shape = InlineArray(h.vertexMain, [](const Point& p) {
    return "[" + std::to_string(p.x) + ", " + std::to_string(p.y) + "]";
  });
  const std::vector<std::pair<std::string, std::string>> fields = {
      {"title", Quote(h.title)},
      {"codecs", Quote(h.codecs)},
      {"rolic", Quote(h.rolic)},
      {"helpWidth", std::to_string(h.helpWidth)},
      {"helpHeight", std::to_string(h.helpHeight)},
      {"helpFile", Quote(h.helpFile)},
      {"background", Quote(h.background)},
      {"icon", Quote(h.icon)},
      {"bgSoundDefault", Texts(h.bgSoundDefault)},
      {"vertexMain", shape},
  };
  std::string s = "{\n";
  for (std::size_t i = 0; i < fields.size(); ++i)
    s += "    " + JsonQuote(fields[i].first) + ": " + fields[i].second + (i + 1 < fields.size() ? ",\n" : "\n");
  return s + "  }";
}

template <class V>
const V& At(const std::vector<V>& perScreen, std::size_t screen) {
  static const V empty{};
  return screen < perScreen.size() ? perScreen[screen] : empty;
}

std::string Screens(const TElementModel& m) {
  const std::size_t count = std::max({m.Buttons.size(), m.SingleSwitches.size(), m.GroupSwitches.size(),
                                      m.ScreenPictures.size(), m.PopupData.size()});
  std::vector<std::string> screens;
  const std::string in = "      ";
  for (std::size_t s = 0; s < count; ++s) {
    screens.push_back("{\n" + in + "\"index\": " + std::to_string(s) + ",\n" + in +
                      "\"picture\": " + Quote(At(m.ScreenPictures, s)) + ",\n" + in +
                      "\"buttons\": " + Records(At(m.Buttons, s), in, Button) + ",\n" + in +
                      "\"singleSwitches\": " + Records(At(m.SingleSwitches, s), in, SingleSwitch) + ",\n" + in +
                      "\"groupSwitches\": " + Records(At(m.GroupSwitches, s), in, GroupSwitch) + ",\n" + in +
                      "\"popups\": " + Records(At(m.PopupData, s), in, Popup) + "\n    }");
  }
  return Lines(screens, "  ");
}

}  // namespace

int VerbDump(const std::vector<std::string>& args, ToolIo& io) {
  const VerbArgs a = ParseVerbArgs(args, 1, {}, {"--program-dir", "--cd-root"});
  const fs::path archivePath = FindDiscArchive(ArgPath(a.positional[0]));

  const DiscPaths disc = ComputeDiscPaths(archivePath.parent_path().empty() ? fs::path(".") : archivePath.parent_path());
  ScriptPaths paths{disc.programDir, disc.cdRoot};
  if (a.Has("--program-dir")) paths.programDir = ArgToCp1251(a.Value("--program-dir"));
  if (a.Has("--cd-root")) paths.cdRoot = ArgToCp1251(a.Value("--cd-root"));

  TReadBin archive;
  const TDynamicStringArray lines = ReadArchiveStructLines(archive, archivePath);

  TScriptHeader header;
  try {
    header = ReadHeader(lines, paths);
  } catch (const ScriptError& e) {
    throw DiscError(std::string("Struct.txt: ") + e.what());
  }
  TElementModel model;
  ReadElements(lines, paths, model);

  const std::string hintColor = model.hintColorSet ? std::to_string(model.hintColor) : "null";
  io.out << "{\n"
         << "  \"header\": " << Header(header) << ",\n"
         << "  \"screens\": " << Screens(model) << ",\n"
         << "  \"inputBoxes\": " << Records(model.inputBoxes, "  ", InputBox) << ",\n"
         << "  \"clips\": " << Records(model.clips, "  ", Clip) << ",\n"
         << "  \"texts\": " << Records(model.texts, "  ", TextField) << ",\n"
         << "  \"trees\": " << Records(model.trees, "  ", Tree) << ",\n"
         << "  \"hintColor\": " << hintColor << "\n"
         << "}\n";
  return 0;
}

}  // namespace trv::disc
