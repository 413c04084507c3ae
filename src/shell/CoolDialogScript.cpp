#include "shell/CoolDialogScript.h"

#include <algorithm>
#include <string_view>

#include "platform/Log.h"
#include "platform/Text.h"
#include "script/ScriptValues.h"

namespace trv {
namespace {

// Walks the lines of one block: each key is looked for from the line where the
// key before it was found. `asWritten` keeps the letter case of the lines.
class KeyCursor {
 public:
  KeyCursor(const TDynamicStringArray& lines, std::size_t start, bool asWritten)
      : lines_(lines), line_(start), asWritten_(asWritten) {}

  // Moves to the first line from the current one that holds `key`; false
  // (and the cursor at the end) when no line does. `passedOver` sees every
  // line on the way that does not hold it.
  template <typename F>
  bool Find(std::string_view key, F&& passedOver) {
    for (; line_ < lines_.size(); ++line_) {
      const std::string probe = Probe();
      const int p = KeyPos(probe, key);
      if (p > 0) {
        pos_ = p;
        return true;
      }
      passedOver(probe, lines_[line_]);
    }
    ended_ = true;
    return false;
  }
  bool Find(std::string_view key) {
    return Find(key, [](const std::string&, const std::string&) {});
  }

  // Values of the key just found, read from the line as written.
  std::int32_t IntAt() const { return ReadInt(Line(), pos_); }
  Color ColorAt() const { return ReadColor(Line(), pos_); }
  // The text after the key and the "=" that follows it.
  std::string TextAfter(std::string_view key) const { return ReadText(Line(), pos_ + int(key.size()) + 1); }
  // The text straight after the key (for keys that end with "=").
  std::string TextJustAfter(std::string_view key) const { return ReadText(Line(), pos_ + int(key.size())); }

  bool Ended() const { return ended_; }
  std::size_t LineIndex() const { return line_; }

 private:
  const std::string& Line() const { return lines_[line_]; }
  std::string Probe() const { return asWritten_ ? lines_[line_] : Lower1251(lines_[line_]); }

  const TDynamicStringArray& lines_;
  std::size_t line_;
  bool asWritten_;
  int pos_ = 0;
  bool ended_ = false;
};

template <typename T>
void GrowTo(std::vector<T>& v, std::size_t n) {
  if (v.size() < n) v.resize(n);
}

void ReadTextBlock(KeyCursor& c, RText& t) {
  if (!c.Find("vx")) return;
  t.left = c.IntAt();
  if (!c.Find("vy")) return;
  t.top = c.IntAt();
  if (!c.Find("vw")) return;
  t.right = c.IntAt();
  if (!c.Find("font")) return;
  t.fontName = c.TextAfter("font");
  if (!c.Find("size")) return;
  t.fontSize = c.IntAt();
  if (!c.Find("style")) return;
  t.fontStyle = Lower1251(c.TextAfter("style"));
  if (!c.Find("color")) return;
  t.fontColor = c.ColorAt();
  if (!c.Find("value")) return;
  t.text = c.TextAfter("value");
}

void ReadButton(KeyCursor& c, RDialogBtn& b) {
  // "name" and "fn4" may stand on any line the search passes over.
  auto optional = [&b](const std::string& probe, const std::string& line) {
    if (const int p = KeyPos(probe, "name"); p > 0) b.name = Lower1251(ReadText(line, p + 5));
    if (const int p = KeyPos(probe, "fn4"); p > 0) b.fn[3] = Lower1251(ReadText(line, p + 4));
  };
  if (!c.Find("vx", optional)) return;
  b.left = c.IntAt();
  if (!c.Find("vy", optional)) return;
  b.top = c.IntAt();
  if (!c.Find("align", optional)) return;
  b.align = Lower1251(c.TextAfter("align"));
  if (!c.Find("fn1", optional)) return;
  b.fn[0] = c.TextAfter("fn1");
  if (!c.Find("fn2", optional)) return;
  b.fn[1] = c.TextAfter("fn2");
  if (!c.Find("fn3", optional)) return;
  b.fn[2] = c.TextAfter("fn3");
  if (!c.Find("go=", optional)) return;
  b.command = Lower1251(c.TextJustAfter("go="));
  if (!c.Find("hint", optional)) return;
  b.hint = c.TextAfter("hint");
  if (!c.Find("wav", optional)) return;
  b.sound = Lower1251(c.TextAfter("wav"));
}

void ReadSwitch(KeyCursor& c, RSwthGrp& s, const ScriptPaths& paths) {
  if (!c.Find("vx")) return;
  s.left = c.IntAt();
  if (!c.Find("vy")) return;
  s.top = c.IntAt();
  static constexpr const char* kPics[] = {"fn1", "fn2", "fn3", "fn4"};
  for (std::size_t i = 0; i < 4; ++i) {
    if (!c.Find(kPics[i])) return;
    s.fn[i] = c.TextAfter(kPics[i]);
  }
  if (!c.Find("state")) return;
  s.on = Lower1251(c.TextAfter("state")) == "on";
  if (!c.Find("store")) return;
  s.store = c.TextAfter("store") == "on";
  if (!c.Find("group")) return;
  s.group = c.IntAt();
  if (!c.Find("go")) return;
  s.command = ExpandPath(Lower1251(c.TextAfter("go")), paths);
  if (!c.Find("hint")) return;
  s.hint = c.TextAfter("hint");
  if (!c.Find("wav")) return;
  s.sound = Lower1251(c.TextAfter("wav"));
}

void ReadBox(KeyCursor& c, RPathInput& b, std::string& name) {
  if (!c.Find("vx")) return;
  b.left = c.IntAt();
  if (!c.Find("vy")) return;
  b.top = c.IntAt();
  if (!c.Find("vw")) return;
  b.right = c.IntAt();
  if (!c.Find("vh")) return;
  b.bottom = c.IntAt();
  if (!c.Find("pathdef")) return;
  b.defaultText = c.TextAfter("pathdef");
  if (!c.Find("hint")) return;
  b.hint = c.TextAfter("hint");
  if (!c.Find("textfontname")) return;
  b.fontName = c.TextAfter("textfontname");
  if (!c.Find("textfontstyle")) return;
  b.fontStyle = ParseFontStyle(c.TextAfter("textfontstyle"));
  if (!c.Find("textfontcolor")) return;
  b.fontColor = c.ColorAt();
  if (!c.Find("bgcolor")) return;
  b.bgColor = c.ColorAt();
  if (!c.Find("name")) return;
  name = c.TextAfter("name");
  if (!c.Find("wav")) return;
  b.sound = c.TextAfter("wav");
}

}  // namespace

TDialogScript ReadDialogScript(const TDynamicStringArray& lines, const ScriptPaths& paths) {
  TDialogScript s;
  std::size_t i = 0;
  while (i < lines.size()) {
    const std::string& line = lines[i];
    const std::string lower = Lower1251(line);
    enum class Kind { None, Picture, Text, Button, Switch, Box } kind = Kind::None;
    if (KeyPos(lower, "_picture") > 0)
      kind = Kind::Picture;
    else if (KeyPos(lower, "_text") > 0)
      kind = Kind::Text;
    else if (KeyPos(lower, "_button") > 0)
      kind = Kind::Button;
    else if (KeyPos(lower, "switchgrp") > 0)
      kind = Kind::Switch;
    else if (KeyPos(line, "_path") > 0)
      kind = Kind::Box;
    if (kind == Kind::None) {
      ++i;
      continue;
    }
    const std::int32_t page = ReadInt(line, 1);
    if (page < 1 || page > kMaxDialogPages) {
      Log("dialog", "Dialog.txt line " + std::to_string(i + 1) + ": page number out of range, block skipped");
      ++i;
      continue;
    }
    const std::size_t n = std::size_t(page);
    const std::size_t p = n - 1;
    KeyCursor c(lines, i, kind == Kind::Box);
    switch (kind) {
      case Kind::Picture: {
        GrowTo(s.PagePictures, n);
        const int at = KeyPos(lower, "picture");
        s.PagePictures[p] = ReadText(line, at + 8);
        GrowTo(s.Buttons, n);
        GrowTo(s.Switches, n);
        GrowTo(s.Boxes, n);
        GrowTo(s.BoxNames, n);
        break;
      }
      case Kind::Text:
        GrowTo(s.Texts, n);
        // The last entry is filled: text blocks come once per page, in order.
        ReadTextBlock(c, s.Texts.back());
        break;
      case Kind::Button:
        GrowTo(s.Buttons, n);
        s.Buttons[p].emplace_back();
        ReadButton(c, s.Buttons[p].back());
        break;
      case Kind::Switch:
        GrowTo(s.Switches, n);
        s.Switches[p].emplace_back();
        ReadSwitch(c, s.Switches[p].back(), paths);
        break;
      case Kind::Box: {
        GrowTo(s.Boxes, n);
        GrowTo(s.BoxNames, n);
        RPathInput box;
        box.screen = page - 1 + 666;
        std::string name;
        ReadBox(c, box, name);
        s.Boxes[p].push_back(box);
        s.BoxNames[p].push_back(name);
        break;
      }
      case Kind::None:
        break;
    }
    if (c.Ended()) {
      Log("dialog", "Dialog.txt: a key of the block at line " + std::to_string(i + 1) +
                        " is missing up to the end; reading stops there");
      break;
    }
    i = (kind == Kind::Picture ? i : c.LineIndex()) + 1;
  }
  // Every list holds every page, so that a page index good for one is good for all.
  const std::size_t pages = std::max({s.PagePictures.size(), s.Buttons.size(), s.Switches.size(), s.Boxes.size()});
  GrowTo(s.PagePictures, pages);
  GrowTo(s.Buttons, pages);
  GrowTo(s.Switches, pages);
  GrowTo(s.Boxes, pages);
  GrowTo(s.BoxNames, pages);
  return s;
}

}  // namespace trv
