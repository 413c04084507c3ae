#include "disc/build/StepRunner.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <vector>

#include "disc/DiscFiles.h"
#include "disc/build/SoundSynth.h"
#include "platform/Paths.h"

namespace trv::disc {
namespace {

constexpr std::uint64_t kFnvOffset = 1469598103934665603ULL;
constexpr std::uint64_t kFnvPrime = 1099511628211ULL;

void Mix(std::uint64_t& h, const void* data, std::size_t n) {
  const auto* p = static_cast<const unsigned char*>(data);
  for (std::size_t i = 0; i < n; ++i) {
    h ^= p[i];
    h *= kFnvPrime;
  }
}

std::filesystem::path StampFile(const BuildContext& ctx) { return ctx.discDir / ".stage" / "stamps"; }

std::map<std::string, std::string> ReadStamps(const BuildContext& ctx) {
  std::map<std::string, std::string> stamps;
  std::ifstream in(StampFile(ctx));
  std::string name, print;
  while (in >> name >> print) stamps[name] = print;
  return stamps;
}

void WriteStamps(const BuildContext& ctx, const std::map<std::string, std::string>& stamps) {
  std::filesystem::create_directories(StampFile(ctx).parent_path());
  std::string text;
  for (const auto& [name, print] : stamps) text += name + ' ' + print + '\n';
  WriteWholeFile(StampFile(ctx), std::vector<std::uint8_t>(text.begin(), text.end()));
}

std::filesystem::path MadeList(const BuildContext& ctx, const std::string& step) {
  return ctx.discDir / ".stage" / "made" / step;
}

// A disc-relative name from a list; empty when it is not one (absolute,
// climbing out, or into the build's own folder): such a line is never acted on.
std::filesystem::path SafeRelative(const std::string& line) {
  const std::filesystem::path rel(line);
  if (line.empty() || rel.is_absolute() || rel.has_root_name()) return {};
  bool first = true;
  for (const auto& part : rel) {
    if (part == ".." || part == "." || (first && part == ".stage")) return {};
    first = false;
  }
  return rel;
}

std::set<std::string> ReadMade(const BuildContext& ctx, const std::string& step) {
  std::set<std::string> names;
  std::ifstream in(MadeList(ctx, step));
  for (std::string line; std::getline(in, line);)
    if (!SafeRelative(line).empty()) names.insert(line);
  return names;
}

void WriteMade(const BuildContext& ctx, const std::string& step, const std::set<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += name + '\n';
  std::string error;
  if (!WriteWholeFile(MadeList(ctx, step), std::vector<std::uint8_t>(text.begin(), text.end()), &error))
    ctx.Log(step + ": the list of what it made cannot be kept: " + error);
}

// Removes a file the step made before and makes no more, then the folders
// that this leaves empty (up to the disc folder).
void RemoveStale(const BuildContext& ctx, const std::string& step, const std::string& name) {
  const std::filesystem::path rel = SafeRelative(name);
  if (rel.empty()) return;
  std::error_code ec;
  std::filesystem::path file = ctx.discDir / rel;
  if (!std::filesystem::is_regular_file(std::filesystem::symlink_status(file, ec))) return;
  if (!std::filesystem::remove(file, ec)) {
    ctx.Log(step + ": cannot remove " + name + ", made before and no more: " + ec.message());
    return;
  }
  ctx.Log(step + ": removed " + name + ", which nothing makes any more");
  for (auto dir = rel.parent_path(); !dir.empty(); dir = dir.parent_path())
    if (!std::filesystem::remove(ctx.discDir / dir, ec)) break;  // not empty: stop
}

}  // namespace

std::string FingerprintFolders(const std::filesystem::path& root, const std::vector<std::string>& folders,
                               int version) {
  std::uint64_t h = kFnvOffset;
  Mix(h, &version, sizeof version);
  for (const std::string& folder : folders) {
    const auto dir = root / folder;
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    if (std::filesystem::is_directory(dir, ec))
      for (auto it = std::filesystem::recursive_directory_iterator(dir, ec);
           !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
        if (it->is_regular_file(ec)) files.push_back(it->path());
    std::sort(files.begin(), files.end());
    Mix(h, folder.data(), folder.size() + 1);
    for (const auto& file : files) {
      const std::string rel = std::filesystem::relative(file, root).generic_string();
      Mix(h, rel.data(), rel.size() + 1);
      std::ifstream in(file, std::ios::binary);
      char buf[1 << 16];
      while (in.read(buf, sizeof buf) || in.gcount() > 0) Mix(h, buf, std::size_t(in.gcount()));
    }
  }
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
  return text;
}

bool RunSteps(const BuildContext& ctx, const std::vector<BuildStepInfo>& steps, bool force) {
  auto stamps = ReadStamps(ctx);
  bool ok = true;
  for (const BuildStepInfo& step : steps) {
    const std::string print = FingerprintFolders(ctx.contentDir, step.sourceFolders, step.version);
    if (!force && stamps.count(step.name) && stamps[step.name] == print) {
      ctx.Log(step.name + ": up to date");
      continue;
    }
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::filesystem::path> madeNow;
    BuildContext stepCtx = ctx;
    stepCtx.made = &madeNow;
    const bool done = step.run(stepCtx);
    std::set<std::string> made;
    for (const auto& file : madeNow) {
      const std::string rel = file.lexically_normal().lexically_relative(ctx.discDir.lexically_normal()).generic_string();
      if (!SafeRelative(rel).empty()) made.insert(rel);
    }
    const std::set<std::string> before = ReadMade(ctx, step.name);
    if (done) {
      for (const std::string& name : before)
        if (!made.count(name)) RemoveStale(ctx, step.name, name);
    } else {
      made.insert(before.begin(), before.end());
    }
    if (!made.empty() || !before.empty()) WriteMade(ctx, step.name, made);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    ctx.Log(step.name + (done ? ": built in " : ": FAILED after ") + std::to_string(ms) + " ms");
    if (done) {
      stamps[step.name] = print;
    } else {
      stamps.erase(step.name);
      ok = false;
    }
    WriteStamps(ctx, stamps);
  }
  return ok;
}

}  // namespace trv::disc
