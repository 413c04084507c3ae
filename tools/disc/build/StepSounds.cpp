#include <chrono>
#include <map>

#include "disc/build/SoundSynth.h"
#include "disc/build/Steps.h"
#include "platform/Text.h"

namespace trv::disc {

// content/sounds/*.txt: recipes of the short sounds the program plays (game
// events, element sounds), each rendered to a 16-bit PCM WAV file at the disc
// path it names. A bad recipe is logged with its file and line and left out;
// the others are still made, and the step reports failure so that the next
// build tries again.
bool BuildSoundEffects(const BuildContext& ctx) {
  const auto start = std::chrono::steady_clock::now();
  std::vector<std::string> errors;
  const auto files = ReadSourceFolder(ctx.contentDir, "sounds", &errors);
  std::map<std::string, std::string> made;  // lower-case disc path -> where its recipe is
  int written = 0;
  std::uintmax_t bytes = 0;
  double seconds = 0;
  for (const SourceFile& file : files) {
    SoundParse parse = ParseSoundRecipes(file.text, file.label);
    for (auto& e : parse.errors) errors.push_back(std::move(e));
    for (const SoundRecipe& recipe : parse.recipes) {
      const std::string where = recipe.file + ":" + std::to_string(recipe.line);
      std::string error;
      const auto path = DiscOutputPath(ctx.discDir, recipe.output, ".wav", &error);
      if (!path) {
        errors.push_back(where + ": " + error);
        continue;
      }
      // The program finds files ignoring case, so two names that differ only
      // in case would be one file.
      const std::string key = Lower1251(Utf8ToCp1251(recipe.output));
      if (const auto it = made.find(key); it != made.end()) {
        errors.push_back(where + ": \"" + recipe.output + "\" is already made at " + it->second);
        continue;
      }
      made.emplace(key, where);
      ctx.Made(*path);
      const auto samples = RenderRecipe(recipe);
      const auto wav = EncodeWav16(samples, recipe.rate, recipe.channels);
      if (!WriteWholeFile(*path, wav, &error)) {
        errors.push_back(where + ": " + error);
        continue;
      }
      ++written;
      bytes += wav.size();
      seconds += static_cast<double>(samples.size()) / recipe.channels / recipe.rate;
    }
  }
  for (const std::string& e : errors) ctx.Log("sounds: " + e);
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
  char summary[160];
  std::snprintf(summary, sizeof summary, "sounds: %d WAV files, %.1f s of sound, %ju KiB, %lld ms%s", written, seconds,
                bytes / 1024, static_cast<long long>(ms), errors.empty() ? "" : ", with errors");
  ctx.Log(summary);
  return errors.empty();
}

}  // namespace trv::disc
