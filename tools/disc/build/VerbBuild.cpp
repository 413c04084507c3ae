#include <chrono>
#include <map>

#include "disc/ArchiveWriter.h"
#include "disc/DiscError.h"
#include "disc/DiscFiles.h"
#include "disc/TreeWriter.h"
#include "disc/VerbArgs.h"
#include "disc/build/BuildVerbs.h"
#include "disc/build/StepRunner.h"
#include "disc/build/Steps.h"
#include "platform/Paths.h"
#include "platform/fonts/FontEngine.h"

namespace fs = std::filesystem;

namespace trv::disc {
namespace {

constexpr VerbInfo kBuildVerbs[] = {
    {"build", "CONTENT DISC_DIR [--force]",
     "build the disc from its sources: archive, packed tree, sounds, music, clips, fonts (only what changed)",
     VerbBuild},
};

// Every step's stage folder packed into one archive; two steps giving the
// same name is an error.
void PackArchive(const fs::path& stageRoot, const fs::path& out) {
  ArchiveWriter writer;
  std::map<std::string, fs::path> seen;
  std::error_code ec;
  if (fs::is_directory(stageRoot, ec))
    for (const auto& step : fs::directory_iterator(stageRoot))
      for (const FoundFile& file : CollectFiles(step.path())) {
        if (auto [it, fresh] = seen.emplace(file.name, file.native); !fresh)
          throw DiscError("two steps make the archive entry " + file.native.filename().string());
        writer.AddFile(file.name, file.native);
      }
  writer.Write(out);
}

void PackTree(const fs::path& stageRoot, const fs::path& out) {
  TreeWriter writer;
  std::error_code ec;
  if (fs::is_directory(stageRoot, ec))
    for (const auto& step : fs::directory_iterator(stageRoot)) writer.AddDirectory(step.path());
  writer.Write(out);
}

}  // namespace

std::span<const VerbInfo> BuildVerbs() { return kBuildVerbs; }

int VerbBuild(const std::vector<std::string>& args, ToolIo& io) {
  const VerbArgs a = ParseVerbArgs(args, 2, {"--force"});
  const auto start = std::chrono::steady_clock::now();
  auto fonts = CreateFontEngine();
  BuildContext ctx;
  ctx.contentDir = ArgPath(a.positional[0]);
  ctx.discDir = ArgPath(a.positional[1]);
  ctx.fonts = fonts.get();
  ctx.log = [&io](const std::string& line) { io.err << line << "\n"; };
  if (!fs::is_directory(ctx.contentDir)) throw DiscError(ctx.contentDir.string() + " is not a folder");
  fs::create_directories(ctx.discDir);

  // The faces come first: pictures may be labelled with the disc's own family.
  bool ok = RunSteps(ctx, {{"fonts", {"fonts"}, 1, BuildFonts}}, a.Has("--force"));
  for (const auto& entry : fs::directory_iterator(ctx.discDir))
    if (entry.is_regular_file() && entry.path().extension() == ".ttf")
      fonts->AddFontFile(ToWindowsPath(entry.path()));

  const std::vector<BuildStepInfo> steps = {
      {"pictures", {"pictures"}, 1, BuildPictures},
      {"scripts", {"scripts"}, 1, BuildScripts},
      {"questions", {"questions"}, 1, BuildQuestionBank},
      {"tree", {"tree"}, 1, BuildTreeFiles},
      {"sounds", {"sounds"}, 1, BuildSoundEffects},
      {"music", {"music"}, 1, BuildMusic},
      {"clips", {"clips"}, 1, BuildClips},
      {"help", {"help"}, 1, BuildHelp},
  };
  ok = RunSteps(ctx, steps, a.Has("--force")) && ok;

  PackArchive(ctx.discDir / ".stage" / "archive", ctx.discDir / "Mev.dhl");
  PackTree(ctx.discDir / ".stage" / "tree", ctx.discDir / "interface.dat");
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
  io.err << (ok ? "disc built in " : "disc built WITH ERRORS in ") << ms << " ms: " << ctx.discDir.string() << "\n";
  return ok ? 0 : 1;
}

}  // namespace trv::disc
