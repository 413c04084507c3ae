#include "disc/build/StepRunner.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>

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
  const auto temp = StampFile(ctx).string() + ".new";
  {
    std::ofstream out(temp, std::ios::trunc);
    for (const auto& [name, print] : stamps) out << name << ' ' << print << '\n';
  }
  std::filesystem::rename(temp, StampFile(ctx));
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
    const bool done = step.run(ctx);
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
