// The question bank at a size well beyond any disc: loading 10,000 questions
// (in each encoding the loader accepts) and preparing 1,000 games from them,
// each game played through its fourteen levels the way the engine does it.
#include <benchmark/benchmark.h>

#include <random>
#include <span>
#include <string>

#include "game/GameCollection.h"
#include "game/Random.h"
#include "platform/Text.h"

namespace {

constexpr int kQuestions = 10000;
constexpr int kGames = 1000;

// A bank in UTF-8 of Russian-looking questions spread over levels 1..14,
// one to three answers each.
std::string BankBodyUtf8() {
  static const char* const kWords[] = {"кто", "что", "где", "когда", "столица", "река", "город", "писатель",
                                       "война", "мир", "ёлка", "йод", "планета", "поэт", "композитор"};
  constexpr int kWordCount = int(sizeof kWords / sizeof kWords[0]);
  std::mt19937 rng(7);
  std::string xml = "<PQuestions>\n";
  for (int id = 1; id <= kQuestions; ++id) {
    xml += "  <QUESTION ID=\"" + std::to_string(id) + "\">\n    <LEVEL>" + std::to_string(1 + (id - 1) % 14) +
           "</LEVEL>\n    <TEXT>";
    for (int w = 0, n = 8 + int(rng() % 12); w < n; ++w) xml += std::string(kWords[rng() % kWordCount]) + " ";
    xml += "?</TEXT>\n    <HINT>" + std::string(kWords[rng() % kWordCount]) + "</HINT>\n";
    for (int a = 0, n = 1 + int(rng() % 3); a < n; ++a)
      xml += "    <ANSWER>" + std::string(kWords[rng() % kWordCount]) + " " + std::to_string(rng() % 2000) +
             "</ANSWER>\n";
    xml += "    <COMMENT>";
    for (int w = 0, n = 4 + int(rng() % 20); w < n; ++w) xml += std::string(kWords[rng() % kWordCount]) + " ";
    xml += "</COMMENT>\n  </QUESTION>\n";
  }
  return xml + "</PQuestions>\n";
}

const std::string& Bank1251() {
  static const std::string bank =
      trv::Utf8ToCp1251("<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n" + BankBodyUtf8());
  return bank;
}
const std::string& BankUtf8() {
  static const std::string bank = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + BankBodyUtf8();
  return bank;
}

std::span<const std::uint8_t> Bytes(const std::string& s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

void LoadBench(benchmark::State& state, const std::string& file) {
  for (auto _ : state) {
    trv::TGameCollection bank;
    if (!bank.LoadQuestionBytes(Bytes(file), "bench") || bank.Count() != kQuestions)
      state.SkipWithError("the generated bank did not load");
    benchmark::DoNotOptimize(bank.Questions.data());
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(file.size()));
  state.counters["questions"] = kQuestions;
}

void BM_LoadBank1251(benchmark::State& state) { LoadBench(state, Bank1251()); }
BENCHMARK(BM_LoadBank1251)->Unit(benchmark::kMillisecond);

void BM_LoadBankUtf8(benchmark::State& state) { LoadBench(state, BankUtf8()); }
BENCHMARK(BM_LoadBankUtf8)->Unit(benchmark::kMillisecond);

// 1,000 games as the engine prepares and plays them: shuffle, reseed, check
// the levels (resetting the played flags when a level ran out), select, hand
// out the fourteen questions, clear the selection.
void BM_PrepareAndPlay1000Games(benchmark::State& state) {
  trv::TGameCollection bank;
  if (!bank.LoadQuestionBytes(Bytes(Bank1251()), "bench")) state.SkipWithError("the generated bank did not load");
  trv::SeedRandom(1);
  bank.ClearUsed();
  std::int64_t resets = 0;
  for (auto _ : state) {
    for (int game = 0; game < kGames; ++game) {
      bank.Shuffle();
      bank.Reseed();
      bool ready = bank.AllLevelsAvailable(14);
      if (!ready) {
        bank.ClearSelection();
        bank.ClearUsed();
        ++resets;
        ready = bank.AllLevelsAvailable(14);
      }
      if (!ready || !bank.SelectForGame(14)) {
        state.SkipWithError("the bank ran dry");
        break;
      }
      for (int level = 1; level <= 14; ++level) {
        bank.TakeQuestion(level);
        benchmark::DoNotOptimize(bank.CheckAnswer(bank.Current.Answers.front()));
      }
      bank.ClearSelection();
    }
  }
  state.counters["games"] = benchmark::Counter(double(state.iterations()) * kGames);
  state.counters["per_game_us"] = benchmark::Counter(double(state.iterations()) * kGames,
                                                     benchmark::Counter::kIsRate | benchmark::Counter::kInvert,
                                                     benchmark::Counter::kIs1000);
  state.counters["resets"] = double(resets);
}
BENCHMARK(BM_PrepareAndPlay1000Games)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
