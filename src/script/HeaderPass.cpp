#include "script/HeaderPass.h"

#include <string>
#include <string_view>
#include <utility>

#include "platform/Log.h"
#include "platform/Text.h"
#include "script/ScriptLists.h"
#include "script/ScriptValues.h"

namespace trv {
namespace {

// Finds the help window's sub-keys from a line onward. A key no later line
// holds leaves the cursor alone, so one damaged value does not swallow the
// rest of the header; such a failure is remembered, so that a script of many
// "helpwin" lines without them costs one scan and one log line, not one per line.
class SubKeySearch {
 public:
  explicit SubKeySearch(const TDynamicStringArray& lines) : lines_(lines) {}

  // Position of `key` in the first line at or after `index` that holds it,
  // moving `index` there; 0 when there is none.
  int Find(std::size_t& index, std::string_view key) {
    std::size_t& none = noneFrom_[Slot(key)];
    for (std::size_t i = index; i < none; ++i) {
      if (int pos = KeyPos(lines_[i], key)) {
        index = i;
        return pos;
      }
    }
    if (index < none) none = index;
    return 0;
  }

  // True the first time a key is reported missing.
  bool FirstMiss(std::string_view key) { return !std::exchange(reported_[Slot(key)], true); }

 private:
  static std::size_t Slot(std::string_view key) { return key == "vw" ? 0 : key == "vh" ? 1 : 2; }

  const TDynamicStringArray& lines_;
  std::size_t noneFrom_[3] = {lines_.size(), lines_.size(), lines_.size()};
  bool reported_[3] = {false, false, false};
};

void ReadHelpWindow(const TDynamicStringArray& lines, std::size_t& index, const ScriptPaths& paths,
                    SubKeySearch& search, TScriptHeader& header) {
  const std::size_t start = index;
  auto missing = [&](std::string_view key) {
    if (search.FirstMiss(key))
      Log("script", "help window on line " + std::to_string(start + 1) + " has no \"" + std::string(key) +
                        "\" on that or a later line");
  };
  if (int pos = search.Find(index, "vw")) header.helpWidth = ReadInt(lines[index], pos);
  else missing("vw");
  if (int pos = search.Find(index, "vh")) header.helpHeight = ReadInt(lines[index], pos);
  else missing("vh");
  // "fn" and its "=".
  if (int pos = search.Find(index, "fn")) header.helpFile = ExpandPath(ReadText(lines[index], pos + 3), paths);
  else missing("fn");
}

// The text after `key` and its "=".
std::string TextAfter(const std::string& line, int pos, std::string_view key) {
  return ReadText(line, pos + int(key.size()) + 1);
}

}  // namespace

TScriptHeader ReadHeader(const TDynamicStringArray& lines, const ScriptPaths& paths) {
  TScriptHeader header;
  SubKeySearch search(lines);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    // Each test looks at the cursor's line afresh: a reader before it may
    // have moved the cursor on.
    if (int pos = KeyPos(lines[i], "title")) {
      header.title = TextAfter(lines[i], pos, "title");
      if (!header.title.empty()) header.title[0] = UpperChar1251(header.title[0]);
    }
    if (int pos = KeyPos(lines[i], "codec")) header.codecs = TextAfter(lines[i], pos, "codec");
    if (int pos = KeyPos(lines[i], "rolic")) header.rolic = TextAfter(lines[i], pos, "rolic");
    if (KeyPos(lines[i], "helpwin")) ReadHelpWindow(lines, i, paths, search, header);
    if (int pos = KeyPos(lines[i], "background")) header.background = TextAfter(lines[i], pos, "background");
    if (int pos = KeyPos(lines[i], "icon")) header.icon = TextAfter(lines[i], pos, "icon");
    if (KeyPos(lines[i], "bgsounddef")) ReadList(lines, i, header.bgSoundDefault, paths);
    if (KeyPos(lines[i], "vertexmain")) {
      const std::size_t keyLine = i;
      try {
        header.vertexMain = ReadVertexList(lines, i, paths);
      } catch (const ScriptError& e) {
        throw ScriptError("vertexmain on line " + std::to_string(keyLine + 1) + ": " + e.what());
      }
      header.hasVertexMain = true;
    }
  }
  return header;
}

}  // namespace trv
