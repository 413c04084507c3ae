// The program entry: picks the backend (TRIVION_BACKEND=headless|sdl), finds the
// disc and runs the process on it. With the headless backend a scenario script
// (TRIVION_SCRIPT) plays the user's part.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "game/Random.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/Platform.h"
#include "platform/headless/HeadlessPlatform.h"
#include "shell/ShellProcess.h"
#include "shell/ViewerCommandLine.h"
#include "shell/runner/ScenarioRunner.h"

namespace trv {
namespace {

int Fail(const std::string& reason) {
  Log("startup", reason);
  std::fprintf(stderr, "trivion: %s\n", reason.c_str());
  return 1;
}

int Main(int argc, char** argv) {
  StartArguments start;
  start.programPath = argc > 0 ? argv[0] : "";
  for (int i = 1; i < argc; ++i) start.args.push_back(argv[i]);
  start.commandLine = JoinCommandLine(start.programPath, start.args);
  // A fixed seed makes every draw of the run (the question order above all)
  // the same each time, for scenario tests; read once, here.
  if (const char* seed = std::getenv("TRIVION_SEED"); seed && *seed) {
    char* end = nullptr;
    const unsigned long value = std::strtoul(seed, &end, 10);
    if (*end == '\0') FixRandomSeed(std::uint32_t(value));
    else Log("startup", std::string("TRIVION_SEED is not a number and is ignored: ") + seed);
  }
  const char* backend = std::getenv("TRIVION_BACKEND");
  const bool headless = backend && std::string(backend) == "headless";
  PlatformConfig config;
  if (const char* trace = std::getenv("TRIVION_TRACE")) config.tracePath = trace;
  std::unique_ptr<Platform> platform = headless ? CreateHeadlessPlatform(config) : CreateSdlPlatform(config);
  if (!platform) return Fail("no display: the window cannot be shown (set DISPLAY, or TRIVION_BACKEND=headless)");

  const DiscPaths disc = ComputeDiscPaths(LocateDisc(ExecutableDir()));
  std::unique_ptr<ScenarioRunner> runner;
  const char* script = std::getenv("TRIVION_SCRIPT");
  if (headless) {
    auto& hp = static_cast<HeadlessPlatform&>(*platform);
    std::vector<std::string> lines;
    if (script && !ScenarioRunner::ReadScript(script, &lines)) return Fail(std::string("cannot read ") + script);
    runner = std::make_unique<ScenarioRunner>(hp, std::move(lines));
    runner->Install();
  }
  return RunShellProcess(*platform, disc, start, [&](TMainForm& form) {
    if (runner) runner->SetDumper([&form] { form.DumpState(); });
  });
}

}  // namespace
}  // namespace trv

int main(int argc, char** argv) {
  try {
    return trv::Main(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "trivion: stopped on an unexpected error: %s\n", e.what());
    return 1;
  }
}
