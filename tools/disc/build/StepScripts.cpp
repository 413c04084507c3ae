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
    const auto bytes = text ? ToCp1251Lines(ctx, name, *text) : std::nullopt;
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
