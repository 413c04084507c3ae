#include <chrono>
#include <cstdio>
#include <map>

#include "disc/build/Mp3Encoder.h"
#include "disc/build/SoundSynth.h"
#include "disc/build/Steps.h"
#include "platform/Text.h"

namespace trv::disc {
namespace {

long long MsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

// content/music/*.txt: one piece of background music each, composed from its
// description, rendered in stereo at 44100 Hz and encoded to music\bg\<title>.mp3.
// A bad piece is logged with its file and line and left out; the others are
// still made, and the step reports failure so that the next build tries again.
bool BuildMusic(const BuildContext& ctx) {
  constexpr int kRate = 44100;
  const auto start = std::chrono::steady_clock::now();
  std::vector<std::string> errors;
  const auto files = ReadSourceFolder(ctx.contentDir, "music", &errors);
  std::map<std::string, std::string> made;  // lower-case title -> source file
  int written = 0;
  for (const SourceFile& file : files) {
    MusicParse parse = ParseMusicPiece(file.text, file.label, file.path.stem().string());
    for (auto& e : parse.errors) errors.push_back(std::move(e));
    if (!parse.piece) {
      errors.push_back(file.label + ": piece left out");
      continue;
    }
    const MusicPiece& piece = *parse.piece;
    const std::string discPath = "music\\bg\\" + piece.title + ".mp3";
    std::string error;
    const auto path = DiscOutputPath(ctx.discDir, discPath, ".mp3", &error);
    if (!path) {
      errors.push_back(file.label + ": " + error);
      continue;
    }
    if (const auto it = made.find(AsciiLower(piece.title)); it != made.end()) {
      errors.push_back(file.label + ": title \"" + piece.title + "\" is already used by " + it->second);
      continue;
    }
    made.emplace(AsciiLower(piece.title), file.label);
    ctx.Made(*path);
    const auto renderStart = std::chrono::steady_clock::now();
    const auto samples = RenderPiece(piece, kRate);
    const long long renderMs = MsSince(renderStart);
    const auto encodeStart = std::chrono::steady_clock::now();
    if (!EncodeMp3File(samples, Mp3Settings{kRate, 2, 128000}, *path, &error)) {
      errors.push_back(file.label + ": " + error);
      continue;
    }
    std::error_code ec;
    const auto size = std::filesystem::file_size(*path, ec);
    char line[200];
    std::snprintf(line, sizeof line, "music: %s, %.1f s, %ju KiB (composed in %lld ms, encoded in %lld ms)",
                  discPath.c_str(), static_cast<double>(samples.size()) / 2 / kRate,
                  static_cast<std::uintmax_t>(ec ? 0 : size / 1024), renderMs, MsSince(encodeStart));
    ctx.Log(line);
    ++written;
  }
  for (const std::string& e : errors) ctx.Log("music: " + e);
  ctx.Log("music: " + std::to_string(written) + " pieces in " + std::to_string(MsSince(start)) + " ms" +
          (errors.empty() ? "" : ", with errors"));
  return errors.empty();
}

}  // namespace trv::disc
