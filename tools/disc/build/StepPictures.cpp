// content/pictures/*.pic: every recipe rendered into a 24-bit bitmap, for the
// content archive or the packed tree.
#include "disc/build/PictureRecipes.h"
#include "disc/build/StepFiles.h"
#include "disc/build/Steps.h"
#include "platform/Bmp.h"

namespace trv::disc {

bool BuildPictures(const BuildContext& ctx) {
  PictureBook book;
  bool ok = true;
  for (const auto& file : SourceFiles(ctx, "pictures", {".pic"})) {
    const auto text = ReadSource(ctx, file);
    if (!text) {
      ok = false;
      continue;
    }
    book.AddSource(file.filename().string(), *text);
  }
  const auto archive = ctx.ArchiveStage("pictures");
  const auto tree = ctx.TreeStage("pictures");
  ResetStage(archive);
  ResetStage(tree);
  int written = 0, parts = 0;
  for (const auto& entry : book.Recipes()) parts += entry.second.partOnly;
  for (const auto& [name, recipe] : book.Recipes()) {
    const auto bitmap = book.Render(name, ctx.fonts);
    if (!bitmap || recipe.partOnly) continue;
    if (WriteStaged(ctx, recipe.inTree ? tree : archive, name, EncodeBmp(*bitmap))) ++written;
    else ok = false;
  }
  for (const std::string& error : book.Errors()) ctx.Log(error);
  ctx.Log("pictures: " + std::to_string(written) + " of " + std::to_string(book.Recipes().size() - parts) +
          " stored (" + std::to_string(parts) + " parts drawn into them)");
  return ok && book.Errors().empty();
}

}  // namespace trv::disc
