// content/tree/**: further files of the packed interface tree (the lists the
// tree views show, their pictures come from recipes). Text files (.txt,
// .lst) are kept as UTF-8 for editing and stored in code page 1251 with CR LF;
// anything else is stored as it is.
#include <algorithm>

#include "disc/build/StepFiles.h"
#include "disc/build/Steps.h"
#include "platform/Text.h"

namespace trv::disc {

bool BuildTreeFiles(const BuildContext& ctx) {
  namespace fs = std::filesystem;
  const auto stage = ctx.TreeStage("files");
  ResetStage(stage);
  const fs::path root = ctx.contentDir / "tree";
  std::error_code ec;
  if (!fs::is_directory(root, ec)) return true;
  bool ok = true;
  for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;
    const std::string relative = it->path().lexically_relative(root).generic_string();
    if (AsciiLower(it->path().filename().string()) == "readme.md") continue;  // notes for authors
    const auto text = ReadSource(ctx, it->path());
    if (!text) {
      ok = false;
      continue;
    }
    const std::string ext = AsciiLower(it->path().extension().string());
    std::optional<std::string> bytes = *text;
    if (ext == ".txt" || ext == ".lst") bytes = ToCp1251Lines(ctx, relative, *text);
    if (!bytes) {
      ok = false;
      continue;
    }
    std::string windowsName = relative;
    std::replace(windowsName.begin(), windowsName.end(), '/', '\\');
    ok = WriteStaged(ctx, stage, windowsName, std::vector<std::uint8_t>(bytes->begin(), bytes->end())) && ok;
  }
  return ok;
}

}  // namespace trv::disc
