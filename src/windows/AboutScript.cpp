#include "windows/AboutScript.h"

#include <algorithm>
#include <variant>

#include "platform/Log.h"
#include "platform/Text.h"
#include "script/AboutSchema.h"
#include "script/ScriptLists.h"
#include "script/ScriptValues.h"

namespace trv {
namespace {

void Complain(std::size_t line, const std::string& what) {
  Log("about", "About.txt line " + std::to_string(line + 1) + ": " + what);
}

// Brings a value written by mistake inside [low, high].
void Bound(std::int32_t& value, std::int32_t low, std::int32_t high, std::int32_t fallback, std::size_t line,
           const char* what) {
  if (value >= low && value <= high) return;
  Complain(line, std::string(what) + " " + std::to_string(value) + " is out of range; " +
                     std::to_string(fallback) + " is used");
  value = fallback;
}

void BoundPlace(std::int32_t& left, std::int32_t& top, std::size_t line) {
  Bound(left, -kAboutMaxCoordinate, kAboutMaxCoordinate, std::clamp(left, -kAboutMaxCoordinate, kAboutMaxCoordinate),
        line, "vx");
  Bound(top, -kAboutMaxCoordinate, kAboutMaxCoordinate, std::clamp(top, -kAboutMaxCoordinate, kAboutMaxCoordinate),
        line, "vy");
}

// The vertex list that starts on lines[index]; none, with a log line, when it
// cannot give the window an outline: then the window stays rectangular.
std::optional<Polygon> ReadShape(const TDynamicStringArray& lines, std::size_t& index, const ScriptPaths& paths) {
  const std::size_t start = index;
  const std::size_t open = lines[start].find('[');
  if (open == std::string::npos) {
    Complain(start, "\"vertex\" has no \"[\" list; the window stays rectangular");
    return std::nullopt;
  }
  Polygon polygon;
  try {
    polygon = ReadVertexList(lines, index, paths);
  } catch (const ScriptError& e) {
    Complain(start, std::string("the window shape cannot be read (") + e.what() + "); the window stays rectangular");
    return std::nullopt;
  }
  const bool closed = index > start ? lines[index].find(']') != std::string::npos
                                    : lines[start].find(']', open) != std::string::npos;
  if (!closed) {
    Complain(start, "the vertex list never closes; the window stays rectangular");
    return std::nullopt;
  }
  if (polygon.size() < 3) {
    Complain(start, "the vertex list has fewer than three points; the window stays rectangular");
    return std::nullopt;
  }
  return polygon;
}

class AboutReader {
 public:
  AboutReader(const TDynamicStringArray& lines, const ScriptPaths& paths)
      : lines_(lines), lower_(LowerLines(lines)), paths_(paths) {}

  TAboutScript Run() {
    FirstPass();
    SecondPass();
    return std::move(s_);
  }

 private:
  // The background (the last line naming one wins) and the outline.
  void FirstPass() {
    const BlockLines text{lines_, lower_};
    for (std::size_t i = 0; i < lines_.size(); ++i) {
      if (const int pos = KeyPos(lower_[i], kAboutPicture.key)) {
        std::size_t at = i;
        s_.picture = ReadKey(text, at, kAboutPicture, pos, paths_).text;
      }
      if (KeyPos(lower_[i], kAboutShape.key)) {
        // A later list is read too; the last good one stands.
        std::size_t at = i;
        if (std::optional<Polygon> shape = ReadShape(lines_, at, paths_)) s_.shape = std::move(shape);
      }
    }
  }

  void SecondPass() {
    const BlockLines text{lines_, lower_};
    std::size_t i = 0;
    while (i < lines_.size()) {
      const AboutKind* kind = FindKind(AboutKinds(), text, i);
      if (!kind) {
        ++i;
        continue;
      }
      const std::size_t first = i;
      const BlockLines blockText = LinesFor(text, kind->search);
      std::visit([&](const auto& keys) { Read(blockText, i, first, keys); }, kind->keys);
    }
  }

  template <class R>
  R ReadBlock(const BlockLines& text, std::size_t& i, std::size_t first, BlockKeys<R> keys, const char* word) {
    R record;
    const std::string_view missing = WalkBlock(text, i, keys, record, paths_);
    if (!missing.empty())
      Complain(first, std::string("the ") + word + " has no \"" + std::string(missing) +
                          "\" up to the end of the script; it is kept with what was read");
    BoundPlace(record.left, record.top, first);
    return record;
  }

  void Read(const BlockLines& text, std::size_t& i, std::size_t first, BlockKeys<RBtn> keys) {
    RBtn b = ReadBlock(text, i, first, keys, "button");
    if (b.fn[0].empty()) Complain(first, "the button names no picture (fn1); it has no area");
    s_.buttons.push_back(std::move(b));
  }

  void Read(const BlockLines& text, std::size_t& i, std::size_t first, BlockKeys<RText> keys) {
    RText t = ReadBlock(text, i, first, keys, "text");
    Bound(t.fontSize, 1, kAboutMaxFontSize, kAboutDefaultFontSize, first, "font size");
    if (IsAboutLink(t) && AboutLinkDisplay(t.text).empty())
      Complain(first, "the link shows no text; nobody can click it");
    s_.texts.push_back(std::move(t));
  }

  const TDynamicStringArray& lines_;
  const TDynamicStringArray lower_;
  const ScriptPaths& paths_;
  TAboutScript s_;
};

}  // namespace

TAboutScript ReadAboutScript(const TDynamicStringArray& lines, const ScriptPaths& paths) {
  return AboutReader(lines, paths).Run();
}

bool IsAboutLink(const RText& text) { return text.ident == "url"; }

std::string AboutLinkDisplay(const std::string& value) { return value.substr(0, value.find('?')); }

std::string AboutLinkCommand(const std::string& value) {
  return value.find('@') != std::string::npos ? "mailto:" + value : value;
}

}  // namespace trv
