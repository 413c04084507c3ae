// Struct.txt: the header values and the element blocks, read with the
// program's header and element passes, and walked once more with the same
// rules to learn the line of every value.
#include <algorithm>
#include <map>
#include <type_traits>
#include <variant>

#include "disc/lint/KeyWalk.h"
#include "disc/lint/LintParts.h"
#include "platform/Bmp.h"
#include "platform/Text.h"
#include "script/ElementPass.h"
#include "script/HeaderPass.h"
#include "script/ScriptLists.h"
#include "script/ScriptValues.h"
#include "script/ShellElements.h"
#include "script/ShellSchema.h"

namespace trv::disc::lint {
namespace {

const std::string kFile = "Struct.txt";

using Kind = ShellBlock;

// A line that starts a block or holds a one-line kind other than the hint
// colour (a tree's own "hintcolor=" line begins like that one).
const ShellKind* KindOf(const TDynamicStringArray& lines, std::size_t index) {
  const ShellKind* kind = FindKind(ShellKinds(), ScriptText{lines, lines}, index);
  return kind && kind->id != Kind::kHintColor ? kind : nullptr;
}

bool StartsBlock(const TDynamicStringArray& lines, std::size_t index) {
  return FindKind(ShellKinds(), ScriptText{lines, lines}, index) != nullptr;
}

struct Block {
  const ShellKind* info;
  std::int64_t screen;  // memory screen
  bool screenOk;
  BlockValues values;
  std::int32_t popupKind = 0;  // as the element pass maps "type"
};

struct ScreenLine {
  std::size_t line;
  std::int64_t screen;
  std::string picture;
};

struct ShellWalk {
  std::vector<Block> blocks;
  std::vector<ScreenLine> screens;
};

// The element pass once more, keeping the line of every value.
ShellWalk WalkElements(const TDynamicStringArray& lines, const ScriptPaths& paths) {
  ShellWalk walk;
  const ScriptText text{lines, lines};
  std::size_t index = 0;
  while (index < lines.size()) {
    const ShellKind* info = FindKind(ShellKinds(), text, index);
    if (!info || info->id == Kind::kHintColor) {
      ++index;
      continue;
    }
    const std::string& line = lines[index];
    const std::int64_t screen = std::int64_t(ReadInt(line, 1)) - 1;
    if (const KeyInfo* value = std::get_if<KeyInfo>(&info->keys)) {
      std::size_t at = index;
      walk.screens.push_back({index, screen, ReadKey(text, at, *value, KeyPos(line, value->key), paths).text});
      ++index;
      continue;
    }
    Block b{info, screen, screen >= 0 && screen < kMaxScreens, {}};
    b.values = WalkKind(*info, text, index, paths, [&b](const auto& record) {
      if constexpr (std::is_same_v<std::remove_cvref_t<decltype(record)>, RPopupData>) b.popupKind = record.kind;
    });
    walk.blocks.push_back(std::move(b));
  }
  return walk;
}

// True when the walk saw what the element pass put into the model; the lint
// reports by the walk's lines, so the two must agree.
bool SameAsModel(const ShellWalk& walk, const TElementModel& m) {
  std::map<std::pair<int, std::int64_t>, std::size_t> seen;  // (kind, screen) -> records so far
  std::size_t boxes = 0, trees = 0;
  auto fn = [](const BlockValues& v, int k) { return v.Value("fn" + std::to_string(k)); };
  for (const Block& b : walk.blocks) {
    if (!b.screenOk) continue;
    const auto s = std::size_t(b.screen);
    const BlockValues& v = b.values;
    std::size_t& k = seen[{int(b.info->id), b.screen}];
    switch (b.info->id) {
      case Kind::kButton: {
        if (s >= m.Buttons.size() || k >= m.Buttons[s].size()) return false;
        const RBtn& r = m.Buttons[s][k];
        for (int i = 1; i <= 7; ++i)
          if (r.fn[std::size_t(i - 1)] != fn(v, i)) return false;
        if (r.command != v.Value("go=") || r.sound != v.Value("wav")) return false;
        break;
      }
      case Kind::kSwitchOne: {
        if (s >= m.SingleSwitches.size() || k >= m.SingleSwitches[s].size()) return false;
        const RSwthOne& r = m.SingleSwitches[s][k];
        for (int i = 1; i <= 4; ++i)
          if (r.fn[std::size_t(i - 1)] != fn(v, i)) return false;
        if (r.goUp != v.Value("goup") || r.goDown != v.Value("godown") || r.sound != v.Value("wav")) return false;
        break;
      }
      case Kind::kSwitchGroup: {
        if (s >= m.GroupSwitches.size() || k >= m.GroupSwitches[s].size()) return false;
        const RSwthGrp& r = m.GroupSwitches[s][k];
        for (int i = 1; i <= 4; ++i)
          if (r.fn[std::size_t(i - 1)] != fn(v, i)) return false;
        if (r.command != v.Value("go") || r.sound != v.Value("wav")) return false;
        break;
      }
      case Kind::kPopup: {
        if (s >= m.PopupData.size() || k >= m.PopupData[s].size()) return false;
        const RPopupData& r = m.PopupData[s][k];
        auto list = [&](std::string_view key) {
          const KeyValue* kv = v.Find(key);
          return kv ? kv->list : TDynamicStringArray{};
        };
        if (r.bgPicture != v.Value("fnfon") || r.picturesUp != list("fnbtnup") || r.picturesMove != list("fnbtnmove") ||
            r.picturesDown != list("fnbtndown") || r.captions != list("caption") || r.commands != list("go") ||
            r.kind != b.popupKind)
          return false;
        break;
      }
      case Kind::kPath:
        if (boxes >= m.inputBoxes.size() || m.inputBoxes[boxes++].sound != v.Value("wav")) return false;
        break;
      case Kind::kTree: {
        if (trees >= m.trees.size()) return false;
        const RTreeData& r = m.trees[trees++];
        if (r.backgroundImage != v.Value("backgroundimage")) return false;
        break;
      }
      default:
        break;
    }
    ++k;
  }
  for (const auto& [key, count] : seen) {
    const auto s = std::size_t(key.second);
    const auto kind = Kind(key.first);
    const std::size_t modelCount = kind == Kind::kButton        ? m.Buttons[s].size()
                                   : kind == Kind::kSwitchOne   ? m.SingleSwitches[s].size()
                                   : kind == Kind::kSwitchGroup ? m.GroupSwitches[s].size()
                                   : kind == Kind::kPopup       ? m.PopupData[s].size()
                                                                : count;
    if (modelCount != count) return false;
  }
  if (boxes != m.inputBoxes.size() || trees != m.trees.size()) return false;
  TDynamicStringArray pictures;
  for (const ScreenLine& sl : walk.screens) {
    if (sl.screen < 0 || sl.screen >= kMaxScreens) continue;
    if (pictures.size() <= std::size_t(sl.screen)) pictures.resize(std::size_t(sl.screen) + 1);
    pictures[std::size_t(sl.screen)] = sl.picture;
  }
  return pictures == m.ScreenPictures;
}

int Line(std::size_t index) { return int(index) + 1; }

// The file part of a popup item picture: the popup reads its items by it.
std::string FilePart(const std::string& path) {
  const std::size_t slash = path.rfind('\\');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

class ShellLint {
 public:
  ShellLint(LintContext& ctx, const TDynamicStringArray& lines) : ctx_(ctx), lines_(lines) {}

  void Run() {
    Header();
    TElementModel model;
    ReadElements(lines_, ctx_.Paths(), model);
    ShellFacts& facts = ctx_.Shell();
    facts.read = true;
    facts.screenPictures = model.ScreenPictures;
    facts.popupKinds.resize(model.PopupData.size());
    for (std::size_t s = 0; s < model.PopupData.size(); ++s)
      for (const RPopupData& p : model.PopupData[s]) facts.popupKinds[s].push_back(p.kind);
    for (const RTreeData& t : model.trees) facts.treeNumbers.push_back(t.number);

    const ShellWalk walk = WalkElements(lines_, ctx_.Paths());
    if (!SameAsModel(walk, model))
      ctx_.Warning(kFile, 0, "the checker read the element blocks differently from the program; some lines may be off");
    Screens(walk);
    for (const Block& b : walk.blocks) Element(b);
    // A tree on a screen that is never shown can still be brought up by
    // "settree" from a screen that has a tree.
    const auto& selected = ctx_.Shell().selectedTrees;
    for (const HiddenTree& t : hiddenTrees_)
      if (std::find(selected.begin(), selected.end(), t.number) == selected.end())
        ctx_.Error(kFile, t.line,
                   "_tree block is on screen " + std::to_string(t.screen + 1) +
                       ", which has no _screen picture, and no settree command asks for its number " +
                       std::to_string(t.number) + ": it is never shown");
  }

 private:
  // The header pass, mirrored: each key on every line, in the pass's order;
  // the readers that go on over later lines move the cursor as they do.
  void Header() {
    TScriptHeader header;
    bool headerRead = true;
    try {
      header = ReadHeader(lines_, ctx_.Paths());
    } catch (const ScriptError&) {
      headerRead = false;  // reported below at the shape's own line
    }
    if (headerRead && header.title.empty())
      ctx_.Warning(kFile, 0, "no \"title\": the window has no caption and the settings have no key of their own");

    struct IconLine {
      std::size_t line;
      std::string name;
      bool genuine;
    };
    std::vector<IconLine> icons;
    std::optional<std::size_t> musicLine;
    bool musicSound = false;
    TDynamicStringArray music;
    ListPlace musicPlace;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
      if (KeyPos(lines_[i], "helpwin")) {
        for (std::string_view key : {"vw", "vh", "fn"})
          for (std::size_t j = i; j < lines_.size(); ++j)
            if (KeyPos(lines_[j], key)) {
              i = j;
              break;
            }
      }
      if (int pos = KeyPos(lines_[i], "background")) {
        // "background" inside "backgroundimage" is read too, but the shell
        // does nothing with the value: only the key itself names a picture.
        if (lines_[i].compare(std::size_t(pos - 1), 11, "background=") == 0)
          ctx_.CheckPicture(kFile, Line(i), "the header's background", ReadText(lines_[i], pos + 11));
      }
      if (int pos = KeyPos(lines_[i], "icon"))
        icons.push_back({i, ReadText(lines_[i], pos + 5), lines_[i].compare(std::size_t(pos - 1), 5, "icon=") == 0});
      if (KeyPos(lines_[i], "bgsounddef")) {
        musicLine = i;
        music.clear();
        musicPlace = ReadPlacedList(lines_, i, music, ctx_.Paths());
        musicSound = ctx_.CheckList(kFile, lines_, "bgsounddef", KeyPos(lines_[*musicLine], "bgsounddef"), musicPlace);
      }
      if (KeyPos(lines_[i], "vertexmain")) {
        const std::size_t start = i;
        std::size_t probe = i;
        try {
          ReadVertexList(lines_, probe, ctx_.Paths());
        } catch (const ScriptError& e) {
          ctx_.Error(kFile, Line(start),
                     std::string("the window shape cannot be read (the shell does not start): ") + e.what());
        }
        TDynamicStringArray items;
        ctx_.CheckList(kFile, lines_, "vertexmain", KeyPos(lines_[start], "vertexmain"),
                       ReadPlacedList(lines_, i, items, ctx_.Paths()));
      }
    }

    if (headerRead && (header.icon != (icons.empty() ? std::string() : icons.back().name) ||
                       header.bgSoundDefault != music))
      ctx_.Warning(kFile, 0, "the checker read the header differently from the program; some lines may be off");

    if (!icons.empty()) {
      const IconLine& last = icons.back();
      if (!last.genuine) {
        std::string earlier;
        for (const IconLine& icon : icons)
          if (icon.genuine) earlier = " (it replaces the icon of line " + std::to_string(Line(icon.line)) + ")";
        ctx_.Warning(kFile, Line(last.line),
                     "the header pass finds \"icon\" inside this line and takes " + Q(last.name) +
                         " as the application icon" + earlier);
      }
      if (!last.name.empty()) ctx_.CheckPicture(kFile, Line(last.line), "the application icon", last.name);
    }

    // The items of a broken list are other lines of the script.
    if (musicLine && musicSound) {
      for (std::size_t k = 0; k < music.size(); ++k) {
        const int line = Line(musicPlace.itemLines[k]);
        if (Trim(music[k]).empty())
          ctx_.Error(kFile, line,
                     "the background-music list has an empty item (a line that ends with \";\" adds one); the music "
                     "stops when it comes to it");
        else
          ctx_.CheckDiskFile(kFile, line, "the background-music song", music[k]);
      }
    }
  }

  void Screens(const ShellWalk& walk) {
    std::map<std::int64_t, std::size_t> first;
    for (const ScreenLine& s : walk.screens) {
      const std::string what = "screen " + std::to_string(s.screen + 1);
      if (s.screen < 0 || s.screen >= kMaxScreens) {
        ctx_.Error(kFile, Line(s.line),
                   "_screen line names " + what + "; screens run from 1 to " + std::to_string(kMaxScreens) +
                       ", the line is skipped");
        continue;
      }
      if (auto [it, fresh] = first.emplace(s.screen, s.line); !fresh)
        ctx_.Warning(kFile, Line(s.line),
                     what + " has a picture on line " + std::to_string(Line(it->second)) + " too; this later line wins");
      ctx_.CheckPicture(kFile, Line(s.line), "the background of " + what, s.picture);
    }
    const TDynamicStringArray& pictures = ctx_.Shell().screenPictures;
    if (pictures.empty() || Trim(pictures[0]).empty())
      ctx_.Error(kFile, 0, "no _screen line gives screen 1 a picture; the shell starts on an empty screen");
  }

  void Element(const Block& b) {
    const BlockValues& v = b.values;
    const int first = Line(v.firstLine);
    const std::string word(b.info->word);
    const std::string block = word + " block of line " + std::to_string(first);
    if (!b.screenOk) {
      ctx_.Error(kFile, first,
                 word + " block names screen " + std::to_string(b.screen + 1) + "; screens run from 1 to " +
                     std::to_string(kMaxScreens) + ", the element pass drops it");
    } else {
      const TDynamicStringArray& pictures = ctx_.Shell().screenPictures;
      const auto s = std::size_t(b.screen);
      if (s >= pictures.size() || Trim(pictures[s]).empty()) {
        if (b.info->id == Kind::kTree) {
          const KeyValue* number = v.Find("number");
          hiddenTrees_.push_back({first, b.screen, number ? number->number : 0});
        } else {
          ctx_.Error(kFile, first,
                     word + " block is on screen " + std::to_string(b.screen + 1) + ", which has no _screen picture");
        }
      }
    }
    if (!v.missing.empty())
      ctx_.Error(kFile, first,
                 word + " block has no \"" + std::string(v.missing) +
                     "\" before the end of the script; the element pass stops here");
    Swallowed(b, word);
    for (const KeyValue& kv : v.ignored)
      ctx_.Warning(kFile, Line(kv.line),
                   "\"" + std::string(kv.key) + "\" stands on the line of the block's last key, where the element pass "
                   "does not read it");

    const std::optional<std::int32_t> screen =
        b.screenOk ? std::optional<std::int32_t>(std::int32_t(b.screen)) : std::nullopt;
    auto at = [&](const KeyValue& kv) { return Line(kv.line); };
    auto pictures = [&](int count, std::string_view what) {
      for (int i = 1; i <= count; ++i)
        if (const KeyValue* kv = v.Find("fn" + std::to_string(i)))
          ctx_.CheckPicture(kFile, at(*kv), std::string(what) + " fn" + std::to_string(i), kv->value);
    };
    auto command = [&](std::string_view key, std::string_view what) {
      if (const KeyValue* kv = v.Find(key))
        ctx_.CheckShellCommand(kFile, at(*kv), std::string(what) + " command", kv->value, screen);
    };
    auto sound = [&](std::string_view what) {
      if (const KeyValue* kv = v.Find("wav")) ctx_.CheckSound(kFile, at(*kv), std::string(what), kv->value);
    };

    switch (b.info->id) {
      case Kind::kButton:
        pictures(4, "button");
        for (int i = 5; i <= 7; ++i)
          if (const KeyValue* kv = v.Find("fn" + std::to_string(i)); kv && !kv->value.empty())
            ctx_.CheckPicture(kFile, at(*kv), "button fn" + std::to_string(i), kv->value);
        command("go=", "button");
        sound("button");
        break;
      case Kind::kSwitchOne:
        pictures(4, "switch");
        command("goup", "switch's goup");
        command("godown", "switch's godown");
        sound("switch");
        break;
      case Kind::kSwitchGroup:
        pictures(4, "switch");
        command("go", "switch");
        sound("switch");
        break;
      case Kind::kPath:
        sound("input box typing");
        break;
      case Kind::kPopup:
        Popup(b, screen);
        break;
      case Kind::kTree:
        if (const KeyValue* kv = v.Find("backgroundimage"); kv && !kv->value.empty()) TreePicture(*kv);
        break;
      default:
        break;
    }
  }

  // A required key that a block lacks is taken from a later line, and the
  // blocks on the lines passed over are never read.
  void Swallowed(const Block& b, const std::string& word) {
    std::size_t from = b.values.firstLine;
    for (const std::string_view wanted : RequiredKeysOf(*b.info)) {
      const KeyValue* kv = b.values.Find(wanted);
      if (!kv) return;
      for (std::size_t l = from + 1; l <= kv->line && l < lines_.size(); ++l) {
        // A tree's own "hintcolor=" line begins like the hint colour line of
        // the script, but holds the very key the tree waits for.
        if (l == kv->line && wanted == "hintcolor" && !KindOf(lines_, l)) continue;
        if (StartsBlock(lines_, l)) {
          ctx_.Error(kFile, Line(b.values.firstLine),
                     word + " block has no \"" + std::string(wanted) + "\" before line " + std::to_string(Line(l)) +
                         ", where another block starts; the element pass takes it from line " +
                         std::to_string(Line(kv->line)) + " and reads no block in between");
          return;
        }
      }
      from = kv->line;
    }
  }

  void Popup(const Block& b, std::optional<std::int32_t> screen) {
    const BlockValues& v = b.values;
    if (const KeyValue* kv = v.Find("fnfon")) ctx_.CheckPicture(kFile, Line(kv->line), "popup fnfon", kv->value);
    for (std::string_view key : {"fnbtnup", "fnbtnmove", "fnbtndown", "caption", "go", "vertex"})
      if (const KeyValue* kv = v.Find(key)) ctx_.CheckList(kFile, lines_, key, kv->pos, kv->listPlace);

    const KeyValue* go = v.Find("go");
    const KeyValue* captions = v.Find("caption");
    const std::size_t items = go ? go->list.size() : 0;
    for (std::string_view key : {"fnbtnup", "fnbtnmove", "fnbtndown"}) {
      const KeyValue* kv = v.Find(key);
      if (!kv) continue;
      if (kv->list.empty() && items > 0)
        ctx_.Error(kFile, Line(kv->line), "popup has " + std::to_string(items) + " items but no \"" + std::string(key) + "\" picture");
      for (std::size_t i = 0; i < kv->list.size(); ++i) {
        const int line = Line(kv->listPlace.itemLines[i]);
        if (Trim(kv->list[i]).empty())
          ctx_.Warning(kFile, line, "popup \"" + std::string(key) + "\" list has an empty item (a line that ends with \";\" adds one)");
        else
          ItemPicture(line, key, kv->list[i]);
      }
    }
    if (go && captions && captions->list.size() != go->list.size())
      ctx_.Warning(kFile, Line(captions->line),
                   "popup has " + std::to_string(captions->list.size()) + " captions for " +
                       std::to_string(go->list.size()) + " commands");
    const std::int32_t kind = b.popupKind;
    // The history lists get eight hidden items of their own; their go lists are never used.
    if (go && kind != kPopupHistoryBack && kind != kPopupHistoryForward) {
      for (std::size_t i = 0; i < go->list.size(); ++i) {
        const std::string& c = go->list[i];
        const int line = Line(go->listPlace.itemLines[i]);
        if (Trim(c).empty()) {
          ctx_.Error(kFile, line, "popup item " + std::to_string(i + 1) +
                                      " has no command (a line that ends with \";\" adds an empty item)");
          continue;
        }
        // The popup handles these itself, before the command interpreter.
        const std::string_view verb = std::string_view(c).substr(0, c.find('='));
        if (c == "no" || verb == "setusername" || verb == "history" || verb == "html" || verb == "htmlpos") continue;
        ctx_.CheckShellCommand(kFile, line, "popup item command", c, screen);
      }
    }
    if (const KeyValue* kv = v.Find("vertex"); kv && kv->listPlace.closed) {
      std::size_t probe = kv->line;
      try {
        ReadVertexList(lines_, probe, ctx_.Paths());
      } catch (const ScriptError& e) {
        ctx_.Error(kFile, Line(kv->line), std::string("popup shape cannot be read: ") + e.what());
      }
    }
  }

  // Items are read by the file part of their (expanded) name alone.
  void ItemPicture(int line, std::string_view key, const std::string& item) {
    const std::string& dir = ctx_.Paths().programDir;
    std::string written = item;
    if (item.size() > dir.size() && EqualsNoCase1251(item.substr(0, dir.size()), dir)) written = item.substr(dir.size());
    const std::string name = FilePart(item);
    ctx_.CheckPicture(kFile, line, "popup item " + std::string(key), written, written == name ? std::string() : name);
  }

  void TreePicture(const KeyValue& kv) {
    std::string source;
    auto bytes = ctx_.ReadTreeOrDisc(kv.value, &source);
    if (!bytes && !source.empty()) return;  // found, damaged, reported
    if (!bytes) {
      ctx_.Error(kFile, Line(kv.line),
                 "tree backgroundimage " + Q(kv.value) + " is neither in interface.dat nor on the disc");
      return;
    }
    std::string why;
    if (!DecodeBmp(*bytes, &why))
      ctx_.Error(kFile, Line(kv.line), "tree backgroundimage " + Q(kv.value) + " (" + source + ") is not a readable bitmap: " + why);
  }

  struct HiddenTree {
    int line;
    std::int64_t screen;
    std::int32_t number;
  };

  LintContext& ctx_;
  const TDynamicStringArray& lines_;
  std::vector<HiddenTree> hiddenTrees_;
};

}  // namespace

void LintShellScript(LintContext& ctx, const TDynamicStringArray& lines) { ShellLint(ctx, lines).Run(); }

}  // namespace trv::disc::lint
