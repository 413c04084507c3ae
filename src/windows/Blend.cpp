#include "windows/Blend.h"

#include <algorithm>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define TRIVION_X86 1
#endif

namespace trv {

void BlendRowScalar(std::uint8_t* out, const std::uint8_t* from, const std::uint8_t* to, std::size_t n, int level) {
  // The products for every difference -255..255, once per call.
  int table[511];
  for (int d = -255; d <= 255; ++d) table[d + 255] = (level * d) >> 8;
  for (std::size_t i = 0; i < n; ++i) out[i] = std::uint8_t(from[i] + table[to[i] - from[i] + 255]);
}

#ifdef TRIVION_X86
namespace {

// Why the vector rows equal the scalar rule exactly: with d = to - from in
// [-255, 255] and level in [0, 255], p = level * d lies in [-65025, 65025],
// which needs 18 bits, so one 16-bit product would lose it. mullo gives bits
// 0..15 of the exact 32-bit product and mulhi (signed) bits 16..31. The rule
// wants p >> 8 (arithmetic, i.e. floor), which lies in [-255, 254] and so is
// fully represented by its own low 16 bits; those are bits 8..23 of p, i.e.
// (hi << 8) | (lo >>> 8) in a 16-bit lane. from + (p >> 8) is then the exact
// result, in [0, 255], so the unsigned-saturating pack changes nothing.

__attribute__((target("sse2"))) inline __m128i Step16(__m128i from16, __m128i to16, __m128i level) {
  const __m128i d = _mm_sub_epi16(to16, from16);
  const __m128i lo = _mm_mullo_epi16(d, level);
  const __m128i hi = _mm_mulhi_epi16(d, level);
  return _mm_add_epi16(from16, _mm_or_si128(_mm_slli_epi16(hi, 8), _mm_srli_epi16(lo, 8)));
}

__attribute__((target("sse2"))) void RowSse2(std::uint8_t* out, const std::uint8_t* from, const std::uint8_t* to,
                                             std::size_t n, int level) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i lv = _mm_set1_epi16(std::int16_t(level));
  std::size_t i = 0;
  for (; i + 16 <= n; i += 16) {
    const __m128i f = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i));
    const __m128i t = _mm_loadu_si128(reinterpret_cast<const __m128i*>(to + i));
    const __m128i a = Step16(_mm_unpacklo_epi8(f, zero), _mm_unpacklo_epi8(t, zero), lv);
    const __m128i b = Step16(_mm_unpackhi_epi8(f, zero), _mm_unpackhi_epi8(t, zero), lv);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(a, b));
  }
  if (i < n) BlendRowScalar(out + i, from + i, to + i, n - i, level);
}

__attribute__((target("avx2"))) void RowAvx2(std::uint8_t* out, const std::uint8_t* from, const std::uint8_t* to,
                                             std::size_t n, int level) {
  const __m256i lv = _mm256_set1_epi16(std::int16_t(level));
  std::size_t i = 0;
  for (; i + 16 <= n; i += 16) {
    const __m256i f = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i)));
    const __m256i t = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(to + i)));
    const __m256i d = _mm256_sub_epi16(t, f);
    const __m256i lo = _mm256_mullo_epi16(d, lv);
    const __m256i hi = _mm256_mulhi_epi16(d, lv);
    const __m256i r = _mm256_add_epi16(f, _mm256_or_si256(_mm256_slli_epi16(hi, 8), _mm256_srli_epi16(lo, 8)));
    // Pack the two 128-bit halves' words into 16 bytes in order.
    const __m128i packed = _mm_packus_epi16(_mm256_castsi256_si128(r), _mm256_extracti128_si256(r, 1));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), packed);
  }
  if (i < n) BlendRowScalar(out + i, from + i, to + i, n - i, level);
}

}  // namespace

BlendRowFn BlendRowSse2() { return __builtin_cpu_supports("sse2") ? &RowSse2 : nullptr; }
BlendRowFn BlendRowAvx2() { return __builtin_cpu_supports("avx2") ? &RowAvx2 : nullptr; }
#else
BlendRowFn BlendRowSse2() { return nullptr; }
BlendRowFn BlendRowAvx2() { return nullptr; }
#endif

BlendRowFn BestBlendRow() {
  static const BlendRowFn best = [] {
    if (BlendRowFn f = BlendRowAvx2()) return f;
    if (BlendRowFn f = BlendRowSse2()) return f;
    return &BlendRowScalar;
  }();
  return best;
}

bool Blend(TFastBMP& out, const TFastBMP& from, const TFastBMP& to, int level) {
  level = std::clamp(level, 0, 255);
  const int w = std::min({out.Width(), from.Width(), to.Width()});
  const int h = std::min({out.Height(), from.Height(), to.Height()});
  if (w > 0 && h > 0) {
    const BlendRowFn row = BestBlendRow();
    for (int y = 0; y < h; ++y)
      row(out.Bits().Row(y), from.Bits().Row(y), to.Bits().Row(y), std::size_t(w) * 3, level);
  }
  return w == out.Width() && h == out.Height() && w == from.Width() && h == from.Height() && w == to.Width() &&
         h == to.Height();
}

}  // namespace trv
