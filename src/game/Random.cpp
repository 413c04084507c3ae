#include "game/Random.h"

#include <chrono>

namespace trv {

std::mt19937& RandomEngine() {
  // Seeded from the clock on first use, so that a program that never reseeds
  // still does not play the same order every run.
  static std::mt19937 engine = [] {
    std::mt19937 e;
    const auto ticks = std::uint64_t(std::chrono::system_clock::now().time_since_epoch().count());
    std::seed_seq seq{std::uint32_t(ticks), std::uint32_t(ticks >> 32)};
    e.seed(seq);
    return e;
  }();
  return engine;
}

namespace {
bool g_fixed = false;
std::uint32_t g_nextSeed = 0;
}  // namespace

void SeedRandom(std::uint32_t seed) { RandomEngine().seed(seed); }

void FixRandomSeed(std::uint32_t seed) {
  g_fixed = true;
  g_nextSeed = seed;
  SeedRandom(seed);
}

void ReseedRandomFromClock() {
  if (g_fixed) {
    SeedRandom(++g_nextSeed);
    return;
  }
  // Two reseeds within one clock tick would give the same sequence; the
  // steady clock's finer ticks are folded in too.
  const auto wall = std::uint64_t(std::chrono::system_clock::now().time_since_epoch().count());
  const auto steady = std::uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());
  std::seed_seq seq{std::uint32_t(wall), std::uint32_t(wall >> 32), std::uint32_t(steady),
                    std::uint32_t(steady >> 32)};
  RandomEngine().seed(seq);
}

std::size_t RandomIndex(std::size_t count) {
  if (count <= 1) return 0;
  return std::uniform_int_distribution<std::size_t>(0, count - 1)(RandomEngine());
}

}  // namespace trv
