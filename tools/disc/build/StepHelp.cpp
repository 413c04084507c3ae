// content/help: the player's help, opened by F1 and the "?" buttons with the
// desktop's handler. Its pages go beside the program under help\, as written
// (UTF-8 HTML: a browser reads them as they are).
#include "disc/build/StepFiles.h"
#include "disc/build/Steps.h"

namespace trv::disc {

bool BuildHelp(const BuildContext& ctx) {
  bool ok = true;
  std::size_t count = 0;
  for (const auto& file : SourceFiles(ctx, "help", {".html", ".css", ".png"})) {
    const auto text = ReadSource(ctx, file);
    if (!text) {
      ok = false;
      continue;
    }
    const std::string name = "help\\" + file.filename().string();
    ctx.Made(ctx.discDir / "help" / file.filename());
    ok = WriteStaged(ctx, ctx.discDir, name, std::vector<std::uint8_t>(text->begin(), text->end())) && ok;
    ++count;
  }
  ctx.Log("help: " + std::to_string(count) + " pages written");
  return ok;
}

}  // namespace trv::disc
