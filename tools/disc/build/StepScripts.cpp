// content/scripts: the skin scripts, written as UTF-8 with plain line ends,
// stored as the program reads them: code page 1251, CR LF, and scrambled when
// scrambled.list names them.
#include <algorithm>
#include <sstream>

#include "disc/build/StepFiles.h"
#include "disc/build/Steps.h"
#include "platform/Text.h"
#include "script/ScriptLines.h"

namespace trv::disc {
namespace {

// Code page 1251 with CR LF; nullopt after logging the first line that has a
// character the code page lacks.
std::optional<std::string> ToScriptBytes(const BuildContext& ctx, const std::string& fileName,
                                         const std::string& utf8) {
  std::string out;
  std::istringstream in(utf8);
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    bool ok = true;
    out += Utf8ToCp1251(line, &ok);
    if (!ok) {
      ctx.Log(fileName + ":" + std::to_string(number) + ": a character outside code page 1251");
      return std::nullopt;
    }
    out += "\r\n";
  }
  return out;
}

}  // namespace

bool BuildScripts(const BuildContext& ctx) {
  std::vector<std::string> scrambled;
  if (const auto list = SourceFiles(ctx, "scripts", {".list"}); !list.empty()) {
    const auto text = ReadSource(ctx, list.front());
    std::istringstream in(text.value_or(""));
    std::string name;
    while (in >> name) scrambled.push_back(name);
  }
  const auto stage = ctx.ArchiveStage("scripts");
  ResetStage(stage);
  bool ok = true;
  int count = 0;
  for (const auto& file : SourceFiles(ctx, "scripts", {".txt", ".cfs"})) {
    const std::string name = file.filename().string();
    const auto text = ReadSource(ctx, file);
    const auto bytes = text ? ToScriptBytes(ctx, name, *text) : std::nullopt;
    if (!bytes) {
      ok = false;
      continue;
    }
    const bool scramble = std::find(scrambled.begin(), scrambled.end(), name) != scrambled.end();
    const std::vector<std::uint8_t> stored =
        scramble ? ScrambleScript(*bytes) : std::vector<std::uint8_t>(bytes->begin(), bytes->end());
    ok = WriteStaged(ctx, stage, name, stored) && ok;
    ++count;
  }
  for (const std::string& name : scrambled)
    if (!std::filesystem::exists(ctx.contentDir / "scripts" / name)) {
      ctx.Log("scrambled.list names " + name + ", which content/scripts does not have");
      ok = false;
    }
  ctx.Log("scripts: " + std::to_string(count) + " written, " + std::to_string(scrambled.size()) + " scrambled");
  return ok;
}

}  // namespace trv::disc
