// The blend of the fades over one 800x600 24-bit frame, by each
// implementation, next to a plain memcpy of the same bytes and SDL's own
// alpha-modulated blit of the same surfaces.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstring>

#include "windows/Blend.h"

namespace {

constexpr int kWidth = 800, kHeight = 600;

struct Frames {
  trv::TFastBMP from, to, out;
  Frames() {
    trv::Bitmap a(kWidth, kHeight), b(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth * 3; ++x) {
        a.Row(y)[x] = std::uint8_t(x * 7 + y);
        b.Row(y)[x] = std::uint8_t(x * 3 + y * 5);
      }
    from.LoadFromBitmap(a);
    to.LoadFromBitmap(b);
    out.SetSize(kWidth, kHeight);
  }
  std::size_t Bytes() const { return out.Bits().ByteSize(); }
};

void RunRows(benchmark::State& state, trv::BlendRowFn row) {
  if (!row) {
    state.SkipWithError("not supported by this processor");
    return;
  }
  Frames f;
  int level = 0;
  for (auto _ : state) {
    for (int y = 0; y < kHeight; ++y)
      row(f.out.Bits().Row(y), f.from.Bits().Row(y), f.to.Bits().Row(y), std::size_t(kWidth) * 3, level);
    level = (level + 30) & 255;
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(f.Bytes()));
}

void BM_BlendScalar(benchmark::State& s) { RunRows(s, &trv::BlendRowScalar); }
void BM_BlendSse2(benchmark::State& s) { RunRows(s, trv::BlendRowSse2()); }
void BM_BlendAvx2(benchmark::State& s) { RunRows(s, trv::BlendRowAvx2()); }

void BM_Memcpy(benchmark::State& state) {
  Frames f;
  for (auto _ : state) {
    std::memcpy(f.out.Bits().Data(), f.from.Bits().Data(), f.Bytes());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(f.Bytes()));
}

void BM_SdlAlphaBlit(benchmark::State& state) {
  SDL_Surface* src = SDL_CreateRGBSurfaceWithFormat(0, kWidth, kHeight, 24, SDL_PIXELFORMAT_BGR24);
  SDL_Surface* dst = SDL_CreateRGBSurfaceWithFormat(0, kWidth, kHeight, 24, SDL_PIXELFORMAT_BGR24);
  if (!src || !dst) {
    state.SkipWithError("SDL cannot make the surfaces");
    SDL_FreeSurface(src);  // either may be null; SDL accepts that
    SDL_FreeSurface(dst);
    return;
  }
  std::memset(src->pixels, 0x55, std::size_t(src->pitch) * kHeight);
  std::memset(dst->pixels, 0xAA, std::size_t(dst->pitch) * kHeight);
  SDL_SetSurfaceBlendMode(src, SDL_BLENDMODE_BLEND);
  int level = 0;
  for (auto _ : state) {
    SDL_SetSurfaceAlphaMod(src, Uint8(level));
    SDL_BlitSurface(src, nullptr, dst, nullptr);
    level = (level + 30) & 255;
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(dst->pitch) * kHeight);
  SDL_FreeSurface(src);
  SDL_FreeSurface(dst);
}

BENCHMARK(BM_BlendScalar);
BENCHMARK(BM_BlendSse2);
BENCHMARK(BM_BlendAvx2);
BENCHMARK(BM_Memcpy);
BENCHMARK(BM_SdlAlphaBlit);

}  // namespace

BENCHMARK_MAIN();
