#include "script/ThesaurusScript.h"

#include <string_view>

#include "platform/Log.h"
#include "script/ElementPass.h"
#include "script/ScriptValues.h"
#include "script/ThesaurusSchema.h"

namespace trv {
namespace {

std::string TextAfter(const std::string& line, int pos, std::string_view key) {
  return ReadText(line, pos + int(key.size()) + 1);
}

void ReadWindowButton(const TDynamicStringArray& lines, std::size_t& index, const ScriptPaths& paths,
                      const char* word, RBtn& button) {
  const std::size_t first = index;
  const std::string_view missing = WalkBlock(BlockLines{lines, lines}, index, ThesaurusWindowButtonKeys(), button, paths);
  if (!missing.empty()) {
    Log("script", std::string("the thesaurus's ") + word + " button on line " + std::to_string(first + 1) +
                      " has no key \"" + std::string(missing) + "\" before the end of the script");
    return;
  }
  // WalkBlock leaves the cursor after the last key's line; the pass goes on
  // with that line's remaining header keys.
  if (index > first) --index;
}

}  // namespace

TThesaurusScript ReadThesaurusScript(const TDynamicStringArray& lines, const ScriptPaths& paths) {
  TThesaurusScript script;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (int pos = KeyPos(lines[i], "title")) script.title = TextAfter(lines[i], pos, "title");
    if (int pos = KeyPos(lines[i], "icon")) script.icon = TextAfter(lines[i], pos, "icon");
    if (KeyPos(lines[i], "minimize")) ReadWindowButton(lines, i, paths, "minimize", script.minimize);
    if (i < lines.size() && KeyPos(lines[i], "close")) ReadWindowButton(lines, i, paths, "close", script.close);
  }
  script.minimize.command = "minimize";
  script.close.command = "exit";
  const RBtn minimize = script.minimize, close = script.close;
  ReadElements(lines, paths, script.elements, ThesaurusKinds(), [&](TElementModel& model, std::size_t screen) {
    model.Buttons[screen].push_back(minimize);
    model.Buttons[screen].push_back(close);
  });
  return script;
}

}  // namespace trv
