// Text drawing: what a screen of text fields costs per frame, the first use
// of a font (matching and face opening), and measuring.
#include <benchmark/benchmark.h>

#include "platform/Text.h"
#include "platform/fonts/FontEngine.h"

namespace {

using namespace trv;

const std::string& Line() {
  static const std::string line = Utf8ToCp1251("Вопрос номер 6: сколько лет длится игра? &Ответ");
  return line;
}

// Ten fields of one line each, as the game screen shows them.
void BM_DrawTenFields(benchmark::State& state) {
  auto engine = CreateFontEngine();
  auto font = engine->CreateFont({"Arial", int(state.range(0)), kFontBold});
  Bitmap frame(800, 600, MakeColor(20, 30, 60));
  std::int64_t chars = 0;
  for (auto _ : state) {
    for (int i = 0; i < 10; ++i) {
      Rect r{20, 20 + i * 50, 780, 60 + i * 50};
      font->DrawText(frame, r, Line(), 0, MakeColor(255, 255, 255));
    }
    chars += 10 * std::int64_t(Line().size());
    benchmark::ClobberMemory();
  }
  state.counters["chars/s"] = benchmark::Counter(double(chars), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DrawTenFields)->Arg(10)->Arg(24)->Unit(benchmark::kMicrosecond);

// A word-wrapped paragraph in a hint-sized box, measured then drawn.
void BM_WrappedParagraph(benchmark::State& state) {
  auto engine = CreateFontEngine();
  auto font = engine->CreateFont({"Times New Roman", 12, 0});
  std::string text;
  for (int i = 0; i < 8; ++i) text += Line() + " ";
  Bitmap frame(400, 400, MakeColor(255, 255, 225));
  for (auto _ : state) {
    Rect r{2, 2, 398, 2};
    font->DrawText(frame, r, text, dt::WordBreak | dt::CalcRect, 0);
    font->DrawText(frame, r, text, dt::WordBreak, 0);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_WrappedParagraph)->Unit(benchmark::kMicrosecond);

// A new font of a new size and its first line: what a screen switch pays per
// text field it builds.
void BM_FirstUseOfAFont(benchmark::State& state) {
  auto engine = CreateFontEngine();
  engine->CreateFont({"Arial", 10, 0});  // fontconfig's own start-up is paid once per process
  Bitmap frame(800, 60, MakeColor(0, 0, 0));
  int size = 8;
  for (auto _ : state) {
    auto font = engine->CreateFont({"Arial", size, 0});
    size = size == 40 ? 8 : size + 1;
    Rect r{0, 0, 800, 60};
    font->DrawText(frame, r, Line(), 0, MakeColor(255, 255, 255));
    benchmark::DoNotOptimize(font.get());
  }
}
BENCHMARK(BM_FirstUseOfAFont)->Unit(benchmark::kMicrosecond);

void BM_TextExtent(benchmark::State& state) {
  auto engine = CreateFontEngine();
  auto font = engine->CreateFont({"Arial", 10, 0});
  for (auto _ : state) benchmark::DoNotOptimize(font->TextExtent(Line()));
}
BENCHMARK(BM_TextExtent);

}  // namespace

BENCHMARK_MAIN();
